// Main dialog: start-up of the card, the busy checks and the orderly exit.
#include "ui/OrvaneDlg.h"

#include "app/Orvane.h"
#include "app/Settings.h"
#include "app/WaitBox.h"
#include "framework/Resources.h"
#include "framework/Thread.h"
#include "modem/ModemModule.h"
#include "resources/resource.h"

namespace ui {
namespace {

OrvaneDlg* g_mainDialog = nullptr;

// Fault-log positions of the main dialog's guarded module calls.
constexpr char kSourceName[] = "OrvaneDlg";
constexpr int kCardStartLine = 262;
constexpr int kCallShutdownLine = 472;
constexpr int kStopDeviceLine = 559;

constexpr DWORD kExitPollMs = 10;
constexpr DWORD kExitFlagWaitMs = 5000;  // a hang-up that never reports back must not block exit
constexpr DWORD kExitSettleMs = 500;
constexpr DWORD kExitEndDelayMs = 100;
constexpr INT_PTR kExitResult = 2;

void WaitWhile(const std::atomic<bool>& flag, DWORD limitMs) {
    DWORD start = GetTickCount();
    while (flag && GetTickCount() - start < limitMs) Sleep(kExitPollMs);
}

void MDM_CALL CardEventCallback(int32_t, intptr_t, intptr_t, intptr_t, intptr_t) {}

}  // namespace

OrvaneDlg* MainDialog() { return g_mainDialog; }

OrvaneDlg::OrvaneDlg(HINSTANCE resources) : Dialog(resources, IDD_MAIN) {
    icon_ = static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 0, 0,
                                          LR_DEFAULTSIZE | LR_SHARED));
    g_mainDialog = this;
    settings::LoadSettings(resources);
}

OrvaneDlg::~OrvaneDlg() {
    if (g_mainDialog == this) g_mainDialog = nullptr;
}

BOOL OrvaneDlg::OnInitDialog() {
    HWND hwnd = Hwnd();
    SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_SYSMENU);
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    app::SetSharedMainWindow(hwnd);
    SetWindowTextW(hwnd, res::LoadStr(Resources(), IDS_APP_TITLE).c_str());

    StartCard();

    SetForegroundWindow(hwnd);
    waitbox::CloseWaitBox();
    return TRUE;
}

void OrvaneDlg::StartCard() {
    fault::RunGuarded(kSourceName, kCardStartLine, [&] {
        auto& table = modem::Table();
        comPort_ = table.mdmGetActiveComPort ? table.mdmGetActiveComPort() : 0;
        if (table.mdmInitWatch) table.mdmInitWatch(&CardEventCallback);
        if (!table.mdmNetSetCta || table.mdmNetSetCta(settings::TheSettings().NET_CTA) == -1)
            ctaSupported_ = false;
        if (networkMode_ == -1 && table.mdmGetServerMode) networkMode_ = table.mdmGetServerMode();
    });
}

bool OrvaneDlg::BusyCheck(bool condition, bool report, UINT stringId) {
    if (condition && report && Hwnd())
        PostMessageW(Hwnd(), WM_APP_STATUS, 1, static_cast<LPARAM>(stringId));
    return condition;
}

bool OrvaneDlg::IsNetConnected(bool report) { return BusyCheck(connected, report, IDS_BUSY_NET_CONNECTED); }
bool OrvaneDlg::IsDialBusy(bool report) { return BusyCheck(dialBusy, report, IDS_BUSY_DIALING); }
bool OrvaneDlg::IsCallBusy(bool report) { return BusyCheck(callBusy, report, IDS_BUSY_CALL); }
bool OrvaneDlg::IsSmsSending(bool report) { return BusyCheck(smsSending, report, IDS_BUSY_SMS_SENDING); }
bool OrvaneDlg::IsPortBusy(bool report) { return BusyCheck(portBusy, report, IDS_BUSY_PORT); }

bool OrvaneDlg::OnCommand(int id, int /*code*/) {
    switch (id) {
    case IDC_MAIN_BTN_CLOSE:
        ExitProgram();
        return true;
    case IDC_MAIN_BTN_MINIMIZE:
        ShowWindow(Hwnd(), SW_MINIMIZE);
        return true;
    case IDOK:
    case IDCANCEL:
        return true;  // Enter and Esc do not close the main window
    default:
        return false;
    }
}

bool OrvaneDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (msg) {
    case WM_APP_STATUS:
        if (wParam != 0 && wParam != 4)
            SetItemText(IDC_MAIN_STATUS, res::LoadStr(Resources(), static_cast<UINT>(lParam)));
        result = 0;
        return true;
    case WM_CLOSE:
        ExitProgram();
        result = 0;
        return true;
    default:
        return false;
    }
}

void OrvaneDlg::ExitProgram() {
    if (closing_.exchange(true)) return;
    app::SetSharedMainWindow(nullptr);
    ShowWindow(Hwnd(), SW_HIDE);
    if (HANDLE help = app::TheApp().HelpProcess()) {
        TerminateProcess(help, 0);
        CloseHandle(help);
        app::TheApp().ForgetHelpProcess();
    }

    thread::StartDetached([this] { ExitWorker(); });
    waitbox::ShowWaitBox(Resources(), waitbox::kExitMode);

    settings::Settings& config = settings::TheSettings();
    if (config.STOP_DEV != 0 && !app::TheApp().restartRequested) {
        config.STOP_DEV = -1;  // from now on device-change messages are ignored
        fault::RunGuarded(kSourceName, kStopDeviceLine, [] {
            if (auto stop = modem::Table().mdmStopDev) stop();
        });
    }
    Sleep(kExitEndDelayMs);
    End(kExitResult);
}

void OrvaneDlg::ExitWorker() {
    auto& table = modem::Table();
    const char* entry = modem::Device().ENTRY_NAME;
    if (dialBusy) {
        MDM_CALL_GUARDED(mdmNetHangup, int32_t{-1}, entry);
        WaitWhile(dialBusy, kExitFlagWaitMs);
    }
    if (connected) {
        MDM_CALL_GUARDED(mdmNetHangup, int32_t{-1}, entry);
        WaitWhile(connected, kExitFlagWaitMs);
    }
    if (callBusy) {
        fault::RunGuarded(kSourceName, kCallShutdownLine, [&] {
            if (table.mdmVoiceShutdown) table.mdmVoiceShutdown();
        });
    }
    app::TheApp().ReleaseInstanceMutex();
    Sleep(kExitSettleMs);
    waitbox::CloseWaitBox();
}

}  // namespace ui
