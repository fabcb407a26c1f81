// The device keys of modem.ini: which module to load, the dial-up entry, the port and speeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace modem {

constexpr std::size_t kDeviceTextSize = 64;  // 63 characters and the terminating NUL

// Field names are the modem.ini keys. Texts are ANSI, NUL-terminated, cut to 63 bytes.
struct DeviceDescription {
    char PORT_TYPE[kDeviceTextSize] = {};
    char PORT_ID[kDeviceTextSize] = {};
    char MODEM_ID[kDeviceTextSize] = {};
    char ENTRY_NAME[kDeviceTextSize] = {};
    char MODEM_NAME[kDeviceTextSize] = {};
    int32_t COM_BAUD = 0;
    int32_t CONNECT_BPS = 0;
    char MODULE_DLL[kDeviceTextSize] = {};
    int32_t HEARTBEAT = 0;
    int32_t QUICKMODE = 0;
};

// Reads the whole file line by line, ignoring sections: key = text before the first "=", value =
// text after it, both trimmed; keys compared without case; a later line overrides an earlier one;
// lines without "=" and unknown keys are skipped. Integers take the leading decimal digits.
DeviceDescription ParseDeviceDescription(std::string_view fileContent);

}  // namespace modem
