// Looks at an installed program from outside, for the installer and help file test scripts:
//   winprobe orvane EXE SHOT.png          starts Orvane, waits for its main window (or at least its
//                                         wait box), takes a screenshot, and ends it
//   winprobe help CHM "TITLE" N SHOT.png  opens a help file in the help viewer, checks the viewer's
//                                         title and that its contents list N topics, takes a
//                                         screenshot, and closes it
// Prints what it saw; exit code 0 when it saw what it waited for and the program ended.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "Driver.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;
using e2e::Utf8;

constexpr DWORD kStartMs = 30000;  // a first start in a fresh prefix is slow
constexpr DWORD kExitMs = 20000;

std::wstring Folder(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Ends a program that did not end by itself; a failure of the probe in any case.
int Abandon(e2e::Process& process, const char* why) {
    Logf("winprobe: %s", why);
    process.Kill();
    return 1;
}

int ProbeOrvane(const std::wstring& exe, const std::wstring& shot) {
    e2e::Process orvane;
    if (!orvane.Start(exe, {}, Folder(exe))) {
        Logf("winprobe: cannot start %s", Utf8(exe).c_str());
        return 1;
    }
    bool sawWaitBox = false;
    HWND mainWindow = nullptr;
    e2e::WaitUntil(
        [&] {
            sawWaitBox = sawWaitBox || e2e::FindWindowOf(orvane.Id(), [](HWND w) {
                return IsWindowVisible(w) && GetDlgItem(w, IDC_WAIT_TEXT) != nullptr;
            });
            mainWindow = e2e::FindWindowOf(orvane.Id(), [](HWND w) {
                return IsWindowVisible(w) && GetDlgItem(w, IDC_MAIN_STATUS) != nullptr;
            });
            return mainWindow != nullptr || !orvane.Running();
        },
        kStartMs);
    if (!mainWindow) {
        if (!sawWaitBox) return Abandon(orvane, "neither the wait box nor the main window appeared");
        return Abandon(orvane, "only the wait box appeared");
    }
    Logf("winprobe: main window \"%s\"%s", Utf8(e2e::Caption(mainWindow)).c_str(),
         sawWaitBox ? " after the wait box" : "");
    Sleep(500);  // let the pages paint
    if (e2e::SaveScreenshot(shot, mainWindow).empty()) Logf("winprobe: no screenshot written");
    e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE);
    if (!orvane.WaitExit(kExitMs)) return Abandon(orvane, "Orvane did not end after its close button");
    Logf("winprobe: Orvane ended with %lu", static_cast<unsigned long>(orvane.ExitCode()));
    return orvane.ExitCode() == 0 ? 0 : 1;
}

// The viewer's contents tree (the first visible tree view in its window), or null.
HWND ContentsTree(HWND viewer) {
    HWND found = nullptr;
    EnumChildWindows(
        viewer,
        [](HWND child, LPARAM out) CALLBACK -> BOOL {
            if (e2e::ClassOf(child) != WC_TREEVIEWW || !IsWindowVisible(child)) return TRUE;
            *reinterpret_cast<HWND*>(out) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

int ProbeHelp(const std::wstring& chm, const std::wstring& title, long topics,
              const std::wstring& shot) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    e2e::Process viewer;
    if (!viewer.Start(std::wstring(windows) + L"\\hh.exe", L"\"" + chm + L"\"")) {
        Logf("winprobe: cannot start the help viewer");
        return 1;
    }
    HWND window = e2e::WaitWindowText(viewer.Id(), title, kStartMs);
    if (!window) {
        HWND any = e2e::FindWindowOf(viewer.Id(), [](HWND w) { return IsWindowVisible(w) != FALSE; });
        Logf("winprobe: no viewer window titled \"%s\"; found \"%s\"", Utf8(title).c_str(),
             any ? Utf8(e2e::Caption(any)).c_str() : "nothing");
        return Abandon(viewer, "the help file did not open with its title");
    }
    Logf("winprobe: help viewer \"%s\"", Utf8(e2e::Caption(window)).c_str());
    // The contents are filled after the window shows; the count includes collapsed entries.
    long listed = 0;
    e2e::WaitUntil(
        [&] {
            HWND tree = ContentsTree(window);
            listed = tree ? static_cast<long>(SendMessageW(tree, TVM_GETCOUNT, 0, 0)) : 0;
            return listed >= topics;
        },
        kStartMs);
    if (listed != topics) {
        Logf("winprobe: the contents list %ld topics, not %ld", listed, topics);
        return Abandon(viewer, "the contents are incomplete");
    }
    Logf("winprobe: contents with %ld topics", listed);
    Sleep(500);  // the rest of the window paints
    if (e2e::SaveScreenshot(shot, window).empty()) Logf("winprobe: no screenshot written");
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (!viewer.WaitExit(kExitMs)) return Abandon(viewer, "the help viewer did not close");
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"orvane" && argc == 4) return ProbeOrvane(argv[2], argv[3]);
    if (command == L"help" && argc == 6) {
        return ProbeHelp(argv[2], argv[3], std::wcstol(argv[4], nullptr, 10), argv[5]);
    }
    std::fputs("usage: winprobe orvane EXE SHOT.png | winprobe help CHM TITLE N SHOT.png\n", stderr);
    return 2;
}
