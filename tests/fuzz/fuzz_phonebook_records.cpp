// Fuzzes the phone book's reader of the module's record buffer: the count and records a lying
// module hands over, then the table filled from them and the lookups the other pages make in it.
#include <bitset>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "phonebook/PhoneBookCore.h"

namespace {

// Input: the reported count (4 bytes), how many records the module writes (1 byte, at most the
// 201 of the buffer), then the bytes of those records; what is left over answers deletions.
class FuzzCard : public phonebook::Card {
public:
    FuzzCard(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    int32_t GetAll(PhoneBookRecord* buffer) override {
        int32_t reported = 0;
        for (size_t i = 0; i < 4; ++i) reported |= static_cast<int32_t>(Byte(i) << (8 * i));
        const size_t written = Byte(4) % (phonebook::kSlots + 1);
        for (size_t r = 0; r < written; ++r) {
            unsigned char bytes[sizeof(PhoneBookRecord)];
            for (unsigned char& b : bytes) b = static_cast<unsigned char>(Byte(next_++));
            std::memcpy(&buffer[r], bytes, sizeof bytes);
        }
        return reported;
    }
    int32_t Add(const PhoneBookRecord&) override { return -1; }
    int32_t Delete(int32_t) override { return Byte(next_++) & 1; }
    void Log(const std::string& line) override {
        if (line.empty() || line.back() != '\n' || line.size() > 200) __builtin_trap();
        ++logLines;
    }

    int logLines = 0;

private:
    uint32_t Byte(size_t at) const { return at < size_ ? data_[at] : 0; }
    const uint8_t* data_;
    size_t size_;
    size_t next_ = 5;
};

class Sink : public phonebook::ReadSink {
public:
    void SetPortBusy(bool busy) override { portBusy = busy; }
    void PostReading() override { reading = true; }
    void PostReadResult(bool anything) override { result = anything ? 1 : 0; }
    void Deliver(std::vector<PhoneBookRecord> records) override {
        ++deliveries;
        delivered = std::move(records);
    }

    bool portBusy = false;
    bool reading = false;
    int result = -1;
    int deliveries = 0;
    std::vector<PhoneBookRecord> delivered;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzCard card(data, size);
    Sink sink;
    const int read = phonebook::RunReadWorker(card, sink);
    if (sink.portBusy || !sink.reading || sink.result != (read > 0 ? 1 : 0)) __builtin_trap();
    if (read < 0 || read > phonebook::kSlots || sink.deliveries != (read > 0 ? 1 : 0) ||
        static_cast<size_t>(read) != sink.delivered.size())
        __builtin_trap();
    // More log lines than records looked at would be a reader walking past the buffer.
    if (card.logLines > phonebook::kSlots + 2) __builtin_trap();

    std::bitset<phonebook::kSlots> seen;
    phonebook::PhoneBookTable table;
    for (const PhoneBookRecord& r : sink.delivered) {
        if (r.id < 0 || r.id >= phonebook::kSlots || seen.test(static_cast<size_t>(r.id)))
            __builtin_trap();
        seen.set(static_cast<size_t>(r.id));
        if (strnlen(r.number, sizeof r.number) >= sizeof r.number ||
            strnlen(r.name, sizeof r.name) >= sizeof r.name)
            __builtin_trap();
        if (!table.Put(r)) __builtin_trap();
    }
    if (table.Count() != read) __builtin_trap();

    // What the other pages do with the table: names by number, number completion, deletions.
    for (const PhoneBookRecord& r : sink.delivered) {
        int32_t found = -1;
        const std::string name = table.LookupName(r.number, &found);
        const PhoneBookRecord* slot = table.Slot(found);
        if (!slot || found > r.id || std::strcmp(slot->number, r.number) != 0 || name != slot->name)
            __builtin_trap();
        const PhoneBookRecord* first = table.FirstNumberStartingWith(std::string(r.number, 1));
        if (r.number[0] != '\0' && (!first || first->number[0] != r.number[0])) __builtin_trap();
    }
    std::vector<phonebook::SelectedRow> rows;
    for (size_t i = 0; i < sink.delivered.size(); ++i)
        rows.push_back({static_cast<int>(i), sink.delivered[i].id});
    const auto deleted = phonebook::DeleteOnCard(rows, card);
    for (size_t i = 1; i < deleted.size(); ++i)
        if (deleted[i - 1].row <= deleted[i].row) __builtin_trap();
    for (const auto& row : deleted) table.Free(row.id);
    if (table.Count() != read - static_cast<int>(deleted.size())) __builtin_trap();
    return 0;
}
