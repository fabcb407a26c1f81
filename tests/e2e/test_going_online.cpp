// Going online end to end: dial, state texts, traffic, hang-up, records, lost link, redials,
// Ctrl at start, month alarm, with the simulated card.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

constexpr wchar_t kNetRecKey[] = L"Software\\Wireless Modem\\NetRec";

// The registry value's text, "" when missing.
std::wstring ReadNetRec(const std::wstring& name) {
    wchar_t buffer[512] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kNetRecKey, name.c_str(), RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return L"";
    return buffer;
}

std::vector<std::wstring> SplitCommas(const std::wstring& text) {
    std::vector<std::wstring> fields(1);
    for (wchar_t c : text) {
        if (c == L',')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// The leading decimal number of a text such as "12345 bytes  3.21 Kbps"; -1 when there is none.
long long LeadingNumber(const std::wstring& text) {
    if (text.empty() || !iswdigit(text[0])) return -1;
    return std::wcstoll(text.c_str(), nullptr, 10);
}

// Collects the distinct values a control's text goes through, polled from a thread of its own.
class TextRecorder {
public:
    explicit TextRecorder(HWND control) : control_(control), thread_([this] { Run(); }) {}
    ~TextRecorder() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::vector<std::wstring> Values() {
        std::lock_guard<std::mutex> lock(mutex_);
        return values_;
    }
    bool Seen(const std::wstring& text) {
        auto values = Values();
        return std::find(values.begin(), values.end(), text) != values.end();
    }

private:
    void Run() {
        while (!stop_) {
            std::wstring text = e2e::Text(control_);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (values_.empty() || values_.back() != text) values_.push_back(text);
            }
            Sleep(15);
        }
    }
    HWND control_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::wstring> values_;
    std::thread thread_;
};

// True when `expected` appears in `seen` in this order (other values may come between).
bool InOrder(const std::vector<std::wstring>& seen, const std::vector<std::wstring>& expected) {
    size_t next = 0;
    for (const std::wstring& value : seen)
        if (next < expected.size() && value == expected[next]) ++next;
    return next == expected.size();
}

std::string Joined(const std::vector<std::wstring>& values) {
    std::string out;
    for (const auto& v : values) out += "[" + e2e::Utf8(v) + "]";
    return out;
}

class GoingOnlineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        folder.Remove(L"modem.log");
        RegDeleteTreeW(HKEY_CURRENT_USER, kNetRecKey);
        // Quick steps keep the runs short; the order of the codes is the card's usual one.
        SetIni(L"simcard.ini", L"DIAL", L"StepDelayMs", L"150");
    }
    void TearDown() override {
        if (orvane.Running()) orvane.Kill();
        RegDeleteTreeW(HKEY_CURRENT_USER, kNetRecKey);
    }

    void SetIni(const wchar_t* file, const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        ASSERT_TRUE(WritePrivateProfileStringW(section, key, value.c_str(), folder.File(file).c_str()));
    }
    void SetSetting(const wchar_t* key, const std::wstring& value) { SetIni(L"modem.ini", L"SETTING", key, value); }

    std::wstring SkinString(UINT id) { return e2e::LoadSkinString(folder.File(L"skingb.dll"), id); }

    void Start() {
        orvane = folder.Start(L"Orvane.exe");
        mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS);
        ASSERT_NE(mainWindow, nullptr);
        HWND connect = e2e::FindChild(mainWindow, IDC_INET_CONNECT);
        ASSERT_NE(connect, nullptr);
        internetPage = GetParent(connect);
    }
    void Close() {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
        EXPECT_TRUE(orvane.WaitExit(20000));
    }
    HWND PageItem(int id) { return GetDlgItem(internetPage, id); }
    std::wstring State() { return e2e::Text(PageItem(IDC_INET_STATE)); }
    bool WaitState(UINT stringId, DWORD timeoutMs) {
        const std::wstring want = SkinString(stringId);
        return e2e::WaitUntil([&] { return State() == want; }, timeoutMs);
    }
    int Simctl(const std::wstring& args) {
        std::string output;
        int code = folder.Run(L"simctl.exe", args, &output, 30000);
        Logf("simctl %s -> %d %s", e2e::Utf8(args).c_str(), code, output.c_str());
        return code;
    }
    // Dial requests the card has had, from its journal.
    int DialCalls() {
        const std::string log = folder.ReadBytes(L"modem.log");
        int count = 0;
        for (size_t at = log.find("CALL mdmNetDial2"); at != std::string::npos;
             at = log.find("CALL mdmNetDial2", at + 1))
            ++count;
        return count;
    }
    HWND GraphWindow() {
        return e2e::WaitWindow(orvane.Id(), [](HWND w) { return GetDlgItem(w, IDC_GRAPH_SEND_GRAPH) != nullptr; },
                               5000);
    }
    HWND VisiblePopup() {
        return e2e::FindWindowOf(orvane.Id(), [](HWND w) {
            return e2e::ClassOf(w) == L"OrvaneTaskbarNotifier" && IsWindowVisible(w);
        });
    }

    e2e::StagedFolder folder;
    e2e::Process orvane;
    HWND mainWindow = nullptr;
    HWND internetPage = nullptr;
};

TEST_F(GoingOnlineTest, DialCountHangUpAndRecord) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(internetPage); }, 5000));

    TextRecorder states(PageItem(IDC_INET_STATE));
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    ASSERT_TRUE(e2e::WaitUntil([&] { return states.Seen(SkinString(IDS_DIAL_SUCCEEDED)); }, 15000))
        << Joined(states.Values());
    // The card's steps, in its order, then the success.
    const std::vector<std::wstring> dialling = {
        SkinString(IDS_DIAL_CHECKING_PORT),    SkinString(IDS_DIAL_CHECKING_MODEM),
        SkinString(IDS_DIAL_CHECKING_SIM),     SkinString(IDS_DIAL_CHECKING_SIGNAL),
        SkinString(IDS_DIAL_CHECKING_REGISTRATION), SkinString(IDS_DIAL_DIALING),
        SkinString(IDS_DIAL_CHECKING_ACCOUNT), SkinString(IDS_DIAL_REGISTERING),
        SkinString(IDS_DIAL_SUCCEEDED)};
    EXPECT_TRUE(InOrder(states.Values(), dialling)) << Joined(states.Values());
    EXPECT_EQ(SkinString(IDS_DIAL_SUCCEEDED), L"拨号成功");
    EXPECT_TRUE(IsWindowEnabled(PageItem(IDC_INET_CONNECT)));

    // Bytes grow with every 3-second refresh; the duration runs.
    ASSERT_TRUE(e2e::WaitUntil([&] { return LeadingNumber(e2e::Text(PageItem(IDC_INET_RECEIVED))) > 0; }, 8000));
    const long long received1 = LeadingNumber(e2e::Text(PageItem(IDC_INET_RECEIVED)));
    const long long sent1 = LeadingNumber(e2e::Text(PageItem(IDC_INET_SENT)));
    Sleep(3500);
    const long long received2 = LeadingNumber(e2e::Text(PageItem(IDC_INET_RECEIVED)));
    const long long sent2 = LeadingNumber(e2e::Text(PageItem(IDC_INET_SENT)));
    Logf("received %lld -> %lld, sent %lld -> %lld (%s)", received1, received2, sent1, sent2,
         e2e::Utf8(e2e::Text(PageItem(IDC_INET_RECEIVED))).c_str());
    EXPECT_GT(received2, received1);
    EXPECT_GT(sent2, sent1);
    EXPECT_NE(e2e::Text(PageItem(IDC_INET_DURATION)).find(L"00:00:"), std::wstring::npos);
    folder.Screenshot(L"internet-connected", mainWindow);

    // The records button shows the graph window, whose rate lines follow the refreshes.
    HWND graph = GraphWindow();
    ASSERT_NE(graph, nullptr) << "the language library has the graph template";
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_RECORDS));
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(graph) != FALSE; }, 5000));
    // The current rate (the line's last number) shows the card's steady download.
    auto currentRate = [&] {
        const std::wstring line = e2e::Text(GetDlgItem(graph, IDC_GRAPH_RECV_TEXT));
        const size_t digits = line.find_last_of(L"0123456789");
        if (digits == std::wstring::npos) return 0.0;
        const size_t start = line.find_last_not_of(L"0123456789.", digits);
        return std::wcstod(line.c_str() + (start == std::wstring::npos ? 0 : start + 1), nullptr);
    };
    EXPECT_TRUE(e2e::WaitUntil([&] { return currentRate() > 1.0; }, 7000));
    Logf("graph receive line: %s", e2e::Utf8(e2e::Text(GetDlgItem(graph, IDC_GRAPH_RECV_TEXT))).c_str());
    Sleep(3200);
    folder.Screenshot(L"graph-bars", graph);
    e2e::ClickId(graph, IDC_GRAPH_MODE_LINE);
    Sleep(3200);
    folder.Screenshot(L"graph-line", graph);
    e2e::ClickId(graph, IDC_GRAPH_MODE_BARS);

    // Hang-up: its two texts, then one record in the registry.
    TextRecorder hangup(PageItem(IDC_INET_STATE));
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !ReadNetRec(L"1").empty(); }, 10000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return hangup.Seen(SkinString(IDS_HANGUP_SUCCEEDED)); }, 5000));
    hangup.Stop();
    EXPECT_TRUE(InOrder(hangup.Values(), {SkinString(IDS_DIAL_HANGING_UP), SkinString(IDS_HANGUP_SUCCEEDED)}))
        << Joined(hangup.Values());
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(PageItem(IDC_INET_RECEIVED)).empty(); }, 3000));

    const std::wstring record = ReadNetRec(L"1");
    Logf("record 1: %s; monthrec: %s", e2e::Utf8(record).c_str(), e2e::Utf8(ReadNetRec(L"monthrec")).c_str());
    const auto fields = SplitCommas(record);
    ASSERT_EQ(fields.size(), 5u);
    EXPECT_EQ(fields[0].size(), 19u);
    EXPECT_GE(_wtoi(fields[2].c_str()), 6);
    EXPECT_GE(std::wcstoll(fields[4].c_str(), nullptr, 10), received2);
    EXPECT_TRUE(ReadNetRec(L"2").empty());
    const auto month = SplitCommas(ReadNetRec(L"monthrec"));
    ASSERT_EQ(month.size(), 2u);
    EXPECT_EQ(month[1], fields[4]) << "the month total holds this connection's received bytes";

    // The graph window's history button lists the record.
    ASSERT_TRUE(e2e::ClickId(graph, IDC_GRAPH_HISTORY));
    HWND records = e2e::WaitDialogWith(orvane.Id(), IDC_NETREC_LIST, 8000);
    ASSERT_NE(records, nullptr);
    const auto rows = e2e::ListViewRows(GetDlgItem(records, IDC_NETREC_LIST));
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 5u);
    EXPECT_EQ(rows[0][0], fields[0]);
    EXPECT_EQ(rows[0][4], fields[4]);
    folder.Screenshot(L"records-window", records);
    e2e::ClickId(records, IDC_NETREC_BACK);
    EXPECT_TRUE(e2e::WaitGone(records, 5000));
    states.Stop();
    Close();
    EXPECT_EQ(DialCalls(), 1);
}

TEST_F(GoingOnlineTest, ADialTheModuleRefusesLeavesTheButtonUsable) {
    // The dial entry faults inside the module: the guard catches it, and the dial ends at once.
    SetIni(L"simcard.ini", L"FAULT", L"mdmNetDial2", L"1");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    EXPECT_TRUE(WaitState(IDS_DIAL_FAILED, 10000)) << e2e::Utf8(State());
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(PageItem(IDC_INET_CONNECT)) != FALSE; }, 5000));
    EXPECT_NE(folder.ReadBytes(L"modem.log").find("File="), std::string::npos) << "the fault is logged";

    // The card is well again: the next click dials, and the exit reads the last bytes before it
    // hangs up, so the record holds them.
    ASSERT_EQ(Simctl(L"set FAULT mdmNetDial2 0"), 0);
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    ASSERT_TRUE(WaitState(IDS_DIAL_SUCCEEDED, 15000) || WaitState(IDS_NET_CONNECTED, 10000));
    Sleep(4000);
    Close();
    const std::string log = folder.ReadBytes(L"modem.log");
    const size_t hangup = log.rfind("CALL mdmNetHangup");
    ASSERT_NE(hangup, std::string::npos);
    const size_t lastCall = log.rfind("CALL ", hangup - 1);
    ASSERT_NE(lastCall, std::string::npos);
    EXPECT_EQ(log.compare(lastCall, 25, "CALL mdmNetTransmitStatus"), 0)
        << "the call before the exit's hang-up: " << log.substr(lastCall, 60);
}

TEST_F(GoingOnlineTest, LostLinkIsHungUpRecordedAndNotRedialled) {
    SetSetting(L"AUTO_DIAL", L"1");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitState(IDS_DIAL_SUCCEEDED, 15000) || WaitState(IDS_NET_CONNECTED, 10000));
    EXPECT_TRUE(e2e::IsVisible(internetPage)) << "the automatic dial brings the internet page";
    Sleep(1000);
    ASSERT_EQ(Simctl(L"drop"), 0);
    const DWORD dropped = GetTickCount();
    ASSERT_TRUE(e2e::WaitUntil([&] { return !ReadNetRec(L"1").empty(); }, 10000));
    const DWORD noticed = GetTickCount() - dropped;
    Logf("lost link recorded after %lu ms", noticed);
    EXPECT_LT(noticed, 3000u + 2500u) << "the link check runs every 3 s; the hang-up takes 0.6 s";
    EXPECT_TRUE(WaitState(IDS_HANGUP_SUCCEEDED, 3000) || State() == SkinString(IDS_NET_DISCONNECTED));
    Sleep(8000);
    EXPECT_EQ(DialCalls(), 1) << "a lost link is not redialled";
    Close();
}

TEST_F(GoingOnlineTest, QuickFailuresRedialAfterFourAndSixteenSeconds) {
    SetSetting(L"AUTO_DIAL", L"1");
    SetIni(L"simcard.ini", L"DIAL", L"Progress", L"100,102");
    SetIni(L"simcard.ini", L"DIAL", L"StepDelayMs", L"50");
    SetIni(L"simcard.ini", L"DIAL", L"Outcome", L"4");
    SetIni(L"simcard.ini", L"DIAL", L"OutcomeDelayMs", L"100");
    const DWORD start = GetTickCount();
    ASSERT_NO_FATAL_FAILURE(Start());
    std::vector<DWORD> dials;
    int seen = 0;
    while (GetTickCount() - start < 32000) {
        int now = DialCalls();
        for (; seen < now; ++seen) dials.push_back(GetTickCount());
        Sleep(100);
    }
    for (size_t i = 1; i < dials.size(); ++i) Logf("redial %d after %lu ms", static_cast<int>(i), dials[i] - dials[i - 1]);
    ASSERT_EQ(dials.size(), 3u) << "the first dial and two redials, then no more";
    EXPECT_NEAR(static_cast<double>(dials[1] - dials[0]), 4300, 1200);
    EXPECT_NEAR(static_cast<double>(dials[2] - dials[1]), 16300, 1500);
    Close();
}

TEST_F(GoingOnlineTest, CtrlHeldAtStartSuppressesTheAutomaticDial) {
    // Under Wine a key pressed through SendInput alone is forgotten again as soon as a window of
    // the program takes the X focus (the key map is taken over from the X server then), so the
    // key is held in the X server itself with xdotool when it is there.
    const std::wstring xdotool = e2e::WindowsPath(L"/usr/bin/xdotool");
    if (GetFileAttributesW(xdotool.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no xdotool to hold Ctrl in the X server";
    SetSetting(L"AUTO_DIAL", L"1");
    if (e2e::RunProgram(xdotool, L"keydown ctrl") != 0)
        GTEST_SKIP() << "xdotool cannot be started from here to hold Ctrl in the X server";
    orvane = folder.Start(L"Orvane.exe");
    mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS);
    e2e::RunProgram(xdotool, L"keyup ctrl");
    ASSERT_NE(mainWindow, nullptr);
    HWND state = e2e::FindChild(mainWindow, IDC_INET_STATE);
    ASSERT_NE(state, nullptr);
    Sleep(3000);
    EXPECT_EQ(DialCalls(), 0);
    EXPECT_FALSE(e2e::IsVisible(state)) << "the home page shows instead of the internet page";
    Close();

    // Without Ctrl the same settings dial.
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(e2e::WaitUntil([&] { return DialCalls() == 1; }, 8000));
    Close();
}

TEST_F(GoingOnlineTest, MonthAlarmPopsUpAndSurvivesARestart) {
    SetSetting(L"MONTHALARM", L"1");
    SetIni(L"simcard.ini", L"TRAFFIC", L"RecvRate", L"400000");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    ASSERT_TRUE(WaitState(IDS_DIAL_SUCCEEDED, 15000) || WaitState(IDS_NET_CONNECTED, 10000));
    // 1 MB passes after about 2.6 s; the 5-second tick then shows the warning.
    HWND popup = nullptr;
    EXPECT_TRUE(e2e::WaitUntil([&] { return (popup = VisiblePopup()) != nullptr; }, 15000));
    if (popup) folder.Screenshot(L"month-alarm");
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    ASSERT_TRUE(e2e::WaitUntil([&] { return !ReadNetRec(L"monthrec").empty(); }, 10000));
    Logf("monthrec: %s", e2e::Utf8(ReadNetRec(L"monthrec")).c_str());
    Close();

    // The stored month total alone is over the limit: the next run warns without a connection.
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(e2e::WaitUntil([&] { return VisiblePopup() != nullptr; }, 12000));
    EXPECT_EQ(DialCalls(), 1);
    Close();
}

}  // namespace
