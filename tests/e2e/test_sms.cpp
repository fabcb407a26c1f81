// Short messages end to end: the list with names and its order, delete, reply, compose and send
// with each outcome, the text limit, a new message while online, batch sending and stopping it,
// and a card that lies about its messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;
using Rows = std::vector<std::vector<std::wstring>>;

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class SmsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        folder.Remove(L"modem.log");
        SetIni(L"SMS", L"SendDelayMs", L"100");
    SetIni(L"SMS", L"DeleteDelayMs", L"0");
        ClearSection(L"SMS_RECV");
        ClearSection(L"SMS_SENT");
    }
    void TearDown() override {
        if (orvane.Running()) orvane.Kill();
    }

    void SetIni(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
        ASSERT_TRUE(folder.SetIni(L"simcard.ini", section, key, value));
    }
    void ClearSection(const wchar_t* section) {
        WritePrivateProfileStringW(section, nullptr, nullptr, folder.File(L"simcard.ini").c_str());
    }
    std::wstring GetIni(const wchar_t* section, const wchar_t* key) {
        wchar_t value[2048] = {};
        GetPrivateProfileStringW(section, key, L"", value, 2048,
                                 folder.File(L"simcard.ini").c_str());
        return value;
    }
    // Keys of a card section, in file order.
    std::vector<std::wstring> Keys(const wchar_t* section) {
        std::vector<wchar_t> buffer(65536);
        const DWORD n = GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()),
                                                 folder.File(L"simcard.ini").c_str());
        std::vector<std::wstring> keys;
        for (DWORD at = 0; at < n && buffer[at];) {
            keys.emplace_back(buffer.data() + at);
            at += static_cast<DWORD>(keys.back().size()) + 1;
        }
        return keys;
    }
    std::wstring SkinString(UINT id) { return e2e::LoadSkinString(folder.File(L"skingb.dll"), id); }
    std::string Journal() { return folder.ReadBytes(L"modem.log"); }

    void Start() {
        orvane = folder.Start(L"Orvane.exe");
        mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS);
        ASSERT_NE(mainWindow, nullptr);
        list = e2e::WaitChild(mainWindow, IDC_SMSLIST_LIST);
        text = e2e::WaitChild(mainWindow, IDC_SMSSEND_TEXT);
        ASSERT_NE(list, nullptr);
        ASSERT_NE(text, nullptr);
        listPage = GetParent(list);
        composePage = GetParent(text);
        recipient = GetDlgItem(composePage, IDC_SMSSEND_RECIPIENT);
    }
    // The message page through the main window's button; the first opening reads the card.
    void OpenList(size_t rows) {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_SMS));
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(listPage); }, 5000));
        // The read is over once the card was asked for both lists and the rows are there.
        ASSERT_TRUE(e2e::WaitUntil(
            [&] {
                return Journal().find("CALL mdmSmsGetAllSendRec") != std::string::npos &&
                       e2e::ListViewRows(list).size() == rows;
            },
            15000))
            << e2e::ListViewRows(list).size() << " rows";
        Sleep(300);  // its status message comes right after
    }
    std::wstring Status() { return e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_STATUS)); }
    bool WaitStatus(const std::wstring& want, DWORD timeoutMs = 10000) {
        const bool seen = e2e::WaitUntil([&] { return Status() == want; }, timeoutMs);
        if (!seen)
            Logf("status is [%s], not [%s]", e2e::Utf8(Status()).c_str(), e2e::Utf8(want).c_str());
        return seen;
    }
    int ColumnWidth(int column) {
        DWORD_PTR width = 0;
        SendMessageTimeoutW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0,
                            SMTO_ABORTIFHUNG, 5000, &width);
        return static_cast<int>(width);
    }
    int Simctl(const std::wstring& args) {
        std::string output;
        int code = folder.Run(L"simctl.exe", args, &output, 30000);
        Logf("simctl %s -> %d %s", e2e::Utf8(args).c_str(), code, output.c_str());
        return code;
    }
    HWND VisiblePopup() {
        return e2e::FindWindowOf(orvane.Id(), [](HWND w) {
            return e2e::ClassOf(w) == L"OrvaneTaskbarNotifier" && IsWindowVisible(w);
        });
    }
    // Sends the compose page's fields and waits for the status line's answer.
    bool SendAndExpect(const std::wstring& to, const std::wstring& body, UINT stringId) {
        e2e::SetText(recipient, to);
        e2e::SetText(text, body);
        e2e::ClickId(composePage, IDC_SMSSEND_SEND);
        return WaitStatus(SkinString(stringId));
    }
    HWND OpenBatch() {
        EXPECT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_BATCH));
        return e2e::WaitDialogWith(orvane.Id(), IDC_BATCH_LOG, 10000);
    }
    // Types a number into the manual field and adds it: the send list grows by one line.
    void AddManual(HWND batch, const wchar_t* number) {
        HWND sendList = GetDlgItem(batch, IDC_BATCH_SEND_LIST);
        const size_t before = e2e::ListBoxRows(sendList).size();
        e2e::SetText(GetDlgItem(batch, IDC_BATCH_MANUAL), number);
        ASSERT_TRUE(e2e::ClickId(batch, IDC_BATCH_ADD));
        ASSERT_TRUE(
            e2e::WaitUntil([&] { return e2e::ListBoxRows(sendList).size() == before + 1; }, 5000));
        EXPECT_EQ(e2e::ListBoxRows(sendList).back(), number);
    }
    bool Responsive() {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(mainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored) !=
               0;
    }

    e2e::StagedFolder folder;
    e2e::Process orvane;
    HWND mainWindow = nullptr;
    HWND list = nullptr;
    HWND listPage = nullptr;
    HWND text = nullptr;
    HWND recipient = nullptr;
    HWND composePage = nullptr;
};

TEST_F(SmsTest, ListShowsNamesInOrderAndHidesTheTypeColumnForOneKind) {
    SetIni(L"SMS_RECV", L"1", L"10086|2024-05-01 09:30:00|尊敬的客户，您本月已使用流量1.2GB。");
    SetIni(L"SMS_RECV", L"2", L"13800138000|2024-05-02 18:05:12|晚上一起吃饭吗？");
    SetIni(L"SMS_RECV", L"3", L"13912345678|2024-05-01 09:30:00|同一时间的第二条");
    SetIni(L"SMS_SENT", L"1", L"13800138000|2024-04-30 08:00:00|好的，七点见。");
    SetIni(L"SMS_SENT", L"2", L"10086|2024-05-03 10:00:00|查询余额");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenList(5));

    // Received first, newest first (equal times in card order), then sent in card order; names
    // from the phone book, the bare number in the hidden last column.
    const Rows expected = {
        {L"张三", L"已收", L"2024-05-02 18:05:12", L"晚上一起吃饭吗？", L"13800138000"},
        {L"中国移动客服", L"已收", L"2024-05-01 09:30:00", L"尊敬的客户，您本月已使用流量1.2GB。",
         L"10086"},
        {L"13912345678", L"已收", L"2024-05-01 09:30:00", L"同一时间的第二条", L"13912345678"},
        {L"张三", L"已发", L"2024-04-30 08:00:00", L"好的，七点见。", L"13800138000"},
        {L"中国移动客服", L"已发", L"2024-05-03 10:00:00", L"查询余额", L"10086"},
    };
    EXPECT_EQ(e2e::ListViewRows(list), expected);
    EXPECT_EQ(ColumnWidth(1), 80);
    EXPECT_EQ(ColumnWidth(4), 0);
    folder.Screenshot(L"sms-list", mainWindow);

    // Both sent messages go; a new message makes the list read the card again: only received
    // messages now, so the type column is hidden.
    ASSERT_TRUE(e2e::ListViewSelectRows(list, {3, 4}));
    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_DELETE));
    EXPECT_TRUE(WaitStatus(L"操作成功"));
    EXPECT_EQ(e2e::ListViewRows(list).size(), 3u);
    EXPECT_TRUE(Keys(L"SMS_SENT").empty());

    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_BACK));
    ASSERT_EQ(Simctl(L"sms 10010 您好，新短信"), 0);
    HWND popup = nullptr;
    EXPECT_TRUE(e2e::WaitUntil([&] { return (popup = VisiblePopup()) != nullptr; }, 10000));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRows(list).size() == 4; }, 10000));
    EXPECT_TRUE(e2e::IsVisible(listPage));
    EXPECT_EQ(e2e::ListViewCell(list, 0, 0), L"10010");
    EXPECT_EQ(e2e::ListViewCell(list, 0, 3), L"您好，新短信");
    EXPECT_EQ(ColumnWidth(1), 0);
    if (popup) {
        // Once it has slid fully into view.
        e2e::WaitUntil(
            [&] {
                RECT r{};
                return GetWindowRect(popup, &r) && r.bottom <= GetSystemMetrics(SM_CYSCREEN);
            },
            3000);
        folder.Screenshot(L"sms-new-message-popup", popup);
    }
}

TEST_F(SmsTest, DeleteGoesFromTheLargestIdAndKeepsARefusedRow) {
    SetIni(L"SMS_RECV", L"1", L"10086|2024-05-03 00:00:00|一");
    SetIni(L"SMS_RECV", L"2", L"10086|2024-05-02 00:00:00|二");
    SetIni(L"SMS_RECV", L"3", L"10086|2024-05-01 00:00:00|三");
    SetIni(L"REFUSE", L"SmsRecv", L"2");
    SetIni(L"SMS", L"DeleteDelayMs", L"2000");  // a slow card: 4 s for the two it deletes
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenList(3));
    ASSERT_TRUE(e2e::ListViewSelectRows(list, {0, 1, 2}));
    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_DELETE));
    // While the card deletes, the window answers and keeps other card work away.
    DWORD_PTR ignored = 0;
    EXPECT_NE(SendMessageTimeoutW(mainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored), 0);
    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_DELETE));
    EXPECT_TRUE(WaitStatus(SkinString(IDS_BUSY_PORT), 3000));
    EXPECT_EQ(Journal().find("CALL mdmSmsDelRecvRec(1)"), std::string::npos) << "the deletion still runs";
    EXPECT_TRUE(WaitStatus(L"操作失败"));

    const Rows left = e2e::ListViewRows(list);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0][3], L"二");
    EXPECT_EQ(Keys(L"SMS_RECV"), std::vector<std::wstring>{L"2"});
    const std::string log = Journal();
    const size_t three = log.find("CALL mdmSmsDelRecvRec(3) = 0");
    const size_t two = log.find("CALL mdmSmsDelRecvRec(2) = 1");
    const size_t one = log.find("CALL mdmSmsDelRecvRec(1) = 0");
    ASSERT_NE(three, std::string::npos);
    ASSERT_NE(two, std::string::npos);
    ASSERT_NE(one, std::string::npos);
    EXPECT_LT(three, two);
    EXPECT_LT(two, one);
}

TEST_F(SmsTest, DoubleClickRepliesAndNewStartsEmpty) {
    SetIni(L"SMS_RECV", L"1", L"13800138000|2024-05-02 18:05:12|晚上一起吃饭吗？\\n七点，老地方。");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenList(1));
    ASSERT_TRUE(e2e::ListViewSelect(list, 0));
    ASSERT_TRUE(e2e::PostClick(list, e2e::ListViewRowPoint(list, 0), true));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(composePage); }, 5000));
    EXPECT_EQ(e2e::Text(recipient), L"13800138000");  // the number, not the name shown
    EXPECT_EQ(e2e::Text(text), L"晚上一起吃饭吗？\r\n七点，老地方。");
    folder.Screenshot(L"sms-compose-reply", mainWindow);

    // Cancel goes back to the page that opened the compose page; "add" opens it empty.
    ASSERT_TRUE(e2e::ClickId(composePage, IDC_SMSSEND_CANCEL));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(listPage); }, 5000));
    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_NEW));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(composePage); }, 5000));
    EXPECT_EQ(e2e::Text(recipient), L"");
    EXPECT_EQ(e2e::Text(text), L"");
    folder.Screenshot(L"sms-compose-send", mainWindow);
}

TEST_F(SmsTest, SendReportsEachOutcomeAndSendsTheNumberOfAPick) {
    SetIni(L"SMS_RESULT", L"10001", L"2");
    SetIni(L"SMS_RESULT", L"10002", L"3");
    SetIni(L"SMS_RESULT", L"10003", L"4");
    SetIni(L"SMS_RESULT", L"10004", L"9");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenList(0));
    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_NEW));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(composePage); }, 5000));

    EXPECT_TRUE(SendAndExpect(L"", L"你好", IDS_SMS_RECIPIENT_EMPTY));
    EXPECT_TRUE(SendAndExpect(L"10086", L"", IDS_SMS_TEXT_EMPTY));
    EXPECT_EQ(Count(Journal(), "CALL mdmSmsSend"), 0);

    // A pick from the drop-down reads "name,number": the number is sent. Enter in the text
    // starts a new line.
    e2e::SetText(recipient, L"张三,13800138000");
    e2e::SetText(text, L"明天见");
    SendMessageW(text, EM_SETSEL, 2, 2);
    ASSERT_TRUE(e2e::PressKey(text, VK_RETURN));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::Text(text) == L"明天\r\n见"; }, 5000))
        << e2e::Utf8(e2e::Text(text));
    ASSERT_TRUE(e2e::ClickId(composePage, IDC_SMSSEND_SEND));
    EXPECT_TRUE(WaitStatus(SkinString(IDS_SMS_SENT)));
    EXPECT_EQ(SkinString(IDS_SMS_SENT), L"短信发送成功!");
    EXPECT_NE(
        Journal().find(e2e::ToAnsi(L"CALL mdmSmsSend(\"13800138000\",\"明天\\r\\n见\",0) = 0")),
        std::string::npos);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(composePage, IDC_SMSSEND_SEND)));
    EXPECT_EQ(e2e::Text(recipient), L"张三,13800138000");  // the fields keep their texts

    EXPECT_TRUE(SendAndExpect(L"10001", L"x", IDS_NO_MODEM));
    EXPECT_TRUE(SendAndExpect(L"10002", L"x", IDS_NO_SIM_CARD));
    EXPECT_TRUE(SendAndExpect(L"10003", L"x", IDS_NO_SIGNAL));
    EXPECT_TRUE(SendAndExpect(L"10004", L"x", IDS_SMS_SEND_FAILED));
    EXPECT_EQ(Keys(L"SMS_SENT").size(), 1u) << "only the message that went is kept";

    // The list reads the card again when shown next.
    ASSERT_TRUE(e2e::ClickId(composePage, IDC_SMSSEND_CANCEL));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRows(list).size() == 1; }, 10000));
    EXPECT_EQ(e2e::ListViewCell(list, 0, 4), L"13800138000");
}

TEST_F(SmsTest, TextsUpTo1024BytesAreSentAndLongerOnesRefused) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenList(0));
    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_NEW));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(composePage); }, 5000));

    // Exactly 1024 bytes go, and the card keeps them as parts of one message.
    std::wstring longest(1018, L'a');
    longest += L"中文汉";  // 6 bytes in the ANSI code page
    EXPECT_TRUE(SendAndExpect(L"10086", longest, IDS_SMS_SENT));
    EXPECT_EQ(Keys(L"SMS_SENT").size(), 7u);  // 163 bytes per record
    // The field takes no more than 1024 characters from the keyboard.
    e2e::SetText(text, std::wstring(1024, L'b'));
    e2e::TypeChars(text, L"c");
    Sleep(300);
    EXPECT_EQ(e2e::Text(text).size(), 1024u);

    // 1026 bytes: the standard prompt, and nothing is sent.
    const int sendsBefore = Count(Journal(), "CALL mdmSmsSend");
    e2e::SetText(text, std::wstring(513, L'中'));
    ASSERT_TRUE(e2e::ClickId(composePage, IDC_SMSSEND_SEND));
    const e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 10000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, L"“请填入不多于1024个的字符。”");
    EXPECT_TRUE(e2e::AnswerMessageBox(box, IDOK));
    Sleep(500);
    EXPECT_EQ(Count(Journal(), "CALL mdmSmsSend"), sendsBefore);
}

TEST_F(SmsTest, NewMessageWhileOnlineHangsUpThenAnnouncesAndLists) {
    SetIni(L"DIAL", L"StepDelayMs", L"100");
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND connect = e2e::FindChild(mainWindow, IDC_INET_CONNECT);
    HWND internetPage = GetParent(connect);
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            const std::wstring state = e2e::Text(GetDlgItem(internetPage, IDC_INET_STATE));
            return state == L"拨号成功" || state == L"已连接";
        },
        15000));

    ASSERT_EQ(Simctl(L"sms 10086 流量提醒"), 0);
    HWND popup = nullptr;
    EXPECT_TRUE(e2e::WaitUntil([&] { return (popup = VisiblePopup()) != nullptr; }, 10000));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(listPage); }, 5000));
    // The card is read once the hang-up is over.
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRows(list).size() == 1; }, 15000));
    EXPECT_EQ(e2e::ListViewCell(list, 0, 3), L"流量提醒");
    const std::string log = Journal();
    const size_t hangup = log.find("CALL mdmNetHangup");
    const size_t read = log.find("CALL mdmSmsGetAllRecvRec");
    ASSERT_NE(hangup, std::string::npos);
    ASSERT_NE(read, std::string::npos);
    EXPECT_LT(hangup, read);
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return e2e::Text(GetDlgItem(internetPage, IDC_INET_STATE)) != L"已连接"; }, 5000));
}

TEST_F(SmsTest, BatchLogsEachSendAndTheSummary) {
    SetIni(L"SMS", L"SendDelayMs", L"600");
    SetIni(L"SMS_RESULT", L"10002", L"1");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenList(0));
    HWND batch = OpenBatch();
    ASSERT_NE(batch, nullptr);
    HWND book = GetDlgItem(batch, IDC_BATCH_PHONEBOOK);
    HWND sendList = GetDlgItem(batch, IDC_BATCH_SEND_LIST);
    HWND log = GetDlgItem(batch, IDC_BATCH_LOG);

    // Nothing to send yet: the two questions.
    ASSERT_TRUE(e2e::ClickId(batch, IDC_BATCH_SEND));
    e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 10000);
    EXPECT_EQ(box.text, L"您没有填写发送内容!");
    e2e::AnswerMessageBox(box, IDOK);
    e2e::SetText(GetDlgItem(batch, IDC_BATCH_TEXT), L"群发测试");
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return e2e::WaitMessageBox(orvane.Id(), 100).window == nullptr; }, 5000));
    ASSERT_TRUE(e2e::ClickId(batch, IDC_BATCH_SEND));
    box = e2e::WaitMessageBox(orvane.Id(), 10000);
    EXPECT_EQ(box.text, L"接收列表不能为空!");
    e2e::AnswerMessageBox(box, IDOK);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return e2e::WaitMessageBox(orvane.Id(), 100).window == nullptr; }, 5000));

    // The first number from the phone book (the text after the comma), two typed; one extra
    // number added and taken off again with a double click.
    const std::vector<std::wstring> entries = e2e::ListBoxRows(book);
    int zhang = -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == L"张三,13800138000") zhang = static_cast<int>(i);
    ASSERT_GE(zhang, 0) << "phone book lines: " << entries.size();
    ASSERT_TRUE(e2e::ListBoxSelect(book, zhang));
    PostMessageW(batch, WM_COMMAND, MAKEWPARAM(IDC_BATCH_PHONEBOOK, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(book));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListBoxRows(sendList).size() == 1; }, 5000));
    for (const wchar_t* number : {L"10002", L"10003", L"99999"})
        ASSERT_NO_FATAL_FAILURE(AddManual(batch, number));
    ASSERT_TRUE(e2e::ListBoxSelect(sendList, 3));
    PostMessageW(batch, WM_COMMAND, MAKEWPARAM(IDC_BATCH_SEND_LIST, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(sendList));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ListBoxRows(sendList).size() == 3; }, 5000));
    EXPECT_EQ(e2e::ListBoxRows(sendList),
              (std::vector<std::wstring>{L"13800138000", L"10002", L"10003"}));

    ASSERT_TRUE(e2e::ClickId(batch, IDC_BATCH_SEND));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return e2e::Text(log).find(L"发送成功") != std::wstring::npos; }, 10000));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(batch, IDC_BATCH_SEND)));
    folder.Screenshot(L"sms-batch-running", batch);
    const std::wstring expected =
        L"正在发送到 13800138000 ...\r\n发送成功\r\n正在发送到 10002 ...\r\n发送失败\r\n"
        L"正在发送到 10003 ...\r\n发送成功\r\n已成功发送短信 2 条\r\n";
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::Text(log) == expected; }, 15000))
        << e2e::Utf8(e2e::Text(log));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return IsWindowEnabled(GetDlgItem(batch, IDC_BATCH_SEND)) != FALSE; }, 5000));
    folder.Screenshot(L"sms-batch-done", batch);

    ASSERT_TRUE(e2e::ClickId(batch, IDC_BATCH_BACK));
    EXPECT_TRUE(e2e::WaitGone(batch, 5000));
    // The run marked the list for a reload: shown again, it lists the two messages that went.
    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_BACK));
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_SMS));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ListViewRows(list).size() == 2; }, 10000));
}

TEST_F(SmsTest, ClosingTheBatchMidRunStopsIt) {
    SetIni(L"SMS", L"SendDelayMs", L"2000");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenList(0));
    HWND batch = OpenBatch();
    ASSERT_NE(batch, nullptr);
    for (const wchar_t* number : {L"10001", L"10002", L"10003"})
        ASSERT_NO_FATAL_FAILURE(AddManual(batch, number));
    e2e::SetText(GetDlgItem(batch, IDC_BATCH_TEXT), L"不会发完");
    ASSERT_TRUE(e2e::ClickId(batch, IDC_BATCH_SEND));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            return e2e::Text(GetDlgItem(batch, IDC_BATCH_LOG)).find(L"正在发送到 10001") !=
                   std::wstring::npos;
        },
        5000));

    // The close waits for the send under way and keeps the program answering meanwhile.
    PostMessageW(batch, WM_CLOSE, 0, 0);
    Sleep(300);
    EXPECT_TRUE(Responsive());
    EXPECT_TRUE(e2e::WaitGone(batch, 10000));
    EXPECT_EQ(Count(Journal(), "CALL mdmSmsSend"), 1);
    Sleep(4500);  // two more sends' time: none comes
    EXPECT_EQ(Count(Journal(), "CALL mdmSmsSend"), 1);
    EXPECT_TRUE(Responsive());
    EXPECT_TRUE(orvane.Running());

    // The sending flag is down again: the dialog opens once more.
    batch = OpenBatch();
    ASSERT_NE(batch, nullptr);
    ASSERT_TRUE(e2e::ClickId(batch, IDC_BATCH_BACK));
    EXPECT_TRUE(e2e::WaitGone(batch, 5000));
}

TEST_F(SmsTest, LyingCardLeavesTheProgramRunning) {
    SetIni(L"SMS_RECV", L"1", L"10086|2024-05-01 09:30:00|一条真的短信");
    SetIni(L"SMS_SENT", L"1", L"10086|2024-05-01 09:31:00|回一条");
    SetIni(L"SMS", L"LieRecvCount", L"100");
    SetIni(L"SMS", L"LieSentCount", L"100");
    SetIni(L"SMS", L"LieFillAll", L"1");
    SetIni(L"SMS", L"LieIds", L"1");
    SetIni(L"SMS", L"LieUnterminated", L"1");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenList(64));
    for (const auto& row : e2e::ListViewRows(list)) {
        ASSERT_EQ(row.size(), 5u);
        EXPECT_LE(e2e::ToAnsi(row[4]).size(), 16u);
        EXPECT_LE(e2e::ToAnsi(row[3]).size(), 164u);
    }
    // Deleting rows with identifiers the card never gave out fails cleanly.
    ASSERT_TRUE(e2e::ListViewSelectRows(list, {0, 1, 2}));
    ASSERT_TRUE(e2e::ClickId(listPage, IDC_SMSLIST_DELETE));
    EXPECT_TRUE(WaitStatus(L"操作失败"));

    // Negative counts and a fault in the received read: nothing read, the list stays.
    SetIni(L"SMS", L"LieRecvCount", L"-7");
    SetIni(L"SMS", L"LieSentCount", L"-3");
    SetIni(L"SMS", L"LieFillAll", L"0");
    ASSERT_EQ(Simctl(L"sms 10010 再来一条"), 0);
    EXPECT_TRUE(WaitStatus(L"读取失败或记录为空", 15000));
    SetIni(L"FAULT", L"mdmSmsGetAllRecvRec", L"1");
    ASSERT_EQ(Simctl(L"sms 10010 又一条"), 0);
    EXPECT_TRUE(
        e2e::WaitUntil([&] { return Journal().find("File=") != std::string::npos; }, 15000));
    EXPECT_TRUE(WaitStatus(L"读取失败或记录为空", 15000));
    EXPECT_EQ(e2e::ListViewRows(list).size(), 64u);
    EXPECT_TRUE(Responsive());
    EXPECT_TRUE(orvane.Running());
}

}  // namespace
