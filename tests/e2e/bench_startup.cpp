// Benchmark (not a test): Orvane beside the smallest program that shows the same main window
// template (bench_minimal), in one run: time from process start to the visible main window over
// interleaved runs, private memory once settled, and processor time while connected to an idle
// link and hidden in the tray. Prints the figures side by side and the budgets they are held to.
//   bench_startup [RUNS (7)] [CPU_SECONDS (300)]
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

constexpr wchar_t kMinimal[] = L"bench_minimal.exe";
constexpr DWORD kSettleMs = 2000;      // pages, popup and tray icon made
constexpr DWORD kIdleSettleMs = 10000; // the first ticks after the dial are past
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
    double cpuPercent = -1;
};

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

bool MeasureStart(const e2e::StagedFolder& folder, const wchar_t* exe, Figures& figures) {
    e2e::Process process;
    HWND window = nullptr;
    const double ms = TimedStart(folder, exe, process, window);
    if (ms < 0) {
        std::printf("%ls: the main window did not appear\n", exe);
        return false;
    }
    figures.startMs.push_back(ms);
    Sleep(kSettleMs);
    figures.memoryMiB.push_back(e2e::PrivateMiB(process.Handle()));
    figures.threads = ThreadCount(process.Id());
    e2e::ClickId(window, IDC_MAIN_BTN_CLOSE);
    if (!process.WaitExit(20000)) process.Kill();
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

    // Interleaved, the order swapping every run, so that a busy moment of the shared machine
    // falls on both programs alike.
    Figures orvane, minimal;
    for (int run = 0; run < runs; ++run) {
        const bool orvaneFirst = run % 2 == 0;
        for (int i = 0; i < 2; ++i) {
            const bool isOrvane = (i == 0) == orvaneFirst;
            if (!MeasureStart(folder, isOrvane ? L"Orvane.exe" : kMinimal, isOrvane ? orvane : minimal))
                return 1;
        }
        std::printf("run %d: Orvane %.0f ms, minimal %.0f ms\n", run + 1, orvane.startMs.back(),
                    minimal.startMs.back());
        std::fflush(stdout);
    }
    bool idleOk = true;
    if (cpuSeconds > 0) idleOk = MeasureIdle(folder, cpuSeconds, orvane, minimal);

    auto minMax = [](const std::vector<double>& v) {
        return std::make_pair(*std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
    };
    const auto [orvaneLow, orvaneHigh] = minMax(orvane.startMs);
    const auto [minimalLow, minimalHigh] = minMax(minimal.startMs);
    std::printf("\n%-44s %14s %14s\n", "", "Orvane", "minimal");
    std::printf("%-44s %11.0f ms %11.0f ms\n", "start to main window, median", Median(orvane.startMs),
                Median(minimal.startMs));
    std::printf("%-44s %6.0f-%4.0f ms %6.0f-%4.0f ms\n", "start to main window, spread (min-max)",
                orvaneLow, orvaneHigh, minimalLow, minimalHigh);
    std::printf("%-44s %10.2f MiB %10.2f MiB\n", "private memory 2 s after start, median",
                Median(orvane.memoryMiB), Median(minimal.memoryMiB));
    std::printf("%-44s %14d %14d\n", "threads 2 s after start", orvane.threads, minimal.threads);
    if (cpuSeconds > 0)
        std::printf("%-44s %12.3f %% %12.3f %%\n", "processor, connected and hidden (of a core)",
                    orvane.cpuPercent, minimal.cpuPercent);

    std::printf("\nbudgets (%d runs%s):\n", runs, cpuSeconds > 0 ? ", idle over the whole period" : "");
    Verdict("start-up", Median(orvane.startMs), kCardPauseMs + kStartFactor * Median(minimal.startMs), "ms",
            "1000 ms card pause + 1.5 x minimal");
    Verdict("memory", Median(orvane.memoryMiB), kMemoryFactor * Median(minimal.memoryMiB), "MiB",
            "2 x minimal");
    if (cpuSeconds > 0) Verdict("idle CPU", orvane.cpuPercent, kIdleCpuPercent, "%", "of one core");
    return idleOk ? 0 : 1;
}
