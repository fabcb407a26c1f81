// Worker threads: a callable run on a new thread, with the thread handle owned by the caller.
#pragma once

#include <windows.h>

#include <functional>

namespace thread {

// Starts body on a new thread; returns its handle (the caller closes it), or nullptr on failure.
HANDLE Start(std::function<void()> body);
// Starts body on a new thread whose handle is closed at once (fire and forget).
bool StartDetached(std::function<void()> body);

}  // namespace thread
