// Fuzzes the phone book CSV reader and the export written back from what it read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "phonebook/CsvCore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const phonebook::CsvFile file = phonebook::ParseCsv(content);
    if (!file.columns && !file.entries.empty()) __builtin_trap();
    for (const phonebook::CsvEntry& entry : file.entries) {
        if (entry.name.empty() || entry.number.empty()) __builtin_trap();
        if (entry.name.size() > phonebook::kCsvFieldBytes ||
            entry.number.size() > phonebook::kCsvFieldBytes)
            __builtin_trap();
    }
    // Entries without commas or line breaks survive an export and a new import unchanged.
    std::vector<phonebook::CsvEntry> plain;
    for (const phonebook::CsvEntry& entry : file.entries)
        if (entry.name.find_first_of(",\r\n") == std::string::npos &&
            entry.number.find_first_of(",\r\n") == std::string::npos)
            plain.push_back(entry);
    const phonebook::CsvFile back = phonebook::ParseCsv(phonebook::FormatCsv(plain));
    if (back.entries.size() != plain.size()) __builtin_trap();
    for (std::size_t i = 0; i < plain.size(); ++i)
        if (back.entries[i].name != plain[i].name || back.entries[i].number != plain[i].number)
            __builtin_trap();
    return 0;
}
