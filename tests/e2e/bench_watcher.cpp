// Idle benchmark of the resident card watcher: its private memory and the processor time it uses
// while it waits for the card, over a period (60 s unless given in seconds). Not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "Driver.h"

namespace {

double CpuMs(HANDLE process) {
    FILETIME created, ended, kernel, user;
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user)) return -1;
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    e2e::StagedFolder folder;
    if (!folder.Ok()) {
        std::printf("cannot stage the program folder\n");
        return 1;
    }
    e2e::Process watcher =
        folder.Start(L"Sentrel.exe", L"-setup '" + folder.File(L"Orvane.exe") + L"' 3");
    HWND window = e2e::WaitWindow(watcher.Id(), [](HWND w) { return e2e::Caption(w) == L"Sen_trel"; });
    if (!window) {
        std::printf("the watcher did not become resident\n");
        return 1;
    }
    Sleep(2000);  // settled
    // Memory is read only before and after: under Wine, reading another process's address space
    // runs in that process and would show up as its processor time.
    const double memoryStart = e2e::PrivateMiB(watcher.Handle());
    const double cpuStart = CpuMs(watcher.Handle());
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double cpuUsed = CpuMs(watcher.Handle()) - cpuStart;
    const double memoryEnd = e2e::PrivateMiB(watcher.Handle());
    std::printf("resident watcher, idle for %d s:\n", seconds);
    std::printf("  private memory: %.2f MiB at the start, %.2f MiB at the end\n", memoryStart,
                memoryEnd);
    std::printf("  processor time: %.1f ms (%.3f %% of one core)\n", cpuUsed,
                100.0 * cpuUsed / (seconds * 1000.0));
    folder.Run(L"Sentrel.exe", L"-unwise");
    return 0;
}
