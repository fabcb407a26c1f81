// Helpers shared by the Windows tests: message pumping, handle counts, the staged program folder.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace wintest {

// Dispatches this thread's messages for the given time (0: only what is queued now).
inline void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (ms) Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Live GDI objects of the process. Wine's GetGuiResources answers 0; there every live object
// answers GetObjectType under its 16-bit table index, so the table is counted directly.
inline DWORD GdiObjects() {
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n != 0) return n;
    for (std::uintptr_t i = 1; i < 0x10000; ++i)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0) ++n;
    return n;
}

// Kernel handles of the process.
inline DWORD KernelHandles() {
    DWORD count = 0;
    GetProcessHandleCount(GetCurrentProcess(), &count);
    return count;
}

// The staged program folder ($ORVANE_STAGE, a Linux path) as a Windows path, and a file in it.
inline std::wstring StagePath(const std::wstring& name = {}) {
    const char* stage = std::getenv("ORVANE_STAGE");
    std::wstring path = L"Z:";
    for (const char* c = stage ? stage : ""; *c; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
    return name.empty() ? path : path + L"\\" + name;
}

// A file in the screenshot folder ($E2E_SHOTS, a Linux path), as a Windows path.
inline std::wstring ShotsPath(const std::wstring& name) {
    const char* shots = std::getenv("E2E_SHOTS");
    std::wstring path = L"Z:";
    for (const char* c = shots ? shots : ""; *c; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
    return path + L"\\" + name;
}

}  // namespace wintest
