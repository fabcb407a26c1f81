// Phone book CSV files on disk: the standard file dialogs and whole-file reads and writes.
#include "phonebook/CsvFiles.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

namespace phonebook {
namespace {

// "csv files(*.csv)|*.csv|" in the dialogs' form: pairs of NUL-ended texts, an empty one last.
constexpr wchar_t kFilter[] = L"csv files(*.csv)\0*.csv\0";
constexpr wchar_t kInitialName[] = L"*.csv";

bool Choose(HWND owner, std::wstring& path, bool save) {
    std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
    wcscpy(file.data(), kInitialName);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    // The program finds its own files by full path; the dialog still leaves the folder alone.
    ofn.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
    if (!save) ofn.Flags |= OFN_FILEMUSTEXIST;
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) return false;
    file.back() = L'\0';
    path = file.data();
    return !path.empty();
}

}  // namespace

bool ChooseCsvToOpen(HWND owner, std::wstring& path) {
    return Choose(owner, path, false);
}

bool ChooseCsvToSave(HWND owner, std::wstring& path) {
    return Choose(owner, path, true);
}

bool ReadCsvFile(const std::wstring& path, std::string& content) {
    content.clear();
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    char chunk[16384];
    while (content.size() < kMaxCsvBytes) {
        DWORD got = 0;
        const DWORD want =
            static_cast<DWORD>(std::min<std::size_t>(sizeof chunk, kMaxCsvBytes - content.size()));
        if (!ReadFile(file, chunk, want, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        content.append(chunk, got);
    }
    CloseHandle(file);
    return ok;
}

bool WriteCsvFile(const std::wstring& path, const std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
        written == content.size();
    return CloseHandle(file) && ok;
}

}  // namespace phonebook
