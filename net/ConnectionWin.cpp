// The connection manager's outside world on Windows: clock, timers, status, module, windows.
#include "net/ConnectionWin.h"

#include <mmsystem.h>
#include <shellapi.h>
#undef PlaySound  // the interface method, not the A/W macro

#include <atomic>
#include <cstring>

#include "framework/FaultGuard.h"
#include "framework/Resources.h"
#include "framework/UiTaskQueue.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "net/DlgInternet.h"
#include "net/DlgTrafficGraph.h"
#include "net/Heartbeat.h"
#include "net/NetRecords.h"
#include "resources/resource.h"

namespace net {
namespace {

// Written and read on the window thread only: the module's thread never touches it.
ConnectionCore* g_progressTarget = nullptr;

bool IsPageTimer(int id) {
    return id == TIMER_REDIAL || id == TIMER_LINK_CHECK || id == TIMER_DIAL_TIMEOUT;
}

}  // namespace

ConnectionWin::ConnectionWin(host::MainWindow& host, DlgInternet& page, DlgTrafficGraph& graph)
    : host_(host), page_(page), graph_(graph) {}

ConnectionWin::~ConnectionWin() { SetProgressTarget(nullptr); }

void ConnectionWin::SetProgressTarget(ConnectionCore* core) { g_progressTarget = core; }

void MDM_CALL ConnectionWin::DialProgress(int32_t code) {
    ui::UiTasks().Post([code] {
        if (g_progressTarget) g_progressTarget->OnDialProgress(code);
    });
}

// ---- Clock

uint32_t ConnectionWin::TickMs() { return GetTickCount(); }

WallTime ConnectionWin::Now() { return LocalNow(); }

// ---- Timers

HWND ConnectionWin::TimerWindow(int id) const {
    return IsPageTimer(id) ? page_.Hwnd() : host_.Window();
}

void ConnectionWin::StartTimer(int id, uint32_t periodMs) {
    if (HWND window = TimerWindow(id)) SetTimer(window, static_cast<UINT_PTR>(id), periodMs, nullptr);
}

void ConnectionWin::StopTimer(int id) {
    if (HWND window = TimerWindow(id)) KillTimer(window, static_cast<UINT_PTR>(id));
}

// ---- Status

void ConnectionWin::StateText(int stringId) {
    host_.PostStatus(host::StatusKind::InternetState, static_cast<UINT>(stringId));
}

void ConnectionWin::StatusText(int stringId, int kind) {
    host_.PostStatus(static_cast<host::StatusKind>(kind), static_cast<UINT>(stringId));
}

void ConnectionWin::StatusLiteral(const std::string& ansiText) {
    host_.PostStatusText(win::AnsiToWide(ansiText));
}

void ConnectionWin::WriteStatusLine(int stringId) { host_.WriteStatusLine(static_cast<UINT>(stringId)); }

// ---- Module

int32_t ConnectionWin::NetDial2(const DialRequest& request) {
    return MDM_CALL_GUARDED(mdmNetDial2, int32_t{-1}, request.entry.c_str(), request.tel.c_str(),
                            request.user.c_str(), request.password.c_str(), request.apn.c_str(),
                            static_cast<MdmDialCallback>(&ConnectionWin::DialProgress));
}

int32_t ConnectionWin::NetHangup(const std::string& entry) {
    return MDM_CALL_GUARDED(mdmNetHangup, int32_t{-1}, entry.c_str());
}

int32_t ConnectionWin::NetConnectStatus() {
    // A module that faults here cannot vouch for the link: keep it, the next tick asks again.
    return MDM_CALL_GUARDED(mdmNetConnectStatus, int32_t{0});
}

int32_t ConnectionWin::NetTransmitStatus(const std::string& entry, uint32_t& received,
                                         uint32_t& sent) {
    uint32_t r = received, s = sent;
    int32_t result = MDM_CALL_GUARDED(mdmNetTransmitStatus, int32_t{-1}, entry.c_str(), &r, &s);
    if (result == 0) {
        received = r;
        sent = s;
    }
    return result;
}

std::string ConnectionWin::GetLastErrorDes() {
    // The module's text is read inside the guard and never past the length we keep.
    char copy[kLastErrorLength + 1] = {};
    auto get = modem::Table().mdmGetLastErrorDes;
    if (!get) return {};
    fault::RunGuarded(__FILE__, __LINE__, [&] {
        const char* text = get();
        if (text) std::strncpy(copy, text, kLastErrorLength);
    });
    copy[kLastErrorLength] = '\0';
    return copy;
}

int32_t ConnectionWin::SetLastErrorDes(const std::string& text) {
    return MDM_CALL_GUARDED(mdmSetLastErrorDes, int32_t{-1}, text.c_str());
}

// ---- Windows

bool ConnectionWin::InternetPageExists() { return page_.Hwnd() != nullptr; }

void ConnectionWin::EnableDialButton(bool enable) {
    if (HWND button = page_.Item(IDC_INET_CONNECT)) EnableWindow(button, enable);
}

void ConnectionWin::SetDialButtonLook(bool connected) {
    if (HWND page = page_.Hwnd()) PostMessageW(page, WM_APP_BUTTON_LOOK, connected ? 1 : 0, 0);
}

void ConnectionWin::ShowInternetPage() { host_.ShowPage(host::PageId::Internet); }

void ConnectionWin::ShowHomePage() { host_.ShowPage(host::PageId::Home); }

void ConnectionWin::ShowFullSignal() { host_.UpdateSignal(true); }

void ConnectionWin::PlaySound(int soundId) {
    PlaySoundW(MAKEINTRESOURCEW(soundId), host_.Resources(), SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

void ConnectionWin::HideMainWindow() { SendMessageW(host_.Window(), WM_COMMAND, ID_TRAY_HIDE, 0); }

void ConnectionWin::Notify(int stringId, int soundId) {
    host_.Notify(res::LoadStr(host_.Resources(), static_cast<UINT>(stringId)), static_cast<UINT>(soundId),
                 false);
}

void ConnectionWin::StartHeartbeat(uint32_t intervalMs) {
    if (modem::Device().HEARTBEAT != 0) TheHeartbeat().Start(kHeartbeatHost, intervalMs);
}

void ConnectionWin::StopHeartbeat() { TheHeartbeat().Stop(); }

void ConnectionWin::OpenUrl(const std::string& url) {
    ShellExecuteW(host_.Window(), L"open", win::AnsiToWide(url).c_str(), nullptr, nullptr, SW_SHOW);
}

// ---- Traffic display

void ConnectionWin::SetPageText(int controlId, const std::string& text) {
    page_.SetSeeThroughText(controlId, win::AnsiToWide(text));
}

DlgTrafficGraph* ConnectionWin::Graph() const { return graph_.Hwnd() ? &graph_ : nullptr; }

void ConnectionWin::SetDurationText(const std::string& text) { SetPageText(IDC_INET_DURATION, text); }
void ConnectionWin::SetSentText(const std::string& text) { SetPageText(IDC_INET_SENT, text); }
void ConnectionWin::SetReceivedText(const std::string& text) { SetPageText(IDC_INET_RECEIVED, text); }

bool ConnectionWin::GraphExists() { return Graph() != nullptr; }

void ConnectionWin::AddGraphRates(double sendKBps, double receiveKBps) {
    if (DlgTrafficGraph* graph = Graph()) {
        graph->AddSendRate(sendKBps);
        graph->AddReceiveRate(receiveKBps);
    }
}

void ConnectionWin::ClearGraph() {
    if (DlgTrafficGraph* graph = Graph()) graph->ClearRates();
}

}  // namespace net
