// Taking a message text out of an edit field: ANSI bytes within a limit, with the standard prompt.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace smsui {

// The field's text in the ANSI code page. When it has more than maxBytes bytes: the standard
// "no more than %1 characters" prompt (owned by `owner`), the field gets the focus with its text
// selected, and nothing comes back.
std::optional<std::string> TakeAnsiText(HWND owner, HINSTANCE resources, HWND field,
                                        std::size_t maxBytes);

}  // namespace smsui
