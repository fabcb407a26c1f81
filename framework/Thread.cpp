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

HANDLE Start(std::function<void()> body) {
    auto* heapBody = new std::function<void()>(std::move(body));
    HANDLE handle = CreateThread(nullptr, 0, Trampoline, heapBody, 0, nullptr);
    if (!handle) delete heapBody;
    return handle;
}

bool StartDetached(std::function<void()> body) {
    HANDLE handle = Start(std::move(body));
    if (!handle) return false;
    CloseHandle(handle);
    return true;
}

}  // namespace thread
