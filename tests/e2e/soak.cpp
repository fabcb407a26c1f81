// Soak run: drives the running program with random card events and user actions for a chosen time
// and watches its process (crashes, handles, GDI and USER objects, private memory, UI stalls).
// Not a test: it prints figures.   soak.exe [MINUTES (60)] [SEED] [WARM-UP MINUTES]
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

double NowMs() {
    LARGE_INTEGER t, f;
    QueryPerformanceCounter(&t);
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

std::mutex sayLock;  // also guards the action counts
void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
    std::lock_guard<std::mutex> lock(sayLock);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

std::string Clock(double ms) {
    const long s = static_cast<long>(ms / 1000);
    return std::to_string(s / 60) + (s % 60 < 10 ? ":0" : ":") + std::to_string(s % 60);
}

double Percentile(std::vector<float> values, double p) {
    if (values.empty()) return 0;
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(p / 100 * values.size()));
    std::nth_element(values.begin(), values.begin() + at, values.end());
    return values[at];
}

// ---- Counters of another process. Wine answers 0 to GetProcessHandleCount and GetGuiResources;
// there the handles are counted in the system's handle table, the GDI objects in the process's
// GDI handle table (its PEB points at it) and the USER objects are its windows.

double HandleCount(HANDLE process, DWORD pid) {
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count > 0) return count;
    struct Entry {
        ULONG_PTR object, pid, handle;
        ULONG access;
        USHORT trace, type;
        ULONG attributes, reserved;
    };
    static std::vector<char> buffer(1 << 20);
    const auto extendedHandles = static_cast<SYSTEM_INFORMATION_CLASS>(64);
    const auto tooSmall = static_cast<NTSTATUS>(0xC0000004L);
    NTSTATUS status;
    for (;;) {
        ULONG needed = 0;
        status = NtQuerySystemInformation(extendedHandles, buffer.data(),
                                          static_cast<ULONG>(buffer.size()), &needed);
        if (status != tooSmall || buffer.size() >= (64u << 20)) break;
        buffer.resize(buffer.size() * 2);  // the table outgrew the buffer
    }
    if (status != 0) return -1;
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + 2 * sizeof(ULONG_PTR));
    const ULONG_PTR rows = *reinterpret_cast<ULONG_PTR*>(buffer.data());
    return static_cast<double>(
        std::count_if(entries, entries + rows, [&](const Entry& e) { return e.pid == pid; }));
}

double GdiTableCount(HANDLE process) {
    struct Entry {
        UINT64 object;
        UINT32 owner;
        UINT16 count;
        UCHAR type, unique;
        UINT64 user;
    };
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    void* table = nullptr;
    static std::vector<Entry> entries(0x10000);
    const size_t field = sizeof(void*) == 8 ? 0xF8 : 0x94;  // PEB.GdiSharedHandleTable
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  &length) ||
        !ReadProcessMemory(process, reinterpret_cast<char*>(basic.PebBaseAddress) + field, &table,
                           sizeof table, nullptr) ||
        !table ||
        !ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(Entry), nullptr))
        return -1;
    return static_cast<double>(
        std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return e.type != 0; }));
}

// The table's layout, checked on this process: eight new brushes must count eight.
bool GdiTableWorks() {
    const double before = GdiTableCount(GetCurrentProcess());
    HBRUSH brushes[8];
    for (HBRUSH& brush : brushes) brush = CreateSolidBrush(RGB(1, 2, 3));
    const double after = GdiTableCount(GetCurrentProcess());
    for (HBRUSH brush : brushes) DeleteObject(brush);
    return before > 0 && after - before == 8;
}

struct WindowTally {
    DWORD pid;
    double count;
};

BOOL CALLBACK CountWindow(HWND, LPARAM tally) {
    ++reinterpret_cast<WindowTally*>(tally)->count;
    return TRUE;
}

BOOL CALLBACK CountTopWindow(HWND window, LPARAM tally) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == reinterpret_cast<WindowTally*>(tally)->pid) {
        CountWindow(window, tally);
        EnumChildWindows(window, CountWindow, tally);
    }
    return TRUE;
}

// Top-level, child and message-only windows of the process.
double WindowCount(DWORD pid) {
    WindowTally tally{pid, 0};
    EnumWindows(CountTopWindow, reinterpret_cast<LPARAM>(&tally));
    for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
         w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr))
        CountTopWindow(w, reinterpret_cast<LPARAM>(&tally));
    return tally.count;
}

// ---- The soak

// What it does, in the summary's order.
const char* const kKinds[] = {"ring answered", "ring hung up", "new message",    "messages deleted",
                              "signal change", "connect",      "connect failed", "link drop",
                              "user hang-up",  "dial failure", "page switch",    "read"};

struct Sample {
    double at, handles, gdi, user, privateMiB;  // < 0: not read
};

constexpr double kFrozenMs = 60000;  // a window unanswered this long has stopped answering

class Soak {
public:
    Soak(double durationMs, double warmupMs, unsigned seed)
        : durationMs_(durationMs), warmupMs_(warmupMs), seed_(seed) {}

    int Run() {
        if (!folder_.Ok()) return Say("cannot stage the program folder\n"), 1;
        // Quick card steps and no other party answering our calls keep every action short.
        const wchar_t* const card[][3] = {{L"DIAL", L"StepDelayMs", L"100"},
                                          {L"DIAL", L"OutcomeDelayMs", L"200"},
                                          {L"VOICE", L"RemoteAnswer", L"0"}};
        for (const auto& c : card)
            WritePrivateProfileStringW(c[0], c[1], c[2], folder_.File(L"simcard.ini").c_str());
        for (const wchar_t* skin : {L"skingb.dll", L"skinbig5.dll", L"skinen.dll", L"skinjap.dll",
                                    L"skinspa.dll"})  // whichever the system language picks
            for (UINT id : {IDS_DIAL_SUCCEEDED, IDS_NET_CONNECTED, IDS_NET_DORMANT})
                online_.push_back(e2e::LoadSkinString(folder_.File(skin), id));
        gdiTable_ = GdiTableWorks();
        Say("soak: Orvane.exe for %s (warm-up %s), seed %u\n", Clock(durationMs_).c_str(),
            Clock(warmupMs_).c_str(), seed_);
        Say("  where the system answers 0 for them, handles come from its handle table, GDI "
            "objects %s, USER objects are the windows\n",
            gdiTable_ ? "from the process's GDI handle table" : "are not counted");
        if (!StartProgram()) return Say("the program did not show its main window\n"), 1;
        start_ = NowMs();
        std::thread pinger([this] { Ping(); }), sampler([this] { SampleCounters(); });
        for (unsigned step = 0; NowMs() - start_ < durationMs_; ++step) {
            std::mt19937 rng(seed_ * 1000003u + step);  // step k does the same whatever came before
            rng_ = &rng;
            const double began = NowMs();
            Step();
            if (NowMs() - began > 15000)  // a step waits 20 s at most for any one thing
                Say("%s slow step: %s took %.1f s (state \"%s\", status \"%s\")\n",
                    Clock(began - start_).c_str(), doing_.load(), (NowMs() - began) / 1000,
                    e2e::Utf8(e2e::Text(In(internet_, IDC_INET_STATE))).c_str(),
                    e2e::Utf8(e2e::Text(In(main_, IDC_MAIN_STATUS))).c_str());
            AnswerBoxes();
            Sleep(Between(200, 600));
            CheckAlive();
        }
        finished_ = true;
        sampler.join();
        const int result = Finish();
        pinger.join();
        return result;
    }

private:
    int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(*rng_); }
    bool Chance(int percent) { return Between(1, 100) <= percent; }
    std::wstring Number() {
        static const wchar_t* const numbers[] = {L"10086", L"13800138000", L"13912345678",
                                                 L"+8613700001111", L"95588"};
        return Chance(70) ? numbers[Between(0, 4)]
                          : L"1" + std::to_wstring(Between(30000000, 89999999)) + L"000";
    }
    std::wstring MessageText() {
        static const wchar_t* const words[] = {
            L"流量提醒",         L"Hello", L"您的话费余额为", L"42.5元",
            L"晚上一起吃饭吗？", L"ok",    L"验证码 831204",  L"See you at 7"};
        std::wstring text = words[Between(0, 7)];
        for (int n = Chance(10) ? Between(20, 60) : Between(0, 5); n > 0; --n)
            text += std::wstring(L" ") + words[Between(0, 7)];
        return text;
    }

    // ---- The program and what watches it

    bool StartProgram() {
        orvane_ = folder_.Start(L"Orvane.exe");
        main_ = e2e::WaitDialogWith(orvane_.Id(), IDC_MAIN_STATUS, 60000);
        // Pages nobody sees at start are made just after the window shows.
        const auto pageWith = [&](int id) {
            HWND control = main_ ? e2e::WaitChild(main_, id) : nullptr;
            return control ? GetParent(control) : nullptr;
        };
        book_ = pageWith(IDC_PB_LIST), smsList_ = pageWith(IDC_SMSLIST_LIST);
        call_ = pageWith(IDC_CALL_DIAL), records_ = pageWith(IDC_CALLREC_LIST);
        account_ = pageWith(IDC_ACCOUNT_DEFAULT), internet_ = pageWith(IDC_INET_CONNECT);
        std::lock_guard<std::mutex> lock(targetLock_);
        process_ = orvane_.Handle(), pid_ = orvane_.Id(), window_ = main_;
        return book_ && smsList_ && call_ && records_ && account_ && internet_;
    }
    bool Running() { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    // A crash is the process ending, or its window not answering for a minute (the pinger ends
    // it then); either way it is counted and the program started again.
    void CheckAlive() {
        if (orvane_.Running()) return;
        ++crashes_;
        Say("%s CRASH: the program %s (during: %s)\n", Clock(NowMs() - start_).c_str(),
            frozen_ ? "stopped answering for 60 s and was ended"
                    : ("ended, exit code " + std::to_string(orvane_.ExitCode())).c_str(),
            doing_.load());
        {
            std::lock_guard<std::mutex> lock(targetLock_);
            process_ = nullptr, pid_ = 0, window_ = nullptr, frozen_ = false;
        }
        if (!StartProgram()) Say("the program did not start again\n");
    }
    // WM_NULL to the main window every 20 ms: a round trip is how long the window's thread kept
    // the message waiting, unanswered pings add up into one stall until an answer comes. A window
    // unanswered for a minute gets its process ended from here: the soak's other calls into the
    // process (list texts, memory) would wait for it for ever.
    void Ping() {
        double unansweredSince = 0;
        const char* unansweredDoing = "";
        while (!pingerDone_) {
            HWND window = window_;
            DWORD_PTR ignored = 0;
            const double sent = NowMs();
            const char* doing = doing_;  // a stall belongs to the step under way when it began
            if (!window || frozen_) {
                unansweredSince = 0;
                Sleep(50);
            } else if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) {
                if (unansweredSince > 0)
                    RecordStall(unansweredSince, unansweredDoing);
                else
                    RecordStall(sent, doing);
                unansweredSince = 0;
                Sleep(20);
            } else if (GetLastError() != ERROR_TIMEOUT) {
                unansweredSince = 0;  // the window is gone with its process
                Sleep(50);
            } else if (unansweredSince == 0) {
                unansweredSince = sent, unansweredDoing = doing;
            } else if (NowMs() - unansweredSince >= kFrozenMs) {
                RecordStall(unansweredSince, unansweredDoing);
                const std::wstring shots = e2e::EnvPath(L"E2E_SHOTS");
                e2e::SaveScreenshot((shots.empty() ? L"." : shots) + L"\\soak-frozen-" +
                                    std::to_wstring(GetTickCount()) + L".png");
                frozen_ = true;
                if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid_)) {
                    TerminateProcess(process, 1);
                    CloseHandle(process);
                }
            }
        }
    }
    void RecordStall(double since, const char* doing) {
        const float took = static_cast<float>(NowMs() - since);
        std::lock_guard<std::mutex> lock(stallLock_);
        recentStalls_.push_back(took);
        stalls_.push_back(took);
        if (took > longest_) longest_ = took, longestAt_ = since - start_, longestDoing_ = doing;
    }
    // Counters every 10 s, a line every minute.
    void SampleCounters() {
        double nextLine = start_ + 60000;
        while (!finished_) {
            for (int i = 0; i < 100 && !finished_; ++i) Sleep(100);
            const bool line = NowMs() >= nextLine || (finished_ && NowMs() >= nextLine - 40000);
            Sample s{NowMs() - start_, -1, -1, -1, -1};
            {
                std::lock_guard<std::mutex> lock(targetLock_);
                if (!Running()) continue;
                s.handles = HandleCount(process_, pid_);
                const DWORD gdi = GetGuiResources(process_, GR_GDIOBJECTS);
                s.gdi = gdi ? gdi : gdiTable_ ? GdiTableCount(process_) : -1;
                const DWORD user = GetGuiResources(process_, GR_USEROBJECTS);
                s.user = user ? user : WindowCount(pid_);
                // Under Wine, reading another process's address space runs in that process:
                // once a minute only.
                if (line) s.privateMiB = e2e::PrivateMiB(process_);
                if (!Running()) continue;  // figures of a process that ended meanwhile
            }
            samples_.push_back(s);
            if (!line) continue;
            while (nextLine <= NowMs()) nextLine += 60000;
            std::vector<float> recent;
            {
                std::lock_guard<std::mutex> lock(stallLock_);
                recent.swap(recentStalls_);
            }
            Say("%6s  handles %5.0f  GDI %5.0f  USER %5.0f  private %7.2f MiB  stall max %6.0f ms "
                "p99 %5.0f ms  actions %d\n",
                Clock(s.at).c_str(), s.handles, s.gdi, s.user, s.privateMiB,
                Percentile(recent, 100), Percentile(recent, 99), actions_.load());
        }
    }
    void AnswerBoxes() {
        for (e2e::MessageBoxInfo box; (box = e2e::WaitMessageBox(orvane_.Id(), 0)).window;) {
            const auto has = [&](int id) {
                return std::count(box.buttons.begin(), box.buttons.end(), id) > 0;
            };
            ++boxes_;
            Say("%s answered a message box \"%s\": %s\n", Clock(NowMs() - start_).c_str(),
                e2e::Utf8(box.caption).c_str(), e2e::Utf8(box.text).c_str());
            e2e::AnswerMessageBox(box, has(IDOK) || box.buttons.empty() ? IDOK
                                       : has(IDYES)                     ? IDYES
                                                                        : box.buttons.front());
            if (!e2e::WaitGone(box.window, 3000)) return;
        }
    }

    // ---- Driving

    bool Simctl(const std::wstring& args) {
        return folder_.Run(L"simctl.exe", args, nullptr, 30000) == 0;
    }
    void Show(int button, HWND page) {
        e2e::ClickId(main_, button);
        e2e::WaitUntil([&] { return e2e::IsVisible(page); }, 5000);
    }
    void Press(HWND page, int id) { e2e::ClickId(page, id); }
    static HWND In(HWND page, int id) { return GetDlgItem(page, id); }
    bool Connected() {
        const std::wstring state = e2e::Text(In(internet_, IDC_INET_STATE));
        return std::find(online_.begin(), online_.end(), state) != online_.end();
    }
    // The step under way; each is traced in the programs' output, to match with what they print.
    void Doing(const char* what) {
        doing_ = what;
        std::fprintf(stderr, "soak %s %s\n", Clock(NowMs() - start_).c_str(), what);
    }
    void Did(const char* kind) {
        std::lock_guard<std::mutex> lock(sayLock);
        ++done_[kind], ++actions_;
    }

    void Step() {
        static const std::pair<int, void (Soak::*)()> actions[] = {
            {12, &Soak::Ring},  {14, &Soak::NewMessage}, {16, &Soak::Signal},
            {8, &Soak::Online}, {8, &Soak::DialFailure}, {22, &Soak::SwitchPage},
            {20, &Soak::Read}};
        int pick = Between(1, 100), action = 0;
        while (pick > actions[action].first) pick -= actions[action++].first;
        (this->*actions[action].second)();
    }
    // A call rings; it is answered (some tones, then either side ends it) or hung up at once.
    void Ring() {
        Doing("ring");
        Simctl(L"ring " + Number());
        e2e::WaitUntil([&] { return e2e::IsVisible(call_); }, 5000);
        Sleep(Between(300, 2500));
        HWND dial = In(call_, IDC_CALL_DIAL);
        if (Chance(55)) {
            Press(call_, IDC_CALL_DIAL);
            e2e::WaitUntil([&] { return !e2e::IsEnabled(dial); }, 5000);
            const int keys[] = {IDC_CALL_KEY_1, IDC_CALL_KEY_5, IDC_CALL_KEY_0, IDC_CALL_KEY_HASH};
            for (int n = Between(0, 3); n > 0; --n) Press(call_, keys[Between(0, 3)]);
            Sleep(Between(500, 4000));
            Chance(30) ? Simctl(L"hangup") : e2e::ClickId(call_, IDC_CALL_HANGUP);
            Did("ring answered");
        } else {
            Press(call_, IDC_CALL_HANGUP);
            Did("ring hung up");
        }
        e2e::WaitUntil([&] { return e2e::IsEnabled(dial); }, 8000);
    }
    // A message arrives; once the list holds 40 rows, some of them go again (the card keeps 64).
    void NewMessage() {
        Doing("new message");
        Simctl(L"sms " + Number() + L" " + MessageText());
        Did("new message");
        HWND list = In(smsList_, IDC_SMSLIST_LIST);
        e2e::WaitUntil([&] { return e2e::IsVisible(smsList_); }, 5000);
        Sleep(Between(300, 1500));
        const int rows = static_cast<int>(e2e::ListViewRows(list).size());
        std::vector<int> chosen;
        for (int row = 0; rows >= 40 && row < rows; ++row)
            if (Chance(30)) chosen.push_back(row);
        if (chosen.empty() || !e2e::ListViewSelectRows(list, chosen)) return;
        Doing("messages deleted");
        Press(smsList_, IDC_SMSLIST_DELETE);
        Did("messages deleted");
    }
    void Signal() {
        Doing("signal change");
        Simctl(L"signal " + std::to_wstring(Chance(10) ? 99 : Between(0, 31)));
        Did("signal change");
    }
    // Presses the dial / hang-up button until the program takes it (the button greys while it
    // works); a press it refuses (busy with a call, a message, a card read) is noted and retried.
    bool Toggle() {
        HWND button = In(internet_, IDC_INET_CONNECT);
        for (int attempt = 0; attempt < 4; ++attempt) {
            const bool was = Connected();
            Press(internet_, IDC_INET_CONNECT);
            if (e2e::WaitUntil([&] { return !e2e::IsEnabled(button) || Connected() != was; }, 2000))
                return true;
            const std::string status = e2e::Utf8(e2e::Text(In(main_, IDC_MAIN_STATUS)));
            {
                std::lock_guard<std::mutex> lock(sayLock);
                ++refusals_[status];
            }
            Sleep(1500);
        }
        return false;
    }
    // Online for a while, then the link drops or the user hangs up.
    void Online() {
        Doing("connect");
        Show(IDC_MAIN_BTN_INTERNET, internet_);
        if (!Connected()) {
            if (!Toggle()) return;
            HWND button = In(internet_, IDC_INET_CONNECT);
            e2e::WaitUntil([&] { return Connected() || e2e::IsEnabled(button); }, 20000);
            if (!Connected()) return Did("connect failed");  // no signal, say
            Did("connect");
        }
        Sleep(Between(1000, 8000));
        if (Chance(65)) {
            Doing("link drop");
            Simctl(L"drop");
            Did("link drop");
        } else {
            Doing("user hang-up");
            if (!Toggle()) return;
            Did("user hang-up");
        }
        e2e::WaitUntil([&] { return !Connected(); }, 15000);
    }
    void DialFailure() {
        Doing("dial failure");
        Show(IDC_MAIN_BTN_INTERNET, internet_);
        if (Connected() && (!Toggle() || !e2e::WaitUntil([&] { return !Connected(); }, 15000)))
            return;
        Simctl(L"set DIAL Outcome 6");
        if (Toggle()) {
            e2e::WaitUntil([&] { return e2e::IsEnabled(In(internet_, IDC_INET_CONNECT)); }, 15000);
            Did("dial failure");
        }
        Simctl(L"set DIAL Outcome 7");
    }
    void SwitchPage() {
        Doing("page switch");
        const std::pair<int, HWND Soak::*> pages[] = {{IDC_MAIN_BTN_INTERNET, &Soak::internet_},
                                                      {IDC_MAIN_BTN_CALL, &Soak::call_},
                                                      {IDC_MAIN_BTN_SMS, &Soak::smsList_},
                                                      {IDC_MAIN_BTN_PHONEBOOK, &Soak::book_},
                                                      {IDC_MAIN_BTN_SETTINGS, &Soak::account_}};
        const auto& [button, page] = pages[Between(0, 4)];
        Show(button, this->*page);
        if (page == &Soak::call_ && Chance(40)) {  // the call records and back
            Press(call_, IDC_CALL_RECORDS);
            e2e::WaitUntil([&] { return e2e::IsVisible(records_); }, 5000);
            Sleep(Between(200, 1500));
            Press(records_, IDC_CALLREC_BACK);
        }
        Did("page switch");
    }
    // Reads a list cell by cell, the way a screen reader would, and the status line.
    void Read() {
        Doing("read");
        const std::pair<HWND Soak::*, int> lists[] = {{&Soak::book_, IDC_PB_LIST},
                                                      {&Soak::smsList_, IDC_SMSLIST_LIST},
                                                      {&Soak::records_, IDC_CALLREC_LIST}};
        const auto& [page, id] = lists[Between(0, 2)];
        for (const auto& row : e2e::ListViewRows(In(this->*page, id)))
            cellsRead_ += static_cast<long>(row.size());
        e2e::Text(In(main_, IDC_MAIN_STATUS));
        Did("read");
    }

    // ---- The summary

    int Finish() {
        e2e::ClickId(main_, IDC_MAIN_BTN_CLOSE);
        const bool closed = orvane_.WaitExit(30000);
        pingerDone_ = true;
        Say("\nsummary: %s run, seed %u; the program %s\n", Clock(NowMs() - start_).c_str(), seed_,
            closed ? ("closed, exit code " + std::to_string(orvane_.ExitCode())).c_str()
                   : "did NOT close within 30 s");
        for (const char* kind : kKinds) Say("  %-18s %6d\n", kind, done_[kind]);
        Say("  %-18s %6d (%ld list cells read, %d message boxes answered)\n", "actions",
            actions_.load(), cellsRead_, boxes_);
        for (const auto& [status, count] : refusals_)
            Say("  %-18s %6d (status \"%s\")\n", "presses refused", count, status.c_str());
        Say("  crashes            %6d\n", crashes_);
        std::vector<Sample> after;
        std::copy_if(samples_.begin(), samples_.end(), std::back_inserter(after),
                     [&](const Sample& s) { return s.at >= warmupMs_; });
        Say("  after warm-up (%s on, %d samples):  first     last      max\n",
            Clock(warmupMs_).c_str(), static_cast<int>(after.size()));
        for (const auto& [name, field] : {std::pair{"handles", &Sample::handles},
                                          {"GDI objects", &Sample::gdi},
                                          {"USER objects", &Sample::user},
                                          {"private memory (MiB)", &Sample::privateMiB}}) {
            std::vector<double> v;
            for (const Sample& s : after)
                if (s.*field >= 0) v.push_back(s.*field);
            const int decimals = field == &Sample::privateMiB ? 2 : 0;
            if (v.empty())
                Say("    %-26s n/a\n", name);
            else
                Say("    %-26s %8.*f %8.*f %8.*f\n", name, decimals, v.front(), decimals, v.back(),
                    decimals, *std::max_element(v.begin(), v.end()));
        }
        std::lock_guard<std::mutex> lock(stallLock_);
        Say("  UI stall (WM_NULL round trips, %d samples): longest %.0f ms at %s during %s; "
            "p99 %.1f ms, p99.9 %.1f ms, median %.2f ms\n",
            static_cast<int>(stalls_.size()), longest_, Clock(longestAt_).c_str(), longestDoing_,
            Percentile(stalls_, 99), Percentile(stalls_, 99.9), Percentile(stalls_, 50));
        return crashes_ == 0 && closed ? 0 : 2;
    }

    const double durationMs_, warmupMs_;
    const unsigned seed_;
    e2e::StagedFolder folder_;
    e2e::Process orvane_;
    std::mt19937* rng_ = nullptr;
    std::vector<std::wstring> online_;  // the internet page's state texts while connected
    bool gdiTable_ = false;
    HWND main_ = nullptr, book_ = nullptr, smsList_ = nullptr, call_ = nullptr, records_ = nullptr,
         account_ = nullptr, internet_ = nullptr;
    double start_ = 0;
    std::atomic<const char*> doing_{"start"};  // the step under way, for the notes
    // What the watchers look at; the lock is held while counters are read and to swap processes.
    std::mutex targetLock_;
    HANDLE process_ = nullptr;
    std::atomic<DWORD> pid_{0};
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> frozen_{false}, finished_{false}, pingerDone_{false};
    std::mutex stallLock_;
    std::vector<float> stalls_, recentStalls_;  // every stall; those since the last line
    float longest_ = 0;
    double longestAt_ = 0;
    const char* longestDoing_ = "";
    std::vector<Sample> samples_;          // the sampler's until it is done
    std::map<std::string, int> done_;      // actions by kind, under sayLock
    std::map<std::string, int> refusals_;  // dial button presses refused, by the status shown
    std::atomic<int> actions_{0};
    long cellsRead_ = 0;
    int boxes_ = 0, crashes_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    // The programs started from here (the card's control tool, the program itself) write to the
    // standard error: the figures on the standard output stay readable.
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    const double minutes = argc > 1 ? std::max(0.1, std::atof(argv[1])) : 60;
    const unsigned seed = argc > 2 && *argv[2]
                              ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10))
                              : static_cast<unsigned>(GetTickCount() ^ GetCurrentProcessId() << 16);
    const double warmup =
        argc > 3 ? std::atof(argv[3]) * 60000 : std::clamp(minutes * 60000 / 5, 30000.0, 300000.0);
    return Soak(minutes * 60000, std::min(warmup, minutes * 60000), seed).Run();
}
