// The program's icon in the notification area, with its right-click menu and double-click command.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>
#include <utility>

namespace ui {

class CTrayIcon {
public:
    // Gives the menu whose resource id is the icon's identifier; the tray icon destroys it after
    // use. The default loads it from the resource module.
    using MenuSource = std::function<HMENU(UINT menuId)>;

    explicit CTrayIcon(HINSTANCE resources = nullptr);
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Module of icon, string and menu resources; tests may replace the menu source.
    void SetResourceModule(HINSTANCE resources) { resources_ = resources; }
    void SetMenuSource(MenuSource source) { menuSource_ = std::move(source); }

    // Adds the icon (message, icon and tip). False, and the object stays disabled, when the system
    // is too old or owner is not a window; otherwise the shell's answer, which also becomes the
    // enabled flag. The identifier doubles as the id of the menu resource.
    bool AddToTray(HWND owner, UINT callbackMessage, const std::wstring& tip, HICON icon, UINT id);
    // Removes the icon from the notification area, keeping the object ready to show it again.
    void HideTrayIcon();
    bool ShowTrayIcon();
    // Removes the icon and disables the object (also done by the destructor).
    void DeleteTrayIcon();

    bool ChangeTrayIcon(HICON icon);
    bool ChangeTrayIcon(UINT iconId);            // icon resource of the resource module
    bool ChangeTrayIcon(LPCWSTR iconName);       // the same, by name
    bool ChangeStandardTrayIcon(LPCWSTR idi);    // IDI_APPLICATION, IDI_WARNING, ...
    bool ChangeTrayTip(const std::wstring& tip);  // at most 63 characters are kept
    bool ChangeTrayTip(UINT stringId);
    // Moves the icon to another owner window (it is re-added there when shown).
    bool ChangeTrayOwner(HWND owner);

    void SetTrayMessageHandling(bool on) { handling_ = on; }

    // For the owner's callback message: the right-click menu and the double-click command.
    // Returns 1 after handling, 0 when the message was ignored.
    LRESULT HandleTrayMessage(WPARAM wParam, LPARAM lParam);

    bool Enabled() const { return enabled_; }
    bool Hidden() const { return hidden_; }
    bool MessageHandling() const { return handling_; }
    HWND Owner() const { return data_.hWnd; }
    UINT Id() const { return data_.uID; }
    HICON Icon() const { return data_.hIcon; }
    std::wstring Tip() const { return data_.szTip; }

private:
    bool Modify(UINT flag);
    HMENU LoadTrayMenu() const;

    HINSTANCE resources_;
    MenuSource menuSource_;
    bool enabled_ = false;
    bool hidden_ = false;
    bool handling_ = true;
    NOTIFYICONDATAW data_{};
};

}  // namespace ui
