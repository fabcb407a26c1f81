// Phone book core: the table and its lookup, reading from a lying card, deleting several rows,
// the menu, the editor's checks, CSV files and the import through a scripted card.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "phonebook/CsvCore.h"
#include "phonebook/PhoneBookCore.h"
#include "phonebook/PhoneBookTable.h"

using namespace phonebook;

namespace {

PhoneBookRecord Rec(int32_t id, const std::string& number, const std::string& name) {
    PhoneBookRecord r{};
    r.id = id;
    std::memcpy(r.number, number.data(), std::min(number.size(), sizeof r.number));
    std::memcpy(r.name, name.data(), std::min(name.size(), sizeof r.name));
    return r;
}

// A card that answers as scripted and remembers what it was asked.
struct FakeCard : Card {
    std::vector<PhoneBookRecord> fill;  // written into the read buffer (at most kSlots)
    int32_t reported = 0;               // the count it claims
    std::set<int32_t> refuseDelete;
    int32_t addResult = -2;  // -2: the record's id, or the next free one for -1
    int32_t nextId = 100;
    std::vector<int32_t> deleted;
    std::vector<PhoneBookRecord> added;
    std::vector<std::string> log;

    int32_t GetAll(PhoneBookRecord* buffer) override {
        for (std::size_t i = 0; i < fill.size() && i < static_cast<std::size_t>(kSlots); ++i)
            buffer[i] = fill[i];
        return reported;
    }
    int32_t Add(const PhoneBookRecord& record) override {
        added.push_back(record);
        if (addResult != -2) return addResult;
        return record.id == -1 ? nextId++ : record.id;
    }
    int32_t Delete(int32_t id) override {
        deleted.push_back(id);
        return refuseDelete.count(id) ? 1 : 0;
    }
    void Log(const std::string& line) override { log.push_back(line); }
};

struct FakeSink : ReadSink {
    std::vector<std::string> events;
    bool busy = false;
    std::vector<PhoneBookRecord> delivered;
    void SetPortBusy(bool b) override {
        busy = b;
        events.push_back(b ? "busy" : "free");
    }
    void PostReading() override { events.push_back("reading"); }
    void PostReadResult(bool anything) override { events.push_back(anything ? "done" : "failed"); }
    void Deliver(std::vector<PhoneBookRecord> records) override {
        events.push_back("deliver");
        delivered = std::move(records);
    }
};

}  // namespace

TEST(PhoneBookTable, LookupIsExactLowestSlotAndSkipsFreeSlots) {
    PhoneBookTable table;
    EXPECT_EQ(table.Count(), 0);
    ASSERT_TRUE(table.Put(Rec(7, "+8613800138000", "Zhang")));
    ASSERT_TRUE(table.Put(Rec(9, "10086", "Later")));
    ASSERT_TRUE(table.Put(Rec(3, "10086", "Lower")));
    EXPECT_FALSE(table.Put(Rec(201, "1", "x")));
    EXPECT_FALSE(table.Put(Rec(-1, "1", "x")));

    int32_t id = -5;
    EXPECT_EQ(table.LookupName("10086", &id), "Lower");
    EXPECT_EQ(id, 3);
    // No prefix normalisation: without the country code the number is another number.
    EXPECT_EQ(table.LookupName("13800138000"), "");
    EXPECT_EQ(table.LookupName("+8613800138000", &id), "Zhang");
    EXPECT_EQ(table.LookupName(""), "");

    table.Free(3);
    EXPECT_EQ(table.LookupName("10086", &id), "Later");
    EXPECT_EQ(id, 9);
    table.Free(500);  // out of range: nothing happens
    EXPECT_EQ(table.Count(), 2);
    // Entries in slot order; prefix search skips free slots and empty numbers.
    ASSERT_TRUE(table.Put(Rec(1, "", "No number")));
    const std::vector<PhoneBookRecord> entries = table.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].id, 1);
    EXPECT_EQ(entries[2].id, 9);
    ASSERT_NE(table.FirstNumberStartingWith("100"), nullptr);
    EXPECT_EQ(table.FirstNumberStartingWith("100")->id, 9);
    EXPECT_EQ(table.FirstNumberStartingWith("")->id, 7);
    EXPECT_EQ(table.FirstNumberStartingWith("10087"), nullptr);
    table.Free(1);

    // Texts without their zero are cut to the field.
    PhoneBookRecord full{};
    full.id = 200;
    std::memset(full.number, '5', sizeof full.number);
    std::memset(full.name, 'n', sizeof full.name);
    ASSERT_TRUE(table.Put(full));
    EXPECT_EQ(FieldText(table.Slot(200)->number), std::string(15, '5'));
    EXPECT_EQ(FieldText(table.Slot(200)->name), std::string(31, 'n'));
}

TEST(PhoneBookRead, LyingCardIsClampedCheckedAndCut) {
    FakeCard card;
    PhoneBookRecord unterminated = Rec(4, "", "");
    std::memset(unterminated.number, '7', sizeof unterminated.number);
    std::memset(unterminated.name, 'A', sizeof unterminated.name);
    card.fill = {Rec(2, "10086", "Mobile"), Rec(201, "1", "too high"),
                 Rec(-7, "2", "negative"),  unterminated,
                 Rec(2, "999", "again"),    Rec(200, "200", "last")};
    card.reported = 100000;  // far beyond the buffer

    FakeSink sink;
    EXPECT_EQ(RunReadWorker(card, sink), 3);
    EXPECT_EQ(sink.events,
              (std::vector<std::string>{"busy", "reading", "deliver", "done", "free"}));
    ASSERT_EQ(sink.delivered.size(), 3u);
    EXPECT_EQ(sink.delivered[0].id, 2);
    EXPECT_EQ(FieldText(sink.delivered[0].name), "Mobile");
    EXPECT_EQ(sink.delivered[1].id, 4);
    EXPECT_EQ(FieldText(sink.delivered[1].number), std::string(15, '7'));
    EXPECT_EQ(sink.delivered[1].number[15], '\0');
    EXPECT_EQ(FieldText(sink.delivered[1].name), std::string(31, 'A'));
    EXPECT_EQ(sink.delivered[2].id, 200);

    std::string log;
    for (const std::string& line : card.log) log += line;
    EXPECT_NE(log.find("100000"), std::string::npos) << log;
    EXPECT_NE(log.find("201 outside"), std::string::npos) << log;
    EXPECT_NE(log.find("-7 outside"), std::string::npos) << log;
    EXPECT_NE(log.find("2 repeated"), std::string::npos) << log;
    // The 195 records the card counted but never wrote are one line, not 195.
    EXPECT_NE(log.find("195 records counted but not filled"), std::string::npos) << log;
}

TEST(PhoneBookRead, FailureEmptyAndUnusableAnswersDeliverNothing) {
    for (int32_t reported : {-1, 0}) {
        FakeCard card;
        card.fill = {Rec(1, "1", "a")};
        card.reported = reported;
        FakeSink sink;
        EXPECT_EQ(RunReadWorker(card, sink), 0);
        EXPECT_EQ(sink.events, (std::vector<std::string>{"busy", "reading", "failed", "free"}));
    }
    // Only identifiers the table cannot hold: the old contents stay.
    FakeCard card;
    card.fill = {Rec(300, "1", "a"), Rec(-2, "2", "b")};
    card.reported = 2;
    FakeSink sink;
    EXPECT_EQ(ReadPhoneBook(card, sink), 0);
    EXPECT_TRUE(sink.events.empty());
}

TEST(PhoneBookDelete, HighestRowFirstAndRefusalsKeepTheirRows) {
    FakeCard card;
    card.refuseDelete = {50};
    const std::vector<SelectedRow> deleted = DeleteOnCard({{2, 20}, {5, 50}, {3, 30}}, card);
    EXPECT_EQ(card.deleted, (std::vector<int32_t>{50, 30, 20}));
    ASSERT_EQ(deleted.size(), 2u);
    EXPECT_EQ(deleted[0].row, 3);
    EXPECT_EQ(deleted[1].row, 2);
}

TEST(PhoneBookMenu, SelectionDecidesTheCommands) {
    const MenuState none = MenuFor(0);
    EXPECT_TRUE(none.add && none.import);
    EXPECT_FALSE(none.edit || none.remove || none.sendSms || none.call || none.exportRows);
    const MenuState one = MenuFor(1);
    EXPECT_TRUE(one.add && one.edit && one.remove && one.sendSms && one.call && one.import &&
                one.exportRows);
    const MenuState two = MenuFor(2);
    EXPECT_TRUE(two.remove && two.exportRows && two.add && two.import);
    EXPECT_FALSE(two.edit || two.sendSms || two.call);
}

TEST(PhoneBookEditor, ChecksInOrderAndEditKeepsItsOwnNumber) {
    PhoneBookTable table;
    table.Put(Rec(1, "10086", "Mobile"));
    table.Put(Rec(2, "13800138000", "Zhang"));

    SaveRequest add;
    add.name = "New";
    add.number = "10086";
    PhoneBookRecord record{};
    EXPECT_EQ(CheckSave(add, table, &record), SaveCheck::NumberExists);
    add.name = "";
    EXPECT_EQ(CheckSave(add, table, &record), SaveCheck::Empty);
    add.name = std::string(13, 'x');  // one byte beyond the control's limit, checked first
    add.number = "";
    EXPECT_EQ(CheckSave(add, table, &record), SaveCheck::NameTooLong);
    add.name = std::string(12, 'x');
    add.number = std::string(16, '1');  // the control takes it, a record does not
    EXPECT_EQ(CheckSave(add, table, &record), SaveCheck::NumberTooLong);
    add.number = std::string(15, '1');
    ASSERT_EQ(CheckSave(add, table, &record), SaveCheck::Ok);
    EXPECT_EQ(record.id, -1);
    EXPECT_EQ(FieldText(record.number), std::string(15, '1'));

    SaveRequest edit;
    edit.mode = EditorMode::Edit;
    edit.editedId = 2;
    edit.previousNumber = "13800138000";
    edit.name = "Zhang San";
    edit.number = "13800138000";
    ASSERT_EQ(CheckSave(edit, table, &record), SaveCheck::Ok);
    EXPECT_EQ(record.id, 2);
    edit.number = "10086";  // the other entry's number
    EXPECT_EQ(CheckSave(edit, table, &record), SaveCheck::NumberExists);

    // The card's answer decides the slot; an answer outside the table changes nothing.
    EXPECT_TRUE(StoreSaved(table, Rec(-1, "555", "Five"), 7));
    EXPECT_EQ(table.LookupName("555"), "Five");
    EXPECT_FALSE(StoreSaved(table, Rec(-1, "666", "Six"), 250));
    EXPECT_EQ(table.Count(), 3);
}

TEST(PhoneBookCsv, HeaderAndLines) {
    auto columns = ParseCsvHeader("TEL,Name");
    ASSERT_TRUE(columns);
    EXPECT_EQ(columns->tel, 0);
    EXPECT_EQ(columns->name, 1);
    ASSERT_TRUE(ParseCsvHeader("name,tel,comment"));
    EXPECT_FALSE(ParseCsvHeader("name;tel"));
    EXPECT_FALSE(ParseCsvHeader("name,name"));
    EXPECT_FALSE(ParseCsvHeader(""));

    const CsvColumns swapped = *columns;
    auto entry = ParseCsvLine("10086,Mobile,ignored,more", swapped);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "Mobile");
    EXPECT_EQ(entry->number, "10086");
    EXPECT_FALSE(ParseCsvLine("10086,", swapped));
    EXPECT_FALSE(ParseCsvLine(",Mobile", swapped));
    EXPECT_FALSE(ParseCsvLine("no comma", swapped));
    EXPECT_FALSE(ParseCsvLine("", swapped));
    // Blanks and quotes belong to the field; each field is cut to 15 bytes.
    entry = ParseCsvLine("\" Quoted name that is long\",12345678901234567890", CsvColumns{});
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->name, "\" Quoted name t");
    EXPECT_EQ(entry->number, "123456789012345");

    const CsvFile file = ParseCsv("Tel,NAME\r\n10086,Mobile\r\n\r\nbroken\r\n123,Zhang\n456,Li");
    ASSERT_TRUE(file.columns);
    ASSERT_EQ(file.entries.size(), 3u);
    EXPECT_EQ(file.entries[0].name, "Mobile");
    EXPECT_EQ(file.entries[1].number, "123");
    EXPECT_EQ(file.entries[2].name, "Li");

    EXPECT_FALSE(ParseCsv("").hasHeader);
    const CsvFile bad = ParseCsv("name;tel\r\na,1\r\n");
    EXPECT_TRUE(bad.hasHeader);
    EXPECT_FALSE(bad.columns);
    EXPECT_TRUE(bad.entries.empty());

    EXPECT_EQ(FormatCsv({{"Mobile", "10086"}, {"Zhang", "138"}}),
              "name,tel\r\nMobile,10086\r\nZhang,138\r\n");
    // What the export writes, the import reads back.
    const CsvFile back = ParseCsv(FormatCsv({{"Mobile", "10086"}}));
    ASSERT_EQ(back.entries.size(), 1u);
    EXPECT_EQ(back.entries[0].name, "Mobile");
}

TEST(PhoneBookCsv, ImportAsksBeforeOverwritingAndCountsStoredEntries) {
    PhoneBookTable table;
    table.Put(Rec(5, "10086", "Mobile"));
    table.Put(Rec(6, "10010", "Unicom"));
    FakeCard card;
    std::vector<std::string> asked;
    std::map<std::string, bool> answers = {{"10086", true}, {"10010", false}, {"555", true}};
    std::vector<std::pair<int32_t, bool>> rows;
    ImportSteps steps;
    steps.confirmOverwrite = [&](const CsvEntry& entry, const std::string& existing) {
        asked.push_back(entry.name + "/" + existing);
        return answers[entry.number];
    };
    steps.stored = [&](const PhoneBookRecord& record, bool isNew) {
        rows.emplace_back(record.id, isNew);
    };
    const std::vector<CsvEntry> entries = {{"China Mobile", "10086"},
                                           {"New Unicom", "10010"},
                                           {"Fresh", "555"},
                                           {"Fresh again", "555"}};
    EXPECT_EQ(ImportEntries(entries, table, card, steps), 3);
    // The second 555 finds the first one, stored a moment ago.
    EXPECT_EQ(asked, (std::vector<std::string>{"China Mobile/Mobile", "New Unicom/Unicom",
                                               "Fresh again/Fresh"}));
    ASSERT_EQ(card.added.size(), 3u);
    EXPECT_EQ(card.added[0].id, 5);
    EXPECT_EQ(card.added[1].id, -1);
    EXPECT_EQ(rows, (std::vector<std::pair<int32_t, bool>>{{5, false}, {100, true}, {100, false}}));
    EXPECT_EQ(table.LookupName("10086"), "China Mobile");
    EXPECT_EQ(table.LookupName("10010"), "Unicom");

    // A card that refuses everything imports nothing.
    FakeCard refusing;
    refusing.addResult = -1;
    EXPECT_EQ(ImportEntries({{"X", "1"}}, table, refusing, steps), 0);
}

