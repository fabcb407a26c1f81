// The connection manager's outside world on Windows: clock, timers, status, module, windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "modem/ModemApi.h"
#include "net/ConnectionCore.h"

namespace ui {
class OrvaneDlg;
}

namespace net {

// One object for all the interfaces the connection core talks through. It lives in the main
// dialog and reaches the internet page and the traffic graph through it; everything here runs
// on the window thread except DialProgress, the module's callback.
class ConnectionWin final : public Clock,
                            public TimerHost,
                            public StatusSink,
                            public NetModem,
                            public ConnectionHost,
                            public TrafficView {
public:
    explicit ConnectionWin(ui::OrvaneDlg& main);
    ~ConnectionWin() override;
    ConnectionWin(const ConnectionWin&) = delete;
    ConnectionWin& operator=(const ConnectionWin&) = delete;

    // Where the dial progress callback posts its codes (the internet page, once it exists);
    // nullptr stops the posting.
    static void SetProgressTarget(HWND page);
    // The module's dial progress callback: it only posts the code (WM_APP_DIAL_PROGRESS) to
    // the internet page, whose window thread then hands it to the core.
    static void MDM_CALL DialProgress(int32_t code);

    // Clock
    uint32_t TickMs() override;
    WallTime Now() override;

    // TimerHost
    void StartTimer(int id, uint32_t periodMs) override;
    void StopTimer(int id) override;

    // StatusSink
    void StateText(int stringId) override;
    void StatusText(int stringId, int kind) override;
    void StatusLiteral(const std::string& ansiText) override;
    void WriteStatusLine(int stringId) override;

    // NetModem
    int32_t NetDial2(const DialRequest& request) override;
    int32_t NetHangup(const std::string& entry) override;
    int32_t NetConnectStatus() override;
    int32_t NetTransmitStatus(const std::string& entry, uint32_t& received,
                              uint32_t& sent) override;
    std::string GetLastErrorDes() override;
    int32_t SetLastErrorDes(const std::string& text) override;

    // ConnectionHost
    bool InternetPageExists() override;
    void EnableDialButton(bool enable) override;
    void SetDialButtonLook(bool connected) override;
    void ShowInternetPage() override;
    void ShowHomePage() override;
    void ShowFullSignal() override;
    void PlaySound(int soundId) override;
    void HideMainWindow() override;
    void Notify(int stringId, int soundId) override;
    void StartHeartbeat(uint32_t intervalMs) override;
    void StopHeartbeat() override;
    void OpenUrl(const std::string& url) override;

    // TrafficView
    void SetDurationText(const std::string& text) override;
    void SetSentText(const std::string& text) override;
    void SetReceivedText(const std::string& text) override;
    bool GraphExists() override;
    void AddGraphRates(double sendKBps, double receiveKBps) override;
    void ClearGraph() override;

private:
    // The window a timer id belongs to: the main dialog's or the internet page's.
    HWND TimerWindow(int id) const;
    void SetPageText(int controlId, const std::string& text);

    ui::OrvaneDlg& main_;
};

}  // namespace net
