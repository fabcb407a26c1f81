// The internet page: dial and hang up, state, duration, bytes and rates.
#pragma once

#include <windows.h>

#include <functional>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

namespace net {
class ConnectionCore;
class ConnectionWin;
}

class DlgInternet : public ui::Page {
public:
    DlgInternet(HINSTANCE resources, host::MainWindow& host) : Page(resources, IDD_INTERNET), host_(host) {}

    // The connection manager behind the dial button and the page timers, and its window side, which
    // routes the module's progress codes to it while this page exists.
    void SetConnection(net::ConnectionCore* core, net::ConnectionWin* outside) {
        core_ = core;
        outside_ = outside;
    }
    // What the records button does: the traffic graph window, or the records dialog.
    void SetRecordsAction(std::function<void()> records) { records_ = std::move(records); }
    net::ConnectionCore* Connection() const { return core_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void SetDialLook(bool connected);

    host::MainWindow& host_;
    net::ConnectionCore* core_ = nullptr;
    net::ConnectionWin* outside_ = nullptr;
    std::function<void()> records_;
};
