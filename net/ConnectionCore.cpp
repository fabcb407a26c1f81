// The data connection without windows: dial progress, outcomes, redials, link check, the
// no-traffic watch, dormancy and the traffic display.
#include "net/ConnectionCore.h"

#include <algorithm>

#include "settings/SettingsCore.h"
#include "framework/TextUtil.h"
#include "modem/DeviceDescription.h"
#include "resources/resource.h"

namespace net {

const std::array<DialCode, 23> kDialCodes = {{
    {1, IDS_NO_PCMCIA_CARD, DialOutcome::Final, true, false},
    {2, IDS_NO_MODEM, DialOutcome::Final, true, false},
    {3, IDS_NO_SIM_CARD, DialOutcome::Final, true, false},
    {4, IDS_NO_SIGNAL, DialOutcome::Final, true, true},
    {5, IDS_NOT_REGISTERED, DialOutcome::Final, true, true},
    {6, IDS_DIAL_FAILED, DialOutcome::Failed, true, true},
    {7, IDS_DIAL_SUCCEEDED, DialOutcome::Succeeded, true, false},
    {8, IDS_HANGUP_SUCCEEDED, DialOutcome::HungUp, true, false},
    {9, IDS_NET_CONNECTED, DialOutcome::Final, true, false},
    {10, IDS_OPEN_PORT_FAILED, DialOutcome::Final, true, false},
    {11, IDS_CREATE_ENTRY_FAILED, DialOutcome::Final, true, false},
    {100, IDS_DIAL_CHECKING_PORT, DialOutcome::Progress, false, false},
    {101, IDS_DIAL_CHECKING_MODEM, DialOutcome::Progress, false, false},
    {102, IDS_DIAL_DIALING, DialOutcome::Progress, false, false},
    {103, IDS_DIAL_HANGING_UP, DialOutcome::Progress, false, false},
    {104, IDS_DIAL_ENDED, DialOutcome::Final, true, false},
    {105, IDS_DIAL_CHECKING_SIM, DialOutcome::Progress, false, false},
    {106, IDS_DIAL_CHECKING_SIGNAL, DialOutcome::Progress, false, false},
    {107, IDS_DIAL_CHECKING_REGISTRATION, DialOutcome::Progress, false, false},
    {108, IDS_DIAL_CHECKING_ACCOUNT, DialOutcome::Progress, false, false},
    {109, IDS_DIAL_REGISTERING, DialOutcome::Progress, false, false},
    {110, IDS_DIAL_CONNECTING_DEVICE, DialOutcome::Progress, false, false},
    {111, IDS_DIAL_REDIALING, DialOutcome::Progress, false, false},
}};

const DialCode* FindDialCode(int32_t code) {
    for (const DialCode& entry : kDialCodes)
        if (entry.code == code) return &entry;
    return nullptr;
}

uint32_t RedialDelayMs(int remaining) {
    const int64_t r = remaining;
    const int64_t seconds = std::max<int64_t>(20 - 4 * r * r, 1);
    return static_cast<uint32_t>(seconds * 1000);
}

ConnectionCore::ConnectionCore(const Outside& outside, const BusyFlags& flags,
                               const TrafficCounters& counters, TrafficAccount& account,
                               settings::SettingsStore& config, const modem::DeviceDescription& device)
    : clock_(outside.clock),
      timers_(outside.timers),
      status_(outside.status),
      modem_(outside.modem),
      host_(outside.host),
      view_(outside.view),
      flags_(flags),
      counters_(counters),
      account_(account),
      config_(config),
      device_(device) {}

std::string ConnectionCore::EntryName() const {
    return text::CutText(std::string_view(device_.ENTRY_NAME, sizeof device_.ENTRY_NAME),
                         modem::kDeviceTextSize - 1);
}

bool ConnectionCore::Busy(bool report) {
    const struct {
        const std::atomic<bool>& flag;
        int stringId;
    } checks[] = {
        {flags_.dialBusy, IDS_BUSY_DIALING},
        {flags_.callBusy, IDS_BUSY_CALL},
        {flags_.smsSending, IDS_BUSY_SMS_SENDING},
        {flags_.portBusy, IDS_BUSY_PORT},
    };
    for (const auto& check : checks) {
        if (!check.flag) continue;
        if (report) status_.StatusText(check.stringId, 1);
        return true;
    }
    return false;
}

void ConnectionCore::ReadCounters() {
    uint32_t received = counters_.received;
    uint32_t sent = counters_.sent;
    if (modem_.NetTransmitStatus(EntryName(), received, sent) != 0) return;
    counters_.received = received;
    counters_.sent = sent;
    lastReadingMs_ = clock_.TickMs();
    readingThisConnection_ = true;
    ++readings_;
}

void ConnectionCore::ReadCountersUnlessFresh(uint64_t& lastUsed) {
    // While awake the traffic refresh reads the counters every period; the watch and the
    // dormancy check take a reading of it they have not seen yet (a timer may come a little late)
    // instead of asking the card again. Asleep, nothing refreshes and they read for themselves.
    if (!flags_.dormant && readingThisConnection_ && readings_ != lastUsed &&
        clock_.TickMs() - lastReadingMs_ <= kTrafficPeriodMs + kLateTimerMs) {
        lastUsed = readings_;
        return;
    }
    ReadCounters();
    lastUsed = readings_;
}

bool ConnectionCore::MovedSince(CounterSnapshot& seen) {
    const CounterSnapshot now{counters_.received, counters_.sent};
    const bool moved = now.received != seen.received || now.sent != seen.sent;
    seen = now;
    return moved;
}

bool ConnectionCore::Toggle() {
    if (Busy(true)) return false;
    account_.EnsureMonthTotal(clock_.Now().local);
    // Busy and the button are set before the module is called: a module that reports its
    // outcome before returning must find them already set, or they would stay set.
    host_.EnableDialButton(false);
    flags_.dialBusy = true;
    // The module reports the end of a dial or hang-up through its callback; the watchdog ends
    // one that it never reports.
    timers_.StartTimer(TIMER_DIAL_TIMEOUT, kDialTimeoutMs);
    if (flags_.connected) {
        ReadCounters();
        // A refused call (an error, a fault, no such entry) brings no report: end it here.
        if (modem_.NetHangup(EntryName()) != 0 && flags_.dialBusy) HangupFailed();
    } else {
        host_.ShowFullSignal();
        dialStartMs_ = clock_.TickMs();
        const auto config = config_.Snapshot();
        const int32_t result = modem_.NetDial2(
            DialRequest{EntryName(), config->TEL, config->USERNAME, config->PASSWORD, config->APN});
        if (result != 0 && flags_.dialBusy) {
            DialFailed();
            AfterOutcome(true);
        }
    }
    return true;
}

void ConnectionCore::OnDialProgress(int32_t code) {
    const DialCode* entry = FindDialCode(code);
    if (entry == nullptr) return;
    switch (entry->outcome) {
    case DialOutcome::Progress:
        status_.StateText(entry->stringId);
        return;
    case DialOutcome::Final:
        flags_.dialBusy = false;
        status_.StateText(entry->stringId);
        break;
    case DialOutcome::Failed:
        DialFailed();
        break;
    case DialOutcome::Succeeded:
        DialSucceeded();
        break;
    case DialOutcome::HungUp:
        if (!host_.InternetPageExists()) return;
        HangupFinished();
        break;
    }
    if (flags_.dialBusy) return;
    AfterOutcome(entry->redialCandidate);
}

void ConnectionCore::AfterOutcome(bool redialCandidate) {
    timers_.StopTimer(TIMER_DIAL_TIMEOUT);
    host_.EnableDialButton(true);
    RedialDecision(redialCandidate);
}

void ConnectionCore::OnDialTimeout() {
    timers_.StopTimer(TIMER_DIAL_TIMEOUT);
    if (!flags_.dialBusy) return;
    if (flags_.connected) {
        // The module took the hang-up but never said it was done: the connection is over for us.
        HangupFinished();
        AfterOutcome(false);
    } else {
        DialFailed();
        AfterOutcome(true);
    }
}

void ConnectionCore::HangupFailed() {
    flags_.dialBusy = false;
    timers_.StopTimer(TIMER_DIAL_TIMEOUT);
    status_.StateText(IDS_NET_CONNECTED);
    status_.StatusText(IDS_HANGUP_FAILED, 1);
    host_.EnableDialButton(true);
}

void ConnectionCore::DialSucceeded() {
    flags_.dialBusy = false;
    flags_.connected = true;
    status_.StateText(IDS_DIAL_SUCCEEDED);
    connectTime_ = clock_.Now();
    // A new connection starts awake and with no idle time of the previous one.
    idleMs_ = 0;
    flags_.dormant = false;
    refreshStarted_ = false;
    readingThisConnection_ = false;
    RefreshTraffic(false);
    watchSeen_ = dormancySeen_ = CounterSnapshot{counters_.received, counters_.sent};
    watchReading_ = dormancyReading_ = readings_;  // the reading those snapshots come from
    timers_.StartTimer(TIMER_TRAFFIC, kTrafficPeriodMs);
    host_.PlaySound(IDW_CONNECTED);
    host_.EnableDialButton(true);
    host_.SetDialButtonLook(true);
    const auto config = config_.Snapshot();
    if (config->AUTO_HIDE) host_.HideMainWindow();
    timers_.StartTimer(TIMER_LINK_CHECK, kLinkCheckPeriodMs);
    if (config->AUTO_DIAL) remaining_ = 0;
    if (device_.HEARTBEAT) host_.StartHeartbeat(kHeartbeatIntervalMs);
    if (!config->HOMEPAGE.empty()) host_.OpenUrl(config->HOMEPAGE);
}

void ConnectionCore::DialFailed() {
    flags_.dialBusy = false;
    status_.StateText(IDS_DIAL_FAILED);
    host_.EnableDialButton(true);
    lastError_ = text::CutText(modem_.GetLastErrorDes(), kLastErrorLength);
    modem_.SetLastErrorDes("");
    if (!lastError_.empty())
        status_.StatusLiteral(lastError_);
    else
        status_.WriteStatusLine(IDS_STATUS_BLANK);
}

void ConnectionCore::HangupFinished() {
    const bool wasConnected = flags_.connected;
    flags_.connected = false;
    status_.StateText(IDS_HANGUP_SUCCEEDED);
    OnTrafficTimer();  // the last refresh of the traffic timer
    timers_.StopTimer(TIMER_TRAFFIC);
    timers_.StopTimer(TIMER_LINK_CHECK);
    host_.EnableDialButton(true);
    host_.SetDialButtonLook(false);
    // A hang-up that only broke off a dial (the exit does that) has no connection to record.
    if (wasConnected) {
        account_.EndConnection(connectTime_, clock_.Now(), counters_.sent, counters_.received);
        // The connection's bytes now live in the month total; left in the counters they would
        // count twice in the month alarm and make the next connection's first rate negative.
        counters_.received = 0;
        counters_.sent = 0;
    }
    RefreshTraffic(true);
    if (device_.HEARTBEAT) host_.StopHeartbeat();
    if (view_.GraphExists()) view_.ClearGraph();
    flags_.dialBusy = false;
}

void ConnectionCore::RedialDecision(bool candidate) {
    const uint32_t now = clock_.TickMs();
    if (remaining_ == kRedialMarker) {
        remaining_ = kRedialsPerSeries;
        dialStartMs_ = now - 1;
        candidate = true;
    }
    if (!candidate || config_.Snapshot()->AUTO_DIAL == 0 || flags_.connected || redialPending_) return;
    // Unsigned difference: right across the wrap of the tick count.
    if (now - dialStartMs_ >= kQuickFailureMs) {
        remaining_ = 0;
        return;
    }
    if (remaining_ > 0) --remaining_;
    if (remaining_ <= 0) return;
    redialPending_ = true;
    timers_.StartTimer(TIMER_REDIAL, RedialDelayMs(remaining_));
}

void ConnectionCore::OnRedialTimer() {
    // A dial of the user's own may have connected meanwhile: dialling now would hang it up.
    if (flags_.connected) {
        timers_.StopTimer(TIMER_REDIAL);
        redialPending_ = false;
        return;
    }
    if (Busy(false)) return;
    host_.ShowInternetPage();
    timers_.StopTimer(TIMER_REDIAL);
    redialPending_ = false;
    Toggle();
}

void ConnectionCore::OnLinkCheckTimer() {
    // The busy checks come first: the card serves one operation at a time.
    if (!flags_.connected || Busy(false)) return;
    if (modem_.NetConnectStatus() == 0) return;
    host_.ShowInternetPage();
    timers_.StopTimer(TIMER_LINK_CHECK);
    Toggle();
}

void ConnectionCore::OnTrafficTimer() {
    if (!flags_.dormant) RefreshTraffic(false);
}

void ConnectionCore::OnSupervisionTick() {
    if (flags_.dialBusy) return;
    if (!flags_.connected) {
        status_.StateText(IDS_NET_DISCONNECTED);
        return;
    }
    ReadCountersUnlessFresh(watchReading_);
    if (MovedSince(watchSeen_)) {
        flags_.dormant = false;
        status_.StateText(IDS_NET_CONNECTED);
        idleMs_ = 0;
        return;
    }
    idleMs_ += kSupervisionPeriodMs;
    const auto config = config_.Snapshot();
    const int64_t limitMs = int64_t{config->REDIALTIMEOUT} * 1000;
    if (config->KEPPCONNECT == 0 && config->NET_CTA == 0 && idleMs_ > limitMs) {
        idleMs_ = 0;
        // Only a hang-up that really started may arm the redial of its end.
        if (Toggle()) {
            config_.Change([](settings::Settings& s) { s.AUTO_DIAL = 1; });
            remaining_ = kRedialMarker;
        }
        return;
    }
    status_.StateText(flags_.dormant ? IDS_NET_DORMANT : IDS_NET_CONNECTED);
}

void ConnectionCore::OnDormancyTick() {
    if (flags_.dialBusy || flags_.dormant || !flags_.connected) return;
    ReadCountersUnlessFresh(dormancyReading_);
    if (MovedSince(dormancySeen_)) return;
    if (config_.Snapshot()->KEPPCONNECT == 0) {
        Toggle();
    } else if (flags_.ctaSupported) {
        flags_.dormant = true;
        host_.Notify(IDS_GOING_DORMANT, IDW_DORMANT);
    }
}

void ConnectionCore::AutoDialAtStart(bool ctrlHeld) {
    if (config_.Snapshot()->AUTO_DIAL == 0) return;
    if (ctrlHeld) {
        host_.ShowHomePage();
        return;
    }
    host_.ShowInternetPage();
    Toggle();
}

void ConnectionCore::RefreshTraffic(bool ending) {
    const bool live = flags_.connected && !ending;
    const int64_t elapsed = clock_.Now().epochSeconds - connectTime_.epochSeconds;
    view_.SetDurationText(live ? FormatElapsed(elapsed) : std::string());
    if (!live) {
        view_.SetSentText({});
        view_.SetReceivedText({});
        return;
    }
    ReadCounters();
    const uint32_t sent = counters_.sent;
    const uint32_t received = counters_.received;
    const uint32_t now = clock_.TickMs();
    const uint32_t elapsedMs = now - refreshTickMs_;  // unsigned: right across the tick wrap
    double sendKBps = 0, receiveKBps = 0;
    if (!refreshStarted_) {
        // The first reading of a connection: the rates are measured from here.
        refreshStarted_ = true;
        refreshSeen_ = CounterSnapshot{received, sent};
        refreshTickMs_ = now;
    } else if (elapsedMs >= kMinRateWindowMs) {
        sendKBps = RateKBytesPerSecond(CounterDelta(refreshSeen_.sent, sent), elapsedMs);
        receiveKBps = RateKBytesPerSecond(CounterDelta(refreshSeen_.received, received), elapsedMs);
        refreshSeen_ = CounterSnapshot{received, sent};
        refreshTickMs_ = now;
    }
    if (view_.GraphExists()) {
        view_.SetSentText(FormatBytes(sent));
        view_.SetReceivedText(FormatBytes(received));
        view_.AddGraphRates(sendKBps, receiveKBps);
    } else {
        view_.SetSentText(FormatBytesAndRate(sent, sendKBps * 8));
        view_.SetReceivedText(FormatBytesAndRate(received, receiveKBps * 8));
    }
}

}  // namespace net
