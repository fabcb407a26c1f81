// The connection manager's outside world on Windows: clock, timers, status, module, windows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "host/MainWindow.h"
#include "modem/ModemApi.h"
#include "net/ConnectionCore.h"

class DlgInternet;
class DlgTrafficGraph;

namespace net {

// One object for all the interfaces the connection core talks through: the main window (through
// its page interface), the internet page and the traffic graph. Everything here runs on the
// window thread except DialProgress, the module's callback, which only queues the code.
class ConnectionWin final : public Clock,
                            public TimerHost,
                            public StatusSink,
                            public NetModem,
                            public ConnectionHost,
                            public TrafficView {
public:
    ConnectionWin(host::MainWindow& host, DlgInternet& page, DlgTrafficGraph& graph);
    ~ConnectionWin() override;
    ConnectionWin(const ConnectionWin&) = delete;
    ConnectionWin& operator=(const ConnectionWin&) = delete;

    // The core the dial progress codes go to while the internet page exists (nullptr: none).
    // Set and cleared on the window thread.
    void SetProgressTarget(ConnectionCore* core);
    // The module's dial progress callback: it only queues the code for the window thread, where
    // the current progress target handles it.
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
    DlgTrafficGraph* Graph() const;

    host::MainWindow& host_;
    DlgInternet& page_;
    DlgTrafficGraph& graph_;
};

}  // namespace net
