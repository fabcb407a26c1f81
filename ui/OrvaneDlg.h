// The main dialog: hosts the pages, owns the timers and busy checks, starts the card, runs the exit.
#pragma once

#include <windows.h>

#include <atomic>

#include "framework/Dialog.h"

namespace ui {

class OrvaneDlg : public Dialog {
public:
    explicit OrvaneDlg(HINSTANCE resources);
    ~OrvaneDlg() override;

    // Busy checks: true when the condition holds; with report, the refusal goes to the status line.
    bool IsNetConnected(bool report);
    bool IsDialBusy(bool report);
    bool IsCallBusy(bool report);
    bool IsSmsSending(bool report);
    bool IsPortBusy(bool report);

    int ComPort() const { return comPort_; }
    bool Closing() const { return closing_; }

    // Flags shared with worker threads and module callbacks.
    std::atomic<bool> connected{false};
    std::atomic<bool> dialBusy{false};
    std::atomic<bool> callBusy{false};
    std::atomic<bool> smsSending{false};
    std::atomic<bool> portBusy{false};

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void StartCard();
    void ExitProgram();
    void ExitWorker();
    bool BusyCheck(bool condition, bool report, UINT stringId);

    HICON icon_ = nullptr;
    int comPort_ = 0;
    int networkMode_ = -1;
    std::atomic<bool> closing_{false};
    std::atomic<bool> cardRemoved_{false};
    bool ctaSupported_ = true;
};

// The process-wide main dialog (nullptr before it is constructed and after it is gone).
OrvaneDlg* MainDialog();

}  // namespace ui
