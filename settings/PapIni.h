// Operator presets of pap.ini: which lines are kept, the name a line shows, the fields it fills.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

constexpr std::size_t kMaxPresets = 32;
// A preset line is a few dozen bytes; anything longer is cut here so a hostile file cannot make
// the page hold or show megabytes.
constexpr std::size_t kMaxPresetLineBytes = 512;
// pap.ini is read up to this size; the 32 kept lines always fit in it.
constexpr std::size_t kMaxPapIniBytes = 256 * 1024;

// The four values of the account page, ANSI like the file.
struct AccountFields {
    std::string user;
    std::string password;
    std::string number;
    std::string apn;
};

// The kept lines of pap.ini in file order: one per line, without its line end, cut at an embedded
// NUL and at kMaxPresetLineBytes. Empty lines and lines starting with ';' are skipped; reading
// stops after the kMaxPresets-th kept line. A line of blanks is kept.
std::vector<std::string> ParsePapIni(std::string_view content);

// The name shown in the operator list: the text before the first ',' (empty without a ',').
std::string PresetName(std::string_view line);

// "name,user,password,number,APN": parts 2 to 5; missing parts are empty, text after a fifth ','
// is ignored.
AccountFields PresetFields(std::string_view line);

}  // namespace settings
