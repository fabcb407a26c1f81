// Connection manager on a virtual clock: dial outcomes, redial series, link check, no-traffic
// watch, dormancy and the traffic display, with a scripted module and fake windows.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "settings/SettingsCore.h"
#include "modem/DeviceDescription.h"
#include "net/ConnectionCore.h"
#include "resources/resource.h"

using namespace net;

namespace {

constexpr int64_t kEpochAtStart = 1710057600;  // 2024-03-10 08:00:00 (taken as local time)

struct MemoryStore : RecordStore {
    std::map<std::string, std::string> values;
    std::string Read(const std::string& name) override {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    bool Write(const std::string& name, const std::string& text) override {
        values[name] = text;
        return true;
    }
    bool Clear() override {
        values.clear();
        return true;
    }
};

// Everything outside the core: clock, timers, status line, module, windows. Time only moves in
// Run(), which fires timers and delivers the module's posted progress codes in time order.
struct World : Clock, TimerHost, StatusSink, NetModem, ConnectionHost, TrafficView {
    uint64_t now = 0;  // milliseconds since the program started

    // ---- Clock
    uint32_t TickMs() override { return static_cast<uint32_t>(0xFFFF0000u + now); }  // wraps soon
    WallTime Now() override {
        const int64_t epoch = kEpochAtStart + static_cast<int64_t>(now / 1000);
        const std::time_t t = static_cast<std::time_t>(epoch);
        std::tm tm{};
        gmtime_r(&t, &tm);
        return WallTime{epoch, DateTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                                        tm.tm_min, tm.tm_sec}};
    }

    // ---- Timers
    struct Running {
        uint32_t period;
        uint64_t due;
    };
    std::map<int, Running> timers;
    std::vector<std::pair<int, uint32_t>> timerStarts;
    void StartTimer(int id, uint32_t periodMs) override {
        timers[id] = Running{periodMs, now + periodMs};
        timerStarts.emplace_back(id, periodMs);
    }
    void StopTimer(int id) override { timers.erase(id); }
    bool TimerRunning(int id) const { return timers.count(id) != 0; }

    // ---- Status
    std::vector<int> stateTexts;
    std::vector<std::pair<int, int>> statusTexts;
    std::vector<std::string> literals;
    std::vector<int> statusWrites;
    void StateText(int id) override { stateTexts.push_back(id); }
    void StatusText(int id, int kind) override { statusTexts.emplace_back(id, kind); }
    void StatusLiteral(const std::string& text) override { literals.push_back(text); }
    void WriteStatusLine(int id) override { statusWrites.push_back(id); }

    // ---- Module: each dial takes the next scripted outcome; a hang-up reports 8 after 500 ms.
    struct Outcome {
        uint32_t afterMs;
        int32_t code;
    };
    std::deque<Outcome> dialScript;
    std::vector<uint64_t> dialTimes;
    std::vector<uint64_t> hangupTimes;
    std::vector<DialRequest> dialRequests;
    std::deque<std::pair<uint64_t, int32_t>> posted;  // codes on their way to the page
    uint32_t received = 0;
    uint32_t sent = 0;
    // A steady download: received grows by this many bytes a second from rateFrom on.
    uint32_t bytesPerSecond = 0;
    uint64_t rateFrom = 0;
    int32_t dialResult = 0;     // what NetDial2 returns
    bool dialReports = true;    // false: the module never calls back
    int32_t hangupResult = 0;   // what NetHangup returns (a refused hang-up never reports)
    int32_t transmitResult = 0;
    int transmitCalls = 0;
    int32_t linkStatus = 0;
    std::string lastError;
    bool reportInsideDial = false;  // the module calls back before NetDial2 returns
    ConnectionCore* core = nullptr;

    void Post(uint32_t afterMs, int32_t code) { posted.emplace_back(now + afterMs, code); }
    int32_t NetDial2(const DialRequest& request) override {
        dialTimes.push_back(now);
        dialRequests.push_back(request);
        Outcome o{1000, 7};
        if (!dialScript.empty()) {
            o = dialScript.front();
            dialScript.pop_front();
        }
        if (!dialReports || dialResult != 0) return dialResult;
        if (reportInsideDial) {
            core->OnDialProgress(o.code);
        } else {
            Post(o.afterMs, o.code);
        }
        return dialResult;
    }
    int32_t NetHangup(const std::string&) override {
        hangupTimes.push_back(now);
        if (hangupResult == 0) Post(500, 8);
        return hangupResult;
    }
    int32_t NetConnectStatus() override { return linkStatus; }
    int32_t NetTransmitStatus(const std::string&, uint32_t& r, uint32_t& s) override {
        ++transmitCalls;
        if (transmitResult != 0) return transmitResult;
        r = received + static_cast<uint32_t>(uint64_t{bytesPerSecond} * (now - rateFrom) / 1000);
        s = sent;
        return 0;
    }
    std::string GetLastErrorDes() override { return lastError; }
    int32_t SetLastErrorDes(const std::string& text) override {
        lastError = text;
        return 0;
    }

    // ---- Windows
    bool pageExists = true;
    bool buttonEnabled = true;
    std::vector<std::string> events;
    bool InternetPageExists() override { return pageExists; }
    void EnableDialButton(bool enable) override { buttonEnabled = enable; }
    void SetDialButtonLook(bool c) override {
        events.push_back(c ? "look:connected" : "look:idle");
    }
    void ShowInternetPage() override { events.push_back("page:internet"); }
    void ShowHomePage() override { events.push_back("page:home"); }
    void ShowFullSignal() override { events.push_back("signal:full"); }
    void PlaySound(int id) override { events.push_back("sound:" + std::to_string(id)); }
    void HideMainWindow() override { events.push_back("hide"); }
    void Notify(int text, int sound) override {
        events.push_back("notify:" + std::to_string(text) + "," + std::to_string(sound));
    }
    void StartHeartbeat(uint32_t ms) override {
        events.push_back("heartbeat:" + std::to_string(ms));
    }
    void StopHeartbeat() override { events.push_back("heartbeat:stop"); }
    void OpenUrl(const std::string& url) override { events.push_back("open:" + url); }

    // ---- Traffic view
    std::string duration = "-";
    std::string sentText = "-";
    std::string receivedText = "-";
    bool graph = false;
    std::vector<std::pair<double, double>> graphRates;
    int graphClears = 0;
    void SetDurationText(const std::string& t) override { duration = t; }
    void SetSentText(const std::string& t) override { sentText = t; }
    void SetReceivedText(const std::string& t) override { receivedText = t; }
    bool GraphExists() override { return graph; }
    void AddGraphRates(double s, double r) override { graphRates.emplace_back(s, r); }
    void ClearGraph() override { ++graphClears; }

    bool HasEvent(const std::string& e) const {
        return std::find(events.begin(), events.end(), e) != events.end();
    }

    void Fire(int id) {
        switch (id) {
        case TIMER_STATUS:
            core->OnSupervisionTick();
            break;
        case TIMER_TRAFFIC:
            core->OnTrafficTimer();
            break;
        case TIMER_DORMANCY:
            core->OnDormancyTick();
            break;
        case TIMER_REDIAL:
            core->OnRedialTimer();
            break;
        case TIMER_LINK_CHECK:
            core->OnLinkCheckTimer();
            break;
        case TIMER_DIAL_TIMEOUT:
            core->OnDialTimeout();
            break;
        default:
            break;
        }
    }

    // Moves time forward, handling every due timer and posted code on the way.
    void Run(uint64_t ms) {
        const uint64_t end = now + ms;
        for (;;) {
            uint64_t next = end + 1;
            int timer = 0;
            for (const auto& [id, t] : timers)
                if (t.due < next) next = t.due, timer = id;
            bool code = false;
            for (const auto& p : posted)
                if (p.first <= next) next = p.first, code = true;
            if (next > end) break;
            now = next;
            if (code) {
                auto it = std::find_if(posted.begin(), posted.end(),
                                       [&](const auto& p) { return p.first == next; });
                const int32_t c = it->second;
                posted.erase(it);
                core->OnDialProgress(c);
            } else {
                timers[timer].due += timers[timer].period;
                Fire(timer);
            }
        }
        now = end;
    }
};

class ConnectionTest : public ::testing::Test {
protected:
    World world;
    std::atomic<bool> connected{false}, dialBusy{false}, callBusy{false}, smsSending{false},
        portBusy{false}, dormant{false}, ctaSupported{true};
    std::atomic<uint32_t> received{0}, sent{0};
    std::atomic<int64_t> monthBefore{-1};
    MemoryStore store;
    TrafficAccount account{store, monthBefore};
    settings::SettingsStore settingsStore;
    modem::DeviceDescription device;
    ConnectionCore core{ConnectionCore::Outside{world, world, world, world, world, world},
                        BusyFlags{connected, dialBusy, callBusy, smsSending, portBusy, dormant,
                                  ctaSupported},
                        TrafficCounters{received, sent, monthBefore},
                        account,
                        settingsStore,
                        device};

    // Changes the settings the way the settings pages do; reads take the current record.
    void Set(const std::function<void(settings::Settings&)>& edit) { settingsStore.Change(edit); }
    std::shared_ptr<const settings::Settings> Config() const { return settingsStore.Snapshot(); }

    void SetUp() override {
        world.core = &core;
        std::snprintf(device.ENTRY_NAME, sizeof device.ENTRY_NAME, "%s", "Orvane");
        Set([](settings::Settings& s) { s.TEL = "#777"; });
        Set([](settings::Settings& s) { s.USERNAME = "card"; });
        Set([](settings::Settings& s) { s.PASSWORD = "card"; });
        Set([](settings::Settings& s) { s.APN = "cmnet"; });
        // No dormancy check unless a test asks for it (the record's default is 1 s).
        Set([](settings::Settings& s) { s.NET_CTA = 0; });
        // The main dialog's timers, as its start-up leaves them.
        world.StartTimer(TIMER_STATUS, kSupervisionPeriodMs);
        world.StartTimer(TIMER_DORMANCY, Config()->NET_CTA < 1 ? 16777215u : Config()->NET_CTA * 1000u);
    }

    void RestartDormancyTimer() {
        world.StartTimer(TIMER_DORMANCY, Config()->NET_CTA < 1 ? 16777215u : Config()->NET_CTA * 1000u);
    }

    // Dials by the button and lets the scripted outcome arrive.
    void DialAndConnect() {
        world.dialScript.push_back({1000, 7});
        ASSERT_TRUE(core.Toggle());
        world.Run(1000);
        ASSERT_TRUE(connected);
    }
};

TEST_F(ConnectionTest, ProgressCodesKeepDialBusyAndOutcomesClearIt) {
    const std::vector<int32_t> keep = {100, 101, 102, 103, 105, 106, 107, 108, 109, 110, 111};
    const std::vector<int32_t> clear = {1, 2, 3, 4, 5, 9, 10, 11, 104};
    for (int32_t code : keep) {
        dialBusy = true;
        world.stateTexts.clear();
        core.OnDialProgress(code);
        EXPECT_TRUE(dialBusy) << code;
        ASSERT_EQ(world.stateTexts.size(), 1u) << code;
        EXPECT_EQ(world.stateTexts[0], FindDialCode(code)->stringId);
        EXPECT_FALSE(FindDialCode(code)->clearsDialBusy) << code;
    }
    for (int32_t code : clear) {
        dialBusy = true;
        world.buttonEnabled = false;
        world.stateTexts.clear();
        core.OnDialProgress(code);
        EXPECT_FALSE(dialBusy) << code;
        EXPECT_TRUE(world.buttonEnabled) << code;
        ASSERT_EQ(world.stateTexts.size(), 1u) << code;
        EXPECT_EQ(world.stateTexts[0], FindDialCode(code)->stringId);
        EXPECT_TRUE(FindDialCode(code)->clearsDialBusy) << code;
    }
    // The texts of a few codes, spot-checked against the resource names.
    EXPECT_EQ(FindDialCode(1)->stringId, IDS_NO_PCMCIA_CARD);
    EXPECT_EQ(FindDialCode(9)->stringId, IDS_NET_CONNECTED);
    EXPECT_EQ(FindDialCode(100)->stringId, IDS_DIAL_CHECKING_PORT);
    EXPECT_EQ(FindDialCode(109)->stringId, IDS_DIAL_REGISTERING);
    EXPECT_EQ(FindDialCode(111)->stringId, IDS_DIAL_REDIALING);
    // Only signal, registration and dial failures are redialled.
    for (const DialCode& c : kDialCodes)
        EXPECT_EQ(c.redialCandidate, c.code == 4 || c.code == 5 || c.code == 6) << c.code;

    for (int32_t unknown : {0, -1, 12, 99, 112, 255}) {
        dialBusy = true;
        world.stateTexts.clear();
        core.OnDialProgress(unknown);
        EXPECT_TRUE(dialBusy) << unknown;
        EXPECT_TRUE(world.stateTexts.empty()) << unknown;
    }
}

TEST_F(ConnectionTest, QuickFailuresAreRedialledAfter4sThen16sThenNoMore) {
    Set([](settings::Settings& s) { s.AUTO_DIAL = 1; });
    for (int i = 0; i < 3; ++i) world.dialScript.push_back({2000, 4});
    core.AutoDialAtStart(false);
    EXPECT_TRUE(world.HasEvent("page:internet"));
    ASSERT_EQ(world.dialTimes.size(), 1u);
    EXPECT_TRUE(dialBusy);
    EXPECT_FALSE(world.buttonEnabled);
    EXPECT_EQ(world.dialRequests[0].entry, "Orvane");
    EXPECT_EQ(world.dialRequests[0].apn, "cmnet");

    world.Run(60000);
    ASSERT_EQ(world.dialTimes.size(), 3u);
    EXPECT_EQ(world.dialTimes[1] - world.dialTimes[0], 2000u + 4000u);
    EXPECT_EQ(world.dialTimes[2] - world.dialTimes[1], 2000u + 16000u);
    EXPECT_EQ(core.RemainingRedials(), 0);
    EXPECT_FALSE(core.RedialPending());
    EXPECT_FALSE(world.TimerRunning(TIMER_REDIAL));
    EXPECT_FALSE(dialBusy);
    EXPECT_TRUE(world.buttonEnabled);
}

TEST_F(ConnectionTest, AFailureSixSecondsAfterTheRequestIsNotRedialled) {
    Set([](settings::Settings& s) { s.AUTO_DIAL = 1; });
    world.dialScript.push_back({6000, 6});
    world.lastError = "NO CARRIER";
    core.AutoDialAtStart(false);
    world.Run(60000);
    EXPECT_EQ(world.dialTimes.size(), 1u);
    EXPECT_EQ(core.RemainingRedials(), 0);
    // The module's own error text goes to the status line and is cleared there.
    EXPECT_EQ(world.literals, std::vector<std::string>{"NO CARRIER"});
    EXPECT_EQ(world.lastError, "");
}

TEST_F(ConnectionTest, DialFailureWithoutErrorTextBlanksTheStatusLineAndLongTextsAreCut) {
    world.dialScript.push_back({1000, 6});
    core.Toggle();
    world.Run(1000);
    EXPECT_EQ(world.statusWrites, std::vector<int>{IDS_STATUS_BLANK});
    EXPECT_TRUE(world.literals.empty());

    world.lastError = std::string(1000, 'e');
    world.dialScript.push_back({1000, 6});
    core.Toggle();
    world.Run(1000);
    ASSERT_EQ(world.literals.size(), 1u);
    EXPECT_EQ(world.literals[0].size(), kLastErrorLength);
}

TEST_F(ConnectionTest, AfterASuccessfulAutoDialALaterFailureIsNotRedialled) {
    Set([](settings::Settings& s) { s.AUTO_DIAL = 1; });
    Set([](settings::Settings& s) { s.HOMEPAGE = "http://portal.example.com/"; });
    Set([](settings::Settings& s) { s.AUTO_HIDE = 1; });
    device.HEARTBEAT = 1;
    world.dialScript.push_back({1000, 7});
    core.AutoDialAtStart(false);
    world.Run(1000);
    ASSERT_TRUE(connected);
    EXPECT_FALSE(dialBusy);
    EXPECT_EQ(core.RemainingRedials(), 0);
    EXPECT_TRUE(world.HasEvent("sound:" + std::to_string(IDW_CONNECTED)));
    EXPECT_TRUE(world.HasEvent("look:connected"));
    EXPECT_TRUE(world.HasEvent("hide"));
    EXPECT_TRUE(world.HasEvent("heartbeat:300000"));
    EXPECT_TRUE(world.HasEvent("open:http://portal.example.com/"));
    EXPECT_TRUE(world.TimerRunning(TIMER_TRAFFIC));
    EXPECT_TRUE(world.TimerRunning(TIMER_LINK_CHECK));

    core.Toggle();  // the user hangs up
    world.Run(1000);
    ASSERT_FALSE(connected);
    EXPECT_TRUE(world.HasEvent("heartbeat:stop"));
    world.dialScript.push_back({1000, 4});
    core.Toggle();
    world.Run(60000);
    EXPECT_EQ(world.dialTimes.size(), 2u);
}

TEST_F(ConnectionTest, NoTrafficForMoreThanTheTimeoutHangsUpAndRedialsAbout4sLater) {
    Set([](settings::Settings& s) { s.KEPPCONNECT = 0; });
    Set([](settings::Settings& s) { s.NET_CTA = 0; });
    Set([](settings::Settings& s) { s.REDIALTIMEOUT = 60; });
    Set([](settings::Settings& s) { s.AUTO_DIAL = 0; });
    RestartDormancyTimer();
    world.received = 5000;
    world.sent = 700;
    DialAndConnect();  // connected at 1 s; ticks of 1224 come at 5 s, 10 s, ...

    world.Run(4000);  // the tick at 5 s: counters seen for the first time since the dial read
    EXPECT_EQ(core.IdleMs(), 5000);
    world.Run(55000);  // tick at 60 s
    EXPECT_EQ(core.IdleMs(), 60000);
    EXPECT_TRUE(world.hangupTimes.empty()) << "60000 ms is not more than the timeout";
    EXPECT_EQ(world.stateTexts.back(), IDS_NET_CONNECTED);

    world.Run(5000);  // tick at 65 s: 65000 > 60000
    ASSERT_EQ(world.hangupTimes.size(), 1u);
    EXPECT_EQ(world.hangupTimes[0], 65000u);
    EXPECT_EQ(core.IdleMs(), 0);
    EXPECT_EQ(Config()->AUTO_DIAL, 1);
    EXPECT_EQ(core.RemainingRedials(), kRedialMarker);

    world.Run(10000);  // hang-up finished at 65.5 s, redial at 69.5 s
    ASSERT_EQ(world.dialTimes.size(), 2u);
    EXPECT_EQ(world.dialTimes[1], 65500u + 4000u);
    EXPECT_TRUE(connected) << "the redial succeeded";
    // The ended connection was recorded with its counters.
    EXPECT_EQ(store.values["1"], "2024-03-10 08:00:01,2024-03-10 08:01:05,64,700,5000");
    EXPECT_EQ(store.values["monthrec"], "3,5000");
}

TEST_F(ConnectionTest, TrafficKeepsTheConnectionAndWakesItFromDormancy) {
    Set([](settings::Settings& s) { s.KEPPCONNECT = 0; });
    Set([](settings::Settings& s) { s.NET_CTA = 0; });
    Set([](settings::Settings& s) { s.REDIALTIMEOUT = 10; });
    RestartDormancyTimer();
    DialAndConnect();
    // A little traffic once per tick: the 3-second refresh usually reads it first, and the
    // watch must still count it as traffic.
    const int callsBefore = world.transmitCalls;
    for (int i = 0; i < 20; ++i) {
        world.received += 100;
        world.Run(5000);
    }
    EXPECT_TRUE(world.hangupTimes.empty());
    EXPECT_EQ(core.IdleMs(), 0);
    // The watch takes the refresh's reading when it is recent: the card is asked about every
    // 3 s over these 100 s, not at every tick of both.
    EXPECT_LE(world.transmitCalls - callsBefore, 35);

    dormant = true;
    world.sent += 1;
    world.Run(5000);
    EXPECT_FALSE(dormant);
    EXPECT_EQ(world.stateTexts.back(), IDS_NET_CONNECTED);
}

TEST_F(ConnectionTest, DormancyWithKeepConnectionSleepsOnceAndStopsTheTrafficRefresh) {
    Set([](settings::Settings& s) { s.KEPPCONNECT = 1; });
    Set([](settings::Settings& s) { s.NET_CTA = 30; });
    RestartDormancyTimer();
    DialAndConnect();
    world.Run(34000);  // 1229 at 30 s: no byte moved; 1224 at 35 s shows it
    EXPECT_TRUE(dormant);
    EXPECT_EQ(std::count(world.events.begin(), world.events.end(),
                         "notify:" + std::to_string(IDS_GOING_DORMANT) + "," +
                             std::to_string(IDW_DORMANT)),
              1);
    EXPECT_EQ(world.stateTexts.back(), IDS_NET_DORMANT);

    const int calls = world.transmitCalls;
    core.OnTrafficTimer();
    EXPECT_EQ(world.transmitCalls, calls) << "no refresh while dormant";
    world.Run(60000);
    EXPECT_EQ(std::count_if(world.events.begin(), world.events.end(),
                            [](const std::string& e) { return e.rfind("notify:", 0) == 0; }),
              1);
    EXPECT_TRUE(world.hangupTimes.empty());
}

TEST_F(ConnectionTest, DormancyCheckHangsUpWithoutKeepConnectionAndNeedsCtaSupport) {
    Set([](settings::Settings& s) { s.KEPPCONNECT = 0; });
    Set([](settings::Settings& s) { s.NET_CTA = 30; });
    Set([](settings::Settings& s) { s.AUTO_DIAL = 1; });
    RestartDormancyTimer();
    DialAndConnect();
    world.Run(30000);
    ASSERT_EQ(world.hangupTimes.size(), 1u);
    world.Run(30000);
    EXPECT_FALSE(connected);
    EXPECT_EQ(world.dialTimes.size(), 1u) << "the dormancy hang-up is not redialled";

    Set([](settings::Settings& s) { s.KEPPCONNECT = 1; });
    ctaSupported = false;
    DialAndConnect();
    world.Run(60000);
    EXPECT_FALSE(dormant);
    EXPECT_TRUE(connected);
}

TEST_F(ConnectionTest, LostLinkIsHungUpAndRecordedButNotRedialled) {
    Set([](settings::Settings& s) { s.AUTO_DIAL = 1; });
    DialAndConnect();
    world.received = 123;
    world.Run(3000);
    EXPECT_TRUE(world.hangupTimes.empty());
    world.linkStatus = 1;
    world.Run(3000);
    ASSERT_EQ(world.hangupTimes.size(), 1u);
    EXPECT_FALSE(world.TimerRunning(TIMER_LINK_CHECK));
    world.Run(30000);
    EXPECT_FALSE(connected);
    EXPECT_EQ(world.dialTimes.size(), 1u);
    EXPECT_FALSE(store.values["1"].empty());
}

TEST_F(ConnectionTest, BusyChecksRefuseTheToggleAndDelayTheRedial) {
    callBusy = true;
    EXPECT_FALSE(core.Toggle());
    EXPECT_TRUE(world.dialTimes.empty());
    EXPECT_EQ(world.statusTexts, (std::vector<std::pair<int, int>>{{IDS_BUSY_CALL, 1}}));
    callBusy = false;

    Set([](settings::Settings& s) { s.AUTO_DIAL = 1; });
    world.dialScript.push_back({1000, 5});
    core.AutoDialAtStart(false);
    world.Run(1000);
    ASSERT_TRUE(core.RedialPending());
    portBusy = true;
    world.Run(10000);
    EXPECT_EQ(world.dialTimes.size(), 1u) << "waits while the port is busy";
    EXPECT_EQ(world.statusTexts.size(), 1u) << "the redial timer checks silently";
    portBusy = false;
    world.Run(4000);  // the timer's next tick at 13 s
    EXPECT_EQ(world.dialTimes.size(), 2u);
    EXPECT_FALSE(core.RedialPending());
}

TEST_F(ConnectionTest, APendingRedialDoesNotHangUpAConnectionTheUserMade) {
    Set([](settings::Settings& s) { s.AUTO_DIAL = 1; });
    world.dialScript.push_back({1000, 4});
    core.AutoDialAtStart(false);
    world.Run(1000);
    ASSERT_TRUE(core.RedialPending());
    DialAndConnect();
    world.Run(20000);
    EXPECT_TRUE(connected);
    EXPECT_TRUE(world.hangupTimes.empty());
    EXPECT_FALSE(core.RedialPending());
}

TEST_F(ConnectionTest, CtrlHeldAtStartShowsTheHomePageAndDoesNotDial) {
    Set([](settings::Settings& s) { s.AUTO_DIAL = 1; });
    core.AutoDialAtStart(true);
    EXPECT_TRUE(world.HasEvent("page:home"));
    EXPECT_TRUE(world.dialTimes.empty());

    Set([](settings::Settings& s) { s.AUTO_DIAL = 0; });
    world.events.clear();
    core.AutoDialAtStart(false);
    EXPECT_TRUE(world.events.empty());
    EXPECT_TRUE(world.dialTimes.empty());
}

TEST_F(ConnectionTest, AModuleReportingInsideTheDialCallLeavesNothingStuck) {
    world.reportInsideDial = true;
    world.dialScript.push_back({0, 6});
    core.Toggle();
    EXPECT_FALSE(dialBusy);
    EXPECT_TRUE(world.buttonEnabled);
}

TEST_F(ConnectionTest, AHangupThatBrokeOffADialRecordsNothing) {
    world.dialScript.push_back({60000, 6});
    core.Toggle();
    world.Run(500);
    core.OnDialProgress(8);  // the exit hangs up while the dial is under way
    EXPECT_FALSE(dialBusy);
    EXPECT_FALSE(connected);
    EXPECT_TRUE(store.values["1"].empty());
    EXPECT_TRUE(store.values["monthrec"].empty());
}

TEST_F(ConnectionTest, HangupWhileThePageIsGoneEndsByTheWatchdog) {
    DialAndConnect();
    world.pageExists = false;
    core.Toggle();
    world.Run(1000);
    EXPECT_TRUE(dialBusy) << "the report went nowhere";
    world.Run(kDialTimeoutMs);
    EXPECT_FALSE(dialBusy) << "a hang-up the module never finishes does not lock the card";
    EXPECT_FALSE(connected);
    EXPECT_FALSE(store.values["1"].empty()) << "and the connection is recorded";
}

TEST_F(ConnectionTest, AFailedDialOrHangUpCallNeverLocksTheCard) {
    // The module refuses the dial (an error, a fault inside it, or no such entry): the dial ends
    // at once as a failure, and the button works again.
    world.dialResult = -1;
    ASSERT_TRUE(core.Toggle());
    EXPECT_FALSE(dialBusy);
    EXPECT_TRUE(world.buttonEnabled);
    EXPECT_EQ(world.stateTexts.back(), IDS_DIAL_FAILED);
    EXPECT_FALSE(world.TimerRunning(TIMER_DIAL_TIMEOUT));
    world.dialResult = 0;
    ASSERT_TRUE(core.Toggle()) << "a second click dials again";
    EXPECT_EQ(world.dialTimes.size(), 2u);
    world.Run(1000);
    ASSERT_TRUE(connected);

    // The module takes the dial but never reports: given up after the bounded time.
    world.hangupResult = -1;
    ASSERT_TRUE(core.Toggle());
    EXPECT_FALSE(dialBusy) << "a refused hang-up ends at once";
    EXPECT_TRUE(connected) << "the connection is still there";
    EXPECT_EQ(world.statusTexts.back(), std::make_pair(IDS_HANGUP_FAILED, 1));
    world.hangupResult = 0;
    ASSERT_TRUE(core.Toggle());
    world.Run(1000);
    ASSERT_FALSE(connected);

    world.dialReports = false;
    ASSERT_TRUE(core.Toggle());
    world.Run(kDialTimeoutMs - 1);
    EXPECT_TRUE(dialBusy);
    EXPECT_FALSE(world.buttonEnabled);
    world.Run(1);
    EXPECT_FALSE(dialBusy);
    EXPECT_TRUE(world.buttonEnabled);
    EXPECT_EQ(world.stateTexts.back(), IDS_DIAL_FAILED);
}

TEST_F(ConnectionTest, ASteadyDownloadShowsASteadyRateWhateverTheOtherTimersRead) {
    // 1000 B/s for a minute, with the 5 s watch and a 2 s dormancy check reading the counters
    // in between the 3 s refreshes, as the real timers do.
    Set([](settings::Settings& s) { s.NET_CTA = 2; });
    RestartDormancyTimer();
    DialAndConnect();
    world.bytesPerSecond = 1000;
    world.rateFrom = world.now;
    std::vector<std::string> shown;
    for (int i = 0; i < 20; ++i) {
        world.Run(3000);
        shown.push_back(world.receivedText.substr(world.receivedText.find("  ") + 2));
    }
    for (const std::string& rate : shown) EXPECT_EQ(rate, "7.81 Kbps");
    // The graph gets the same rate in KB/s.
    world.graph = true;
    world.Run(3000);
    ASSERT_FALSE(world.graphRates.empty());
    EXPECT_NEAR(world.graphRates.back().second, 1000 / 1024.0, 1e-9);
}

TEST_F(ConnectionTest, ADayLongConnectionIsRecordedWithItsDays) {
    DialAndConnect();
    world.Run(uint64_t{25} * 3600 * 1000);
    core.Toggle();
    world.Run(1000);
    const std::string record = store.values["1"];
    ASSERT_FALSE(record.empty());
    EXPECT_NE(record.find(",90000,"), std::string::npos) << record;
}

TEST_F(ConnectionTest, TrafficDisplayWithAndWithoutTheGraph) {
    world.received = 3000000000u;  // past 2 GiB
    DialAndConnect();
    EXPECT_EQ(world.duration, "00:00:00");
    world.received += 3072;
    world.sent = 6144;
    world.Run(3000);
    EXPECT_EQ(world.duration, "00:00:03");
    EXPECT_EQ(world.receivedText, "3000003072 bytes  8.00 Kbps");
    EXPECT_EQ(world.sentText, "6144 bytes  16.00 Kbps");

    world.graph = true;
    world.received += 1536;
    world.Run(3000);
    EXPECT_EQ(world.receivedText, "3000004608 bytes");
    ASSERT_EQ(world.graphRates.size(), 1u);
    EXPECT_DOUBLE_EQ(world.graphRates[0].first, 0);
    EXPECT_DOUBLE_EQ(world.graphRates[0].second, 0.5);

    // The module failing to report keeps the last figures instead of inventing zeros.
    world.transmitResult = -1;
    world.Run(3000);
    EXPECT_EQ(world.receivedText, "3000004608 bytes");
    EXPECT_EQ(received, 3000004608u);
    world.transmitResult = 0;

    core.Toggle();
    world.Run(1000);
    EXPECT_EQ(world.duration, "");
    EXPECT_EQ(world.sentText, "");
    EXPECT_EQ(world.receivedText, "");
    EXPECT_EQ(world.graphClears, 1);
    EXPECT_FALSE(world.TimerRunning(TIMER_TRAFFIC));
    EXPECT_EQ(received, 0u) << "the connection's bytes went into the month total";
    EXPECT_EQ(monthBefore, 3000004608);
    EXPECT_EQ(store.values["monthrec"], "3,3000004608");
}

TEST_F(ConnectionTest, MonthTotalIsLoadedByTheFirstToggle) {
    store.values["monthrec"] = "3,1000";
    EXPECT_EQ(monthBefore, -1);
    DialAndConnect();
    EXPECT_EQ(monthBefore, 1000);
    world.received = 24;
    core.Toggle();
    world.Run(1000);
    EXPECT_EQ(store.values["monthrec"], "3,1024");
}

TEST(RedialDelay, ShrinksWithTheRemainingCount) {
    EXPECT_EQ(RedialDelayMs(2), 4000u);
    EXPECT_EQ(RedialDelayMs(1), 16000u);
    EXPECT_EQ(RedialDelayMs(0), 20000u);
    EXPECT_EQ(RedialDelayMs(3), 1000u) << "at least one second";
    EXPECT_EQ(RedialDelayMs(100000), 1000u);
}

}  // namespace
