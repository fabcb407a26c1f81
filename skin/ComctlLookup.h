// comctl32 entries looked up at run time: window subclass data and the flat scroll bar.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace ui {

namespace detail {
// An entry of the loaded comctl32 by name (or by ordinal when it has no name there).
inline FARPROC ComctlEntry(const char* name, WORD ordinal = 0) {
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    if (!comctl) comctl = LoadLibraryW(L"comctl32.dll");
    if (!comctl) return nullptr;
    FARPROC found = GetProcAddress(comctl, name);
    if (!found && ordinal) found = GetProcAddress(comctl, MAKEINTRESOURCEA(ordinal));
    return found;
}

template <class Fn>
Fn ComctlFunction(const char* name, WORD ordinal = 0) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(ComctlEntry(name, ordinal)));
}
}  // namespace detail

// GetWindowSubclass is missing from the MinGW import library (older comctl32 versions export it
// by ordinal only).
inline bool FindSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* ref) {
    using Lookup = BOOL(WINAPI*)(HWND, SUBCLASSPROC, UINT_PTR, DWORD_PTR*);
    static const Lookup lookup = detail::ComctlFunction<Lookup>("GetWindowSubclass", 411);
    return hwnd && lookup && lookup(hwnd, proc, id, ref);
}

// The flat scroll bar functions are absent from the 32-bit MinGW import library; a comctl32
// without them leaves the list's ordinal scroll bars, which the skinned list then reads.
inline void InitializeFlatScrollBars(HWND window) {
    using Init = BOOL(WINAPI*)(HWND);
    using Enable = BOOL(WINAPI*)(HWND, int, UINT);
    static const Init init = detail::ComctlFunction<Init>("InitializeFlatSB");
    static const Enable enable = detail::ComctlFunction<Enable>("FlatSB_EnableScrollBar");
    if (init) init(window);
    if (enable) enable(window, SB_BOTH, ESB_DISABLE_BOTH);
}

inline BOOL FlatScrollInfo(HWND window, int bar, SCROLLINFO* info) {
    using Get = BOOL(WINAPI*)(HWND, int, LPSCROLLINFO);
    static const Get get = detail::ComctlFunction<Get>("FlatSB_GetScrollInfo");
    return get ? get(window, bar, info) : GetScrollInfo(window, bar, info);
}

}  // namespace ui
