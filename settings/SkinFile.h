// Reading skin.ini and writing the chosen skin back into it.
#pragma once

#include <cstdint>
#include <string>

#include "settings/SkinConfig.h"

namespace skin {

// skin.ini beside the program.
std::wstring SkinIniPath();

// Reads the whole file (up to kMaxSkinIniBytes) and parses it; false when it cannot be opened.
bool ReadSkinIni(const std::wstring& path, SkinTable& table);

// Rewrites the SKIN_LOAD line, keeping the rest of the file whole; the new text replaces the
// file only once it is written in full. A file without SKIN_LOAD (or without a line end after
// it), or too large to hold, is left as it is. False when the file cannot be opened or the new
// text cannot be written.
bool WriteSkinChoice(const std::wstring& path, int32_t id);

// skin.ini is a few lines; anything past this is not ours to load into memory.
constexpr uint32_t kMaxSkinIniBytes = 4u * 1024 * 1024;

}  // namespace skin
