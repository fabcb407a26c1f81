// Worker threads started with CreateThread; the callable travels in a heap object the thread owns.
#include "framework/Thread.h"

#include <memory>

namespace thread {
namespace {

DWORD WINAPI Trampoline(LPVOID parameter) {
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    (*body)();
    return 0;
}

}  // namespace

HANDLE Start(std::function<void()> body, SIZE_T stackBytes) {
    auto* heapBody = new std::function<void()>(std::move(body));
    // Reserved, not committed: Windows commits the stack as it grows (Wine commits all of it).
    HANDLE handle = CreateThread(nullptr, stackBytes, Trampoline, heapBody,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!handle) delete heapBody;
    return handle;
}

bool StartDetached(std::function<void()> body, SIZE_T stackBytes) {
    HANDLE handle = Start(std::move(body), stackBytes);
    if (!handle) return false;
    CloseHandle(handle);
    return true;
}

}  // namespace thread
