// Traffic accounting: display texts, stored formats and their parsing, month total, listing, alarm.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>

#include "net/TrafficCore.h"

using namespace net;

namespace {

// The registry key in memory.
struct MemoryStore : RecordStore {
    std::map<std::string, std::string> values;
    bool failWrites = false;
    int writes = 0;

    std::string Read(const std::string& name) override {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    bool Write(const std::string& name, const std::string& text) override {
        ++writes;
        if (failWrites) return false;
        values[name] = text;
        return true;
    }
    bool Clear() override {
        values.clear();
        return true;
    }
};

DateTime At(int year, int month, int day = 10, int hour = 8, int minute = 0, int second = 0) {
    return DateTime{year, month, day, hour, minute, second};
}

std::string Record(int year, int month, uint32_t sent, uint32_t received) {
    return FormatRecord(At(year, month), At(year, month, 10, 9), 3600, sent, received);
}

TEST(TrafficText, DurationKeepsWholeDaysAndNeverGoesNegative) {
    EXPECT_EQ(FormatElapsed(0), "00:00:00");
    EXPECT_EQ(FormatElapsed(3661), "01:01:01");
    EXPECT_EQ(FormatElapsed(86399), "23:59:59");
    EXPECT_EQ(FormatElapsed(86400 + 3661), "25:01:01");
    EXPECT_EQ(DurationSeconds(25 * 3600), 90000) << "a 25-hour connection";
    EXPECT_EQ(DurationSeconds(2 * 86400 + 59), 2 * 86400 + 59);
    EXPECT_EQ(FormatElapsed(-5), "00:00:00") << "a clock set back";
    EXPECT_EQ(DurationSeconds(-5), 0);
    EXPECT_EQ(DurationSeconds(int64_t{1} << 40), 0x7FFFFFFF) << "bounded, never wrapped";
}

TEST(TrafficText, BytesAndRates) {
    EXPECT_EQ(FormatBytesAndRate(0, 0), "0 bytes  0.00 Kbps");
    EXPECT_EQ(FormatBytesAndRate(10000, 8.0), "10000 bytes  8.00 Kbps");
    // 3072 bytes in 3 s: 1 KB/s, 8 Kbps; the same bytes in 1.5 s twice that.
    EXPECT_DOUBLE_EQ(RateKBytesPerSecond(3072, 3000), 1.0);
    EXPECT_DOUBLE_EQ(RateKbitsPerSecond(3072, 1500), 16.0);
    EXPECT_DOUBLE_EQ(RateKBytesPerSecond(3072, 0), 0.0) << "no time, no rate";
    EXPECT_EQ(FormatBytes(1234), "1234 bytes");
    // Past 2 GiB the 32-bit counter is shown unsigned, not as a negative number.
    EXPECT_EQ(FormatBytes(3000000000u), "3000000000 bytes");
    EXPECT_EQ(FormatBytesAndRate(0xFFFFFFFFu, 0), "4294967295 bytes  0.00 Kbps");
}

TEST(TrafficText, CounterDeltaNeverGoesNegative) {
    EXPECT_EQ(CounterDelta(100, 350), 250u);
    EXPECT_EQ(CounterDelta(0x7FFFFFF0u, 0x80000010u), 0x20u) << "across 2 GiB";
    EXPECT_EQ(CounterDelta(5000, 10), 0u) << "a counter that restarted";
}

TEST(TrafficText, DoubleFormatsFromResourcesFillOnlyDoubleConversions) {
    const std::wstring totals = L"总共:%.2f KBytes,发送:%.2f KBytes,接收:%.2f KBytes";
    EXPECT_EQ(FormatTotals(totals, 2048, 1024), L"总共:3.00 KBytes,发送:2.00 KBytes,接收:1.00 KBytes");
    EXPECT_EQ(FormatTotals(totals, 0, 0), L"总共:0.00 KBytes,发送:0.00 KBytes,接收:0.00 KBytes");
    // Sums far past 32 bits (8 TiB sent, 4 GiB received).
    EXPECT_EQ(FormatTotals(L"%.0f %.0f %.0f", int64_t{1} << 43, int64_t{1} << 32),
              L"8594128896 8589934592 4194304");

    // A translated format with stray conversions: only %f-style ones take values, in order.
    EXPECT_EQ(FormatDoubles(std::string_view("%s %d %.2f %n %5.1f%% %f"), {3, 2}),
              "%s %d 3.00 %n   2.0% %f");
    EXPECT_EQ(FormatDoubles(std::string_view("100%"), {1}), "100%");
    EXPECT_EQ(FormatDoubles(std::string_view("%0.2f|%-6.1f|%+e"), {57.6, 1.5, 1}),
              "57.60|1.5   |+1.000000e+00");
    // A width too large to be meant is left as text rather than printed.
    EXPECT_EQ(FormatDoubles(std::string_view("%999999f"), {1}), "%999999f");
}

TEST(StoredValues, RecordFormatHoldsCountsPast2GiB) {
    EXPECT_EQ(FormatRecord(At(2024, 3, 10, 8, 0, 0), At(2024, 3, 10, 9, 1, 1), 3661, 4000000000u,
                           3000000000u),
              "2024-03-10 08:00:00,2024-03-10 09:01:01,3661,4000000000,3000000000");
    EXPECT_EQ(FormatMonthRecord(3, 5000000000), "3,5000000000");

    const RecordFields r = ParseRecord(Record(2024, 3, 4000000000u, 3000000000u));
    EXPECT_EQ(r.year, 2024);
    EXPECT_EQ(r.month, 3);
    EXPECT_EQ(r.sent, 4000000000u);
    EXPECT_EQ(r.received, 3000000000u);
    EXPECT_EQ(r.text[2], "3600");
}

TEST(StoredValues, DamagedRecordsGiveEmptyFieldsAndZeroCounts) {
    RecordFields two = ParseRecord("2024-03-10 08:00:00,2024-03-10 09:00:00");
    EXPECT_EQ(two.text[1], "2024-03-10 09:00:00");
    EXPECT_EQ(two.text[2], "");
    EXPECT_EQ(two.text[4], "");
    EXPECT_EQ(two.sent, 0u);
    EXPECT_EQ(two.received, 0u);

    RecordFields junk = ParseRecord("abc");
    EXPECT_EQ(junk.text[0], "abc");
    EXPECT_EQ(junk.year, 0);
    EXPECT_EQ(junk.month, 0);

    // Extra commas stay in the last field, which then is no count at all.
    RecordFields extra = ParseRecord("2024-03-10 08:00:00,x,1,2,3,4");
    EXPECT_EQ(extra.text[4], "3,4");
    EXPECT_EQ(extra.sent, 2u);
    EXPECT_EQ(extra.received, 0u);

    EXPECT_EQ(ParseCountField(" 42 "), 42u);
    EXPECT_EQ(ParseCountField("4294967295"), 4294967295u);
    EXPECT_EQ(ParseCountField("4294967296"), 0u) << "beyond what a counter can hold";
    EXPECT_EQ(ParseCountField("99999999999999999999999999"), 0u);
    EXPECT_EQ(ParseCountField("-5"), 0u);
    EXPECT_EQ(ParseCountField("12abc"), 0u);
    EXPECT_EQ(ParseCountField(""), 0u);
}

TEST(StoredValues, MonthTotalOnlyFromAWellFormedValueOfThisMonth) {
    EXPECT_EQ(ParseMonthTotal("3,5000000000", 3), 5000000000);
    EXPECT_EQ(ParseMonthTotal(" 3 , 42 ", 3), 42);
    EXPECT_EQ(ParseMonthTotal("2,5000", 3), 0) << "another month";
    for (const char* bad : {"", "abc", "3", "3,", ",5", "3,abc", "3,5,7", "3,-5", "-3,5", "0,5",
                            "13,5", "3,99999999999999999999999", "3;5"})
        EXPECT_EQ(ParseMonthTotal(bad, 3), 0) << bad;
    EXPECT_EQ(ParseMonthTotal("13,5", 13), 0) << "no such month";
}

TEST(Periods, LastMonthOfJanuaryIsDecemberOfTheYearBefore) {
    EXPECT_EQ(PeriodMonth(Period::LastMonth, At(2024, 1)), (YearMonth{2023, 12}));
    EXPECT_EQ(PeriodMonth(Period::LastMonth, At(2024, 7)), (YearMonth{2024, 6}));
    EXPECT_EQ(PeriodMonth(Period::ThisMonth, At(2024, 1)), (YearMonth{2024, 1}));
    EXPECT_FALSE(PeriodMonth(Period::All, At(2024, 1)));
    EXPECT_FALSE(PeriodMonth(static_cast<Period>(7), At(2024, 1)));
}

class TrafficAccountTest : public ::testing::Test {
protected:
    MemoryStore store;
    std::atomic<int64_t> monthTotal{-1};
    TrafficAccount account{store, monthTotal};
};

TEST_F(TrafficAccountTest, MonthTotalOfAnotherMonthStartsAtZero) {
    store.values["monthrec"] = "2,5000";
    account.EnsureMonthTotal(At(2024, 3));
    EXPECT_TRUE(account.MonthTotalKnown());
    EXPECT_EQ(monthTotal, 0);

    // A total written before the year was kept is taken as this year's.
    store.values["monthrec"] = "3,5000";
    TrafficAccount other{store, monthTotal};
    other.EnsureMonthTotal(At(2025, 3));
    EXPECT_EQ(monthTotal, 5000);

    // With its year, March of last year is not this March.
    store.values["monthyear"] = "2024";
    TrafficAccount lastYear{store, monthTotal};
    lastYear.EnsureMonthTotal(At(2025, 3));
    EXPECT_EQ(monthTotal, 0);
    store.values["monthyear"] = "2025";
    TrafficAccount thisYear{store, monthTotal};
    thisYear.EnsureMonthTotal(At(2025, 3));
    EXPECT_EQ(monthTotal, 5000);
    store.values.erase("monthyear");

    store.values["monthrec"] = "abc";
    TrafficAccount broken{store, monthTotal};
    broken.EnsureMonthTotal(At(2025, 3));
    EXPECT_EQ(monthTotal, 0);
}

TEST_F(TrafficAccountTest, MonthTotalGoesPast2GiBAndRestartsInANewMonth) {
    store.values["monthrec"] = "3,3221225472";  // 3 GiB
    const WallTime start{1000, At(2024, 3, 10, 8)};
    const WallTime end{1000 + 3661, At(2024, 3, 10, 9, 1, 1)};
    EXPECT_TRUE(account.EndConnection(start, end, 100, 0xF0000000u));
    EXPECT_EQ(monthTotal, int64_t{3221225472} + 0xF0000000u);
    EXPECT_EQ(store.values["monthrec"], "3,7247757312") << "the form earlier versions read";
    EXPECT_EQ(store.values["monthyear"], "2024");
    EXPECT_EQ(store.values["1"], "2024-03-10 08:00:00,2024-03-10 09:01:01,3661,100,4026531840");

    // The program keeps running into April: the next connection starts April at 0.
    const WallTime aprilStart{5000000, At(2024, 4, 1, 0, 5)};
    const WallTime aprilEnd{5000010, At(2024, 4, 1, 0, 5, 10)};
    EXPECT_TRUE(account.EndConnection(aprilStart, aprilEnd, 1, 500));
    EXPECT_EQ(store.values["monthrec"], "4,500");
    EXPECT_EQ(store.values["2"], "2024-04-01 00:05:00,2024-04-01 00:05:10,10,1,500");
}

TEST_F(TrafficAccountTest, AppendNeverOverwritesRecordsOfAnEarlierRun) {
    store.values["1"] = Record(2024, 3, 1, 1);
    store.values["2"] = Record(2024, 3, 2, 2);
    EXPECT_TRUE(account.AppendRecord("new"));
    EXPECT_EQ(store.values["3"], "new");
    EXPECT_EQ(account.RecordCount(), 3);
    EXPECT_EQ(store.values["1"], Record(2024, 3, 1, 1));

    store.failWrites = true;
    EXPECT_FALSE(account.AppendRecord("lost"));
    EXPECT_EQ(account.RecordCount(), 3);
    store.failWrites = false;
    EXPECT_TRUE(account.AppendRecord("next"));
    EXPECT_EQ(store.values["4"], "next") << "numbers stay consecutive after a failed write";
}

TEST_F(TrafficAccountTest, AppendAfterTheKeyWasClearedElsewhereStartsAgainAtOne) {
    // Two accounts over one key: the records window clears through its own.
    TrafficAccount window{store, monthTotal};
    for (int n = 0; n < 3; ++n) ASSERT_TRUE(account.AppendRecord(Record(2024, 3, 1, 1)));
    EXPECT_TRUE(window.ClearRecords());
    EXPECT_TRUE(account.AppendRecord("after clear"));
    EXPECT_EQ(store.values["1"], "after clear") << "no gap before the new record";
    EXPECT_EQ(account.RecordCount(), 1);

    // Refilled past the old count meanwhile: still the next free number.
    for (int n = 0; n < 4; ++n) ASSERT_TRUE(window.AppendRecord(Record(2024, 3, 2, 2)));
    EXPECT_TRUE(account.AppendRecord("sixth"));
    EXPECT_EQ(store.values["6"], "sixth");
    EXPECT_EQ(window.CountRecords(), 6);
}

TEST_F(TrafficAccountTest, ClearRemovesRecordsAndStoredTotalButKeepsTheTotalInMemory) {
    store.values["monthrec"] = "3,700";
    account.EnsureMonthTotal(At(2024, 3));
    account.AppendRecord(Record(2024, 3, 1, 1));
    EXPECT_TRUE(account.ClearRecords());
    EXPECT_EQ(account.RecordCount(), 0);
    EXPECT_TRUE(store.values.empty());
    const TrafficAccount::Listing empty = account.List(Period::All, At(2024, 3));
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_EQ(empty.sent + empty.received, 0);

    account.EndConnection(WallTime{0, At(2024, 3)}, WallTime{60, At(2024, 3, 10, 8, 1)}, 5, 300);
    EXPECT_EQ(store.values["monthrec"], "3,1000");
    EXPECT_EQ(store.values["1"], "2024-03-10 08:00:00,2024-03-10 08:01:00,60,5,300");
}

TEST_F(TrafficAccountTest, ListingFiltersByYearAndMonthAndStopsAtTheFirstGap) {
    store.values["1"] = Record(2023, 12, 10, 20);
    store.values["2"] = Record(2024, 1, 1, 2);
    store.values["3"] = Record(2023, 1, 100, 200);  // January of another year
    store.values["4"] = "abc";
    store.values["5"] = "2024-01-05 08:00:00,2024-01-05 09:00:00";  // too few fields
    store.values["7"] = Record(2024, 1, 1000, 1000);                // after a gap: not listed

    const TrafficAccount::Listing last = account.List(Period::LastMonth, At(2024, 1));
    ASSERT_EQ(last.rows.size(), 1u);
    EXPECT_EQ(last.rows[0].text[0], "2023-12-10 08:00:00");
    EXPECT_EQ(last.sent, 10);
    EXPECT_EQ(last.received, 20);

    const TrafficAccount::Listing current = account.List(Period::ThisMonth, At(2024, 1));
    ASSERT_EQ(current.rows.size(), 2u);
    EXPECT_EQ(current.rows[1].text[1], "2024-01-05 09:00:00");
    EXPECT_EQ(current.sent, 1);
    EXPECT_EQ(current.received, 2);

    const TrafficAccount::Listing all = account.List(Period::All, At(2024, 1));
    EXPECT_EQ(all.rows.size(), 5u);
    EXPECT_EQ(all.sent, 111);
    EXPECT_EQ(all.received, 222);
    EXPECT_EQ(account.CountRecords(), 5);
}

TEST_F(TrafficAccountTest, ListingSumsPast32Bits) {
    for (int n = 1; n <= 3; ++n)
        store.values[std::to_string(n)] = Record(2024, 3, 0xFFFFFFFFu, 3000000000u);
    const TrafficAccount::Listing all = account.List(Period::All, At(2024, 3));
    EXPECT_EQ(all.sent, 3 * int64_t{0xFFFFFFFF});
    EXPECT_EQ(all.received, int64_t{9000000000});
}

TEST(MonthAlarmTest, WarnsOnTheFirstAndEveryThirdCheckOverTheLimit) {
    MonthAlarm alarm;
    const int32_t limitMb = 100;
    const int64_t limitBytes = 104857600;
    EXPECT_FALSE(alarm.Check(limitBytes, 0, limitMb)) << "at the limit is not over it";
    EXPECT_EQ(alarm.Ticks(), 0u);

    std::string pattern;
    for (int check = 1; check <= 8; ++check)
        pattern += alarm.Check(limitBytes, 1, limitMb) ? 'A' : '.';
    EXPECT_EQ(pattern, "A..A..A.");  // checks 1, 4, 7

    // Below the limit the counter stands still, and it is never reset.
    EXPECT_FALSE(alarm.Check(0, 0, limitMb));
    EXPECT_FALSE(alarm.Check(limitBytes, 1, limitMb)) << "check 9 over the limit";
    EXPECT_TRUE(alarm.Check(limitBytes, 1, limitMb)) << "check 10 over the limit";

    MonthAlarm off;
    EXPECT_FALSE(off.Check(int64_t{1} << 40, 0xFFFFFFFFu, 0));
    EXPECT_EQ(off.Ticks(), 0u);

    MonthAlarm unknown;
    EXPECT_FALSE(unknown.Check(-1, 104857600u, limitMb)) << "an unknown month total counts as 0";
    EXPECT_TRUE(unknown.Check(-1, 104857601u, limitMb));
}

TEST(MonthLimit, ComparesInSixtyFourBits) {
    EXPECT_FALSE(net::MonthLimitExceeded(int64_t{1} << 40, 0, 0)) << "0 switches it off";
    EXPECT_FALSE(net::MonthLimitExceeded(1048576, 0, 1)) << "at the limit is not above it";
    EXPECT_TRUE(net::MonthLimitExceeded(1048576, 1, 1));
    // Past 2 GiB in the month, a 32-bit sum would have turned negative.
    EXPECT_TRUE(net::MonthLimitExceeded(int64_t{3} << 30, 0xF0000000u, 3000));
    // A limit of 4096 MB overflows 32 bits when multiplied out.
    EXPECT_FALSE(net::MonthLimitExceeded(int64_t{3} << 30, 0, 4096));
    EXPECT_TRUE(net::MonthLimitExceeded(int64_t{5} << 30, 0, 4096));
}

}  // namespace
