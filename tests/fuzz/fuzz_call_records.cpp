// Fuzzes taking the module's call records and the caller's number completion: the input is what a
// module leaves in the record buffer (its count first), then phone-book numbers and typed text.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "phonebook/PhoneBookTable.h"
#include "voice/CallCore.h"
#include "voice/CallRecordsCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t count = 0;
    if (size >= sizeof count) {
        std::memcpy(&count, data, sizeof count);
        data += sizeof count;
        size -= sizeof count;
    }
    voice::CallRecordBuffer buffer;
    const size_t taken = size < sizeof buffer.records ? size : sizeof buffer.records;
    std::memcpy(buffer.records, data, taken);
    const auto entries = voice::TakeCallRecords(buffer, count);
    if (entries.size() > static_cast<size_t>(voice::kRecordCapacity)) __builtin_trap();
    for (const voice::CallEntry& e : entries) {
        if (e.number.size() > sizeof(CallRecord::number) || e.time.size() > sizeof(CallRecord::time))
            __builtin_trap();
        (void)voice::RowTexts(e, e.time);
        if (voice::TypeWordIndex(e.type) < 0 || voice::TypeWordIndex(e.type) > 2) __builtin_trap();
    }

    // The record bytes double as a phone book; what follows them is typed into the number field.
    phonebook::PhoneBookTable book;
    for (int i = 0; i < voice::kRecordCapacity; ++i) {
        PhoneBookRecord r{};
        r.id = i * 10;
        std::memcpy(r.number, buffer.records[i].number, sizeof r.number);
        (void)book.Put(r);
    }
    const std::string_view typed(reinterpret_cast<const char*>(data) + taken, size - taken);
    for (size_t i = 0; i < typed.size() && i < 64; ++i) {
        const auto rest = voice::CompleteNumber(book, typed.substr(0, i), typed[i]);
        if (rest && rest->size() >= sizeof(PhoneBookRecord::number)) __builtin_trap();
    }
    return 0;
}
