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
    std::string_view key, value;
    if (!text::SplitKeyValue(line, key, value)) return;
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
    text::ForEachLine(fileContent, [&dev](std::string_view line) {
        ApplyLine(dev, line);  // a trailing '\r' is trimmed with the value
        return true;
    });
    return dev;
}

}  // namespace modem
