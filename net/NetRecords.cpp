// The connection records and the month total in the registry of the current user.
#include "net/NetRecords.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <utility>
#include <vector>

#include "framework/Resources.h"
#include "framework/TextUtil.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "resources/resource.h"

namespace net {
namespace {

// The key is named after IDS_APP_TITLE, which reads "Wireless Modem" in every language.
constexpr wchar_t kDefaultAppTitle[] = L"Wireless Modem";
// Bigger values are not read at all: nothing we store comes near, and a foreign value of any
// size must not make us allocate its size.
constexpr DWORD kMaxValueBytes = 1u << 20;
// Stands for a text value too big to read: it still holds its number.
constexpr char kUnreadableValue[] = "?";

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// A text value in full. The size is asked first; a value that grows in between is asked again.
// `present` tells a value too big to read from a missing one.
std::wstring QueryText(HKEY key, const std::wstring& name, bool& present) {
    present = false;
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
            !IsText(type))
            return {};
        if (bytes > kMaxValueBytes) {
            present = true;
            return {};
        }
        // One spare character: a stored text need not end with its NUL.
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
        DWORD size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        const LSTATUS rc = RegQueryValueExW(key, name.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS || !IsText(type)) return {};
        const std::size_t chars = std::min<std::size_t>(size / sizeof(wchar_t), buffer.size() - 1);
        return std::wstring(buffer.data(), wcsnlen(buffer.data(), chars));
    }
    return {};
}

}  // namespace

std::wstring NetRecKeyPath(HINSTANCE resources) {
    std::wstring title = res::LoadStr(resources, IDS_APP_TITLE);
    if (title.empty()) title = kDefaultAppTitle;
    return L"Software\\" + title + L"\\NetRec";
}

WallTime LocalNow() {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    FILETIME utc{};
    GetSystemTimeAsFileTime(&utc);
    // 100-ns intervals since 1601 to seconds since 1970.
    const uint64_t ticks = (static_cast<uint64_t>(utc.dwHighDateTime) << 32) | utc.dwLowDateTime;
    WallTime now;
    now.epochSeconds = static_cast<int64_t>(ticks / 10000000u) - 11644473600LL;
    now.local =
        DateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
    return now;
}

RegistryRecordStore::RegistryRecordStore(HKEY root, std::wstring path)
    : root_(root), path_(std::move(path)) {}

std::string RegistryRecordStore::Read(const std::string& name) {
    if (path_.empty()) return {};
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return {};
    bool present = false;
    const std::wstring text =
        QueryText(key, win::AnsiToWide(text::CutText(name, name.size())), present);
    RegCloseKey(key);
    if (text.empty()) return present ? kUnreadableValue : std::string();
    return win::WideToAnsiLimited(text, kMaxStoredValue);
}

bool RegistryRecordStore::Write(const std::string& name, const std::string& text) {
    HKEY key = nullptr;
    // An empty path would open the root itself, and our values do not belong there.
    const LSTATUS rc =
        path_.empty() ? ERROR_INVALID_PARAMETER
                      : RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_SET_VALUE, nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        char line[600];
        std::snprintf(line, sizeof line, "RegOpenKey fail,Key=%s,err=%d\n",
                      win::WideToAnsiLimited(path_, 500).c_str(), static_cast<int>(rc));
        modem::WriteLog(line);
        return false;
    }
    const std::wstring valueName = win::AnsiToWide(text::CutText(name, name.size()));
    const std::wstring value = win::AnsiToWide(text::CutText(text, text.size()));
    const LSTATUS set = RegSetValueExW(key, valueName.c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

bool RegistryRecordStore::Clear() {
    // Never with an empty path: that would empty the whole root.
    if (path_.empty()) return false;
    const LSTATUS rc = RegDeleteTreeW(root_, path_.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

NetRecords::NetRecords(HKEY root, std::wstring path, std::atomic<int64_t>& monthTotal)
    : store_(root, std::move(path)), account_(store_, monthTotal) {}

NetRecords::NetRecords(HINSTANCE resources, std::atomic<int64_t>& monthTotal)
    : NetRecords(HKEY_CURRENT_USER, NetRecKeyPath(resources), monthTotal) {}

}  // namespace net
