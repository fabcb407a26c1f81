// Fuzzes the pap.ini reader and the splitting of its lines into the account fields.
#include <cstdint>
#include <string_view>

#include "settings/PapIni.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = settings::ParsePapIni(content);
    if (lines.size() > settings::kMaxPresets) __builtin_trap();
    for (const std::string& line : lines) {
        if (line.empty() || line.size() > settings::kMaxPresetLineBytes || line.front() == ';' ||
            line.find('\0') != std::string::npos || line.find('\n') != std::string::npos)
            __builtin_trap();
        const std::string name = settings::PresetName(line);
        const settings::AccountFields f = settings::PresetFields(line);
        if (name.size() + f.user.size() + f.password.size() + f.number.size() + f.apn.size() >
            line.size())
            __builtin_trap();
    }
    return 0;
}
