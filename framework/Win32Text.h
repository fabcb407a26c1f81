// Code page conversions at the ANSI boundary, and the program folder and file presence checks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace win {

// System ANSI code page (CP_ACP) <-> UTF-16. Invalid input is replaced, never rejected.
std::wstring AnsiToWide(std::string_view ansi);
std::string WideToAnsi(std::wstring_view wide);

// Like WideToAnsi, but at most maxBytes bytes, cut at a character boundary (a double-byte
// character never loses its second half).
std::string WideToAnsiLimited(std::wstring_view wide, std::size_t maxBytes);

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Full path of the running program's file ("" when it cannot be had).
std::wstring ModulePath();

// Folder of the running program without the trailing backslash (module path up to its last "\").
std::wstring ExeDirectory();

// True when the path names anything (file or folder), as the file attribute query sees it.
bool FileExists(const std::wstring& path);

}  // namespace win
