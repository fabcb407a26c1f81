// The call records without windows: taking the module's records safely, and the list's texts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "modem/ModemApi.h"

namespace voice {

constexpr int kRecordCapacity = modem::kCallRecordCapacity;
// mdmVoiceGetAllRec is given no capacity: a module that writes past the 20 records it may write
// lands in this spare room of the reader's own buffer instead of in other memory.
constexpr int kRecordMargin = 44;

struct CallRecordBuffer {
    CallRecord records[kRecordCapacity + kRecordMargin] = {};
};

// A remembered call as the program keeps it.
struct CallEntry {
    int32_t id = 0;
    int32_t type = 0;
    std::string number;  // ANSI
    int32_t duration = 0;
    std::string time;  // ANSI, as the module writes it
};

// The records a read returned: at most 20 whatever count the module reports (less than 1: none),
// never more than the buffer holds, every text read only up to the end of its field.
std::vector<CallEntry> TakeCallRecords(const CallRecordBuffer& buffer, int32_t count);

// Index into the type words "outgoing,answered,missed": 0 outgoing, 1 answered, any other type
// missed.
int TypeWordIndex(int32_t type);

// Columns of the list: party, type, time, duration, and the number in a hidden last column.
constexpr int kColumnCount = 5;
constexpr int kPartyWidth = 75;
constexpr int kTypeWidth = 40;
constexpr int kDurationWidth = 35;
constexpr int kBorderAllowance = 10;  // the time column leaves this much of the client width
constexpr int kMinTimeWidth = 80;

// Column widths: party 75, type 40, duration 35 pixels, but each at least the width the page
// measured for its content in the list's font (an 11-digit number, the type words, the duration
// title), so a larger system font does not clip them; the time column takes what they leave of
// the list's client width, at least 80; the number column is hidden.
struct ColumnMinimums {
    int party = 0;
    int type = 0;
    int duration = 0;
};
std::array<int, kColumnCount> ColumnWidths(int listClientWidth, const ColumnMinimums& minimums);

// The texts of one row (ANSI): the phone-book name or, without one, the number; the duration as
// a plain decimal number. The type column comes from TypeWordIndex.
struct CallRowTexts {
    std::string party;
    std::string time;
    std::string duration;
    std::string number;
};
CallRowTexts RowTexts(const CallEntry& entry, std::string_view name);

// Rows to delete, bottom first, so that deleting one does not move those still to come.
std::vector<int> DeletionOrder(std::vector<int> selectedRows);

}  // namespace voice
