// A modem module that lies in every answer, in process: card readers, pages and callbacks.
//
// The readers work on buffers that end at unreadable memory, the pages read a card whose every
// answer is a lie, and the callbacks come with garbage values and in bursts.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "framework/FaultGuard.h"
#include "framework/Thread.h"
#include "framework/UiTaskQueue.h"
#include "modem/ModemModule.h"
#include "phonebook/PhoneBookCore.h"
#include "resources/resource.h"
#include "settings/SettingsCore.h"
#include "sms/SmsCore.h"
#include "tests/win/WinTestSupport.h"
#include "ui/OrvaneDlg.h"
#include "voice/CallCore.h"
#include "voice/CallRecordsCore.h"

namespace {

size_t PageSize() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
}

// One object placed so that its last byte is followed by a page nobody may touch: a read or write
// past its end is an access violation, which the checks below see through the fault guard.
template <class T>
class Guarded {
public:
    Guarded() {
        const size_t page = PageSize();
        const size_t body = (sizeof(T) + page - 1) / page * page;
        base_ = static_cast<char*>(
            VirtualAlloc(nullptr, body + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (!base_ || !VirtualProtect(base_ + body, page, PAGE_NOACCESS, &old)) return;
        object_ = new (base_ + body - sizeof(T)) T();
    }
    ~Guarded() {
        if (object_) object_->~T();
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    Guarded(const Guarded&) = delete;
    Guarded& operator=(const Guarded&) = delete;

    bool Ok() const { return object_ != nullptr; }
    T& operator*() { return *object_; }
    T* operator->() { return object_; }

private:
    char* base_ = nullptr;
    T* object_ = nullptr;
};

// Texts a lying module hands out: digits that run into unreadable memory without a terminator,
// and the unreadable memory itself.
class EdgeTexts {
public:
    EdgeTexts() : page_(PageSize()) {
        base_ = static_cast<char*>(
            VirtualAlloc(nullptr, 2 * page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old = 0;
        if (!base_) return;
        std::memset(base_, '8', page_);
        VirtualProtect(base_ + page_, page_, PAGE_NOACCESS, &old);
    }
    ~EdgeTexts() {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    EdgeTexts(const EdgeTexts&) = delete;
    EdgeTexts& operator=(const EdgeTexts&) = delete;
    // `digits` digits right before unreadable memory.
    const char* Digits(size_t digits) const { return base_ + page_ - digits; }
    const char* Unreadable() const { return base_ + page_; }

private:
    size_t page_;
    char* base_ = nullptr;
};

// Runs a check inside the fault guard: false when it touched memory it may not.
template <class Body>
bool StaysInside(Body&& body) {
    const unsigned long before = fault::CaughtFaultCount();
    const bool clean = fault::RunGuarded(__FILE__, __LINE__, body);
    return clean && fault::CaughtFaultCount() == before;
}

template <size_t N>
void FillField(char (&field)[N], char filler) {
    std::memset(field, filler, N);
}

// ---- What the lying card writes ----------------------------------------------------------------

// Phone-book record i of a full buffer: every other identifier out of range, every fifth usable
// one repeating the one before, texts filling their fields without a terminator.
PhoneBookRecord LyingPhoneBookRecord(int i) {
    static const int32_t kOdd[] = {-1, phonebook::kSlots, INT32_MIN, INT32_MAX};
    PhoneBookRecord r;
    if (i % 2 == 1)
        r.id = kOdd[(i / 2) % 4];
    else
        r.id = i % 10 == 8 ? (i - 2) / 2 : i / 2;
    FillField(r.number, '1');
    FillField(r.name, '*');
    return r;
}

// The identifiers a reader may keep of a full buffer of lying records, first come first kept.
std::set<int32_t> UsableLyingIds() {
    std::set<int32_t> ids;
    for (int i = 0; i < phonebook::kSlots; ++i) {
        const int32_t id = LyingPhoneBookRecord(i).id;
        if (id >= 0 && id < phonebook::kSlots) ids.insert(id);
    }
    return ids;
}

// The 20 call records a card may write with odd types and durations and texts without an end,
// then what a card writes past them: bytes a reader must never show.
void WriteLyingCallRecords(CallRecord* records) {
    static const int32_t kTypes[] = {-1, 0, 1, 2, INT32_MAX};
    for (int i = 0; i < voice::kRecordCapacity; ++i) {
        CallRecord& r = records[i];
        r.id = i % 2 ? INT32_MIN : i;
        r.type = kTypes[i % 5];
        r.duration = i % 2 ? -1 : INT32_MAX;
        FillField(r.number, '9');
        FillField(r.time, '*');
    }
    for (int i = voice::kRecordCapacity; i < voice::kRecordCapacity + voice::kRecordMargin; ++i)
        std::memset(&records[i], '#', sizeof(CallRecord));
}

// A full store of messages of one kind, odd identifiers, texts without an end.
void WriteLyingMessages(SmsRecord* records, bool received) {
    static const int32_t kIds[] = {-1, INT32_MIN, INT32_MAX, 0, 0, 7};
    for (int i = 0; i < sms::kStoreCapacity; ++i) {
        SmsRecord& r = records[i];
        r.id = kIds[i % 6];
        r.type = received ? (i % 2 ? INT32_MIN : -1) : 0;
        FillField(r.number, '5');
        FillField(r.time, static_cast<char>('0' + i % 10));
        FillField(r.content, 'x');
    }
}

class LyingSmsModem : public sms::SmsModem {
public:
    LyingSmsModem(int32_t received, int32_t sent) : received_(received), sent_(sent) {}
    int32_t GetAllReceived(SmsRecord* records) override {
        WriteLyingMessages(records, true);
        return received_;
    }
    int32_t GetAllSent(SmsRecord* records) override {
        WriteLyingMessages(records, false);
        return sent_;
    }

private:
    int32_t received_, sent_;
};

TEST(LyingModule, CardReadersStayInsideBuffersThatEndAtUnreadableMemory) {
    // The phone book: a full read buffer of lies, whatever count comes with it.
    Guarded<phonebook::ReadBuffer> book;
    ASSERT_TRUE(book.Ok());
    for (int i = 0; i < phonebook::kSlots; ++i) (*book)[size_t(i)] = LyingPhoneBookRecord(i);
    const std::set<int32_t> usable = UsableLyingIds();
    for (int32_t reported : {INT32_MAX, phonebook::kSlots + 1, -1, INT32_MIN}) {
        SCOPED_TRACE(reported);
        phonebook::ReadOutcome outcome;
        ASSERT_TRUE(StaysInside([&] { outcome = phonebook::TakeReadBuffer(*book, reported); }));
        if (reported < 0) {
            EXPECT_TRUE(outcome.records.empty());
            continue;
        }
        EXPECT_EQ(outcome.taken, phonebook::kSlots);
        std::set<int32_t> kept;
        for (const PhoneBookRecord& r : outcome.records) {
            EXPECT_TRUE(kept.insert(r.id).second) << "identifier " << r.id << " twice";
            EXPECT_EQ(strnlen(r.number, sizeof r.number), sizeof r.number - 1);
            EXPECT_EQ(strnlen(r.name, sizeof r.name), sizeof r.name - 1);
        }
        EXPECT_EQ(kept, usable);
        EXPECT_EQ(outcome.outOfRange.size() + outcome.repeated.size() + outcome.records.size(),
                  size_t(phonebook::kSlots));
    }

    // The table the records go to, its last slot holding a record without terminators.
    Guarded<phonebook::PhoneBookTable> table;
    ASSERT_TRUE(table.Ok());
    PhoneBookRecord last = LyingPhoneBookRecord(0);
    last.id = phonebook::kSlots - 1;
    std::string name;
    const PhoneBookRecord* prefixed = nullptr;
    ASSERT_TRUE(StaysInside([&] {
        for (int i = 0; i < phonebook::kSlots; ++i) table->Put(LyingPhoneBookRecord(i));
        table->Put(last);
        name = table->LookupName(std::string(15, '1'));
        prefixed = table->FirstNumberStartingWith(std::string(16, '1'));
    }));
    EXPECT_EQ(name, std::string(31, '*'));
    EXPECT_EQ(prefixed, nullptr) << "no stored number is longer than its field allows";
    EXPECT_EQ(table->Count(), int(usable.size()) + 1);

    // The call records: 20 records believed, the bytes a card writes past them never shown.
    Guarded<voice::CallRecordBuffer> calls;
    ASSERT_TRUE(calls.Ok());
    WriteLyingCallRecords(calls->records);
    for (int32_t count : {INT32_MAX, voice::kRecordCapacity + 1,
                          voice::kRecordCapacity + voice::kRecordMargin, -1, INT32_MIN}) {
        SCOPED_TRACE(count);
        std::vector<voice::CallEntry> entries;
        std::vector<voice::CallRowTexts> rows;
        ASSERT_TRUE(StaysInside([&] {
            entries = voice::TakeCallRecords(*calls, count);
            for (const voice::CallEntry& e : entries) rows.push_back(voice::RowTexts(e, ""));
        }));
        EXPECT_EQ(entries.size(), count < 0 ? 0u : size_t(voice::kRecordCapacity));
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(entries[i].number, std::string(16, '9'));
            EXPECT_EQ(entries[i].time, std::string(32, '*'));
            EXPECT_EQ(rows[i].party.find('#'), std::string::npos);
            EXPECT_LE(rows[i].duration.size(), 11u);
            EXPECT_GE(voice::TypeWordIndex(entries[i].type), 0);
            EXPECT_LE(voice::TypeWordIndex(entries[i].type), 2);
        }
    }

    // The messages: each read writes a full store and answers any count; the store the program
    // copies them into ends at unreadable memory.
    Guarded<sms::SmsStore> store;
    ASSERT_TRUE(store.Ok());
    struct Counts {
        int32_t received, sent;
        int expected;
    } const lies[] = {{INT32_MAX, INT32_MAX, 64},
                      {INT32_MAX, -1, 64},
                      {-1, INT32_MAX, 64},
                      {40, 40, 64},
                      {3, 2, 5},
                      {INT32_MIN, INT32_MIN, 0}};
    for (const Counts& lie : lies) {
        SCOPED_TRACE(std::to_string(lie.received) + "," + std::to_string(lie.sent));
        LyingSmsModem modem(lie.received, lie.sent);
        int count = -1;
        std::vector<sms::SmsRow> rows;
        ASSERT_TRUE(StaysInside([&] {
            count = sms::ReadSmsLists(modem, *store);
            rows = sms::BuildRows(*store, [](std::string_view) { return std::string(); });
        }));
        EXPECT_EQ(count, lie.expected);
        EXPECT_LE(store->Count(), sms::kStoreCapacity);
        EXPECT_EQ(rows.size(), size_t(store->Count())) << "a failed read keeps the last store";
        for (const sms::SmsRow& row : rows) {
            EXPECT_EQ(row.number, std::string(16, '5'));
            EXPECT_EQ(row.content, std::string(164, 'x'));
            EXPECT_EQ(row.time.size(), 32u);
        }
    }
}

// ---- The pages reading a lying card, in process -------------------------------------------------

std::mutex g_logLock;
std::vector<std::string> g_log;

int32_t MDM_CALL KeepLog(const char* text) {
    std::lock_guard<std::mutex> hold(g_logLock);
    g_log.emplace_back(text ? text : "");
    return 0;
}

int32_t MDM_CALL LyingPbGetAllRec(PhoneBookRecord* records) {
    for (int i = 0; i < phonebook::kSlots; ++i) records[i] = LyingPhoneBookRecord(i);
    return INT32_MAX;
}
int32_t MDM_CALL LyingVoiceGetAllRec(CallRecord* records) {
    WriteLyingCallRecords(records);
    return INT32_MAX;
}
int32_t MDM_CALL LyingSmsRecv(SmsRecord* records) {
    WriteLyingMessages(records, true);
    return INT32_MAX;
}
int32_t MDM_CALL LyingSmsSent(SmsRecord* records) {
    WriteLyingMessages(records, false);
    return -5;
}
int32_t MDM_CALL HugeValue() {
    return INT32_MAX;
}
int32_t MDM_CALL NegativeValue() {
    return -7;
}
int32_t MDM_CALL LowestValue() {
    return INT32_MIN;
}
int32_t MDM_CALL OddCta(int32_t) {
    return 12345;
}

MdmEventCallback g_watch = nullptr;
int32_t MDM_CALL CaptureWatch(MdmEventCallback callback) {
    g_watch = callback;
    return 0;
}

MdmDialCallback g_dial = nullptr;
int32_t MDM_CALL CaptureDial(const char*, const char*, const char*, const char*, const char*,
                             MdmDialCallback callback) {
    g_dial = callback;
    return 0;
}
int32_t MDM_CALL Succeed() {
    return 0;
}
int32_t MDM_CALL SucceedText(const char*) {
    return 0;
}
const char* g_errorText = nullptr;
const char* MDM_CALL LyingLastError() {
    return g_errorText;
}

class LyingPagesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { skin = LoadLibraryW(wintest::StagePath(L"skingb.dll").c_str()); }
    static void TearDownTestSuite() {
        if (skin) FreeLibrary(skin);
    }

    void SetUp() override {
        ASSERT_NE(skin, nullptr);
        modem::Table() = modem::ModemTable{};
        modem::Table().mdmWriteLog = &KeepLog;
        fault::SetFaultLogger(&modem::LogFault);
        g_log.clear();
        g_watch = nullptr;
        g_dial = nullptr;
    }
    void Open() {
        dialog = std::make_unique<ui::OrvaneDlg>(skin, settings, app);
        ASSERT_NE(dialog->Create(nullptr), nullptr);
        ShowWindow(dialog->Hwnd(), SW_SHOW);
        wintest::Pump(100);
    }
    void TearDown() override {
        if (dialog && dialog->Hwnd()) DestroyWindow(dialog->Hwnd());
        dialog.reset();
        wintest::Pump(0);
        modem::Table() = modem::ModemTable{};
    }

    static std::wstring Cell(HWND list, int row, int column) {
        wchar_t text[1024] = {};
        ListView_GetItemText(list, row, column, text, 1024);
        return text;
    }
    static int Rows(HWND list) { return ListView_GetItemCount(list); }
    bool Responsive() {
        DWORD_PTR ignored = 0;
        return SendMessageTimeoutW(dialog->Hwnd(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000,
                                   &ignored) != 0;
    }
    std::vector<std::string> Log() {
        std::lock_guard<std::mutex> hold(g_logLock);
        return g_log;
    }

    static HINSTANCE skin;
    settings::SettingsStore settings;
    wintest::FakeAppHost app;
    std::unique_ptr<ui::OrvaneDlg> dialog;
};
HINSTANCE LyingPagesTest::skin = nullptr;

TEST_F(LyingPagesTest, PagesReadACardThatLiesInEveryAnswer) {
    modem::ModemTable& table = modem::Table();
    table.mdmPbGetAllRec = &LyingPbGetAllRec;
    table.mdmVoiceGetAllRec = &LyingVoiceGetAllRec;
    table.mdmSmsGetAllRecvRec = &LyingSmsRecv;
    table.mdmSmsGetAllSendRec = &LyingSmsSent;
    table.mdmVoiceGetMaxVol = &HugeValue;
    table.mdmVoiceGetVol = &NegativeValue;
    table.mdmGetCsq = &HugeValue;
    table.mdmGetServerMode = &LowestValue;
    table.mdmGetActiveComPort = &NegativeValue;
    table.mdmNetSetCta = &OddCta;
    ASSERT_NO_FATAL_FAILURE(Open());

    // The volume and the signal: values beyond every range, shown within them.
    HWND volume = dialog->callPage.Item(IDC_CALL_VOLUME);
    EXPECT_LE(SendMessageW(volume, TBM_GETRANGEMAX, 0, 0), voice::kMaxVolumeLevel);
    EXPECT_EQ(SendMessageW(volume, TBM_GETPOS, 0, 0), 0);
    EXPECT_NE(GetWindowLongPtrW(dialog->Item(IDC_MAIN_SIGNAL), GWLP_USERDATA), 0);

    // Opening a page of card data preloads all three on a worker.
    SendMessageW(dialog->Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_BTN_PHONEBOOK, BN_CLICKED), 0);
    HWND book = dialog->phoneBookPage.Item(IDC_PB_LIST);
    HWND calls = dialog->callRecordsPage.Item(IDC_CALLREC_LIST);
    HWND messages = dialog->smsListPage.Item(IDC_SMSLIST_LIST);
    const int usable = int(UsableLyingIds().size());
    ASSERT_TRUE(wintest::PumpUntil(
        [&] {
            return Rows(book) == usable && Rows(calls) == voice::kRecordCapacity &&
                   Rows(messages) == sms::kStoreCapacity && !dialog->Flags().portBusy;
        },
        20000))
        << Rows(book) << " " << Rows(calls) << " " << Rows(messages);
    wintest::Pump(300);
    EXPECT_EQ(dialog->PhoneBook().Count(), usable);

    for (int row = 0; row < Rows(book); ++row) {
        ASSERT_EQ(Cell(book, row, 0), std::wstring(31, L'*')) << row;
        ASSERT_EQ(Cell(book, row, 1), std::wstring(15, L'1')) << row;
    }
    for (int row = 0; row < Rows(calls); ++row) {
        for (int column = 0; column < voice::kColumnCount; ++column)
            ASSERT_EQ(Cell(calls, row, column).find(L'#'), std::wstring::npos) << row;
        ASSERT_EQ(Cell(calls, row, 4), std::wstring(16, L'9')) << row;
        ASSERT_EQ(Cell(calls, row, 2), std::wstring(32, L'*')) << row;
    }
    for (int row = 0; row < Rows(messages); ++row) {
        ASSERT_EQ(Cell(messages, row, 4), std::wstring(16, L'5')) << row;
        ASSERT_EQ(Cell(messages, row, 3), std::wstring(164, L'x')) << row;
    }

    // What the phone book wrote about the lies: one line each, no flood, nothing unbounded.
    const std::vector<std::string> log = Log();
    EXPECT_LE(log.size(), size_t(phonebook::kSlots) + 2);
    for (const std::string& line : log) EXPECT_LT(line.size(), 200u) << line;
    EXPECT_TRUE(Responsive());
}

// Runs the calls on a thread of their own, as a module does, while this thread keeps pumping.
void OnModuleThread(std::function<void()> calls) {
    HANDLE module = thread::Start(std::move(calls));
    ASSERT_NE(module, nullptr);
    while (WaitForSingleObject(module, 10) == WAIT_TIMEOUT) wintest::Pump(0);
    CloseHandle(module);
}

void FireEvents(const std::vector<std::array<intptr_t, 5>>& events) {
    OnModuleThread([&] {
        for (const auto& e : events) g_watch(int32_t(e[0]), e[1], e[2], e[3], e[4]);
    });
}

void FireDialCodes(const std::vector<int32_t>& codes) {
    OnModuleThread([&] {
        for (int32_t code : codes) g_dial(code);
    });
}

TEST_F(LyingPagesTest, CallbacksWithGarbageValuesAndInBurstsAreSurvived) {
    modem::ModemTable& table = modem::Table();
    table.mdmInitWatch = &CaptureWatch;
    table.mdmNetDial2 = &CaptureDial;
    table.mdmNetHangup = &SucceedText;
    table.mdmGetLastErrorDes = &LyingLastError;
    table.mdmSetLastErrorDes = &SucceedText;
    table.mdmVoiceShutdown = &Succeed;
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NE(g_watch, nullptr);
    EdgeTexts texts;
    const auto pointer = [](const char* p) { return reinterpret_cast<intptr_t>(p); };
    const intptr_t unreadable = pointer(texts.Unreadable());

    // Events nobody defined, with arguments pointing anywhere.
    std::vector<std::array<intptr_t, 5>> odd;
    for (intptr_t event : {0, 6, 999, -1, INT_MIN, INT_MAX})
        odd.push_back({event, unreadable, 0x10, -1, INTPTR_MAX});
    FireEvents(odd);
    wintest::Pump(100);
    EXPECT_TRUE(Responsive());

    // A ring whose number is nowhere, runs into unreadable memory, or never ends.
    HWND number = dialog->callPage.Item(IDC_CALL_NUMBER);
    struct Ring {
        intptr_t text;
        size_t longest;  // of the number shown
    } const rings[] = {{0, 0},
                       {0x10, 0},
                       {unreadable, 0},
                       {pointer(texts.Digits(10)), 10},
                       {pointer(texts.Digits(PageSize())), 64}};
    for (const Ring& ring : rings) {
        FireEvents({{modem::kEventRing, ring.text, 0, 0, 0}});
        wintest::Pump(100);
        EXPECT_LE(size_t(GetWindowTextLengthW(number)), ring.longest);
        EXPECT_TRUE(dialog->Flags().callBusy);
        FireEvents({{modem::kEventCallLost, unreadable, 0, 0, 0}});
        wintest::Pump(100);
        EXPECT_FALSE(dialog->Flags().callBusy);
    }

    // Hundreds of events at once: rings, answers, ends and messages, as a card gone mad sends them.
    std::vector<std::array<intptr_t, 5>> burst;
    for (int i = 0; i < 600; ++i) {
        const intptr_t event = i % 7 == 6 ? 999 : i % 7 == 5 ? 0 : 1 + i % 5;
        burst.push_back({event, pointer(i % 2 ? "13800138000" : "10086"), i, -i, 0});
    }
    const DWORD start = GetTickCount();
    FireEvents(burst);
    const DWORD delivered = GetTickCount() - start;
    ASSERT_TRUE(wintest::PumpUntil([] { return ui::UiTasks().PendingCount() == 0; }, 30000));
    e2e::Logf("600 events delivered in %lu ms, handled in %lu ms", delivered,
              GetTickCount() - start);
    FireEvents({{modem::kEventCallLost, 0, 0, 0, 0}});
    wintest::Pump(200);
    EXPECT_FALSE(dialog->Flags().callBusy);
    EXPECT_TRUE(Responsive());

    // Dial progress codes outside the table, in bursts, then failures whose error text is lying.
    dialog->PressDialButton();
    wintest::Pump(50);
    ASSERT_NE(g_dial, nullptr);
    ASSERT_TRUE(dialog->Flags().dialBusy);
    std::vector<int32_t> codes;
    for (int i = 0; i < 30; ++i)
        for (int32_t code : {-1, 0, 12, 99, 112, 999, INT32_MIN, INT32_MAX, 100 + i % 3})
            codes.push_back(code);
    FireDialCodes(codes);
    ASSERT_TRUE(wintest::PumpUntil([] { return ui::UiTasks().PendingCount() == 0; }, 10000));
    EXPECT_TRUE(dialog->Flags().dialBusy) << "no code outside the table ends a dial";

    const std::string longText(1000, 'e');
    struct ErrorText {
        const char* text;
        size_t longest;
    } const errors[] = {{texts.Digits(20), 20},
                        {texts.Unreadable(), 0},
                        {nullptr, 0},
                        {reinterpret_cast<const char*>(0x10), 0},
                        {longText.c_str(), 271}};
    HWND status = dialog->Item(IDC_MAIN_STATUS);
    for (const ErrorText& error : errors) {
        g_errorText = error.text;
        if (!dialog->Flags().dialBusy) dialog->PressDialButton();
        wintest::Pump(20);
        FireDialCodes({6});
        ASSERT_TRUE(wintest::PumpUntil([&] { return !dialog->Flags().dialBusy; }, 5000));
        wintest::Pump(50);
        EXPECT_LE(size_t(GetWindowTextLengthW(status)), std::max<size_t>(error.longest, 40));
        EXPECT_TRUE(IsWindowEnabled(dialog->internetPage.Item(IDC_INET_CONNECT)));
    }
    g_errorText = nullptr;
    EXPECT_TRUE(Responsive());
}

}  // namespace
