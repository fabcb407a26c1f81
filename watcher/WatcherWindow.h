// The watcher's only window while it waits: a hidden one-pixel dialog captioned "Sen_trel" that
// receives the device-change broadcasts and opens the launch notice for the card's port.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Dialog.h"
#include "watcher/WatcherSystem.h"

namespace watcher {

class WatcherWindow : public ui::Dialog {
public:
    // Takes over the presence mutex, released when the window is destroyed.
    WatcherWindow(HINSTANCE module, Config config, HANDLE presenceMutex, int noticeTemplate);
    ~WatcherWindow() override;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void OnDeviceChange(WPARAM event, LPARAM data);
    void ShowLaunchNotice();
    void ReleasePresenceMutex();

    Config config_;
    HANDLE presenceMutex_;
    int noticeTemplate_;
    std::wstring modemName_;
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    // From an accepted arrival until its notice has closed; arrivals meanwhile are ignored.
    bool launching_ = false;
};

}  // namespace watcher
