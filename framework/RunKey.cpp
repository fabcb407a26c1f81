// Values of the machine-wide Run key: programs started with Windows.
#include "framework/RunKey.h"

#include <vector>

namespace win {
namespace {

constexpr wchar_t kRunKeyPath[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr DWORD kMaxValueBytes = 64 * 1024;  // far beyond any path a Run value holds

}  // namespace

RunKey::RunKey(Access access) {
    const REGSAM rights = access == kWrite ? KEY_SET_VALUE | KEY_QUERY_VALUE : KEY_QUERY_VALUE;
    HKEY key = nullptr;
    openResult_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKeyPath, 0, rights, &key);
    if (openResult_ == ERROR_SUCCESS) key_ = key;
}

RunKey::~RunKey() {
    Close();
}

long RunKey::SetProgram(const wchar_t* name, const std::wstring& programPath) {
    if (!key_) return openResult_;
    const std::wstring data = L"\"" + programPath + L"\"";
    const DWORD bytes = DWORD((data.size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          bytes);
}

long RunKey::Delete(const wchar_t* name) {
    if (!key_) return openResult_;
    return RegDeleteValueW(key_, name);
}

bool RunKey::Has(const wchar_t* name) const {
    return key_ &&
           RegQueryValueExW(key_, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring RunKey::Read(const wchar_t* name) const {
    if (!key_) return {};
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key_, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || bytes > kMaxValueBytes)
        return {};
    // One spare character: a value stored without its terminating NUL still ends in one here.
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
    DWORD size = DWORD((buffer.size() - 1) * sizeof(wchar_t));
    if (RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return {};
    return std::wstring(buffer.data());
}

long RunKey::Close() {
    if (!key_) return ERROR_SUCCESS;
    const long result = RegCloseKey(key_);
    key_ = nullptr;
    return result;
}

}  // namespace win
