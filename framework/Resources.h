// Strings, bitmaps and other resources of the current resource module (the language DLL).
#pragma once

#include <windows.h>

#include <string>

namespace res {

// The string with the given id, or an empty text when the module lacks it.
std::wstring LoadStr(HINSTANCE module, UINT id);
// The string read as a decimal integer (leading digits; no digits gives 0).
int LoadStrInt(HINSTANCE module, UINT id);
// Replaces %1, %2, ... by the given arguments (a %n without argument stays as it is).
std::wstring FormatArgs(const std::wstring& pattern, std::initializer_list<std::wstring> args);
// True when the module holds a resource of that type and id.
bool HasResource(HINSTANCE module, UINT id, LPCWSTR type);

}  // namespace res
