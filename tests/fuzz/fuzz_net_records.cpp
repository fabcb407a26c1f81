// Fuzzes the readers of the connection records and the month total stored in the registry.
#include <cstdint>
#include <string_view>

#include "net/TrafficCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view stored(reinterpret_cast<const char*>(data), size);
    const int64_t total = net::ParseMonthTotal(stored, 3);
    if (total < 0) __builtin_trap();
    const net::RecordFields record = net::ParseRecord(stored);
    const net::DateTime now{2024, 1, 15, 12, 0, 0};
    for (int period = 0; period < 4; ++period)
        (void)net::InPeriod(record, net::PeriodMonth(static_cast<net::Period>(period), now));
    (void)net::FormatTotals(L"%.2f %.2f %.2f %d %s", record.sent, record.received);
    return 0;
}
