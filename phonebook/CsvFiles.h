// Phone book CSV files on disk: the standard open and save dialogs, reading and writing the bytes.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace phonebook {

// Files beyond this size are read up to it: far more than a SIM's phone book ever needs.
constexpr std::size_t kMaxCsvBytes = 4u << 20;

// The standard dialogs with the CSV filter and "*.csv" as the initial name; false on cancel.
bool ChooseCsvToOpen(HWND owner, std::wstring& path);
bool ChooseCsvToSave(HWND owner, std::wstring& path);

// The file's bytes (at most kMaxCsvBytes); false when it cannot be opened or read.
bool ReadCsvFile(const std::wstring& path, std::string& content);
// Creates or truncates the file and writes the bytes; false on any failure.
bool WriteCsvFile(const std::wstring& path, const std::string& content);

}  // namespace phonebook
