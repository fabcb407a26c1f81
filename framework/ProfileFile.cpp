// Typed access to one private-profile (INI) file through the platform's profile functions.
#include "framework/ProfileFile.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "framework/TextUtil.h"

namespace {

// Reads grow in 512-character steps; a hostile file cannot make them grow without end.
constexpr DWORD kReadStep = 512;
constexpr DWORD kMaxRead = 1u << 17;

// Default that no real value uses: reading it back means the key is absent.
constexpr const wchar_t kAbsentMarker[] = L"{63788286-AE30-4D6B-95DF-3B451C1C79F9}";

bool SameName(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), int(a.size()), b.data(), int(b.size()), TRUE) ==
           CSTR_EQUAL;
}

int EffectiveBase(int base) { return (base == 2 || base == 8 || base == 16) ? base : 10; }

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

std::wstring Widen(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

std::wstring BinaryDigits(UINT value) {
    if (value == 0) return L"0";
    std::wstring digits;
    for (; value != 0; value >>= 1) digits.insert(digits.begin(), (value & 1) ? L'1' : L'0');
    return digits;
}

// Base 2 binary digits, 8 "%o", 16 "%X", otherwise "%d" or "%u".
std::wstring FormatInteger(UINT value, int base, bool asSigned) {
    char buf[40];
    switch (EffectiveBase(base)) {
    case 2:
        return BinaryDigits(value);
    case 8:
        std::snprintf(buf, sizeof buf, "%o", value);
        break;
    case 16:
        std::snprintf(buf, sizeof buf, "%X", value);
        break;
    default:
        if (asSigned) {
            std::snprintf(buf, sizeof buf, "%d", int(value));
        } else {
            std::snprintf(buf, sizeof buf, "%u", value);
        }
        break;
    }
    return Widen(buf);
}

std::wstring ToHex(const void* data, DWORD size) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::wstring hex;
    hex.reserve(std::size_t(size) * 2);
    for (DWORD i = 0; i < size; ++i) {  // "%02X" for each byte
        hex.push_back(kDigits[bytes[i] >> 4]);
        hex.push_back(kDigits[bytes[i] & 0x0F]);
    }
    return hex;
}

}  // namespace

void WalkMultiString(std::wstring_view buffer,
                     const std::function<bool(std::wstring_view)>& visit) {
    std::size_t pos = 0;
    while (pos < buffer.size()) {
        std::size_t end = buffer.find(L'\0', pos);
        if (end == std::wstring_view::npos) end = buffer.size();
        if (end == pos) return;  // the empty string that ends the list
        if (!visit(buffer.substr(pos, end - pos))) return;
        pos = end + 1;
    }
}

void ProfileFile::SetPath(const wchar_t* path) { path_ = path ? path : L""; }

// ---- Reads ------------------------------------------------------------------------------------

std::wstring ProfileFile::GetString(const wchar_t* section, const wchar_t* key,
                                    const wchar_t* def) const {
    const wchar_t* fallback = def ? def : L"";
    if (!section || !key || path_.empty()) return fallback;
    // Retry 512 characters larger while the value may have been cut (length + 1 reached size).
    std::wstring buf;
    for (DWORD size = kReadStep;; size += kReadStep) {
        buf.assign(size, L'\0');
        const DWORD n =
            GetPrivateProfileStringW(section, key, fallback, buf.data(), size, path_.c_str());
        if (n + 1 < size || size >= kMaxRead) {
            buf.resize(n < size ? n : size - 1);
            return buf;
        }
    }
}

DWORD ProfileFile::GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer,
                             DWORD length, const wchar_t* def) const {
    if (!buffer || length == 0) return 0;
    const wchar_t* fallback = def ? def : L"";
    if (!section || !key || path_.empty()) {
        DWORD n = 0;
        for (; n + 1 < length && fallback[n] != L'\0'; ++n) buffer[n] = fallback[n];
        buffer[n] = L'\0';
        return n;
    }
    return GetPrivateProfileStringW(section, key, fallback, buffer, length, path_.c_str());
}

int ProfileFile::GetInt(const wchar_t* section, const wchar_t* key, int def, int base) const {
    wchar_t buf[64];
    if (GetString(section, key, buf, 64, L"") == 0) return def;
    return int(std::wcstol(buf, nullptr, EffectiveBase(base)));
}

UINT ProfileFile::GetUInt(const wchar_t* section, const wchar_t* key, UINT def, int base) const {
    wchar_t buf[64];
    if (GetString(section, key, buf, 64, L"") == 0) return def;
    return UINT(std::wcstoul(buf, nullptr, EffectiveBase(base)));
}

BOOL ProfileFile::GetBool(const wchar_t* section, const wchar_t* key, BOOL def) const {
    const std::wstring v = GetString(section, key);
    if (v.empty()) return def;
    if (text::EqualsNoCase(std::wstring_view(v), L"true") ||
        text::EqualsNoCase(std::wstring_view(v), L"yes")) {
        return TRUE;
    }
    return std::wcstol(v.c_str(), nullptr, 10) != 0 ? TRUE : FALSE;
}

double ProfileFile::GetDouble(const wchar_t* section, const wchar_t* key, double def) const {
    const std::wstring v = GetString(section, key);
    if (v.empty()) return def;
    return std::wcstod(v.c_str(), nullptr);
}

wchar_t ProfileFile::GetChar(const wchar_t* section, const wchar_t* key, wchar_t def) const {
    const std::wstring v = GetString(section, key);
    return v.empty() ? def : v[0];
}

DWORD ProfileFile::GetBinary(const wchar_t* section, const wchar_t* key, void* buffer,
                             DWORD length, DWORD offset) const {
    if (!buffer || length == 0) return 0;
    const std::wstring v = GetString(section, key);
    for (wchar_t c : v) {
        if (HexDigit(c) < 0) return 0;
    }
    const std::size_t total = v.size() / 2;  // a lone last digit is not a byte
    if (offset >= total) return 0;
    const std::size_t count = std::min<std::size_t>(total - offset, length);
    auto* out = static_cast<unsigned char*>(buffer);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = (offset + i) * 2;
        out[i] = static_cast<unsigned char>(HexDigit(v[at]) << 4 | HexDigit(v[at + 1]));
    }
    return DWORD(count);
}

POINT ProfileFile::GetPoint(const wchar_t* section, const wchar_t* key, POINT def) const {
    POINT p{};
    return GetBinary(section, key, &p, sizeof p) == sizeof p ? p : def;
}

RECT ProfileFile::GetRect(const wchar_t* section, const wchar_t* key, RECT def) const {
    RECT r{};
    return GetBinary(section, key, &r, sizeof r) == sizeof r ? r : def;
}

DWORD ProfileFile::GetList(const wchar_t* section, const wchar_t* key,
                           std::vector<std::wstring>& items, const wchar_t* delimiter,
                           bool trim) const {
    const std::wstring v = GetString(section, key);
    if (v.empty()) return 0;
    const std::wstring_view delim = delimiter ? delimiter : kDefaultDelimiter;
    DWORD added = 0;
    const auto add = [&](std::wstring_view item) {
        items.emplace_back(trim ? text::Trim(item) : item);
        ++added;
    };
    if (delim.empty()) {
        add(v);
        return added;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t pos = v.find(delim, start);
        if (pos == std::wstring::npos) {
            add(std::wstring_view(v).substr(start));
            return added;
        }
        add(std::wstring_view(v).substr(start, pos - start));
        start = pos + delim.size();
    }
}

BOOL ProfileFile::KeyExists(const wchar_t* section, const wchar_t* key) const {
    if (!section || !key) return FALSE;
    return GetString(section, key, kAbsentMarker) != kAbsentMarker;
}

BOOL ProfileFile::SectionExists(const wchar_t* section) const {
    if (!section) return FALSE;
    BOOL found = FALSE;
    WalkMultiString(ReadSectionBuffer(nullptr), [&](std::wstring_view name) {
        found = SameName(name, section);
        return !found;
    });
    return found;
}

std::wstring ProfileFile::ReadSectionBuffer(const wchar_t* section) const {
    if (path_.empty()) return std::wstring(2, L'\0');
    // Retry 512 characters larger while count + 2 reaches the size (the list may have been cut).
    std::wstring buf;
    for (DWORD size = kReadStep;; size += kReadStep) {
        buf.assign(size, L'\0');
        const DWORD n = section
                            ? GetPrivateProfileSectionW(section, buf.data(), size, path_.c_str())
                            : GetPrivateProfileSectionNamesW(buf.data(), size, path_.c_str());
        if (n + 2 < size || size >= kMaxRead) {
            buf.resize(std::min<std::size_t>(std::size_t(n) + 2, size));
            if (size >= kMaxRead) {  // cut: make sure the list still ends in two NULs
                buf[buf.size() - 1] = L'\0';
                buf[buf.size() - 2] = L'\0';
            }
            return buf;
        }
    }
}

DWORD ProfileFile::GetSectionNames(std::vector<std::wstring>& names) const {
    DWORD added = 0;
    WalkMultiString(ReadSectionBuffer(nullptr), [&](std::wstring_view name) {
        names.emplace_back(name);
        ++added;
        return true;
    });
    return added;
}

DWORD ProfileFile::GetSectionLines(const wchar_t* section, std::vector<std::wstring>& lines) const {
    if (!section) return 0;
    DWORD added = 0;
    WalkMultiString(ReadSectionBuffer(section), [&](std::wstring_view line) {
        lines.emplace_back(line);
        ++added;
        return true;
    });
    return added;
}

DWORD ProfileFile::GetKeyNames(const wchar_t* section, std::vector<std::wstring>& keys) const {
    if (!section) return 0;
    DWORD added = 0;
    WalkMultiString(ReadSectionBuffer(section), [&](std::wstring_view line) {
        const std::size_t eq = line.find(L'=');
        if (eq == std::wstring_view::npos || eq == 0) return true;
        const std::wstring_view key = text::Trim(line.substr(0, eq));
        if (!key.empty()) {
            keys.emplace_back(key);
            ++added;
        }
        return true;
    });
    return added;
}

// ---- Writes -----------------------------------------------------------------------------------

BOOL ProfileFile::WriteString(const wchar_t* section, const wchar_t* key,
                              const wchar_t* value) const {
    if (!section || !key || path_.empty()) return FALSE;
    return WritePrivateProfileStringW(section, key, value ? value : L"", path_.c_str());
}

BOOL ProfileFile::AppendString(const wchar_t* section, const wchar_t* key,
                               const wchar_t* tail) const {
    if (!section || !key) return FALSE;
    std::wstring value = GetString(section, key);
    if (tail) value += tail;
    return WriteString(section, key, value.c_str());
}

BOOL ProfileFile::WriteInt(const wchar_t* section, const wchar_t* key, int value, int base) const {
    return WriteString(section, key, FormatInteger(UINT(value), base, true).c_str());
}

BOOL ProfileFile::WriteUInt(const wchar_t* section, const wchar_t* key, UINT value,
                            int base) const {
    return WriteString(section, key, FormatInteger(value, base, false).c_str());
}

BOOL ProfileFile::IncreaseInt(const wchar_t* section, const wchar_t* key, int increase,
                              int base) const {
    // Unsigned arithmetic: wraps like the 32-bit counter it is instead of overflowing.
    const int value = int(UINT(GetInt(section, key, 0, base)) + UINT(increase));
    return WriteInt(section, key, value, base);
}

BOOL ProfileFile::WriteDouble(const wchar_t* section, const wchar_t* key, double value,
                              int decimals) const {
    char format[16];
    if (decimals < 0) {
        std::snprintf(format, sizeof format, "%%.15g");
    } else {
        std::snprintf(format, sizeof format, "%%.%df", decimals > 64 ? 64 : decimals);
    }
    const int n = std::snprintf(nullptr, 0, format, value);
    if (n < 0) return FALSE;
    std::string buf(std::size_t(n) + 1, '\0');
    std::snprintf(buf.data(), buf.size(), format, value);
    buf.resize(std::size_t(n));
    return WriteString(section, key, Widen(buf).c_str());
}

BOOL ProfileFile::WriteBool(const wchar_t* section, const wchar_t* key, BOOL value) const {
    return WriteInt(section, key, value ? 1 : 0, 10);
}

BOOL ProfileFile::InvertBool(const wchar_t* section, const wchar_t* key) const {
    return WriteBool(section, key, !GetBool(section, key, FALSE));
}

BOOL ProfileFile::WriteChar(const wchar_t* section, const wchar_t* key, wchar_t value) const {
    const wchar_t text[2] = {value, L'\0'};
    return WriteString(section, key, text);
}

BOOL ProfileFile::WriteBinary(const wchar_t* section, const wchar_t* key, const void* data,
                              DWORD size) const {
    if (!data && size != 0) return FALSE;
    return WriteString(section, key, ToHex(data, size).c_str());
}

BOOL ProfileFile::AppendBinary(const wchar_t* section, const wchar_t* key, const void* data,
                               DWORD size) const {
    if (!data && size != 0) return FALSE;
    return AppendString(section, key, ToHex(data, size).c_str());
}

BOOL ProfileFile::WritePoint(const wchar_t* section, const wchar_t* key, POINT value) const {
    return WriteBinary(section, key, &value, sizeof value);
}

BOOL ProfileFile::WriteRect(const wchar_t* section, const wchar_t* key, RECT value) const {
    return WriteBinary(section, key, &value, sizeof value);
}

BOOL ProfileFile::WriteList(const wchar_t* section, const wchar_t* key,
                            const std::vector<std::wstring>& items,
                            const wchar_t* delimiter) const {
    const wchar_t* delim = (delimiter && *delimiter) ? delimiter : kDefaultDelimiter;
    std::wstring joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) joined += delim;
        joined += items[i];
    }
    return WriteString(section, key, joined.c_str());
}

BOOL ProfileFile::DeleteKey(const wchar_t* section, const wchar_t* key) const {
    if (!section || !key || path_.empty()) return FALSE;
    return WritePrivateProfileStringW(section, key, nullptr, path_.c_str());
}

BOOL ProfileFile::DeleteSection(const wchar_t* section) const {
    if (!section || path_.empty()) return FALSE;
    return WritePrivateProfileStringW(section, nullptr, nullptr, path_.c_str());
}

BOOL ProfileFile::CopySection(const wchar_t* source, const wchar_t* target,
                              bool failIfExists) const {
    if (!source || !target || path_.empty()) return FALSE;
    if (SameName(source, target) || !SectionExists(source)) return FALSE;
    if (failIfExists && SectionExists(target)) return FALSE;
    std::wstring lines = ReadSectionBuffer(source);
    lines.append(2, L'\0');  // the platform call needs the double NUL whatever was read
    DeleteSection(target);
    return WritePrivateProfileSectionW(target, lines.c_str(), path_.c_str());
}

BOOL ProfileFile::MoveSection(const wchar_t* source, const wchar_t* target,
                              bool failIfExists) const {
    return CopySection(source, target, failIfExists) && DeleteSection(source);
}

BOOL ProfileFile::CopyKey(const wchar_t* sourceSection, const wchar_t* sourceKey,
                          const wchar_t* targetSection, const wchar_t* targetKey,
                          bool failIfExists) const {
    if (!sourceSection || !sourceKey || !targetSection || !targetKey) return FALSE;
    if (SameName(sourceSection, targetSection) && SameName(sourceKey, targetKey)) return FALSE;
    if (!KeyExists(sourceSection, sourceKey)) return FALSE;
    if (failIfExists && KeyExists(targetSection, targetKey)) return FALSE;
    return WriteString(targetSection, targetKey, GetString(sourceSection, sourceKey).c_str());
}
