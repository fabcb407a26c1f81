// Operator presets of pap.ini: line selection and splitting.
#include "settings/PapIni.h"

#include "framework/TextUtil.h"

namespace settings {

std::vector<std::string> ParsePapIni(std::string_view content) {
    std::vector<std::string> lines;
    text::ForEachLine(content, [&lines](std::string_view line) {
        // Read as text: "\r\n" is a line end; a line stops at a NUL like any C string would.
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = line.substr(0, line.find('\0'));
        if (line.empty() || line.front() == ';') return true;
        lines.emplace_back(line.substr(0, kMaxPresetLineBytes));
        return lines.size() < kMaxPresets;
    });
    return lines;
}

std::string PresetName(std::string_view line) {
    const std::size_t comma = line.find(',');
    return comma == std::string_view::npos ? std::string() : std::string(line.substr(0, comma));
}

AccountFields PresetFields(std::string_view line) {
    // Six fields: the sixth collects whatever follows a fifth ',' and is dropped.
    const std::vector<std::string> parts = text::Split(line, ',', 6);
    return AccountFields{parts[1], parts[2], parts[3], parts[4]};
}

}  // namespace settings
