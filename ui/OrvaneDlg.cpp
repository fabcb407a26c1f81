// Main dialog: pages, status line, timers, signal, tray and popup, card start-up and removal,
// power, hot keys and the orderly exit.
#include "ui/OrvaneDlg.h"

#include <dbt.h>
#include <mmsystem.h>

#include <memory>

#include "app/Orvane.h"
#include "app/Settings.h"
#include "app/WaitBox.h"
#include "framework/Resources.h"
#include "framework/SystemInfo.h"
#include "framework/Thread.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "net/DlgNetRecords.h"
#include "net/NetRecords.h"
#include "resources/resource.h"
#include "ui/BitmapButton.h"
#include "ui/MainDialogCore.h"

namespace ui {
namespace {

OrvaneDlg* g_mainDialog = nullptr;

// Fault-log positions of the main dialog's guarded module calls.
constexpr char kSourceName[] = "OrvaneDlg";
constexpr int kCardStartLine = 262;
constexpr int kCallShutdownLine = 472;
constexpr int kStopDeviceLine = 559;

constexpr UINT kStatusPeriodMs = 5000;
constexpr UINT kSignalPeriodMs = 10000;
constexpr UINT kHomeIdlePeriodMs = 3000;
constexpr DWORD kExitPollMs = 10;
constexpr DWORD kExitFlagWaitMs = 5000;  // a hang-up that never reports back must not block exit
constexpr DWORD kExitSettleMs = 500;
constexpr DWORD kExitEndDelayMs = 100;
constexpr INT_PTR kExitResult = 2;
constexpr DWORD kResumeWaitMs = 80000;
constexpr DWORD kResumeProbeMs = 3000;
constexpr UINT kCtrlF11 = VK_F11;
constexpr int kToolbarButtons = 8;
constexpr DWORD kPopupShowMs = 1000;
constexpr DWORD kPopupStayMs = 3000;
constexpr DWORD kPopupHideMs = 500;
constexpr COLORREF kPopupText = RGB(0, 0, 0);
constexpr COLORREF kPopupHover = RGB(0, 0, 200);

// The sixteen skinned buttons of the main window: normal and pressed pictures.
const ButtonRow kMainButtons[] = {
    {IDC_MAIN_BTN_STATS, IDB_MAIN_STATS, IDB_MAIN_STATS_SEL, 0, 0, 1},
    {IDC_MAIN_BTN_INTERNET, IDB_MAIN_INTERNET, IDB_MAIN_INTERNET_SEL, 0, 0, 1},
    {IDC_MAIN_BTN_CALL, IDB_MAIN_CALL, IDB_MAIN_CALL_SEL, 0, 0, 1},
    {IDC_MAIN_BTN_SMS, IDB_MAIN_SMS, IDB_MAIN_SMS_SEL, 0, 0, 1},
    {IDC_MAIN_BTN_PHONEBOOK, IDB_MAIN_PHONEBOOK, IDB_MAIN_PHONEBOOK_SEL, 0, 0, 1},
    {IDC_MAIN_BTN_SETTINGS, IDB_MAIN_SETTINGS, IDB_MAIN_SETTINGS_SEL, 0, 0, 1},
    {IDC_MAIN_BTN_MINIMIZE, IDB_MAIN_MINIMIZE, IDB_MAIN_MINIMIZE_SEL, 0, 0, 1},
    {IDC_MAIN_BTN_CLOSE, IDB_MAIN_CLOSE, IDB_MAIN_CLOSE_SEL, 0, 0, 1},
    {IDC_MAIN_TOOLBAR1, IDB_TOOLBAR1, IDB_TOOLBAR1_SEL, 0, 0, 0},
    {IDC_MAIN_TOOLBAR2, IDB_TOOLBAR2, IDB_TOOLBAR2_SEL, 0, 0, 0},
    {IDC_MAIN_TOOLBAR3, IDB_TOOLBAR3, IDB_TOOLBAR3_SEL, 0, 0, 0},
    {IDC_MAIN_TOOLBAR4, IDB_TOOLBAR4, IDB_TOOLBAR4_SEL, 0, 0, 0},
    {IDC_MAIN_TOOLBAR5, IDB_TOOLBAR5, IDB_TOOLBAR5_SEL, 0, 0, 0},
    {IDC_MAIN_TOOLBAR6, IDB_TOOLBAR6, IDB_TOOLBAR6_SEL, 0, 0, 0},
    {IDC_MAIN_TOOLBAR7, IDB_TOOLBAR7, IDB_TOOLBAR7_SEL, 0, 0, 0},
    {IDC_MAIN_TOOLBAR8, IDB_TOOLBAR8, IDB_TOOLBAR8_SEL, 0, 0, 0},
};

void WaitWhile(const std::atomic<bool>& flag, DWORD limitMs) {
    DWORD start = GetTickCount();
    while (flag && GetTickCount() - start < limitMs) Sleep(kExitPollMs);
}

constexpr int kEventNewSms = 5;

// Card events arrive on the module's thread; from here they only reach windows through messages.
// A new message needs the card, so a data connection is hung up first (the internet page's own
// button, sent so the hang-up has begun when this returns). The message and call features
// add their own handling.
void MDM_CALL CardEventCallback(int32_t event, intptr_t, intptr_t, intptr_t, intptr_t) {
    OrvaneDlg* main = g_mainDialog;
    if (!main || main->Closing()) return;
    if (event == kEventNewSms && main->connected) {
        if (HWND page = main->internetPage.Hwnd())
            SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_INET_CONNECT, BN_CLICKED), 0);
    }
}

// The key as it is right now: the window thread has not seen any keyboard message yet at start.
bool CtrlHeld() {
    return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0 || (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

}  // namespace

OrvaneDlg* MainDialog() { return g_mainDialog; }

void PostStatusLiteral(HWND mainWindow, const std::wstring& text) {
    auto* copy = new std::wstring(text);
    if (!PostMessageW(mainWindow, WM_APP_STATUS, 4, reinterpret_cast<LPARAM>(copy))) delete copy;
}

OrvaneDlg::OrvaneDlg(HINSTANCE resources)
    : CToolTipDialog(resources, IDD_MAIN),
      homePage(resources),
      internetPage(resources),
      callPage(resources),
      callRecordsPage(resources),
      accountPage(resources),
      smsListPage(resources),
      smsSendPage(resources),
      phoneBookPage(resources),
      phoneBookEditPage(resources),
      netRecords_(resources, monthReceivedBefore),
      graph_(resources),
      connectionWin_(*this),
      connection_(net::ConnectionCore::Outside{connectionWin_, connectionWin_, connectionWin_,
                                               connectionWin_, connectionWin_, connectionWin_},
                  net::BusyFlags{connected, dialBusy, callBusy, smsSending, portBusy, sleeping,
                                 ctaSupported},
                  net::TrafficCounters{connectionReceived, connectionSent, monthReceivedBefore},
                  netRecords_.Account(), settings::TheSettings(), modem::Device()),
      tray_(resources) {
    icon_ = static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 0, 0,
                                          LR_DEFAULTSIZE | LR_SHARED));
    g_mainDialog = this;
    settings::LoadSettings(resources);
    internetPage.SetConnection(&connection_);
    internetPage.SetActions([this] { ShowTrafficStats(); }, [this] { ShowPage(homePage); });
}

OrvaneDlg::~OrvaneDlg() {
    if (signalPicture_) DeleteObject(signalPicture_);
    if (g_mainDialog == this) g_mainDialog = nullptr;
}

BOOL OrvaneDlg::OnInitDialog() {
    CToolTipDialog::OnInitDialog();
    HWND hwnd = Hwnd();
    SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_SYSMENU);
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    app::SetSharedMainWindow(hwnd);
    SetWindowTextW(hwnd, res::LoadStr(Resources(), IDS_APP_TITLE).c_str());

    SetBackgroundBitmap(IDB_MAIN_BACKGROUND);
    SetTransparentColor(kSkinTransparent);
    SetShapeFromBitmap(true);
    // No toolbar actions are configured, so every toolbar button stays hidden.
    for (int i = 0; i < kToolbarButtons; ++i) ShowItem(IDC_MAIN_TOOLBAR1 + i, false);
    CreateButtons(kMainButtons);
    if (res::LoadStrInt(Resources(), IDS_HOVER_TRACKING) == 1) {
        for (const ButtonRow& row : kMainButtons)
            if (BitmapButton* button = BitmapButton::FromWindow(Item(row.id)))
                button->SetHoverTracking(true);
    }
    SetTooltipsActive(true);

    CreatePages();
    const auto& device = modem::Device();
    maxLineRate_ = maindlg::MaxLineRateKBps(device.CONNECT_BPS, device.COM_BAUD);
    CreateTrafficGraph();
    CreatePopupAndTray();
    // Known from the start, so that the month alarm counts what earlier runs received.
    Account().EnsureMonthTotal(net::LocalNow().local);
    StartCard();
    StartTimers();
    if (settings::TheSettings().AUTO_DIAL == 0) ShowPage(homePage);

    SetForegroundWindow(hwnd);
    waitbox::CloseWaitBox();
    RegisterHotKey(hwnd, HOTKEY_RESTORE, 0, VK_F11);
    RegisterHotKey(hwnd, HOTKEY_EXIT, MOD_CONTROL, kCtrlF11);
    if (tray_.Hidden()) tray_.ShowTrayIcon();
    return TRUE;
}

void OrvaneDlg::CreatePages() {
    RECT area{};
    GetWindowRect(Item(IDC_MAIN_PAGE_AREA), &area);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&area), 2);
    Dialog* pages[] = {&callPage,    &callRecordsPage, &homePage,    &internetPage,     &accountPage,
                       &smsListPage, &smsSendPage,     &phoneBookPage, &phoneBookEditPage};
    for (Dialog* page : pages) {
        if (!page->Create(Hwnd())) continue;
        SetWindowPos(page->Hwnd(), nullptr, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(page->Hwnd(), SW_HIDE);
    }
}

void OrvaneDlg::CreateTrafficGraph() {
    if (!res::HasResource(Resources(), IDD_TRAFFIC_GRAPH, RT_DIALOG)) return;
    graph_.SetLimits(maxLineRate_, maxLineRate_);
    graph_.SetHistoryAction([this](HWND owner) { RunRecordsDialog(owner); });
    graphCreated_ = graph_.Create(Hwnd()) != nullptr;
}

void OrvaneDlg::ShowTrafficStats() {
    if (DlgTrafficGraph* graph = TrafficGraph())
        graph->Show();
    else
        RunRecordsDialog(Hwnd());
}

void OrvaneDlg::RunRecordsDialog(HWND owner) {
    if (!res::HasResource(Resources(), IDD_NET_RECORDS, RT_DIALOG)) return;
    DlgNetRecords records(Resources(), Account());
    records.DoModal(owner);
}

void OrvaneDlg::CreatePopupAndTray() {
    popupCreated_ = popup_.CreatePopup(Hwnd());
    if (popupCreated_) {
        popup_.LoadSkin(Resources(), IDB_POPUP_SKIN, 255, 0, 255);
        popup_.SetFonts(L"Arial", 90, 0, 0);
        popup_.SetColours(kPopupText, kPopupHover);
        SIZE skin = popup_.SkinSize();
        RECT text{10, 40, skin.cx - 10, skin.cy - 25};
        popup_.SetTextArea(text);
    }
    tray_.AddToTray(Hwnd(), WM_APP_TRAY, res::LoadStr(Resources(), IDS_APP_TITLE), icon_,
                    IDR_TRAY_MENU);
}

void OrvaneDlg::StartCard() {
    fault::RunGuarded(kSourceName, kCardStartLine, [&] {
        auto& table = modem::Table();
        comPort_ = table.mdmGetActiveComPort ? table.mdmGetActiveComPort() : 0;
        if (table.mdmInitWatch) table.mdmInitWatch(&CardEventCallback);
        if (!table.mdmNetSetCta || table.mdmNetSetCta(settings::TheSettings().NET_CTA) == -1)
            ctaSupported = false;
        if (networkMode_ == -1 && table.mdmGetServerMode) {
            networkMode_ = table.mdmGetServerMode();
            ShowNetworkMode();
        }
    });
    UpdateSignal(false);

    if (settings::TheSettings().INITDATA != 0) {
        // The phone book, call record and message readers come with their pages; each shows its
        // own text in the wait box while it reads.
        waitbox::SetWaitText(IDS_READING_PHONEBOOK);
        waitbox::SetWaitText(IDS_READING_CALL_RECORDS);
        waitbox::SetWaitText(IDS_READING_SMS);
        preloaded = true;
    }
    PostMessageW(Hwnd(), WM_APP_STATUS, 1, IDS_STATUS_BLANK);

    connection_.AutoDialAtStart(CtrlHeld());
}

void OrvaneDlg::StartTimers() {
    SetTimer(Hwnd(), TIMER_STATUS, kStatusPeriodMs, nullptr);
    SetTimer(Hwnd(), TIMER_SIGNAL, kSignalPeriodMs, nullptr);
    SetTimer(Hwnd(), TIMER_HOME_IDLE, kHomeIdlePeriodMs, nullptr);
    SetTimer(Hwnd(), TIMER_DORMANCY, maindlg::DormancyPeriodMs(settings::TheSettings().NET_CTA),
             nullptr);
}

bool OrvaneDlg::ShowPage(Dialog& page) {
    if (current_ == &page) return false;
    if (current_) ShowWindow(current_->Hwnd(), SW_HIDE);
    previous_ = current_;
    current_ = &page;
    ShowWindow(page.Hwnd(), SW_SHOW);
    return true;
}

void OrvaneDlg::ShowPreviousPage() {
    if (!previous_) return;
    if (current_) ShowWindow(current_->Hwnd(), SW_HIDE);
    current_ = previous_;
    previous_ = nullptr;
    ShowWindow(current_->Hwnd(), SW_SHOW);
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

bool OrvaneDlg::AnyBusy() {
    return IsNetConnected(false) || IsDialBusy(false) || IsCallBusy(false) || IsSmsSending(false) ||
           IsPortBusy(false);
}

void OrvaneDlg::PlaySoundResource(UINT soundId, bool loop) {
    PlaySoundW(MAKEINTRESOURCEW(soundId), Resources(),
               SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | (loop ? SND_LOOP : 0));
}

void OrvaneDlg::Notify(const std::wstring& text, UINT soundId, bool loop) {
    if (!popupCreated_) return;
    popup_.Popup(text, kPopupShowMs, kPopupStayMs, kPopupHideMs);
    if (soundId != 0) PlaySoundResource(soundId, loop);
}

void OrvaneDlg::NotifyWithSoundFile(const std::wstring& text, const std::wstring& path, bool loop) {
    if (!popupCreated_) return;
    popup_.Popup(text, kPopupShowMs, kPopupStayMs, kPopupHideMs);
    if (win::FileExists(path))
        PlaySoundW(path.c_str(), nullptr,
                   SND_FILENAME | SND_ASYNC | SND_NODEFAULT | (loop ? SND_LOOP : 0));
}

void OrvaneDlg::UpdateSignal(bool forceFull) {
    int quality = forceFull ? maindlg::kCsqFull : MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1});
    int bitmapId = maindlg::SignalBitmapFor(quality);
    auto picture = static_cast<HBITMAP>(LoadImageW(Resources(), MAKEINTRESOURCEW(bitmapId),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!picture) return;
    auto old = reinterpret_cast<HBITMAP>(SendDlgItemMessageW(
        Hwnd(), IDC_MAIN_SIGNAL, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    if (old && old != signalPicture_) DeleteObject(old);
    if (signalPicture_) DeleteObject(signalPicture_);
    signalPicture_ = picture;
    SetWindowLongPtrW(Item(IDC_MAIN_SIGNAL), GWLP_USERDATA, bitmapId);  // which picture, for tests
}

void OrvaneDlg::ShowNetworkMode() {
    std::string name = maindlg::NetworkModeName(networkMode_);
    if (name.empty()) {
        ShowItem(IDC_MAIN_NETWORK_TYPE, false);
        return;
    }
    RepaintBehind(IDC_MAIN_NETWORK_TYPE, *this);
    SetItemText(IDC_MAIN_NETWORK_TYPE, win::AnsiToWide(name));
    ShowItem(IDC_MAIN_NETWORK_TYPE, true);
}

// See-through texts leave their old letters behind unless the skinned background under them is
// drawn again first.
void OrvaneDlg::RepaintBehind(int controlId, Dialog& owner) {
    HWND control = owner.Item(controlId);
    if (!control) return;
    // The window that paints the background under the control: the page for page texts.
    HWND behind = GetParent(control);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, behind, reinterpret_cast<POINT*>(&rect), 2);
    RedrawWindow(behind, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void OrvaneDlg::SetInternetStateText(UINT stringId) {
    internetPage.SetItemText(IDC_INET_STATE, res::LoadStr(Resources(), stringId));
    // After the text: a see-through static draws its new letters over the old ones at once.
    RepaintBehind(IDC_INET_STATE, internetPage);
}

void OrvaneDlg::SetStatusText(UINT stringId, int type) {
    if (type != 3) KillTimer(Hwnd(), TIMER_STATUS);
    RepaintBehind(IDC_MAIN_STATUS, *this);
    SetItemText(IDC_MAIN_STATUS, res::LoadStr(Resources(), stringId));
    if (type != 2) SetTimer(Hwnd(), TIMER_STATUS, kStatusPeriodMs, nullptr);
}

void OrvaneDlg::SetStatusLiteral(const std::wstring& text) {
    KillTimer(Hwnd(), TIMER_STATUS);
    RepaintBehind(IDC_MAIN_STATUS, *this);
    SetItemText(IDC_MAIN_STATUS, text);
    SetTimer(Hwnd(), TIMER_STATUS, kStatusPeriodMs, nullptr);
}

void OrvaneDlg::OnTimer(UINT_PTR id) {
    switch (id) {
    case TIMER_STATUS:
        StatusTick();
        break;
    case TIMER_SIGNAL:
        SignalTick();
        break;
    case TIMER_HOME_IDLE:
        HomeIdleTick();
        break;
    case TIMER_TRAFFIC:
        connection_.OnTrafficTimer();
        break;
    case TIMER_DORMANCY:
        connection_.OnDormancyTick();
        break;
    default:
        break;
    }
}

void OrvaneDlg::StatusTick() {
    if (dialBusy) return;
    if (ItemText(IDC_MAIN_STATUS) != res::LoadStr(Resources(), IDS_STATUS_BLANK))
        SetStatusText(IDS_STATUS_BLANK, 1);

    if (monthAlarm_.Check(monthReceivedBefore, connectionReceived, settings::TheSettings().MONTHALARM))
        Notify(res::LoadStr(Resources(), IDS_MONTH_ALARM), IDW_MONTH_ALARM, false);
    // The no-traffic watch and the internet page's state text.
    connection_.OnSupervisionTick();
}

void OrvaneDlg::SignalTick() {
    if (AnyBusy()) return;
    UpdateSignal(false);
    if (networkMode_ == -1) {
        networkMode_ = MDM_CALL_GUARDED(mdmGetServerMode, int32_t{-1});
        ShowNetworkMode();
    }
}

void OrvaneDlg::HomeIdleTick() {
    if (AnyBusy()) return;
    if (app::TheApp().IdleFor(maindlg::kHomeIdleMs)) ShowPage(homePage);
}

void OrvaneDlg::StartPreload() {
    // The phone book, call records and message readers come with their pages; the worker runs
    // them one after the other off the window thread.
    thread::StartDetached([] {});
}

void OrvaneDlg::ShowDataPage(Dialog& page) {
    if (IsDialBusy(true)) return;
    if (!preloaded && !IsNetConnected(false)) {
        StartPreload();
        preloaded = true;
    }
    ShowPage(page);
}

bool OrvaneDlg::OnCommand(int id, int /*code*/) {
    switch (id) {
    case IDC_MAIN_BTN_CLOSE:
    case ID_TRAY_EXIT:
        ExitProgram();
        return true;
    case IDC_MAIN_BTN_MINIMIZE:
    case ID_TRAY_HIDE:
        ShowWindow(Hwnd(), SW_HIDE);
        return true;
    case ID_TRAY_SHOW:
        ShowWindow(Hwnd(), SW_RESTORE);
        return true;
    case ID_TRAY_ABOUT: {
        Dialog about(Resources(), IDD_ABOUT);
        about.DoModal(Hwnd());
        return true;
    }
    case IDC_MAIN_BTN_INTERNET:
        ShowPage(internetPage);
        return true;
    case IDC_MAIN_BTN_SETTINGS:
        if (!IsDialBusy(true)) ShowPage(accountPage);
        return true;
    case IDC_MAIN_BTN_SMS:
        ShowDataPage(smsListPage);
        return true;
    case IDC_MAIN_BTN_PHONEBOOK:
        ShowDataPage(phoneBookPage);
        return true;
    case IDC_MAIN_BTN_CALL:
        ShowDataPage(callPage);
        return true;
    case IDC_MAIN_BTN_STATS:
        ShowTrafficStats();
        return true;
    case IDOK:
    case IDCANCEL:
        return true;  // Enter and Esc never close the main window
    default:
        return false;
    }
}

bool OrvaneDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (msg) {
    case WM_APP_STATUS:
        if (wParam == 0) {
            SetInternetStateText(static_cast<UINT>(lParam));
        } else if (wParam == 4) {
            // The sender hands over a heap text (see PostStatusLiteral); this side frees it.
            std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(lParam));
            if (text) SetStatusLiteral(*text);
        } else {
            SetStatusText(static_cast<UINT>(lParam), static_cast<int>(wParam));
        }
        result = 0;
        return true;
    case WM_APP_TRAY:
        result = tray_.HandleTrayMessage(wParam, lParam);
        return true;
    case WM_HOTKEY:
        if (wParam == HOTKEY_RESTORE) ShowWindow(Hwnd(), SW_RESTORE);
        if (wParam == HOTKEY_EXIT) ExitProgram();
        result = 0;
        return true;
    case WM_DEVICECHANGE:
        OnDeviceChange(wParam, lParam);
        result = TRUE;
        return true;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(wParam);
        return false;  // then the default handling
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(icon_);
        return true;
    case WM_PAINT:
        if (!IsIconic(Hwnd())) break;
        {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(Hwnd(), &paint);
            SendMessageW(Hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
            RECT client;
            GetClientRect(Hwnd(), &client);
            DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                     (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon_);
            EndPaint(Hwnd(), &paint);
        }
        result = 0;
        return true;
    case WM_CLOSE:
        ExitProgram();
        result = 0;
        return true;
    default:
        break;
    }
    return CToolTipDialog::OnMessage(msg, wParam, lParam, result);
}

void OrvaneDlg::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEREMOVECOMPLETE || closing_) return;
    if (settings::TheSettings().STOP_DEV == -1 || !data) return;
    auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    bool match = false;
    if (win::VersionClass() == 1) {
        auto* port = reinterpret_cast<const DEV_BROADCAST_PORT_W*>(data);
        match = header->dbch_devicetype == DBT_DEVTYP_PORT &&
                _wcsicmp(port->dbcp_name, win::AnsiToWide(modem::Device().MODEM_NAME).c_str()) == 0;
    } else if (header->dbch_devicetype == DBT_DEVTYP_PORT &&
               header->dbch_size > offsetof(DEV_BROADCAST_PORT_W, dbcp_name)) {
        auto* port = reinterpret_cast<const DEV_BROADCAST_PORT_W*>(data);
        size_t chars = (header->dbch_size - offsetof(DEV_BROADCAST_PORT_W, dbcp_name)) / sizeof(wchar_t);
        std::wstring_view name(port->dbcp_name, wcsnlen(port->dbcp_name, chars));
        match = maindlg::PortNumberOfName(name) == comPort_;
    }
    if (!match) return;
    cardRemoved_ = true;
    ShowWindow(Hwnd(), SW_HIDE);
    app::TheApp().ReleaseInstanceMutex();
    ExitProgram();
}

void OrvaneDlg::OnPowerBroadcast(WPARAM event) {
    if (event == PBT_APMQUERYSUSPEND) {
        suspendPending_ = true;
        if (connected) {
            hungUpForSuspend_ = true;
            PostMessageW(internetPage.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_INET_CONNECT, BN_CLICKED), 0);
            ShowWindow(Hwnd(), SW_HIDE);
        }
    } else if (event == PBT_APMPOWERSTATUSCHANGE && suspendPending_ && hungUpForSuspend_) {
        suspendPending_ = hungUpForSuspend_ = false;
        std::wstring text = res::LoadStr(Resources(), IDS_INITIALIZING);
        if (text.find(L"...") == std::wstring::npos) text += L" ...";
        SetItemText(IDC_MAIN_STATUS, text);
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kResumeWaitMs &&
               MDM_CALL_GUARDED(mdmModemExist, int32_t{-1}) != 0)
            Sleep(kResumeProbeMs);
        SetItemText(IDC_MAIN_STATUS, L"");
        settings::TheSettings().AUTO_DIAL = 1;
        PostMessageW(internetPage.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_INET_CONNECT, BN_CLICKED), 0);
    }
}

void OrvaneDlg::ExitProgram() {
    if (closing_.exchange(true)) return;
    app::SetSharedMainWindow(nullptr);
    HWND hwnd = Hwnd();
    ShowWindow(hwnd, SW_HIDE);
    tray_.DeleteTrayIcon();
    UnregisterHotKey(hwnd, HOTKEY_RESTORE);
    UnregisterHotKey(hwnd, HOTKEY_EXIT);
    if (HANDLE help = app::TheApp().HelpProcess()) {
        TerminateProcess(help, 0);
        CloseHandle(help);
        app::TheApp().ForgetHelpProcess();
    }
    for (UINT timer : {TIMER_STATUS, TIMER_TRAFFIC, TIMER_SIGNAL, TIMER_HOME_IDLE, TIMER_DORMANCY})
        KillTimer(hwnd, timer);
    // No redial or link check may start a card operation while the exit hangs up.
    for (UINT timer : {TIMER_REDIAL, TIMER_LINK_CHECK}) KillTimer(internetPage.Hwnd(), timer);
    popup_.Destroy();
    popupCreated_ = false;

    connectedAtExit_ = connected.load();
    thread::StartDetached([this] { ExitWorker(); });
    waitbox::ShowWaitBox(Resources(), waitbox::kExitMode);

    settings::Settings& config = settings::TheSettings();
    if (config.STOP_DEV != 0 && !app::TheApp().restartRequested && win::VersionClass() != 1) {
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
