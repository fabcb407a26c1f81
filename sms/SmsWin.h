// Win32 helpers of the message pages and the batch dialog: a message text taken out of an edit
// field within its byte limit, and joining a worker thread.
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

// Waits for a worker to end, closes its handle and forgets it (nothing when there is none). The
// wait is bounded: a send or read stuck in the module must not hold the program for ever.
void JoinWorker(HANDLE& thread);

}  // namespace smsui
