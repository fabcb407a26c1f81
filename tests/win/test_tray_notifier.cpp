// Checks the sliding popup (skin, region, animation, click, hover, GDI use) and the tray icon.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resource.h"
#include "ui/TaskbarNotifier.h"
#include "ui/TrayIcon.h"

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

// Pumps messages until done() holds or the time is up; returns done().
template <class F>
bool PumpUntil(F done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void Pump(DWORD ms)
{
    PumpUntil([] { return false; }, ms);
}

// ---- Skins and files ---------------------------------------------------------------------------

std::wstring TempPath(const wchar_t* name)
{
    wchar_t dir[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir, n < MAX_PATH ? n : 0) + name;
}

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// A 24-bit skin: blue body, a magenta 10x10 top-left corner.
bool WriteSkinFile(const std::wstring& path, int width, int height)
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;  // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + stride * height;
    std::vector<std::uint8_t> bytes(file.bfSize);
    std::memcpy(bytes.data(), &file, sizeof(file));
    std::memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = bytes.data() + file.bfOffBits + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            bool corner = x < 10 && y < 10;
            row[x * 3 + 0] = corner ? 255 : 200;  // blue
            row[x * 3 + 1] = corner ? 0 : 120;    // green
            row[x * 3 + 2] = corner ? 255 : 40;   // red
        }
    }
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(h);
    return ok;
}

// The staged folder comes as a Linux path; under Wine it is reached through drive Z:.
std::wstring StagedFile(const wchar_t* name)
{
    wchar_t buffer[1024];
    DWORD n = GetEnvironmentVariableW(L"ORVANE_STAGE", buffer, 1024);
    if (n == 0 || n >= 1024)
        return L"";
    std::wstring path(buffer, n);
    if (path[0] == L'/')
        path = L"Z:" + path;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    if (path.back() != L'\\')
        path += L'\\';
    return path + name;
}

// ---- GDI object count ----------------------------------------------------------------------------

// GetGuiResources where it answers. Wine's is a stub returning 0; there every live GDI object
// answers GetObjectType under its 16-bit table index, so the table is counted directly.
DWORD GdiObjects()
{
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (n != 0)
        return n;
    for (std::uintptr_t i = 1; i < 0x10000; ++i)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0)
            ++n;
    return n;
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

}  // namespace

// ---- CTaskbarNotifier ----------------------------------------------------------------------------

TEST(TaskbarNotifier, SkinFromFileShapesTheWindow)
{
    Owner owner;
    CTaskbarNotifier popup;
    ASSERT_TRUE(popup.CreatePopup(owner.hwnd));
    EXPECT_FALSE(IsWindowVisible(popup.Hwnd()));
    EXPECT_EQ(GetWindow(popup.Hwnd(), GW_OWNER), owner.hwnd);

    std::wstring path = TempPath(L"orvane_test_skin.bmp");
    ASSERT_TRUE(WriteSkinFile(path, 202, 60));
    ASSERT_TRUE(popup.LoadSkin(path, 255, 0, 255));
    EXPECT_EQ(popup.SkinSize().cx, 202);
    EXPECT_EQ(popup.SkinSize().cy, 60);

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(popup.Hwnd(), region), ERROR);
    EXPECT_FALSE(PtInRegion(region, 5, 5));    // magenta corner cut out
    EXPECT_TRUE(PtInRegion(region, 12, 5));    // beside it
    EXPECT_TRUE(PtInRegion(region, 5, 12));    // below it
    EXPECT_TRUE(PtInRegion(region, 199, 59));
    EXPECT_FALSE(PtInRegion(region, 200, 30));  // beyond the width rounded down to 200

    // Without a transparent colour the window keeps its plain shape.
    ASSERT_TRUE(popup.LoadSkin(path));
    EXPECT_EQ(GetWindowRgn(popup.Hwnd(), region), ERROR);

    // A skin that cannot be loaded leaves the popup without skin.
    ASSERT_TRUE(popup.LoadSkin(path, 255, 0, 255));
    EXPECT_FALSE(popup.LoadSkin(TempPath(L"orvane_no_such_skin.bmp"), 255, 0, 255));
    EXPECT_EQ(popup.SkinSize().cx, 0);
    EXPECT_EQ(GetWindowRgn(popup.Hwnd(), region), ERROR);
    EXPECT_FALSE(popup.LoadSkin(GetModuleHandleW(nullptr), IDB_POPUP_SKIN, 255, 0, 255));
    DeleteObject(region);
    DeleteFileW(path.c_str());
}

TEST(TaskbarNotifier, PopupSlidesOutStaysAndEndsHidden)
{
    Owner owner;
    CTaskbarNotifier popup;
    ASSERT_TRUE(popup.CreatePopup(owner.hwnd));
    std::wstring path = TempPath(L"orvane_test_skin.bmp");
    ASSERT_TRUE(WriteSkinFile(path, 200, 80));
    ASSERT_TRUE(popup.LoadSkin(path, 255, 0, 255));
    SetUpLikeTheMainWindow(popup);

    popup.Popup(L"您有新短信!\r\n来自 张三[13800138000].", 300, 600, 200);
    EXPECT_TRUE(IsWindowVisible(popup.Hwnd()));
    EXPECT_EQ(popup.State(), notifier::kAppearing);
    EXPECT_NE(GetForegroundWindow(), popup.Hwnd());

    ASSERT_TRUE(PumpUntil([&] { return popup.State() == notifier::kWaiting; }, 3000));
    // Fully shown on the edge of the work area (here the taskbar is hidden or at the bottom).
    RECT work = WorkArea();
    RECT at{};
    GetWindowRect(popup.Hwnd(), &at);
    EXPECT_EQ(at.right, work.right);
    EXPECT_EQ(at.bottom, work.bottom);
    EXPECT_EQ(at.right - at.left, 200);
    EXPECT_EQ(at.bottom - at.top, 80);

    ASSERT_TRUE(PumpUntil([&] { return popup.State() == notifier::kHidden; }, 5000));
    EXPECT_FALSE(IsWindowVisible(popup.Hwnd()));
    DeleteFileW(path.c_str());
}

TEST(TaskbarNotifier, NewTextWhileShownAndHidePopup)
{
    Owner owner;
    CTaskbarNotifier popup;
    ASSERT_TRUE(popup.CreatePopup(owner.hwnd));
    std::wstring path = TempPath(L"orvane_test_skin.bmp");
    ASSERT_TRUE(WriteSkinFile(path, 200, 80));
    ASSERT_TRUE(popup.LoadSkin(path, 255, 0, 255));

    popup.Popup(L"first", 100, 5000, 100);
    ASSERT_TRUE(PumpUntil([&] { return popup.State() == notifier::kWaiting; }, 3000));
    popup.Popup(L"second", 100, 5000, 100);
    EXPECT_EQ(popup.Text(), L"second");
    EXPECT_EQ(popup.State(), notifier::kWaiting);

    popup.HidePopup();
    EXPECT_EQ(popup.State(), notifier::kHidden);
    EXPECT_FALSE(IsWindowVisible(popup.Hwnd()));
    RECT at{};
    GetWindowRect(popup.Hwnd(), &at);
    EXPECT_EQ(at.right - at.left, 0);
    Pump(200);  // no timer brings it back
    EXPECT_FALSE(IsWindowVisible(popup.Hwnd()));
    DeleteFileW(path.c_str());
}

TEST(TaskbarNotifier, ClickPostsToTheOwnerAndHoverChangesTheLook)
{
    Owner owner;
    CTaskbarNotifier popup;
    ASSERT_TRUE(popup.CreatePopup(owner.hwnd));
    std::wstring path = TempPath(L"orvane_test_skin.bmp");
    ASSERT_TRUE(WriteSkinFile(path, 200, 80));
    ASSERT_TRUE(popup.LoadSkin(path, 255, 0, 255));
    popup.Popup(L"click me", 100, 10000, 100);
    ASSERT_TRUE(PumpUntil([&] { return popup.State() == notifier::kWaiting; }, 3000));

    RECT at{};
    GetWindowRect(popup.Hwnd(), &at);
    POINT middle{(at.left + at.right) / 2, (at.top + at.bottom) / 2};
    SetCursorPos(middle.x, middle.y);
    EXPECT_TRUE(PumpUntil([&] { return popup.Hovering(); }, 2000));

    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, clicks, sizeof(INPUT)), 2u);
    EXPECT_TRUE(PumpUntil([] { return g_log.clicks > 0; }, 2000));
    EXPECT_EQ(g_log.clicks, 1);
    EXPECT_NE(GetForegroundWindow(), popup.Hwnd());  // a click does not activate it

    SetCursorPos(at.left - 100, at.top - 100);
    EXPECT_TRUE(PumpUntil([&] { return !popup.Hovering(); }, 2000));
    popup.HidePopup();
    DeleteFileW(path.c_str());
}

TEST(TaskbarNotifier, NoGdiObjectsLeak)
{
    Owner owner;
    std::wstring path = TempPath(L"orvane_test_skin.bmp");
    ASSERT_TRUE(WriteSkinFile(path, 200, 80));
    auto fullCycle = [&] {
        CTaskbarNotifier popup;
        ASSERT_TRUE(popup.CreatePopup(owner.hwnd));
        ASSERT_TRUE(popup.LoadSkin(path, 255, 0, 255));
        ASSERT_TRUE(popup.LoadSkin(path, 255, 0, 255));  // a replaced skin is released
        SetUpLikeTheMainWindow(popup);
        popup.SetFonts(L"Arial", 100, CTaskbarNotifier::kBold, CTaskbarNotifier::kUnderline);
        popup.Popup(L"text", 10, 10, 10);
        Pump(20);
    };
    fullCycle();  // the system's own lazily made objects come into being here
    DWORD before = GdiObjects();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 10; ++i)
        fullCycle();
    EXPECT_LE(GdiObjects(), before + 2);

    CTaskbarNotifier popup;
    ASSERT_TRUE(popup.CreatePopup(owner.hwnd));
    ASSERT_TRUE(popup.LoadSkin(path, 255, 0, 255));
    SetUpLikeTheMainWindow(popup);
    popup.Popup(L"warm up", 10, 10, 10);
    Pump(30);
    popup.HidePopup();
    before = GdiObjects();
    for (int i = 0; i < 100; ++i) {
        popup.Popup(L"您有新来电!\r\n来自 " + std::to_wstring(i), 10, 10, 10);
        UpdateWindow(popup.Hwnd());  // paints the skin and the text
        Pump(2);
        popup.HidePopup();
    }
    EXPECT_LE(GdiObjects(), before + 2);
    DeleteFileW(path.c_str());
}

TEST(TaskbarNotifier, StagedSkinLikeTheMainWindow)
{
    std::wstring dll = StagedFile(L"skingb.dll");
    HMODULE module = dll.empty() ? nullptr
                                 : LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module || !FindResourceW(module, MAKEINTRESOURCEW(IDB_POPUP_SKIN), RT_BITMAP)) {
        if (module)
            FreeLibrary(module);
        GTEST_SKIP() << "no popup skin staged yet";
    }
    Owner owner;
    CTaskbarNotifier popup;
    ASSERT_TRUE(popup.CreatePopup(owner.hwnd));
    ASSERT_TRUE(popup.LoadSkin(module, IDB_POPUP_SKIN, 255, 0, 255));
    EXPECT_GT(popup.SkinSize().cx, 20);
    EXPECT_GT(popup.SkinSize().cy, 65);
    SetUpLikeTheMainWindow(popup);
    popup.Popup(L"您有新短信!\r\n来自 张三[13800138000].", 1000, 3000, 500);
    ASSERT_TRUE(PumpUntil([&] { return popup.State() == notifier::kWaiting; }, 4000));
    ASSERT_TRUE(PumpUntil([&] { return popup.State() == notifier::kHidden; }, 8000));
    popup.Destroy();
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
    tray.AddToTray(owner.hwnd, WM_APP_TRAY, L"Wireless Modem",
                   LoadIconW(nullptr, IDI_APPLICATION), IDR_TRAY_MENU);

    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 1);
    Pump(50);
    ASSERT_EQ(g_log.commands.size(), 1u);
    EXPECT_EQ(g_log.commands[0], static_cast<UINT>(ID_TRAY_SHOW));
    ASSERT_EQ(given.size(), 1u);
    EXPECT_FALSE(IsMenu(given[0]));  // destroyed after use

    // Ignored: another icon's identifier, other mouse messages, handling switched off.
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU + 1, WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_MOUSEMOVE), 0);
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONUP), 0);
    tray.SetTrayMessageHandling(false);
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 0);
    tray.SetTrayMessageHandling(true);
    Pump(50);
    EXPECT_EQ(g_log.commands.size(), 1u);

    // No menu at all: nothing is posted.
    tray.SetMenuSource([](UINT) { return static_cast<HMENU>(nullptr); });
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 0);
    Pump(50);
    EXPECT_EQ(g_log.commands.size(), 1u);
}

TEST(TrayIcon, RightClickShowsTheFirstPopup)
{
    Owner owner;
    ShowWindow(owner.hwnd, SW_SHOWNOACTIVATE);
    CTrayIcon tray;
    HMENU given = nullptr;
    tray.SetMenuSource([&](UINT) { return given = MakeTrayMenu(); });
    tray.AddToTray(owner.hwnd, WM_APP_TRAY, L"Wireless Modem",
                   LoadIconW(nullptr, IDI_APPLICATION), IDR_TRAY_MENU);
    EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_RBUTTONUP), 1);
    EXPECT_EQ(g_log.menusShown, 1);
    EXPECT_EQ(g_log.firstItemShown, static_cast<UINT>(ID_TRAY_SHOW));
    EXPECT_FALSE(IsMenu(given));
    Pump(50);
    EXPECT_TRUE(g_log.commands.empty());  // closed without a choice
}

TEST(TrayIcon, StagedMenuResource)
{
    std::wstring dll = StagedFile(L"skingb.dll");
    HMODULE module = dll.empty() ? nullptr
                                 : LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module || !FindResourceW(module, MAKEINTRESOURCEW(IDR_TRAY_MENU), RT_MENU)) {
        if (module)
            FreeLibrary(module);
        GTEST_SKIP() << "no tray menu staged yet";
    }
    {
        Owner owner;
        CTrayIcon tray(module);
        tray.AddToTray(owner.hwnd, WM_APP_TRAY, L"Wireless Modem",
                       LoadIconW(nullptr, IDI_APPLICATION), IDR_TRAY_MENU);
        EXPECT_EQ(tray.HandleTrayMessage(IDR_TRAY_MENU, WM_LBUTTONDBLCLK), 1);
        Pump(50);
        ASSERT_EQ(g_log.commands.size(), 1u);
        EXPECT_EQ(g_log.commands[0], static_cast<UINT>(ID_TRAY_SHOW));
    }
    FreeLibrary(module);
}
