// The device keys of modem.ini: which module to load, the dial-up entry, the port and speeds.
#include "modem/DeviceDescription.h"

#include "framework/TextUtil.h"

namespace modem {
namespace {

struct TextKey {
    const char* name;
    char (DeviceDescription::*field)[kDeviceTextSize];
};

struct IntKey {
    const char* name;
    int32_t DeviceDescription::*field;
};

constexpr TextKey kTextKeys[] = {
    {"PORT_TYPE", &DeviceDescription::PORT_TYPE},   {"PORT_ID", &DeviceDescription::PORT_ID},
    {"MODEM_ID", &DeviceDescription::MODEM_ID},     {"ENTRY_NAME", &DeviceDescription::ENTRY_NAME},
    {"MODEM_NAME", &DeviceDescription::MODEM_NAME}, {"MODULE_DLL", &DeviceDescription::MODULE_DLL},
};

constexpr IntKey kIntKeys[] = {
    {"COM_BAUD", &DeviceDescription::COM_BAUD},
    {"CONNECT_BPS", &DeviceDescription::CONNECT_BPS},
    {"HEARTBEAT", &DeviceDescription::HEARTBEAT},
    {"QUICKMODE", &DeviceDescription::QUICKMODE},
};

void ApplyLine(DeviceDescription& dev, std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view key = text::Trim(line.substr(0, eq));
    const std::string_view value = text::Trim(line.substr(eq + 1));
    for (const TextKey& k : kTextKeys) {
        if (text::EqualsNoCase(key, k.name)) {
            text::CopyBounded(dev.*k.field, value);
            return;
        }
    }
    for (const IntKey& k : kIntKeys) {
        if (text::EqualsNoCase(key, k.name)) {
            dev.*k.field = text::ParseLeadingInt(value);
            return;
        }
    }
}

}  // namespace

DeviceDescription ParseDeviceDescription(std::string_view fileContent) {
    DeviceDescription dev;
    std::size_t start = 0;
    while (start < fileContent.size()) {
        std::size_t end = fileContent.find('\n', start);
        if (end == std::string_view::npos) end = fileContent.size();
        ApplyLine(dev, fileContent.substr(start, end - start));  // a trailing '\r' is trimmed
        start = end + 1;
    }
    return dev;
}

}  // namespace modem
