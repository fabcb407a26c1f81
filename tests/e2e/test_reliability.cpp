// Reliability end to end: a card lying about everything, and a fault in every module entry.
//
// A card lies about everything at once while the user opens every page; an access violation is
// raised inside each modem module entry in turn, reached through the user action that calls it,
// logged by its caller and survived.
//
// Of the 42 entries the program binds, 35 are reached here: 34 by Orvane and mdmPinVerify by
// Pin.exe (the PIN step Orvane starts). Seven are bound but never called by either program, so no
// action can reach a fault in them: mdmGetRegStatus, mdmPinEnable, mdmPinDisable, mdmPinChange,
// mdmPinUnblock, mdmSetLogFileName and mdmClearLog.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "pin/PinResource.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

class ReliabilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        folder.Remove(L"modem.log");
        SetCard(L"DIAL", L"StepDelayMs", L"100");
        SetCard(L"DIAL", L"OutcomeDelayMs", L"200");
        SetCard(L"SMS", L"SendDelayMs", L"100");
        SetCard(L"VOICE", L"RemoteAnswer", L"0");
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
    std::string Journal() { return folder.ReadBytes(L"modem.log"); }
    int Simctl(const std::wstring& args) {
        std::string output;
        const int code = folder.Run(L"simctl.exe", args, &output, 60000);
        Logf("simctl %s -> %d %s", e2e::Utf8(args).c_str(), code, output.c_str());
        return code;
    }

    void WaitMain() {
        mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS, 60000);
        ASSERT_NE(mainWindow, nullptr);
        ASSERT_NO_FATAL_FAILURE(FindPages());
    }
    void Start() {
        orvane = folder.Start(L"Orvane.exe");
        ASSERT_NO_FATAL_FAILURE(WaitMain());
    }
    // The pages, each found by a control id no other window of the program uses (many ids are
    // shared between pages and the main window, so every control is looked up in its own page).
    void FindPages() {
        const auto pageWith = [&](int id) {
            HWND control = e2e::WaitChild(mainWindow, id);
            return control ? GetParent(control) : nullptr;
        };
        book = pageWith(IDC_PB_LIST);
        editor = pageWith(IDC_PBEDIT_NAME);
        smsList = pageWith(IDC_SMSLIST_LIST);
        compose = pageWith(IDC_SMSSEND_SEND);
        call = pageWith(IDC_CALL_DIAL);
        records = pageWith(IDC_CALLREC_LIST);
        account = pageWith(IDC_ACCOUNT_DEFAULT);
        internet = pageWith(IDC_INET_CONNECT);
        ASSERT_TRUE(book && editor && smsList && compose && call && records && account && internet);
    }
    static HWND Item(HWND page, int id) { return GetDlgItem(page, id); }
    static void Press(HWND page, int id) { ASSERT_TRUE(e2e::ClickId(page, id)); }
    static size_t Rows(HWND page, int listId) {
        return e2e::ListViewRows(Item(page, listId)).size();
    }
    static bool WaitShown(HWND page) {
        return e2e::WaitUntil([&] { return e2e::IsVisible(page); }, 5000);
    }
    void Show(int mainButton, HWND page) {
        ASSERT_TRUE(e2e::ClickId(mainWindow, mainButton));
        ASSERT_TRUE(WaitShown(page));
    }
    std::wstring Status() { return e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_STATUS)); }
    bool WaitStatus(UINT id, DWORD timeoutMs = 10000) {
        const std::wstring want = S(id);
        return e2e::WaitUntil([&] { return Status() == want; }, timeoutMs);
    }
    bool Responsive() {
        DWORD_PTR ignored = 0;
        return orvane.Running() && SendMessageTimeoutW(mainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                                       5000, &ignored) != 0;
    }

    // ---- Faults

    void Inject(const std::string& entry) {
        ASSERT_EQ(Simctl(L"set FAULT " + e2e::Wide(entry) + L" 1"), 0);
    }
    void Heal(const std::string& entry) {
        ASSERT_EQ(Simctl(L"set FAULT " + e2e::Wide(entry) + L" 0"), 0);
    }
    // True once the journal shows, after `from`, the entry raising its fault and after that the
    // caller's "File=...,Line=..." line naming `unit` (the source file or its own name for it).
    bool FaultLogged(const std::string& entry, const std::string& unit, size_t from,
                     DWORD timeoutMs = 15000) {
        const bool logged = e2e::WaitUntil(
            [&] {
                const std::string log = Journal();
                for (size_t at = log.find("CALL " + entry + "(", from); at != std::string::npos;
                     at = log.find("CALL " + entry + "(", at + 1)) {
                    const size_t end = log.find('\n', at);
                    if (end == std::string::npos) return false;
                    if (log.substr(at, end - at).find(") = FAULT") == std::string::npos) continue;
                    for (size_t file = log.find("File=", end); file != std::string::npos;
                         file = log.find("File=", file + 1)) {
                        const std::string line = log.substr(file, log.find('\n', file) - file);
                        if (line.find(unit) != std::string::npos &&
                            line.find(",Line=") != std::string::npos)
                            return true;
                    }
                }
                return false;
            },
            timeoutMs);
        if (logged) {
            reached.push_back(entry);
        } else {
            const std::string log = Journal();
            Logf("no logged fault of %s from %s; status [%s]; journal tail:\n%s", entry.c_str(),
                 unit.c_str(), e2e::Utf8(Status()).c_str(),
                 log.substr(log.size() > 1500 ? log.size() - 1500 : 0).c_str());
            folder.Screenshot(L"fault-" + e2e::Wide(entry), mainWindow);
        }
        return logged;
    }
    // Injects a fault into the entry, runs the action that calls it, waits for the logged fault,
    // heals the entry and checks the program still answers.
    template <class Action>
    void FaultThrough(const std::string& entry, const std::string& unit, Action&& action) {
        SCOPED_TRACE(entry);
        Logf("fault in %s", entry.c_str());
        ASSERT_NO_FATAL_FAILURE(Inject(entry));
        const size_t from = Journal().size();
        ASSERT_NO_FATAL_FAILURE(action());
        EXPECT_TRUE(FaultLogged(entry, unit, from));
        ASSERT_NO_FATAL_FAILURE(Heal(entry));
        ASSERT_TRUE(Responsive());
    }
    void ReportReached(const char* what) {
        std::string names;
        for (const std::string& entry : reached) names += " " + entry;
        Logf("%s: %d entries faulted, logged and survived:%s", what, int(reached.size()),
             names.c_str());
    }

    e2e::StagedFolder folder;
    e2e::Process orvane;
    HWND mainWindow = nullptr;
    HWND book = nullptr, editor = nullptr, smsList = nullptr, compose = nullptr, call = nullptr,
         records = nullptr, account = nullptr, internet = nullptr;
    std::vector<std::string> reached;
};

HWND WaitPinDialog() {
    return e2e::WaitWindow(
        e2e::kAnyProcess,
        [](HWND w) {
            return IsWindowVisible(w) && GetDlgItem(w, IDC_PIN_EDIT) &&
                   e2e::Caption(w) == L"SIM PIN";
        },
        20000);
}

// Start-up on the window thread: the PIN step, the card wait, the volume, the card's start, the
// signal and the three readers (INITDATA); then the log writer itself, and the exit with STOP_DEV
// while a call is up (the exit worker ends it).
TEST_F(ReliabilityTest, FaultsAtStartUpAndExitAreLoggedAndTheProgramGoesOn) {
    SetCard(L"CARD", L"PinRequired", L"1");
    SetCard(L"FAULT", L"mdmPinVerify", L"1");
    SetSetting(L"INITDATA", L"1");
    SetSetting(L"STOP_DEV", L"1");
    orvane = folder.Start(L"Orvane.exe");
    HWND pin = WaitPinDialog();
    ASSERT_NE(pin, nullptr);
    size_t from = Journal().size();
    ASSERT_TRUE(e2e::SetText(GetDlgItem(pin, IDC_PIN_EDIT), L"1234"));
    ASSERT_TRUE(e2e::ClickId(pin, IDOK));
    EXPECT_TRUE(FaultLogged("mdmPinVerify", "Pin.cpp", from));
    EXPECT_TRUE(IsWindow(pin)) << "the PIN entry asks again";

    // Everything the start-up calls after the PIN faults; the card wait probes until its SIM
    // check is healed.
    const char* const startEntries[] = {
        "mdmModemExist",       "mdmUimExist2",   "mdmVoiceGetMaxVol", "mdmVoiceGetVol",
        "mdmGetActiveComPort", "mdmInitWatch",   "mdmNetSetCta",      "mdmGetServerMode",
        "mdmGetCsq",           "mdmPbGetAllRec", "mdmVoiceGetAllRec", "mdmSmsGetAllRecvRec",
        "mdmSmsGetAllSendRec"};
    for (const char* entry : startEntries) ASSERT_NO_FATAL_FAILURE(Inject(entry));
    ASSERT_NO_FATAL_FAILURE(Heal("mdmPinVerify"));
    from = Journal().size();
    ASSERT_TRUE(e2e::SetText(GetDlgItem(pin, IDC_PIN_EDIT), L"1234"));
    ASSERT_TRUE(e2e::ClickId(pin, IDOK));
    EXPECT_TRUE(FaultLogged("mdmModemExist", "Orvane.cpp", from, 30000));
    EXPECT_TRUE(FaultLogged("mdmUimExist2", "Orvane.cpp", from, 30000));
    ASSERT_NO_FATAL_FAILURE(Heal("mdmUimExist2"));
    ASSERT_NO_FATAL_FAILURE(WaitMain());
    // Each call of the card's start is guarded on its own: a fault in one does not skip the others.
    const struct {
        const char* entry;
        const char* unit;
    } started[] = {{"mdmVoiceGetMaxVol", "DlgCall"},
                   {"mdmVoiceGetVol", "DlgCall"},
                   {"mdmGetActiveComPort", "OrvaneDlg,"},
                   {"mdmInitWatch", "OrvaneDlg,"},
                   {"mdmNetSetCta", "OrvaneDlg,"},
                   {"mdmGetServerMode", "OrvaneDlg,"},
                   {"mdmGetCsq", "OrvaneDlg"},
                   {"mdmPbGetAllRec", "DlgTelList"},
                   {"mdmVoiceGetAllRec", "DlgCallRec"},
                   {"mdmSmsGetAllRecvRec", "DlgSmsList"},
                   {"mdmSmsGetAllSendRec", "DlgSmsList"}};
    for (const auto& s : started) EXPECT_TRUE(FaultLogged(s.entry, s.unit, from)) << s.entry;
    for (const char* entry : startEntries) ASSERT_NO_FATAL_FAILURE(Heal(entry));
    ASSERT_TRUE(Responsive());

    // The network mode unknown after the fault: the signal poll asks again, and now it answers.
    from = Journal().size();
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return Journal().find("CALL mdmGetServerMode() = 5", from) != std::string::npos; },
        15000));

    // A fault while the fault is logged: the log writer's own fault is swallowed.
    ASSERT_NO_FATAL_FAILURE(Inject("mdmWriteLog"));
    ASSERT_NO_FATAL_FAILURE(Inject("mdmGetCsq"));
    from = Journal().size();
    const bool swallowed = e2e::WaitUntil(
        [&] {
            const std::string log = Journal();
            const size_t at = log.find("CALL mdmWriteLog(\"File=", from);
            if (at == std::string::npos) return false;
            const std::string line = log.substr(at, log.find('\n', at) - at);
            return line.find("OrvaneDlg") != std::string::npos &&
                   line.find(") = FAULT") != std::string::npos;
        },
        15000);
    EXPECT_TRUE(swallowed) << "the signal poll's fault, logged through a faulting writer";
    if (swallowed) reached.push_back("mdmWriteLog");
    ASSERT_NO_FATAL_FAILURE(Heal("mdmGetCsq"));
    ASSERT_NO_FATAL_FAILURE(Heal("mdmWriteLog"));
    ASSERT_TRUE(Responsive());

    // The card still serves the program: a call goes out, and the exit ends it on its worker
    // (faulting), then stops the device (faulting) and the program ends all the same.
    Show(IDC_MAIN_BTN_CALL, call);
    ASSERT_TRUE(e2e::SetText(Item(call, IDC_CALL_NUMBER), L"10086"));
    from = Journal().size();
    Press(call, IDC_CALL_DIAL);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            return Journal().find("CALL mdmVoiceCall(\"10086\") = 0", from) != std::string::npos;
        },
        10000));
    ASSERT_NO_FATAL_FAILURE(Inject("mdmVoiceShutdown"));
    ASSERT_NO_FATAL_FAILURE(Inject("mdmStopDev"));
    from = Journal().size();
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
    EXPECT_TRUE(orvane.WaitExit(30000));
    EXPECT_EQ(orvane.ExitCode(), 0u);
    EXPECT_TRUE(FaultLogged("mdmVoiceShutdown", "OrvaneDlg", from));
    EXPECT_TRUE(FaultLogged("mdmStopDev", "OrvaneDlg", from));

    // The PIN status itself faulting: the step is skipped and the program starts.
    SetCard(L"FAULT", L"mdmVoiceShutdown", L"0");
    SetCard(L"FAULT", L"mdmStopDev", L"0");
    SetCard(L"FAULT", L"mdmPinGetStatus", L"1");
    SetCard(L"CARD", L"PinVerified", L"0");
    from = Journal().size();
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_TRUE(FaultLogged("mdmPinGetStatus", "Orvane.cpp", from));
    ASSERT_TRUE(Responsive());
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
    EXPECT_TRUE(orvane.WaitExit(30000));
    ReportReached("start-up and exit");
}

// Every card operation of the running program, each with a fault of its own in turn: on the
// window thread (dial, hang-up, volume, tones, editor, deletions, account defaults, signal) and on
// workers (the readers, the message send, the exit).
TEST_F(ReliabilityTest, FaultInEveryCardOperationInTurnIsLoggedAndSurvived) {
    ASSERT_TRUE(folder.Remove(L"pap.ini"));  // the account's defaults come from the card
    ASSERT_NO_FATAL_FAILURE(Start());

    // The phone book: the preload worker's read, the editor's add, the page's delete.
    FaultThrough("mdmPbGetAllRec", "DlgTelList", [&] { Show(IDC_MAIN_BTN_PHONEBOOK, book); });
    EXPECT_EQ(Rows(book, IDC_PB_LIST), 0u);
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows(smsList, IDC_SMSLIST_LIST) == 3; }, 15000))
        << "the other readers of the preload go on";
    const auto saveEntry = [&] {
        Press(book, IDC_PB_ADD);
        ASSERT_TRUE(WaitShown(editor));
        ASSERT_TRUE(e2e::SetText(Item(editor, IDC_PBEDIT_NAME), L"王五"));
        ASSERT_TRUE(e2e::SetText(Item(editor, IDC_PBEDIT_NUMBER), L"13700000000"));
        Press(editor, IDC_PBEDIT_SAVE);
    };
    FaultThrough("mdmPbAddRec", "DlgTelOperate", saveEntry);
    Press(editor, IDC_PBEDIT_SAVE);
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows(book, IDC_PB_LIST) == 1; }, 5000));
    FaultThrough("mdmPbDelRec", "DlgTelList", [&] {
        ASSERT_TRUE(e2e::ListViewSelect(Item(book, IDC_PB_LIST), 0));
        Press(book, IDC_PB_DELETE);
    });
    EXPECT_EQ(Rows(book, IDC_PB_LIST), 1u) << "the row whose deletion faulted stays";

    // Messages: the reader worker (a new message brings it), the two deletions, the send worker.
    FaultThrough("mdmSmsGetAllRecvRec", "DlgSmsList",
                 [&] { ASSERT_EQ(Simctl(L"sms 10086 第一条"), 0); });
    FaultThrough("mdmSmsGetAllSendRec", "DlgSmsList",
                 [&] { ASSERT_EQ(Simctl(L"sms 10086 第二条"), 0); });
    ASSERT_EQ(Simctl(L"sms 10086 第三条"), 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows(smsList, IDC_SMSLIST_LIST) == 6; }, 15000))
        << Rows(smsList, IDC_SMSLIST_LIST) << " rows";
    FaultThrough("mdmSmsDelRecvRec", "DlgSmsList", [&] {
        ASSERT_TRUE(e2e::ListViewSelectRows(Item(smsList, IDC_SMSLIST_LIST), {0}));
        Press(smsList, IDC_SMSLIST_DELETE);
    });
    EXPECT_TRUE(WaitStatus(IDS_OPERATION_FAILED)) << "the deletion's worker has given the card back";
    FaultThrough("mdmSmsDelSendRec", "DlgSmsList", [&] {
        ASSERT_TRUE(e2e::ListViewSelectRows(Item(smsList, IDC_SMSLIST_LIST), {5}));
        Press(smsList, IDC_SMSLIST_DELETE);
    });
    EXPECT_EQ(Rows(smsList, IDC_SMSLIST_LIST), 6u);
    FaultThrough("mdmSmsSend", "DlgSmsSend", [&] {
        Press(smsList, IDC_SMSLIST_NEW);
        ASSERT_TRUE(WaitShown(compose));
        ASSERT_TRUE(e2e::SetText(Item(compose, IDC_SMSSEND_RECIPIENT), L"10086"));
        ASSERT_TRUE(e2e::SetText(Item(compose, IDC_SMSSEND_TEXT), L"你好"));
        Press(compose, IDC_SMSSEND_SEND);
    });
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return IsWindowEnabled(Item(compose, IDC_SMSSEND_SEND)) != 0; }, 10000))
        << "the send ends even though the module faulted";

    // Voice: the call, the tones, the hang-up, answering a ring, the volume, the records.
    Show(IDC_MAIN_BTN_CALL, call);
    ASSERT_TRUE(e2e::SetText(Item(call, IDC_CALL_NUMBER), L"10086"));
    FaultThrough("mdmVoiceCall", "DlgCall", [&] { Press(call, IDC_CALL_DIAL); });
    EXPECT_TRUE(WaitStatus(IDS_CALL_FAILED));
    Press(call, IDC_CALL_HANGUP);
    size_t from = Journal().size();
    Press(call, IDC_CALL_DIAL);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            return Journal().find("CALL mdmVoiceCall(\"10086\") = 0", from) != std::string::npos;
        },
        10000));
    FaultThrough("mdmVoiceSendDtmf", "DlgCall", [&] { Press(call, IDC_CALL_KEY_5); });
    FaultThrough("mdmVoiceShutdown", "DlgCall", [&] { Press(call, IDC_CALL_HANGUP); });
    from = Journal().size();
    Press(call, IDC_CALL_HANGUP);  // healed: the card's call ends now
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return Journal().find("CALL mdmVoiceShutdown() = 0", from) != std::string::npos; },
        5000));
    FaultThrough("mdmVoiceCallAccept", "DlgCall", [&] {
        ASSERT_EQ(Simctl(L"ring 13800138000"), 0);
        Press(call, IDC_CALL_DIAL);
    });
    Press(call, IDC_CALL_HANGUP);
    FaultThrough("mdmVoiceSetVol", "DlgCall", [&] {
        // A click on the slider's thumb or channel; where they lie is the control's business, so
        // clicks go along it until one lands and the card is asked.
        HWND volume = Item(call, IDC_CALL_VOLUME);
        RECT r{};
        GetClientRect(volume, &r);
        const size_t from = Journal().size();
        for (int x = 2; x < r.right; x += 4) {
            for (int y : {r.bottom / 2, r.bottom / 3, 2 * r.bottom / 3})
                ASSERT_TRUE(e2e::PostClick(volume, POINT{x, y}));
            Sleep(50);
            if (Journal().find("CALL mdmVoiceSetVol", from) != std::string::npos) break;
        }
    });
    FaultThrough("mdmVoiceGetAllRec", "DlgCallRec", [&] { Press(call, IDC_CALL_RECORDS); });
    Press(records, IDC_CALLREC_BACK);
    ASSERT_TRUE(WaitShown(call));
    Press(call, IDC_CALL_RECORDS);
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows(records, IDC_CALLREC_LIST) > 0; }, 10000))
        << "the next showing reads again";
    const size_t callRecords = Rows(records, IDC_CALLREC_LIST);
    FaultThrough("mdmVoiceDelRec", "DlgCallRec", [&] {
        ASSERT_TRUE(e2e::ListViewSelectRows(Item(records, IDC_CALLREC_LIST), {0}));
        Press(records, IDC_CALLREC_DELETE);
    });
    EXPECT_EQ(Rows(records, IDC_CALLREC_LIST), callRecords);

    // The account page's defaults and the signal poll.
    Show(IDC_MAIN_BTN_SETTINGS, account);
    FaultThrough("mdmNetGetDefaultSetting", "DlgAccount",
                 [&] { Press(account, IDC_ACCOUNT_DEFAULT); });
    FaultThrough("mdmGetCsq", "OrvaneDlg", [] {});

    // Going online: the dial, a failed dial's error text, the link and traffic polls, the hang-up.
    Show(IDC_MAIN_BTN_INTERNET, internet);
    FaultThrough("mdmNetDial2", "ConnectionWin", [&] { Press(internet, IDC_INET_CONNECT); });
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return IsWindowEnabled(Item(internet, IDC_INET_CONNECT)) != 0; }, 5000));
    SetCard(L"DIAL", L"Outcome", L"6");
    ASSERT_NO_FATAL_FAILURE(Inject("mdmGetLastErrorDes"));
    FaultThrough("mdmSetLastErrorDes", "ConnectionWin", [&] { Press(internet, IDC_INET_CONNECT); });
    EXPECT_TRUE(FaultLogged("mdmGetLastErrorDes", "ConnectionWin", 0));
    ASSERT_NO_FATAL_FAILURE(Heal("mdmGetLastErrorDes"));
    SetCard(L"DIAL", L"Outcome", L"7");
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return IsWindowEnabled(Item(internet, IDC_INET_CONNECT)) != 0; }, 5000));
    Press(internet, IDC_INET_CONNECT);
    const std::wstring succeeded = S(IDS_DIAL_SUCCEEDED), connected = S(IDS_NET_CONNECTED);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            const std::wstring state = e2e::Text(Item(internet, IDC_INET_STATE));
            return state == succeeded || state == connected;
        },
        15000));
    FaultThrough("mdmNetTransmitStatus", "ConnectionWin", [] {});
    FaultThrough("mdmNetConnectStatus", "ConnectionWin", [] {});
    FaultThrough("mdmNetHangup", "ConnectionWin", [&] { Press(internet, IDC_INET_CONNECT); });
    EXPECT_TRUE(WaitStatus(IDS_HANGUP_FAILED)) << "the connection stays up";

    // The exit while connected: its worker reads the last bytes and hangs up, both faulting.
    ASSERT_NO_FATAL_FAILURE(Inject("mdmNetTransmitStatus"));
    ASSERT_NO_FATAL_FAILURE(Inject("mdmNetHangup"));
    from = Journal().size();
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
    EXPECT_TRUE(orvane.WaitExit(60000));
    EXPECT_EQ(orvane.ExitCode(), 0u);
    EXPECT_TRUE(FaultLogged("mdmNetTransmitStatus", "OrvaneDlg", from));
    EXPECT_TRUE(FaultLogged("mdmNetHangup", "OrvaneDlg", from));
    ReportReached("card operations");
}

// The card lies about everything at once: counts far beyond every buffer, identifiers out of
// range, texts without an end, dial codes outside the table, event codes nobody defined, text
// pointers to unreadable memory and hundreds of events at once; the user opens every page.
TEST_F(ReliabilityTest, ACardLyingAboutEverythingLeavesEveryPageWorking) {
    std::wstring entries;
    for (int id = 0; id < 201; ++id)
        entries += std::to_wstring(id) + L"=1390000" + std::to_wstring(1000 + id) + L"|名字" +
                   std::to_wstring(id) + L'\0';
    entries += L'\0';
    ASSERT_TRUE(WritePrivateProfileSectionW(L"PHONEBOOK", entries.c_str(),
                                            folder.File(L"simcard.ini").c_str()));
    SetCard(L"PHONEBOOK_LIES", L"Count", L"2147483647");
    SetCard(L"PHONEBOOK_LIES", L"Ids", L"-1,201,-2147483648,2147483647,0,0");
    SetCard(L"PHONEBOOK_LIES", L"Unterminated", L"1");
    SetCard(L"SMS", L"LieRecvCount", L"2147483647");
    SetCard(L"SMS", L"LieSentCount", L"-2147483648");
    SetCard(L"SMS", L"LieFillAll", L"1");
    SetCard(L"SMS", L"LieIds", L"1");
    SetCard(L"SMS", L"LieUnterminated", L"1");
    SetCard(L"VOICE", L"ReportedRecords", L"2147483647");
    SetCard(L"VOICE", L"OverrunRecords", L"20");
    SetCard(L"VOICE", L"UnterminatedTexts", L"1");
    SetCard(L"VOICE", L"RingText", L"long");
    SetCard(L"DEFAULTS", L"Unterminated", L"1");
    SetCard(L"DIAL", L"Progress", L"-1,0,12,99,112,999,-2147483648,2147483647,100");
    SetCard(L"DIAL", L"Outcome", L"6");
    SetCard(L"DIAL", L"LastError", std::wstring(300, L'错'));
    SetCard(L"CARD", L"NetMode", L"-2147483648");
    ASSERT_TRUE(folder.Remove(L"pap.ini"));
    SetSetting(L"INITDATA", L"1");
    ASSERT_NO_FATAL_FAILURE(Start());

    // The pages of card data, read at start-up: never more rows than the buffers hold, no text
    // longer than its field.
    Show(IDC_MAIN_BTN_PHONEBOOK, book);
    ASSERT_TRUE(e2e::WaitUntil([&] { return Rows(book, IDC_PB_LIST) > 0; }, 15000));
    for (const auto& row : e2e::ListViewRows(Item(book, IDC_PB_LIST))) {
        EXPECT_LE(e2e::ToAnsi(row[0]).size(), 31u);
        EXPECT_LE(e2e::ToAnsi(row[1]).size(), 15u);
    }
    EXPECT_LE(Rows(book, IDC_PB_LIST), 201u);
    folder.Screenshot(L"lying-card-phonebook", mainWindow);
    ASSERT_TRUE(e2e::ListViewSelect(Item(book, IDC_PB_LIST), 0));
    Press(book, IDC_PB_EDIT);
    ASSERT_TRUE(WaitShown(editor));
    Press(editor, IDC_PBEDIT_CANCEL);

    Show(IDC_MAIN_BTN_SMS, smsList);
    EXPECT_EQ(Rows(smsList, IDC_SMSLIST_LIST), 64u);
    for (const auto& row : e2e::ListViewRows(Item(smsList, IDC_SMSLIST_LIST))) {
        EXPECT_LE(e2e::ToAnsi(row[3]).size(), 164u);
        EXPECT_LE(e2e::ToAnsi(row[4]).size(), 16u);
    }
    folder.Screenshot(L"lying-card-messages", mainWindow);
    ASSERT_TRUE(e2e::ListViewSelect(Item(smsList, IDC_SMSLIST_LIST), 0));
    ASSERT_TRUE(e2e::PostClick(Item(smsList, IDC_SMSLIST_LIST),
                               e2e::ListViewRowPoint(Item(smsList, IDC_SMSLIST_LIST), 0), true));
    ASSERT_TRUE(WaitShown(compose)) << "a reply to a message of lies";
    EXPECT_LE(e2e::ToAnsi(e2e::Text(Item(compose, IDC_SMSSEND_TEXT))).size(), 170u);
    Press(compose, IDC_SMSSEND_CANCEL);
    ASSERT_TRUE(WaitShown(smsList));
    Press(smsList, IDC_SMSLIST_BATCH);
    HWND batch = e2e::WaitDialogWith(orvane.Id(), IDC_BATCH_LOG, 10000);
    ASSERT_NE(batch, nullptr);
    folder.Screenshot(L"lying-card-batch", batch);
    ASSERT_TRUE(e2e::ClickId(batch, IDC_BATCH_BACK));
    EXPECT_TRUE(e2e::WaitGone(batch, 5000));

    Show(IDC_MAIN_BTN_CALL, call);
    Press(call, IDC_CALL_RECORDS);
    ASSERT_TRUE(WaitShown(records));
    EXPECT_LE(Rows(records, IDC_CALLREC_LIST), 20u);
    for (const auto& row : e2e::ListViewRows(Item(records, IDC_CALLREC_LIST)))
        for (const std::wstring& cell : row) EXPECT_EQ(cell.find(L'#'), std::wstring::npos);
    Press(records, IDC_CALLREC_BACK);

    // Settings: the card's defaults without terminators, and the advanced dialog.
    Show(IDC_MAIN_BTN_SETTINGS, account);
    Press(account, IDC_ACCOUNT_DEFAULT);
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return !e2e::Text(Item(account, IDC_ACCOUNT_APN)).empty(); }, 5000));
    for (int id : {IDC_ACCOUNT_USER, IDC_ACCOUNT_PASSWORD, IDC_ACCOUNT_NUMBER, IDC_ACCOUNT_APN})
        EXPECT_LE(e2e::Text(Item(account, id)).size(), 32u);
    Press(account, IDC_ACCOUNT_ADVANCED);
    HWND advanced = e2e::WaitDialogWith(orvane.Id(), IDC_ADV_TABS, 10000);
    ASSERT_NE(advanced, nullptr);
    ASSERT_TRUE(e2e::ClickId(advanced, IDC_ADV_CANCEL));
    EXPECT_TRUE(e2e::WaitGone(advanced, 5000));

    // Dialling: progress codes outside the table, then a failure with an over-long error text.
    Show(IDC_MAIN_BTN_INTERNET, internet);
    size_t from = Journal().size();
    Press(internet, IDC_INET_CONNECT);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return Journal().find("CALLBACK dial(6)", from) != std::string::npos; }, 15000));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return e2e::Text(Item(internet, IDC_INET_STATE)) == S(IDS_DIAL_FAILED); }, 5000));
    EXPECT_LE(Status().size(), 271u);
    folder.Screenshot(L"lying-card-dial", mainWindow);

    // Events: codes nobody defined, a message whose number points nowhere, a ring whose number
    // never ends, then hundreds at once.
    for (const wchar_t* event : {L"event 0 1 2 3 4", L"event 6 16", L"event 999 -1", L"event -1 0",
                                 L"event 5 16", L"event 1 16", L"event 4"})
        EXPECT_EQ(Simctl(event), 0);
    EXPECT_EQ(Simctl(L"ring 10086"), 0);
    EXPECT_TRUE(WaitShown(call));
    EXPECT_LE(e2e::Text(Item(call, IDC_CALL_NUMBER)).size(), 64u);
    Press(call, IDC_CALL_HANGUP);
    EXPECT_EQ(Simctl(L"burst 600"), 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return Responsive(); }, 30000));
    EXPECT_EQ(Simctl(L"event 4"), 0);
    // The events keep the window busy for a while (pages, popups, reads). Once the card and the
    // status line have been still for a moment, the last event (the call lost) is where it ends:
    // no call, the call button usable again.
    std::string seen;
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            const std::string now = Journal() + e2e::Utf8(Status());
            const bool still = now == seen;
            seen = now;
            Sleep(3000);
            return still && Responsive();
        },
        90000));
    EXPECT_TRUE(IsWindowEnabled(Item(call, IDC_CALL_DIAL)));
    // The last popup has slid away from the window's corner before the picture is taken.
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            return !e2e::FindWindowOf(orvane.Id(), [](HWND w) {
                return e2e::ClassOf(w) == L"OrvaneTaskbarNotifier" && IsWindowVisible(w);
            });
        },
        15000));
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CALL));
    EXPECT_TRUE(WaitShown(call));
    folder.Screenshot(L"lying-card-after-burst", mainWindow);
    ASSERT_TRUE(Responsive());
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
    EXPECT_TRUE(orvane.WaitExit(30000));
    EXPECT_EQ(orvane.ExitCode(), 0u);
}

}  // namespace
