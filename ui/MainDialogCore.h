// Decisions of the main window that need no window: signal picture, network name, line rate,
// the port named by a device broadcast, the dormancy period and the inactivity fallback.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace maindlg {

// The signal quality shown when full strength is forced (while dialling).
constexpr int kCsqFull = 31;

// The picture (a bitmap id) for a signal quality from the card: -1 and 99 are unknown, 0..31 map
// to five levels of about 6.67 each.
int SignalBitmapFor(int csq);

// "CDMA", "GPRS", "EVDO", "EDGE", "WCDMA", "TDSCDMA" for modes 1..6; empty (label hidden) otherwise.
std::string NetworkModeName(int mode);

// The line's maximum rate in kilobytes per second: CONNECT_BPS, or COM_BAUD when it is below 1.
double MaxLineRateKBps(int32_t connectBps, int32_t comBaud);

// The number that begins at the first digit of a port name ("COM7" gives 7); -1 without a digit.
int PortNumberOfName(std::wstring_view portName);

// The dormancy timer's period: NET_CTA seconds, or about 4.6 hours when NET_CTA is below 1.
uint32_t DormancyPeriodMs(int32_t netCta);

// Idle-fallback and exit timing of the main window.
constexpr uint32_t kHomeIdleMs = 30000;

}  // namespace maindlg
