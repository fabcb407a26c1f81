// simcard.dll records kept in simcard.ini: phone book, received and sent messages, call records,
// with the capacities the program relies on (201 phone-book ids, 64 messages, 20 calls), and the
// switches that make the card lie about its messages.
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
// The longest message the card takes (sent or received); longer ones are stored in parts.
constexpr size_t kSmsTextMax = 1024;
// Outcomes of mdmSmsSend by recipient: number = result code.
constexpr const char* kSmsResult = "SMS_RESULT";
// Switches that make the phone-book reader lie: Count (the count it reports), Ids (identifiers
// given to the first records instead of their own), Unterminated (texts fill their fields).
constexpr const char* kPhoneBookLies = "PHONEBOOK_LIES";

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

// Fills a field's unused bytes, its last one included, so the text has no terminating zero.
void FillToEnd(char* field, size_t size, char filler) {
    for (size_t i = strnlen(field, size); i < size; ++i) field[i] = filler;
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

std::string SmsLine(const std::string& number, const std::string& time, const std::string& part) {
    return Plain(number, kNumberMax) + "|" + time + "|" + Escape(CutText(part, kContentMax));
}

// A message longer than a record's text field is kept as several records, one per part, as a SIM
// keeps the parts of a long message: each part as long as the field allows, never ending inside
// a double-byte character.
std::vector<std::string> SmsParts(const std::string& text) {
    std::vector<std::string> parts;
    size_t at = 0;
    do {
        size_t n = CutLength(text.data() + at, text.size() - at, kContentMax);
        if (n == 0 && at < text.size()) n = 1;  // a lone lead byte at the very end
        parts.push_back(text.substr(at, n));
        at += n;
    } while (at < text.size());
    return parts;
}

// Stores the parts of one message under consecutive new ids, all or none: a store without room
// for every part keeps none of them.
bool StoreSms(const char* section, const std::string& number, const std::string& text,
              std::string& why) {
    const std::vector<std::string> parts = SmsParts(text);
    if (StoredSmsCount() + static_cast<int32_t>(parts.size()) > modem::kSmsCapacity) {
        why = "message store full (64)";
        return false;
    }
    std::vector<Entry> entries = ReadSms(section, 4096);
    const std::string time = NowText();
    for (const std::string& part : parts) {
        int32_t id = NextId(entries);
        if (id < 0 || !IniSet(section, std::to_string(id).c_str(), SmsLine(number, time, part))) {
            why = "cannot write simcard.ini";
            return false;
        }
        entries.push_back(Entry{id, {}});
    }
    return true;
}

// A lying card (switches in [SMS], for the program's defences): LieRecvCount / LieSentCount are
// the counts the reads answer whatever they wrote; LieFillAll=1 makes each read write a full
// store of 64 records; LieIds=1 hands out identifiers no card uses; LieUnterminated=1 fills every
// text field to its last byte without a terminating NUL.
bool LieCount(const char* key, int32_t& count) {
    long long v = 0;
    if (!ParseInt(IniGet(kSms, key, "", 31), v)) return false;
    count = static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
    return true;
}

void FillUnterminated(char* field, size_t size, const std::string& text) {
    const std::string source = text.empty() ? std::string("#") : text;
    for (size_t i = 0; i < size; ++i) field[i] = source[i % source.size()];
}

void Lie(SmsRecord& r, size_t index) {
    static const int32_t kOddIds[] = {-1, INT32_MIN, INT32_MAX, -200, 0, 0};
    if (IniInt(kSms, "LieIds", 0) != 0)
        r.id = kOddIds[index % (sizeof kOddIds / sizeof kOddIds[0])];
    if (IniInt(kSms, "LieUnterminated", 0) != 0) {
        std::string content = BoundedText(r.content, sizeof r.content);
        FillUnterminated(r.number, sizeof r.number, BoundedText(r.number, sizeof r.number));
        FillUnterminated(r.time, sizeof r.time, BoundedText(r.time, sizeof r.time));
        FillUnterminated(r.content, sizeof r.content, content);
    }
}

// Writes the records of one read (lies included) and answers its count.
int32_t DeliverSms(SmsRecord* records, const std::vector<Entry>& entries, int32_t type,
                   const char* lieKey) {
    size_t written = entries.size();
    for (size_t i = 0; i < entries.size(); ++i) FillSms(records[i], entries[i], type);
    if (IniInt(kSms, "LieFillAll", 0) != 0) {
        for (; written < static_cast<size_t>(modem::kSmsCapacity); ++written) {
            Entry made{static_cast<int32_t>(9000 + written),
                       {"100" + std::to_string(written), NowText(), "filler"}};
            FillSms(records[written], made, type);
        }
    }
    for (size_t i = 0; i < written; ++i) Lie(records[i], i);
    int32_t count = static_cast<int32_t>(written);
    LieCount(lieKey, count);
    return count;
}

// Received count handed out by the last mdmSmsGetAllRecvRec: the program puts the sent records
// right after them in its 64-record store.
LONG g_lastReceived = 0;

bool SimReady() { return SimUsable() && !PinPending(); }

}  // namespace

bool StoreReceivedSms(const std::string& number, const std::string& text, std::string& why) {
    StateLock lock;
    return StoreSms(kSmsRecv, number, CutText(text, kSmsTextMax), why);
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
    // Switches for tests: a card that lies about its records.
    const std::vector<long long> lyingIds =
        ParseIntList(IniGet(kPhoneBookLies, "Ids", "", 1024), modem::kPhoneBookSlots);
    const bool unterminated = IniInt(kPhoneBookLies, "Unterminated", 0) != 0;
    int32_t n = 0;
    for (const Entry& e : book) {
        PhoneBookRecord& r = records[n];
        memset(&r, 0, sizeof r);
        r.id = static_cast<size_t>(n) < lyingIds.size() ? static_cast<int32_t>(lyingIds[n]) : e.id;
        CopyField(r.number, sizeof r.number, e.fields[0]);
        CopyField(r.name, sizeof r.name, Unescape(e.fields[1]));
        if (unterminated) {
            FillToEnd(r.number, sizeof r.number, '9');
            FillToEnd(r.name, sizeof r.name, '*');
        }
        ++n;
    }
    const int32_t claimed = IniInt(kPhoneBookLies, "Count", -1);
    return call.Ret(claimed >= 0 ? claimed : n);
}

extern "C" int32_t MDM_CALL mdmPbAddRec(PhoneBookRecord record) {
    // The fields may come without their zero: never read past them.
    std::string number = BoundedText(record.number, sizeof record.number);
    std::string name = BoundedText(record.name, sizeof record.name);
    Call call("mdmPbAddRec", Args().Int(record.id).Text(number.c_str()).Text(name.c_str()));
    if (!SimReady()) return call.Fail(-1, "no SIM card or SIM locked");
    if (number.size() > kNumberMax) return call.Fail(-1, "number too long");
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
    InterlockedExchange(&g_lastReceived, static_cast<LONG>(recv.size()));
    return call.Ret(DeliverSms(records, recv, 1, "LieRecvCount"));
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
    return call.Ret(DeliverSms(records, sent, 0, "LieSentCount"));
}

static int32_t DeleteSms(const char* name, const char* section, const char* rule, int32_t id) {
    Call call(name, Args().Int(id));
    if (!SimReady()) return call.Fail(1, "no SIM card or SIM locked");
    StateLock lock;
    if (id < 0 || !HasEntry(section, id)) return call.Fail(1, "no such message");
    if (Refused(rule, id)) return call.Fail(1, "deletion refused by the card");
    IniDelete(section, std::to_string(id).c_str());
    // A slow card: each deletion takes this long (the lock is held, as the card's port would be).
    int32_t delay = std::clamp(IniInt(kSms, "DeleteDelayMs", 0), 0, 30000);
    if (delay > 0) Sleep(static_cast<DWORD>(delay));
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
    std::string body = BoundedText(text, kSmsTextMax + 1);
    if (body.size() > kSmsTextMax) return call.Fail(1, "message longer than 1024 bytes");
    int32_t delay = std::clamp(IniInt(kSms, "SendDelayMs", 0), 0, 30000);
    if (delay > 0) Sleep(static_cast<DWORD>(delay));
    // [SMS_RESULT] number=code gives one recipient's outcome; SendResult the others'.
    std::string key = Plain(to, kNumberMax);
    int32_t configured = key.empty() ? 0 : IniInt(kSmsResult, key.c_str(), INT32_MIN);
    if (configured == INT32_MIN) configured = IniInt(kSms, "SendResult", 0);
    if (configured != 0) return call.Fail(configured, "sending refused by the network");
    {
        StateLock lock;
        std::string why;
        if (!StoreSms(kSmsSent, to, body, why)) LogLine("  sent, not saved: " + why);
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
