// The internet page: dial and hang up, state, duration, bytes and rates.
#pragma once

#include <windows.h>

#include <functional>

#include "resources/resource.h"
#include "ui/Page.h"

namespace net {
class ConnectionCore;
}

class DlgInternet : public ui::Page {
public:
    explicit DlgInternet(HINSTANCE resources) : Page(resources, IDD_INTERNET) {}

    // The connection manager behind button 1001, the progress message and the page timers.
    void SetConnection(net::ConnectionCore* core) { core_ = core; }
    // What the records button (the graph window or the records dialog) and the back button do;
    // both belong to the main window.
    void SetActions(std::function<void()> records, std::function<void()> home) {
        records_ = std::move(records);
        home_ = std::move(home);
    }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    void SetDialLook(bool connected);

    net::ConnectionCore* core_ = nullptr;
    std::function<void()> records_;
    std::function<void()> home_;
};
