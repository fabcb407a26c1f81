// Traffic accounting without windows: display texts, stored record formats, month total, listing.
#include "net/TrafficCore.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <limits>

#include "framework/TextUtil.h"

namespace net {

namespace {


template <class Ch>
bool IsDigit(Ch c) {
    return c >= Ch('0') && c <= Ch('9');
}

// Reads at most two digits (a width or precision); false when more follow.
template <class Ch>
bool ReadSmallNumber(std::basic_string_view<Ch> s, std::size_t& at, std::string& conversion) {
    std::size_t digits = 0;
    while (at < s.size() && IsDigit(s[at])) {
        if (++digits > 2) return false;
        conversion += char(s[at] - Ch('0') + '0');
        ++at;
    }
    return true;
}

template <class Ch>
std::basic_string<Ch> FormatDoublesT(std::basic_string_view<Ch> format,
                                     const std::vector<double>& values) {
    std::basic_string<Ch> out;
    std::size_t next = 0;
    std::size_t at = 0;
    while (at < format.size()) {
        if (format[at] != Ch('%')) {
            out += format[at++];
            continue;
        }
        if (at + 1 < format.size() && format[at + 1] == Ch('%')) {
            out += Ch('%');
            at += 2;
            continue;
        }
        // Parse "%[flags][width][.precision][l]conv" into a narrow conversion for snprintf.
        const std::size_t begin = at++;
        std::string conversion = "%";
        while (at < format.size() &&
               (format[at] == Ch('-') || format[at] == Ch('+') || format[at] == Ch(' ') ||
                format[at] == Ch('#') || format[at] == Ch('0'))) {
            conversion += char(format[at]);
            ++at;
        }
        bool ok = ReadSmallNumber(format, at, conversion);
        if (ok && at < format.size() && format[at] == Ch('.')) {
            conversion += '.';
            ++at;
            ok = ReadSmallNumber(format, at, conversion);
        }
        if (ok && at < format.size() && format[at] == Ch('l')) ++at;
        const bool isDouble =
            ok && at < format.size() &&
            (format[at] == Ch('f') || format[at] == Ch('F') || format[at] == Ch('e') ||
             format[at] == Ch('E') || format[at] == Ch('g') || format[at] == Ch('G'));
        if (!isDouble || next >= values.size()) {
            // Not ours to fill: keep the text as it stands and carry on after the '%'.
            out += format[begin];
            at = begin + 1;
            continue;
        }
        conversion += char(format[at++]);
        char buffer[160];
        int n = std::snprintf(buffer, sizeof buffer, conversion.c_str(), values[next++]);
        if (n < 0) continue;
        std::string number;
        if (static_cast<std::size_t>(n) < sizeof buffer) {
            number.assign(buffer, static_cast<std::size_t>(n));
        } else {
            number.resize(static_cast<std::size_t>(n) + 1);
            std::snprintf(number.data(), number.size(), conversion.c_str(), values[next - 1]);
            number.resize(static_cast<std::size_t>(n));
        }
        for (char c : number) out += Ch(static_cast<unsigned char>(c));
    }
    return out;
}

// Decimal digits with blanks around, no sign, at most the given value; nothing else.
std::optional<uint64_t> ParseUnsigned(std::string_view s, uint64_t maxValue) {
    s = text::Trim(s);
    if (s.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (maxValue - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

int64_t SaturatingAdd(int64_t total, uint32_t add) {
    if (total < 0) total = 0;
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    if (total > kMax - add) return kMax;
    return total + add;
}

}  // namespace

std::string FormatDateTime(const DateTime& t) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buffer;
}

int32_t DurationSeconds(int64_t elapsedSeconds) {
    if (elapsedSeconds < 0) return 0;
    return static_cast<int32_t>(std::min<int64_t>(elapsedSeconds, std::numeric_limits<int32_t>::max()));
}

std::string FormatElapsed(int64_t elapsedSeconds) {
    const int32_t s = DurationSeconds(elapsedSeconds);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    return buffer;
}

uint32_t CounterDelta(uint32_t previous, uint32_t current) {
    return current >= previous ? current - previous : 0;
}

double RateKBytesPerSecond(uint32_t delta, uint32_t elapsedMs) {
    return elapsedMs == 0 ? 0.0 : delta / 1024.0 / (elapsedMs / 1000.0);
}

double RateKbitsPerSecond(uint32_t delta, uint32_t elapsedMs) {
    return RateKBytesPerSecond(delta, elapsedMs) * 8.0;
}

std::string FormatBytes(uint32_t total) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%" PRIu32 " bytes", total);
    return buffer;
}

std::string FormatBytesAndRate(uint32_t total, double kbps) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%" PRIu32 " bytes  %.2f Kbps", total, kbps);
    return buffer;
}

std::string FormatDoubles(std::string_view format, const std::vector<double>& values) {
    return FormatDoublesT(format, values);
}

std::wstring FormatDoubles(std::wstring_view format, const std::vector<double>& values) {
    return FormatDoublesT(format, values);
}

std::wstring FormatTotals(std::wstring_view format, int64_t sent, int64_t received) {
    // In doubles: the sum of two 64-bit totals cannot overflow there.
    const double s = static_cast<double>(sent);
    const double r = static_cast<double>(received);
    return FormatDoubles(format, {(s + r) / 1024.0, s / 1024.0, r / 1024.0});
}

std::string FormatRecord(const DateTime& start, const DateTime& end, int32_t durationSeconds,
                         uint32_t sent, uint32_t received) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, ",%" PRId32 ",%" PRIu32 ",%" PRIu32, durationSeconds,
                  sent, received);
    return FormatDateTime(start) + "," + FormatDateTime(end) + buffer;
}

std::string FormatMonthRecord(int month, int64_t total) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d,%" PRId64, month, total);
    return buffer;
}

int64_t ParseMonthTotal(std::string_view stored, int currentMonth) {
    const std::vector<std::string> fields = text::Split(stored, ',');
    if (fields.size() != 2) return 0;
    const std::optional<uint64_t> month = ParseUnsigned(fields[0], 12);
    const std::optional<uint64_t> total =
        ParseUnsigned(fields[1], static_cast<uint64_t>(std::numeric_limits<int64_t>::max()));
    if (!month || !total || static_cast<int>(*month) != currentMonth) return 0;
    return static_cast<int64_t>(*total);
}

uint32_t ParseCountField(std::string_view field) {
    return static_cast<uint32_t>(
        ParseUnsigned(field, std::numeric_limits<uint32_t>::max()).value_or(0));
}

RecordFields ParseRecord(std::string_view stored) {
    RecordFields r;
    const std::vector<std::string> fields = text::Split(stored, ',', 5);
    for (std::size_t i = 0; i < r.text.size() && i < fields.size(); ++i) r.text[i] = fields[i];
    const std::string& start = r.text[0];
    r.year = text::ParseLeadingInt(start);
    r.month = start.size() > 5 ? text::ParseLeadingInt(std::string_view(start).substr(5)) : 0;
    r.sent = ParseCountField(r.text[3]);
    r.received = ParseCountField(r.text[4]);
    return r;
}

std::optional<YearMonth> PeriodMonth(Period period, const DateTime& now) {
    switch (period) {
    case Period::ThisMonth:
        return YearMonth{now.year, now.month};
    case Period::LastMonth:
        if (now.month <= 1) return YearMonth{now.year - 1, 12};
        return YearMonth{now.year, now.month - 1};
    default:
        return std::nullopt;
    }
}

bool InPeriod(const RecordFields& record, const std::optional<YearMonth>& month) {
    if (!month) return true;
    return record.year == month->year && record.month == month->month;
}

bool MonthLimitExceeded(int64_t monthBeforeConnection, uint32_t connectionReceived,
                        int32_t limitMegabytes) {
    if (limitMegabytes <= 0) return false;
    int64_t total = monthBeforeConnection + static_cast<int64_t>(connectionReceived);
    return total > static_cast<int64_t>(limitMegabytes) * 1048576;
}

bool MonthAlarm::Check(int64_t monthBefore, uint32_t connectionReceived, int32_t limitMegabytes) {
    // An unknown month total (-1) counts as nothing received yet.
    if (!MonthLimitExceeded(monthBefore < 0 ? 0 : monthBefore, connectionReceived,
                                     limitMegabytes))
        return false;
    return ticks_++ % 3 == 0;
}

TrafficAccount::TrafficAccount(RecordStore& store, std::atomic<int64_t>& monthTotal)
    : store_(store), monthTotal_(monthTotal) {}

void TrafficAccount::EnsureMonthTotal(const DateTime& now) {
    if (totalMonth_ == now.month && totalMonth_ != 0) return;
    const std::string stored = text::CutText(store_.Read(kMonthValueName), kMaxStoredValue);
    monthTotal_ = ParseMonthTotal(stored, now.month);
    // The year has a value of its own, so readers of the two-field "monthrec" keep working. A
    // total stored before the year was kept is taken as this year's.
    const std::string year = store_.Read(kMonthYearValueName);
    if (!year.empty() && ParseUnsigned(year, 9999).value_or(0) != static_cast<uint64_t>(now.year))
        monthTotal_ = 0;
    totalMonth_ = now.month;
}

bool TrafficAccount::SaveMonthTotal(const DateTime& now) {
    const bool total = store_.Write(kMonthValueName, FormatMonthRecord(now.month, monthTotal_));
    const bool year = store_.Write(kMonthYearValueName, std::to_string(now.year));
    return total && year;
}

std::string TrafficAccount::ReadRecord(int number) {
    if (number < 1) return {};
    return text::CutText(store_.Read(std::to_string(number)), kMaxStoredValue);
}

int TrafficAccount::CountRecords() {
    int n = 0;
    while (n < std::numeric_limits<int>::max() && !ReadRecord(n + 1).empty()) ++n;
    count_ = n;
    return n;
}

bool TrafficAccount::AppendRecord(const std::string& text) {
    // The count may be behind the store (records of earlier runs): skip every stored number.
    // It may also be ahead of it (the key was cleared through another account, or by hand):
    // then the numbering starts again from 1 rather than leaving a gap that ends the listing.
    if (count_ > 0 && ReadRecord(count_).empty()) count_ = 0;
    while (count_ < std::numeric_limits<int>::max() && !ReadRecord(count_ + 1).empty()) ++count_;
    if (count_ == std::numeric_limits<int>::max()) return false;
    if (!store_.Write(std::to_string(count_ + 1), text)) return false;
    ++count_;
    return true;
}

bool TrafficAccount::ClearRecords() {
    count_ = 0;
    return store_.Clear();
}

TrafficAccount::Listing TrafficAccount::List(Period period, const DateTime& now) {
    Listing listing;
    const std::optional<YearMonth> month = PeriodMonth(period, now);
    for (int n = 1; n < std::numeric_limits<int>::max(); ++n) {
        const std::string stored = ReadRecord(n);
        if (stored.empty()) break;
        RecordFields record = ParseRecord(stored);
        if (!InPeriod(record, month)) continue;
        listing.sent += record.sent;
        listing.received += record.received;
        listing.rows.push_back(std::move(record));
    }
    return listing;
}

bool TrafficAccount::EndConnection(const WallTime& start, const WallTime& end, uint32_t sent,
                                   uint32_t received) {
    const int32_t duration = DurationSeconds(end.epochSeconds - start.epochSeconds);
    const bool recorded =
        AppendRecord(FormatRecord(start.local, end.local, duration, sent, received));
    EnsureMonthTotal(end.local);
    monthTotal_ = SaturatingAdd(monthTotal_, received);
    const bool saved = SaveMonthTotal(end.local);
    return recorded && saved;
}

}  // namespace net
