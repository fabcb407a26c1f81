// The message store and the decisions of the message pages: reading, order, rows, deletion, texts.
#include "sms/SmsCore.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "framework/TextUtil.h"

namespace sms {
namespace {

template <std::size_t N>
std::string Field(const char (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != '\0') ++length;
    return std::string(field, length);
}

// strcmp over two fixed fields, never past their ends: bytes compared unsigned, the shorter text
// first when one is the start of the other.
int CompareTimes(const SmsRecord& a, const SmsRecord& b) {
    return Field(a.time).compare(Field(b.time));
}

int32_t Clamp(int32_t value, int32_t high) {
    return value < 0 ? 0 : (value > high ? high : value);
}

}  // namespace

SmsTexts TextsOf(const SmsRecord& record) {
    return SmsTexts{Field(record.number), Field(record.time), Field(record.content)};
}

int ReadSmsLists(SmsModem& modem, SmsStore& store) {
    // The buffer starts zeroed, so records a lying module counts but never writes are empty.
    auto buffer = std::make_unique<SmsRecord[]>(kReadBufferRecords);
    const int32_t received = Clamp(modem.GetAllReceived(&buffer[0]), kStoreCapacity);
    const int32_t sent = Clamp(modem.GetAllSent(&buffer[received]), kStoreCapacity - received);
    if (received + sent < 1) return 0;

    store.received = received;
    store.sent = sent;
    std::memcpy(store.records.data(), buffer.get(),
                static_cast<std::size_t>(received + sent) * sizeof(SmsRecord));
    SortMessages(store.records.data(), received + sent);
    return received + sent;
}

void SortMessages(SmsRecord* records, int count) {
    if (!records || count < 2) return;
    // A stable sort keeps sent messages, and received ones of equal time, in delivery order.
    std::stable_sort(records, records + count, [](const SmsRecord& a, const SmsRecord& b) {
        if (IsReceived(a) != IsReceived(b)) return IsReceived(a);
        if (!IsReceived(a)) return false;
        return CompareTimes(a, b) > 0;
    });
}

std::vector<SmsRow> BuildRows(const SmsStore& store, const NameLookup& lookupName) {
    std::vector<SmsRow> rows;
    const int count = std::clamp(store.Count(), 0, kStoreCapacity);
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const SmsRecord& record = store.records[static_cast<std::size_t>(i)];
        SmsTexts texts = TextsOf(record);
        SmsRow row;
        std::string name = lookupName ? lookupName(texts.number) : std::string();
        row.shown = name.empty() ? texts.number : std::move(name);
        row.received = IsReceived(record);
        row.time = std::move(texts.time);
        row.content = std::move(texts.content);
        row.number = std::move(texts.number);
        row.id = record.id;
        rows.push_back(std::move(row));
    }
    return rows;
}

int TypeColumnWidth(const SmsStore& store) {
    return store.received < 1 || store.sent < 1 ? 0 : kTypeColumnWidthShown;
}

int ContentColumnWidth(int listClientWidth) {
    return std::max(listClientWidth - kContentColumnReserve, kContentColumnMinimum);
}

DeletionOutcome DeleteSelected(std::vector<SelectedRow> rows,
                               const std::function<bool(const SelectedRow&)>& deleteOne) {
    std::stable_sort(rows.begin(), rows.end(), [](const SelectedRow& a, const SelectedRow& b) {
        return static_cast<uint32_t>(a.id) > static_cast<uint32_t>(b.id);
    });
    DeletionOutcome outcome;
    for (const SelectedRow& row : rows) {
        if (deleteOne && deleteOne(row))
            outcome.removedRows.push_back(row.index);
        else
            outcome.allDeleted = false;
    }
    std::sort(outcome.removedRows.begin(), outcome.removedRows.end(), std::greater<int>());
    outcome.removedRows.erase(std::unique(outcome.removedRows.begin(), outcome.removedRows.end()),
                              outcome.removedRows.end());
    return outcome;
}

std::wstring NewSmsText(std::wstring_view pattern, std::wstring_view name,
                        std::wstring_view number) {
    if (number.empty()) return std::wstring(pattern.substr(0, pattern.find(L'\r')));
    return text::FillPlaceholders(pattern, {name, number});
}

std::string RecipientNumber(std::string_view recipient) {
    const std::size_t comma = recipient.rfind(',');
    if (comma != std::string_view::npos) recipient.remove_prefix(comma + 1);
    return std::string(text::Trim(recipient));
}

std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

}  // namespace sms
