// The yardstick of the benchmarks: the smallest program that shows the main window's dialog
// template from the language library beside it, and nothing else. Not a test.
#include <windows.h>

#include "resources/resource.h"

namespace {

INT_PTR CALLBACK MainProc(HWND window, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        // The two buttons a benchmark presses: close ends the program, minimize hides the window.
        if (LOWORD(wParam) == IDC_MAIN_BTN_MINIMIZE) ShowWindow(window, SW_HIDE);
        if (LOWORD(wParam) == IDC_MAIN_BTN_CLOSE) DestroyWindow(window);
        return TRUE;
    case WM_CLOSE:
        DestroyWindow(window);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash || slash - path + 12 >= MAX_PATH) return 1;
    lstrcpyW(slash + 1, L"skingb.dll");
    HMODULE skin = LoadLibraryW(path);
    if (!skin) return 1;
    HWND window = CreateDialogParamW(skin, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainProc, 0);
    if (!window) return 1;
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    FreeLibrary(skin);
    return 0;
}
