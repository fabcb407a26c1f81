// simcard.dll core: start-up, journal and log, last error, worker thread, events, and the entry
// points for presence, signal, PIN, log and watch.
#include "simcard/SimCard.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace sim {

namespace {

HMODULE g_module = nullptr;
ULONGLONG g_startTick = 0;
INIT_ONCE g_startOnce = INIT_ONCE_STATIC_INIT;

SRWLOCK g_logLock = SRWLOCK_INIT;
std::string& LogName() {
    static std::string* name = new std::string("modem.log");
    return *name;
}

SRWLOCK g_errorLock = SRWLOCK_INIT;
char g_lastError[272];  // mdmGetLastErrorDes hands out this buffer

std::atomic<MdmEventCallback> g_watch{nullptr};
char g_eventText[128];  // first event argument; written and read on the worker thread only

struct Job {
    ULONGLONG due;
    unsigned long long seq;
    std::function<void()> run;
};

struct Worker {
    SRWLOCK lock = SRWLOCK_INIT;
    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);  // a job was posted
    std::vector<Job> jobs;
    unsigned long long seq = 0;
    std::atomic<DWORD> threadId{0};
};

Worker& TheWorker() {
    static Worker* worker = new Worker;
    return *worker;
}

// How the card's thread works: jobs wait in a list ordered by due time (ties keep posting
// order); the thread runs those that are due, each without holding the lock (a job may post
// further jobs), steps the control pipe, and sleeps until the earliest job is due, a job is
// posted, or a client connects to the pipe.
void RunDueJobs() {
    Worker& w = TheWorker();
    for (;;) {
        AcquireSRWLockExclusive(&w.lock);
        auto next = std::min_element(w.jobs.begin(), w.jobs.end(), [](const Job& a, const Job& b) {
            return a.due != b.due ? a.due < b.due : a.seq < b.seq;
        });
        if (next == w.jobs.end() || next->due > GetTickCount64()) {
            ReleaseSRWLockExclusive(&w.lock);
            return;
        }
        std::function<void()> run = std::move(next->run);
        w.jobs.erase(next);
        ReleaseSRWLockExclusive(&w.lock);
        try {
            run();
        } catch (...) {
            LogLine("WORKER job failed with an exception");
        }
    }
}

DWORD NextJobDelay() {
    Worker& w = TheWorker();
    AcquireSRWLockExclusive(&w.lock);
    ULONGLONG due = ULLONG_MAX;
    for (const Job& job : w.jobs) due = std::min(due, job.due);
    ReleaseSRWLockExclusive(&w.lock);
    if (due == ULLONG_MAX) return INFINITE;
    const ULONGLONG now = GetTickCount64();
    return due > now ? static_cast<DWORD>(std::min<ULONGLONG>(due - now, 60000)) : 0;
}

DWORD WINAPI CardThread(void*) {
    Worker& w = TheWorker();
    w.threadId = GetCurrentThreadId();
    PipeServer pipe;
    for (;;) {
        RunDueJobs();
        pipe.Step();
        HANDLE handles[2] = {w.wake, pipe.WaitHandle()};
        WaitForMultipleObjects(handles[1] ? 2 : 1, handles, FALSE,
                               std::min(NextJobDelay(), pipe.Delay()));
    }
}

BOOL CALLBACK StartOnce(PINIT_ONCE, PVOID, PVOID*) {
    // The thread runs our code for the rest of the process: keep the DLL mapped even if the
    // program frees it.
    HMODULE pinned = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&StartOnce), &pinned);
    g_startTick = GetTickCount64();
    // One thread for the card's jobs and its control pipe (each thread costs its stack); a small
    // stack, as it runs short jobs and pipe commands of the card's own.
    constexpr SIZE_T kStackBytes = 256 * 1024;
    HANDLE thread = CreateThread(nullptr, kStackBytes, CardThread, nullptr,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread) CloseHandle(thread);
    return TRUE;
}

std::string LogPath() {
    const std::string& name = LogName();
    bool absolute = name.size() > 1 && (name[1] == ':' || (name[0] == '\\' && name[1] == '\\'));
    return absolute ? name : CardFolder() + "\\" + name;
}

void AppendToLog(const std::string& text) {
    constexpr LONGLONG kLogLimit = 8LL * 1024 * 1024;
    AcquireSRWLockExclusive(&g_logLock);
    std::string path = LogPath();
    for (int attempt = 0; attempt < 2; ++attempt) {
        HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) break;
        LARGE_INTEGER size = {};
        if (attempt == 0 && GetFileSizeEx(h, &size) && size.QuadPart > kLogLimit) {
            // Keep the journal bounded: the previous part goes to <log>.old.
            CloseHandle(h);
            MoveFileExA(path.c_str(), (path + ".old").c_str(), MOVEFILE_REPLACE_EXISTING);
            continue;
        }
        SetFilePointer(h, 0, nullptr, FILE_END);
        DWORD written = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
        break;
    }
    ReleaseSRWLockExclusive(&g_logLock);
}

// The text of a journal argument: one line, bounded.
std::string Shown(const char* text) {
    if (!text) return "NULL";
    constexpr size_t kShown = 96;
    std::string t = BoundedText(text, kShown + 1);
    bool cut = t.size() > kShown;
    if (cut) t.resize(CutLength(t.data(), t.size(), kShown));
    return "\"" + Escape(t) + (cut ? "...\"" : "\"");
}

__attribute__((noinline)) void RaiseFault() {
    // Written through a volatile pointer so the store is really made and faults.
    volatile int* volatile target = nullptr;
    *target = 0x5157;
}

}  // namespace

void EnsureStarted() { InitOnceExecuteOnce(&g_startOnce, StartOnce, nullptr, nullptr); }

void LogLine(const std::string& line) { AppendToLog(line + "\r\n"); }

void LogRaw(const std::string& text) {
    std::string t = text;
    if (t.empty() || t.back() != '\n') t += "\r\n";
    AppendToLog(t);
}

void SetLogFile(const std::string& name) {
    AcquireSRWLockExclusive(&g_logLock);
    LogName() = name.empty() ? std::string("modem.log") : name.substr(0, MAX_PATH);
    ReleaseSRWLockExclusive(&g_logLock);
}

void ClearLog() {
    AcquireSRWLockExclusive(&g_logLock);
    HANDLE h = CreateFileA(LogPath().c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    ReleaseSRWLockExclusive(&g_logLock);
}

void SetLastErrorText(const std::string& text) {
    AcquireSRWLockExclusive(&g_errorLock);
    CopyField(g_lastError, sizeof g_lastError, text);
    ReleaseSRWLockExclusive(&g_errorLock);
}

const char* LastErrorText() { return g_lastError; }

void Args::Sep() {
    if (!text_.empty()) text_ += ",";
}

Args& Args::Text(const char* text) {
    Sep();
    text_ += Shown(text);
    return *this;
}

Args& Args::Int(long long value) {
    Sep();
    text_ += std::to_string(value);
    return *this;
}

Args& Args::Ptr(const void* ptr) {
    Sep();
    if (!ptr) {
        text_ += "NULL";
    } else {
        char buf[32];
        snprintf(buf, sizeof buf, "0x%p", ptr);
        text_ += buf;
    }
    return *this;
}

Call::Call(const char* name, const Args& args) : name_(name), args_(args.Str()) {
    EnsureStarted();
    if (IniInt(kFault, name, 0) != 0) {
        LogLine("CALL " + std::string(name_) + "(" + args_ + ") = FAULT");
        RaiseFault();
    }
}

int32_t Call::Ret(int32_t result) {
    LogLine("CALL " + std::string(name_) + "(" + args_ + ") = " + std::to_string(result));
    return result;
}

const char* Call::RetText(const char* result) {
    LogLine("CALL " + std::string(name_) + "(" + args_ + ") = " + Shown(result));
    return result;
}

int32_t Call::Fail(int32_t result, const std::string& error) {
    SetLastErrorText(error);
    LogLine("CALL " + std::string(name_) + "(" + args_ + ") = " + std::to_string(result) + " (" +
            error + ")");
    return result;
}

void Post(DWORD delayMs, std::function<void()> job) {
    Worker& w = TheWorker();
    AcquireSRWLockExclusive(&w.lock);
    w.jobs.push_back(Job{GetTickCount64() + delayMs, w.seq++, std::move(job)});
    ReleaseSRWLockExclusive(&w.lock);
    SetEvent(w.wake);
}

void SetWatch(MdmEventCallback callback) { g_watch.store(callback); }

bool HasWatch() { return g_watch.load() != nullptr; }

void FireEvent(int32_t event, const char* text, int32_t a2, int32_t a3, int32_t a4) {
    MdmEventCallback callback = g_watch.load();
    intptr_t a1 = 0;
    std::string shown = "0";
    if (text) {
        CopyField(g_eventText, sizeof g_eventText, text);
        a1 = reinterpret_cast<intptr_t>(g_eventText);
        shown = Shown(g_eventText);
    }
    LogLine("CALLBACK event(" + std::to_string(event) + "," + shown + "," + std::to_string(a2) +
            "," + std::to_string(a3) + "," + std::to_string(a4) + ")" +
            (callback ? "" : " not delivered: no mdmInitWatch callback"));
    if (callback) callback(event, a1, a2, a3, a4);
}

namespace {

// Runs a job on the worker and waits up to waitMs for it to finish.
bool RunOnWorker(DWORD waitMs, std::function<void()> job) {
    // Asked from the card's thread itself (a pipe command): after the jobs already due, at once.
    if (GetCurrentThreadId() == TheWorker().threadId) {
        RunDueJobs();
        job();
        return true;
    }
    std::shared_ptr<void> done(CreateEventA(nullptr, TRUE, FALSE, nullptr), [](void* h) {
        if (h) CloseHandle(h);
    });
    if (!done) return false;
    Post(0, [job = std::move(job), done]() {
        job();
        SetEvent(done.get());
    });
    return WaitForSingleObject(done.get(), waitMs) == WAIT_OBJECT_0;
}

}  // namespace

bool DeliverEvent(int32_t event, const std::string& text, bool withText, DWORD waitMs) {
    return RunOnWorker(waitMs, [event, text, withText]() {
        FireEvent(event, withText ? text.c_str() : nullptr, 0, 0, 0);
    });
}

bool DeliverRawEvent(const int32_t (&args)[5], DWORD waitMs) {
    int32_t a0 = args[0], a1 = args[1], a2 = args[2], a3 = args[3], a4 = args[4];
    return RunOnWorker(waitMs, [a0, a1, a2, a3, a4]() {
        MdmEventCallback callback = g_watch.load();
        LogLine("CALLBACK event(" + std::to_string(a0) + "," + std::to_string(a1) + "," +
                std::to_string(a2) + "," + std::to_string(a3) + "," + std::to_string(a4) + ")" +
                (callback ? "" : " not delivered: no mdmInitWatch callback"));
        if (callback) callback(a0, a1, a2, a3, a4);
    });
}

bool DeliverPointerEvent(int32_t event, intptr_t first, DWORD waitMs) {
    return RunOnWorker(waitMs, [event, first]() {
        MdmEventCallback callback = g_watch.load();
        char shown[32];
        snprintf(shown, sizeof shown, "0x%llx", static_cast<unsigned long long>(first));
        LogLine("CALLBACK event(" + std::to_string(event) + "," + shown + ",0,0,0)" +
                (callback ? "" : " not delivered: no mdmInitWatch callback"));
        if (callback) callback(event, first, 0, 0, 0);
    });
}

bool DeliverBurst(int32_t count, DWORD waitMs) {
    return RunOnWorker(waitMs, [count]() {
        MdmEventCallback callback = g_watch.load();
        LogLine("CALLBACK burst of " + std::to_string(count) + " events" +
                (callback ? "" : " not delivered: no mdmInitWatch callback"));
        static const int32_t kCycle[] = {modem::kEventRing,
                                         modem::kEventCallConnected,
                                         0,
                                         modem::kEventRemoteHangup,
                                         modem::kEventNewSms,
                                         999,
                                         modem::kEventCallLost,
                                         -1,
                                         6};
        constexpr int32_t kCycleLength = sizeof kCycle / sizeof kCycle[0];
        for (int32_t i = 0; callback && i < count; ++i) {
            const int32_t event = kCycle[i % kCycleLength];
            const bool withText = event == modem::kEventRing || event == modem::kEventNewSms;
            CopyField(g_eventText, sizeof g_eventText, "138" + std::to_string(10000000 + i));
            callback(event, withText ? reinterpret_cast<intptr_t>(g_eventText) : i, i, -i, 0);
        }
    });
}

int32_t PresentCode() {
    int32_t code = IniInt(kCard, "Present", 0);
    // A card that is plugged in but still starting up answers "not ready" for a while.
    int32_t readyAfter = IniInt(kCard, "ReadyAfterMs", 0);
    if (code == 0 && readyAfter > 0 && GetTickCount64() - g_startTick < ULONGLONG(readyAfter))
        return 1;
    return code;
}

bool CardPresent() { return PresentCode() == 0; }

bool SimUsable() { return CardPresent() && IniInt(kCard, "SimPresent", 1) != 0; }

bool PinPending() {
    return IniInt(kCard, "PinRequired", 0) != 0 && IniInt(kCard, "PinVerified", 0) == 0;
}

int32_t Signal() {
    if (!CardPresent()) return -1;
    int32_t v = IniInt(kCard, "Signal", 20);
    return (v >= 0 && v <= 31) ? v : 99;
}

int32_t ComPort() {
    if (PresentCode() == modem::kModemAbsent) return 0;
    int32_t port = IniInt(kCard, "ComPort", 3);
    return (port >= 0 && port <= 255) ? port : 0;
}

}  // namespace sim

using namespace sim;

namespace {

constexpr int32_t kPinRetriesMax = 3;
constexpr int32_t kPukRetriesMax = 10;
constexpr size_t kPinMax = 16;

bool PinFormatOk(const std::string& pin) {
    if (pin.size() < 4 || pin.size() > 8) return false;
    return std::all_of(pin.begin(), pin.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Status code common to the SIM entries: 0 usable, else the failure result and text.
int32_t SimCheck(std::string& why) {
    if (!CardPresent()) {
        why = "no card";
        return 2;
    }
    if (!SimUsable()) {
        why = "no SIM card";
        return 3;
    }
    return 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
        SetCardFolder(FolderOfModule(instance));
    }
    return TRUE;
}

extern "C" int32_t MDM_CALL mdmModemExist() {
    Call call("mdmModemExist", Args());
    return call.Ret(PresentCode());
}

extern "C" int32_t MDM_CALL mdmGetRegStatus() {
    Call call("mdmGetRegStatus", Args());
    return call.Ret(CardPresent() ? IniInt(kCard, "RegStatus", 1) : 0);
}

static int32_t UimExist(const char* name) {
    Call call(name, Args());
    if (!CardPresent()) return call.Fail(1, "no card");
    return SimUsable() ? call.Ret(0) : call.Fail(1, "no SIM card");
}

extern "C" int32_t MDM_CALL mdmUimExist2() { return UimExist("mdmUimExist2"); }

extern "C" int32_t MDM_CALL mdmUimExist() { return UimExist("mdmUimExist"); }

extern "C" int32_t MDM_CALL mdmGetCsq() {
    Call call("mdmGetCsq", Args());
    return call.Ret(Signal());
}

extern "C" int32_t MDM_CALL mdmGetServerMode() {
    Call call("mdmGetServerMode", Args());
    return call.Ret(CardPresent() ? IniInt(kCard, "NetMode", 5) : 0);
}

extern "C" int32_t MDM_CALL mdmGetActiveComPort() {
    Call call("mdmGetActiveComPort", Args());
    return call.Ret(ComPort());
}

extern "C" int32_t MDM_CALL mdmNetSetCta(int32_t seconds) {
    Call call("mdmNetSetCta", Args().Int(seconds));
    if (IniInt(kCard, "CtaSupported", 1) == 0) return call.Fail(-1, "dormancy time not supported");
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmNetGetDefaultSetting(char* user, char* password, char* tel,
                                                    char* apn) {
    Call call("mdmNetGetDefaultSetting", Args().Ptr(user).Ptr(password).Ptr(tel).Ptr(apn));
    // The account page passes buffers with room for 32 characters and the terminator.
    constexpr size_t kField = 33;
    CopyField(user, kField, IniGet(kDefaults, "User", "", 64));
    CopyField(password, kField, IniGet(kDefaults, "Password", "", 64));
    CopyField(tel, kField, IniGet(kDefaults, "Tel", "", 64));
    CopyField(apn, kField, IniGet(kDefaults, "Apn", "", 64));
    if (IniInt(kDefaults, "Unterminated", 0) != 0) {
        // A lying card: every buffer filled to its last byte, no terminating zero.
        for (char* field : {user, password, tel, apn}) {
            if (!field) continue;
            const size_t used = strnlen(field, kField);
            memset(field + used, 'x', kField - used);
        }
    }
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmPinGetStatus(int32_t* pinRequired, int32_t* retries,
                                            int32_t* extra) {
    Call call("mdmPinGetStatus", Args().Ptr(pinRequired).Ptr(retries).Ptr(extra));
    if (!pinRequired || !retries || !extra) return call.Fail(-1, "null argument");
    std::string why;
    if (int32_t r = SimCheck(why)) return call.Fail(r, why);
    int32_t left = IniInt(kCard, "PinRetries", kPinRetriesMax);
    *pinRequired = (PinPending() || (IniInt(kCard, "PinRequired", 0) && left <= 0)) ? 1 : 0;
    *retries = std::clamp(left, 0, kPinRetriesMax);
    *extra = std::clamp(IniInt(kCard, "PukRetries", kPukRetriesMax), 0, kPukRetriesMax);
    LogLine("  pin status: required=" + std::to_string(*pinRequired) +
            " retries=" + std::to_string(*retries) + " puk=" + std::to_string(*extra));
    return call.Ret(0);
}

// Checks the PIN against the card, counting down the retries; 0 right, 1 wrong, 2 blocked.
static int32_t CheckPin(const char* pin, std::string& why) {
    int32_t left = IniInt(kCard, "PinRetries", kPinRetriesMax);
    if (left <= 0) {
        why = "PIN blocked, PUK needed";
        return 2;
    }
    std::string given = BoundedText(pin, kPinMax + 1);
    if (!pin || given != IniGet(kCard, "Pin", "1234", kPinMax)) {
        IniSetInt(kCard, "PinRetries", left - 1);
        why = "wrong PIN";
        return 1;
    }
    IniSetInt(kCard, "PinRetries", kPinRetriesMax);
    return 0;
}

extern "C" int32_t MDM_CALL mdmPinVerify(const char* pin) {
    Call call("mdmPinVerify", Args().Text(pin));
    std::string why;
    if (int32_t r = SimCheck(why)) return call.Fail(r, why);
    StateLock lock;
    if (IniInt(kCard, "PinRequired", 0) == 0) return call.Ret(0);
    if (int32_t r = CheckPin(pin, why)) return call.Fail(r, why);
    // The SIM stays unlocked until the card is removed, whichever process asked.
    IniSetInt(kCard, "PinVerified", 1);
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmPinEnable(const char* pin) {
    Call call("mdmPinEnable", Args().Text(pin));
    std::string why;
    if (int32_t r = SimCheck(why)) return call.Fail(r, why);
    StateLock lock;
    if (int32_t r = CheckPin(pin, why)) return call.Fail(r, why);
    IniSetInt(kCard, "PinRequired", 1);
    IniSetInt(kCard, "PinVerified", 1);
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmPinDisable(const char* pin) {
    Call call("mdmPinDisable", Args().Text(pin));
    std::string why;
    if (int32_t r = SimCheck(why)) return call.Fail(r, why);
    StateLock lock;
    if (int32_t r = CheckPin(pin, why)) return call.Fail(r, why);
    IniSetInt(kCard, "PinRequired", 0);
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmPinChange(const char* oldPin, const char* newPin) {
    Call call("mdmPinChange", Args().Text(oldPin).Text(newPin));
    std::string why;
    if (int32_t r = SimCheck(why)) return call.Fail(r, why);
    std::string next = BoundedText(newPin, kPinMax + 1);
    if (!PinFormatOk(next)) return call.Fail(1, "new PIN must have 4 to 8 digits");
    StateLock lock;
    if (int32_t r = CheckPin(oldPin, why)) return call.Fail(r, why);
    IniSet(kCard, "Pin", next);
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmPinUnblock(const char* puk, const char* newPin) {
    Call call("mdmPinUnblock", Args().Text(puk).Text(newPin));
    std::string why;
    if (int32_t r = SimCheck(why)) return call.Fail(r, why);
    std::string next = BoundedText(newPin, kPinMax + 1);
    if (!PinFormatOk(next)) return call.Fail(1, "new PIN must have 4 to 8 digits");
    StateLock lock;
    int32_t left = IniInt(kCard, "PukRetries", kPukRetriesMax);
    if (left <= 0) return call.Fail(2, "SIM card blocked for good");
    if (!puk || BoundedText(puk, kPinMax + 1) != IniGet(kCard, "Puk", "12345678", kPinMax)) {
        IniSetInt(kCard, "PukRetries", left - 1);
        return call.Fail(1, "wrong PUK");
    }
    IniSetInt(kCard, "PukRetries", kPukRetriesMax);
    IniSetInt(kCard, "PinRetries", kPinRetriesMax);
    IniSet(kCard, "Pin", next);
    IniSetInt(kCard, "PinVerified", 1);
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmSetLogFileName(const char* fileName) {
    Call call("mdmSetLogFileName", Args().Text(fileName));
    SetLogFile(BoundedText(fileName, MAX_PATH));
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmWriteLog(const char* text) {
    Call call("mdmWriteLog", Args().Text(text));
    if (!text) return call.Fail(-1, "null text");
    LogRaw(BoundedText(text, 4096));
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmClearLog() {
    Call call("mdmClearLog", Args());
    ClearLog();
    return call.Ret(0);
}

extern "C" const char* MDM_CALL mdmGetLastErrorDes() {
    Call call("mdmGetLastErrorDes", Args());
    return call.RetText(LastErrorText());
}

extern "C" int32_t MDM_CALL mdmSetLastErrorDes(const char* text) {
    Call call("mdmSetLastErrorDes", Args().Text(text));
    SetLastErrorText(BoundedText(text, sizeof g_lastError));
    return call.Ret(0);
}

extern "C" int32_t MDM_CALL mdmInitWatch(MdmEventCallback callback) {
    Call call("mdmInitWatch", Args().Ptr(reinterpret_cast<const void*>(callback)));
    SetWatch(callback);
    return call.Ret(0);
}
