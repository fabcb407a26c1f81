// The data connection without windows: dial progress, outcomes, redials, link check, the
// no-traffic watch, dormancy and the traffic display.
//
// How it works: the Win32 side owns the windows, timers, registry and module table and hands
// them in as the small interfaces below. Every entry point (Toggle, OnDialProgress, the timer
// ticks) runs on the window thread: the module's dial progress callback only posts its code to
// the internet page, which passes it to OnDialProgress. The flags stay atomics because worker
// threads and the busy checks of other pages read them.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/TrafficCore.h"

namespace settings {
class SettingsStore;
}
namespace modem {
struct DeviceDescription;
}

namespace net {

// ---- Outside world -------------------------------------------------------------------------

class Clock {
public:
    virtual ~Clock() = default;
    // The system's 32-bit millisecond tick count (wraps after 49.7 days).
    virtual uint32_t TickMs() = 0;
    virtual WallTime Now() = 0;
};

// Window timers by id: the main dialog's (1225, 1229) and the internet page's (1324, 1325).
class TimerHost {
public:
    virtual ~TimerHost() = default;
    // Starts or restarts the timer with this period.
    virtual void StartTimer(int id, uint32_t periodMs) = 0;
    virtual void StopTimer(int id) = 0;
};

// The status message of the main dialog, by string id of the resource module.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    // Internet page state text (message kind 0).
    virtual void StateText(int stringId) = 0;
    // Status line text of kind 1, 2 or 3 (busy refusals use 1).
    virtual void StatusText(int stringId, int kind) = 0;
    // Status line literal (kind 4): an ANSI text of the module.
    virtual void StatusLiteral(const std::string& ansiText) = 0;
    // Writes the string straight into the status line, leaving its clearing timer alone.
    virtual void WriteStatusLine(int stringId) = 0;
};

// What a dial sends to the module: entry name and account, ANSI texts.
struct DialRequest {
    std::string entry;
    std::string tel;
    std::string user;
    std::string password;
    std::string apn;
};

// The module's connection entry points, results as the module gives them (0 = success). The
// Win32 side runs them inside the fault guard and returns its failure value on a fault.
class NetModem {
public:
    virtual ~NetModem() = default;
    // mdmNetDial2 with the progress callback, which posts each code to the internet page.
    virtual int32_t NetDial2(const DialRequest& request) = 0;
    virtual int32_t NetHangup(const std::string& entry) = 0;
    // Nonzero: the link has gone down.
    virtual int32_t NetConnectStatus() = 0;
    // Fills both counters on success; leaves them alone otherwise.
    virtual int32_t NetTransmitStatus(const std::string& entry, uint32_t& received,
                                      uint32_t& sent) = 0;
    virtual std::string GetLastErrorDes() = 0;
    virtual int32_t SetLastErrorDes(const std::string& text) = 0;
};

// Window operations of the internet page and the main dialog.
class ConnectionHost {
public:
    virtual ~ConnectionHost() = default;
    virtual bool InternetPageExists() = 0;
    // The dial button (IDC_INET_CONNECT); does nothing while the page has no window.
    virtual void EnableDialButton(bool enable) = 0;
    // WM_APP_BUTTON_LOOK to the internet page: the connected (true) or idle look of its dial button.
    virtual void SetDialButtonLook(bool connected) = 0;
    virtual void ShowInternetPage() = 0;
    virtual void ShowHomePage() = 0;
    // The signal picture at full strength without asking the card.
    virtual void ShowFullSignal() = 0;
    // A WAVE resource, once, asynchronously.
    virtual void PlaySound(int soundId) = 0;
    // WM_COMMAND "hide" to the main dialog.
    virtual void HideMainWindow() = 0;
    // The popup with a string and a built-in sound.
    virtual void Notify(int stringId, int soundId) = 0;
    virtual void StartHeartbeat(uint32_t intervalMs) = 0;
    virtual void StopHeartbeat() = 0;
    // Shell "open", SW_SHOW.
    virtual void OpenUrl(const std::string& url) = 0;
};

// Process-wide flags the main dialog keeps; the busy checks and worker threads read them.
struct BusyFlags {
    std::atomic<bool>& connected;
    std::atomic<bool>& dialBusy;
    std::atomic<bool>& callBusy;
    std::atomic<bool>& smsSending;
    std::atomic<bool>& portBusy;
    std::atomic<bool>& dormant;       // the link is in dormancy ("休眠中")
    std::atomic<bool>& ctaSupported;  // cleared when mdmNetSetCta failed at start-up
};

// ---- Dial progress codes -------------------------------------------------------------------

enum class DialOutcome {
    Progress,   // a step under way: state text only
    Final,      // an outcome: state text, dial busy cleared
    Failed,     // the dial failed
    Succeeded,  // the dial succeeded
    HungUp,     // the hang-up has finished
};

struct DialCode {
    int32_t code;
    int stringId;          // the internet page's state text
    DialOutcome outcome;
    bool clearsDialBusy;   // every outcome does (the hang-up only while the page exists)
    bool redialCandidate;  // a quick failure of this kind may be redialled
};

// Codes 1..11 (outcomes) and 100..111 (steps).
extern const std::array<DialCode, 23> kDialCodes;

// The table entry of a code; nullptr for codes the table does not know.
const DialCode* FindDialCode(int32_t code);

constexpr int kRedialsPerSeries = 3;
constexpr int kRedialMarker = 255;          // the next outcome starts a new redial series
constexpr uint32_t kQuickFailureMs = 5000;  // later failures are not redialled
constexpr uint32_t kTrafficPeriodMs = 3000;
constexpr uint32_t kLinkCheckPeriodMs = 3000;
constexpr uint32_t kSupervisionPeriodMs = 5000;
constexpr uint32_t kLateTimerMs = 1000;
constexpr uint32_t kHeartbeatIntervalMs = 300000;
// A dial or hang-up the module never finishes is given up after this long.
constexpr uint32_t kDialTimeoutMs = 90000;
// Rates are measured over at least this long; a refresh sooner after the last one (the one at
// connect time) shows no rate and keeps measuring from the earlier reading.
constexpr uint32_t kMinRateWindowMs = 1000;
constexpr std::size_t kLastErrorLength = 271;

// 20 − 4 × remaining² seconds, at least one second: remaining 2 gives 4 s, 1 gives 16 s.
uint32_t RedialDelayMs(int remaining);

// ---- The connection manager ----------------------------------------------------------------

class ConnectionCore {
public:
    struct Outside {
        Clock& clock;
        TimerHost& timers;
        StatusSink& status;
        NetModem& modem;
        ConnectionHost& host;
        TrafficView& view;
    };

    // The program's settings: the no-traffic watch sets AUTO_DIAL in them.
    ConnectionCore(const Outside& outside, const BusyFlags& flags, const TrafficCounters& counters,
                   TrafficAccount& account, settings::SettingsStore& config,
                   const modem::DeviceDescription& device);

    // The dial button: hang up when connected, dial otherwise. False when a busy check refused
    // (the refusal is reported on the status line).
    bool Toggle();

    // One code of the module's dial progress callback.
    void OnDialProgress(int32_t code);

    // Timers.
    void OnRedialTimer();      // TIMER_REDIAL
    void OnLinkCheckTimer();   // TIMER_LINK_CHECK
    void OnDialTimeout();      // TIMER_DIAL_TIMEOUT: no final report from the module
    void OnTrafficTimer();     // TIMER_TRAFFIC: the traffic display, unless dormant
    // 1224, the connection's share: after the main dialog's status line and month alarm.
    void OnSupervisionTick();
    void OnDormancyTick();     // TIMER_DORMANCY

    // The end of the main dialog's start-up: dial when AUTO_DIAL is set, unless Ctrl is held.
    void AutoDialAtStart(bool ctrlHeld);

    // The traffic display (duration, received and sent texts and the graph); ending empties it.
    void RefreshTraffic(bool ending);

    int RemainingRedials() const { return remaining_; }
    bool RedialPending() const { return redialPending_; }
    int64_t IdleMs() const { return idleMs_; }
    const WallTime& ConnectTime() const { return connectTime_; }
    const std::string& LastError() const { return lastError_; }

private:
    // True when a dial, call, SMS send or port operation is under way.
    bool Busy(bool report);
    // The counters as one of the watches last saw them.
    struct CounterSnapshot {
        uint32_t received = 0;
        uint32_t sent = 0;
    };
    // Reads the module's counters into the shared ones (kept as they were when the call fails).
    void ReadCounters();
    void ReadCountersUnlessFresh(uint64_t& lastUsed);
    // True when the counters differ from what this watch saw at its previous tick. Each watch
    // keeps its own snapshot: the 3-second traffic refresh reads the counters too, and
    // comparing with the latest reading of anyone would let it swallow the traffic of a
    // quiet link, so the watch would hang up or doze off while bytes still move.
    bool MovedSince(CounterSnapshot& seen);
    std::string EntryName() const;
    void DialSucceeded();
    void DialFailed();
    void HangupFinished();
    // A hang-up the module refused: the connection stays, the button works again.
    void HangupFailed();
    // The end of an outcome: the dial button back, the watchdog off and the redial decision.
    void AfterOutcome(bool redialCandidate);
    void RedialDecision(bool candidate);

    Clock& clock_;
    TimerHost& timers_;
    StatusSink& status_;
    NetModem& modem_;
    ConnectionHost& host_;
    TrafficView& view_;
    BusyFlags flags_;
    TrafficCounters counters_;
    TrafficAccount& account_;
    settings::SettingsStore& config_;
    const modem::DeviceDescription& device_;

    int remaining_ = kRedialsPerSeries;
    bool redialPending_ = false;
    uint32_t dialStartMs_ = 0;
    int64_t idleMs_ = 0;
    CounterSnapshot watchSeen_;     // TIMER_STATUS
    CounterSnapshot dormancySeen_;  // TIMER_DORMANCY
    // The traffic display's own previous reading and when it was taken: rates are growth since
    // then, whatever the watches read in between.
    CounterSnapshot refreshSeen_;
    uint32_t refreshTickMs_ = 0;
    bool refreshStarted_ = false;
    bool readingThisConnection_ = false;
    uint32_t lastReadingMs_ = 0;
    uint64_t readings_ = 0;  // successful readings so far; the checks note the last they used
    uint64_t watchReading_ = 0;
    uint64_t dormancyReading_ = 0;
    WallTime connectTime_;
    std::string lastError_;
};

}  // namespace net
