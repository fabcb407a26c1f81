// The main window end to end: pages, signal and network type, tray, hot keys, card removal.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        folder.Remove(L"modem.log");
    }
    void TearDown() override {
        if (orvane.Running()) orvane.Kill();
    }

    void SetCard(const wchar_t* key, const std::wstring& value) {
        ASSERT_TRUE(WritePrivateProfileStringW(L"CARD", key, value.c_str(),
                                               folder.File(L"simcard.ini").c_str()));
    }
    void Start() {
        orvane = folder.Start(L"Orvane.exe");
        mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS);
        ASSERT_NE(mainWindow, nullptr);
    }
    int Simctl(const std::wstring& args) {
        std::string output;
        int code = folder.Run(L"simctl.exe", args, &output, 30000);
        Logf("simctl %s -> %d %s", e2e::Utf8(args).c_str(), code, output.c_str());
        return code;
    }
    // The page child dialog holding the control, when it is the one shown.
    HWND VisiblePageWith(int controlId) {
        HWND control = e2e::FindChild(mainWindow, controlId);
        if (!control || !e2e::IsVisible(control)) return nullptr;
        return GetParent(control);
    }
    int SignalPicture() {
        return static_cast<int>(GetWindowLongPtrW(GetDlgItem(mainWindow, IDC_MAIN_SIGNAL), GWLP_USERDATA));
    }
    void Close() {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
        EXPECT_TRUE(orvane.WaitExit(15000));
    }

    e2e::StagedFolder folder;
    e2e::Process orvane;
    HWND mainWindow = nullptr;
};

TEST_F(MainWindowTest, PageButtonsShowTheirPages) {
    ASSERT_NO_FATAL_FAILURE(Start());
    folder.Screenshot(L"main-home", mainWindow);
    struct PageCase {
        int button;
        int pageControl;
        const wchar_t* shot;
    };
    const PageCase pages[] = {
        {IDC_MAIN_BTN_INTERNET, IDC_INET_STATE, L"page-internet"},
        {IDC_MAIN_BTN_CALL, IDC_CALL_DIAL, L"page-call"},
        {IDC_MAIN_BTN_SMS, IDC_SMSLIST_LIST, L"page-sms-list"},
        {IDC_MAIN_BTN_PHONEBOOK, IDC_PB_LIST, L"page-phonebook"},
        {IDC_MAIN_BTN_SETTINGS, IDC_ACCOUNT_USER, L"page-account"},
    };
    HWND previous = nullptr;
    for (const PageCase& page : pages) {
        SCOPED_TRACE(e2e::Utf8(page.shot));
        ASSERT_TRUE(e2e::ClickId(mainWindow, page.button));
        HWND shown = nullptr;
        ASSERT_TRUE(e2e::WaitUntil([&] { return (shown = VisiblePageWith(page.pageControl)) != nullptr; }, 5000));
        if (previous) {
            EXPECT_FALSE(IsWindowVisible(previous)) << "the previous page is hidden";
        }
        int visiblePages = 0;
        for (HWND child = GetWindow(mainWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (e2e::ClassOf(child) == L"#32770" && IsWindowVisible(child)) ++visiblePages;
        EXPECT_EQ(visiblePages, 1);
        Sleep(200);
        folder.Screenshot(page.shot, mainWindow);
        previous = shown;
    }
    Close();
}

TEST_F(MainWindowTest, SignalPictureAndNetworkType) {
    SetCard(L"Signal", L"3");
    SetCard(L"NetMode", L"5");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(SignalPicture(), IDB_SIGNAL_0);
    HWND mode = GetDlgItem(mainWindow, IDC_MAIN_NETWORK_TYPE);
    EXPECT_TRUE(IsWindowVisible(mode));
    EXPECT_EQ(e2e::Text(mode), L"WCDMA");

    // The signal is polled every 10 s while the card is idle.
    EXPECT_EQ(Simctl(L"signal 99"), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return SignalPicture() == IDB_SIGNAL_UNKNOWN; }, 15000));
    EXPECT_EQ(Simctl(L"signal 31"), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return SignalPicture() == IDB_SIGNAL_4; }, 15000));
    Close();

    SetCard(L"NetMode", L"9");
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(mainWindow, IDC_MAIN_NETWORK_TYPE)));
    Close();
}

TEST_F(MainWindowTest, MinimiseTrayAndHotKeys) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_MINIMIZE));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(mainWindow); }, 5000));

    // Double click on the tray icon restores the window.
    PostMessageW(mainWindow, WM_APP_TRAY, IDR_TRAY_MENU, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(mainWindow) != FALSE; }, 5000));

    // Right click shows the tray menu (its commands are checked with the language libraries).
    PostMessageW(mainWindow, WM_APP_TRAY, IDR_TRAY_MENU, WM_RBUTTONUP);
    HWND menu = e2e::WaitWindowClass(e2e::kAnyProcess, L"#32768", 5000);
    EXPECT_NE(menu, nullptr);
    if (menu) {
        folder.Screenshot(L"tray-menu");
        e2e::SendKeys({VK_ESCAPE});
        e2e::WaitGone(menu, 3000);
    }

    // The tray menu's hide and show, and the about box.
    PostMessageW(mainWindow, WM_COMMAND, ID_TRAY_HIDE, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowVisible(mainWindow); }, 5000));
    PostMessageW(mainWindow, WM_COMMAND, ID_TRAY_SHOW, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(mainWindow) != FALSE; }, 5000));
    PostMessageW(mainWindow, WM_COMMAND, ID_TRAY_ABOUT, 0);
    HWND about = e2e::WaitWindow(orvane.Id(), [&](HWND w) {
        return w != mainWindow && IsWindowVisible(w) && e2e::ClassOf(w) == L"#32770" &&
               !GetDlgItem(w, IDC_WAIT_TEXT);
    }, 5000);
    ASSERT_NE(about, nullptr);
    folder.Screenshot(L"about", about);
    e2e::ClickId(about, IDOK);
    EXPECT_TRUE(e2e::WaitGone(about, 5000));

    // F11 restores a hidden window; Ctrl+F11 ends the program.
    ShowWindow(mainWindow, SW_HIDE);
    e2e::SendKeys({VK_F11});
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(mainWindow) != FALSE; }, 5000));
    e2e::SendKeys({VK_CONTROL, VK_F11});
    EXPECT_TRUE(orvane.WaitExit(15000));
}

TEST_F(MainWindowTest, HomePageReturnsAfterThirtySecondsWithoutInput) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // A posted command is no user input, so the idle time keeps running from the start.
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    ASSERT_TRUE(e2e::WaitUntil([&] { return VisiblePageWith(IDC_INET_STATE) != nullptr; }, 5000));
    DWORD start = GetTickCount();
    EXPECT_TRUE(e2e::WaitUntil([&] { return VisiblePageWith(IDC_INET_STATE) == nullptr; }, 45000));
    Logf("home page back after %lu ms", GetTickCount() - start);
    Close();
}

TEST_F(MainWindowTest, CardRemovalEndsTheProgramOnlyForItsPort) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // The card now reports another port than the one the program started with.
    SetCard(L"ComPort", L"7");
    EXPECT_EQ(Simctl(L"remove"), 0);
    Sleep(1500);
    EXPECT_TRUE(orvane.Running()) << "a removal on another port is ignored";

    SetCard(L"ComPort", L"3");
    EXPECT_EQ(Simctl(L"insert"), 0);
    EXPECT_EQ(Simctl(L"remove"), 0);
    EXPECT_TRUE(orvane.WaitExit(15000)) << "the card's own port: the program ends without asking";
    EXPECT_FALSE(e2e::MutexExists(L"_OR_VANE_"));
}

TEST_F(MainWindowTest, ForgedStatusMessagesFreeNothingAndTheWindowKeepsAnswering) {
    ASSERT_NO_FATAL_FAILURE(Start());
    // Any program on the desktop can post the status message; with a pointer-looking kind and
    // garbage in lParam nothing may be freed or read.
    for (int i = 0; i < 1000; ++i) {
        PostMessageW(mainWindow, WM_APP_STATUS, 4, static_cast<LPARAM>(0x10000 + i * 4099));
        if (i % 100 == 0) PostMessageW(mainWindow, WM_APP_STATUS, 9, -1);
    }
    DWORD_PTR answer = 0;
    EXPECT_TRUE(e2e::WaitUntil([&] {
        return SendMessageTimeoutW(mainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
    }, 10000));
    Sleep(500);
    EXPECT_TRUE(orvane.Running());
    const std::string log = folder.ReadBytes(L"modem.log");
    EXPECT_NE(log.find("Status message of an unknown kind ignored"), std::string::npos);
    Close();
}

TEST_F(MainWindowTest, ResumeWaitsForTheCardWithoutFreezingTheWindow) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"SETTING", L"AUTO_DIAL", L"1", folder.File(L"modem.ini").c_str()));
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND state = e2e::FindChild(mainWindow, IDC_INET_STATE);
    const std::wstring connected = e2e::LoadSkinString(folder.File(L"skingb.dll"), IDS_DIAL_SUCCEEDED);
    const std::wstring steady = e2e::LoadSkinString(folder.File(L"skingb.dll"), IDS_NET_CONNECTED);
    auto isConnected = [&] { std::wstring t = e2e::Text(state); return t == connected || t == steady; };
    ASSERT_TRUE(e2e::WaitUntil(isConnected, 20000));

    // Suspend while connected hangs up; the card is not back yet when the machine wakes.
    SendMessageTimeoutW(mainWindow, WM_POWERBROADCAST, PBT_APMQUERYSUSPEND, 0, SMTO_NORMAL, 5000, nullptr);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !isConnected(); }, 10000));
    ASSERT_EQ(Simctl(L"present 1"), 0);
    PostMessageW(mainWindow, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE, 0);
    // While the program waits for the card, its window answers at once, again and again.
    for (int i = 0; i < 8; ++i) {
        DWORD_PTR answer = 0;
        EXPECT_NE(SendMessageTimeoutW(mainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer), 0) << i;
        Sleep(500);
    }
    EXPECT_NE(e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_STATUS)).find(L"..."), std::wstring::npos);
    // The card comes back: the program dials again by itself.
    ASSERT_EQ(Simctl(L"present 0"), 0);
    EXPECT_TRUE(e2e::WaitUntil(isConnected, 25000));
    Close();
}

// stand_in.exe beside this test program (it records how it was started).
std::wstring StandInPath() {
    wchar_t self[MAX_PATH];
    std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"stand_in.exe";
}

TEST_F(MainWindowTest, ToolbarShowsItsEntriesWithoutGapsAndStartsWhatTheySay) {
    ASSERT_TRUE(folder.CopyIn(StandInPath(), L"stand_in.exe"));
    // The browser registered for HTTP is the stand-in, with the usual quoted arguments.
    HKEY key = nullptr;
    const wchar_t* command = L"HTTP\\shell\\open\\command";
    wchar_t saved[512] = {};
    DWORD savedSize = sizeof saved - sizeof(wchar_t);
    const bool hadCommand = RegGetValueW(HKEY_CLASSES_ROOT, command, nullptr, RRF_RT_REG_SZ, nullptr, saved,
                                         &savedSize) == ERROR_SUCCESS;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, command, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring browser = L"\"" + folder.File(L"stand_in.exe") + L"\" \"%1\"";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(browser.c_str()),
                   static_cast<DWORD>((browser.size() + 1) * sizeof(wchar_t)));
    // Three sections with gaps between them fill the first three buttons.
    const std::wstring ini = L"[TOOLBAR_2]\r\naction_type=1\r\n"
                             L"[TOOLBAR_5]\r\naction_type=12\r\naction=STAND_IN.EXE\r\naction_data=-page 5\r\n"
                             L"[TOOLBAR_7]\r\naction_type=11\r\naction=" + folder.File(L"stand_in.exe") + L"\r\n";
    ASSERT_TRUE(folder.WriteText(L"ToolBar.ini", ini));
    ASSERT_NO_FATAL_FAILURE(Start());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(e2e::IsVisible(GetDlgItem(mainWindow, IDC_MAIN_TOOLBAR1 + i)), i < 3) << i;
    folder.Screenshot(L"toolbar", mainWindow);

    auto lines = [&] {
        std::vector<std::wstring> out;
        std::wstring log = e2e::Wide(folder.ReadBytes(L"stand_in.log"));
        for (size_t at = 0, end; (end = log.find(L"\r\n", at)) != std::wstring::npos; at = end + 2)
            out.push_back(log.substr(at, end - at));
        return out;
    };
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_TOOLBAR1 + i));
        ASSERT_TRUE(e2e::WaitUntil([&] { return lines().size() == static_cast<size_t>(i + 1); }, 10000)) << i;
    }
    const auto started = lines();
    Logf("toolbar started: %s | %s | %s", e2e::Utf8(started[0]).c_str(), e2e::Utf8(started[1]).c_str(),
         e2e::Utf8(started[2]).c_str());
    EXPECT_EQ(started[0].substr(started[0].find(L'|')), L"|") << "the browser, without parameters";
    EXPECT_NE(started[1].find(L"|-page 5"), std::wstring::npos) << "the program with its data";
    EXPECT_EQ(_wcsicmp(started[1].substr(0, started[1].find(L'|')).c_str(), folder.Path().c_str()), 0)
        << "in the program's own folder";
    EXPECT_EQ(started[2].substr(started[2].find(L'|')), L"|") << "opened by the shell";
    Close();

    if (hadCommand)
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(saved),
                       static_cast<DWORD>((wcslen(saved) + 1) * sizeof(wchar_t)));
    else
        RegDeleteValueW(key, nullptr);
    RegCloseKey(key);
}

}  // namespace
