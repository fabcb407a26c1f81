// Main dialog: pages, status line, timers, signal, tray and popup, card start-up and removal,
// power, hot keys and the orderly exit.
#include "ui/OrvaneDlg.h"

#include <dbt.h>
#include <mmsystem.h>

#include <memory>
#include <vector>

#include "framework/Resources.h"
#include "framework/StartTrace.h"
#include "framework/SystemInfo.h"
#include "framework/Thread.h"
#include "framework/UiTaskQueue.h"
#include "framework/Win32Text.h"
#include "modem/ModemDevice.h"
#include "modem/ModemModule.h"
#include "net/DlgNetRecords.h"
#include "net/NetRecords.h"
#include "resources/resource.h"
#include "skin/BitmapButton.h"
#include "skin/WaitBox.h"
#include "ui/MainDialogCore.h"

namespace ui {
namespace {

// The main dialog while its window exists; set and read on the window thread only.
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
constexpr DWORD kDeviceRestartMs = 1000;   // between disabling and enabling the modem device
constexpr DWORD kExitEndDelayMs = 100;
constexpr DWORD kExitBoxWaitMs = 5000;     // the exit box comes up at once; never wait forever
constexpr DWORD kPreloadJoinMs = 30000;    // a reader stuck in the module must not block the exit
constexpr size_t kEventTextMax = 64;       // longer than any number a card reports
constexpr INT_PTR kExitResult = 2;
constexpr DWORD kResumeWaitMs = 80000;
constexpr DWORD kResumeProbeMs = 3000;
constexpr UINT kCtrlF11 = VK_F11;
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

// The event's text argument (a caller's or sender's number), copied before the callback returns:
// the module's buffer is gone afterwards. Read inside the fault guard and never past kEventTextMax.
std::string CopyEventText(intptr_t pointer) {
    std::string copy;
    const char* text = reinterpret_cast<const char*>(pointer);
    if (!text) return copy;
    fault::RunGuarded(__FILE__, __LINE__, [&] {
        size_t n = 0;
        while (n < kEventTextMax && text[n] != '\0') ++n;
        copy.assign(text, n);
    });
    return copy;
}

// The key as it is right now: the window thread has not seen any keyboard message yet at start.
bool CtrlHeld() {
    return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0 || (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

}  // namespace

OrvaneDlg::OrvaneDlg(HINSTANCE resources, settings::SettingsStore& settings, host::AppHost& app)
    : CToolTipDialog(resources, IDD_MAIN),
      homePage(resources),
      internetPage(resources, *this),
      callPage(resources, *this),
      callRecordsPage(resources, *this),
      accountPage(resources, *this),
      smsListPage(resources, *this),
      smsSendPage(resources, *this),
      phoneBookEditPage(resources, *this),
      phoneBookPage(resources, *this, phoneBookEditPage),
      settings_(settings),
      app_(app),
      netRecords_(resources, monthReceivedBefore),
      graph_(resources),
      connectionWin_(*this, internetPage, graph_),
      connection_(net::ConnectionCore::Outside{connectionWin_, connectionWin_, connectionWin_,
                                               connectionWin_, connectionWin_, connectionWin_},
                  net::BusyFlags{flags_.connected, flags_.dialBusy, flags_.callBusy,
                                 flags_.smsSending, flags_.portBusy, sleeping, ctaSupported},
                  net::TrafficCounters{connectionReceived, connectionSent, monthReceivedBefore},
                  netRecords_.Account(), settings_, modem::Device()),
      tray_(resources),
      toolbar_(win::ExeDirectory()) {
    toolbar_.Load();
    icon_ = static_cast<HICON>(LoadImageW(resources, MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON, 0, 0,
                                          LR_DEFAULTSIZE | LR_SHARED));
    internetPage.SetConnection(&connection_, &connectionWin_);
    internetPage.SetRecordsAction([this] { ShowTrafficStats(); });
}

OrvaneDlg::~OrvaneDlg() {
    if (signalPicture_) DeleteObject(signalPicture_);
    for (HANDLE thread : {preloadThread_, resumeThread_}) {
        if (!thread) continue;
        WaitForSingleObject(thread, kPreloadJoinMs);
        CloseHandle(thread);
    }
}

BOOL OrvaneDlg::OnInitDialog() {
    trace::Mark("main dialog init");
    HWND hwnd = Hwnd();
    // Work from other threads reaches this window from now on.
    g_mainDialog = this;
    UiTasks().Attach(hwnd);
    const auto config = settings_.Snapshot();
    SetTextColours(config->textColor[0], config->textColor[1]);
    SetHighlightedTexts({IDC_MAIN_STATUS, IDC_MAIN_NETWORK_TYPE});
    CToolTipDialog::OnInitDialog();
    SetWindowLongPtrW(hwnd, GWL_STYLE, GetWindowLongPtrW(hwnd, GWL_STYLE) | WS_SYSMENU);
    SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    SetWindowTextW(hwnd, res::LoadStr(Resources(), IDS_APP_TITLE).c_str());

    SetBackgroundBitmap(IDB_MAIN_BACKGROUND);
    SetTransparentColor(kSkinTransparent);
    SetShapeFromBitmap(true);
    // Toolbar buttons without an action in ToolBar.ini stay hidden, and their pictures are never
    // loaded.
    std::vector<ButtonRow> skinned;
    for (const ButtonRow& row : kMainButtons) {
        const int slot = row.id - IDC_MAIN_TOOLBAR1;
        const bool idleSlot = slot >= 0 && slot < toolbar::kButtons && !toolbar_.HasAction(slot);
        if (idleSlot)
            ShowItem(row.id, false);
        else
            skinned.push_back(row);
    }
    CreateButtons(skinned.data(), skinned.size());
    if (res::LoadStrInt(Resources(), IDS_HOVER_TRACKING) == 1) {
        for (const ButtonRow& row : kMainButtons)
            if (BitmapButton* button = BitmapButton::FromWindow(Item(row.id)))
                button->SetHoverTracking(true);
    }
    SetTooltipsActive(true);
    trace::Mark("main buttons made");

    // The home page shows first and the internet page follows the dial from the start; the other
    // pages, the popup and the tray icon come once the window is on the screen
    // (CreateDeferredWindows).
    CreatePages({&homePage, &internetPage});
    const auto& device = modem::Device();
    maxLineRate_ = maindlg::MaxLineRateKBps(device.CONNECT_BPS, device.COM_BAUD);
    trace::Mark("first pages made");
    CreateTrafficGraph();
    trace::Mark("graph made");
    // Known from the start, so that the month alarm counts what earlier runs received.
    Account().EnsureMonthTotal(net::LocalNow().local);
    // Built while the card's SIM settled; the rest of the card wait comes before the card starts.
    if (!app_.CardReady()) {
        End(IDABORT);
        return TRUE;
    }
    app_.PublishMainWindow(hwnd);
    StartCard();
    trace::Mark("card started");
    StartTimers();
    if (settings_.Snapshot()->AUTO_DIAL == 0) ShowPage(homePage);

    SetForegroundWindow(hwnd);
    // The box closes on its own thread while this window shows; its end is awaited afterwards.
    waitbox::EndWaitBox();
    UiTasks().Post([] { waitbox::CloseWaitBox(); });
    RegisterHotKey(hwnd, HOTKEY_RESTORE, 0, VK_F11);
    RegisterHotKey(hwnd, HOTKEY_EXIT, MOD_CONTROL, kCtrlF11);
    if (tray_.Hidden()) tray_.ShowTrayIcon();
    trace::Mark("main dialog init done");
    return TRUE;
}

void OrvaneDlg::CreatePages(std::initializer_list<CToolTipDialog*> pages) {
    RECT area{};
    GetWindowRect(Item(IDC_MAIN_PAGE_AREA), &area);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&area), 2);
    const auto config = settings_.Snapshot();
    for (CToolTipDialog* page : pages) {
        page->SetTextColours(config->textColor[0], config->textColor[1]);
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
    graph_.Create(Hwnd());
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

void OrvaneDlg::CreateDeferredWindows() {
    if (deferredCreated_ || !Hwnd() || closing_) return;
    deferredCreated_ = true;
    trace::Mark("deferred windows");
    CreatePages({&callPage, &callRecordsPage, &accountPage, &smsListPage, &smsSendPage,
                 &phoneBookPage, &phoneBookEditPage});
    CreatePopup();
    CreateTray();
    trace::Mark("deferred windows made");
}

void OrvaneDlg::CreatePopup() {
    popupCreated_ = popup_.CreatePopup(Hwnd());
    if (popupCreated_) {
        popup_.LoadSkin(Resources(), IDB_POPUP_SKIN, 255, 0, 255);
        popup_.SetFonts(L"Arial", 90, 0, 0);
        popup_.SetColours(kPopupText, kPopupHover);
        SIZE skin = popup_.SkinSize();
        RECT text{10, 40, skin.cx - 10, skin.cy - 25};
        popup_.SetTextArea(text);
    }
}

void OrvaneDlg::CreateTray() {
    tray_.AddToTray(Hwnd(), WM_APP_TRAY, res::LoadStr(Resources(), IDS_APP_TITLE), icon_,
                    IDR_TRAY_MENU);
}

void OrvaneDlg::StartCard() {
    // Each call is guarded on its own, all logged at the card start's line: a fault in one does
    // not skip the others, so a module that faults on the port query still reports its events.
    using modem::ModemTable;
    comPort_ =
        modem::Call(kSourceName, kCardStartLine, &ModemTable::mdmGetActiveComPort, int32_t{0});
    modem::Call(kSourceName, kCardStartLine, &ModemTable::mdmInitWatch, int32_t{-1},
                &CardEventCallback);
    if (modem::Call(kSourceName, kCardStartLine, &ModemTable::mdmNetSetCta, int32_t{-1},
                    settings_.Snapshot()->NET_CTA) == -1)
        ctaSupported = false;
    if (networkMode_ == -1) {
        networkMode_ =
            modem::Call(kSourceName, kCardStartLine, &ModemTable::mdmGetServerMode, int32_t{-1});
        ShowNetworkMode();
    }
    UpdateSignal(false);

    if (settings_.Snapshot()->INITDATA != 0) {
        // Each reader takes the card in turn; their lists fill in once the window runs.
        CreateDeferredWindows();
        waitbox::SetWaitText(IDS_READING_PHONEBOOK);
        phoneBookPage.ReadCard();
        waitbox::SetWaitText(IDS_READING_CALL_RECORDS);
        callRecordsPage.ReadCard();
        waitbox::SetWaitText(IDS_READING_SMS);
        smsListPage.ReadCard();
        preloaded = true;
    }
    PostStatus(host::StatusKind::Message, IDS_STATUS_BLANK);

    connection_.AutoDialAtStart(CtrlHeld());
}

void OrvaneDlg::StartTimers() {
    SetTimer(Hwnd(), TIMER_STATUS, kStatusPeriodMs, nullptr);
    SetTimer(Hwnd(), TIMER_SIGNAL, kSignalPeriodMs, nullptr);
    homeIdleRunning_ = SetTimer(Hwnd(), TIMER_HOME_IDLE, kHomeIdlePeriodMs, nullptr) != 0;
    SetTimer(Hwnd(), TIMER_DORMANCY, maindlg::DormancyPeriodMs(settings_.Snapshot()->NET_CTA),
             nullptr);
}

bool OrvaneDlg::ShowPage(Dialog& page) {
    if (current_ == &page) return false;
    if (!page.Hwnd()) CreateDeferredWindows();
    if (current_) ShowWindow(current_->Hwnd(), SW_HIDE);
    previous_ = current_;
    current_ = &page;
    ShowWindow(page.Hwnd(), SW_SHOW);
    return true;
}

Dialog& OrvaneDlg::PageOf(host::PageId page) {
    return const_cast<Dialog&>(static_cast<const OrvaneDlg*>(this)->PageOf(page));
}

const Dialog& OrvaneDlg::PageOf(host::PageId page) const {
    switch (page) {
    case host::PageId::Internet: return internetPage;
    case host::PageId::Call: return callPage;
    case host::PageId::CallRecords: return callRecordsPage;
    case host::PageId::Account: return accountPage;
    case host::PageId::SmsList: return smsListPage;
    case host::PageId::SmsSend: return smsSendPage;
    case host::PageId::PhoneBook: return phoneBookPage;
    case host::PageId::PhoneBookEdit: return phoneBookEditPage;
    case host::PageId::Home: break;
    }
    return homePage;
}

bool OrvaneDlg::ShowPage(host::PageId page) { return ShowPage(PageOf(page)); }

bool OrvaneDlg::IsCurrentPage(host::PageId page) const { return current_ == &PageOf(page); }

void OrvaneDlg::ShowPreviousPage() {
    if (!previous_) return;
    if (current_) ShowWindow(current_->Hwnd(), SW_HIDE);
    current_ = previous_;
    previous_ = nullptr;
    ShowWindow(current_->Hwnd(), SW_SHOW);
}

bool OrvaneDlg::BusyCheck(bool condition, bool report, UINT stringId) {
    if (condition && report) PostStatus(host::StatusKind::Message, stringId);
    return condition;
}

bool OrvaneDlg::IsNetConnected(bool report) { return BusyCheck(flags_.connected, report, IDS_BUSY_NET_CONNECTED); }
bool OrvaneDlg::IsDialBusy(bool report) { return BusyCheck(flags_.dialBusy, report, IDS_BUSY_DIALING); }
bool OrvaneDlg::IsCallBusy(bool report) { return BusyCheck(flags_.callBusy, report, IDS_BUSY_CALL); }
bool OrvaneDlg::IsSmsSending(bool report) { return BusyCheck(flags_.smsSending, report, IDS_BUSY_SMS_SENDING); }
bool OrvaneDlg::IsPortBusy(bool report) { return BusyCheck(flags_.portBusy, report, IDS_BUSY_PORT); }

void OrvaneDlg::PostStatus(host::StatusKind kind, UINT stringId) {
    if (HWND hwnd = Hwnd()) PostMessageW(hwnd, WM_APP_STATUS, static_cast<WPARAM>(kind), stringId);
}

void OrvaneDlg::PostStatusText(const std::wstring& text) {
    RunOnUiThread([this, text] { SetStatusLiteral(text); });
}

void OrvaneDlg::WriteStatusLine(UINT stringId) {
    RepaintBehind(Item(IDC_MAIN_STATUS));
    SetItemText(IDC_MAIN_STATUS, res::LoadStr(Resources(), stringId));
}

bool OrvaneDlg::RunOnUiThread(std::function<void()> task) { return UiTasks().Post(std::move(task)); }

void OrvaneDlg::PressDialButton() {
    if (HWND page = internetPage.Hwnd())
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_INET_CONNECT, BN_CLICKED), 0);
}

void OrvaneDlg::RestoreWindow() { ShowWindow(Hwnd(), SW_RESTORE); }

void OrvaneDlg::OpenCompose(const std::string& number, const std::string& text, bool replyMode) {
    CreateDeferredWindows();
    smsSendPage.Prepare(number, text, replyMode);
    ShowPage(smsSendPage);
}

void OrvaneDlg::PlaceCall(const std::string& number) {
    CreateDeferredWindows();
    ShowPage(callPage);
    callPage.CallNumber(number);
}

void OrvaneDlg::Exit() { ExitProgram(); }

// Card events arrive on the module's thread. The callback copies what it needs and queues the
// work for the window thread; it never waits for a window, so a module that holds a lock while
// it calls back cannot deadlock against the window thread calling into it.
void MDM_CALL OrvaneDlg::CardEventCallback(int32_t event, intptr_t a1, intptr_t, intptr_t, intptr_t) {
    std::string number;
    if (event == modem::kEventRing || event == modem::kEventNewSms) number = CopyEventText(a1);
    UiTasks().Post([event, number] {
        if (g_mainDialog && !g_mainDialog->Closing()) g_mainDialog->OnCardEvent(event, number);
    });
}

void OrvaneDlg::OnCardEvent(int32_t event, const std::string& number) {
    CreateDeferredWindows();  // an event right at start finds its page made
    switch (event) {
    case modem::kEventNewSms:
        // The message needs the card: a data connection is hung up first.
        app_.TouchActivity();
        if (flags_.connected) PressDialButton();
        smsListPage.OnNewSms(number);
        break;
    case modem::kEventRing:
        app_.TouchActivity();
        callPage.OnVoiceEvent(event, number);
        break;
    case modem::kEventCallConnected:
    case modem::kEventRemoteHangup:
    case modem::kEventCallLost:
        callPage.OnVoiceEvent(event, number);
        break;
    default:
        break;
    }
}

bool OrvaneDlg::AnyBusy() {
    return IsNetConnected(false) || IsDialBusy(false) || IsCallBusy(false) || IsSmsSending(false) ||
           IsPortBusy(false);
}

void OrvaneDlg::PlaySoundResource(UINT soundId, bool loop) {
    PlaySoundW(MAKEINTRESOURCEW(soundId), Resources(),
               SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | (loop ? SND_LOOP : 0));
}

void OrvaneDlg::Notify(const std::wstring& text, UINT soundId, bool loop) {
    CreateDeferredWindows();
    if (!popupCreated_) return;
    popup_.Popup(text, kPopupShowMs, kPopupStayMs, kPopupHideMs);
    if (soundId != 0) PlaySoundResource(soundId, loop);
}

void OrvaneDlg::NotifyWithSoundFile(const std::wstring& text, const std::wstring& path, bool loop) {
    CreateDeferredWindows();
    if (!popupCreated_) return;
    popup_.Popup(text, kPopupShowMs, kPopupStayMs, kPopupHideMs);
    if (win::FileExists(path))
        PlaySoundW(path.c_str(), nullptr,
                   SND_FILENAME | SND_ASYNC | SND_NODEFAULT | (loop ? SND_LOOP : 0));
}

void OrvaneDlg::UpdateSignal(bool forceFull) {
    int quality = forceFull ? maindlg::kCsqFull : MDM_CALL_GUARDED(mdmGetCsq, int32_t{-1});
    int bitmapId = maindlg::SignalBitmapFor(quality);
    // The same level as shown: nothing to load or repaint (this runs every 10 s, also hidden).
    if (signalPicture_ && bitmapId == signalBitmapId_) return;
    auto picture = static_cast<HBITMAP>(LoadImageW(Resources(), MAKEINTRESOURCEW(bitmapId),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!picture) return;
    auto old = reinterpret_cast<HBITMAP>(SendDlgItemMessageW(
        Hwnd(), IDC_MAIN_SIGNAL, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    if (old && old != signalPicture_) DeleteObject(old);
    if (signalPicture_) DeleteObject(signalPicture_);
    signalPicture_ = picture;
    signalBitmapId_ = bitmapId;
    SetWindowLongPtrW(Item(IDC_MAIN_SIGNAL), GWLP_USERDATA, bitmapId);  // which picture, for tests
}

void OrvaneDlg::ShowNetworkMode() {
    std::string name = maindlg::NetworkModeName(networkMode_);
    if (name.empty()) {
        ShowItem(IDC_MAIN_NETWORK_TYPE, false);
        return;
    }
    SetSeeThroughText(IDC_MAIN_NETWORK_TYPE, win::AnsiToWide(name));
    ShowItem(IDC_MAIN_NETWORK_TYPE, true);
}

void OrvaneDlg::SetInternetStateText(UINT stringId) {
    internetPage.SetSeeThroughText(IDC_INET_STATE, res::LoadStr(Resources(), stringId));
}

void OrvaneDlg::SetStatusText(UINT stringId, host::StatusKind kind) {
    if (kind != host::StatusKind::Result) KillTimer(Hwnd(), TIMER_STATUS);
    SetSeeThroughText(IDC_MAIN_STATUS, res::LoadStr(Resources(), stringId));
    if (kind != host::StatusKind::Sticky) SetTimer(Hwnd(), TIMER_STATUS, kStatusPeriodMs, nullptr);
}

void OrvaneDlg::SetStatusLiteral(const std::wstring& text) {
    KillTimer(Hwnd(), TIMER_STATUS);
    SetSeeThroughText(IDC_MAIN_STATUS, text);
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
    if (flags_.dialBusy) return;
    // The waiting-for-the-card text after a resume stays until the card is back.
    if (!resuming_ && ItemText(IDC_MAIN_STATUS) != res::LoadStr(Resources(), IDS_STATUS_BLANK))
        SetStatusText(IDS_STATUS_BLANK, host::StatusKind::Message);

    if (monthAlarm_.Check(monthReceivedBefore, connectionReceived, settings_.Snapshot()->MONTHALARM))
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
    if (app_.IdleFor(maindlg::kHomeIdleMs)) ShowPage(homePage);
}

void OrvaneDlg::StartPreload() {
    // The three readers one after the other, off the window thread; each hands its records to
    // the window thread itself. The exit waits for the worker before the pages go.
    if (preloadThread_) return;
    CreateDeferredWindows();  // the readers hand their records to their pages
    preloadThread_ = thread::Start([this] {
        phoneBookPage.ReadCard();
        callRecordsPage.ReadCard();
        smsListPage.ReadCard();
    });
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
    case IDC_MAIN_TOOLBAR1:
    case IDC_MAIN_TOOLBAR2:
    case IDC_MAIN_TOOLBAR3:
    case IDC_MAIN_TOOLBAR4:
    case IDC_MAIN_TOOLBAR5:
    case IDC_MAIN_TOOLBAR6:
    case IDC_MAIN_TOOLBAR7:
    case IDC_MAIN_TOOLBAR8:
        toolbar_.Run(id - IDC_MAIN_TOOLBAR1);
        return true;
    case IDOK:
    case IDCANCEL:
        return true;  // Enter and Esc never close the main window
    default:
        return false;
    }
}

bool OrvaneDlg::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (UiTasks().HandleMessage(msg)) {
        result = 0;
        return true;
    }
    switch (msg) {
    case WM_APP_STATUS:
        // Only string ids travel in this message: a text of its own comes through the task
        // queue (PostStatusText), so any other kind, whoever posted it, is dropped.
        if (wParam == static_cast<WPARAM>(host::StatusKind::InternetState)) {
            SetInternetStateText(static_cast<UINT>(lParam));
        } else if (wParam >= static_cast<WPARAM>(host::StatusKind::Message) &&
                   wParam <= static_cast<WPARAM>(host::StatusKind::Result)) {
            SetStatusText(static_cast<UINT>(lParam), static_cast<host::StatusKind>(wParam));
        } else {
            modem::WriteLog("Status message of an unknown kind ignored\n");
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
    case WM_SHOWWINDOW:
        // Shown for the first time: the window paints what it shows, then the pages nobody sees
        // yet are made, in a task that runs before anything else asked of the window from now on.
        if (wParam) trace::Mark("main window shown");
        // Hidden (in the tray), nobody sees which page shows: the home-page check rests and
        // catches up as the window comes back.
        if (homeIdleRunning_ && !wParam) {
            KillTimer(Hwnd(), TIMER_HOME_IDLE);
        } else if (homeIdleRunning_ && wParam) {
            HomeIdleTick();
            SetTimer(Hwnd(), TIMER_HOME_IDLE, kHomeIdlePeriodMs, nullptr);
        }
        if (wParam && !deferredCreated_ && !deferredQueued_) {
            deferredQueued_ = true;
            UiTasks().Post([this] {
                RedrawWindow(Hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
                CreateDeferredWindows();
            });
        }
        break;
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

void OrvaneDlg::OnDestroy() {
    UiTasks().Detach();
    if (g_mainDialog == this) g_mainDialog = nullptr;
    CToolTipDialog::OnDestroy();
}

void OrvaneDlg::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEREMOVECOMPLETE || closing_) return;
    if (settings_.Snapshot()->STOP_DEV == -1 || !data) return;
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
    app_.ReleaseInstanceMutex();
    ExitProgram();
}

void OrvaneDlg::OnPowerBroadcast(WPARAM event) {
    if (event == PBT_APMQUERYSUSPEND) {
        suspendPending_ = true;
        if (flags_.connected) {
            hungUpForSuspend_ = true;
            PostMessageW(internetPage.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_INET_CONNECT, BN_CLICKED), 0);
            ShowWindow(Hwnd(), SW_HIDE);
        }
    } else if (event == PBT_APMPOWERSTATUSCHANGE && suspendPending_ && hungUpForSuspend_) {
        suspendPending_ = hungUpForSuspend_ = false;
        ResumeAfterSleep();
    }
}

// After a resume the card needs a while to come back. The wait for it runs on a worker, so the
// window keeps painting and answering; the dial follows on the window thread.
void OrvaneDlg::ResumeAfterSleep() {
    std::wstring text = res::LoadStr(Resources(), IDS_INITIALIZING);
    if (text.find(L"...") == std::wstring::npos) text += L" ...";
    SetSeeThroughText(IDC_MAIN_STATUS, text);
    resuming_ = true;
    if (resumeThread_) {
        if (WaitForSingleObject(resumeThread_, 0) != WAIT_OBJECT_0) return;  // already waiting
        CloseHandle(resumeThread_);
    }
    resumeThread_ = thread::Start([this] {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < kResumeWaitMs && !closing_ &&
               MDM_CALL_GUARDED(mdmModemExist, int32_t{-1}) != 0)
            Sleep(kResumeProbeMs);
        RunOnUiThread([this] {
            resuming_ = false;
            if (closing_) return;
            SetSeeThroughText(IDC_MAIN_STATUS, L"");
            settings_.Change([](settings::Settings& s) { s.AUTO_DIAL = 1; });
            PostMessageW(internetPage.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_INET_CONNECT, BN_CLICKED), 0);
        });
    });
}

void OrvaneDlg::ExitProgram() {
    if (closing_.exchange(true)) return;
    app_.PublishMainWindow(nullptr);
    HWND hwnd = Hwnd();
    ShowWindow(hwnd, SW_HIDE);
    tray_.DeleteTrayIcon();
    UnregisterHotKey(hwnd, HOTKEY_RESTORE);
    UnregisterHotKey(hwnd, HOTKEY_EXIT);
    app_.CloseHelp();
    for (UINT timer : {TIMER_STATUS, TIMER_TRAFFIC, TIMER_SIGNAL, TIMER_HOME_IDLE, TIMER_DORMANCY})
        KillTimer(hwnd, timer);
    homeIdleRunning_ = false;
    // No redial or link check may start a card operation while the exit hangs up.
    for (UINT timer : {TIMER_REDIAL, TIMER_LINK_CHECK}) KillTimer(internetPage.Hwnd(), timer);
    popup_.Destroy();
    popupCreated_ = false;

    connectedAtExit_ = flags_.connected.load();
    // The worker closes the box when its work is done; the box returns, then the worker is joined,
    // so nothing of the exit outlives the dialog.
    HANDLE worker = thread::Start([this] { ExitWorker(); });
    waitbox::ShowWaitBox(Resources(), waitbox::kExitMode);
    if (worker) {
        WaitForSingleObject(worker, INFINITE);
        CloseHandle(worker);
    }

    if (settings_.Snapshot()->STOP_DEV != 0 && !app_.RestartRequested() && win::VersionClass() != 1) {
        // From now on device-change messages are ignored.
        settings_.Change([](settings::Settings& s) { s.STOP_DEV = -1; });
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
    if (flags_.dialBusy) {
        MDM_CALL_GUARDED(mdmNetHangup, int32_t{-1}, entry);
        WaitWhile(flags_.dialBusy, kExitFlagWaitMs);
    }
    if (flags_.connected) {
        // The last bytes first: the record the hang-up writes must hold them all.
        uint32_t received = connectionReceived, sent = connectionSent;
        if (MDM_CALL_GUARDED(mdmNetTransmitStatus, int32_t{-1}, entry, &received, &sent) == 0) {
            connectionReceived = received;
            connectionSent = sent;
        }
        MDM_CALL_GUARDED(mdmNetHangup, int32_t{-1}, entry);
        WaitWhile(flags_.connected, kExitFlagWaitMs);
    }
    if (flags_.callBusy) {
        fault::RunGuarded(kSourceName, kCallShutdownLine, [&] {
            if (table.mdmVoiceShutdown) table.mdmVoiceShutdown();
        });
    }
    app_.ReleaseInstanceMutex();
    // A card pulled out during a connection can leave XP's modem device stuck: restart it.
    if (cardRemoved_ && connectedAtExit_ && win::VersionClass() == 3) {
        modem::DisableModemDevice();
        Sleep(kDeviceRestartMs);
        modem::EnableModemDevice();
    }
    if (preloadThread_) WaitForSingleObject(preloadThread_, kPreloadJoinMs);
    Sleep(kExitSettleMs);
    // The box is shown right after this worker starts: close it only once it is there.
    DWORD start = GetTickCount();
    while (!waitbox::CurrentWaitBoxWindow() && GetTickCount() - start < kExitBoxWaitMs) Sleep(kExitPollMs);
    waitbox::CloseWaitBox();
}

}  // namespace ui
