// Traffic accounting without windows: display texts, stored record formats, month total, listing.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

// A local date and time as the clock gives it (month 1..12, day 1..31).
struct DateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// One moment: seconds since 1970 for differences, the local date and time for texts and months.
struct WallTime {
    int64_t epochSeconds = 0;
    DateTime local;
};

// ---- Texts ---------------------------------------------------------------------------------

// "%Y-%m-%d %H:%M:%S", the form of the start and end fields of a record.
std::string FormatDateTime(const DateTime& t);

// Seconds of a connection as the record and the duration display count them: the whole elapsed
// time (a connection of a day and more keeps its days); a clock set back gives 0.
int32_t DurationSeconds(int64_t elapsedSeconds);

// The duration display "hh:mm:ss" of an elapsed time; the hours go on past 24.
std::string FormatElapsed(int64_t elapsedSeconds);

// Growth of a module counter since the previous reading. The counters are 32-bit totals of the
// connection; one that went backwards (a module that restarted counting, or the 4 GiB wrap)
// counts as no growth for that period rather than as an absurd rate.
uint32_t CounterDelta(uint32_t previous, uint32_t current);

// Rates of a counter's growth over the time it took: kilobytes per second for the graph, kilobits
// per second for the text. No time gives 0.
double RateKBytesPerSecond(uint32_t delta, uint32_t elapsedMs);
double RateKbitsPerSecond(uint32_t delta, uint32_t elapsedMs);

// "%d bytes" and "%d bytes  %.2f Kbps" (two blanks), the totals printed unsigned so that a
// connection past 2 GiB does not turn negative.
std::string FormatBytes(uint32_t total);
std::string FormatBytesAndRate(uint32_t total, double kbps);

// Fills the double conversions (%f, %e, %g with flags, width and precision) of a format taken
// from a resource, in order, with the values; "%%" gives "%". Conversions of any other type and
// conversions beyond the values given are copied as they stand, so a translated format with a
// stray "%d" or "%s" can never read a wrong argument.
std::string FormatDoubles(std::string_view format, const std::vector<double>& values);
std::wstring FormatDoubles(std::wstring_view format, const std::vector<double>& values);

// The records window's totals line from its template's format: (sent + received) / 1024,
// sent / 1024, received / 1024 kilobytes.
std::wstring FormatTotals(std::wstring_view format, int64_t sent, int64_t received);

// ---- Stored values -------------------------------------------------------------------------

// Name of the month value beside the numbered records.
constexpr char kMonthValueName[] = "monthrec";
constexpr char kMonthYearValueName[] = "monthyear";  // the year "monthrec" belongs to
// Longest value text taken from the store.
constexpr std::size_t kMaxStoredValue = 259;

// "%s,%s,%d,%d,%d": start, end, duration in seconds, bytes sent, bytes received.
std::string FormatRecord(const DateTime& start, const DateTime& end, int32_t durationSeconds,
                         uint32_t sent, uint32_t received);

// "%d,%d": month 1..12 and the month's received bytes (64-bit).
std::string FormatMonthRecord(int month, int64_t total);

// The stored month total when the stored value is of this month, else 0. Anything but
// "<month 1..12>,<total 0..2^63-1>" in decimal (missing, empty, "abc", a missing or extra
// field, an overlong number) counts as no stored total: 0.
int64_t ParseMonthTotal(std::string_view stored, int currentMonth);

// A byte count field of a stored record: decimal digits (blanks around allowed) within the
// range of the module's 32-bit counters; anything else is 0.
uint32_t ParseCountField(std::string_view field);

// One stored record split for the list: the five fields as stored (missing ones empty, extra
// commas stay in the last), the year and month of the start text, and the two counts.
struct RecordFields {
    std::array<std::string, 5> text;  // start, end, duration, sent, received
    int year = 0;                     // leading number of the start text
    int month = 0;                    // leading number from its sixth character on
    uint32_t sent = 0;
    uint32_t received = 0;
};
RecordFields ParseRecord(std::string_view stored);

// Periods of the records window, in the order of its drop-down list.
enum class Period : int { All = 0, LastMonth = 1, ThisMonth = 2 };

struct YearMonth {
    int year = 0;
    int month = 0;
    bool operator==(const YearMonth&) const = default;
};

// The month a period selects (January's last month is December of the year before); none for
// "all" and for an index outside the list.
std::optional<YearMonth> PeriodMonth(Period period, const DateTime& now);
bool InPeriod(const RecordFields& record, const std::optional<YearMonth>& month);

// ---- Outside world -------------------------------------------------------------------------

// The records key of the registry: values by name, texts in the ANSI code page.
class RecordStore {
public:
    virtual ~RecordStore() = default;
    // The value's text; empty when the key or the value is missing.
    virtual std::string Read(const std::string& name) = 0;
    // Creates the key when missing. False (after logging) when the key cannot be opened.
    virtual bool Write(const std::string& name, const std::string& text) = 0;
    // Deletes the whole key, records and month value.
    virtual bool Clear() = 0;
};

// The internet page's traffic controls and the traffic graph window.
class TrafficView {
public:
    virtual ~TrafficView() = default;
    virtual void SetDurationText(const std::string& text) = 0;  // IDC_INET_DURATION
    virtual void SetSentText(const std::string& text) = 0;      // IDC_INET_SENT
    virtual void SetReceivedText(const std::string& text) = 0;  // IDC_INET_RECEIVED
    virtual bool GraphExists() = 0;
    virtual void AddGraphRates(double sendKBps, double receiveKBps) = 0;
    virtual void ClearGraph() = 0;
};

// Process-wide counters the main dialog keeps (and its month alarm reads): the connection's
// totals as the module last reported them, and the month's received bytes before it.
struct TrafficCounters {
    std::atomic<uint32_t>& received;
    std::atomic<uint32_t>& sent;
    std::atomic<int64_t>& monthBefore;
};

// ---- Month alarm ---------------------------------------------------------------------------

// True when the month's received bytes (before this connection plus during it) exceed the limit
// in megabytes. 64-bit throughout: months past 2 GiB and limits of 2048 MB and more stay right.
bool MonthLimitExceeded(int64_t monthBeforeConnection, uint32_t connectionReceived,
                        int32_t limitMegabytes);

// The month alarm of the 5-second tick: the first check over the limit alarms, then every
// third one. The counter advances only while over the limit and is never reset.
class MonthAlarm {
public:
    // True when this check shows the warning.
    bool Check(int64_t monthBefore, uint32_t connectionReceived, int32_t limitMegabytes);
    uint64_t Ticks() const { return ticks_; }

private:
    uint64_t ticks_ = 0;
};

// ---- Records and month total ---------------------------------------------------------------

// The stored connection records and the month total, over a record store.
class TrafficAccount {
public:
    TrafficAccount(RecordStore& store, std::atomic<int64_t>& monthTotal);

    // Loads the month total when it is not yet known or belongs to another month than now's;
    // a total carried across a month boundary would otherwise never start again at 0.
    void EnsureMonthTotal(const DateTime& now);
    bool MonthTotalKnown() const { return totalMonth_ != 0; }
    int64_t MonthTotal() const { return monthTotal_; }
    bool SaveMonthTotal(const DateTime& now);

    // Records 1, 2, 3 ... up to the first missing one; empty text when missing.
    std::string ReadRecord(int number);
    int RecordCount() const { return count_; }
    // Counts the stored records (as the records window does when it opens).
    int CountRecords();
    // Stores the text under the next free number; never overwrites a stored record.
    bool AppendRecord(const std::string& text);
    bool ClearRecords();

    struct Listing {
        std::vector<RecordFields> rows;
        int64_t sent = 0;
        int64_t received = 0;
    };
    // The records of a period in stored order, with the sums of their counts.
    Listing List(Period period, const DateTime& now);

    // End of a connection: stores its record, adds its received bytes to the month total and
    // stores that. False when a write failed (the record or total is then lost, as logged).
    bool EndConnection(const WallTime& start, const WallTime& end, uint32_t sent,
                       uint32_t received);

private:
    RecordStore& store_;
    std::atomic<int64_t>& monthTotal_;
    int totalMonth_ = 0;  // month (1..12) the total belongs to; 0 = not loaded
    int count_ = 0;
};

}  // namespace net
