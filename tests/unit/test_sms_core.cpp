// Unit tests of the message core: reading a lying module into the store, the order of the list,
// its rows, the order of deletions, the popup and log texts and the batch run.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "sms/BatchSendCore.h"
#include "sms/SmsCore.h"

namespace {

SmsRecord Message(int32_t id, int32_t type, const char* number, const char* time,
                  const char* content = "") {
    SmsRecord r{};
    r.id = id;
    r.type = type;
    std::strncpy(r.number, number, sizeof r.number - 1);
    std::strncpy(r.time, time, sizeof r.time - 1);
    std::strncpy(r.content, content, sizeof r.content - 1);
    return r;
}

// A module that writes `written` records at each read's pointer and answers `claimed`, as a
// lying card may; it remembers where it was asked to write.
class FakeModule : public sms::SmsModem {
public:
    int32_t GetAllReceived(SmsRecord* records) override {
        receivedAt = records;
        for (int i = 0; i < receivedWritten; ++i)
            records[i] = Message(100 + i, 1, "10086", "2024-05-01", "in");
        return receivedClaimed;
    }
    int32_t GetAllSent(SmsRecord* records) override {
        sentAt = records;
        for (int i = 0; i < sentWritten; ++i)
            records[i] = Message(200 + i, 0, "13800138000", "2024-05-02", "out");
        return sentClaimed;
    }
    int receivedWritten = 0, sentWritten = 0;
    int32_t receivedClaimed = 0, sentClaimed = 0;
    SmsRecord* receivedAt = nullptr;
    SmsRecord* sentAt = nullptr;
};

std::vector<int32_t> Ids(const sms::SmsStore& store) {
    std::vector<int32_t> ids;
    for (int i = 0; i < store.Count(); ++i)
        ids.push_back(store.records[static_cast<std::size_t>(i)].id);
    return ids;
}

}  // namespace

TEST(SmsCore, ReceivedComeFirstNewestFirstAndSentKeepTheirOrder) {
    std::vector<SmsRecord> records = {
        Message(1, 0, "a", "2024-05-09 10:00:00"),  // sent, delivered first
        Message(2, 1, "b", "2024-05-01 09:00:00"),
        Message(3, 0, "c", "2023-01-01 00:00:00"),  // sent, older than every received one
        Message(4, 1, "d", "2024-05-03 12:00:00"),
        Message(5, 1, "e", "2024-05-01 09:00:00"),  // same time as 2: stays after it
        Message(6, 1, "f", "2024-05-03 12:00"),     // a prefix sorts below the longer text
        Message(7, 7, "g",
                "\xB6\xFE\xC1\xE3"),  // any non-zero type is received; high bytes sort last
    };
    sms::SortMessages(records.data(), static_cast<int>(records.size()));
    std::vector<int32_t> order;
    for (const SmsRecord& r : records) order.push_back(r.id);
    EXPECT_EQ(order, (std::vector<int32_t>{7, 4, 6, 2, 5, 1, 3}));
}

TEST(SmsCore, StoreNeverHoldsMoreThanItsCapacityWhateverTheModuleClaims) {
    // Both reads claim 100 and each writes a full store: 64 received, nothing left for sent.
    FakeModule full;
    full.receivedWritten = full.sentWritten = sms::kStoreCapacity;
    full.receivedClaimed = full.sentClaimed = 100;
    sms::SmsStore store;
    EXPECT_EQ(sms::ReadSmsLists(full, store), sms::kStoreCapacity);
    EXPECT_EQ(store.received, sms::kStoreCapacity);
    EXPECT_EQ(store.sent, 0);
    EXPECT_EQ(full.sentAt, full.receivedAt + sms::kStoreCapacity);

    // 40 received leave room for 24 of the sent records, which follow the received block.
    FakeModule some;
    some.receivedWritten = 40;
    some.receivedClaimed = 40;
    some.sentWritten = sms::kStoreCapacity;
    some.sentClaimed = 100;
    EXPECT_EQ(sms::ReadSmsLists(some, store), sms::kStoreCapacity);
    EXPECT_EQ(store.received, 40);
    EXPECT_EQ(store.sent, 24);
    EXPECT_EQ(some.sentAt, some.receivedAt + 40);
    EXPECT_EQ(store.records[39].id, 139);
    EXPECT_EQ(store.records[40].id, 200);
    EXPECT_EQ(store.records[63].id, 223);

    // A negative count is none: the sent records go to the start.
    FakeModule negative;
    negative.receivedWritten = 2;
    negative.receivedClaimed = -5;
    negative.sentWritten = 3;
    negative.sentClaimed = 3;
    EXPECT_EQ(sms::ReadSmsLists(negative, store), 3);
    EXPECT_EQ(negative.sentAt, negative.receivedAt);
    EXPECT_EQ(store.received, 0);
    EXPECT_EQ(Ids(store), (std::vector<int32_t>{200, 201, 202}));

    // Counted but never written: the records read as empty messages, never as old memory.
    FakeModule hollow;
    hollow.receivedClaimed = 2;
    EXPECT_EQ(sms::ReadSmsLists(hollow, store), 2);
    EXPECT_EQ(sms::TextsOf(store.records[0]).content, "");

    // Nothing read: the store keeps the last read.
    FakeModule empty;
    empty.receivedClaimed = -1;
    EXPECT_EQ(sms::ReadSmsLists(empty, store), 0);
    EXPECT_EQ(store.received, 2);
}

TEST(SmsCore, UnterminatedFieldsAreCutAtTheirSize) {
    SmsRecord r{};
    std::memset(&r, 'x', sizeof r);
    r.type = 1;
    const sms::SmsTexts texts = sms::TextsOf(r);
    EXPECT_EQ(texts.number, std::string(sizeof r.number, 'x'));
    EXPECT_EQ(texts.time, std::string(sizeof r.time, 'x'));
    EXPECT_EQ(texts.content, std::string(sizeof r.content, 'x'));

    sms::SmsStore store;
    store.records[0] = r;
    store.received = 1;
    const auto rows = sms::BuildRows(store, [](std::string_view) { return std::string(); });
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].shown, texts.number);
    EXPECT_EQ(rows[0].content.size(), sizeof r.content);

    // Counts a damaged store might hold are never followed past its end.
    store.received = 1000;
    store.sent = 5;
    EXPECT_EQ(sms::BuildRows(store, nullptr).size(), static_cast<std::size_t>(sms::kStoreCapacity));
}

TEST(SmsCore, RowsShowNamesAndTheTypeColumnOnlyForBothKinds) {
    sms::SmsStore store;
    store.records[0] = Message(9, 1, "10086", "2024-05-01", "hello");
    store.records[1] = Message(3, 0, "13800138000", "2024-05-02", "bye");
    store.received = 1;
    store.sent = 1;
    const auto rows = sms::BuildRows(store, [](std::string_view number) {
        return number == "13800138000" ? std::string("\xD5\xC5\xC8\xFD") : std::string();
    });
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].shown, "10086");
    EXPECT_TRUE(rows[0].received);
    EXPECT_EQ(rows[0].id, 9);
    EXPECT_EQ(rows[1].shown, "\xD5\xC5\xC8\xFD");
    EXPECT_EQ(rows[1].number, "13800138000");  // the bare number stays for a reply
    EXPECT_FALSE(rows[1].received);

    EXPECT_EQ(sms::TypeColumnWidth(store), sms::kTypeColumnWidthShown);
    store.sent = 0;
    EXPECT_EQ(sms::TypeColumnWidth(store), 0);
    store.sent = 1;
    store.received = 0;
    EXPECT_EQ(sms::TypeColumnWidth(store), 0);

    EXPECT_EQ(sms::ContentColumnWidth(400), 205);
    EXPECT_EQ(sms::ContentColumnWidth(100), sms::kContentColumnMinimum);
}

TEST(SmsCore, DeletionGoesFromTheLargestUnsignedIdAndKeepsFailedRows) {
    std::vector<int32_t> asked;
    // Row 1 holds the id the card refuses; -1 is the largest id as unsigned.
    const std::vector<sms::SelectedRow> selected = {{0, 5, false}, {1, 7, true}, {2, -1, false}};
    const sms::DeletionOutcome outcome =
        sms::DeleteSelected(selected, [&](const sms::SelectedRow& row) {
            asked.push_back(row.id);
            return row.id != 7;
        });
    EXPECT_EQ(asked, (std::vector<int32_t>{-1, 7, 5}));
    EXPECT_EQ(outcome.removedRows, (std::vector<int>{2, 0}));
    EXPECT_FALSE(outcome.allDeleted);

    const sms::DeletionOutcome all = sms::DeleteSelected(
        {{3, 1, false}, {8, 2, false}}, [](const sms::SelectedRow&) { return true; });
    EXPECT_EQ(all.removedRows, (std::vector<int>{8, 3}));
    EXPECT_TRUE(all.allDeleted);
}

TEST(SmsCore, TextsFromPatternsAndRecipients) {
    const std::wstring pattern = L"您有新短信!\r\n来自 %s[%s].";
    EXPECT_EQ(sms::NewSmsText(pattern, L"张三", L"13800138000"),
              L"您有新短信!\r\n来自 张三[13800138000].");
    EXPECT_EQ(sms::NewSmsText(pattern, L"", L"10086"), L"您有新短信!\r\n来自 [10086].");
    EXPECT_EQ(sms::NewSmsText(pattern, L"", L""), L"您有新短信!");

    EXPECT_EQ(sms::RecipientNumber("13800138000"), "13800138000");
    EXPECT_EQ(sms::RecipientNumber("Zhang, San,13800138000"), "13800138000");
    EXPECT_EQ(sms::RecipientNumber(" 10086 "), "10086");
    EXPECT_EQ(sms::RecipientNumber("name,"), "");

    EXPECT_EQ(sms::WithCrLf("a\nb\r\nc\n"), "a\r\nb\r\nc\r\n");
}

TEST(SmsCore, BatchLogsEachSendAndTheSummaryUnlessStopped) {
    const sms::BatchTexts texts{L"正在发送到 %s ...", L"发送成功", L"发送失败",
                                L"已成功发送短信 %d 条"};
    std::atomic<bool> stop{false};
    std::vector<std::wstring> shown;
    std::vector<std::string> sentTo;
    sms::BatchHooks hooks;
    hooks.send = [&](const std::string& number) {
        sentTo.push_back(number);
        return number != "222";
    };
    hooks.show = [&](const std::wstring& log) { shown.push_back(log); };

    const sms::BatchOutcome outcome = sms::RunBatch({"111", "222", "333"}, texts, stop, hooks);
    EXPECT_FALSE(outcome.stopped);
    EXPECT_EQ(outcome.sent, 2);
    EXPECT_EQ(outcome.log,
              L"正在发送到 111 ...\r\n发送成功\r\n正在发送到 222 ...\r\n发送失败\r\n"
              L"正在发送到 333 ...\r\n发送成功\r\n已成功发送短信 2 条\r\n");
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), L"");
    EXPECT_EQ(shown.back(), outcome.log);

    // A stop during the second send: that send ends, nothing more is shown or sent.
    shown.clear();
    sentTo.clear();
    hooks.send = [&](const std::string& number) {
        sentTo.push_back(number);
        if (number == "222") stop = true;
        return true;
    };
    const sms::BatchOutcome stopped = sms::RunBatch({"111", "222", "333"}, texts, stop, hooks);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(sentTo, (std::vector<std::string>{"111", "222"}));
    EXPECT_EQ(shown.back(), L"正在发送到 111 ...\r\n发送成功\r\n正在发送到 222 ...\r\n");

    // Stopped before it began: nothing at all.
    shown.clear();
    sentTo.clear();
    EXPECT_TRUE(sms::RunBatch({"111"}, texts, stop, hooks).stopped);
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(sentTo.empty());
}
