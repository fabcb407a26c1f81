// Voice calls without windows: the call states through buttons, timer and card events, keypad and
// DTMF, volume, number completion from the phone book, and taking the module's call records.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "phonebook/PhoneBookTable.h"
#include "resources/resource.h"
#include "voice/CallCore.h"
#include "voice/CallRecordsCore.h"

using namespace voice;

namespace {

PhoneBookRecord Entry(int32_t id, const char* number, const char* name) {
    PhoneBookRecord r{};
    r.id = id;
    std::strncpy(r.number, number, sizeof r.number);
    std::strncpy(r.name, name, sizeof r.name);
    return r;
}

// The module and the windows, recording what the core asked of them. `log` keeps the order of
// the operations that matter for ordering checks.
struct World : VoiceModem, CallPageHost {
    // ---- module
    int32_t callResult = 0, acceptResult = 0, dtmfResult = 0, setVolResult = 0;
    int32_t cardVolume = 3, cardMaxVolume = 5;
    std::vector<std::string> calls;
    std::string dtmf;
    int accepts = 0, shutdowns = 0;
    bool portBusyDuringAccept = false;
    int32_t Call(const std::string& number) override {
        calls.push_back(number);
        return callResult;
    }
    int32_t Accept() override {
        ++accepts;
        portBusyDuringAccept = portBusy;
        return acceptResult;
    }
    void Shutdown() override { ++shutdowns; }
    int32_t SendDtmf(char key) override {
        dtmf += key;
        return dtmfResult;
    }
    int32_t SetVolume(int32_t level) override {
        return setVolResult == 0 ? (cardVolume = level, 0) : setVolResult;
    }
    int32_t GetVolume() override { return cardVolume; }
    int32_t GetMaxVolume() override { return cardMaxVolume; }

    // ---- windows
    bool netConnected = false, dialBusy = false, smsSending = false, portBusyCheck = false;
    std::vector<std::pair<int, int>> status;  // kind, string
    std::vector<std::string> log;
    std::string number;
    bool ringingLook = false, buttonEnabled = true, timerRunning = false;
    int timerStarts = 0, clicks = 0, volumeRange = -1, volumePosition = -1;
    std::string typed;

    bool Refuse(bool condition, bool report, int id) {
        if (condition && report) status.emplace_back(1, id);
        return condition;
    }
    bool IsNetConnected(bool report) override {
        return Refuse(netConnected, report, IDS_BUSY_NET_CONNECTED);
    }
    bool IsDialBusy(bool report) override { return Refuse(dialBusy, report, IDS_BUSY_DIALING); }
    bool IsSmsSending(bool report) override {
        return Refuse(smsSending, report, IDS_BUSY_SMS_SENDING);
    }
    bool IsPortBusy(bool report) override { return Refuse(portBusyCheck, report, IDS_BUSY_PORT); }
    void Status(int kind, int id) override { status.emplace_back(kind, id); }
    void ShowCallPage() override { log.push_back("show"); }
    void RestoreMainWindow() override { log.push_back("restore"); }
    void HangUpDataConnection() override { log.push_back("hang up data"); }
    void AnnounceRing(const std::string& name, const std::string& n) override {
        log.push_back("announce " + name + "[" + n + "]");
    }
    void StopRing() override { log.push_back("stop ring"); }
    void PlayKeyClick() override { ++clicks; }
    void SetRingingLook(bool ringing) override { ringingLook = ringing; }
    void EnableCallButton(bool enable) override { buttonEnabled = enable; }
    void SetNumber(const std::string& n) override { number = n; }
    void TypeIntoNumber(char key) override { typed += key; }
    void SetVolumeRange(int maximum) override { volumeRange = maximum; }
    void SetVolumePosition(int position) override { volumePosition = position; }
    void StartRingTimer(uint32_t periodMs) override {
        EXPECT_EQ(periodMs, kRingTimeoutMs);
        timerRunning = true;
        ++timerStarts;
    }
    void StopRingTimer() override { timerRunning = false; }

    bool Logged(const std::string& what) const {
        return std::find(log.begin(), log.end(), what) != log.end();
    }
    std::pair<int, int> LastStatus() const {
        return status.empty() ? std::pair{0, 0} : status.back();
    }

    std::atomic<bool> callBusy{false}, portBusy{false}, reload{false};
};

class CallCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        book.Put(Entry(4, "13800138000", "Zhang"));
        book.Put(Entry(9, "10086", "Service"));
        core.Start();
    }
    World w;
    phonebook::PhoneBookTable book;
    CallCore core{w, w, CallFlags{w.callBusy, w.portBusy, w.reload}, book};
};

TEST_F(CallCoreTest, OutgoingCallDialsConnectsAndEndsWithTheRemoteHangUp) {
    EXPECT_EQ(core.State(), CallState::Idle);
    core.OnCallButton("10086");
    EXPECT_EQ(core.State(), CallState::Dialling);
    EXPECT_EQ(w.calls, std::vector<std::string>{"10086"});
    EXPECT_EQ(w.LastStatus(), std::pair(2, int(IDS_CALLING)));
    EXPECT_TRUE(w.reload.exchange(false));

    core.OnEvent(kEventConnected, "");
    EXPECT_EQ(core.State(), CallState::Connected);
    EXPECT_FALSE(w.buttonEnabled);
    EXPECT_EQ(w.LastStatus(), std::pair(2, int(IDS_CALL_CONNECTED)));

    core.OnEvent(kEventRemoteHangup, "");
    EXPECT_EQ(core.State(), CallState::Idle);
    EXPECT_TRUE(w.buttonEnabled);
    EXPECT_FALSE(w.callBusy);
    EXPECT_TRUE(w.reload);
    EXPECT_TRUE(w.Logged("stop ring"));
    EXPECT_EQ(w.LastStatus(), std::pair(3, int(IDS_CALL_REMOTE_HANGUP)));

    // The connection lost ends a call the same way, with its own text.
    core.OnCallButton("10086");
    core.OnEvent(kEventLost, "");
    EXPECT_EQ(core.State(), CallState::Idle);
    EXPECT_EQ(w.LastStatus(), std::pair(3, int(IDS_CALL_LOST)));
}

TEST_F(CallCoreTest, IncomingCallRingsIsAnsweredConnectsAndIsHungUp) {
    core.OnEvent(kEventRing, "13800138000");
    EXPECT_EQ(core.State(), CallState::Ringing);
    EXPECT_TRUE(w.Logged("announce Zhang[13800138000]"));
    EXPECT_TRUE(w.Logged("restore") && w.Logged("show"));
    EXPECT_EQ(w.number, "13800138000");
    EXPECT_TRUE(w.ringingLook);
    EXPECT_TRUE(w.callBusy);
    EXPECT_TRUE(w.timerRunning);
    EXPECT_FALSE(w.Logged("hang up data")) << "no data connection to take down";

    core.OnCallButton("13800138000");
    EXPECT_EQ(core.State(), CallState::Answered);
    EXPECT_EQ(w.accepts, 1);
    EXPECT_TRUE(w.calls.empty()) << "the call button answers, it does not dial";
    EXPECT_TRUE(w.portBusyDuringAccept);
    EXPECT_FALSE(w.portBusy);
    EXPECT_TRUE(w.Logged("stop ring"));
    EXPECT_TRUE(w.ringingLook) << "the button keeps the ringing look until the call ends";
    EXPECT_TRUE(w.timerRunning) << "answering does not stop the unanswered-call timer";

    core.OnEvent(kEventConnected, "");
    EXPECT_EQ(core.State(), CallState::Connected);
    EXPECT_FALSE(w.timerRunning);

    core.OnHangUp();
    EXPECT_EQ(core.State(), CallState::Idle);
    EXPECT_EQ(w.shutdowns, 1);
    EXPECT_FALSE(w.ringingLook);
    EXPECT_TRUE(w.buttonEnabled);
    EXPECT_EQ(w.LastStatus(), std::pair(3, int(IDS_CALL_HUNG_UP)));
}

TEST_F(CallCoreTest, SecondRingRestartsTheTimerOnlyAndAnUnansweredRingIsHungUp) {
    core.OnEvent(kEventRing, "999");
    core.OnEvent(kEventRing, "999");
    EXPECT_EQ(std::count_if(w.log.begin(), w.log.end(),
                            [](const std::string& s) { return s.rfind("announce", 0) == 0; }),
              1);
    EXPECT_TRUE(w.Logged("announce [999]")) << "no phone-book name: only the number";
    EXPECT_EQ(w.timerStarts, 2);

    core.OnRingTimeout();
    EXPECT_EQ(core.State(), CallState::Idle);
    EXPECT_EQ(w.shutdowns, 1);
    EXPECT_FALSE(w.timerRunning);
    EXPECT_EQ(w.LastStatus(), std::pair(3, int(IDS_CALL_HUNG_UP)));

    // A user's hang-up while ringing stops the timer too: it cannot end the next call later.
    core.OnEvent(kEventRing, "999");
    core.OnHangUp();
    EXPECT_FALSE(w.timerRunning);
}

TEST_F(CallCoreTest, RingWhileOnlineTakesTheDataConnectionDownFirst) {
    w.netConnected = true;
    core.OnEvent(kEventRing, "10086");
    const auto hangUp = std::find(w.log.begin(), w.log.end(), "hang up data");
    const auto announce = std::find(w.log.begin(), w.log.end(), "announce Service[10086]");
    ASSERT_NE(hangUp, w.log.end());
    ASSERT_NE(announce, w.log.end());
    EXPECT_LT(hangUp, announce);
    // Hanging up is refused while the data connection is still up.
    core.OnHangUp();
    EXPECT_EQ(w.shutdowns, 0);
    EXPECT_EQ(w.LastStatus(), std::pair(1, int(IDS_BUSY_NET_CONNECTED)));
}

TEST_F(CallCoreTest, FailedCallsReportTheirCauseAndStayBusyUntilHangUp) {
    // A refusal of the card and a fault (the guard's -1) alike.
    for (auto [result, stringId] :
         {std::pair{3, int(IDS_NO_SIM_CARD)}, {-1, int(IDS_CALL_FAILED)}}) {
        w.callResult = result;
        core.OnCallButton("10086");
        EXPECT_EQ(w.LastStatus(), std::pair(3, stringId)) << result;
        EXPECT_TRUE(w.callBusy) << "other card operations stay refused until the user hangs up";
        EXPECT_EQ(core.State(), CallState::Dialling);
    }
    core.OnHangUp();
    EXPECT_FALSE(w.callBusy);
}

TEST_F(CallCoreTest, CallButtonStopsAtBusyChecksAndAnEmptyNumber) {
    w.status.clear();
    core.OnCallButton("");
    EXPECT_TRUE(w.calls.empty());
    EXPECT_TRUE(w.status.empty()) << "an empty number shows nothing";
    EXPECT_FALSE(w.callBusy);

    w.dialBusy = w.smsSending = true;
    core.OnCallButton("10086");
    EXPECT_TRUE(w.calls.empty());
    EXPECT_EQ(w.status, (std::vector<std::pair<int, int>>{{1, IDS_BUSY_DIALING}}))
        << "only the first check that holds reports";

    // Another page's call while a call rings would answer that call: it is refused instead.
    w.dialBusy = w.smsSending = false;
    core.OnEvent(kEventRing, "999");
    EXPECT_FALSE(core.CallNumber("10086"));
    EXPECT_EQ(w.LastStatus(), std::pair(1, int(IDS_BUSY_CALL)));
    EXPECT_EQ(w.accepts, 0);
    EXPECT_EQ(w.number, "999");
    core.OnHangUp();
    EXPECT_TRUE(core.CallNumber("10086"));
    EXPECT_EQ(w.number, "10086");
    EXPECT_EQ(w.calls, std::vector<std::string>{"10086"});
}

TEST_F(CallCoreTest, KeypadTypesUpToSixteenAndSendsTonesDuringACall) {
    core.OnKey('5', 15);
    core.OnKey('6', 16);
    core.OnKey(kBackspace, 16);
    EXPECT_EQ(w.typed, std::string("5") + kBackspace) << "at 16 only backspace still works";
    EXPECT_EQ(w.clicks, 2);

    core.OnCallButton("10086");
    w.typed.clear();
    for (char key : {'1', '*', '#', kBackspace}) core.OnKey(key, 5);
    EXPECT_EQ(w.dtmf, "1*#");
    EXPECT_TRUE(w.typed.empty()) << "the number field is left alone during a call";
    EXPECT_EQ(w.clicks, 5);
    w.dtmfResult = 1;
    core.OnKey('2', 5);
    EXPECT_EQ(w.clicks, 5) << "a tone the card refused makes no click";
}

TEST_F(CallCoreTest, VolumeStartsAtTheCardsLevelAndSpringsBackWhenRefused) {
    EXPECT_EQ(w.volumeRange, 5);
    EXPECT_EQ(w.volumePosition, 3);
    core.OnVolumeReleased(5);
    EXPECT_EQ(core.RememberedVolume(), 5);
    w.setVolResult = 1;
    core.OnVolumeReleased(1);
    EXPECT_EQ(w.volumePosition, 5);
    EXPECT_EQ(w.LastStatus(), std::pair(1, int(IDS_SET_VOLUME_FAILED)));
    w.netConnected = true;
    w.setVolResult = 0;
    core.OnVolumeReleased(2);
    EXPECT_EQ(w.cardVolume, 5) << "no volume change while online";

    // A module that does not know its volume, or claims an absurd maximum.
    World lying;
    lying.cardVolume = -1;
    lying.cardMaxVolume = 1 << 30;
    CallCore other{lying, lying, CallFlags{lying.callBusy, lying.portBusy, lying.reload}, book};
    other.Start();
    EXPECT_EQ(lying.volumeRange, kMaxVolumeLevel);
    EXPECT_EQ(lying.volumePosition, -1);
}

TEST_F(CallCoreTest, ConnectedWhileStillRingingStopsTheRing) {
    core.OnEvent(kEventRing, "999");
    w.log.clear();
    core.OnEvent(kEventConnected, "");
    EXPECT_EQ(core.State(), CallState::Connected);
    EXPECT_TRUE(w.Logged("stop ring"));
}

TEST(NumberCompletion, CompletesFromTheFirstSlotThatBeginsWithThePrefix) {
    phonebook::PhoneBookTable book;
    book.Put(Entry(2, "", "Nobody"));
    book.Put(Entry(7, "13800138000", "Zhang"));
    book.Put(Entry(30, "13912345678", "Li"));
    book.Put(Entry(1, "+8613912345678", "Li abroad"));

    EXPECT_EQ(CompleteNumber(book, "", '1'), "3800138000");
    EXPECT_EQ(CompleteNumber(book, "1", '3'), "800138000") << "the next key replaces the selection";
    EXPECT_EQ(CompleteNumber(book, "13", '9'), "12345678");
    EXPECT_EQ(CompleteNumber(book, "10086,", '1'), "3800138000")
        << "only what follows the last ','";
    EXPECT_EQ(CompleteNumber(book, "10086,13,", '1'), "3800138000");
    EXPECT_EQ(CompleteNumber(book, "", '+'), "8613912345678");
    EXPECT_EQ(CompleteNumber(book, "13800138000", '1'), std::nullopt) << "longer than any number";
    EXPECT_EQ(CompleteNumber(book, "1380013800", '0'), "")
        << "an exact match leaves nothing to add";
    EXPECT_EQ(CompleteNumber(book, "", '5'), std::nullopt);

    EXPECT_EQ(ClassifyNumberChar(L'7'), NumberChar::Completing);
    EXPECT_EQ(ClassifyNumberChar(L'#'), NumberChar::Completing);
    EXPECT_EQ(ClassifyNumberChar(L','), NumberChar::Plain);
    EXPECT_EQ(ClassifyNumberChar(L'\b'), NumberChar::Plain);
    EXPECT_EQ(ClassifyNumberChar(L'a'), NumberChar::Refused);
    EXPECT_EQ(ClassifyNumberChar(L'\x4E00'), NumberChar::Refused);
    EXPECT_EQ(ClassifyNumberChar(L'\x0131'), NumberChar::Refused) << "no narrowing to '1'";
}

TEST(CallRecords, CountsAreClampedAndTextsStayInsideTheirFields) {
    CallRecordBuffer buffer;
    for (int i = 0; i < kRecordCapacity + kRecordMargin; ++i) {
        buffer.records[i].id = 100 + i;
        buffer.records[i].type = i;
        std::memset(buffer.records[i].number, '7', sizeof buffer.records[i].number);
        buffer.records[i].duration =
            0x41414141;  // would read as "AAAA" after an unterminated number
        std::memset(buffer.records[i].time, 'T', sizeof buffer.records[i].time);
    }
    const std::vector<CallEntry> entries = TakeCallRecords(buffer, 1000);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kRecordCapacity));
    EXPECT_EQ(entries.back().id, 119);
    EXPECT_EQ(entries[0].number, std::string(16, '7'));
    EXPECT_EQ(entries[0].time, std::string(32, 'T'));
    EXPECT_TRUE(TakeCallRecords(buffer, 0).empty());
    EXPECT_TRUE(TakeCallRecords(buffer, -5).empty());

    EXPECT_EQ(TypeWordIndex(-3), TypeWordIndex(2)) << "any type but 0 and 1 is a missed call";
    EXPECT_EQ(TypeWordIndex(77), TypeWordIndex(2));

    CallEntry call{5, 2, "10086", 42, "2024-05-03 08:15:30"};
    EXPECT_EQ(RowTexts(call, "").party, "10086");
    EXPECT_EQ(RowTexts(call, "Service").party, "Service");
    EXPECT_EQ(RowTexts(call, "Service").duration, "42");
    using Widths = std::array<int, kColumnCount>;
    EXPECT_EQ(ColumnWidths(300, {}), (Widths{75, 40, 140, 35, 0}));
    EXPECT_EQ(ColumnWidths(200, {}), (Widths{75, 40, 80, 35, 0}));
    EXPECT_EQ(ColumnWidths(400, {90, 30, 38}), (Widths{90, 40, 222, 38, 0}))
        << "a larger font widens a column at the time column's expense";
    EXPECT_EQ(DeletionOrder({1, 4, 2}), (std::vector<int>{4, 2, 1}));
}

}  // namespace
