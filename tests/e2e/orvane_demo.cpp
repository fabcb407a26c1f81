// Scripted demonstration for `make run` without a display: starts Orvane with the simulated card,
// takes screenshots of the start-up box and the main window, then closes the program.
#include <windows.h>

#include <cstdio>

#include "Driver.h"
#include "resources/resource.h"

int main() {
    e2e::StagedFolder folder;
    if (!folder.Ok()) return 1;
    // The card takes a moment to answer, so the start-up box can be seen.
    WritePrivateProfileStringW(L"CARD", L"ReadyAfterMs", L"2500", folder.File(L"simcard.ini").c_str());

    e2e::Process orvane = folder.Start(L"Orvane.exe");
    e2e::Logf("Orvane started");
    HWND box = e2e::WaitDialogWith(orvane.Id(), IDC_WAIT_TEXT, 15000);
    if (box) {
        Sleep(300);
        e2e::Logf("start-up box: %ls", folder.Screenshot(L"demo-1-startup").c_str());
    }
    HWND mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS, 30000);
    if (!mainWindow) {
        e2e::Logf("the main window did not appear");
        return 1;
    }
    Sleep(500);
    e2e::Logf("main window: %ls", folder.Screenshot(L"demo-2-main").c_str());
    e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE);
    bool ended = orvane.WaitExit(15000);
    e2e::Logf("Orvane %s", ended ? "closed" : "did not close");
    return ended ? 0 : 1;
}
