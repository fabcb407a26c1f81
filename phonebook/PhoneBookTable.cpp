// The phone book table: slots by identifier, exact-number lookup, prefix search.
#include "phonebook/PhoneBookTable.h"

#include <cstring>

#include "framework/TextUtil.h"

namespace phonebook {
namespace {

bool InRange(int32_t id) { return id >= 0 && id < kSlots; }

}  // namespace

void PhoneBookTable::Clear() {
    for (PhoneBookRecord& slot : slots_) {
        std::memset(&slot, 0, sizeof slot);
        slot.id = -1;
    }
}

bool PhoneBookTable::Put(const PhoneBookRecord& record) {
    if (!InRange(record.id)) return false;
    PhoneBookRecord& slot = slots_[static_cast<std::size_t>(record.id)];
    std::memset(&slot, 0, sizeof slot);
    slot.id = record.id;
    text::CopyBounded(slot.number, FieldText(record.number));
    text::CopyBounded(slot.name, FieldText(record.name));
    return true;
}

void PhoneBookTable::Free(int32_t id) {
    if (!InRange(id)) return;
    PhoneBookRecord& slot = slots_[static_cast<std::size_t>(id)];
    std::memset(&slot, 0, sizeof slot);
    slot.id = -1;
}

bool PhoneBookTable::Used(int32_t id) const {
    return InRange(id) && slots_[static_cast<std::size_t>(id)].id != -1;
}

const PhoneBookRecord* PhoneBookTable::Slot(int32_t id) const {
    return InRange(id) ? &slots_[static_cast<std::size_t>(id)] : nullptr;
}

std::string PhoneBookTable::LookupName(std::string_view number, int32_t* id) const {
    for (const PhoneBookRecord& slot : slots_) {
        if (slot.id == -1 || FieldText(slot.number) != number) continue;
        if (id) *id = slot.id;
        return FieldText(slot.name);
    }
    return {};
}

const PhoneBookRecord* PhoneBookTable::FirstNumberStartingWith(std::string_view prefix) const {
    for (const PhoneBookRecord& slot : slots_) {
        if (slot.id == -1) continue;
        const std::string number = FieldText(slot.number);
        if (!number.empty() && number.compare(0, prefix.size(), prefix) == 0 &&
            number.size() >= prefix.size())
            return &slot;
    }
    return nullptr;
}

std::vector<PhoneBookRecord> PhoneBookTable::Entries() const {
    std::vector<PhoneBookRecord> used;
    for (const PhoneBookRecord& slot : slots_)
        if (slot.id != -1) used.push_back(slot);
    return used;
}

int PhoneBookTable::Count() const {
    int n = 0;
    for (const PhoneBookRecord& slot : slots_) n += slot.id != -1 ? 1 : 0;
    return n;
}

}  // namespace phonebook
