// The launch notice: starts the main program after 5 s and waits, bounded, for its wait box.
#include "watcher/LaunchNotice.h"

#include <utility>

#include "resources/resource.h"
#include "watcher/WatcherCore.h"
#include "watcher/WatcherSystem.h"

namespace watcher {
namespace {

constexpr UINT kStartDelayMs = 5000;
constexpr UINT kWaitPollMs = 10;
constexpr UINT kNoticeLimitMs = 40000;

}  // namespace

LaunchNotice::LaunchNotice(HINSTANCE module, int templateId, std::wstring programPath)
    : ui::Dialog(module, static_cast<UINT>(templateId)), programPath_(std::move(programPath)) {}

LaunchNotice::~LaunchNotice() {
    if (process_) CloseHandle(process_);
}

BOOL LaunchNotice::OnInitDialog() {
    SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetTimer(Hwnd(), TIMER_LAUNCH_START, kStartDelayMs, nullptr);
    SetTimer(Hwnd(), TIMER_LAUNCH_TIMEOUT, kNoticeLimitMs, nullptr);
    return TRUE;
}

void LaunchNotice::OnTimer(UINT_PTR id) {
    switch (id) {
        case TIMER_LAUNCH_START:
            KillTimer(Hwnd(), TIMER_LAUNCH_START);
            StartProgram();
            break;
        case TIMER_LAUNCH_WAIT:
            // Polled rather than waited for: the watcher's only thread stays responsive, and the
            // notice's time limit still applies.
            if (LaunchWaitOver(MainProgramRunning(), StartupAtomExists(), StartedProcessEnded()))
                End(IDOK);
            break;
        case TIMER_LAUNCH_TIMEOUT:
            End(IDCANCEL);
            break;
        default:
            break;
    }
}

void LaunchNotice::OnDestroy() {
    KillTimer(Hwnd(), TIMER_LAUNCH_START);
    KillTimer(Hwnd(), TIMER_LAUNCH_WAIT);
    KillTimer(Hwnd(), TIMER_LAUNCH_TIMEOUT);
}

void LaunchNotice::StartProgram() {
    process_ = watcher::StartProgram(programPath_);
    if (!process_) {
        End(IDABORT);  // nothing was started: nothing to wait for
        return;
    }
    SetTimer(Hwnd(), TIMER_LAUNCH_WAIT, kWaitPollMs, nullptr);
}

bool LaunchNotice::StartedProcessEnded() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
}

}  // namespace watcher
