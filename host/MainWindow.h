// What pages and adapters may ask of the main window. The main window implements it; pages
// receive it and never see the main window's own class.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

namespace settings {
class SettingsStore;
}
namespace phonebook {
class PhoneBookTable;
}

namespace host {

// Kinds of the main window's status message.
enum class StatusKind : int {
    InternetState = 0,  // the internet page's state text
    Message = 1,        // status line, cleared after 5 s
    Sticky = 2,         // status line, stays (an operation under way)
    Result = 3,         // status line, the result that follows a sticky text; cleared after 5 s
};

// The pages of the main window.
enum class PageId { Home, Internet, Call, CallRecords, Account, SmsList, SmsSend, PhoneBook, PhoneBookEdit };

// Flags that keep card operations apart: each is set by the operation it names for as long as it
// runs, and every other operation tests them through the busy checks before it starts.
struct CardFlags {
    std::atomic<bool> connected{false};   // a data connection is up
    std::atomic<bool> dialBusy{false};    // a dial or hang-up is under way
    std::atomic<bool> callBusy{false};    // a voice call is placed, rings or is up
    std::atomic<bool> smsSending{false};  // a message is being sent
    std::atomic<bool> portBusy{false};    // a reader has the card's port
};

// Pages that keep card records re-read the card when shown with their flag set.
struct ReloadFlags {
    std::atomic<bool> smsList{false};
    std::atomic<bool> callRecords{false};
};

class MainWindow {
public:
    virtual ~MainWindow() = default;

    virtual HINSTANCE Resources() const = 0;
    // The main window, owner of message boxes and modal dialogs.
    virtual HWND Window() const = 0;
    virtual settings::SettingsStore& Settings() = 0;
    // The phone book in memory; touched on the user-interface thread only.
    virtual phonebook::PhoneBookTable& PhoneBook() = 0;
    virtual CardFlags& Flags() = 0;
    virtual ReloadFlags& Reload() = 0;
    // The card's serial port number, as the card reported it at start.
    virtual int ComPort() const = 0;

    // Busy checks: true when the condition holds; with report, the refusal goes to the status
    // line. Safe on any thread.
    virtual bool IsNetConnected(bool report) = 0;
    virtual bool IsDialBusy(bool report) = 0;
    virtual bool IsCallBusy(bool report) = 0;
    virtual bool IsSmsSending(bool report) = 0;
    virtual bool IsPortBusy(bool report) = 0;

    // A string of the resource module in the status line or the internet page's state. Any thread.
    virtual void PostStatus(StatusKind kind, UINT stringId) = 0;
    // A text of its own in the status line (cleared after 5 s). Any thread.
    virtual void PostStatusText(const std::wstring& text) = 0;
    // Writes a string into the status line at once, leaving its clearing timer alone.
    virtual void WriteStatusLine(UINT stringId) = 0;
    // Runs a task on the user-interface thread (the one posted-task queue). Any thread; false
    // when the main window is gone (the task is then dropped).
    virtual bool RunOnUiThread(std::function<void()> task) = 0;

    // The rest runs on the user-interface thread.
    // Makes the page current; false when it already was.
    virtual bool ShowPage(PageId page) = 0;
    virtual void ShowPreviousPage() = 0;
    virtual bool IsCurrentPage(PageId page) const = 0;
    // The popup with a built-in sound (0 = none) or a sound file, looped when asked.
    virtual void Notify(const std::wstring& text, UINT soundId, bool loop) = 0;
    virtual void NotifyWithSoundFile(const std::wstring& text, const std::wstring& path, bool loop) = 0;
    // The user did something (or a call or message arrived): the home-page fallback waits again.
    virtual void TouchActivity() = 0;
    // The internet page's dial/hang-up button, pressed (hangs up while connected).
    virtual void PressDialButton() = 0;
    // The signal picture: the card's current quality, or full strength without asking the card.
    virtual void UpdateSignal(bool forceFull) = 0;
    // Brings the main window back from the tray or the task bar.
    virtual void RestoreWindow() = 0;
    // Fills the compose page and shows it.
    virtual void OpenCompose(const std::string& number, const std::string& text, bool replyMode) = 0;
    // Puts the number into the call page, shows it and presses its call button.
    virtual void PlaceCall(const std::string& number) = 0;
    // The tray icon's menu and clicks (off while a modal dialog of a page runs).
    virtual void SetTrayMessageHandling(bool on) = 0;
    // A restart after the exit (asked by the advanced settings), and the exit itself.
    virtual void RequestRestart(bool on) = 0;
    virtual void Exit() = 0;
};

}  // namespace host
