// The hidden watcher window: device-change broadcasts in, launch notices out.
#include "watcher/WatcherWindow.h"

#include <dbt.h>

#include <cstddef>
#include <utility>

#include "framework/SystemInfo.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "resources/resource.h"
#include "watcher/LaunchNotice.h"
#include "watcher/WatcherCore.h"

namespace watcher {
namespace {

// Posted to itself for an accepted arrival: the notice runs outside the broadcast, so the system
// is not kept waiting while it shows.
constexpr UINT kLaunchMessage = WM_APP + 1;

// The port name of a broadcast, read only within the size its header gives.
std::wstring_view PortName(const DEV_BROADCAST_PORT_W* port) {
    constexpr std::size_t kNameOffset = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
    if (port->dbcp_size <= kNameOffset) return {};
    const std::size_t room = (port->dbcp_size - kNameOffset) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < room && port->dbcp_name[length] != L'\0') ++length;
    return std::wstring_view(port->dbcp_name, length);
}

}  // namespace

WatcherWindow::WatcherWindow(HINSTANCE module, Config config, HANDLE presenceMutex,
                             int noticeTemplate)
    : ui::Dialog(module, IDD_WATCHER),
      config_(std::move(config)),
      presenceMutex_(presenceMutex),
      noticeTemplate_(noticeTemplate),
      modemName_(win::AnsiToWide(modem::Device().MODEM_NAME)) {}

WatcherWindow::~WatcherWindow() {
    ReleasePresenceMutex();
    if (icon_) DestroyIcon(icon_);
    if (smallIcon_) DestroyIcon(smallIcon_);
}

BOOL WatcherWindow::OnInitDialog() {
    icon_ =
        static_cast<HICON>(LoadImageW(Resources(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ = static_cast<HICON>(LoadImageW(Resources(), MAKEINTRESOURCEW(IDI_MAIN), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    SendMessageW(Hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(Hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    SetWindowPos(Hwnd(), nullptr, 0, 0, 1, 1, SWP_NOZORDER | SWP_NOACTIVATE);
    return FALSE;
}

bool WatcherWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (msg) {
        case WM_WINDOWPOSCHANGING:
            // The dialog manager shows a modal dialog once it is idle; the watcher stays out of
            // sight by refusing to be shown. (Hiding it when it paints is not enough: a one-pixel
            // window with a caption has no client area and is never painted.)
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
            return false;
        case WM_DEVICECHANGE:
            OnDeviceChange(wParam, lParam);
            result = TRUE;
            return true;
        case kLaunchMessage:
            if (launching_) ShowLaunchNotice();  // only for an arrival this window accepted
            return true;
        default:
            return false;
    }
}

void WatcherWindow::OnDestroy() {
    ReleasePresenceMutex();
}

void WatcherWindow::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL || launching_ || !data) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header->dbch_size < sizeof(DEV_BROADCAST_HDR)) return;

    Arrival arrival;
    arrival.event = static_cast<uint32_t>(event);
    arrival.deviceType = header->dbch_devicetype;
    if (arrival.deviceType == kDeviceTypePort)
        arrival.portName = PortName(reinterpret_cast<const DEV_BROADCAST_PORT_W*>(data));
    arrival.ctrlDown = (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0;
    arrival.mainProgramRunning = MainProgramRunning();
    if (!ShouldLaunch(arrival, win::VersionClass(), config_.port, modemName_)) return;

    launching_ = true;
    constexpr std::size_t kLoggedNameLength = 64;
    Log(L"card arrived at " + std::wstring(arrival.portName.substr(0, kLoggedNameLength)));
    if (!PostMessageW(Hwnd(), kLaunchMessage, 0, 0)) launching_ = false;
}

void WatcherWindow::ShowLaunchNotice() {
    LaunchNotice notice(Resources(), noticeTemplate_, config_.programPath);
    notice.DoModal(Hwnd());
    launching_ = false;
}

void WatcherWindow::ReleasePresenceMutex() {
    if (!presenceMutex_) return;
    ReleaseMutex(presenceMutex_);  // fails harmlessly when this copy only opened it
    CloseHandle(presenceMutex_);
    presenceMutex_ = nullptr;
}

}  // namespace watcher
