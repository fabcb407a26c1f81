// Finds the reference data of a comctl32 window subclass.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace ui {

// GetWindowSubclass is missing from the MinGW import library (older comctl32 versions export it
// by ordinal only), so it is looked up once at run time.
inline bool FindSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* ref) {
    using Lookup = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);
    static const Lookup lookup = [] {
        HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
        if (!comctl) comctl = LoadLibraryW(L"comctl32.dll");
        if (!comctl) return Lookup{};
        FARPROC found = GetProcAddress(comctl, "GetWindowSubclass");
        if (!found) found = GetProcAddress(comctl, MAKEINTRESOURCEA(411));
        return reinterpret_cast<Lookup>(reinterpret_cast<void (*)()>(found));
    }();
    return hwnd && lookup && lookup(hwnd, proc, id, ref);
}

}  // namespace ui
