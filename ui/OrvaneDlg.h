// The main dialog: hosts the pages, owns the timers and busy checks, starts the card, runs the exit.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "host/AppHost.h"
#include "host/MainWindow.h"
#include "net/ConnectionCore.h"
#include "net/ConnectionWin.h"
#include "net/DlgInternet.h"
#include "net/DlgTrafficGraph.h"
#include "net/NetRecords.h"
#include "net/TrafficCore.h"
#include "phonebook/DlgTelList.h"
#include "phonebook/DlgTelOperate.h"
#include "phonebook/PhoneBookTable.h"
#include "settings/DlgAccount.h"
#include "settings/SettingsCore.h"
#include "skin/TaskbarNotifier.h"
#include "skin/ToolTipDialog.h"
#include "skin/TrayIcon.h"
#include "sms/DlgSmsList.h"
#include "sms/DlgSmsSend.h"
#include "ui/DlgHome.h"
#include "ui/Toolbar.h"
#include "voice/DlgCall.h"
#include "voice/DlgCallRec.h"

namespace ui {

class OrvaneDlg : public CToolTipDialog, public host::MainWindow {
public:
    OrvaneDlg(HINSTANCE resources, settings::SettingsStore& settings, host::AppHost& app);
    ~OrvaneDlg() override;

    // host::MainWindow
    HINSTANCE Resources() const override { return Dialog::Resources(); }
    HWND Window() const override { return Hwnd(); }
    settings::SettingsStore& Settings() override { return settings_; }
    phonebook::PhoneBookTable& PhoneBook() override { return phoneBook_; }
    host::CardFlags& Flags() override { return flags_; }
    host::ReloadFlags& Reload() override { return reload_; }
    int ComPort() const override { return comPort_; }
    bool IsNetConnected(bool report) override;
    bool IsDialBusy(bool report) override;
    bool IsCallBusy(bool report) override;
    bool IsSmsSending(bool report) override;
    bool IsPortBusy(bool report) override;
    void PostStatus(host::StatusKind kind, UINT stringId) override;
    void PostStatusText(const std::wstring& text) override;
    void WriteStatusLine(UINT stringId) override;
    bool RunOnUiThread(std::function<void()> task) override;
    bool ShowPage(host::PageId page) override;
    void ShowPreviousPage() override;
    bool IsCurrentPage(host::PageId page) const override;
    void Notify(const std::wstring& text, UINT soundId, bool loop) override;
    void NotifyWithSoundFile(const std::wstring& text, const std::wstring& path, bool loop) override;
    void TouchActivity() override { app_.TouchActivity(); }
    void PressDialButton() override;
    void UpdateSignal(bool forceFull) override;
    void RestoreWindow() override;
    void OpenCompose(const std::string& number, const std::string& text, bool replyMode) override;
    void PlaceCall(const std::string& number) override;
    void SetTrayMessageHandling(bool on) override { tray_.SetTrayMessageHandling(on); }
    void RequestRestart(bool on) override { app_.RequestRestart(on); }
    void Exit() override;

    // Makes the page current; false when it already was (the caller may then refresh it itself).
    bool ShowPage(Dialog& page);
    // The pages nobody sees at start, the popup and the tray icon: made right after the window
    // first shows, or at once when something needs them before. Later calls do nothing.
    void CreateDeferredWindows();
    Dialog* CurrentPage() const { return current_; }
    Dialog& PageOf(host::PageId page);
    const Dialog& PageOf(host::PageId page) const;

    void ShowNetworkMode();
    void SetInternetStateText(UINT stringId);
    void SetStatusText(UINT stringId, host::StatusKind kind);
    void SetStatusLiteral(const std::wstring& text);
    // The traffic graph window, or nullptr when the language library has none.
    DlgTrafficGraph* TrafficGraph() { return graph_.Hwnd() ? &graph_ : nullptr; }
    // The statistics button and the internet page's records button: the graph window, or the
    // records dialog.
    void ShowTrafficStats();
    void RunRecordsDialog(HWND owner);
    net::ConnectionCore& Connection() { return connection_; }
    net::TrafficAccount& Account() { return netRecords_.Account(); }

    bool Closing() const { return closing_; }
    double MaxLineRate() const { return maxLineRate_; }

    DlgHome homePage;
    DlgInternet internetPage;
    DlgCall callPage;
    DlgCallRec callRecordsPage;
    DlgAccount accountPage;
    DlgSmsList smsListPage;
    DlgSmsSend smsSendPage;
    DlgTelOperate phoneBookEditPage;
    DlgTelList phoneBookPage;

    // The link is dozing, and whether the card can doze at all; read by the connection manager.
    std::atomic<bool> sleeping{false};
    std::atomic<bool> ctaSupported{true};
    std::atomic<bool> preloaded{false};
    // Traffic of the month before this connection, and of this connection, as the card counts it.
    std::atomic<int64_t> monthReceivedBefore{0};
    std::atomic<uint32_t> connectionReceived{0};
    std::atomic<uint32_t> connectionSent{0};

private:
    settings::SettingsStore& settings_;
    host::AppHost& app_;
    host::CardFlags flags_;
    host::ReloadFlags reload_;
    phonebook::PhoneBookTable phoneBook_;

    // The going-online machinery: records and month total in the registry, the traffic graph,
    // the core's window side and the core itself (declared in this order: each uses the one before).
    net::NetRecords netRecords_;
    DlgTrafficGraph graph_;
    net::ConnectionWin connectionWin_;
    net::ConnectionCore connection_;
    net::MonthAlarm monthAlarm_;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void CreatePages(std::initializer_list<CToolTipDialog*> pages);
    void CreatePopup();
    void CreateTray();
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
    void ResumeAfterSleep();
    bool BusyCheck(bool condition, bool report, UINT stringId);
    // A card event, on the window thread; number is the event's text (a ring's or a message's).
    void OnCardEvent(int32_t event, const std::string& number);
    static void MDM_CALL CardEventCallback(int32_t event, intptr_t a1, intptr_t a2, intptr_t a3,
                                           intptr_t a4);

    HICON icon_ = nullptr;
    HBITMAP signalPicture_ = nullptr;
    int signalBitmapId_ = 0;  // the resource signalPicture_ was loaded from
    Dialog* current_ = nullptr;
    Dialog* previous_ = nullptr;
    CTaskbarNotifier popup_;
    bool popupCreated_ = false;
    bool deferredQueued_ = false;
    bool homeIdleRunning_ = false;  // the home-page check's timer, paused while hidden
    bool deferredCreated_ = false;
    CTrayIcon tray_;
    Toolbar toolbar_;
    int comPort_ = 0;
    int networkMode_ = -1;
    double maxLineRate_ = 0;
    std::atomic<bool> closing_{false};
    std::atomic<bool> cardRemoved_{false};
    std::atomic<bool> connectedAtExit_{false};
    bool suspendPending_ = false;
    bool hungUpForSuspend_ = false;
    bool resuming_ = false;  // waiting for the card after a resume
    HANDLE preloadThread_ = nullptr;
    HANDLE resumeThread_ = nullptr;
};

}  // namespace ui
