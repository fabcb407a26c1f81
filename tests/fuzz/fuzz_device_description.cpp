// Fuzzes the modem.ini device-key reader: any file gives a record with terminated texts.
#include <cstdint>
#include <cstring>
#include <string_view>

#include "modem/DeviceDescription.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const modem::DeviceDescription d =
        modem::ParseDeviceDescription(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const char* text : {d.PORT_TYPE, d.PORT_ID, d.MODEM_ID, d.ENTRY_NAME, d.MODEM_NAME, d.MODULE_DLL})
        if (strnlen(text, modem::kDeviceTextSize) >= modem::kDeviceTextSize) __builtin_trap();
    return 0;
}
