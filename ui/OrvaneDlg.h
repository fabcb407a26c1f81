// The main dialog: hosts the pages, owns the timers and busy checks, starts the card, runs the exit.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "net/ConnectionCore.h"
#include "net/ConnectionWin.h"
#include "net/DlgInternet.h"
#include "net/DlgTrafficGraph.h"
#include "net/NetRecords.h"
#include "net/TrafficCore.h"
#include "phonebook/DlgTelList.h"
#include "phonebook/DlgTelOperate.h"
#include "settings/DlgAccount.h"
#include "sms/DlgSmsList.h"
#include "sms/DlgSmsSend.h"
#include "ui/DlgHome.h"
#include "ui/TaskbarNotifier.h"
#include "ui/ToolTipDialog.h"
#include "ui/TrayIcon.h"
#include "voice/DlgCall.h"
#include "voice/DlgCallRec.h"

namespace ui {

class OrvaneDlg : public CToolTipDialog {
public:
    explicit OrvaneDlg(HINSTANCE resources);
    ~OrvaneDlg() override;

    // Makes the page current; false when it already was (the caller may then refresh it itself).
    bool ShowPage(Dialog& page);
    // Goes back to the page shown before the current one, once.
    void ShowPreviousPage();
    Dialog* CurrentPage() const { return current_; }

    // Busy checks: true when the condition holds; with report, the refusal goes to the status line.
    bool IsNetConnected(bool report);
    bool IsDialBusy(bool report);
    bool IsCallBusy(bool report);
    bool IsSmsSending(bool report);
    bool IsPortBusy(bool report);

    // The popup with its sound: a WAVE resource of the language DLL, or a sound file.
    void Notify(const std::wstring& text, UINT soundId, bool loop);
    void NotifyWithSoundFile(const std::wstring& text, const std::wstring& path, bool loop);
    void UpdateSignal(bool forceFull);
    void ShowNetworkMode();
    void SetInternetStateText(UINT stringId);
    void SetStatusText(UINT stringId, int type);
    void SetStatusLiteral(const std::wstring& text);
    // Redraws the skinned background under a see-through control of this dialog or a page.
    void RepaintBehind(int controlId, Dialog& owner);
    // The traffic graph window, or nullptr when the language library has none.
    DlgTrafficGraph* TrafficGraph() { return graphCreated_ && graph_.Hwnd() ? &graph_ : nullptr; }
    // Button 1402 and the internet page's records button: the graph window, or the records dialog.
    void ShowTrafficStats();
    void RunRecordsDialog(HWND owner);
    net::ConnectionCore& Connection() { return connection_; }
    net::TrafficAccount& Account() { return netRecords_.Account(); }

    int ComPort() const { return comPort_; }
    bool Closing() const { return closing_; }
    double MaxLineRate() const { return maxLineRate_; }

    DlgHome homePage;
    DlgInternet internetPage;
    DlgCall callPage;
    DlgCallRec callRecordsPage;
    DlgAccount accountPage;
    DlgSmsList smsListPage;
    DlgSmsSend smsSendPage;
    DlgTelList phoneBookPage;
    DlgTelOperate phoneBookEditPage;

    // Flags shared with worker threads and module callbacks.
    std::atomic<bool> connected{false};
    std::atomic<bool> dialBusy{false};
    std::atomic<bool> callBusy{false};
    std::atomic<bool> smsSending{false};
    std::atomic<bool> portBusy{false};
    std::atomic<bool> sleeping{false};
    std::atomic<bool> ctaSupported{true};
    std::atomic<bool> preloaded{false};
    // Traffic of the month before this connection, and of this connection, as the card counts it.
    std::atomic<int64_t> monthReceivedBefore{0};
    std::atomic<uint32_t> connectionReceived{0};
    std::atomic<uint32_t> connectionSent{0};

private:
    // The going-online machinery: records and month total in the registry, the traffic graph,
    // the core's window side and the core itself (declared in this order: each uses the one before).
    net::NetRecords netRecords_;
    DlgTrafficGraph graph_;
    bool graphCreated_ = false;
    net::ConnectionWin connectionWin_;
    net::ConnectionCore connection_;
    net::MonthAlarm monthAlarm_;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void CreatePages();
    void CreatePopupAndTray();
    void StartCard();
    void StartTimers();
    void ShowDataPage(Dialog& page);
    bool AnyBusy();
    void StatusTick();
    void SignalTick();
    void HomeIdleTick();
    void OnDeviceChange(WPARAM event, LPARAM data);
    void OnPowerBroadcast(WPARAM event);
    void CreateTrafficGraph();
    void PlaySoundResource(UINT soundId, bool loop);
    void StartPreload();
    void ExitProgram();
    void ExitWorker();
    bool BusyCheck(bool condition, bool report, UINT stringId);

    HICON icon_ = nullptr;
    HBITMAP signalPicture_ = nullptr;
    Dialog* current_ = nullptr;
    Dialog* previous_ = nullptr;
    CTaskbarNotifier popup_;
    bool popupCreated_ = false;
    CTrayIcon tray_;
    int comPort_ = 0;
    int networkMode_ = -1;
    double maxLineRate_ = 0;
    std::atomic<bool> closing_{false};
    std::atomic<bool> cardRemoved_{false};
    std::atomic<bool> connectedAtExit_{false};
    bool suspendPending_ = false;
    bool hungUpForSuspend_ = false;
};

// The process-wide main dialog (nullptr before it is constructed and after it is gone).
OrvaneDlg* MainDialog();

// Puts a literal text on the main window's status line from any thread: the text travels as a heap
// copy that the main window frees (status message kind 4).
void PostStatusLiteral(HWND mainWindow, const std::wstring& text);

}  // namespace ui
