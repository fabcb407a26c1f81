// Phone book read benchmark: 200 entries read from the simulated card and listed, over several
// runs. Prints the total time from the page button to the last row and the longest the main
// window's message loop stood still meanwhile (a thread pings it all the time): until the first
// row (the page shown, the card read) and while the rows are listed. Not a test.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

constexpr int kEntries = 200;

double Ms(LONGLONG ticks) {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    return 1000.0 * static_cast<double>(ticks) / frequency;
}

LONGLONG Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// Sends WM_NULL to the window over and over; the longest round trip is the longest time its
// thread did not take messages.
class LoopPinger {
public:
    explicit LoopPinger(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~LoopPinger() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    void Reset() { longest_ = 0; }
    double LongestMs() const { return Ms(longest_); }

private:
    void Run() {
        while (!stop_) {
            const LONGLONG sent = Now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            const LONGLONG took = Now() - sent;
            if (took > longest_) longest_ = took;
            Sleep(1);
        }
    }
    HWND window_;
    std::atomic<bool> stop_{false};
    std::atomic<LONGLONG> longest_{0};
    std::thread thread_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    e2e::StagedFolder folder;
    if (!folder.Ok()) {
        std::printf("cannot stage the program folder\n");
        return 1;
    }
    std::wstring book;
    for (int id = 0; id < kEntries; ++id)
        book += std::to_wstring(id) + L"=1380013" + std::to_wstring(8000 + id) + L"|联系人" +
                std::to_wstring(id) + L'\0';
    book += L'\0';
    if (!WritePrivateProfileSectionW(L"PHONEBOOK", book.c_str(),
                                     folder.File(L"simcard.ini").c_str()) ||
        !WritePrivateProfileStringW(L"SETTING", L"INITDATA", L"0",
                                    folder.File(L"modem.ini").c_str())) {
        std::printf("cannot prepare the card\n");
        return 1;
    }

    std::vector<double> totals, untilFirst, listing, otherPages;
    for (int run = 0; run < runs; ++run) {
        e2e::Process orvane = folder.Start(L"Orvane.exe");
        HWND mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS, 60000);
        HWND list = mainWindow ? e2e::WaitChild(mainWindow, IDC_PB_LIST) : nullptr;
        if (!list) {
            std::printf("run %d: no main window or phone book list\n", run + 1);
            return 1;
        }
        Sleep(1500);  // settled after start
        LoopPinger pinger(mainWindow);
        Sleep(500);
        const double idle = pinger.LongestMs();
        // For comparison: showing another page, which reads nothing.
        pinger.Reset();
        e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET);
        Sleep(700);
        const double otherPage = pinger.LongestMs();
        pinger.Reset();

        // The first showing of the page starts the read.
        const LONGLONG start = Now();
        e2e::ClickId(mainWindow, IDC_MAIN_BTN_PHONEBOOK);
        LRESULT rows = 0;
        double beforeRows = -1;
        const DWORD deadline = GetTickCount() + 30000;
        while (rows < kEntries && GetTickCount() < deadline) {
            DWORD_PTR count = 0;
            if (SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 10000, &count))
                rows = static_cast<LRESULT>(count);
            if (rows > 0 && beforeRows < 0) {
                beforeRows = pinger.LongestMs();
                pinger.Reset();
            }
            if (rows < kEntries) Sleep(1);
        }
        const double total = Ms(Now() - start);
        Sleep(200);  // the last rows painted
        pinger.Stop();
        if (rows < kEntries) {
            std::printf("run %d: only %ld rows listed\n", run + 1, static_cast<long>(rows));
            return 1;
        }
        totals.push_back(total);
        untilFirst.push_back(beforeRows);
        listing.push_back(pinger.LongestMs());
        otherPages.push_back(otherPage);
        std::printf(
            "run %d: %d entries read and listed in %.0f ms; longest message-loop stall "
            "%.1f ms until the first row, %.1f ms while listing (idle: %.1f ms; showing "
            "the internet page: %.1f ms)\n",
            run + 1, kEntries, total, beforeRows, pinger.LongestMs(), idle, otherPage);
        std::fflush(stdout);
        e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE);
        if (!orvane.WaitExit(20000)) orvane.Kill();
    }
    std::printf(
        "median over %d runs: read and listed in %.0f ms; longest stall %.1f ms until the "
        "first row, %.1f ms while listing (worst: %.1f ms, %.1f ms); showing the internet "
        "page: %.1f ms\n",
        runs, Median(totals), Median(untilFirst), Median(listing),
        *std::max_element(untilFirst.begin(), untilFirst.end()),
        *std::max_element(listing.begin(), listing.end()), Median(otherPages));
    return 0;
}
