// The call records' decisions: clamping the module's count, bounded texts, list row texts.
#include "voice/CallRecordsCore.h"

#include <algorithm>
#include <functional>

#include "phonebook/PhoneBookTable.h"

namespace voice {

std::vector<CallEntry> TakeCallRecords(const CallRecordBuffer& buffer, int32_t count) {
    const int32_t n = std::clamp<int32_t>(count, 0, kRecordCapacity);
    std::vector<CallEntry> entries;
    entries.reserve(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        const CallRecord& r = buffer.records[i];
        CallEntry e;
        e.id = r.id;
        e.type = r.type;
        e.number = phonebook::FieldText(r.number);
        e.duration = r.duration;
        e.time = phonebook::FieldText(r.time);
        entries.push_back(std::move(e));
    }
    return entries;
}

int TypeWordIndex(int32_t type) {
    return type == 0 || type == 1 ? type : 2;
}

std::array<int, kColumnCount> ColumnWidths(int listClientWidth, const ColumnMinimums& minimums) {
    const int party = std::max(kPartyWidth, minimums.party);
    const int type = std::max(kTypeWidth, minimums.type);
    const int duration = std::max(kDurationWidth, minimums.duration);
    const int time =
        std::max(kMinTimeWidth, listClientWidth - party - type - duration - kBorderAllowance);
    return {party, type, time, duration, 0};
}

CallRowTexts RowTexts(const CallEntry& entry, std::string_view name) {
    CallRowTexts row;
    row.party = name.empty() ? entry.number : std::string(name);
    row.time = entry.time;
    row.duration = std::to_string(entry.duration);
    row.number = entry.number;
    return row;
}

std::vector<int> DeletionOrder(std::vector<int> selectedRows) {
    std::sort(selectedRows.begin(), selectedRows.end(), std::greater<int>());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    return selectedRows;
}

}  // namespace voice
