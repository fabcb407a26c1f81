// simcard.dll data link and voice simulation: dial progress and outcome on the worker thread,
// hang-up, traffic totals growing at the configured rates, link loss, calls and their events.
#include "simcard/SimCard.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace sim {

namespace {

enum class Link { Idle, Dialling, Connected, HangingUp };

struct Net {
    SRWLOCK lock = SRWLOCK_INIT;
    Link state = Link::Idle;
    unsigned generation = 0;  // bumped by every dial, hang-up and stop: stale jobs do nothing
    MdmDialCallback callback = nullptr;
    unsigned long long received = 0, sent = 0;
    unsigned long long receivedMilli = 0, sentMilli = 0;  // byte fractions carried over
    ULONGLONG lastTick = 0;
    bool dropped = false;
};

Net& TheNet() {
    static Net* net = new Net;
    return *net;
}

enum class Voice { Idle, Dialling, Ringing, Active };

struct VoiceCall {
    SRWLOCK lock = SRWLOCK_INIT;
    Voice state = Voice::Idle;
    bool incoming = false;
    std::string number;
    ULONGLONG since = 0;
    unsigned generation = 0;
};

VoiceCall& TheCall() {
    static VoiceCall* call = new VoiceCall;
    return *call;
}

const char* LinkName(Link s) {
    switch (s) {
    case Link::Idle: return "idle";
    case Link::Dialling: return "dialling";
    case Link::Connected: return "connected";
    case Link::HangingUp: return "hanging-up";
    }
    return "?";
}

const char* VoiceName(Voice s) {
    switch (s) {
    case Voice::Idle: return "idle";
    case Voice::Dialling: return "calling";
    case Voice::Ringing: return "ringing";
    case Voice::Active: return "talking";
    }
    return "?";
}

// Totals grow at the rates simcard.ini gives at each moment (lock held).
void Accumulate(Net& n) {
    if (n.state != Link::Connected) return;
    ULONGLONG now = GetTickCount64();
    unsigned long long dt = now - n.lastTick;
    n.lastTick = now;
    unsigned long long recvRate = std::clamp(IniInt(kTraffic, "RecvRate", 0), 0, 100000000);
    unsigned long long sendRate = std::clamp(IniInt(kTraffic, "SendRate", 0), 0, 100000000);
    n.receivedMilli += recvRate * dt;
    n.sentMilli += sendRate * dt;
    n.received += n.receivedMilli / 1000;
    n.sent += n.sentMilli / 1000;
    n.receivedMilli %= 1000;
    n.sentMilli %= 1000;
}

void ReportDial(MdmDialCallback callback, int32_t code) {
    LogLine("CALLBACK dial(" + std::to_string(code) + ")");
    if (callback) callback(code);
}

void DialStep(unsigned generation, int32_t code) {
    Net& n = TheNet();
    AcquireSRWLockShared(&n.lock);
    bool current = n.generation == generation && n.state == Link::Dialling;
    MdmDialCallback callback = n.callback;
    ReleaseSRWLockShared(&n.lock);
    if (current) ReportDial(callback, code);
}

// What the card finds when the dial ends: its own troubles first, then the configured outcome.
int32_t DialOutcome(bool& configured) {
    configured = false;
    int32_t present = PresentCode();
    if (present == modem::kModemAbsent) return 1;
    if (present != 0) return 2;
    if (!SimUsable() || PinPending()) return 3;
    int32_t csq = Signal();
    if (csq <= 0 || csq == 99) return 4;
    if (IniInt(kCard, "RegStatus", 1) == 0) return 5;
    configured = true;
    return IniInt(kDial, "Outcome", 7);
}

void DialEnd(unsigned generation) {
    bool configured;
    int32_t outcome = DialOutcome(configured);
    Net& n = TheNet();
    AcquireSRWLockExclusive(&n.lock);
    if (n.generation != generation || n.state != Link::Dialling) {
        ReleaseSRWLockExclusive(&n.lock);
        return;
    }
    n.state = outcome == 7 ? Link::Connected : Link::Idle;
    n.lastTick = GetTickCount64();
    MdmDialCallback callback = n.callback;
    ReleaseSRWLockExclusive(&n.lock);
    if (outcome != 7 && configured) SetLastErrorText(IniGet(kDial, "LastError", "", 271));
    ReportDial(callback, outcome);
}

int32_t StartDial(Call& call, MdmDialCallback callback) {
    if (!callback) return call.Fail(-1, "no progress callback");
    std::vector<long long> steps = ParseIntList(IniGet(kDial, "Progress", "100,101,102", 512), 32);
    DWORD stepDelay = static_cast<DWORD>(std::clamp(IniInt(kDial, "StepDelayMs", 300), 0, 60000));
    DWORD endDelay =
        static_cast<DWORD>(std::clamp(IniInt(kDial, "OutcomeDelayMs", 500), 0, 600000));
    Net& n = TheNet();
    AcquireSRWLockExclusive(&n.lock);
    if (n.state != Link::Idle) {
        Link s = n.state;
        ReleaseSRWLockExclusive(&n.lock);
        return call.Fail(1, std::string("link busy: ") + LinkName(s));
    }
    n.state = Link::Dialling;
    unsigned generation = ++n.generation;
    n.callback = callback;
    n.dropped = false;
    n.received = n.sent = n.receivedMilli = n.sentMilli = 0;
    ReleaseSRWLockExclusive(&n.lock);
    DWORD at = 0;
    for (long long code : steps) {
        at += stepDelay;
        Post(at, [generation, code]() { DialStep(generation, static_cast<int32_t>(code)); });
    }
    Post(at + endDelay, [generation]() { DialEnd(generation); });
    return call.Ret(0);
}

// Ends the voice call, if any, and keeps its record; false when there was none.
bool EndCall() {
    VoiceCall& v = TheCall();
    AcquireSRWLockExclusive(&v.lock);
    if (v.state == Voice::Idle) {
        ReleaseSRWLockExclusive(&v.lock);
        return false;
    }
    int32_t type = 0;
    int32_t seconds = 0;
    if (v.state == Voice::Ringing) {
        type = 2;
    } else if (v.state == Voice::Active) {
        type = v.incoming ? 1 : 0;
        seconds = static_cast<int32_t>((GetTickCount64() - v.since) / 1000);
    }
    std::string number = v.number;
    v.state = Voice::Idle;
    ++v.generation;
    ReleaseSRWLockExclusive(&v.lock);
    AddCallRecord(type, number, seconds);
    return true;
}

void RemoteHangsUpLater(unsigned generation) {
    int32_t after = std::clamp(IniInt(kVoice, "RemoteHangupMs", 0), 0, 3600000);
    if (after <= 0) return;
    Post(static_cast<DWORD>(after), [generation]() {
        VoiceCall& v = TheCall();
        AcquireSRWLockShared(&v.lock);
        bool current = v.generation == generation && v.state == Voice::Active;
        ReleaseSRWLockShared(&v.lock);
        if (current && EndCall()) FireEvent(modem::kEventRemoteHangup, nullptr, 0, 0, 0);
    });
}

// Moves a call to Active; false when it was not in the expected state.
bool Answer(Voice expected, unsigned* generation) {
    VoiceCall& v = TheCall();
    AcquireSRWLockExclusive(&v.lock);
    bool ok = v.state == expected;
    if (ok) {
        v.state = Voice::Active;
        v.since = GetTickCount64();
        *generation = ++v.generation;
    }
    ReleaseSRWLockExclusive(&v.lock);
    return ok;
}

// Where a lying card points the caller's number: "bad" at memory nobody may read, "long" at a
// page of digits without a terminator, "edge" at ten digits right before memory nobody may read.
intptr_t LyingText(const std::string& kind) {
    static char* pages = [] {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        auto* p = static_cast<char*>(
            VirtualAlloc(nullptr, 2 * info.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (!p) return p;
        memset(p, '8', info.dwPageSize);
        DWORD old = 0;
        VirtualProtect(p + info.dwPageSize, info.dwPageSize, PAGE_NOACCESS, &old);
        return p;
    }();
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    if (kind == "long" && pages) return reinterpret_cast<intptr_t>(pages);
    if (kind == "edge" && pages) return reinterpret_cast<intptr_t>(pages + info.dwPageSize - 10);
    return 0x10;
}

}  // namespace

std::string NetStatusText() {
    Net& n = TheNet();
    AcquireSRWLockExclusive(&n.lock);
    Accumulate(n);
    std::string s = std::string("link=") + LinkName(n.state) +
                    " dropped=" + (n.dropped ? "1" : "0") +
                    " received=" + std::to_string(n.received) + " sent=" + std::to_string(n.sent);
    ReleaseSRWLockExclusive(&n.lock);
    return s;
}

bool DropLink() {
    Net& n = TheNet();
    AcquireSRWLockExclusive(&n.lock);
    bool connected = n.state == Link::Connected;
    if (connected) n.dropped = true;
    ReleaseSRWLockExclusive(&n.lock);
    return connected;
}

void CardRemoved() {
    DropLink();
    if (EndCall()) FireEvent(modem::kEventCallLost, nullptr, 0, 0, 0);
}

std::string VoiceStatusText() {
    VoiceCall& v = TheCall();
    AcquireSRWLockShared(&v.lock);
    std::string s = std::string("voice=") + VoiceName(v.state);
    if (v.state != Voice::Idle) s += " party=" + v.number;
    ReleaseSRWLockShared(&v.lock);
    return s;
}

bool RemoteRing(const std::string& number, std::string& why) {
    if (!SimUsable()) {
        why = "no card or no SIM card";
        return false;
    }
    VoiceCall& v = TheCall();
    AcquireSRWLockExclusive(&v.lock);
    bool busy = v.state == Voice::Dialling || v.state == Voice::Active;
    if (!busy) {
        v.state = Voice::Ringing;
        v.incoming = true;
        v.number = number.substr(0, CutLength(number.data(), number.size(), 15));
        ++v.generation;
    }
    ReleaseSRWLockExclusive(&v.lock);
    if (busy) {
        why = "a call is in progress";
        return false;
    }
    const std::string lie = IniGet(kVoice, "RingText", "", 16);
    const bool delivered = lie.empty()
                               ? DeliverEvent(modem::kEventRing, number, true, 5000)
                               : DeliverPointerEvent(modem::kEventRing, LyingText(lie), 5000);
    if (!delivered) {
        why = "event callback did not return within 5 s";
        return false;
    }
    return true;
}

bool RemoteAnswer(std::string& why) {
    unsigned generation = 0;
    if (!Answer(Voice::Dialling, &generation)) {
        why = "no outgoing call is waiting for an answer";
        return false;
    }
    RemoteHangsUpLater(generation);
    if (!DeliverEvent(modem::kEventCallConnected, "", false, 5000)) {
        why = "event callback did not return within 5 s";
        return false;
    }
    return true;
}

bool RemoteEnd(int32_t event, std::string& why) {
    if (!EndCall()) {
        why = "no call";
        return false;
    }
    if (!DeliverEvent(event, "", false, 5000)) {
        why = "event callback did not return within 5 s";
        return false;
    }
    return true;
}

}  // namespace sim

using namespace sim;

extern "C" int32_t MDM_CALL mdmNetDial2(const char* entry, const char* tel, const char* user,
                                        const char* password, const char* apn,
                                        MdmDialCallback callback) {
    Call call("mdmNetDial2", Args().Text(entry).Text(tel).Text(user).Text(password).Text(apn).Ptr(
                                 reinterpret_cast<const void*>(callback)));
    return StartDial(call, callback);
}

extern "C" int32_t MDM_CALL mdmNetDial(const char* entry, const char* tel, const char* user,
                                       const char* password, MdmDialCallback callback) {
    Call call("mdmNetDial", Args().Text(entry).Text(tel).Text(user).Text(password).Ptr(
                                reinterpret_cast<const void*>(callback)));
    return StartDial(call, callback);
}

extern "C" int32_t MDM_CALL mdmNetHangup(const char* entry) {
    Call call("mdmNetHangup", Args().Text(entry));
    Net& n = TheNet();
    AcquireSRWLockExclusive(&n.lock);
    MdmDialCallback callback = n.callback;
    if (!callback) {
        ReleaseSRWLockExclusive(&n.lock);
        return call.Fail(-1, "nothing was dialled");
    }
    if (n.state == Link::HangingUp) {
        ReleaseSRWLockExclusive(&n.lock);
        return call.Ret(0);
    }
    Accumulate(n);
    n.state = Link::HangingUp;
    unsigned generation = ++n.generation;
    ReleaseSRWLockExclusive(&n.lock);
    DWORD delay = static_cast<DWORD>(std::clamp(IniInt(kDial, "HangupDelayMs", 300), 0, 60000));
    Post(delay, [generation, callback]() {
        Net& net = TheNet();
        AcquireSRWLockShared(&net.lock);
        bool current = net.generation == generation;
        ReleaseSRWLockShared(&net.lock);
        if (current) ReportDial(callback, 103);
    });
    Post(2 * delay, [generation, callback]() {
        Net& net = TheNet();
        AcquireSRWLockExclusive(&net.lock);
        bool current = net.generation == generation && net.state == Link::HangingUp;
        if (current) net.state = Link::Idle;
        ReleaseSRWLockExclusive(&net.lock);
        if (current) ReportDial(callback, 8);
    });
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmNetConnectStatus() {
    Call call("mdmNetConnectStatus", Args());
    Net& n = TheNet();
    AcquireSRWLockShared(&n.lock);
    bool connected = n.state == Link::Connected;
    bool dropped = n.dropped;
    ReleaseSRWLockShared(&n.lock);
    if (!connected) return call.Ret(0);
    return call.Ret(dropped || !CardPresent() ? 1 : 0);
}

extern "C" int32_t MDM_CALL mdmNetTransmitStatus(const char* entry, uint32_t* received,
                                                 uint32_t* sent) {
    Call call("mdmNetTransmitStatus", Args().Text(entry).Ptr(received).Ptr(sent));
    if (!received || !sent) return call.Fail(-1, "null counter");
    Net& n = TheNet();
    AcquireSRWLockExclusive(&n.lock);
    Accumulate(n);
    // 32-bit counters, as the contract has them: they wrap like a real card's.
    *received = static_cast<uint32_t>(n.received);
    *sent = static_cast<uint32_t>(n.sent);
    ReleaseSRWLockExclusive(&n.lock);
    LogLine("  totals: received=" + std::to_string(*received) + " sent=" + std::to_string(*sent));
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmStopDev() {
    Call call("mdmStopDev", Args());
    Net& n = TheNet();
    AcquireSRWLockExclusive(&n.lock);
    Accumulate(n);
    n.state = Link::Idle;
    ++n.generation;
    ReleaseSRWLockExclusive(&n.lock);
    EndCall();
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmVoiceCall(const char* number) {
    Call call("mdmVoiceCall", Args().Text(number));
    std::string to = Trim(BoundedText(number, 64));
    if (to.empty()) return call.Fail(1, "no number");
    if (!CardPresent()) return call.Fail(2, "no card");
    if (!SimUsable() || PinPending()) return call.Fail(3, "no SIM card or SIM locked");
    int32_t csq = Signal();
    if (csq <= 0 || csq == 99) return call.Fail(4, "no signal");
    if (int32_t configured = IniInt(kVoice, "CallResult", 0))
        return call.Fail(configured, "call refused by the network");
    VoiceCall& v = TheCall();
    AcquireSRWLockExclusive(&v.lock);
    if (v.state != Voice::Idle) {
        ReleaseSRWLockExclusive(&v.lock);
        return call.Fail(1, "a call is in progress");
    }
    v.state = Voice::Dialling;
    v.incoming = false;
    v.number = to.substr(0, CutLength(to.data(), to.size(), 15));
    unsigned generation = ++v.generation;
    ReleaseSRWLockExclusive(&v.lock);
    if (IniInt(kVoice, "RemoteAnswer", 1) != 0) {
        DWORD delay =
            static_cast<DWORD>(std::clamp(IniInt(kVoice, "AnswerDelayMs", 3000), 0, 600000));
        Post(delay, [generation]() {
            VoiceCall& vc = TheCall();
            AcquireSRWLockShared(&vc.lock);
            bool current = vc.generation == generation;
            ReleaseSRWLockShared(&vc.lock);
            unsigned next = 0;
            if (!current || !Answer(Voice::Dialling, &next)) return;
            RemoteHangsUpLater(next);
            FireEvent(modem::kEventCallConnected, nullptr, 0, 0, 0);
        });
    }
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmVoiceCallAccept() {
    Call call("mdmVoiceCallAccept", Args());
    unsigned generation = 0;
    if (!Answer(Voice::Ringing, &generation)) return call.Fail(1, "no incoming call");
    RemoteHangsUpLater(generation);
    Post(0, []() { FireEvent(modem::kEventCallConnected, nullptr, 0, 0, 0); });
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmVoiceShutdown() {
    Call call("mdmVoiceShutdown", Args());
    EndCall();
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmVoiceSendDtmf(int32_t digit) {
    Call call("mdmVoiceSendDtmf", Args().Int(digit));
    bool valid = (digit >= '0' && digit <= '9') || digit == '*' || digit == '#';
    if (!valid) return call.Fail(1, "not a DTMF key");
    VoiceCall& v = TheCall();
    AcquireSRWLockShared(&v.lock);
    bool inCall = v.state == Voice::Dialling || v.state == Voice::Active;
    ReleaseSRWLockShared(&v.lock);
    if (!inCall) return call.Fail(1, "no call");
    // The tones sent, readable in the journal.
    LogLine(std::string("DTMF ") + static_cast<char>(digit));
    return call.Ret(0);
}

static int32_t MaxVolume() { return std::clamp(IniInt(kVoice, "MaxVolume", 5), 0, 100); }

extern "C" int32_t MDM_CALL mdmVoiceSetVol(int32_t level) {
    Call call("mdmVoiceSetVol", Args().Int(level));
    if (!CardPresent()) return call.Fail(2, "no card");
    if (level < 0 || level > MaxVolume()) return call.Fail(1, "volume out of range");
    IniSetInt(kVoice, "Volume", level);
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmVoiceGetVol() {
    Call call("mdmVoiceGetVol", Args());
    if (!CardPresent()) return call.Fail(-1, "no card");
    return call.Ret(std::clamp(IniInt(kVoice, "Volume", 3), 0, MaxVolume()));
}

extern "C" int32_t MDM_CALL mdmVoiceGetMaxVol() {
    Call call("mdmVoiceGetMaxVol", Args());
    return call.Ret(MaxVolume());
}
