// The program's icon in the notification area, with its right-click menu and double-click command.
#include "skin/TrayIcon.h"

#include <algorithm>

#include "framework/Resources.h"

namespace ui {

namespace {

// The record holds only the first version's fields (message, icon, 64-character tip), so the
// first version's size is what every shell accepts for it, on 32 and 64 bits alike.
constexpr DWORD kRecordSize = NOTIFYICONDATAW_V1_SIZE;
constexpr std::size_t kTipChars = 64;  // including the terminating zero

bool SystemTooOld()
{
    return LOBYTE(LOWORD(GetVersion())) < 4;
}

}  // namespace

CTrayIcon::CTrayIcon(HINSTANCE resources) : resources_(resources)
{
    data_.cbSize = kRecordSize;
}

CTrayIcon::~CTrayIcon() { DeleteTrayIcon(); }

bool CTrayIcon::AddToTray(HWND owner, UINT callbackMessage, const std::wstring& tip, HICON icon,
                          UINT id)
{
    if (enabled_)
        DeleteTrayIcon();
    if (SystemTooOld() || !IsWindow(owner))
        return false;
    data_ = NOTIFYICONDATAW{};
    data_.cbSize = kRecordSize;
    data_.hWnd = owner;
    data_.uID = id;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
    data_.hIcon = icon;
    tip.copy(data_.szTip, std::min(tip.size(), kTipChars - 1));
    enabled_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
    hidden_ = false;
    return enabled_;
}

void CTrayIcon::HideTrayIcon()
{
    if (!enabled_ || hidden_)
        return;
    Shell_NotifyIconW(NIM_DELETE, &data_);
    hidden_ = true;
}

bool CTrayIcon::ShowTrayIcon()
{
    if (!enabled_ || !hidden_)
        return false;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // Stays hidden when the shell refuses, so a later call can try again.
    if (!Shell_NotifyIconW(NIM_ADD, &data_))
        return false;
    hidden_ = false;
    return true;
}

void CTrayIcon::DeleteTrayIcon()
{
    if (!enabled_)
        return;
    if (!hidden_)
        Shell_NotifyIconW(NIM_DELETE, &data_);
    enabled_ = false;
    hidden_ = false;
}

bool CTrayIcon::Modify(UINT flag)
{
    if (!enabled_ || hidden_)
        return false;  // the record keeps the change; ShowTrayIcon adds it with it
    data_.uFlags = flag;
    return Shell_NotifyIconW(NIM_MODIFY, &data_) != FALSE;
}

bool CTrayIcon::ChangeTrayIcon(HICON icon)
{
    if (!enabled_ || !icon)
        return false;
    data_.hIcon = icon;
    return Modify(NIF_ICON);
}

bool CTrayIcon::ChangeTrayIcon(UINT iconId)
{
    return ChangeTrayIcon(MAKEINTRESOURCEW(iconId));
}

bool CTrayIcon::ChangeTrayIcon(LPCWSTR iconName)
{
    // Icons from LoadIcon are shared and need no destroying.
    return resources_ && ChangeTrayIcon(LoadIconW(resources_, iconName));
}

bool CTrayIcon::ChangeStandardTrayIcon(LPCWSTR idi)
{
    return ChangeTrayIcon(LoadIconW(nullptr, idi));
}

bool CTrayIcon::ChangeTrayTip(const std::wstring& tip)
{
    if (!enabled_)
        return false;
    data_.szTip[tip.copy(data_.szTip, std::min(tip.size(), kTipChars - 1))] = L'\0';
    return Modify(NIF_TIP);
}

bool CTrayIcon::ChangeTrayTip(UINT stringId)
{
    if (!resources_)
        return false;
    std::wstring tip = res::LoadStr(resources_, stringId);
    return !tip.empty() && ChangeTrayTip(tip);
}

bool CTrayIcon::ChangeTrayOwner(HWND owner)
{
    if (!IsWindow(owner))
        return false;
    if (owner == data_.hWnd)
        return true;
    // The shell knows the icon by owner and identifier: move it by deleting and adding again.
    bool shown = enabled_ && !hidden_;
    if (shown)
        Shell_NotifyIconW(NIM_DELETE, &data_);
    data_.hWnd = owner;
    if (shown) {
        data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        if (!Shell_NotifyIconW(NIM_ADD, &data_))
            hidden_ = true;
    }
    return true;
}

HMENU CTrayIcon::LoadTrayMenu() const
{
    if (menuSource_)
        return menuSource_(data_.uID);
    return resources_ ? LoadMenuW(resources_, MAKEINTRESOURCEW(data_.uID)) : nullptr;
}

LRESULT CTrayIcon::HandleTrayMessage(WPARAM wParam, LPARAM lParam)
{
    if (!handling_ || wParam != data_.uID || !IsWindow(data_.hWnd))
        return 0;
    const UINT mouse = LOWORD(lParam);
    if (mouse != WM_RBUTTONUP && mouse != WM_LBUTTONDBLCLK)
        return 0;
    HWND owner = data_.hWnd;
    if (mouse == WM_LBUTTONDBLCLK)
        SetForegroundWindow(owner);
    HMENU menu = LoadTrayMenu();
    if (!menu)
        return 0;
    LRESULT handled = 0;
    HMENU popup = GetSubMenu(menu, 0);
    if (popup && mouse == WM_RBUTTONUP) {
        POINT at{};
        GetCursorPos(&at);
        // Without the owner in the foreground the menu would not close when clicked elsewhere;
        // the null message afterwards makes the next click on the icon work at once.
        SetForegroundWindow(owner);
        TrackPopupMenu(popup, TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
        PostMessageW(owner, WM_NULL, 0, 0);
        handled = 1;
    } else if (popup) {
        UINT command = GetMenuItemID(popup, 0);
        if (command != static_cast<UINT>(-1)) {
            PostMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
            handled = 1;
        }
    }
    DestroyMenu(menu);
    return handled;
}

}  // namespace ui
