// Main window decisions without windows: signal picture, network name, rates, ports, timers.
#include "ui/MainDialogCore.h"

#include "resources/resource.h"

namespace maindlg {

int SignalBitmapFor(int csq) {
    if (csq == -1 || csq == 99) return IDB_SIGNAL_UNKNOWN;
    int level = static_cast<int>((csq + 1) / 6.666666666666667);
    switch (level) {
    case 0:
        return IDB_SIGNAL_0;
    case 1:
        return IDB_SIGNAL_1;
    case 2:
        return IDB_SIGNAL_2;
    case 3:
        return IDB_SIGNAL_3;
    case 4:
        return IDB_SIGNAL_4;
    default:
        return IDB_SIGNAL_UNKNOWN;
    }
}

std::string NetworkModeName(int mode) {
    static const char* const kNames[] = {"CDMA", "GPRS", "EVDO", "EDGE", "WCDMA", "TDSCDMA"};
    if (mode < 1 || mode > 6) return {};
    return kNames[mode - 1];
}

double MaxLineRateKBps(int32_t connectBps, int32_t comBaud) {
    int32_t bps = connectBps < 1 ? comBaud : connectBps;
    return bps / 1000.0 / 8.0;
}

int PortNumberOfName(std::wstring_view portName) {
    size_t at = 0;
    while (at < portName.size() && (portName[at] < L'0' || portName[at] > L'9')) ++at;
    if (at == portName.size()) return -1;
    int64_t number = 0;
    for (; at < portName.size() && portName[at] >= L'0' && portName[at] <= L'9'; ++at) {
        number = number * 10 + (portName[at] - L'0');
        if (number > 0x7FFFFFFF) return -1;  // no port has such a number
    }
    return static_cast<int>(number);
}

uint32_t DormancyPeriodMs(int32_t netCta) {
    if (netCta < 1) return 16777215;
    // Bounded so that a huge NET_CTA cannot overflow the timer period.
    int64_t ms = static_cast<int64_t>(netCta) * 1000;
    return ms > 0x7FFFFFFF ? 0x7FFFFFFFu : static_cast<uint32_t>(ms);
}

}  // namespace maindlg
