// Worker threads: a callable run on a new thread, with the thread handle owned by the caller.
#pragma once

#include <windows.h>

#include <functional>

namespace thread {

// Stack reserved for a thread unless asked otherwise: the 1 MB Windows programs usually give their
// threads (MinGW's linker default is twice that). Workers call into the modem module, and card
// makers build their modules for the usual size.
constexpr SIZE_T kDefaultStackBytes = 1 << 20;

// Starts body on a new thread; returns its handle (the caller closes it), or nullptr on failure.
HANDLE Start(std::function<void()> body, SIZE_T stackBytes = kDefaultStackBytes);
// Starts body on a new thread whose handle is closed at once (fire and forget).
bool StartDetached(std::function<void()> body, SIZE_T stackBytes = kDefaultStackBytes);

}  // namespace thread
