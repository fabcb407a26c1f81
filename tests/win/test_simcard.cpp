// Tests of the simulated card: simcard.dll loaded from a copy of the staged folder, driven through
// its entry points (bound by name, like the program does) and through simctl.exe.
#include "framework/FaultGuard.h"
#include "modem/ModemApi.h"
#include "modem/ModemModule.h"
#include "tests/win/WinTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <dbt.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

// ---- the loaded card ----------------------------------------------------------------------

struct Card {
    std::string dir;
    std::string stagedIni;  // the staged default state, as shipped
    HMODULE module = nullptr;
#define SIMCARD_TEST_MEMBER(name) PFN_##name name = nullptr;
    MDM_ENTRY_POINTS(SIMCARD_TEST_MEMBER)
    SIMCARD_TEST_MEMBER(mdmNetDial)
    SIMCARD_TEST_MEMBER(mdmUimExist)
#undef SIMCARD_TEST_MEMBER
};

// Folders and files in the ANSI code page, like the card's own INI file and log.
std::string StageFolder() { return e2e::ToAnsi(wintest::StagePath()); }

std::string MakeTempFolder(const char* tag) {
    return e2e::ToAnsi(wintest::MakeTempFolder(e2e::FromAnsi(tag)));
}

std::string ReadFile(const std::string& path) { return wintest::ReadBytes(e2e::FromAnsi(path)); }

bool WriteFileText(const std::string& path, const std::string& text) {
    return wintest::WriteBytes(e2e::FromAnsi(path), text);
}

// One copy of the staged card per test program: the module keeps threads and a pipe for the
// life of the process, so it is loaded once and every test rewrites its simcard.ini.
Card* LoadCard(std::string& error) {
    std::string stage = StageFolder();
    if (stage.empty()) {
        error = "ORVANE_STAGE is not set";
        return nullptr;
    }
    auto* card = new Card;
    card->dir = MakeTempFolder("simcard-test");
    if (card->dir.empty()) {
        error = "cannot make a temporary folder";
        return nullptr;
    }
    for (const char* name : {"simcard.dll", "simctl.exe", "simcard.ini"}) {
        if (!CopyFileA((stage + "\\" + name).c_str(), (card->dir + "\\" + name).c_str(), FALSE)) {
            error = std::string("cannot copy ") + name + " from " + stage;
            return nullptr;
        }
    }
    card->stagedIni = ReadFile(card->dir + "\\simcard.ini");
    card->module = LoadLibraryA((card->dir + "\\simcard.dll").c_str());
    if (!card->module) {
        error = "LoadLibrary failed";
        return nullptr;
    }
#define SIMCARD_TEST_BIND(name)                \
    card->name = reinterpret_cast<PFN_##name>( \
        reinterpret_cast<void*>(GetProcAddress(card->module, #name)));
    MDM_ENTRY_POINTS(SIMCARD_TEST_BIND)
    SIMCARD_TEST_BIND(mdmNetDial)
    SIMCARD_TEST_BIND(mdmUimExist)
#undef SIMCARD_TEST_BIND
    return card;
}

Card* TheCard(std::string* error = nullptr) {
    static std::string loadError;
    static Card* card = LoadCard(loadError);
    if (error) *error = loadError;
    return card;
}

// ---- what the card reports back -----------------------------------------------------------

struct Recorder {
    CRITICAL_SECTION lock;
    std::vector<int32_t> dial;
    struct Event {
        int32_t code;
        std::string text;
        DWORD thread;
    };
    std::vector<Event> events;
    Recorder() { InitializeCriticalSection(&lock); }
};

Recorder& Rec() {
    static Recorder* r = new Recorder;
    return *r;
}

void MDM_CALL OnDial(int32_t code) {
    EnterCriticalSection(&Rec().lock);
    Rec().dial.push_back(code);
    LeaveCriticalSection(&Rec().lock);
}

void MDM_CALL OnEvent(int32_t event, intptr_t a1, intptr_t, intptr_t, intptr_t) {
    std::string text;
    if ((event == modem::kEventRing || event == modem::kEventNewSms) && a1) {
        const char* p = reinterpret_cast<const char*>(a1);
        text.assign(p, strnlen(p, 128));
    }
    EnterCriticalSection(&Rec().lock);
    Rec().events.push_back({event, text, GetCurrentThreadId()});
    LeaveCriticalSection(&Rec().lock);
}

std::vector<int32_t> DialCodes() {
    EnterCriticalSection(&Rec().lock);
    std::vector<int32_t> v = Rec().dial;
    LeaveCriticalSection(&Rec().lock);
    return v;
}

std::vector<Recorder::Event> Events() {
    EnterCriticalSection(&Rec().lock);
    std::vector<Recorder::Event> v = Rec().events;
    LeaveCriticalSection(&Rec().lock);
    return v;
}

bool DialEndsWith(std::vector<int32_t> tail) {
    std::vector<int32_t> codes = DialCodes();
    return codes.size() >= tail.size() &&
           std::equal(tail.begin(), tail.end(), codes.end() - static_cast<ptrdiff_t>(tail.size()));
}

// ---- running simctl -------------------------------------------------------------------------

struct SimctlRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// Runs simctl.exe of the given folder; keeps this thread's windows answering meanwhile, since
// the card sends device broadcasts to them.
SimctlRun Simctl(const std::string& dir, const std::string& args) {
    SimctlRun run;
    std::string outPath = dir + "\\simctl-output.txt";
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return run;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = out;
    std::string cmd = "\"" + dir + "\\simctl.exe\" " + args;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       dir.c_str(), &si, &pi)) {
        ULONGLONG end = GetTickCount64() + 30000;
        while (MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 100, QS_ALLINPUT) !=
                   WAIT_OBJECT_0 &&
               GetTickCount64() < end)
            wintest::Pump(0);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    run.output = ReadFile(outPath);
    return run;
}

// ---- catching the card's fault --------------------------------------------------------------

// How it works: a vectored handler that reacts only to an access violation on the armed thread
// sends that thread to Landing, which jumps back into Faults() through __builtin_longjmp.
namespace guard {
void* jump[5];
volatile LONG armed = 0;
volatile DWORD thread = 0;
volatile DWORD code = 0;

__attribute__((noinline)) void Landing() { __builtin_longjmp(jump, 1); }

LONG CALLBACK Handler(EXCEPTION_POINTERS* ep) {
    if (!armed || GetCurrentThreadId() != thread ||
        ep->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    armed = 0;
    code = ep->ExceptionRecord->ExceptionCode;
#if defined(__x86_64__)
    ep->ContextRecord->Rsp = (ep->ContextRecord->Rsp & ~DWORD64(15)) - 8;
    ep->ContextRecord->Rip = reinterpret_cast<DWORD64>(&Landing);
#else
    ep->ContextRecord->Eip = reinterpret_cast<DWORD>(&Landing);
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

#if defined(__i386__)
// Head of the thread's SEH chain (fs:[0]); frames of the abandoned stack must not stay in it.
void* SehHead() {
    void* head;
    __asm__ volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}
void SetSehHead(void* head) { __asm__ volatile("movl %0, %%fs:0" : : "r"(head) : "memory"); }
#else
void* SehHead() { return nullptr; }
void SetSehHead(void*) {}
#endif

// True when call() raised an access violation.
__attribute__((noinline)) bool Faults(void (*call)(Card&), Card& card) {
    PVOID handler = AddVectoredExceptionHandler(1, Handler);
    void* volatile sehHead = SehHead();
    code = 0;
    thread = GetCurrentThreadId();
    if (__builtin_setjmp(jump) == 0) {
        armed = 1;
        call(card);
        armed = 0;
    } else {
        SetSehHead(sehHead);
    }
    RemoveVectoredExceptionHandler(handler);
    return code == EXCEPTION_ACCESS_VIOLATION;
}
}  // namespace guard

// ---- fixture --------------------------------------------------------------------------------

// A small known card: fast dial and voice timings so the tests wait little. The records are
// separate so a test can put its own record sections in their place.
const char kSettings[] =
    "[CARD]\r\nPresent=0\r\nSimPresent=1\r\nPinRequired=0\r\nPinVerified=0\r\nPin=1234\r\n"
    "PinRetries=3\r\nPuk=12345678\r\nPukRetries=10\r\nComPort=3\r\nSignal=20\r\nNetMode=5\r\n"
    "[DIAL]\r\nProgress=100,101,102\r\nStepDelayMs=20\r\nOutcome=7\r\nOutcomeDelayMs=20\r\n"
    "HangupDelayMs=20\r\n"
    "[TRAFFIC]\r\nRecvRate=100000\r\nSendRate=50000\r\n"
    "[VOICE]\r\nAnswerDelayMs=50\r\nMaxVolume=5\r\nVolume=3\r\n"
    "[SMS]\r\nSendDelayMs=0\r\n";
const char kRecords[] =
    "[PHONEBOOK]\r\n0=13800138000|\xd5\xc5\xc8\xfd\r\n1=10086|Service\r\n"
    "[SMS_RECV]\r\n1=10086|2024-05-01 09:30:00|balance\r\n"
    "[SMS_SENT]\r\n1=13800138000|2024-05-02 18:10:40|ok\r\n"
    "[CALLS]\r\n1=0|13800138000|65|2024-05-02 12:00:01\r\n";
const std::string kBaseline = std::string(kSettings) + kRecords;

class SimCard : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        card_ = TheCard(&error);
        ASSERT_NE(card_, nullptr) << error;
        WriteIni(kBaseline);
        DeleteFileA(LogPath().c_str());
    }

    Card& C() { return *card_; }
    std::string IniPath() const { return card_->dir + "\\simcard.ini"; }
    std::string LogPath() const { return card_->dir + "\\modem.log"; }
    std::string Log() const { return ReadFile(LogPath()); }

    void WriteIni(const std::string& text) {
        ASSERT_TRUE(WriteFileText(IniPath(), text));
        // Drop this process's cached copy: the file may keep the same time stamp.
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, IniPath().c_str());
    }
    void Set(const char* section, const char* key, const std::string& value) {
        WritePrivateProfileStringA(section, key, value.c_str(), IniPath().c_str());
    }
    std::string Get(const char* section, const char* key) {
        char buf[1024] = {};
        GetPrivateProfileStringA(section, key, "<none>", buf, sizeof buf, IniPath().c_str());
        return buf;
    }
    std::string Section(const char* section) {
        std::vector<char> buf(1 << 20);
        DWORD n = GetPrivateProfileSectionA(section, buf.data(), static_cast<DWORD>(buf.size()),
                                            IniPath().c_str());
        std::string out(buf.data(), n);
        for (char& c : out)
            if (c == '\0') c = '\n';
        return out;
    }
    // A section with count numbered entries: id = the given text with %d for the id.
    static std::string Entries(const char* section, int first, int count, const char* fmt) {
        std::string s = std::string("[") + section + "]\r\n";
        char line[512];
        for (int i = first; i < first + count; ++i) {
            int n = snprintf(line, sizeof line, "%d=", i);
            snprintf(line + n, sizeof line - n, fmt, i);
            s += line;
            s += "\r\n";
        }
        return s;
    }
    void WaitForPipe() {
        ASSERT_TRUE(
            wintest::PumpUntil([&] { return Simctl(C().dir, "status").exitCode == 0; }, 15000))
            << "the card never served its pipe";
    }

    Card* card_ = nullptr;
};

// ---- tests ----------------------------------------------------------------------------------

TEST_F(SimCard, ExportsEveryEntryUnderItsPlainName) {
#define SIMCARD_TEST_CHECK(name) EXPECT_NE(reinterpret_cast<void*>(C().name), nullptr) << #name;
    MDM_ENTRY_POINTS(SIMCARD_TEST_CHECK)
    SIMCARD_TEST_CHECK(mdmNetDial)
    SIMCARD_TEST_CHECK(mdmUimExist)
#undef SIMCARD_TEST_CHECK
}

TEST_F(SimCard, StagedDefaultsServeStartUp) {
    WriteIni(C().stagedIni);
    EXPECT_EQ(C().mdmModemExist(), 0);
    EXPECT_EQ(C().mdmUimExist2(), 0);
    int32_t required = -1, retries = -1, extra = -1;
    EXPECT_EQ(C().mdmPinGetStatus(&required, &retries, &extra), 0);
    EXPECT_EQ(required, 0);
    EXPECT_EQ(Get("CARD", "Pin"), "1234");
    EXPECT_EQ(C().mdmGetActiveComPort(), 3);
    EXPECT_EQ(C().mdmGetCsq(), 20);
    EXPECT_EQ(C().mdmGetServerMode(), 5);
    // Sample records, names in GBK: 张三.
    std::vector<PhoneBookRecord> book(modem::kPhoneBookSlots);
    int n = C().mdmPbGetAllRec(book.data());
    ASSERT_GT(n, 0);
    EXPECT_STREQ(book[0].name, "\xd5\xc5\xc8\xfd");
    std::vector<SmsRecord> sms(modem::kSmsCapacity);
    EXPECT_GT(C().mdmSmsGetAllRecvRec(sms.data()), 0);
    std::vector<CallRecord> calls(modem::kCallRecordCapacity);
    EXPECT_GT(C().mdmVoiceGetAllRec(calls.data()), 0);
}

TEST_F(SimCard, PresenceFollowsTheCardState) {
    EXPECT_EQ(C().mdmModemExist(), 0);
    EXPECT_EQ(C().mdmUimExist(), 0);
    Set("CARD", "Present", "1");
    EXPECT_EQ(C().mdmModemExist(), 1);
    Set("CARD", "Present", "255");
    EXPECT_EQ(C().mdmModemExist(), modem::kModemAbsent);
    EXPECT_NE(C().mdmUimExist2(), 0);
    EXPECT_EQ(C().mdmGetCsq(), -1);
    EXPECT_EQ(C().mdmGetActiveComPort(), 0);
    Set("CARD", "Present", "0");
    Set("CARD", "ReadyAfterMs", "3600000");
    EXPECT_EQ(C().mdmModemExist(), 1) << "still starting up";
    Set("CARD", "ReadyAfterMs", "0");
    Set("CARD", "SimPresent", "0");
    EXPECT_EQ(C().mdmModemExist(), 0);
    EXPECT_NE(C().mdmUimExist2(), 0);
    EXPECT_NE(C().mdmUimExist(), 0);
}

TEST_F(SimCard, SignalModeAndPortAreClampedToTheirRanges) {
    Set("CARD", "Signal", "12");
    Set("CARD", "NetMode", "8");
    Set("CARD", "ComPort", "7");
    EXPECT_EQ(C().mdmGetCsq(), 12);
    EXPECT_EQ(C().mdmGetServerMode(), 8);
    EXPECT_EQ(C().mdmGetActiveComPort(), 7);
    Set("CARD", "Signal", "45");
    EXPECT_EQ(C().mdmGetCsq(), 99);
    Set("CARD", "Signal", "strong");
    EXPECT_EQ(C().mdmGetCsq(), 20);
    Set("CARD", "ComPort", "70000");
    EXPECT_EQ(C().mdmGetActiveComPort(), 0);
}

TEST_F(SimCard, PinVerifyUnlocksTheSimForOtherProcesses) {
    Set("CARD", "PinRequired", "1");
    int32_t required = 0, retries = 0, extra = 0;
    ASSERT_EQ(C().mdmPinGetStatus(&required, &retries, &extra), 0);
    EXPECT_EQ(required, 1);
    EXPECT_EQ(retries, 3);
    EXPECT_NE(C().mdmPinVerify("0000"), 0);
    C().mdmPinGetStatus(&required, &retries, &extra);
    EXPECT_EQ(retries, 2);
    EXPECT_EQ(C().mdmPinVerify("1234"), 0);
    C().mdmPinGetStatus(&required, &retries, &extra);
    EXPECT_EQ(required, 0);
    EXPECT_EQ(retries, 3);
    // Pin.exe and the program are different processes: the state is in the file.
    SimctlRun run = Simctl(C().dir, "get CARD PinVerified");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output.substr(0, 1), "1") << run.output;
    EXPECT_NE(C().mdmPinGetStatus(nullptr, &retries, &extra), 0);
}

TEST_F(SimCard, ThreeWrongPinsBlockUntilThePuk) {
    Set("CARD", "PinRequired", "1");
    for (int i = 0; i < 3; ++i) EXPECT_NE(C().mdmPinVerify("9999"), 0);
    EXPECT_NE(C().mdmPinVerify("1234"), 0) << "blocked: even the right PIN is refused";
    int32_t required = 0, retries = 9, extra = 0;
    C().mdmPinGetStatus(&required, &retries, &extra);
    EXPECT_EQ(required, 1);
    EXPECT_EQ(retries, 0);
    EXPECT_NE(C().mdmPinUnblock("00000000", "4321"), 0);
    EXPECT_EQ(C().mdmPinUnblock("12345678", "4321"), 0);
    C().mdmPinGetStatus(&required, &retries, &extra);
    EXPECT_EQ(required, 0);
    EXPECT_EQ(Get("CARD", "Pin"), "4321");
}

TEST_F(SimCard, PhoneBookChangesAreWrittenBack) {
    PhoneBookRecord rec = {};
    rec.id = -1;
    strcpy(rec.number, "13911112222");
    strcpy(rec.name, "\xcd\xf5\xce\xe5");  // 王五
    int32_t id = C().mdmPbAddRec(rec);
    EXPECT_EQ(id, 2) << "lowest free id";
    EXPECT_EQ(Get("PHONEBOOK", "2"), "13911112222|\xcd\xf5\xce\xe5");

    std::vector<PhoneBookRecord> book(modem::kPhoneBookSlots);
    ASSERT_EQ(C().mdmPbGetAllRec(book.data()), 3);
    EXPECT_EQ(book[2].id, 2);
    EXPECT_STREQ(book[2].number, "13911112222");

    rec.id = 2;
    strcpy(rec.name, "Wang");
    EXPECT_EQ(C().mdmPbAddRec(rec), 2) << "an id overwrites that entry";
    EXPECT_EQ(Get("PHONEBOOK", "2"), "13911112222|Wang");

    EXPECT_EQ(C().mdmPbDelRec(2), 0);
    EXPECT_EQ(Get("PHONEBOOK", "2"), "<none>");
    EXPECT_NE(C().mdmPbDelRec(2), 0);
    EXPECT_NE(C().mdmPbDelRec(500), 0);
    rec.id = 201;
    EXPECT_EQ(C().mdmPbAddRec(rec), -1);

    Set("REFUSE", "Phonebook", "1");
    EXPECT_NE(C().mdmPbDelRec(1), 0);
    EXPECT_EQ(Get("PHONEBOOK", "1"), "10086|Service");
}

TEST_F(SimCard, PhoneBookRefusesLongNumbersAndCutsNames) {
    PhoneBookRecord rec;
    memset(&rec, '9', sizeof rec);  // no terminator anywhere
    rec.id = -1;
    memset(rec.name, 'A', sizeof rec.name);
    EXPECT_EQ(C().mdmPbAddRec(rec), -1) << "a number that fills its field does not fit a SIM entry";
    rec.number[15] = '\0';
    int32_t id = C().mdmPbAddRec(rec);
    ASSERT_GE(id, 0);
    std::vector<PhoneBookRecord> book(modem::kPhoneBookSlots);
    int n = C().mdmPbGetAllRec(book.data());
    ASSERT_EQ(n, 3);
    EXPECT_EQ(std::string(book[2].number), std::string(15, '9'));
    EXPECT_EQ(std::string(book[2].name), std::string(31, 'A'));
}

TEST_F(SimCard, PhoneBookLiesWhenTold) {
    Set("PHONEBOOK_LIES", "Count", "5000");
    Set("PHONEBOOK_LIES", "Ids", "201,-3");
    Set("PHONEBOOK_LIES", "Unterminated", "1");
    std::vector<PhoneBookRecord> book(modem::kPhoneBookSlots + 1);
    memset(book.data(), 0xCD, book.size() * sizeof(PhoneBookRecord));
    EXPECT_EQ(C().mdmPbGetAllRec(book.data()), 5000);
    EXPECT_EQ(book[0].id, 201);
    EXPECT_EQ(book[1].id, -3);
    EXPECT_EQ(std::string(book[0].number, sizeof book[0].number), "1380013800099999");
    EXPECT_EQ(book[1].name[sizeof book[1].name - 1], '*');
    EXPECT_EQ(static_cast<unsigned char>(book[2].number[0]), 0xCD)
        << "only the real records are written";
}

TEST_F(SimCard, PhoneBookHonoursItsTwoHundredAndOneSlots) {
    WriteIni(std::string(kSettings) + Entries("PHONEBOOK", 0, 260, "1380000%04d|N"));
    std::vector<PhoneBookRecord> book(modem::kPhoneBookSlots + 4);
    memset(book.data(), 0xCD, book.size() * sizeof(PhoneBookRecord));
    EXPECT_EQ(C().mdmPbGetAllRec(book.data()), modem::kPhoneBookSlots);
    for (int i = 0; i < modem::kPhoneBookSlots; ++i) ASSERT_LE(book[i].id, 200);
    EXPECT_EQ(static_cast<unsigned char>(book[modem::kPhoneBookSlots].number[0]), 0xCD);
    PhoneBookRecord rec = {};
    rec.id = -1;
    strcpy(rec.number, "1");
    EXPECT_EQ(C().mdmPbAddRec(rec), -1) << "no free slot";
}

TEST_F(SimCard, MessagesNeverExceedTheSixtyFourRecordStore) {
    struct Case {
        int received, sent, wantReceived, wantSent;
    } cases[] = {{50, 30, 50, 14}, {70, 5, 64, 0}, {10, 80, 10, 54}, {0, 3, 0, 3}};
    for (const Case& c : cases) {
        WriteIni(std::string(kSettings) +
                 Entries("SMS_RECV", 1, c.received, "10086|2024-05-01 09:30:%02d|r") +
                 Entries("SMS_SENT", 1, c.sent, "10010|2024-05-01 09:30:%02d|s"));
        std::vector<SmsRecord> store(modem::kSmsCapacity + 8);
        memset(store.data(), 0xCD, store.size() * sizeof(SmsRecord));
        int32_t received = C().mdmSmsGetAllRecvRec(store.data());
        int32_t sent = C().mdmSmsGetAllSendRec(store.data() + received);
        EXPECT_EQ(received, c.wantReceived);
        EXPECT_EQ(sent, c.wantSent);
        EXPECT_EQ(store[modem::kSmsCapacity].id, static_cast<int32_t>(0xCDCDCDCD))
            << "wrote past the store";
        if (received > 0) {
            EXPECT_EQ(store[0].type, 1);
        }
        if (sent > 0) {
            EXPECT_EQ(store[received].type, 0);
        }
    }
}

TEST_F(SimCard, SentMessagesAreStoredAndDeletable) {
    const char text[] = "\xc4\xe3\xba\xc3\r\nline two";  // 你好 + a line break
    EXPECT_EQ(C().mdmSmsSend("\xd5\xc5\xc8\xfd,13800138000", text, 0), 0);
    std::vector<SmsRecord> store(modem::kSmsCapacity);
    int32_t received = C().mdmSmsGetAllRecvRec(store.data());
    ASSERT_EQ(C().mdmSmsGetAllSendRec(store.data() + received), 2);
    const SmsRecord& sent = store[received + 1];
    EXPECT_STREQ(sent.number, "13800138000") << "the number of a name,number recipient";
    EXPECT_STREQ(sent.content, text);
    EXPECT_EQ(sent.id, 2);
    EXPECT_EQ(C().mdmSmsDelSendRec(2), 0);
    EXPECT_EQ(Get("SMS_SENT", "2"), "<none>");
    EXPECT_NE(C().mdmSmsDelSendRec(2), 0);

    Set("REFUSE", "SmsRecv", "1");
    EXPECT_NE(C().mdmSmsDelRecvRec(1), 0);
    Set("REFUSE", "SmsRecv", "");
    EXPECT_EQ(C().mdmSmsDelRecvRec(1), 0);

    Set("CARD", "Signal", "0");
    EXPECT_EQ(C().mdmSmsSend("10086", "x", 0), 4);
    Set("CARD", "SimPresent", "0");
    EXPECT_EQ(C().mdmSmsSend("10086", "x", 0), 3);
    Set("CARD", "Present", "255");
    EXPECT_EQ(C().mdmSmsSend("10086", "x", 0), 2);
}

TEST_F(SimCard, LongMessagesAreCutWithinTheContentField) {
    std::string longText(400, 'x');
    WriteIni(std::string(kSettings) + "[SMS_RECV]\r\n7=" + std::string(40, '1') + "|" +
             std::string(60, 't') + "|" + longText + "\r\n");
    std::vector<SmsRecord> store(modem::kSmsCapacity);
    ASSERT_EQ(C().mdmSmsGetAllRecvRec(store.data()), 1);
    EXPECT_EQ(strlen(store[0].number), 15u);
    EXPECT_EQ(strlen(store[0].time), 31u);
    EXPECT_EQ(strlen(store[0].content), 163u);
}

TEST_F(SimCard, MessagesUpTo1024BytesAreKeptInPartsWithPerNumberOutcomes) {
    WriteIni(std::string(kSettings));
    // 1024 bytes, a double-byte character across the first part's end: seven parts, none split
    // inside a character, all with one number and time.
    std::string text(162, 'a');
    text += "\xd6\xd0";
    text += std::string(1024 - text.size(), 'b');
    ASSERT_EQ(text.size(), 1024u);
    EXPECT_EQ(C().mdmSmsSend("10086", text.c_str(), 0), 0);
    std::vector<SmsRecord> store(modem::kSmsCapacity);
    ASSERT_EQ(C().mdmSmsGetAllSendRec(store.data()), 7);
    std::string joined;
    for (int i = 0; i < 7; ++i) {
        joined += store[i].content;
        EXPECT_STREQ(store[i].number, "10086");
        EXPECT_STREQ(store[i].time, store[0].time);
    }
    EXPECT_EQ(strlen(store[0].content), 162u) << "the double-byte character starts the next part";
    EXPECT_EQ(joined, text);
    EXPECT_NE(C().mdmSmsSend("10086", (text + "c").c_str(), 0), 0) << "1025 bytes";

    // One recipient's own outcome; the others keep the card-wide one.
    Set("SMS_RESULT", "10002", "4");
    EXPECT_EQ(C().mdmSmsSend("10002", "x", 0), 4);
    EXPECT_EQ(C().mdmSmsSend("name,10002", "x", 0), 4);
    EXPECT_EQ(C().mdmSmsSend("10003", "x", 0), 0);
    Set("SMS", "SendResult", "9");
    EXPECT_EQ(C().mdmSmsSend("10003", "x", 0), 9);
    Set("SMS_RESULT", "10003", "0");
    EXPECT_EQ(C().mdmSmsSend("10003", "x", 0), 0);

    // A message whose parts do not all fit is not kept: 58 stored, 6 free, 7 parts.
    WriteIni(std::string(kSettings) + Entries("SMS_RECV", 1, 58, "10086|2024-05-01 09:30:%02d|r"));
    EXPECT_EQ(C().mdmSmsSend("10086", std::string(1024, 'z').c_str(), 0), 0);
    EXPECT_EQ(Section("SMS_SENT"), "");
    WaitForPipe();
    EXPECT_NE(Simctl(C().dir, "sms 10086 " + std::string(1024, 'q')).exitCode, 0u)
        << "refused, not half kept";
    EXPECT_EQ(Simctl(C().dir, "sms 10086 " + std::string(400, 'q')).exitCode, 0u);
    std::vector<SmsRecord> received(modem::kSmsCapacity);
    EXPECT_EQ(C().mdmSmsGetAllRecvRec(received.data()), 61) << "400 bytes in three records";
}

TEST_F(SimCard, LyingSwitchesBendCountsIdsAndTerminators) {
    WriteIni(std::string(kSettings) + "[SMS_RECV]\r\n1=10086|2024-05-01 09:30:00|hi\r\n");
    Set("SMS", "LieRecvCount", "100");
    Set("SMS", "LieSentCount", "-4");
    Set("SMS", "LieIds", "1");
    Set("SMS", "LieUnterminated", "1");
    std::vector<SmsRecord> store(2 * modem::kSmsCapacity);
    EXPECT_EQ(C().mdmSmsGetAllRecvRec(store.data()), 100);
    EXPECT_EQ(C().mdmSmsGetAllSendRec(store.data() + 1), -4);
    EXPECT_EQ(store[0].id, -1);
    EXPECT_EQ(std::string(store[0].number, 16), "1008610086100861");
    EXPECT_EQ(std::string(store[0].content, 4), "hihi");
    EXPECT_NE(store[0].content[163], '\0');

    Set("SMS", "LieFillAll", "1");
    memset(store.data(), 0, store.size() * sizeof(SmsRecord));
    C().mdmSmsGetAllRecvRec(store.data());
    for (int i = 0; i < modem::kSmsCapacity; ++i) EXPECT_NE(store[i].number[0], '\0') << i;
    EXPECT_EQ(store[modem::kSmsCapacity].number[0], '\0') << "a full store, no more";
}

TEST_F(SimCard, JournalShowsEveryCall) {
    C().mdmGetCsq();
    C().mdmPbDelRec(77);
    C().mdmWriteLog("File=DlgSmsList.cpp,Line=163\n");
    C().mdmSmsSend("10086", "hi", 0);
    std::string log = Log();
    EXPECT_NE(log.find("CALL mdmGetCsq() = 20\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CALL mdmPbDelRec(77) = 1"), std::string::npos) << log;
    EXPECT_NE(log.find("\nFile=DlgSmsList.cpp,Line=163\n"), std::string::npos) << log;
    EXPECT_NE(log.find("CALL mdmSmsSend(\"10086\",\"hi\",0) = 0"), std::string::npos) << log;
}

TEST_F(SimCard, LastErrorTextIsBoundedAndClearable) {
    EXPECT_NE(C().mdmPbDelRec(150), 0);
    EXPECT_STRNE(C().mdmGetLastErrorDes(), "");
    C().mdmSetLastErrorDes("");
    EXPECT_STREQ(C().mdmGetLastErrorDes(), "");
    std::string huge(5000, 'e');
    C().mdmSetLastErrorDes(huge.c_str());
    EXPECT_EQ(strlen(C().mdmGetLastErrorDes()), 271u);
}

TEST_F(SimCard, ConfiguredFaultRaisesARealAccessViolation) {
    Set("FAULT", "mdmGetCsq", "1");
    auto csq = [](Card& c) { c.mdmGetCsq(); };
    EXPECT_TRUE(guard::Faults(csq, C()));
    EXPECT_TRUE(guard::Faults(csq, C())) << "again, after recovering";
    EXPECT_FALSE(guard::Faults([](Card& c) { c.mdmModemExist(); }, C()));
    EXPECT_NE(Log().find("CALL mdmGetCsq() = FAULT"), std::string::npos);
    Set("FAULT", "mdmGetCsq", "0");
    EXPECT_EQ(C().mdmGetCsq(), 20);
}

// Each of the 42 entries the program binds, faulting inside the card, is a failed call of the
// program's own guard, logged with the caller's place: also the few no user action calls.
TEST_F(SimCard, EveryBoundEntryFaultingIsAFailedCallOfTheProgramsGuard) {
    modem::Bind(C().module);
    ASSERT_EQ(modem::BoundEntryCount(), 42);
    using modem::ModemTable;
    constexpr int32_t kFailed = -12345;
    SmsRecord sms[modem::kSmsCapacity] = {};
    CallRecord calls[modem::kCallRecordCapacity] = {};
    PhoneBookRecord book[modem::kPhoneBookSlots] = {};
    PhoneBookRecord entry = {-1, "10086", "name"};
    uint32_t received = 0, sent = 0;
    int32_t pin = 0, retries = 0, extra = 0;
    char user[33] = {}, password[33] = {}, tel[33] = {}, apn[33] = {};
    const auto call = [](auto member, auto... args) {
        return [=] { return modem::Call(__FILE__, __LINE__, member, kFailed, args...); };
    };
    const std::vector<std::pair<std::string, std::function<int32_t()>>> entries = {
        {"mdmNetDial2", call(&ModemTable::mdmNetDial2, "", "*99#", "", "", "", &OnDial)},
        {"mdmNetHangup", call(&ModemTable::mdmNetHangup, "")},
        {"mdmNetSetCta", call(&ModemTable::mdmNetSetCta, 30)},
        {"mdmNetConnectStatus", call(&ModemTable::mdmNetConnectStatus)},
        {"mdmNetTransmitStatus", call(&ModemTable::mdmNetTransmitStatus, "", &received, &sent)},
        {"mdmNetGetDefaultSetting",
         call(&ModemTable::mdmNetGetDefaultSetting, user, password, tel, apn)},
        {"mdmModemExist", call(&ModemTable::mdmModemExist)},
        {"mdmGetRegStatus", call(&ModemTable::mdmGetRegStatus)},
        {"mdmUimExist2", call(&ModemTable::mdmUimExist2)},
        {"mdmGetCsq", call(&ModemTable::mdmGetCsq)},
        {"mdmGetServerMode", call(&ModemTable::mdmGetServerMode)},
        {"mdmGetActiveComPort", call(&ModemTable::mdmGetActiveComPort)},
        {"mdmSmsSend", call(&ModemTable::mdmSmsSend, "10086", "text", 0)},
        {"mdmSmsGetAllRecvRec", call(&ModemTable::mdmSmsGetAllRecvRec, sms)},
        {"mdmSmsGetAllSendRec", call(&ModemTable::mdmSmsGetAllSendRec, sms)},
        {"mdmSmsDelSendRec", call(&ModemTable::mdmSmsDelSendRec, 1)},
        {"mdmSmsDelRecvRec", call(&ModemTable::mdmSmsDelRecvRec, 1)},
        {"mdmVoiceCall", call(&ModemTable::mdmVoiceCall, "10086")},
        {"mdmVoiceShutdown", call(&ModemTable::mdmVoiceShutdown)},
        {"mdmVoiceCallAccept", call(&ModemTable::mdmVoiceCallAccept)},
        {"mdmVoiceSendDtmf", call(&ModemTable::mdmVoiceSendDtmf, '5')},
        {"mdmVoiceSetVol", call(&ModemTable::mdmVoiceSetVol, 3)},
        {"mdmVoiceGetVol", call(&ModemTable::mdmVoiceGetVol)},
        {"mdmVoiceGetMaxVol", call(&ModemTable::mdmVoiceGetMaxVol)},
        {"mdmVoiceGetAllRec", call(&ModemTable::mdmVoiceGetAllRec, calls)},
        {"mdmVoiceDelRec", call(&ModemTable::mdmVoiceDelRec, 1)},
        {"mdmPbGetAllRec", call(&ModemTable::mdmPbGetAllRec, book)},
        {"mdmPbAddRec", call(&ModemTable::mdmPbAddRec, entry)},
        {"mdmPbDelRec", call(&ModemTable::mdmPbDelRec, 1)},
        {"mdmPinGetStatus", call(&ModemTable::mdmPinGetStatus, &pin, &retries, &extra)},
        {"mdmPinVerify", call(&ModemTable::mdmPinVerify, "1234")},
        {"mdmPinEnable", call(&ModemTable::mdmPinEnable, "1234")},
        {"mdmPinDisable", call(&ModemTable::mdmPinDisable, "1234")},
        {"mdmPinChange", call(&ModemTable::mdmPinChange, "1234", "4321")},
        {"mdmPinUnblock", call(&ModemTable::mdmPinUnblock, "12345678", "1234")},
        {"mdmSetLogFileName", call(&ModemTable::mdmSetLogFileName, "modem.log")},
        {"mdmWriteLog", call(&ModemTable::mdmWriteLog, "text")},
        {"mdmClearLog", call(&ModemTable::mdmClearLog)},
        {"mdmGetLastErrorDes",
         [] {
             const char* text = MDM_CALL_GUARDED(mdmGetLastErrorDes, static_cast<const char*>(nullptr));
             return text ? 0 : kFailed;
         }},
        {"mdmSetLastErrorDes", call(&ModemTable::mdmSetLastErrorDes, "text")},
        {"mdmInitWatch", call(&ModemTable::mdmInitWatch, &OnEvent)},
        {"mdmStopDev", call(&ModemTable::mdmStopDev)},
    };
    std::set<std::string> bound;
#define SIMCARD_TEST_NAME(name) bound.insert(#name);
    MDM_ENTRY_POINTS(SIMCARD_TEST_NAME)
#undef SIMCARD_TEST_NAME
    std::set<std::string> covered;
    int survived = 0;
    for (const auto& [name, callIt] : entries) {
        SCOPED_TRACE(name);
        covered.insert(name);
        Set("FAULT", name.c_str(), "1");
        const unsigned long before = fault::CaughtFaultCount();
        const bool failed = callIt() == kFailed;
        // The log writer faulting is caught twice: its call, then its report of the fault.
        const bool caught = fault::CaughtFaultCount() > before;
        Set("FAULT", name.c_str(), "0");
        EXPECT_TRUE(failed && caught);
        EXPECT_NE(Log().find("CALL " + name + "("), std::string::npos);
        survived += failed && caught ? 1 : 0;
    }
    EXPECT_EQ(covered, bound);
    EXPECT_EQ(survived, 42);
    // Where the call came from is in the card's journal, through its own log writer.
    EXPECT_NE(Log().find("File="), std::string::npos);
    modem::Table() = modem::ModemTable{};
    fault::SetFaultLogger(nullptr);
}

// Calls every reading entry and checks what comes back stays in its bounds.
void ExerciseAll(Card& c) {
    c.mdmModemExist();
    c.mdmUimExist2();
    c.mdmGetCsq();
    c.mdmGetServerMode();
    c.mdmGetActiveComPort();
    c.mdmGetRegStatus();
    int32_t a = 0, b = 0, x = 0;
    c.mdmPinGetStatus(&a, &b, &x);
    c.mdmPinVerify("1234");
    char user[33], pw[33], tel[33], apn[33];
    c.mdmNetGetDefaultSetting(user, pw, tel, apn);
    for (const char* f : {user, pw, tel, apn}) EXPECT_LT(strnlen(f, 33), 33u);
    std::vector<PhoneBookRecord> book(modem::kPhoneBookSlots);
    int n = c.mdmPbGetAllRec(book.data());
    EXPECT_LE(n, modem::kPhoneBookSlots);
    for (int i = 0; i < n; ++i) {
        EXPECT_LT(strnlen(book[i].number, 16), 16u);
        EXPECT_LT(strnlen(book[i].name, 32), 32u);
        EXPECT_TRUE(book[i].id >= 0 && book[i].id <= 200);
    }
    std::vector<SmsRecord> store(modem::kSmsCapacity);
    int r = std::max(0, c.mdmSmsGetAllRecvRec(store.data()));
    int s = std::max(0, c.mdmSmsGetAllSendRec(store.data() + r));
    EXPECT_LE(r + s, modem::kSmsCapacity);
    for (int i = 0; i < r + s; ++i) EXPECT_LT(strnlen(store[i].content, 164), 164u);
    std::vector<CallRecord> calls(modem::kCallRecordCapacity);
    EXPECT_LE(c.mdmVoiceGetAllRec(calls.data()), modem::kCallRecordCapacity);
    c.mdmVoiceGetVol();
    c.mdmVoiceGetMaxVol();
    c.mdmGetLastErrorDes();
}

TEST_F(SimCard, GarbageStateNeverCrashesTheCard) {
    WriteIni("");
    ExerciseAll(C());
    EXPECT_EQ(C().mdmModemExist(), 0) << "an empty file is a plain present card";

    std::string noise(256 * 1024, '\0');
    uint32_t seed = 12345;
    for (char& ch : noise) {
        seed = seed * 1103515245u + 12345u;
        ch = static_cast<char>(seed >> 16);
    }
    WriteIni(noise);
    ExerciseAll(C());
    WriteIni("\xff\xfe" + noise);  // looks like UTF-16
    ExerciseAll(C());

    std::string huge = "[CARD]\r\nPin=" + std::string(100000, '7') +
                       "\r\nSignal=99999999999999999999999\r\n[PHONEBOOK]\r\n";
    for (int i = 0; i < 1000; ++i)
        huge += std::to_string(i % 250) + "=" + std::string(300, '5') + "|" +
                std::string(1000, 'n') + "\r\n";
    huge += "[SMS_RECV]\r\n";
    for (int i = 0; i < 300; ++i)
        huge += std::to_string(i) + "=||" + std::string(3000, 'c') + "\r\n";
    WriteIni(huge);
    ExerciseAll(C());
    EXPECT_EQ(C().mdmGetCsq(), 20);
}

TEST_F(SimCard, DialReportsProgressThenOutcomeOnAModuleThread) {
    size_t before = DialCodes().size();
    ASSERT_EQ(C().mdmNetDial2("Orvane", "#777", "card", "card", "ctnet", OnDial), 0);
    ASSERT_TRUE(wintest::PumpUntil([] { return DialEndsWith({7}); }, 5000));
    std::vector<int32_t> codes = DialCodes();
    EXPECT_EQ(std::vector<int32_t>(codes.begin() + static_cast<ptrdiff_t>(before), codes.end()),
              (std::vector<int32_t>{100, 101, 102, 7}));
    EXPECT_NE(C().mdmNetDial2("Orvane", "#777", "", "", "", OnDial), 0) << "already connected";

    uint32_t r1 = 0, s1 = 0, r2 = 0, s2 = 0;
    C().mdmNetTransmitStatus("Orvane", &r1, &s1);
    Sleep(200);
    C().mdmNetTransmitStatus("Orvane", &r2, &s2);
    EXPECT_GT(r2, r1);
    EXPECT_GT(s2, s1);
    EXPECT_EQ(C().mdmNetConnectStatus(), 0);

    ASSERT_EQ(C().mdmNetHangup("Orvane"), 0);
    ASSERT_TRUE(wintest::PumpUntil([] { return DialEndsWith({103, 8}); }, 5000));
    C().mdmNetTransmitStatus("Orvane", &r1, &s1);
    Sleep(100);
    C().mdmNetTransmitStatus("Orvane", &r2, &s2);
    EXPECT_EQ(r1, r2) << "totals stay once hung up";
}

TEST_F(SimCard, DialFailuresComeFromTheCardOrTheConfiguredOutcome) {
    Set("DIAL", "Outcome", "6");
    Set("DIAL", "LastError", "\xd4\xb6\xb6\xcb\xce\xde\xd3\xa6\xb4\xf0");  // 远端无应答
    ASSERT_EQ(C().mdmNetDial2("Orvane", "#777", "", "", "", OnDial), 0);
    ASSERT_TRUE(wintest::PumpUntil([] { return DialEndsWith({6}); }, 5000));
    EXPECT_STREQ(C().mdmGetLastErrorDes(), "\xd4\xb6\xb6\xcb\xce\xde\xd3\xa6\xb4\xf0");

    Set("CARD", "Signal", "0");
    ASSERT_EQ(C().mdmNetDial("Orvane", "#777", "", "", OnDial), 0) << "the watcher's variant";
    ASSERT_TRUE(wintest::PumpUntil([] { return DialEndsWith({4}); }, 5000));
    EXPECT_EQ(C().mdmNetDial2("Orvane", "#777", "", "", "", nullptr), -1);
}

TEST_F(SimCard, VoiceCallIsAnsweredAndRecorded) {
    C().mdmInitWatch(OnEvent);
    size_t before = Events().size();
    ASSERT_EQ(C().mdmVoiceCall("10086"), 0);
    EXPECT_EQ(C().mdmVoiceSendDtmf('5'), 0);
    EXPECT_NE(C().mdmVoiceSendDtmf('x'), 0);
    ASSERT_TRUE(wintest::PumpUntil([&] { return Events().size() > before; }, 5000));
    EXPECT_EQ(Events().back().code, modem::kEventCallConnected);
    EXPECT_NE(C().mdmVoiceCall("10010"), 0) << "one call at a time";
    C().mdmVoiceShutdown();
    EXPECT_NE(C().mdmVoiceSendDtmf('5'), 0);
    std::vector<CallRecord> calls(modem::kCallRecordCapacity);
    int n = C().mdmVoiceGetAllRec(calls.data());
    ASSERT_EQ(n, 2);
    EXPECT_STREQ(calls[1].number, "10086");
    EXPECT_EQ(calls[1].type, 0);

    EXPECT_EQ(C().mdmVoiceGetMaxVol(), 5);
    EXPECT_NE(C().mdmVoiceSetVol(9), 0);
    EXPECT_EQ(C().mdmVoiceSetVol(4), 0);
    EXPECT_EQ(C().mdmVoiceGetVol(), 4);
    Set("CARD", "Present", "255");
    EXPECT_EQ(C().mdmVoiceCall("10086"), 2);
}

TEST_F(SimCard, CallRecordsKeepTheLastTwenty) {
    WriteIni(std::string(kSettings) +
             Entries("CALLS", 1, 30, "0|1380000%04d|1|2024-05-02 12:00:01"));
    std::vector<CallRecord> calls(modem::kCallRecordCapacity + 2);
    EXPECT_EQ(C().mdmVoiceGetAllRec(calls.data()), modem::kCallRecordCapacity);
    C().mdmInitWatch(OnEvent);
    ASSERT_EQ(C().mdmVoiceCall("10086"), 0);
    C().mdmVoiceShutdown();
    EXPECT_EQ(Get("CALLS", "11"), "<none>") << "the oldest go first";
    EXPECT_NE(Get("CALLS", "31"), "<none>");
    EXPECT_EQ(C().mdmVoiceGetAllRec(calls.data()), modem::kCallRecordCapacity);
}

TEST_F(SimCard, LyingCardSwitchesBendTheCallRecords) {
    Set("CALLS", "2", "7|10086|5|2024-05-03 08:15:30");
    Set("VOICE", "ReportedRecords", "99");
    Set("VOICE", "OverrunRecords", "50");
    Set("VOICE", "UnterminatedTexts", "1");
    std::vector<CallRecord> calls(modem::kCallRecordCapacity + 30);
    memset(calls.data(), 0, calls.size() * sizeof(CallRecord));
    EXPECT_EQ(C().mdmVoiceGetAllRec(calls.data()), 99);
    EXPECT_EQ(calls[1].type, 7) << "types the card does not know pass as they are";
    EXPECT_EQ(std::string(calls[1].number, sizeof calls[1].number), "1008699999999999");
    EXPECT_EQ(calls[0].time[31], '*');
    EXPECT_EQ(calls[modem::kCallRecordCapacity + 19].id, 0x23232323) << "20 extra records at most";
    EXPECT_EQ(calls[modem::kCallRecordCapacity + 20].id, 0);
}

// A hidden window of this process, as the program has, to see the card's device broadcasts.
struct PortWatcher {
    static std::vector<std::pair<WPARAM, std::wstring>>& Seen() {
        static auto* seen = new std::vector<std::pair<WPARAM, std::wstring>>;
        return *seen;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_DEVICECHANGE && lp) {
            auto* hdr = reinterpret_cast<DEV_BROADCAST_HDR*>(lp);
            if (hdr->dbch_devicetype == DBT_DEVTYP_PORT)
                Seen().emplace_back(wp, reinterpret_cast<DEV_BROADCAST_PORT_W*>(lp)->dbcp_name);
            return TRUE;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    PortWatcher() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"SimcardTestPortWatcher";
        RegisterClassW(&wc);
        hwnd = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
    }
    ~PortWatcher() { DestroyWindow(hwnd); }
    HWND hwnd;
};

TEST_F(SimCard, SimctlInjectsEventsThroughThePipe) {
    C().mdmInitWatch(OnEvent);
    WaitForPipe();
    SimctlRun status = Simctl(C().dir, "status");
    EXPECT_NE(status.output.find("watch=yes"), std::string::npos) << status.output;

    size_t before = Events().size();
    SimctlRun ring = Simctl(C().dir, "ring 13800138000");
    ASSERT_EQ(ring.exitCode, 0u) << ring.output;
    std::vector<Recorder::Event> ev = Events();
    ASSERT_EQ(ev.size(), before + 1) << "delivered before simctl returns";
    EXPECT_EQ(ev.back().code, modem::kEventRing);
    EXPECT_EQ(ev.back().text, "13800138000");
    EXPECT_NE(ev.back().thread, GetCurrentThreadId());

    ASSERT_EQ(Simctl(C().dir, "hangup").exitCode, 0u);
    EXPECT_EQ(Events().back().code, modem::kEventRemoteHangup);
    EXPECT_EQ(Get("CALLS", "2").substr(0, 14), "2|13800138000|") << "a missed call";

    SimctlRun sms = Simctl(C().dir, "sms 10086 hello world");
    ASSERT_EQ(sms.exitCode, 0u) << sms.output;
    EXPECT_EQ(Events().back().code, modem::kEventNewSms);
    EXPECT_EQ(Events().back().text, "10086");
    std::vector<SmsRecord> store(modem::kSmsCapacity);
    ASSERT_EQ(C().mdmSmsGetAllRecvRec(store.data()), 2);
    EXPECT_STREQ(store[1].content, "hello world");

    EXPECT_EQ(Simctl(C().dir, "signal 9").exitCode, 0u);
    EXPECT_EQ(C().mdmGetCsq(), 9);
    EXPECT_EQ(Simctl(C().dir, "frobnicate").exitCode, 1u);
    EXPECT_EQ(Simctl(C().dir, "ring").exitCode, 1u);
    EXPECT_EQ(Simctl(C().dir, "drop").exitCode, 3u) << "nothing to drop";
}

TEST_F(SimCard, SimctlDropEndsTheLink) {
    WaitForPipe();
    ASSERT_EQ(C().mdmNetDial2("Orvane", "#777", "", "", "", OnDial), 0);
    ASSERT_TRUE(wintest::PumpUntil([] { return DialEndsWith({7}); }, 5000));
    EXPECT_EQ(C().mdmNetConnectStatus(), 0);
    EXPECT_EQ(Simctl(C().dir, "drop").exitCode, 0u);
    EXPECT_NE(C().mdmNetConnectStatus(), 0);
    C().mdmNetHangup("Orvane");
    ASSERT_TRUE(wintest::PumpUntil([] { return DialEndsWith({103, 8}); }, 5000));
}

TEST_F(SimCard, SimctlRemoveTellsTheProgramsWindows) {
    WaitForPipe();
    PortWatcher watcher;
    ASSERT_NE(watcher.hwnd, nullptr);
    PortWatcher::Seen().clear();
    SimctlRun removed = Simctl(C().dir, "remove");
    ASSERT_EQ(removed.exitCode, 0u) << removed.output;
    ASSERT_FALSE(PortWatcher::Seen().empty());
    EXPECT_EQ(PortWatcher::Seen().back().first, static_cast<WPARAM>(DBT_DEVICEREMOVECOMPLETE));
    EXPECT_EQ(PortWatcher::Seen().back().second, L"COM3");
    EXPECT_EQ(C().mdmModemExist(), modem::kModemAbsent);

    ASSERT_EQ(Simctl(C().dir, "insert").exitCode, 0u);
    EXPECT_EQ(PortWatcher::Seen().back().first, static_cast<WPARAM>(DBT_DEVICEARRIVAL));
    EXPECT_EQ(C().mdmModemExist(), 0);
}

TEST(Simctl, ReportsWhenNoCardModuleServes) {
    std::string stage = StageFolder();
    ASSERT_FALSE(stage.empty()) << "ORVANE_STAGE is not set";
    std::string dir = MakeTempFolder("simctl-alone");
    ASSERT_FALSE(dir.empty());
    for (const char* name : {"simctl.exe", "simcard.ini"})
        ASSERT_TRUE(CopyFileA((stage + "\\" + name).c_str(), (dir + "\\" + name).c_str(), FALSE));
    SimctlRun ring = Simctl(dir, "ring 10086");
    EXPECT_EQ(ring.exitCode, 2u);
    EXPECT_NE(ring.output.find("no card module"), std::string::npos) << ring.output;
    EXPECT_EQ(Simctl(dir, "status").exitCode, 2u);
    // The card state itself is a file: it can be set with nothing running.
    EXPECT_EQ(Simctl(dir, "set CARD Signal 5").exitCode, 0u);
    EXPECT_EQ(GetPrivateProfileIntA("CARD", "Signal", -1, (dir + "\\simcard.ini").c_str()), 5);
    EXPECT_EQ(Simctl(dir, "present 7").exitCode, 1u);
}

}  // namespace
