// Phone book decisions: the read buffer, the read worker, deleting rows, menu states, editor
// checks.
#include "phonebook/PhoneBookCore.h"

#include <algorithm>
#include <bitset>
#include <cstring>

#include "framework/TextUtil.h"

namespace phonebook {

void ClearReadBuffer(ReadBuffer& buffer) {
    for (PhoneBookRecord& record : buffer) {
        std::memset(&record, 0, sizeof record);
        record.id = -1;
    }
}

PhoneBookRecord Terminated(const PhoneBookRecord& record) {
    PhoneBookRecord out{};
    out.id = record.id;
    text::CopyBounded(out.number, FieldText(record.number));
    text::CopyBounded(out.name, FieldText(record.name));
    return out;
}

ReadOutcome TakeReadBuffer(const ReadBuffer& buffer, int32_t reported) {
    ReadOutcome outcome;
    outcome.taken = std::clamp<int32_t>(reported, 0, kSlots);
    std::bitset<kSlots> seen;
    for (int32_t i = 0; i < outcome.taken; ++i) {
        const PhoneBookRecord& record = buffer[static_cast<std::size_t>(i)];
        if (record.id < 0 || record.id >= kSlots) {
            outcome.outOfRange.push_back(record.id);
            continue;
        }
        if (seen.test(static_cast<std::size_t>(record.id))) {
            outcome.repeated.push_back(record.id);
            continue;
        }
        seen.set(static_cast<std::size_t>(record.id));
        outcome.records.push_back(Terminated(record));
    }
    return outcome;
}

int ReadPhoneBook(Card& card, ReadSink& sink) {
    ReadBuffer buffer;
    ClearReadBuffer(buffer);
    const int32_t reported = card.GetAll(buffer.data());
    ReadOutcome outcome = TakeReadBuffer(buffer, reported);
    if (reported > kSlots)
        card.Log("Phone book: the card reported " + std::to_string(reported) + " records, read " +
                 std::to_string(kSlots) + "\n");
    // Records the card never filled keep the free identifier; only the ones it wrote are news.
    std::size_t unwritten = 0;
    for (int32_t id : outcome.outOfRange) {
        if (id == -1) {
            ++unwritten;
            continue;
        }
        card.Log("Phone book: record identifier " + std::to_string(id) +
                 " outside 0..200, skipped\n");
    }
    if (unwritten > 0)
        card.Log("Phone book: " + std::to_string(unwritten) +
                 " records counted but not filled, skipped\n");
    for (int32_t id : outcome.repeated)
        card.Log("Phone book: record identifier " + std::to_string(id) + " repeated, skipped\n");
    if (outcome.records.empty()) return 0;
    const int read = static_cast<int>(outcome.records.size());
    sink.Deliver(std::move(outcome.records));
    return read;
}

int RunReadWorker(Card& card, ReadSink& sink) {
    struct PortHold {
        explicit PortHold(ReadSink& s) : sink(s) { sink.SetPortBusy(true); }
        ~PortHold() { sink.SetPortBusy(false); }
        ReadSink& sink;
    } hold(sink);
    sink.PostReading();
    const int read = ReadPhoneBook(card, sink);
    sink.PostReadResult(read > 0);
    return read;
}

std::vector<SelectedRow> DeleteOnCard(std::vector<SelectedRow> selected, Card& card) {
    std::sort(selected.begin(), selected.end(),
              [](const SelectedRow& a, const SelectedRow& b) { return a.row > b.row; });
    std::vector<SelectedRow> deleted;
    for (const SelectedRow& row : selected)
        if (card.Delete(row.id) == 0) deleted.push_back(row);
    return deleted;
}

MenuState MenuFor(int selectedRows) {
    MenuState state;
    const bool one = selectedRows == 1;
    const bool any = selectedRows > 0;
    state.edit = one;
    state.sendSms = one;
    state.call = one;
    state.remove = any;
    state.exportRows = any;
    return state;
}

SaveCheck CheckSave(const SaveRequest& request, const PhoneBookTable& table,
                    PhoneBookRecord* record) {
    if (request.name.size() > kNameEditBytes) return SaveCheck::NameTooLong;
    // The control takes one byte more than a record holds: such a number is refused rather than
    // stored cut.
    if (request.number.size() > kNumberBytes) return SaveCheck::NumberTooLong;
    if (request.name.empty() || request.number.empty()) return SaveCheck::Empty;
    const bool taken = !table.LookupName(request.number).empty();
    if (request.mode == EditorMode::Add) {
        if (taken) return SaveCheck::NumberExists;
    } else if (taken && request.number != request.previousNumber) {
        return SaveCheck::NumberExists;
    }
    if (record) {
        *record = PhoneBookRecord{};
        record->id = request.mode == EditorMode::Add ? -1 : request.editedId;
        text::CopyBounded(record->number, request.number);
        text::CopyBounded(record->name, request.name);
    }
    return SaveCheck::Ok;
}

bool StoreSaved(PhoneBookTable& table, const PhoneBookRecord& record, int32_t stored) {
    PhoneBookRecord slot = Terminated(record);
    slot.id = stored;
    return table.Put(slot);
}

}  // namespace phonebook
