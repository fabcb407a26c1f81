// Benchmark (not a test): Orvane beside the smallest program that shows the same main window
// template (bench_minimal), in one run: time from process start to the visible main window over
// interleaved runs, private memory once settled, and processor time while connected to an idle
// link and hidden in the tray. Prints the figures side by side and the budgets they are held to.
//   bench_startup [RUNS (7)] [CPU_SECONDS (300)]
// CPU_SECONDS 0 leaves the idle run out. With BENCH_DETAIL set it also prints where Orvane's start
// goes (the median of its start-up trace marks, ORVANE_TRACE) and the largest private allocations
// of both programs.
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

constexpr wchar_t kMinimal[] = L"bench_minimal.exe";
constexpr DWORD kSettleMs = 2000;      // pages, popup and tray icon made
constexpr DWORD kIdleSettleMs = 10000; // the first ticks after the dial are past
constexpr int kMaxFailedStarts = 3;    // starts that may fail before the benchmark gives up
// The budgets: start-up within the card wait's deliberate pause plus 1.5 times the minimal
// program's time, memory within twice the minimal program's, idle processor time 0.1 % of a core.
constexpr double kCardPauseMs = 1000;
constexpr double kStartFactor = 1.5;
constexpr double kMemoryFactor = 2.0;
constexpr double kIdleCpuPercent = 0.1;

struct Figures {
    std::vector<double> startMs;
    std::vector<double> memoryMiB;
    int threads = 0;
    double cpuPercent = -1;  // below 0: not measured
    int failedStarts = 0;
};

bool Detail() { return GetEnvironmentVariableW(L"BENCH_DETAIL", nullptr, 0) > 0; }

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double ElapsedMs(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

unsigned long long Ticks(const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// Processor time of each thread of a process, by thread id (Wine answers GetProcessTimes for
// another process without its processor times, but has them for each thread).
std::vector<std::pair<DWORD, double>> ThreadCpuMs(DWORD pid) {
    std::vector<std::pair<DWORD, double>> threads;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return threads;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        double ms = 0;
        if (HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID)) {
            FILETIME created, ended, kernel, user;
            if (GetThreadTimes(thread, &created, &ended, &kernel, &user))
                ms = (Ticks(kernel) + Ticks(user)) / 10000.0;  // 100 ns units
            CloseHandle(thread);
        }
        threads.emplace_back(entry.th32ThreadID, ms);
    }
    CloseHandle(snapshot);
    return threads;
}

HWND MainWindowOf(const e2e::Process& process) {
    return e2e::FindWindowOf(process.Id(), [](HWND w) {
        return IsWindowVisible(w) && GetDlgItem(w, IDC_MAIN_STATUS) != nullptr;
    });
}

// Starts a program of the folder and waits for its visible main window, polling tightly (the
// driver's 50 ms would blur the figure); the time in ms, or -1.
double TimedStart(const e2e::StagedFolder& folder, const wchar_t* exe, e2e::Process& process,
                  HWND& window) {
    LARGE_INTEGER start, visible;
    QueryPerformanceCounter(&start);
    process = folder.Start(exe);
    window = nullptr;
    const DWORD deadline = GetTickCount() + 60000;
    while (process.Running() && !window && GetTickCount() < deadline) {
        window = MainWindowOf(process);
        if (!window) Sleep(2);
    }
    QueryPerformanceCounter(&visible);
    return window ? ElapsedMs(start, visible) : -1;
}

int ThreadCount(DWORD pid) { return static_cast<int>(ThreadCpuMs(pid).size()); }

// Processor time a process used between two readings of its threads; threads that ended between
// them are counted up to the first reading only, and their number is returned in `ended`.
double CpuUsedMs(const std::vector<std::pair<DWORD, double>>& before,
                 const std::vector<std::pair<DWORD, double>>& after, int& ended) {
    double used = 0;
    for (const auto& [id, ms] : after) {
        double earlier = 0;
        for (const auto& [oldId, oldMs] : before)
            if (oldId == id) earlier = oldMs;
        used += ms - earlier;
    }
    ended = 0;
    for (const auto& [oldId, oldMs] : before) {
        bool alive = false;
        for (const auto& [id, ms] : after) alive = alive || id == oldId;
        if (!alive) ++ended;
    }
    return used;
}

// The allocation base of each thread's stack (the TEB's DeallocationStack), by thread id.
std::map<uintptr_t, DWORD> ThreadStacks(HANDLE process, DWORD pid) {
    std::map<uintptr_t, DWORD> stacks;
    struct BasicInformation {
        LONG exitStatus;
        void* teb;
        void* clientId[2];
        ULONG_PTR affinity;
        LONG priority, basePriority;
    };
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (!query || snapshot == INVALID_HANDLE_VALUE) return stacks;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        BasicInformation basic{};
        void* stack = nullptr;
        constexpr size_t kDeallocationStack = sizeof(void*) == 8 ? 0x1478 : 0xE0C;
        if (query(thread, 0, &basic, sizeof basic, nullptr) == 0 && basic.teb &&
            ReadProcessMemory(process, static_cast<char*>(basic.teb) + kDeallocationStack, &stack,
                              sizeof stack, nullptr))
            stacks[reinterpret_cast<uintptr_t>(stack)] = entry.th32ThreadID;
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return stacks;
}

// The largest private allocations of a process (by allocation base): where its memory goes.
void PrintPrivateAllocations(const char* name, HANDLE process) {
    const auto threadStacks = ThreadStacks(process, GetProcessId(process));
    std::map<uintptr_t, std::pair<uint64_t, bool>> allocations;  // base: committed bytes, guard page
    MEMORY_BASIC_INFORMATION info;
    for (uintptr_t at = 0;
         VirtualQueryEx(process, reinterpret_cast<void*>(at), &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) {
            auto& entry = allocations[reinterpret_cast<uintptr_t>(info.AllocationBase)];
            entry.first += info.RegionSize;
            entry.second = entry.second || (info.Protect & PAGE_GUARD);
        }
        const uintptr_t next = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
        if (next <= at) break;
        at = next;
    }
    std::vector<std::pair<uint64_t, std::pair<uintptr_t, bool>>> sorted;
    uint64_t total = 0, stacks = 0;
    for (const auto& [base, entry] : allocations) {
        sorted.push_back({entry.first, {base, entry.second}});
        total += entry.first;
        if (entry.second) stacks += entry.first;
    }
    std::sort(sorted.rbegin(), sorted.rend());
    std::printf("  %s: %zu private allocations, %.2f MiB, %.2f MiB of them with a guard page "
                "(thread stacks); the largest:\n",
                name, sorted.size(), total / 1048576.0, stacks / 1048576.0);
    for (size_t i = 0; i < sorted.size() && i < 12; ++i)
    {
        const auto thread = threadStacks.find(sorted[i].second.first);
        std::printf("    %#14llx %8.1f KiB%s", static_cast<unsigned long long>(sorted[i].second.first),
                    sorted[i].first / 1024.0, sorted[i].second.second ? "  (guard page)" : "");
        if (thread != threadStacks.end()) std::printf("  stack of thread %lu", thread->second);
        std::printf("\n");
    }
}

// Orvane's start-up trace: label, then the milliseconds of each run.
using Trace = std::vector<std::pair<std::string, std::vector<double>>>;

void ReadTrace(const e2e::StagedFolder& folder, Trace& trace) {
    const std::string text = folder.ReadBytes(L"start-trace.txt");
    size_t at = 0;
    std::map<std::string, int> seen;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        double ms = 0;
        unsigned long thread = 0;
        int used = 0;
        if (std::sscanf(line.c_str(), "%lf %lu %n", &ms, &thread, &used) < 2 || used <= 0) continue;
        const std::string label = line.substr(static_cast<size_t>(used));
        if (seen[label]++) continue;  // the first of a label in a run
        auto it = std::find_if(trace.begin(), trace.end(), [&](const auto& e) { return e.first == label; });
        if (it == trace.end()) it = trace.insert(trace.end(), {label, {}});
        it->second.push_back(ms);
    }
}

bool MeasureStart(e2e::StagedFolder& folder, const wchar_t* exe, Figures& figures, Trace* trace,
                  bool last) {
    const bool isOrvane = trace != nullptr;
    if (isOrvane) folder.Remove(L"start-trace.txt");
    e2e::Process process;
    HWND window = nullptr;
    LARGE_INTEGER start, visible;
    QueryPerformanceCounter(&start);
    if (isOrvane && Detail())
        process = folder.Start(exe, {}, {L"ORVANE_TRACE=" + folder.File(L"start-trace.txt")});
    else
        process = folder.Start(exe);
    const DWORD deadline = GetTickCount() + 60000;
    while (process.Running() && !window && GetTickCount() < deadline) {
        window = MainWindowOf(process);
        if (!window) Sleep(2);
    }
    QueryPerformanceCounter(&visible);
    if (!window) {
        std::printf("%ls: the main window did not appear (run left out)\n", exe);
        ++figures.failedStarts;
        process.Kill();
        return false;
    }
    figures.startMs.push_back(ElapsedMs(start, visible));
    Sleep(kSettleMs);
    figures.memoryMiB.push_back(e2e::PrivateMiB(process.Handle()));
    figures.threads = ThreadCount(process.Id());
    if (last && Detail()) PrintPrivateAllocations(isOrvane ? "Orvane" : "minimal", process.Handle());
    e2e::ClickId(window, IDC_MAIN_BTN_CLOSE);
    if (!process.WaitExit(20000)) process.Kill();
    if (isOrvane && Detail()) ReadTrace(folder, *trace);
    return true;
}

// Orvane connected to a link without traffic and hidden in the tray, the minimal program hidden,
// side by side for `seconds`; memory is read only before and after (under Wine, reading another
// process's address space runs in that process and would count as its processor time).
bool MeasureIdle(e2e::StagedFolder& folder, int seconds, Figures& orvaneFigures, Figures& minimalFigures) {
    const std::wstring ini = folder.File(L"simcard.ini");
    WritePrivateProfileStringW(L"TRAFFIC", L"RecvRate", L"0", ini.c_str());
    WritePrivateProfileStringW(L"TRAFFIC", L"SendRate", L"0", ini.c_str());
    const std::wstring skin = folder.File(L"skingb.dll");
    const std::wstring dialled = e2e::LoadSkinString(skin, IDS_DIAL_SUCCEEDED);
    const std::wstring connected = e2e::LoadSkinString(skin, IDS_NET_CONNECTED);

    e2e::Process orvane, minimal;
    HWND orvaneWindow = nullptr, minimalWindow = nullptr;
    if (TimedStart(folder, L"Orvane.exe", orvane, orvaneWindow) < 0 ||
        TimedStart(folder, kMinimal, minimal, minimalWindow) < 0) {
        std::printf("idle run: a main window did not appear\n");
        return false;
    }
    e2e::ClickId(orvaneWindow, IDC_MAIN_BTN_INTERNET);
    HWND connect = e2e::FindChild(orvaneWindow, IDC_INET_CONNECT);
    HWND state = e2e::FindChild(orvaneWindow, IDC_INET_STATE);
    if (!connect || !state) {
        std::printf("idle run: no internet page\n");
        return false;
    }
    e2e::ClickId(GetParent(connect), IDC_INET_CONNECT);
    auto online = [&] {
        const std::wstring text = e2e::Text(state);
        return text == dialled || text == connected;
    };
    if (!e2e::WaitUntil(online, 30000)) {
        std::printf("idle run: Orvane did not connect (state \"%s\")\n", e2e::Utf8(e2e::Text(state)).c_str());
        return false;
    }
    e2e::ClickId(orvaneWindow, IDC_MAIN_BTN_MINIMIZE);
    e2e::ClickId(minimalWindow, IDC_MAIN_BTN_MINIMIZE);
    e2e::WaitUntil([&] { return !IsWindowVisible(orvaneWindow) && !IsWindowVisible(minimalWindow); }, 5000);
    Sleep(kIdleSettleMs);

    const double memoryBefore = e2e::PrivateMiB(orvane.Handle());
    const auto orvaneBefore = ThreadCpuMs(orvane.Id());
    const auto minimalBefore = ThreadCpuMs(minimal.Id());
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const auto orvaneAfter = ThreadCpuMs(orvane.Id());
    const auto minimalAfter = ThreadCpuMs(minimal.Id());
    const double memoryAfter = e2e::PrivateMiB(orvane.Handle());
    const bool stillOnline = online();

    int orvaneEnded = 0, minimalEnded = 0;
    const double orvaneUsed = CpuUsedMs(orvaneBefore, orvaneAfter, orvaneEnded);
    const double minimalUsed = CpuUsedMs(minimalBefore, minimalAfter, minimalEnded);
    orvaneFigures.cpuPercent = 100.0 * orvaneUsed / (seconds * 1000.0);
    minimalFigures.cpuPercent = 100.0 * minimalUsed / (seconds * 1000.0);
    std::printf("idle run: Orvane used %.1f ms of processor time in %d s (%s at the end), the minimal "
                "program %.1f ms\n",
                orvaneUsed, seconds, stillOnline ? "still connected" : "NOT connected any more",
                minimalUsed);
    std::printf("  Orvane by thread:");
    for (const auto& [id, after] : orvaneAfter) {
        double before = 0;
        for (const auto& [oldId, ms] : orvaneBefore)
            if (oldId == id) before = ms;
        std::printf(" %.1f", after - before);
    }
    std::printf(" ms (%d thread(s) ended meanwhile, not counted)\n", orvaneEnded + minimalEnded);
    std::printf("  private memory connected and hidden: %.2f MiB before, %.2f MiB after\n",
                memoryBefore, memoryAfter);

    e2e::ClickId(minimalWindow, IDC_MAIN_BTN_CLOSE);
    e2e::ClickId(orvaneWindow, IDC_MAIN_BTN_CLOSE);
    if (!minimal.WaitExit(20000)) minimal.Kill();
    if (!orvane.WaitExit(20000)) orvane.Kill();
    return stillOnline;
}

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of(L'\\'));
}

void Verdict(const char* what, double value, double limit, const char* unit, const char* rule) {
    std::printf("  %-10s %8.2f %-4s <= %8.2f %-4s (%s)  %s\n", what, value, unit, limit, unit, rule,
                value <= limit ? "within" : "OVER");
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const int cpuSeconds = argc > 2 ? std::max(0, std::atoi(argv[2])) : 300;
    e2e::StagedFolder folder;
    if (!folder.Ok() || !folder.CopyIn(OwnFolder() + L"\\" + kMinimal, kMinimal)) {
        std::printf("cannot stage the program folder\n");
        return 1;
    }

    // One start of each first, not counted: the first start in a fresh prefix fills Wine's caches.
    Figures orvane, minimal, warmUp;
    MeasureStart(folder, L"Orvane.exe", warmUp, nullptr, false);
    MeasureStart(folder, kMinimal, warmUp, nullptr, false);
    // Interleaved, the order swapping every run, so that a busy moment of the shared machine
    // falls on both programs alike.
    Trace trace;
    for (int run = 0; run < runs; ++run) {
        const bool orvaneFirst = run % 2 == 0;
        for (int i = 0; i < 2; ++i) {
            const bool isOrvane = (i == 0) == orvaneFirst;
            MeasureStart(folder, isOrvane ? L"Orvane.exe" : kMinimal, isOrvane ? orvane : minimal,
                         isOrvane ? &trace : nullptr, run == runs - 1);
        }
        if (orvane.failedStarts + minimal.failedStarts > kMaxFailedStarts) break;
        std::printf("run %d: Orvane %.0f ms, minimal %.0f ms\n", run + 1,
                    orvane.startMs.empty() ? -1.0 : orvane.startMs.back(),
                    minimal.startMs.empty() ? -1.0 : minimal.startMs.back());
        std::fflush(stdout);
    }
    if (!trace.empty()) {
        std::printf("\nOrvane's start, median of %zu traced runs (ms since the process began):\n",
                    trace.front().second.size());
        for (const auto& [label, values] : trace)
            std::printf("  %9.1f  %s\n", Median(values), label.c_str());
    }
    bool idleOk = true;
    if (cpuSeconds > 0) idleOk = MeasureIdle(folder, cpuSeconds, orvane, minimal);

    auto minMax = [](const std::vector<double>& v) {
        if (v.empty()) return std::make_pair(0.0, 0.0);
        return std::make_pair(*std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
    };
    const auto [orvaneLow, orvaneHigh] = minMax(orvane.startMs);
    const auto [minimalLow, minimalHigh] = minMax(minimal.startMs);
    std::printf("\n%-44s %14s %14s\n", "", "Orvane", "minimal");
    std::printf("%-44s %11.0f ms %11.0f ms\n", "start to main window, median", Median(orvane.startMs),
                Median(minimal.startMs));
    std::printf("%-44s %6.0f-%4.0f ms %6.0f-%4.0f ms\n", "start to main window, spread (min-max)",
                orvaneLow, orvaneHigh, minimalLow, minimalHigh);
    std::printf("%-44s %9zu (%2d) %9zu (%2d)\n", "starts measured (failed)", orvane.startMs.size(),
                orvane.failedStarts, minimal.startMs.size(), minimal.failedStarts);
    std::printf("%-44s %10.2f MiB %10.2f MiB\n", "private memory 2 s after start, median",
                Median(orvane.memoryMiB), Median(minimal.memoryMiB));
    std::printf("%-44s %14d %14d\n", "threads 2 s after start", orvane.threads, minimal.threads);
    if (cpuSeconds > 0)
        std::printf("%-44s %12.3f %% %12.3f %%\n", "processor, connected and hidden (of a core)",
                    orvane.cpuPercent, minimal.cpuPercent);

    std::printf("\nbudgets (%zu runs%s):\n", orvane.startMs.size(),
                cpuSeconds > 0 ? ", idle over the whole period" : "");
    const bool started = !orvane.startMs.empty() && !minimal.startMs.empty();
    if (started) {
        Verdict("start-up", Median(orvane.startMs), kCardPauseMs + kStartFactor * Median(minimal.startMs),
                "ms", "1000 ms card pause + 1.5 x minimal");
        Verdict("memory", Median(orvane.memoryMiB), kMemoryFactor * Median(minimal.memoryMiB), "MiB",
                "2 x minimal");
    } else {
        std::printf("  start-up   not measured: a program never showed its main window  OVER\n");
        std::printf("  memory     not measured: a program never showed its main window  OVER\n");
    }
    if (cpuSeconds == 0)
        std::printf("  idle CPU   not measured (period 0 asked)\n");
    else if (orvane.cpuPercent < 0 || !idleOk)
        std::printf("  idle CPU   not measured: Orvane did not stay connected  OVER\n");
    else
        Verdict("idle CPU", orvane.cpuPercent, kIdleCpuPercent, "%", "of one core");
    return started && idleOk ? 0 : 1;
}
