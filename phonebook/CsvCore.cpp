// Phone book CSV files: header and entry lines, the export text, and importing parsed entries.
#include "phonebook/CsvCore.h"

#include "framework/TextUtil.h"

namespace phonebook {
namespace {

// The first two comma-separated fields; a missing one is empty, text after a second comma is
// dropped.
std::pair<std::string_view, std::string_view> FirstTwoFields(std::string_view line) {
    const std::size_t first = line.find(',');
    if (first == std::string_view::npos) return {line, {}};
    std::string_view rest = line.substr(first + 1);
    const std::size_t second = rest.find(',');
    if (second != std::string_view::npos) rest = rest.substr(0, second);
    return {line.substr(0, first), rest};
}

std::optional<int> ColumnOf(std::string_view word, std::string_view field0,
                            std::string_view field1) {
    if (text::EqualsNoCase(field0, word)) return 0;
    if (text::EqualsNoCase(field1, word)) return 1;
    return std::nullopt;
}

}  // namespace

std::optional<CsvColumns> ParseCsvHeader(std::string_view line) {
    const auto [field0, field1] = FirstTwoFields(line);
    const std::optional<int> name = ColumnOf("name", field0, field1);
    const std::optional<int> tel = ColumnOf("tel", field0, field1);
    if (!name || !tel) return std::nullopt;
    return CsvColumns{*name, *tel};
}

std::optional<CsvEntry> ParseCsvLine(std::string_view line, const CsvColumns& columns) {
    const auto [field0, field1] = FirstTwoFields(line);
    const std::string_view fields[2] = {field0.substr(0, kCsvFieldBytes),
                                        field1.substr(0, kCsvFieldBytes)};
    if (fields[0].empty() || fields[1].empty()) return std::nullopt;
    return CsvEntry{std::string(fields[columns.name == 0 ? 0 : 1]),
                    std::string(fields[columns.tel == 0 ? 0 : 1])};
}

CsvFile ParseCsv(std::string_view content) {
    CsvFile file;
    text::ForEachLine(content, [&](std::string_view line) {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!file.hasHeader) {
            file.hasHeader = true;
            file.columns = ParseCsvHeader(line);
            return file.columns.has_value();
        }
        if (std::optional<CsvEntry> entry = ParseCsvLine(line, *file.columns))
            file.entries.push_back(std::move(*entry));
        return true;
    });
    return file;
}

std::string FormatCsv(const std::vector<CsvEntry>& rows) {
    std::string out = kCsvHeader;
    for (const CsvEntry& row : rows) out += row.name + "," + row.number + "\r\n";
    return out;
}

int ImportEntries(const std::vector<CsvEntry>& entries, PhoneBookTable& table, Card& card,
                  const ImportSteps& steps) {
    int count = 0;
    for (const CsvEntry& entry : entries) {
        PhoneBookRecord record{};
        record.id = -1;
        text::CopyBounded(record.name, entry.name);
        text::CopyBounded(record.number, entry.number);
        int32_t existingId = -1;
        const std::string existing = table.LookupName(FieldText(record.number), &existingId);
        if (!existing.empty()) {
            if (!steps.confirmOverwrite || !steps.confirmOverwrite(entry, existing)) continue;
            record.id = existingId;
        }
        const bool isNew = record.id == -1;
        const int32_t stored = card.Add(record);
        if (stored == -1) continue;
        if (!StoreSaved(table, record, stored)) {
            card.Log("Phone book import: the card stored an entry under identifier " +
                     std::to_string(stored) + ", outside 0..200\n");
            continue;
        }
        record.id = stored;
        ++count;
        if (steps.stored) steps.stored(record, isNew);
    }
    return count;
}

}  // namespace phonebook
