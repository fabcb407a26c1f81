// skin.ini and the choice of the language resource library and help file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

constexpr std::size_t kMaxSkins = 32;
constexpr std::size_t kMaxLibraryLength = 259;  // a file name, MAX_PATH - 1
constexpr std::size_t kMaxLabelLength = 255;

struct SkinEntry {
    int32_t id = 0;
    std::string library;  // file name of the resource library beside the program (ANSI)
    std::string label;    // shown in the skin choice of the advanced settings (ANSI)
};

struct SkinTable {
    std::vector<SkinEntry> entries;  // file order, at most kMaxSkins
    int32_t configuredId = 0;        // SKIN_LOAD; 0 when not set
};

// Lines "key = value"; SKIN_LOAD gives the configured id (a later line wins), each SKIN_DLL line
// "id, library, label" adds one entry until the table is full. Other lines are skipped.
SkinTable ParseSkinIni(std::string_view content);

// Library of the first entry with this id; empty when there is none.
std::string LookupSkinLibrary(const SkinTable& table, int32_t id);

// Library name for a system language id (primary = id & 0x3FF, sublanguage = id >> 10). Chinese
// sublanguages other than simplified and traditional give an empty name. When exists is given
// and says the chosen file is not there, the name falls back to "skinen.dll".
std::string SkinLibraryForLanguage(uint32_t languageId,
                                   const std::function<bool(const std::string&)>& exists = {});

// Help file name for a system language id; "helpen.chm" for anything without its own file.
std::string HelpFileForLanguage(uint32_t languageId);

// skin.ini with each "SKIN_LOAD = ..." line (key matched without case, line ended by "\r\n")
// replaced by "SKIN_LOAD = <id>"; nullopt when there is none (the file is then left alone).
std::optional<std::string> RewriteSkinLoad(std::string_view content, int32_t id);

}  // namespace skin
