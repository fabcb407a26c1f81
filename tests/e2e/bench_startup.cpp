// Start-up benchmark: time from process start to the main window being visible, over several runs,
// with the simulated card present and no PIN. Prints every run and the median. Not a test.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    e2e::StagedFolder folder;
    if (!folder.Ok()) {
        std::printf("cannot stage the program folder\n");
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, visible;
        QueryPerformanceCounter(&start);
        e2e::Process orvane = folder.Start(L"Orvane.exe");
        HWND mainWindow = nullptr;
        // Tight polling: the default 50 ms of the driver would blur the figure.
        DWORD deadline = GetTickCount() + 60000;
        while (!mainWindow && GetTickCount() < deadline) {
            mainWindow = e2e::FindWindowOf(orvane.Id(), [](HWND w) {
                return IsWindowVisible(w) && GetDlgItem(w, IDC_MAIN_STATUS) != nullptr;
            });
            if (!mainWindow) Sleep(2);
        }
        QueryPerformanceCounter(&visible);
        if (!mainWindow) {
            std::printf("run %d: the main window did not appear\n", run + 1);
            return 1;
        }
        double ms = 1000.0 * static_cast<double>(visible.QuadPart - start.QuadPart) /
                    static_cast<double>(frequency.QuadPart);
        times.push_back(ms);
        std::printf("run %d: %.0f ms\n", run + 1, ms);
        std::fflush(stdout);
        if (run == 0) {
            Sleep(2000);  // settled: pages, popup and tray icon made
            PROCESS_MEMORY_COUNTERS_EX memory{};
            memory.cb = sizeof memory;
            GetProcessMemoryInfo(orvane.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                 sizeof memory);
            std::printf("private memory of the running program: %.1f MiB (working set %.1f MiB)\n",
                        e2e::PrivateMiB(orvane.Handle()), memory.WorkingSetSize / 1048576.0);
        }
        e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE);
        orvane.WaitExit(15000);
    }
    std::sort(times.begin(), times.end());
    std::printf("median start-up time to the main window: %.0f ms over %d runs\n",
                times[times.size() / 2], runs);
    return 0;
}
