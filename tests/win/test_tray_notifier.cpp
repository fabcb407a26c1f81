// Checks the sliding popup (skin, region, animation, click, hover, GDI use) and the tray icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resource.h"
#include "tests/win/WinTestSupport.h"
#include "skin/TaskbarNotifier.h"
#include "skin/TrayIcon.h"

using ui::CTaskbarNotifier;
using ui::CTrayIcon;

namespace {

// ---- The owner window: records what it is sent ----------------------------------------------

struct OwnerLog {
    int clicks = 0;
    std::vector<UINT> commands;
    UINT firstItemShown = 0;  // first item of the last popup menu that opened
    int menusShown = 0;
};
OwnerLog g_log;
constexpr UINT_PTR kCloseMenuTimer = 77;

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_APP_POPUP_CLICK:
        ++g_log.clicks;
        return 0;
    case WM_COMMAND:
        g_log.commands.push_back(LOWORD(wParam));
        return 0;
    case WM_INITMENUPOPUP:
        g_log.firstItemShown = GetMenuItemID(reinterpret_cast<HMENU>(wParam), 0);
        ++g_log.menusShown;
        SetTimer(hwnd, kCloseMenuTimer, 50, nullptr);  // close it from inside the menu loop
        return 0;
    case WM_TIMER:
        if (wParam == kCloseMenuTimer) {
            KillTimer(hwnd, kCloseMenuTimer);
            EndMenu();
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeOwner()
{
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = instance;
        wc.lpszClassName = L"TrayNotifierTestOwner";
        registered = RegisterClassW(&wc) != 0;
    }
    g_log = OwnerLog();
    return CreateWindowExW(0, L"TrayNotifierTestOwner", L"owner", WS_OVERLAPPEDWINDOW, 10, 10,
                           200, 100, nullptr, nullptr, instance, nullptr);
}

struct Owner {
    HWND hwnd = MakeOwner();
    ~Owner() { DestroyWindow(hwnd); }
};

// ---- Skins -----------------------------------------------------------------------------------

// A 24-bit skin file: blue body, a magenta 10x10 top-left corner.
bool WriteSkinFile(const std::wstring& path, int width, int height)
{
    const std::vector<BYTE> dib = wintest::Dib24(width, height, [](int x, int y) {
        return x < 10 && y < 10 ? RGB(255, 0, 255) : RGB(40, 120, 200);
    });
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(BITMAPINFOHEADER);
    file.bfSize = static_cast<DWORD>(sizeof(file) + dib.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(dib.begin(), dib.end());
    return wintest::WriteBytes(path, bytes);
}

RECT WorkArea()
{
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// The main window's settings for its popup.
void SetUpLikeTheMainWindow(CTaskbarNotifier& popup)
{
    SIZE size = popup.SkinSize();
    popup.SetFonts(L"Arial", 90, 0, 0);
    popup.SetColours(RGB(0, 0, 0), RGB(0, 0, 200));
    popup.SetTextArea({10, 40, size.cx - 10, size.cy - 25});
}

// The staged skingb.dll as a data file when it holds the given resource; otherwise null, with
// nothing left loaded.
HMODULE LoadStagedSkinWith(UINT id, LPCWSTR type)
{
    const std::wstring dll = wintest::StagePath(L"skingb.dll");
    HMODULE module = dll.empty() ? nullptr
                                 : LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module && !FindResourceW(module, MAKEINTRESOURCEW(id), type)) {
        FreeLibrary(module);
        module = nullptr;
    }
    return module;
}

}  // namespace

// ---- CTaskbarNotifier ----------------------------------------------------------------------------

// Every popup test has an owner window, a popup of it and a 200x80 skin file.
class TaskbarNotifier : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteSkinFile(skin_, 200, 80));
        ASSERT_TRUE(popup_.CreatePopup(owner_.hwnd));
    }
    void TearDown() override { DeleteFileW(skin_.c_str()); }

    // The skin file with its magenta cut away.
    bool LoadTestSkin(CTaskbarNotifier& popup) const { return popup.LoadSkin(skin_, 255, 0, 255); }
    bool Reaches(int state, DWORD timeoutMs) const
    {
        return wintest::PumpUntil([&] { return popup_.State() == state; }, timeoutMs);
    }

    Owner owner_;
    CTaskbarNotifier popup_;  // after the owner: goes first
    const std::wstring skin_ = wintest::TempPath(L"orvane_test_skin.bmp");
};

TEST_F(TaskbarNotifier, SkinFromFileShapesTheWindow)
{
    EXPECT_FALSE(IsWindowVisible(popup_.Hwnd()));
    EXPECT_EQ(GetWindow(popup_.Hwnd(), GW_OWNER), owner_.hwnd);

    ASSERT_TRUE(WriteSkinFile(skin_, 202, 60));
    ASSERT_TRUE(LoadTestSkin(popup_));
    EXPECT_EQ(popup_.SkinSize().cx, 202);
    EXPECT_EQ(popup_.SkinSize().cy, 60);

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(popup_.Hwnd(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 5, 5));    // magenta corner cut out
    EXPECT_TRUE(PtInRegion(region, 12, 5));    // beside it
    EXPECT_TRUE(PtInRegion(region, 5, 12));    // below it
    EXPECT_TRUE(PtInRegion(region, 199, 59));
    EXPECT_FALSE(PtInRegion(region, 200, 30));  // beyond the width rounded down to 200

    // Without a transparent colour the window keeps its plain shape.
    ASSERT_TRUE(popup_.LoadSkin(skin_));
    EXPECT_EQ(GetWindowRgn(popup_.Hwnd(), region), ERROR);

    // A skin that cannot be loaded leaves the popup without skin.
    ASSERT_TRUE(LoadTestSkin(popup_));
    EXPECT_FALSE(popup_.LoadSkin(wintest::TempPath(L"orvane_no_such_skin.bmp"), 255, 0, 255));
    EXPECT_EQ(popup_.SkinSize().cx, 0);
    EXPECT_EQ(GetWindowRgn(popup_.Hwnd(), region), ERROR);
    EXPECT_FALSE(popup_.LoadSkin(GetModuleHandleW(nullptr), IDB_POPUP_SKIN, 255, 0, 255));
    DeleteObject(region);
}

TEST_F(TaskbarNotifier, PopupSlidesOutStaysAndEndsHidden)
{
    ASSERT_TRUE(LoadTestSkin(popup_));
    SetUpLikeTheMainWindow(popup_);

    popup_.Popup(L"您有新短信!\r\n来自 张三[13800138000].", 300, 600, 200);
    EXPECT_TRUE(IsWindowVisible(popup_.Hwnd()));
    EXPECT_EQ(popup_.State(), notifier::kAppearing);
    EXPECT_NE(GetForegroundWindow(), popup_.Hwnd());

    ASSERT_TRUE(Reaches(notifier::kWaiting, 3000));
    // Fully shown on the edge of the work area (here the taskbar is hidden or at the bottom).
    RECT work = WorkArea();
    RECT at{};
    GetWindowRect(popup_.Hwnd(), &at);
    EXPECT_EQ(at.right, work.right);
    EXPECT_EQ(at.bottom, work.bottom);
    EXPECT_EQ(at.right - at.left, 200);
    EXPECT_EQ(at.bottom - at.top, 80);

    ASSERT_TRUE(Reaches(notifier::kHidden, 5000));
    EXPECT_FALSE(IsWindowVisible(popup_.Hwnd()));
}

TEST_F(TaskbarNotifier, NewTextWhileShownAndHidePopup)
{
    ASSERT_TRUE(LoadTestSkin(popup_));
    popup_.Popup(L"first", 100, 5000, 100);
    ASSERT_TRUE(Reaches(notifier::kWaiting, 3000));
    popup_.Popup(L"second", 100, 5000, 100);
    EXPECT_EQ(popup_.Text(), L"second");
    EXPECT_EQ(popup_.State(), notifier::kWaiting);

    popup_.HidePopup();
    EXPECT_EQ(popup_.State(), notifier::kHidden);
    EXPECT_FALSE(IsWindowVisible(popup_.Hwnd()));
    RECT at{};
    GetWindowRect(popup_.Hwnd(), &at);
    EXPECT_EQ(at.right - at.left, 0);
    wintest::Pump(200);  // no timer brings it back
    EXPECT_FALSE(IsWindowVisible(popup_.Hwnd()));
}

TEST_F(TaskbarNotifier, ClickPostsToTheOwnerAndHoverChangesTheLook)
{
    ASSERT_TRUE(LoadTestSkin(popup_));
    popup_.Popup(L"click me", 100, 10000, 100);
    ASSERT_TRUE(Reaches(notifier::kWaiting, 3000));

    RECT at{};
    GetWindowRect(popup_.Hwnd(), &at);
    POINT middle{(at.left + at.right) / 2, (at.top + at.bottom) / 2};
    SetCursorPos(middle.x, middle.y);
    EXPECT_TRUE(wintest::PumpUntil([&] { return popup_.Hovering(); }, 2000));

    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, clicks, sizeof(INPUT)), 2u);
    EXPECT_TRUE(wintest::PumpUntil([] { return g_log.clicks > 0; }, 2000));
    EXPECT_EQ(g_log.clicks, 1);
    EXPECT_NE(GetForegroundWindow(), popup_.Hwnd());  // a click does not activate it

    SetCursorPos(at.left - 100, at.top - 100);
    EXPECT_TRUE(wintest::PumpUntil([&] { return !popup_.Hovering(); }, 2000));
    popup_.HidePopup();
}

TEST_F(TaskbarNotifier, NoGdiObjectsLeak)
{
    auto fullCycle = [&] {
        CTaskbarNotifier popup;
        ASSERT_TRUE(popup.CreatePopup(owner_.hwnd));
        ASSERT_TRUE(LoadTestSkin(popup));
        ASSERT_TRUE(LoadTestSkin(popup));  // a replaced skin is released
        SetUpLikeTheMainWindow(popup);
        popup.SetFonts(L"Arial", 100, CTaskbarNotifier::kBold, CTaskbarNotifier::kUnderline);
        popup.Popup(L"text", 10, 10, 10);
        wintest::Pump(20);
    };
    fullCycle();  // the system's own lazily made objects come into being here
    DWORD before = wintest::GdiObjects();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 10; ++i)
        fullCycle();
    EXPECT_LE(wintest::GdiObjects(), before + 2);

    ASSERT_TRUE(LoadTestSkin(popup_));
    SetUpLikeTheMainWindow(popup_);
    popup_.Popup(L"warm up", 10, 10, 10);
    wintest::Pump(30);
    popup_.HidePopup();
    before = wintest::GdiObjects();
    for (int i = 0; i < 100; ++i) {
        popup_.Popup(L"您有新来电!\r\n来自 " + std::to_wstring(i), 10, 10, 10);
        UpdateWindow(popup_.Hwnd());  // paints the skin and the text
        wintest::Pump(2);
        popup_.HidePopup();
    }
    EXPECT_LE(wintest::GdiObjects(), before + 2);
}

TEST_F(TaskbarNotifier, StagedSkinLikeTheMainWindow)
{
    HMODULE module = LoadStagedSkinWith(IDB_POPUP_SKIN, RT_BITMAP);
    if (!module)
        GTEST_SKIP() << "no popup skin staged yet";
    ASSERT_TRUE(popup_.LoadSkin(module, IDB_POPUP_SKIN, 255, 0, 255));
    EXPECT_GT(popup_.SkinSize().cx, 20);
    EXPECT_GT(popup_.SkinSize().cy, 65);
    SetUpLikeTheMainWindow(popup_);
    popup_.Popup(L"您有新短信!\r\n来自 张三[13800138000].", 1000, 3000, 500);
    ASSERT_TRUE(Reaches(notifier::kWaiting, 4000));
    ASSERT_TRUE(Reaches(notifier::kHidden, 8000));
    popup_.Destroy();
    FreeLibrary(module);
}

// ---- CTrayIcon -----------------------------------------------------------------------------------

namespace {

// The tray menu as the language libraries hold it: one popup "TRAY" with four commands.
HMENU MakeTrayMenu()
{
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, ID_TRAY_SHOW, L"显示");
    AppendMenuW(popup, MF_STRING, ID_TRAY_HIDE, L"隐藏");
    AppendMenuW(popup, MF_STRING, ID_TRAY_ABOUT, L"关于...");
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, ID_TRAY_EXIT, L"退出");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"TRAY");
    return bar;
}

// The icon as the main window adds it.
void AddLikeTheMainWindow(CTrayIcon& tray, HWND owner)
{
    tray.AddToTray(owner, WM_APP_TRAY, L"Wireless Modem", LoadIconW(nullptr, IDI_APPLICATION),
                   IDR_TRAY_MENU);
}

// A double click posts the menu's first command, "show", to the owner.
void ExpectDoubleClickShows(CTrayIcon& tray)
{
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 1);
    wintest::Pump(50);
    ASSERT_EQ(g_log.commands.size(), 1u);
    EXPECT_EQ(g_log.commands[0], static_cast<UINT>(ID_TRAY_SHOW));
}

}  // namespace

TEST(TrayIcon, AddHideShowDeleteFollowTheShell)
{
    Owner owner;
    HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
    {
        CTrayIcon tray;
        EXPECT_FALSE(tray.AddToTray(nullptr, WM_APP_TRAY, L"Wireless Modem", icon, IDR_TRAY_MENU));
        EXPECT_FALSE(tray.Enabled());
        // Disabled: nothing reaches the shell, nothing fails loudly.
        tray.HideTrayIcon();
        EXPECT_FALSE(tray.Hidden());
        EXPECT_FALSE(tray.ShowTrayIcon());
        EXPECT_FALSE(tray.ChangeTrayTip(L"x"));
    }

    CTrayIcon tray;
    std::wstring longTip(100, L'T');
    bool added = tray.AddToTray(owner.hwnd, WM_APP_TRAY, longTip, icon, IDR_TRAY_MENU);
    RecordProperty("shell_accepted_icon", added ? 1 : 0);
    EXPECT_EQ(tray.Enabled(), added);
    EXPECT_EQ(tray.Owner(), owner.hwnd);
    EXPECT_EQ(tray.Id(), static_cast<UINT>(IDR_TRAY_MENU));
    EXPECT_EQ(tray.Tip(), std::wstring(63, L'T'));
    if (added) {
        EXPECT_TRUE(tray.ChangeTrayTip(L"Wireless Modem"));
        EXPECT_EQ(tray.Tip(), L"Wireless Modem");
        EXPECT_TRUE(tray.ChangeStandardTrayIcon(IDI_WARNING));
        tray.HideTrayIcon();
        EXPECT_TRUE(tray.Hidden());
        EXPECT_TRUE(tray.ShowTrayIcon());
        EXPECT_FALSE(tray.Hidden());
        EXPECT_FALSE(tray.ShowTrayIcon());  // already shown
        tray.DeleteTrayIcon();
        EXPECT_FALSE(tray.Enabled());
        // The icon is gone from the shell: modifying it now fails.
        NOTIFYICONDATAW gone{};
        gone.cbSize = NOTIFYICONDATAW_V1_SIZE;
        gone.hWnd = owner.hwnd;
        gone.uID = IDR_TRAY_MENU;
        gone.uFlags = NIF_TIP;
        EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &gone));
    } else {
        std::printf("note: the shell refused the tray icon under this Wine\n");
    }
}

TEST(TrayIcon, DoubleClickPostsTheFirstMenuCommand)
{
    Owner owner;
    CTrayIcon tray;
    std::vector<HMENU> given;
    tray.SetMenuSource([&](UINT id) {
        EXPECT_EQ(id, static_cast<UINT>(IDR_TRAY_MENU));
        given.push_back(MakeTrayMenu());
        return given.back();
    });
    AddLikeTheMainWindow(tray, owner.hwnd);

    ASSERT_NO_FATAL_FAILURE(ExpectDoubleClickShows(tray));
    ASSERT_EQ(given.size(), 1u);
    EXPECT_FALSE(IsMenu(given[0]));  // destroyed after use

    // Ignored: another icon's identifier, other mouse messages, handling switched off.
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU + 1, WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_MOUSEMOVE), 0);
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONUP), 0);
    tray.SetTrayMessageHandling(false);
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 0);
    tray.SetTrayMessageHandling(true);
    wintest::Pump(50);
    EXPECT_EQ(g_log.commands.size(), 1u);

    // No menu at all: nothing is posted.
    tray.SetMenuSource([](UINT) { return static_cast<HMENU>(nullptr); });
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 0);
    wintest::Pump(50);
    EXPECT_EQ(g_log.commands.size(), 1u);
}

TEST(TrayIcon, RightClickShowsTheFirstPopup)
{
    Owner owner;
    ShowWindow(owner.hwnd, SW_SHOWNOACTIVATE);
    CTrayIcon tray;
    HMENU given = nullptr;
    tray.SetMenuSource([&](UINT) { return given = MakeTrayMenu(); });
    AddLikeTheMainWindow(tray, owner.hwnd);
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_RBUTTONUP), 1);
    EXPECT_EQ(g_log.menusShown, 1);
    EXPECT_EQ(g_log.firstItemShown, static_cast<UINT>(ID_TRAY_SHOW));
    EXPECT_FALSE(IsMenu(given));
    wintest::Pump(50);
    EXPECT_TRUE(g_log.commands.empty());  // closed without a choice
}

TEST(TrayIcon, StagedMenuResource)
{
    HMODULE module = LoadStagedSkinWith(IDR_TRAY_MENU, RT_MENU);
    if (!module)
        GTEST_SKIP() << "no tray menu staged yet";
    {
        Owner owner;
        CTrayIcon tray(module);
        AddLikeTheMainWindow(tray, owner.hwnd);
        ASSERT_NO_FATAL_FAILURE(ExpectDoubleClickShows(tray));
    }
    FreeLibrary(module);
}
