// Connection records in the registry and the records window, on a scratch key of the test.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "Driver.h"
#include "net/DlgNetRecords.h"
#include "net/NetRecords.h"
#include "resources/resource.h"
#include "tests/win/WinTestSupport.h"

namespace {

using net::DateTime;
using net::WallTime;

DateTime At(int year, int month, int day = 10, int hour = 8, int minute = 0, int second = 0) {
    return DateTime{year, month, day, hour, minute, second};
}

std::wstring Wide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

// "start,end,3600,sent,received" with the start in the given month.
std::wstring Record(int year, int month, const std::string& sent, const std::string& received) {
    return Wide(net::FormatDateTime(At(year, month)) + "," +
                net::FormatDateTime(At(year, month, 10, 9)) + ",3600," + sent + "," + received);
}

class NetRecordsTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = L"Software\\OrvaneTests-" + std::to_wstring(GetCurrentProcessId());
        path = base + L"\\NetRec";
        RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, base.c_str());
        HKEY left = nullptr;
        EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, base.c_str(), 0, KEY_READ, &left), ERROR_SUCCESS)
            << "scratch key left behind";
    }

    // Raw registry access, past the code under test.
    void Put(const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), bytes),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void Put(const std::wstring& name, const std::wstring& text) {
        Put(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring Get(const std::wstring& name) {
        wchar_t buffer[8192] = {};
        DWORD bytes = sizeof buffer - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr,
                         buffer, &bytes) != ERROR_SUCCESS)
            return L"<missing>";
        return buffer;
    }
    bool KeyExists() {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    std::unique_ptr<net::NetRecords> Records() {
        return std::make_unique<net::NetRecords>(HKEY_CURRENT_USER, path, monthTotal);
    }
    static WallTime Moment(int64_t seconds, const DateTime& local) {
        return WallTime{seconds, local};
    }

    std::wstring base;
    std::wstring path;
    std::atomic<int64_t> monthTotal{-1};
};

TEST_F(NetRecordsTest, RecordsAreNumberedFromOneAndALaterRunNeverOverwritesThem) {
    auto first = Records();
    first->Account().EnsureMonthTotal(At(2024, 3));
    EXPECT_EQ(monthTotal, 0) << "no key yet";
    EXPECT_TRUE(first->Account().EndConnection(Moment(0, At(2024, 3, 10, 8)),
                                               Moment(3661, At(2024, 3, 10, 9, 1, 1)), 100, 200));
    EXPECT_TRUE(first->Account().EndConnection(Moment(5000, At(2024, 3, 10, 10)),
                                               Moment(5010, At(2024, 3, 10, 10, 0, 10)), 1, 2));
    EXPECT_EQ(Get(L"1"), L"2024-03-10 08:00:00,2024-03-10 09:01:01,3661,100,200");
    EXPECT_EQ(Get(L"2"), L"2024-03-10 10:00:00,2024-03-10 10:00:10,10,1,2");
    EXPECT_EQ(Get(L"monthrec"), L"3,202");

    // The next run has not listed the records: its count is unknown until it looks.
    auto later = Records();
    EXPECT_EQ(later->Account().RecordCount(), 0);
    EXPECT_TRUE(later->Account().AppendRecord("third"));
    EXPECT_EQ(Get(L"3"), L"third");
    EXPECT_EQ(Get(L"1"), L"2024-03-10 08:00:00,2024-03-10 09:01:01,3661,100,200");
    EXPECT_EQ(later->Account().CountRecords(), 3);

    // Records written by hand (or by an earlier version) count as well.
    Put(L"4", Record(2024, 3, "7", "8"));
    EXPECT_TRUE(first->Account().AppendRecord("fifth"));
    EXPECT_EQ(Get(L"5"), L"fifth");
    EXPECT_EQ(Get(L"4"), Record(2024, 3, "7", "8"));
}

TEST_F(NetRecordsTest, MonthTotalRollsOverAndGoesPast32Bits) {
    Put(L"monthrec", L"2,5000");
    auto records = Records();
    records->Account().EnsureMonthTotal(At(2024, 3));
    EXPECT_EQ(monthTotal, 0) << "a total of another month starts the month at 0";

    Put(L"monthrec", L"3,3000000000");
    auto again = Records();
    again->Account().EnsureMonthTotal(At(2025, 3));
    EXPECT_EQ(monthTotal, 3000000000) << "the year is not stored: March is March";
    EXPECT_TRUE(again->Account().EndConnection(
        Moment(0, At(2025, 3)), Moment(60, At(2025, 3, 10, 8, 1)), 4000000000u, 4000000000u));
    EXPECT_EQ(monthTotal, 7000000000);
    EXPECT_EQ(Get(L"monthrec"), L"3,7000000000");
    EXPECT_EQ(Get(L"1"), L"2025-03-10 08:00:00,2025-03-10 08:01:00,60,4000000000,4000000000");

    Put(L"monthrec", L"abc");
    auto broken = Records();
    broken->Account().EnsureMonthTotal(At(2025, 3));
    EXPECT_EQ(monthTotal, 0);
}

TEST_F(NetRecordsTest, ClearRemovesTheRecordsAndTheMonthTotal) {
    auto program = Records();
    program->Account().EnsureMonthTotal(At(2024, 3));
    for (int n = 0; n < 3; ++n)
        program->Account().EndConnection(Moment(0, At(2024, 3)), Moment(10, At(2024, 3)), 1, 100);
    EXPECT_EQ(Get(L"monthrec"), L"3,300");

    // The records window clears through an account of its own.
    auto window = Records();
    EXPECT_TRUE(window->Account().ClearRecords());
    EXPECT_FALSE(KeyExists()) << "records and monthrec are gone with the key";
    EXPECT_TRUE(window->Store().Read("monthrec").empty());
    EXPECT_TRUE(window->Account().ClearRecords()) << "a missing key is already clear";

    // The program's next connection starts again at 1 and writes its in-memory total.
    EXPECT_TRUE(
        program->Account().EndConnection(Moment(0, At(2024, 3)), Moment(10, At(2024, 3)), 1, 5));
    EXPECT_EQ(Get(L"1"), L"2024-03-10 08:00:00,2024-03-10 08:00:00,10,1,5");
    EXPECT_EQ(Get(L"2"), L"<missing>");
    EXPECT_EQ(Get(L"monthrec"), L"3,305");
}

TEST_F(NetRecordsTest, BadValuesNeverCrashAndNeverCorruptOtherRecords) {
    const std::wstring good1 = Record(2024, 3, "1000", "2000");
    const std::wstring twoFields = L"2024-03-11 08:00:00,2024-03-11 09:00:00";
    const std::wstring overlong(5000, L'9');
    const std::wstring junkCounts = L"2024-03-12 08:00:00,x,\x00FF\x00FE,12ab,-5";
    const std::wstring good5 = Record(2024, 3, "3000000000", "4000000000");
    Put(L"1", good1);
    Put(L"2", twoFields);
    Put(L"3", overlong);
    Put(L"4", junkCounts);
    Put(L"5", good5);
    Put(L"monthrec", L"abc");

    auto records = Records();
    EXPECT_EQ(records->Store().Read("3").size(), net::kMaxStoredValue) << "cut, not dropped";
    const net::TrafficAccount::Listing all = records->Account().List(net::Period::All, At(2024, 3));
    ASSERT_EQ(all.rows.size(), 5u);
    EXPECT_EQ(all.rows[1].text[1], "2024-03-11 09:00:00");
    EXPECT_EQ(all.rows[1].text[3], "");
    EXPECT_EQ(all.rows[3].sent + all.rows[3].received, 0u);
    EXPECT_EQ(all.sent, 3000001000);
    EXPECT_EQ(all.received, 4000002000);
    records->Account().EnsureMonthTotal(At(2024, 3));
    EXPECT_EQ(monthTotal, 0);

    EXPECT_TRUE(
        records->Account().EndConnection(Moment(0, At(2024, 3)), Moment(1, At(2024, 3)), 1, 1));
    EXPECT_EQ(Get(L"6"), L"2024-03-10 08:00:00,2024-03-10 08:00:00,1,1,1");
    EXPECT_EQ(Get(L"1"), good1);
    EXPECT_EQ(Get(L"2"), twoFields);
    EXPECT_EQ(Get(L"3"), overlong);
    EXPECT_EQ(Get(L"4"), junkCounts);
    EXPECT_EQ(Get(L"5"), good5);
    EXPECT_EQ(Get(L"monthrec"), L"3,1");

    // An empty value or one that is not a text holds no record: the listing stops there and the
    // next record fills the hole; the records after it stay as they are.
    Put(L"7", L"");
    Put(L"8", Record(2024, 3, "8", "8"));
    const DWORD number = 42;
    Put(L"9", REG_DWORD, &number, sizeof number);
    auto later = Records();
    EXPECT_EQ(later->Account().CountRecords(), 6);
    EXPECT_TRUE(later->Account().AppendRecord("seventh"));
    EXPECT_EQ(Get(L"7"), L"seventh");
    EXPECT_EQ(Get(L"8"), Record(2024, 3, "8", "8"));
    EXPECT_TRUE(later->Store().Read("9").empty());
}

TEST_F(NetRecordsTest, AKeyThatCannotBeOpenedFailsQuietly) {
    std::atomic<int64_t> total{0};
    net::NetRecords nowhere(reinterpret_cast<HKEY>(static_cast<INT_PTR>(0x5EADBEEF)), L"X\\NetRec",
                            total);
    EXPECT_FALSE(nowhere.Store().Write("1", "lost"));
    EXPECT_TRUE(nowhere.Store().Read("1").empty());
    EXPECT_FALSE(nowhere.Account().AppendRecord("lost"));

    // An empty path would be the root itself: never written to, never cleared.
    net::NetRecords root(HKEY_CURRENT_USER, L"", total);
    EXPECT_FALSE(root.Store().Write("1", "lost"));
    EXPECT_FALSE(root.Store().Clear());
    HKEY software = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, &software), ERROR_SUCCESS);
    if (software) RegCloseKey(software);
}

TEST(NetRecKey, IsNamedAfterTheApplicationTitle) {
    HINSTANCE skin = LoadLibraryW(wintest::StagePath(L"skingb.dll").c_str());
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(net::NetRecKeyPath(skin), L"Software\\Wireless Modem\\NetRec");
    FreeLibrary(skin);
    EXPECT_EQ(net::NetRecKeyPath(nullptr), L"Software\\Wireless Modem\\NetRec") << "no library";
}

// ---- The records window ----------------------------------------------------------------------

class NetRecordsWindowTest : public NetRecordsTest {
protected:
    static void SetUpTestSuite() { skin = LoadLibraryW(wintest::StagePath(L"skingb.dll").c_str()); }
    static void TearDownTestSuite() {
        if (skin) FreeLibrary(skin);
    }
    void SetUp() override {
        NetRecordsTest::SetUp();
        ASSERT_NE(skin, nullptr);
        records = Records();
    }
    void TearDown() override {
        if (window && window->Hwnd()) DestroyWindow(window->Hwnd());
        window.reset();
        wintest::Pump(0);
        NetRecordsTest::TearDown();
    }

    void Open(const DateTime& today) {
        now = today;
        window = std::make_unique<DlgNetRecords>(skin, records->Account(), [this] { return now; });
        ASSERT_NE(window->Create(nullptr), nullptr);
        ShowWindow(window->Hwnd(), SW_SHOW);
        wintest::Pump(50);
    }
    void ChoosePeriod(int index) {
        ASSERT_TRUE(e2e::ComboSelect(window->Item(IDC_NETREC_PERIOD), index));
        wintest::Pump(50);
    }
    std::vector<std::vector<std::wstring>> Rows() {
        return e2e::ListViewRows(window->Item(IDC_NETREC_LIST));
    }
    std::wstring Totals() { return window->ItemText(IDC_NETREC_TOTALS); }

    static HINSTANCE skin;
    std::unique_ptr<net::NetRecords> records;
    std::unique_ptr<DlgNetRecords> window;
    DateTime now;
};
HINSTANCE NetRecordsWindowTest::skin = nullptr;

TEST_F(NetRecordsWindowTest, OpensWithColumnsPeriodsAndAllRecords) {
    Put(L"1", Record(2024, 2, "1024", "2048"));
    Put(L"2", Record(2024, 3, "3072", "1024"));
    Open(At(2024, 3, 15));

    HWND list = window->Item(IDC_NETREC_LIST);
    HWND header = ListView_GetHeader(list);
    ASSERT_EQ(Header_GetItemCount(header), 5);
    const wchar_t* titles[] = {L"开始时间", L"结束时间", L"持续时长", L"发送字节", L"接收字节"};
    const int widths[] = {130, 130, 60, 65, 65};
    for (int i = 0; i < 5; ++i) {
        wchar_t title[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = title;
        column.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(list, i, &column));
        EXPECT_STREQ(title, titles[i]);
        EXPECT_EQ(column.cx, widths[i]);
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
    }
    EXPECT_NE(ListView_GetExtendedListViewStyle(list) & LVS_EX_FULLROWSELECT, 0u);

    HWND periods = window->Item(IDC_NETREC_PERIOD);
    EXPECT_EQ(e2e::ComboRows(periods), (std::vector<std::wstring>{L"所有", L"上月", L"当月"}))
        << "the items of the template's initial data";
    EXPECT_EQ(e2e::ComboSelection(periods), 0);

    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"2024-02-10 08:00:00", L"2024-02-10 09:00:00",
                                                  L"3600", L"1024", L"2048"}));
    EXPECT_EQ(rows[1][0], L"2024-03-10 08:00:00");
    EXPECT_EQ(Totals(), L"总共:7.00 KBytes,发送:4.00 KBytes,接收:3.00 KBytes");
    EXPECT_EQ(records->Account().RecordCount(), 2) << "the window learns the count";
}

TEST_F(NetRecordsWindowTest, EnglishLibraryGivesItsOwnPeriodsAndFormat) {
    // Its initial data is in code page 1252, whatever the system's ANSI code page.
    HINSTANCE english = LoadLibraryW(wintest::StagePath(L"skinen.dll").c_str());
    ASSERT_NE(english, nullptr);
    Put(L"1", Record(2024, 3, "1024", "1024"));
    {
        DlgNetRecords en(english, records->Account(), [] { return At(2024, 3, 15); });
        ASSERT_NE(en.Create(nullptr), nullptr);
        EXPECT_EQ(e2e::ComboRows(en.Item(IDC_NETREC_PERIOD)),
                  (std::vector<std::wstring>{L"All", L"Last month", L"This month"}));
        EXPECT_EQ(en.ItemText(IDC_NETREC_TOTALS),
                  L"Total: 2.00 KBytes, sent: 1.00 KBytes, received: 1.00 KBytes");
    }
    wintest::Pump(0);
    FreeLibrary(english);
}

TEST_F(NetRecordsWindowTest, PeriodsFilterByYearAndMonthWithTotalsPast32Bits) {
    Put(L"1", Record(2024, 2, "1024", "2048"));
    Put(L"2", Record(2024, 3, "3072", "1024"));
    Put(L"3", Record(2023, 3, "512", "512"));  // March of another year
    Put(L"4", Record(2024, 3, "4294967295", "4294967295"));
    Put(L"5", Record(2024, 3, "4294967295", "3000000000"));
    Open(At(2024, 3, 15));
    EXPECT_EQ(Rows().size(), 5u);
    // Sent 8589939198 and received 7294970879 bytes: neither fits in 32 bits.
    EXPECT_EQ(Totals(), L"总共:15512607.50 KBytes,发送:8388612.50 KBytes,接收:7123995.00 KBytes");

    ChoosePeriod(1);  // last month
    auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], L"2024-02-10 08:00:00");
    EXPECT_EQ(Totals(), L"总共:3.00 KBytes,发送:1.00 KBytes,接收:2.00 KBytes");

    ChoosePeriod(2);  // this month
    rows = Rows();
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) EXPECT_EQ(row[0].substr(0, 7), L"2024-03");
    EXPECT_EQ(Totals(), L"总共:15512603.50 KBytes,发送:8388611.00 KBytes,接收:7123992.50 KBytes");

    ChoosePeriod(0);
    EXPECT_EQ(Rows().size(), 5u);
}

TEST_F(NetRecordsWindowTest, LastMonthOfJanuaryIsDecemberOfTheYearBefore) {
    Put(L"1", Record(2023, 12, "1024", "1024"));
    Put(L"2", Record(2024, 12, "2048", "2048"));  // December of the wrong year
    Put(L"3", Record(2024, 1, "4096", "4096"));
    Open(At(2024, 1, 5));
    ChoosePeriod(1);
    const auto rows = Rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], L"2023-12-10 08:00:00");
    EXPECT_EQ(Totals(), L"总共:2.00 KBytes,发送:1.00 KBytes,接收:1.00 KBytes");
}

TEST_F(NetRecordsWindowTest, ClearEmptiesListTotalsAndTheStoredMonthTotal) {
    Put(L"1", Record(2024, 3, "1024", "2048"));
    Put(L"monthrec", L"3,2048");
    Open(At(2024, 3, 15));
    ChoosePeriod(2);
    ASSERT_EQ(Rows().size(), 1u);

    e2e::ClickId(window->Hwnd(), IDC_NETREC_CLEAR);
    wintest::Pump(50);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(Totals(), L"总共:0.00 KBytes,发送:0.00 KBytes,接收:0.00 KBytes");
    EXPECT_FALSE(KeyExists()) << "records and monthrec";
    EXPECT_EQ(records->Account().RecordCount(), 0);

    // The next record after clearing is number 1 again.
    EXPECT_TRUE(records->Account().AppendRecord("again"));
    EXPECT_EQ(Get(L"1"), L"again");
}

TEST_F(NetRecordsWindowTest, NoRecordsShowZeroTotalsAndBackCloses) {
    Open(At(2024, 3, 15));
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(Totals(), L"总共:0.00 KBytes,发送:0.00 KBytes,接收:0.00 KBytes");
    e2e::ClickId(window->Hwnd(), IDC_NETREC_BACK);
    wintest::Pump(50);
    EXPECT_EQ(window->Hwnd(), nullptr);
}

TEST_F(NetRecordsWindowTest, Screenshot) {
    for (int n = 1; n <= 12; ++n) {
        const int month = (n + 1) % 12 + 1;
        Put(std::to_wstring(n), Record(month > 3 ? 2023 : 2024, month, std::to_string(n * 123457),
                                       std::to_string(n * 987654)));
    }
    Open(At(2024, 3, 15));
    wintest::Pump(200);
    const std::wstring shot =
        e2e::SaveScreenshot(wintest::ShotsPath(L"net_records.png"), window->Hwnd());
    EXPECT_FALSE(shot.empty());
}

}  // namespace
