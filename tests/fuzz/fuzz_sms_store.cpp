// Fuzzes reading a module's message lists into the store: counts and record bytes as a lying
// module might hand them over, then the order, the rows and the deletion order built from them.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "sms/SmsCore.h"

namespace {

// Input: received claim (4 bytes), sent claim (4), records each read writes (1 + 1, at most a
// full store), then the bytes of the records, the received ones first.
class FuzzModule : public sms::SmsModem {
public:
    FuzzModule(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int32_t GetAllReceived(SmsRecord* records) override { return Read(records, 0, 8); }
    int32_t GetAllSent(SmsRecord* records) override { return Read(records, 4, 9); }

private:
    uint32_t Byte(size_t at) const { return at < size_ ? data_[at] : 0; }
    int32_t Read(SmsRecord* records, size_t claimAt, size_t writtenAt) {
        uint32_t claim = 0;
        for (size_t i = 0; i < 4; ++i) claim |= Byte(claimAt + i) << (8 * i);
        const size_t written = Byte(writtenAt) % (sms::kStoreCapacity + 1);
        for (size_t i = 0; i < written; ++i) {
            unsigned char bytes[sizeof(SmsRecord)] = {};
            for (size_t b = 0; b < sizeof bytes; ++b)
                bytes[b] = static_cast<unsigned char>(Byte(next_++));
            std::memcpy(&records[i], bytes, sizeof bytes);
        }
        return static_cast<int32_t>(claim);
    }
    const uint8_t* data_;
    size_t size_;
    size_t next_ = 10;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzModule module(data, size);
    sms::SmsStore store;
    const int count = sms::ReadSmsLists(module, store);
    if (count < 0 || count > sms::kStoreCapacity || store.received < 0 || store.sent < 0 ||
        (count > 0 && count != store.Count()))
        __builtin_trap();
    // Received messages first, newest first.
    for (int i = 1; i < store.Count(); ++i) {
        const SmsRecord& a = store.records[static_cast<size_t>(i - 1)];
        const SmsRecord& b = store.records[static_cast<size_t>(i)];
        if (!sms::IsReceived(a) && sms::IsReceived(b)) __builtin_trap();
        if (sms::IsReceived(a) && sms::IsReceived(b) && sms::TextsOf(a).time < sms::TextsOf(b).time)
            __builtin_trap();
    }
    const std::vector<sms::SmsRow> rows = sms::BuildRows(store, [](std::string_view number) {
        return number.size() > 3 ? std::string(number.substr(0, 3)) : std::string();
    });
    std::vector<sms::SelectedRow> selected;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].number.size() > sizeof(SmsRecord::number) ||
            rows[i].content.size() > sizeof(SmsRecord::content))
            __builtin_trap();
        selected.push_back({static_cast<int>(i), rows[i].id, !rows[i].received});
    }
    const sms::DeletionOutcome outcome = sms::DeleteSelected(
        selected, [](const sms::SelectedRow& row) { return (row.id & 1) == 0; });
    for (size_t i = 1; i < outcome.removedRows.size(); ++i)
        if (outcome.removedRows[i - 1] <= outcome.removedRows[i]) __builtin_trap();
    return 0;
}
