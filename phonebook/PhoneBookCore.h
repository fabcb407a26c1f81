// Phone book decisions: taking the card's read buffer, the read worker, deleting several rows, the
// context menu's states and the entry editor's checks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "phonebook/PhoneBookTable.h"

namespace phonebook {

// The card as the phone book uses it. The Windows side calls the modem module inside the fault
// guard: a fault or a missing entry comes back as the call's failure value.
class Card {
public:
    virtual ~Card() = default;
    // Fills up to kSlots records of `buffer`; the count the module reports (not trusted).
    virtual int32_t GetAll(PhoneBookRecord* buffer) = 0;
    // Stores the record (id -1: a new entry); the identifier used, or -1.
    virtual int32_t Add(const PhoneBookRecord& record) = 0;
    // Deletes an entry; 0 when deleted.
    virtual int32_t Delete(int32_t id) = 0;
    // A line for the module's log.
    virtual void Log(const std::string& line) = 0;
};

// ---- Reading ----------------------------------------------------------------------------------

using ReadBuffer = std::array<PhoneBookRecord, kSlots>;

// Every record free (identifier -1, empty texts): records the module does not write are skipped.
void ClearReadBuffer(ReadBuffer& buffer);

// A record's texts cut to their fields and terminated, whatever the module left in them.
PhoneBookRecord Terminated(const PhoneBookRecord& record);

struct ReadOutcome {
    std::vector<PhoneBookRecord> records;  // in the card's order, identifiers unique and in range
    int32_t taken = 0;                     // records looked at: the reported count within 0..kSlots
    std::vector<int32_t> outOfRange;       // identifiers outside 0..200, skipped
    std::vector<int32_t> repeated;         // identifiers met before, skipped
};

// The records of a filled buffer: the reported count clamped to the buffer, identifiers checked,
// texts terminated. The first record of an identifier wins.
ReadOutcome TakeReadBuffer(const ReadBuffer& buffer, int32_t reported);

// Where a read goes: the port flag, the status line, and the window thread that lists the records.
class ReadSink {
public:
    virtual ~ReadSink() = default;
    virtual void SetPortBusy(bool busy) = 0;
    virtual void PostReading() = 0;                  // the sticky "reading" text
    virtual void PostReadResult(bool anything) = 0;  // "done", or "failed or empty"
    // The new contents of the table and the list (not called when nothing usable came back).
    virtual void Deliver(std::vector<PhoneBookRecord> records) = 0;
};

// Reads the card's phone book and hands the records to the sink; the number of records handed
// over. Nothing usable (a failed call, a count below 1, only unusable identifiers) delivers
// nothing, so the table and the list keep what they had. Skipped identifiers are logged.
int ReadPhoneBook(Card& card, ReadSink& sink);

// The read worker: holds the port flag for the whole read (cleared on every path), posts the
// reading text and then the result.
int RunReadWorker(Card& card, ReadSink& sink);

// ---- Deleting ---------------------------------------------------------------------------------

struct SelectedRow {
    int row;     // list row index
    int32_t id;  // the row's record identifier
};

// Deletes the selected rows' entries on the card, highest row first; the rows whose deletion the
// card confirmed, in the order deleted (highest first), so each can be removed from the list
// without moving the ones still to come.
std::vector<SelectedRow> DeleteOnCard(std::vector<SelectedRow> selected, Card& card);

// ---- The context menu -------------------------------------------------------------------------

struct MenuState {
    bool add = true;
    bool edit = false;
    bool remove = false;
    bool sendSms = false;
    bool call = false;
    bool import = true;
    bool exportRows = false;
};

// Which commands the list's context menu offers for this many selected rows.
MenuState MenuFor(int selectedRows);

// ---- The entry editor -------------------------------------------------------------------------

constexpr std::size_t kNameEditBytes = 12;    // the name control's limit
constexpr std::size_t kNumberEditBytes = 16;  // the number control's limit
constexpr std::size_t kNumberBytes = sizeof(PhoneBookRecord::number) - 1;  // what a record holds

enum class EditorMode { Add, Edit };

enum class SaveCheck {
    Ok,
    NameTooLong,    // more than the name control takes
    NumberTooLong,  // more than a record's number field holds
    Empty,          // no name or no number
    NumberExists,   // another entry has the number
};

struct SaveRequest {
    EditorMode mode = EditorMode::Add;
    int32_t editedId = -1;       // edit mode: the entry being changed
    std::string previousNumber;  // edit mode: its number before the change
    std::string name;            // ANSI texts as typed
    std::string number;
};

// Checks a save in the editor's order: lengths (the control values), empty fields, duplicates. An
// entry keeps its own number in edit mode. On Ok, *record is what goes to the card.
SaveCheck CheckSave(const SaveRequest& request, const PhoneBookTable& table,
                    PhoneBookRecord* record);

// The table after the card stored `record` under identifier `stored`: slot `stored` holds it.
// False, and the table unchanged, for an identifier outside 0..200.
bool StoreSaved(PhoneBookTable& table, const PhoneBookRecord& record, int32_t stored);

// ---- Texts ------------------------------------------------------------------------------------

}  // namespace phonebook
