// The phone book in memory: 201 slots indexed by the card's record identifier.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "modem/ModemApi.h"

namespace phonebook {

constexpr int kSlots = modem::kPhoneBookSlots;

// The text of a fixed record field: up to its first NUL, never past the field.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != '\0') ++length;
    return std::string(field, length);
}

// Slot i holds the entry whose identifier is i; a free slot has identifier -1 and empty texts.
// The table is the program's only phone book in memory: the other pages find names in it. It is
// read and written on the user-interface thread only.
class PhoneBookTable {
public:
    PhoneBookTable() { Clear(); }

    void Clear();
    // Stores the record in the slot of its identifier, texts cut to their fields; false, and
    // nothing stored, for an identifier outside 0..200.
    bool Put(const PhoneBookRecord& record);
    void Free(int32_t id);
    bool Used(int32_t id) const;
    // The slot's record (free or not); nullptr outside 0..200.
    const PhoneBookRecord* Slot(int32_t id) const;

    // The name of the lowest used slot whose number equals `number` exactly (byte for byte, no
    // normalisation); empty when there is none. The slot's identifier goes to *id when found.
    std::string LookupName(std::string_view number, int32_t* id = nullptr) const;
    // The lowest used slot whose number is not empty and begins with `prefix`; nullptr if none.
    const PhoneBookRecord* FirstNumberStartingWith(std::string_view prefix) const;
    // The used slots in slot order.
    std::vector<PhoneBookRecord> Entries() const;
    int Count() const;

private:
    std::array<PhoneBookRecord, kSlots> slots_;
};

}  // namespace phonebook
