// Phone book CSV files: the header and entry lines of an import, the text of an export, and the
// import of parsed entries through the card.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "phonebook/PhoneBookCore.h"
#include "phonebook/PhoneBookTable.h"

namespace phonebook {

constexpr std::size_t kCsvFieldBytes = 15;  // each imported field is cut to this
constexpr char kCsvHeader[] = "name,tel\r\n";

// Which of a line's two fields holds the name and which the number.
struct CsvColumns {
    int name = 0;
    int tel = 1;
};

// The header line: "name" and "tel" (any case) among its first two comma-separated fields, in
// either order; text after a second comma is ignored. Nothing when either word is missing.
std::optional<CsvColumns> ParseCsvHeader(std::string_view line);

struct CsvEntry {
    std::string name;
    std::string number;
};

// An entry line: its first two comma-separated fields (no quoting, blanks kept), each cut to 15
// bytes, taken in the header's columns. Nothing when either field is empty.
std::optional<CsvEntry> ParseCsvLine(std::string_view line, const CsvColumns& columns);

struct CsvFile {
    bool hasHeader = false;             // the file had a first line at all
    std::optional<CsvColumns> columns;  // a usable header
    std::vector<CsvEntry> entries;      // the usable lines after it, in file order
};

// A whole file as read in text mode: lines end at "\n" with an optional "\r" before it.
CsvFile ParseCsv(std::string_view content);

// The export: the header, then one "name,number" line per row, every line ended by CR LF.
std::string FormatCsv(const std::vector<CsvEntry>& rows);

// What the import asks of the page while it stores entries.
struct ImportSteps {
    // The overwrite question: the new entry, and the name under which its number is stored.
    std::function<bool(const CsvEntry& entry, const std::string& existingName)> confirmOverwrite;
    // The entry has been stored under record.id; isNew when it did not overwrite one.
    std::function<void(const PhoneBookRecord& record, bool isNew)> stored;
};

// Stores the entries on the card one by one, asking before overwriting an entry whose number the
// table already has (declined: skipped); refused entries are skipped. Stored entries go into the
// table too, so a number met twice in one file asks the second time. The number stored.
int ImportEntries(const std::vector<CsvEntry>& entries, PhoneBookTable& table, Card& card,
                  const ImportSteps& steps);

}  // namespace phonebook
