// The main dialog in process: pages, busy checks and the status line, preloading, popups, and no
// handle leaks from page switches and popups.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <thread>

#include "framework/Resources.h"
#include "modem/ModemModule.h"
#include "resources/resource.h"
#include "Driver.h"
#include "tests/win/WinTestSupport.h"
#include "settings/SettingsCore.h"
#include "ui/MainDialogCore.h"
#include "ui/OrvaneDlg.h"

namespace {

class MainDialogTest : public wintest::SkinnedTest {
protected:
    void SetUp() override {
        ASSERT_NE(skin, nullptr);
        dialog = std::make_unique<ui::OrvaneDlg>(skin, settings, app);
        ASSERT_NE(dialog->Create(nullptr), nullptr);
        ShowWindow(dialog->Hwnd(), SW_SHOW);
        wintest::Pump(100);
    }
    void TearDown() override {
        if (dialog && dialog->Hwnd()) DestroyWindow(dialog->Hwnd());
        dialog.reset();
        wintest::Pump(0);
    }

    std::wstring Status() { return dialog->ItemText(IDC_MAIN_STATUS); }
    std::wstring String(UINT id) { return res::LoadStr(skin, id); }
    void Click(int id) {
        SendMessageW(dialog->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        wintest::Pump(50);
    }

    settings::SettingsStore settings;
    wintest::FakeAppHost app;
    std::unique_ptr<ui::OrvaneDlg> dialog;
};

TEST_F(MainDialogTest, StartsOnTheHomePageWithTheMainWindowsLook) {
    EXPECT_EQ(dialog->CurrentPage(), &dialog->homePage);
    EXPECT_TRUE(IsWindowVisible(dialog->homePage.Hwnd()));
    EXPECT_EQ(GetWindowLongPtrW(dialog->Item(IDC_MAIN_SIGNAL), GWLP_USERDATA), IDB_SIGNAL_UNKNOWN)
        << "no card module: the signal is not known";
    for (int i = 0; i < 8; ++i) EXPECT_FALSE(IsWindowVisible(dialog->Item(IDC_MAIN_TOOLBAR1 + i)));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_NE(GetWindowRgn(dialog->Hwnd(), region), ERROR) << "the window is shaped by its skin";
    EXPECT_FALSE(PtInRegion(region, 0, 0)) << "the rounded corner is cut away";
    DeleteObject(region);
}

TEST_F(MainDialogTest, ShowPageAndPreviousPage) {
    EXPECT_FALSE(dialog->ShowPage(dialog->homePage)) << "already current";
    EXPECT_TRUE(dialog->ShowPage(dialog->internetPage));
    EXPECT_FALSE(IsWindowVisible(dialog->homePage.Hwnd()));
    EXPECT_TRUE(dialog->ShowPage(dialog->callPage));
    dialog->ShowPreviousPage();
    EXPECT_EQ(dialog->CurrentPage(), &dialog->internetPage);
    EXPECT_TRUE(IsWindowVisible(dialog->internetPage.Hwnd()));
    EXPECT_FALSE(IsWindowVisible(dialog->callPage.Hwnd()));
    dialog->ShowPreviousPage();  // remembered only once
    EXPECT_EQ(dialog->CurrentPage(), &dialog->internetPage);
}

TEST_F(MainDialogTest, PageButtonsRefuseWhileDiallingAndTheStatusClearsAfterFiveSeconds) {
    dialog->Flags().dialBusy = true;
    for (int button : {IDC_MAIN_BTN_SETTINGS, IDC_MAIN_BTN_SMS, IDC_MAIN_BTN_PHONEBOOK, IDC_MAIN_BTN_CALL}) {
        Click(button);
        EXPECT_EQ(dialog->CurrentPage(), &dialog->homePage) << button;
        EXPECT_EQ(Status(), String(IDS_BUSY_DIALING));
        EXPECT_EQ(Status(), L"正在拨号或挂断,请稍候再试...");
    }
    Click(IDC_MAIN_BTN_INTERNET);
    EXPECT_EQ(dialog->CurrentPage(), &dialog->internetPage) << "the internet page always opens";

    // While dialling the status tick leaves the line alone; afterwards it clears within 5 s.
    wintest::Pump(5600);
    EXPECT_EQ(Status(), String(IDS_BUSY_DIALING));
    dialog->Flags().dialBusy = false;
    Click(IDC_MAIN_BTN_SETTINGS);
    EXPECT_EQ(dialog->CurrentPage(), &dialog->accountPage);
    DWORD start = GetTickCount();
    while (Status() != L" " && GetTickCount() - start < 7000) wintest::Pump(100);
    EXPECT_EQ(Status(), L" ");
    EXPECT_LE(GetTickCount() - start, 6000u);
}

// The home-page check rests while the window is in the tray and runs as it comes back.
TEST_F(MainDialogTest, AWindowBackFromTheTrayAfterTheUserWasAwayShowsTheHomePage) {
    ASSERT_TRUE(dialog->ShowPage(dialog->internetPage));
    ShowWindow(dialog->Hwnd(), SW_HIDE);
    app.lastActivity = GetTickCount() - 2 * maindlg::kHomeIdleMs;
    ShowWindow(dialog->Hwnd(), SW_SHOW);
    EXPECT_EQ(dialog->CurrentPage(), &dialog->homePage);
}

TEST_F(MainDialogTest, EachBusyCheckReportsItsOwnText) {
    struct Check {
        std::atomic<bool>& flag;
        bool (ui::OrvaneDlg::*check)(bool);
        UINT text;
    } checks[] = {
        {dialog->Flags().connected, &ui::OrvaneDlg::IsNetConnected, IDS_BUSY_NET_CONNECTED},
        {dialog->Flags().dialBusy, &ui::OrvaneDlg::IsDialBusy, IDS_BUSY_DIALING},
        {dialog->Flags().callBusy, &ui::OrvaneDlg::IsCallBusy, IDS_BUSY_CALL},
        {dialog->Flags().smsSending, &ui::OrvaneDlg::IsSmsSending, IDS_BUSY_SMS_SENDING},
        {dialog->Flags().portBusy, &ui::OrvaneDlg::IsPortBusy, IDS_BUSY_PORT},
    };
    for (Check& c : checks) {
        EXPECT_FALSE((dialog.get()->*c.check)(true));
        c.flag = true;
        EXPECT_TRUE((dialog.get()->*c.check)(false));
        wintest::Pump(20);
        EXPECT_NE(Status(), String(c.text)) << "no report asked";
        EXPECT_TRUE((dialog.get()->*c.check)(true));
        wintest::Pump(20);
        EXPECT_EQ(Status(), String(c.text));
        c.flag = false;
    }
}

TEST_F(MainDialogTest, PreloadStartsOnlyWhenNotConnected) {
    dialog->Flags().connected = true;
    Click(IDC_MAIN_BTN_SMS);
    EXPECT_EQ(dialog->CurrentPage(), &dialog->smsListPage);
    EXPECT_FALSE(dialog->preloaded) << "no card reading while a connection is up";
    dialog->Flags().connected = false;
    Click(IDC_MAIN_BTN_PHONEBOOK);
    EXPECT_EQ(dialog->CurrentPage(), &dialog->phoneBookPage);
    EXPECT_TRUE(dialog->preloaded);
}

TEST_F(MainDialogTest, StatusMessageKinds) {
    PostMessageW(dialog->Hwnd(), WM_APP_STATUS, 2, IDS_BUSY_PORT);
    wintest::Pump(20);
    EXPECT_EQ(Status(), String(IDS_BUSY_PORT));
    dialog->PostStatusText(L"手工文字");
    wintest::Pump(20);
    EXPECT_EQ(Status(), L"手工文字");
    PostMessageW(dialog->Hwnd(), WM_APP_STATUS, 0, IDS_NET_CONNECTED);
    wintest::Pump(20);
    EXPECT_EQ(dialog->internetPage.ItemText(IDC_INET_STATE), String(IDS_NET_CONNECTED));
}

// The popup of the main window: a tool window of the popup's class that it owns (its tooltip is
// another tool window it owns).
HWND FindPopup(HWND owner) {
    struct Search {
        HWND owner, found;
    } search{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), [](HWND w, LPARAM p) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        wchar_t cls[64] = {};
        GetClassNameW(w, cls, 64);
        if (GetWindow(w, GW_OWNER) == s->owner && std::wstring(cls) == L"OrvaneTaskbarNotifier" &&
            (GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) {
            s->found = w;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(MainDialogTest, PopupSlidesOutStaysAndGoes) {
    HWND popup = FindPopup(dialog->Hwnd());
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(IsWindowVisible(popup));
    dialog->Notify(String(IDS_MONTH_ALARM), 0, false);
    wintest::Pump(1500);  // 1000 ms to appear
    ASSERT_TRUE(IsWindowVisible(popup));
    RECT rect, work;
    GetWindowRect(popup, &rect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(rect.right, work.right) << "bottom right of the work area";
    EXPECT_EQ(rect.bottom, work.bottom);
    if (std::getenv("E2E_SHOTS")) {
        std::wstring path = wintest::ShotsPath(L"popup.png");
        EXPECT_FALSE(e2e::SaveScreenshot(path).empty());
    }
    wintest::Pump(3500);  // 3000 ms to stay, 500 ms to go
    DWORD start = GetTickCount();
    while (IsWindowVisible(popup) && GetTickCount() - start < 2000) wintest::Pump(50);
    EXPECT_FALSE(IsWindowVisible(popup));
}

TEST_F(MainDialogTest, NoHandleLeaksAcrossPageSwitchesAndPopups) {
    ui::Dialog* pages[] = {&dialog->internetPage, &dialog->callPage, &dialog->smsListPage,
                           &dialog->phoneBookPage, &dialog->accountPage, &dialog->homePage};
    // One round of the same work first, each page painted once and both signal pictures set,
    // so lazily created objects (page skins, fonts, popup text) exist before counting.
    for (ui::Dialog* page : pages) {
        dialog->ShowPage(*page);
        wintest::Pump(20);
    }
    for (int i = 0; i < 4; ++i) {
        dialog->Notify(L"第" + std::to_wstring(i) + L"条通知", 0, false);
        dialog->UpdateSignal(i % 2 == 0);
        wintest::Pump(20);
    }
    wintest::Pump(100);
    DWORD gdiBefore = wintest::GdiObjects();
    DWORD handlesBefore = wintest::KernelHandles();

    for (int i = 0; i < 1000; ++i) {
        dialog->ShowPage(*pages[i % 6]);
        if (i % 50 == 0) wintest::Pump(0);
    }
    for (int i = 0; i < 100; ++i) {
        dialog->Notify(L"第" + std::to_wstring(i) + L"条通知", 0, false);
        dialog->UpdateSignal(i % 2 == 0);
        wintest::Pump(5);
    }
    wintest::Pump(200);
    EXPECT_LE(wintest::GdiObjects(), gdiBefore + 4);
    EXPECT_LE(wintest::KernelHandles(), handlesBefore + 4);
}

}  // namespace

namespace {

MdmEventCallback g_watch = nullptr;
int32_t MDM_CALL CaptureWatch(MdmEventCallback callback) {
    g_watch = callback;
    return 0;
}

// The module calls back on its own thread, possibly while the window thread waits for that
// module: the callback only queues the work, and the work renews the last activity.
TEST(MainDialogEvents, ACardEventNeverWaitsForTheWindowAndRenewsTheActivity) {
    HINSTANCE skin = LoadLibraryW(wintest::StagePath(L"skingb.dll").c_str());
    ASSERT_NE(skin, nullptr);
    modem::Table().mdmInitWatch = &CaptureWatch;
    settings::SettingsStore settings;
    wintest::FakeAppHost app;
    {
        ui::OrvaneDlg dialog(skin, settings, app);
        ASSERT_NE(dialog.Create(nullptr), nullptr);
        ASSERT_NE(g_watch, nullptr);
        app.lastActivity = GetTickCount() - 60000;
        // The window thread does not pump while the module thread calls back.
        std::thread module([] { g_watch(modem::kEventNewSms, reinterpret_cast<intptr_t>("10086"), 0, 0, 0); });
        module.join();
        EXPECT_TRUE(app.IdleFor(50000)) << "nothing ran on the module's thread";
        wintest::Pump(50);
        EXPECT_FALSE(app.IdleFor(50000)) << "a new message counts as activity";
        // A ring whose number points nowhere is survived.
        app.lastActivity = GetTickCount() - 60000;
        std::thread ring([] { g_watch(modem::kEventRing, 0x10, 0, 0, 0); });
        ring.join();
        wintest::Pump(50);
        EXPECT_FALSE(app.IdleFor(50000)) << "a ring counts as activity";
        EXPECT_TRUE(IsWindow(dialog.Hwnd()));
        DestroyWindow(dialog.Hwnd());
        wintest::Pump(0);
    }
    modem::Table().mdmInitWatch = nullptr;
    g_watch = nullptr;
    FreeLibrary(skin);
}

// The window is built while the card's SIM settles and starts the card only once the wait is
// over: a wait the user gave up on ends the window before any card call, and no second copy of
// the program is ever pointed at it.
TEST(MainDialogEvents, TheCardStartsOnlyAfterTheCardWaitAndAGivenUpWaitEndsTheWindow) {
    HINSTANCE skin = LoadLibraryW(wintest::StagePath(L"skingb.dll").c_str());
    ASSERT_NE(skin, nullptr);
    modem::Table().mdmInitWatch = &CaptureWatch;
    settings::SettingsStore settings;
    for (bool ready : {false, true}) {
        wintest::FakeAppHost app;
        app.cardReady = ready;
        ui::OrvaneDlg dialog(skin, settings, app);
        HWND window = dialog.Create(nullptr);
        if (window && !IsWindow(window)) window = nullptr;  // ended inside its creation
        EXPECT_EQ(app.cardWaits, 1);
        EXPECT_EQ(window != nullptr, ready);
        EXPECT_EQ(g_watch != nullptr, ready) << "the card's events are registered after the wait";
        EXPECT_EQ(app.published, window);
        if (window) DestroyWindow(window);
        wintest::Pump(0);
        g_watch = nullptr;
    }
    modem::Table().mdmInitWatch = nullptr;
    FreeLibrary(skin);
}

// A hang-up that the module never confirms must not keep the program from ending.
TEST_F(MainDialogTest, ExitEndsEvenWhenTheHangUpIsNeverConfirmed) {
    dialog->Flags().dialBusy = true;
    dialog->Flags().connected = true;
    DWORD start = GetTickCount();
    SendMessageW(dialog->Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_BTN_CLOSE, BN_CLICKED), 0);
    DWORD took = GetTickCount() - start;
    EXPECT_FALSE(IsWindow(dialog->Hwnd())) << "the main window is gone";
    EXPECT_LT(took, 15000u);
    EXPECT_GE(took, 10000u) << "each flag was waited for, a bounded time";
}

}  // namespace
