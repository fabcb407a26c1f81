// Main window decisions without windows: signal picture, network name, rates, ports, month alarm.
#include "ui/MainDialogCore.h"

namespace maindlg {

int SignalBitmapFor(int csq) {
    if (csq == -1 || csq == 99) return kSignalUnknown;
    int level = static_cast<int>((csq + 1) / 6.666666666666667);
    switch (level) {
    case 0:
        return kSignalLevel0;
    case 1:
        return kSignalLevel1;
    case 2:
        return kSignalLevel2;
    case 3:
        return kSignalLevel3;
    case 4:
        return kSignalFull;
    default:
        return kSignalUnknown;
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

bool MonthLimitExceeded(int64_t monthBeforeConnection, uint32_t connectionReceived,
                        int32_t limitMegabytes) {
    if (limitMegabytes <= 0) return false;
    int64_t total = monthBeforeConnection + static_cast<int64_t>(connectionReceived);
    return total > static_cast<int64_t>(limitMegabytes) * 1048576;
}

uint32_t DormancyPeriodMs(int32_t netCta) {
    if (netCta < 1) return 16777215;
    // Bounded so that a huge NET_CTA cannot overflow the timer period.
    int64_t ms = static_cast<int64_t>(netCta) * 1000;
    return ms > 0x7FFFFFFF ? 0x7FFFFFFFu : static_cast<uint32_t>(ms);
}

}  // namespace maindlg
