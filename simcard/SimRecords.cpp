// simcard.dll records kept in simcard.ini: phone book, received and sent messages, call records,
// with the capacities the program relies on (201 phone-book ids, 64 messages, 20 calls).
#include "simcard/SimCard.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace sim {

namespace {

// Texts as the card stores them in its fixed record fields.
constexpr size_t kNumberMax = sizeof(SmsRecord::number) - 1;
constexpr size_t kTimeMax = sizeof(SmsRecord::time) - 1;
constexpr size_t kContentMax = sizeof(SmsRecord::content) - 1;
constexpr size_t kNameMax = sizeof(PhoneBookRecord::name) - 1;
constexpr long long kMaxRecordId = 99999;

struct Entry {
    int32_t id;
    std::vector<std::string> fields;
};

// Record ids are plain decimal keys; anything else in a record section is ignored.
bool ParseId(const std::string& key, long long low, long long high, int32_t& id) {
    long long v;
    if (key.empty() || key.size() > 9 || key.find_first_not_of("0123456789") != std::string::npos ||
        !ParseInt(key, v) || v < low || v > high)
        return false;
    id = static_cast<int32_t>(v);
    return true;
}

// Entries of a record section in file order, ids unique (first wins), at most maxCount.
std::vector<Entry> ReadEntries(const char* section, size_t fieldCount, long long low,
                               long long high, size_t maxCount) {
    std::vector<Entry> out;
    std::set<int32_t> seen;
    for (auto& [key, value] : IniSection(section, 4096)) {
        if (out.size() >= maxCount) break;
        int32_t id;
        if (!ParseId(key, low, high, id) || !seen.insert(id).second) continue;
        Entry e{id, Split(value, '|', fieldCount)};
        e.fields.resize(fieldCount);
        out.push_back(std::move(e));
    }
    return out;
}

bool HasEntry(const char* section, int32_t id) {
    return !IniGet(section, std::to_string(id).c_str(), "", 8).empty();
}

// Next id for a new record: one past the highest, or the lowest free one when that runs out.
int32_t NextId(const std::vector<Entry>& entries) {
    int32_t high = 0;
    std::set<int32_t> used;
    for (const Entry& e : entries) {
        high = std::max(high, e.id);
        used.insert(e.id);
    }
    if (high < kMaxRecordId) return high + 1;
    for (int32_t id = 1; id <= kMaxRecordId; ++id)
        if (!used.count(id)) return id;
    return -1;
}

// A field stored before a '|' must not contain one; control characters become blanks.
std::string Plain(const std::string& text, size_t maxBytes) {
    std::string t = Escape(text);
    for (char& c : t)
        if (c == '|' || c == '\\') c = ' ';
    return Trim(t.substr(0, CutLength(t.data(), t.size(), maxBytes)));
}

std::string CutText(const std::string& text, size_t maxBytes) {
    return text.substr(0, CutLength(text.data(), text.size(), maxBytes));
}

bool Refused(const char* what, int32_t id) {
    for (long long v : ParseIntList(IniGet(kRefuse, what, "", 1024), 256))
        if (v == id) return true;
    return false;
}

std::vector<Entry> ReadSms(const char* section, size_t maxCount) {
    return ReadEntries(section, 3, 0, kMaxRecordId, maxCount);
}

int32_t StoredSmsCount() {
    return static_cast<int32_t>(ReadSms(kSmsRecv, modem::kSmsCapacity).size() +
                                ReadSms(kSmsSent, modem::kSmsCapacity).size());
}

void FillSms(SmsRecord& r, const Entry& e, int32_t type) {
    memset(&r, 0, sizeof r);
    r.id = e.id;
    r.type = type;
    CopyField(r.number, sizeof r.number, e.fields[0]);
    CopyField(r.time, sizeof r.time, e.fields[1]);
    CopyField(r.content, sizeof r.content, Unescape(e.fields[2]));
}

std::string SmsLine(const std::string& number, const std::string& text) {
    return Plain(number, kNumberMax) + "|" + NowText() + "|" + Escape(CutText(text, kContentMax));
}

// Received count handed out by the last mdmSmsGetAllRecvRec: the program puts the sent records
// right after them in its 64-record store.
LONG g_lastReceived = 0;

bool SimReady() { return SimUsable() && !PinPending(); }

}  // namespace

bool StoreReceivedSms(const std::string& number, const std::string& text, std::string& why) {
    StateLock lock;
    if (StoredSmsCount() >= modem::kSmsCapacity) {
        why = "message store full (64)";
        return false;
    }
    int32_t id = NextId(ReadSms(kSmsRecv, 4096));
    if (id < 0 || !IniSet(kSmsRecv, std::to_string(id).c_str(), SmsLine(number, text))) {
        why = "cannot write simcard.ini";
        return false;
    }
    return true;
}

void AddCallRecord(int32_t type, const std::string& number, int32_t seconds) {
    StateLock lock;
    std::vector<Entry> calls = ReadEntries(kCalls, 4, 0, kMaxRecordId, 4096);
    int32_t id = NextId(calls);
    // The card remembers the last 20 calls: the oldest (lowest id) go.
    std::sort(calls.begin(), calls.end(),
              [](const Entry& a, const Entry& b) { return a.id < b.id; });
    for (size_t i = 0; i + modem::kCallRecordCapacity <= calls.size(); ++i)
        IniDelete(kCalls, std::to_string(calls[i].id).c_str());
    if (id < 0) return;
    IniSet(kCalls, std::to_string(id).c_str(),
           std::to_string(type) + "|" + Plain(number, kNumberMax) + "|" +
               std::to_string(std::max(seconds, 0)) + "|" + NowText());
}

}  // namespace sim

using namespace sim;

extern "C" int32_t MDM_CALL mdmPbGetAllRec(PhoneBookRecord* records) {
    Call call("mdmPbGetAllRec", Args().Ptr(records));
    if (!records) return call.Fail(-1, "null buffer");
    if (!SimReady()) return call.Fail(-1, "no SIM card or SIM locked");
    std::vector<Entry> book =
        ReadEntries(kPhoneBook, 2, 0, modem::kPhoneBookSlots - 1, modem::kPhoneBookSlots);
    int32_t n = 0;
    for (const Entry& e : book) {
        PhoneBookRecord& r = records[n++];
        memset(&r, 0, sizeof r);
        r.id = e.id;
        CopyField(r.number, sizeof r.number, e.fields[0]);
        CopyField(r.name, sizeof r.name, Unescape(e.fields[1]));
    }
    return call.Ret(n);
}

extern "C" int32_t MDM_CALL mdmPbAddRec(PhoneBookRecord record) {
    std::string number = BoundedText(record.number, sizeof record.number);
    std::string name = BoundedText(record.name, sizeof record.name);
    Call call("mdmPbAddRec", Args().Int(record.id).Text(number.c_str()).Text(name.c_str()));
    if (!SimReady()) return call.Fail(-1, "no SIM card or SIM locked");
    number = Plain(number, kNumberMax);
    name = Escape(CutText(name, kNameMax));
    if (number.empty() && name.empty()) return call.Fail(-1, "empty entry");
    StateLock lock;
    int32_t id = record.id;
    if (id == -1) {
        std::set<int32_t> used;
        for (const Entry& e :
             ReadEntries(kPhoneBook, 2, 0, modem::kPhoneBookSlots - 1, modem::kPhoneBookSlots))
            used.insert(e.id);
        for (id = 0; id < modem::kPhoneBookSlots && used.count(id); ++id) {
        }
        if (id >= modem::kPhoneBookSlots) return call.Fail(-1, "phone book full");
    } else if (id < 0 || id >= modem::kPhoneBookSlots) {
        return call.Fail(-1, "id out of range");
    }
    if (!IniSet(kPhoneBook, std::to_string(id).c_str(), number + "|" + name))
        return call.Fail(-1, "cannot write simcard.ini");
    return call.Ret(id);
}

extern "C" int32_t MDM_CALL mdmPbDelRec(int32_t id) {
    Call call("mdmPbDelRec", Args().Int(id));
    if (!SimReady()) return call.Fail(1, "no SIM card or SIM locked");
    StateLock lock;
    if (id < 0 || id >= modem::kPhoneBookSlots || !HasEntry(kPhoneBook, id))
        return call.Fail(1, "no such entry");
    if (Refused("Phonebook", id)) return call.Fail(1, "deletion refused by the card");
    IniDelete(kPhoneBook, std::to_string(id).c_str());
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmSmsGetAllRecvRec(SmsRecord* records) {
    Call call("mdmSmsGetAllRecvRec", Args().Ptr(records));
    if (!records) return call.Fail(-1, "null buffer");
    if (!SimReady()) return call.Fail(-1, "no SIM card or SIM locked");
    std::vector<Entry> recv = ReadSms(kSmsRecv, modem::kSmsCapacity);
    for (size_t i = 0; i < recv.size(); ++i) FillSms(records[i], recv[i], 1);
    InterlockedExchange(&g_lastReceived, static_cast<LONG>(recv.size()));
    return call.Ret(static_cast<int32_t>(recv.size()));
}

extern "C" int32_t MDM_CALL mdmSmsGetAllSendRec(SmsRecord* records) {
    Call call("mdmSmsGetAllSendRec", Args().Ptr(records));
    if (!records) return call.Fail(-1, "null buffer");
    if (!SimReady()) return call.Fail(-1, "no SIM card or SIM locked");
    // Received and sent records share one 64-record store in the program.
    LONG received =
        std::max<LONG>(InterlockedCompareExchange(&g_lastReceived, 0, 0),
                       static_cast<LONG>(ReadSms(kSmsRecv, modem::kSmsCapacity).size()));
    size_t room =
        static_cast<size_t>(modem::kSmsCapacity - std::min<LONG>(received, modem::kSmsCapacity));
    std::vector<Entry> sent = ReadSms(kSmsSent, room);
    for (size_t i = 0; i < sent.size(); ++i) FillSms(records[i], sent[i], 0);
    return call.Ret(static_cast<int32_t>(sent.size()));
}

static int32_t DeleteSms(const char* name, const char* section, const char* rule, int32_t id) {
    Call call(name, Args().Int(id));
    if (!SimReady()) return call.Fail(1, "no SIM card or SIM locked");
    StateLock lock;
    if (id < 0 || !HasEntry(section, id)) return call.Fail(1, "no such message");
    if (Refused(rule, id)) return call.Fail(1, "deletion refused by the card");
    IniDelete(section, std::to_string(id).c_str());
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmSmsDelRecvRec(int32_t id) {
    return DeleteSms("mdmSmsDelRecvRec", kSmsRecv, "SmsRecv", id);
}

extern "C" int32_t MDM_CALL mdmSmsDelSendRec(int32_t id) {
    return DeleteSms("mdmSmsDelSendRec", kSmsSent, "SmsSent", id);
}

extern "C" int32_t MDM_CALL mdmSmsSend(const char* number, const char* text, int32_t flags) {
    Call call("mdmSmsSend", Args().Text(number).Text(text).Int(flags));
    if (!number || !text) return call.Fail(1, "null argument");
    if (!CardPresent()) return call.Fail(2, "no card");
    if (!SimUsable() || PinPending()) return call.Fail(3, "no SIM card or SIM locked");
    int32_t csq = Signal();
    if (csq <= 0 || csq == 99) return call.Fail(4, "no signal");
    // A recipient picked from the phone book may come as "name,number": the number is last.
    std::vector<std::string> parts = Split(BoundedText(number, 256), ',', 64);
    std::string to = Trim(parts.back());
    if (to.empty()) return call.Fail(1, "no recipient");
    if (int32_t configured = IniInt(kSms, "SendResult", 0))
        return call.Fail(configured, "sending refused by the network");
    int32_t delay = std::clamp(IniInt(kSms, "SendDelayMs", 0), 0, 30000);
    if (delay > 0) Sleep(static_cast<DWORD>(delay));
    std::string body = BoundedText(text, 4096);
    {
        StateLock lock;
        if (StoredSmsCount() >= modem::kSmsCapacity) {
            LogLine("  sent, not saved: message store full");
        } else {
            int32_t id = NextId(ReadSms(kSmsSent, 4096));
            if (id >= 0) IniSet(kSmsSent, std::to_string(id).c_str(), SmsLine(to, body));
        }
    }
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmVoiceGetAllRec(CallRecord* records) {
    Call call("mdmVoiceGetAllRec", Args().Ptr(records));
    if (!records) return call.Fail(-1, "null buffer");
    if (!SimReady()) return call.Fail(-1, "no SIM card or SIM locked");
    std::vector<Entry> calls = ReadEntries(kCalls, 4, 0, kMaxRecordId, modem::kCallRecordCapacity);
    // A lying card: texts that fill their fields without a terminator.
    const bool unterminated = IniInt(kVoice, "UnterminatedTexts", 0) != 0;
    for (size_t i = 0; i < calls.size(); ++i) {
        CallRecord& r = records[i];
        memset(&r, 0, sizeof r);
        long long v = 0;
        r.id = calls[i].id;
        r.type = ParseInt(calls[i].fields[0], v) && v >= INT32_MIN && v <= INT32_MAX
                     ? static_cast<int32_t>(v)
                     : 2;
        CopyField(r.number, sizeof r.number, calls[i].fields[1]);
        r.duration = ParseInt(calls[i].fields[2], v) && v >= 0 && v <= INT32_MAX
                         ? static_cast<int32_t>(v)
                         : 0;
        CopyField(r.time, sizeof r.time, calls[i].fields[3]);
        if (unterminated) {
            for (char& c : r.number)
                if (c == '\0') c = '9';
            for (char& c : r.time)
                if (c == '\0') c = '*';
        }
    }
    // A lying card may also write records past the 20 it is allowed (at most 20 more) and report
    // a count of its own.
    const int32_t overrun = std::clamp(IniInt(kVoice, "OverrunRecords", 0), 0, 20);
    for (int32_t i = 0; i < overrun; ++i) {
        CallRecord& r = records[modem::kCallRecordCapacity + i];
        memset(&r, '#', sizeof r);
    }
    const int32_t reported = IniInt(kVoice, "ReportedRecords", -1);
    return call.Ret(reported >= 0 ? reported : static_cast<int32_t>(calls.size()));
}

extern "C" int32_t MDM_CALL mdmVoiceDelRec(int32_t id) {
    Call call("mdmVoiceDelRec", Args().Int(id));
    if (!SimReady()) return call.Fail(1, "no SIM card or SIM locked");
    StateLock lock;
    if (id < 0 || !HasEntry(kCalls, id)) return call.Fail(1, "no such call record");
    if (Refused("Calls", id)) return call.Fail(1, "deletion refused by the card");
    IniDelete(kCalls, std::to_string(id).c_str());
    return call.Ret(0);
}
