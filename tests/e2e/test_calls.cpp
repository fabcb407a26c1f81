// Voice calls end to end with the simulated card: ringing, answering, DTMF, the ends of a call,
// the unanswered-call timer, a ring while online, failed calls, the call records and a lying card.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

constexpr wchar_t kPopupClass[] = L"OrvaneTaskbarNotifier";

class CallsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        folder.Remove(L"modem.log");
        // The other party answers only when a test says so.
        SetCard(L"VOICE", L"RemoteAnswer", L"0");
        SetCard(L"DIAL", L"StepDelayMs", L"100");
        // The card is read during start-up, so no reader holds the port when a test begins.
        SetSetting(L"INITDATA", L"1");
    }
    void TearDown() override {
        if (orvane.Running()) orvane.Kill();
    }

    void SetCard(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        ASSERT_TRUE(folder.SetIni(L"simcard.ini", section, key, value));
    }
    void SetSetting(const wchar_t* key, const std::wstring& value) {
        ASSERT_TRUE(folder.SetIni(L"modem.ini", L"SETTING", key, value));
    }
    std::wstring S(UINT id) { return e2e::LoadSkinString(folder.File(L"skingb.dll"), id); }

    HWND PageWith(int controlId) {
        HWND control = e2e::FindChild(mainWindow, controlId);
        return control ? GetParent(control) : nullptr;
    }
    void Start() {
        orvane = folder.Start(L"Orvane.exe");
        mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS);
        ASSERT_NE(mainWindow, nullptr);
        callPage = GetParent(e2e::WaitChild(mainWindow, IDC_CALL_DIAL));
        recordsPage = GetParent(e2e::WaitChild(mainWindow, IDC_CALLREC_LIST));
        ASSERT_TRUE(callPage && recordsPage);
    }
    void OpenCallPage() {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CALL));
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(callPage); }, 5000));
    }
    void Close() {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
        EXPECT_TRUE(orvane.WaitExit(20000));
    }

    HWND Call(int id) { return GetDlgItem(callPage, id); }
    std::wstring Number() { return e2e::Text(Call(IDC_CALL_NUMBER)); }
    std::wstring Status() { return e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_STATUS)); }
    // Status texts of kinds 1 and 3 go after 5 s: polled often enough not to miss them.
    bool WaitStatus(UINT id, DWORD timeoutMs = 8000) {
        const std::wstring want = S(id);
        bool seen = e2e::WaitUntil([&] { return Status() == want; }, timeoutMs);
        if (!seen)
            Logf("status is [%s], waited for [%s]", e2e::Utf8(Status()).c_str(),
                 e2e::Utf8(want).c_str());
        return seen;
    }
    HWND VisiblePopup() {
        return e2e::FindWindowOf(orvane.Id(), [](HWND w) {
            return e2e::ClassOf(w) == kPopupClass && IsWindowVisible(w);
        });
    }
    int Simctl(const std::wstring& args) {
        std::string output;
        int code = folder.Run(L"simctl.exe", args, &output, 30000);
        Logf("simctl %s -> %d %s", e2e::Utf8(args).c_str(), code, output.c_str());
        return code;
    }
    std::string Journal() { return folder.ReadBytes(L"modem.log"); }
    int JournalCount(const std::string& what) {
        const std::string log = Journal();
        int count = 0;
        for (size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1))
            ++count;
        return count;
    }
    bool WaitJournal(const std::string& what, int count = 1, DWORD timeoutMs = 8000) {
        return e2e::WaitUntil([&] { return JournalCount(what) >= count; }, timeoutMs);
    }
    std::vector<unsigned char> DialLook() { return e2e::WindowPixels(Call(IDC_CALL_DIAL)); }

    e2e::StagedFolder folder;
    e2e::Process orvane;
    HWND mainWindow = nullptr;
    HWND callPage = nullptr;
    HWND recordsPage = nullptr;
};

TEST_F(CallsTest, IncomingCallIsAnsweredCarriesTonesAndEndsWhenTheOtherSideHangsUp) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenCallPage());
    EXPECT_TRUE(IsWindowEnabled(Call(IDC_CALL_DIAL)));
    folder.Screenshot(L"call-idle", mainWindow);
    const std::vector<unsigned char> idleLook = DialLook();
    ASSERT_FALSE(idleLook.empty());

    ASSERT_EQ(Simctl(L"ring 13912345678"), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return VisiblePopup() != nullptr; }, 5000))
        << "the incoming-call popup";
    EXPECT_TRUE(e2e::WaitUntil([&] { return Number() == L"13912345678"; }, 5000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return DialLook() != idleLook; }, 5000)) << "the ringing look";
    Sleep(1300);  // the popup slides out in one second
    folder.Screenshot(L"call-ringing");

    // Answering: the card connects the call (event 2), which disables the call button.
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_DIAL));
    EXPECT_TRUE(WaitJournal("CALL mdmVoiceCallAccept() = 0"));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindowEnabled(Call(IDC_CALL_DIAL)); }, 5000));
    EXPECT_TRUE(WaitStatus(IDS_CALL_CONNECTED));

    // Keys send tones during the call and leave the number alone; backspace does nothing.
    for (int key : {IDC_CALL_KEY_5, IDC_CALL_KEY_HASH, IDC_CALL_BACKSPACE})
        ASSERT_TRUE(e2e::ClickId(callPage, key));
    EXPECT_TRUE(WaitJournal("DTMF #"));
    EXPECT_EQ(JournalCount("DTMF 5"), 1);
    EXPECT_EQ(JournalCount("CALL mdmVoiceSendDtmf("), 2);
    EXPECT_EQ(Number(), L"13912345678");
    folder.Screenshot(L"call-in-call", mainWindow);

    ASSERT_EQ(Simctl(L"hangup"), 0);
    EXPECT_TRUE(WaitStatus(IDS_CALL_REMOTE_HANGUP));
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowEnabled(Call(IDC_CALL_DIAL)); }, 5000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return DialLook() == idleLook; }, 5000))
        << "back to the idle look";

    // Idle again: the keypad types into the number field, up to 16 characters.
    e2e::SetText(Call(IDC_CALL_NUMBER), L"");
    for (int i = 0; i < 17; ++i)
        ASSERT_TRUE(e2e::ClickId(callPage, i % 2 ? IDC_CALL_KEY_0 : IDC_CALL_KEY_9));
    EXPECT_TRUE(e2e::WaitUntil([&] { return Number().size() == 16; }, 5000)) << e2e::Utf8(Number());
    Sleep(300);
    EXPECT_EQ(Number(), L"9090909090909090");
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_BACKSPACE));
    EXPECT_TRUE(e2e::WaitUntil([&] { return Number() == L"909090909090909"; }, 5000));
    Close();
}

TEST_F(CallsTest, UnansweredRingIsHungUpAfterThirtySecondsAndASecondRingRestartsTheWait) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const DWORD start = GetTickCount();
    ASSERT_EQ(Simctl(L"ring 10010"), 0);
    // The ring brings the window and the call page up by itself.
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(callPage); }, 5000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return VisiblePopup() != nullptr; }, 5000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return VisiblePopup() == nullptr; }, 10000))
        << "the popup goes by itself";

    Sleep(12000 - (GetTickCount() - start));
    ASSERT_EQ(Simctl(L"ring 10010"), 0) << "the card rings again";
    Sleep(1500);
    EXPECT_EQ(VisiblePopup(), nullptr) << "no second popup for the same call";

    // Without the second ring the page would hang up at 30 s; the second one moved that to 42 s.
    Sleep(33000 - (GetTickCount() - start));
    EXPECT_EQ(JournalCount("CALL mdmVoiceShutdown"), 0) << "still ringing after 33 s";
    EXPECT_TRUE(WaitJournal("CALL mdmVoiceShutdown", 1, 20000));
    EXPECT_TRUE(WaitStatus(IDS_CALL_HUNG_UP));
    Logf("hung up %lu ms after the first ring", GetTickCount() - start);
    Close();
}

TEST_F(CallsTest, RingWhileOnlineHangsUpTheDataConnectionFirst) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    HWND internetPage = PageWith(IDC_INET_CONNECT);
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    const std::wstring connected = S(IDS_DIAL_SUCCEEDED);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return e2e::Text(e2e::FindChild(mainWindow, IDC_INET_STATE)) == connected; }, 15000));
    Sleep(500);

    ASSERT_EQ(Simctl(L"ring 10086"), 0);
    EXPECT_TRUE(WaitJournal("CALL mdmNetHangup"));
    const std::string log = Journal();
    EXPECT_LT(log.find("CALLBACK event(1,"), log.find("CALL mdmNetHangup"))
        << "the ring takes the link down";
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(callPage); }, 5000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return Number() == L"10086"; }, 5000));

    // Hang-up waits for the data connection to be down; then it ends the ring.
    EXPECT_TRUE(WaitJournal("CALLBACK dial(8)"));
    Sleep(500);
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_HANGUP));
    EXPECT_TRUE(WaitStatus(IDS_CALL_HUNG_UP));
    EXPECT_EQ(JournalCount("CALL mdmVoiceShutdown"), 1);
    Close();
}

TEST_F(CallsTest, FailedCallKeepsOtherCardOperationsAwayUntilHangUp) {
    SetCard(L"VOICE", L"CallResult", L"9");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenCallPage());
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_DIAL));
    Sleep(500);
    EXPECT_EQ(JournalCount("CALL mdmVoiceCall"), 0) << "an empty number calls nobody";

    e2e::SetText(Call(IDC_CALL_NUMBER), L"10086");
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_DIAL));
    EXPECT_TRUE(WaitJournal("CALL mdmVoiceCall(\"10086\") = 9"));
    EXPECT_TRUE(WaitStatus(IDS_CALL_FAILED));

    // The voice-busy flag stays: the internet page's dial and the records page's delete refuse.
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    HWND internetPage = PageWith(IDC_INET_CONNECT);
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    EXPECT_TRUE(WaitStatus(IDS_BUSY_CALL));
    EXPECT_EQ(JournalCount("CALL mdmNetDial2"), 0);
    ASSERT_NO_FATAL_FAILURE(OpenCallPage());
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_RECORDS));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(recordsPage); }, 5000));
    HWND list = GetDlgItem(recordsPage, IDC_CALLREC_LIST);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRows(list).size() == 3; }, 8000));
    ASSERT_TRUE(e2e::ListViewSelect(list, 0));
    ASSERT_TRUE(e2e::ClickId(recordsPage, IDC_CALLREC_DELETE));
    EXPECT_TRUE(WaitStatus(IDS_BUSY_CALL));
    EXPECT_EQ(JournalCount("CALL mdmVoiceDelRec"), 0);

    ASSERT_TRUE(e2e::ClickId(recordsPage, IDC_CALLREC_BACK));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(callPage); }, 5000));
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_HANGUP));
    EXPECT_TRUE(WaitStatus(IDS_CALL_HUNG_UP));
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    EXPECT_TRUE(WaitJournal("CALL mdmNetDial2")) << "after the hang-up the card is free again";
    Close();
}

TEST_F(CallsTest, RecordsAreListedCalledBackAndDeletedFromTheBottomUp) {
    // Numbers the phone book does not know: the party column shows them.
    SetCard(L"CALLS", L"1", L"0|13700000001|65|2024-05-02 12:00:01");
    SetCard(L"CALLS", L"2", L"1|13700000002|120|2024-05-03 08:15:30");
    SetCard(L"CALLS", L"3", L"7|13700000003|0|2024-05-03 20:45:00");
    SetCard(L"REFUSE", L"Calls", L"2");
    SetSetting(L"INITDATA", L"0");  // read by the preload worker when the call page first opens
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenCallPage());
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_RECORDS));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(recordsPage); }, 5000));
    HWND list = GetDlgItem(recordsPage, IDC_CALLREC_LIST);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRows(list).size() == 3; }, 8000))
        << "the preload read them";
    const auto rows = e2e::ListViewRows(list);
    EXPECT_EQ(rows[0], (std::vector<std::wstring>{L"13700000001", L"呼出", L"2024-05-02 12:00:01",
                                                  L"65", L"13700000001"}));
    EXPECT_EQ(rows[1][1], L"接入");
    EXPECT_EQ(rows[2][1], L"未接") << "an unknown type is a missed call";
    folder.Screenshot(L"call-records", mainWindow);

    // Call back places the call from the call page.
    ASSERT_TRUE(e2e::ListViewSelect(list, 1));
    ASSERT_TRUE(e2e::ClickId(recordsPage, IDC_CALLREC_CALLBACK));
    EXPECT_TRUE(WaitJournal("CALL mdmVoiceCall(\"13700000002\") = 0"));
    EXPECT_TRUE(e2e::IsVisible(callPage));
    EXPECT_EQ(Number(), L"13700000002");
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_HANGUP));
    EXPECT_TRUE(WaitStatus(IDS_CALL_HUNG_UP));

    // Back on the records page, the list is read again: the card has kept the new call.
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_RECORDS));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRows(list).size() == 4; }, 8000));
    EXPECT_EQ(e2e::ListViewCell(list, 3, 0), L"13700000002");
    ASSERT_TRUE(e2e::ListViewSelectRows(list, {0, 1, 3}));
    ASSERT_TRUE(e2e::ClickId(recordsPage, IDC_CALLREC_DELETE));
    EXPECT_TRUE(WaitStatus(IDS_OPERATION_OK));
    const std::string log = Journal();
    const size_t four = log.find("CALL mdmVoiceDelRec(4)"),
                 two = log.find("CALL mdmVoiceDelRec(2)"), one = log.find("CALL mdmVoiceDelRec(1)");
    ASSERT_NE(four, std::string::npos);
    ASSERT_NE(two, std::string::npos);
    ASSERT_NE(one, std::string::npos);
    EXPECT_LT(four, two);
    EXPECT_LT(two, one);
    const auto left = e2e::ListViewRows(list);
    ASSERT_EQ(left.size(), 2u) << "the refused deletion leaves its row";
    EXPECT_EQ(left[0][4], L"13700000002");
    EXPECT_EQ(left[1][4], L"13700000003");
    Close();
}

TEST_F(CallsTest, LyingCardLeavesTheProgramRunning) {
    for (int i = 1; i <= 25; ++i)
        SetCard(L"CALLS", std::to_wstring(i).c_str(),
                L"2|1360000000" + std::to_wstring(i % 10) + L"|1|t");
    SetCard(L"VOICE", L"ReportedRecords", L"100000");
    SetCard(L"VOICE", L"OverrunRecords", L"20");
    SetCard(L"VOICE", L"UnterminatedTexts", L"1");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenCallPage());
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_RECORDS));
    HWND list = GetDlgItem(recordsPage, IDC_CALLREC_LIST);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRows(list).size() == 20; }, 8000));
    Sleep(300);
    const auto rows = e2e::ListViewRows(list);
    ASSERT_EQ(rows.size(), 20u) << "never more than the 20 records the buffer holds";
    EXPECT_EQ(rows[0][4], L"1360000000199999") << "the number ends with its field";
    EXPECT_EQ(rows[0][2].size(), 32u);

    // Caller numbers at unreadable memory, without a terminator, or right before unreadable memory.
    struct Lie {
        const wchar_t* ringText;
        std::wstring number;
    };
    const Lie lies[] = {
        {L"bad", L""}, {L"long", std::wstring(64, L'8')}, {L"edge", L""}, {L"", L""}};
    ASSERT_TRUE(e2e::ClickId(recordsPage, IDC_CALLREC_BACK));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(callPage); }, 5000));
    const std::vector<unsigned char> idleLook = DialLook();
    for (const Lie& lie : lies) {
        SCOPED_TRACE(e2e::Utf8(lie.ringText));
        SetCard(L"VOICE", L"RingText", lie.ringText);
        // The last one: a raw ring whose text argument is a small number, not a pointer at all.
        ASSERT_EQ(Simctl(*lie.ringText ? L"ring 10086" : L"event 1 12345"), 0);
        EXPECT_TRUE(e2e::WaitUntil([&] { return DialLook() != idleLook; }, 5000)) << "it rings";
        EXPECT_EQ(Number(), lie.number);
        ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_HANGUP));
        EXPECT_TRUE(e2e::WaitUntil([&] { return DialLook() == idleLook; }, 5000));
        ASSERT_TRUE(orvane.Running());
    }

    // Faults inside the voice entries are failed calls; the failed call keeps the line until
    // hang-up.
    SetCard(L"FAULT", L"mdmVoiceCall", L"1");
    SetCard(L"FAULT", L"mdmVoiceGetAllRec", L"1");
    e2e::SetText(Call(IDC_CALL_NUMBER), L"10086");
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_DIAL));
    EXPECT_TRUE(WaitStatus(IDS_CALL_FAILED));
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_HANGUP));
    EXPECT_TRUE(WaitStatus(IDS_CALL_HUNG_UP));
    ASSERT_TRUE(e2e::ClickId(callPage, IDC_CALL_RECORDS));
    EXPECT_TRUE(WaitStatus(IDS_READ_FAILED_OR_EMPTY)) << "the call attempt asked for a new read";
    EXPECT_EQ(e2e::ListViewRows(list).size(), 20u) << "a failed read leaves the rows";
    EXPECT_GE(JournalCount("= FAULT"), 2);
    ASSERT_TRUE(orvane.Running());
    Close();
}

}  // namespace
