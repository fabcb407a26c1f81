// The message store and the decisions of the message pages: reading the card's two lists, their
// order, the list rows, the order of deletions and the texts built from messages.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "modem/ModemApi.h"

namespace sms {

constexpr int kStoreCapacity = modem::kSmsCapacity;
// The longest text the compose page and the batch dialog send, in ANSI bytes.
constexpr std::size_t kMaxTextBytes = 1024;
// Widths of the list's columns: name, type (shown, hidden), time, and what the content column
// leaves of the list's client width.
constexpr int kNameColumnWidth = 75;
constexpr int kTypeColumnWidthAtStart = 40;
constexpr int kTypeColumnWidthShown = 80;
constexpr int kTimeColumnWidth = 80;
constexpr int kContentColumnReserve = 195;
constexpr int kContentColumnMinimum = 30;

// A record's texts, each up to its first NUL and never past its field: a module that leaves a
// field unterminated gets it cut at the field's size.
struct SmsTexts {
    std::string number;
    std::string time;
    std::string content;
};
SmsTexts TextsOf(const SmsRecord& record);

// Received is every type but 0, as the list shows it.
inline bool IsReceived(const SmsRecord& record) {
    return record.type != 0;
}

// The messages of the last read: entries 0 .. received-1 received, then the sent ones.
struct SmsStore {
    std::array<SmsRecord, kStoreCapacity> records{};
    int32_t received = 0;
    int32_t sent = 0;
    int Count() const { return received + sent; }
};

// The module's two list reads, each writing records from `records` on without being told how
// many fit. A failed or faulting call returns a value below 1.
class SmsModem {
public:
    virtual ~SmsModem() = default;
    virtual int32_t GetAllReceived(SmsRecord* records) = 0;
    virtual int32_t GetAllSent(SmsRecord* records) = 0;
};

// How many records the private read buffer holds: the store's and as many again, so a module that
// writes a full store in each of its two calls stays inside it.
constexpr int kReadBufferRecords = 2 * kStoreCapacity;

// Reads the received list, then the sent list right after the received records, into a private
// buffer; clamps the counts (a negative count is 0, received + sent never exceeds the store) and,
// when at least one record came, copies them into `store` and sorts it. Returns received + sent;
// with 0 the store is left as it was.
int ReadSmsLists(SmsModem& modem, SmsStore& store);

// Received messages first, the newest first (time texts compared byte by byte, equal times keep
// their order), then the sent messages in the order the module delivered them.
void SortMessages(SmsRecord* records, int count);

// One row of the message list.
struct SmsRow {
    std::string shown;  // the phone-book name, or the number when the book has none
    bool received = false;
    std::string time;
    std::string content;
    std::string number;
    int32_t id = 0;
};
using NameLookup = std::function<std::string(std::string_view number)>;
std::vector<SmsRow> BuildRows(const SmsStore& store, const NameLookup& lookupName);

// The type column is shown only when the list holds both kinds of message.
int TypeColumnWidth(const SmsStore& store);
int ContentColumnWidth(int listClientWidth);

// A selected row of the list: its index and its message's identifier.
struct SelectedRow {
    int index;
    int32_t id;
    bool sent;
};
struct DeletionOutcome {
    std::vector<int> removedRows;  // highest index first, ready to be removed in this order
    bool allDeleted = true;
};
// Deletes the selected messages on the card, the largest identifier (as unsigned 32-bit) first;
// deleteOne says whether the card deleted one. Rows whose deletion failed stay.
DeletionOutcome DeleteSelected(std::vector<SelectedRow> rows,
                               const std::function<bool(const SelectedRow&)>& deleteOne);

// The new-message popup: the pattern with name and number, or only its first line when the
// sender's number is unknown.
std::wstring NewSmsText(std::wstring_view pattern, std::wstring_view name,
                        std::wstring_view number);

// The number a recipient text stands for: a phone-book pick "name,number" gives the text after
// its last comma, a typed number itself; blanks around it go.
std::string RecipientNumber(std::string_view recipient);

// Line breaks as a multi-line edit field shows them: a lone "\n" becomes "\r\n".
std::string WithCrLf(std::string_view text);

}  // namespace sms
