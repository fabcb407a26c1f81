// Typed access to one private-profile (INI) file through the platform's profile functions.
#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Section, key and default arguments are nullable: a null section or key makes a read return the
// default and a write do nothing. Nothing is cached; every call goes to the file, so other writers
// of the same file are seen at once. Section and key names are case-insensitive.
class ProfileFile {
public:
    ProfileFile() = default;
    explicit ProfileFile(const wchar_t* path) { SetPath(path); }
    explicit ProfileFile(const std::wstring& path) { SetPath(path.c_str()); }

    // A null or empty path leaves the object with an empty path (every read gives defaults).
    void SetPath(const wchar_t* path);
    const std::wstring& Path() const { return path_; }

    // ---- Reads --------------------------------------------------------------------------------
    // Value of any length; the default (empty when none) for a missing key.
    std::wstring GetString(const wchar_t* section, const wchar_t* key,
                           const wchar_t* def = nullptr) const;
    // Into a caller buffer of `length` characters (terminator included); returns the characters
    // copied, without the terminator.
    DWORD GetString(const wchar_t* section, const wchar_t* key, wchar_t* buffer, DWORD length,
                    const wchar_t* def = nullptr) const;

    // Base 2, 8 or 16 when asked for, any other base means 10. An empty value gives the default.
    int GetInt(const wchar_t* section, const wchar_t* key, int def, int base = 10) const;
    UINT GetUInt(const wchar_t* section, const wchar_t* key, UINT def, int base = 10) const;
    // "true"/"yes" in any case or a nonzero decimal number give TRUE, anything else FALSE.
    BOOL GetBool(const wchar_t* section, const wchar_t* key, BOOL def) const;
    double GetDouble(const wchar_t* section, const wchar_t* key, double def) const;
    wchar_t GetChar(const wchar_t* section, const wchar_t* key, wchar_t def) const;

    // Hex digit pairs from byte `offset` on, at most `length` bytes; returns the bytes copied.
    // A value with any non-hex character, or an offset at or past its end, gives 0.
    DWORD GetBinary(const wchar_t* section, const wchar_t* key, void* buffer, DWORD length,
                    DWORD offset = 0) const;
    POINT GetPoint(const wchar_t* section, const wchar_t* key, POINT def) const;
    RECT GetRect(const wchar_t* section, const wchar_t* key, RECT def) const;

    // Appends the items of a delimited value; returns how many were appended. A null delimiter
    // means kDefaultDelimiter; an empty one makes the whole value one item. An empty value has
    // no items.
    DWORD GetList(const wchar_t* section, const wchar_t* key, std::vector<std::wstring>& items,
                  const wchar_t* delimiter = nullptr, bool trim = true) const;

    // Also true for a key whose value is empty.
    BOOL KeyExists(const wchar_t* section, const wchar_t* key) const;
    BOOL SectionExists(const wchar_t* section) const;

    // Each appends and returns the count appended.
    DWORD GetSectionNames(std::vector<std::wstring>& names) const;
    DWORD GetSectionLines(const wchar_t* section, std::vector<std::wstring>& lines) const;
    DWORD GetKeyNames(const wchar_t* section, std::vector<std::wstring>& keys) const;

    // ---- Writes (each returns the platform call's result) -------------------------------------
    BOOL WriteString(const wchar_t* section, const wchar_t* key, const wchar_t* value) const;
    BOOL AppendString(const wchar_t* section, const wchar_t* key, const wchar_t* tail) const;
    // Base 2 writes binary digits, 8 octal, 16 upper-case hex, anything else decimal.
    BOOL WriteInt(const wchar_t* section, const wchar_t* key, int value, int base = 10) const;
    BOOL WriteUInt(const wchar_t* section, const wchar_t* key, UINT value, int base = 10) const;
    BOOL IncreaseInt(const wchar_t* section, const wchar_t* key, int increase = 1,
                     int base = 10) const;
    // decimals < 0: the default format ("%.15g"); otherwise "%.<decimals>f".
    BOOL WriteDouble(const wchar_t* section, const wchar_t* key, double value,
                     int decimals = -1) const;
    BOOL WriteBool(const wchar_t* section, const wchar_t* key, BOOL value) const;
    BOOL InvertBool(const wchar_t* section, const wchar_t* key) const;
    BOOL WriteChar(const wchar_t* section, const wchar_t* key, wchar_t value) const;
    BOOL WriteBinary(const wchar_t* section, const wchar_t* key, const void* data,
                     DWORD size) const;
    BOOL AppendBinary(const wchar_t* section, const wchar_t* key, const void* data,
                      DWORD size) const;
    BOOL WritePoint(const wchar_t* section, const wchar_t* key, POINT value) const;
    BOOL WriteRect(const wchar_t* section, const wchar_t* key, RECT value) const;
    // A null or empty delimiter means kDefaultDelimiter.
    BOOL WriteList(const wchar_t* section, const wchar_t* key,
                   const std::vector<std::wstring>& items,
                   const wchar_t* delimiter = nullptr) const;

    BOOL DeleteKey(const wchar_t* section, const wchar_t* key) const;
    BOOL DeleteSection(const wchar_t* section) const;

    // Refuse (return FALSE) when the names are equal without case, the source is missing, or
    // failIfExists is set and the target exists. The target is replaced, not merged.
    BOOL CopySection(const wchar_t* source, const wchar_t* target, bool failIfExists) const;
    BOOL MoveSection(const wchar_t* source, const wchar_t* target, bool failIfExists) const;
    BOOL CopyKey(const wchar_t* sourceSection, const wchar_t* sourceKey,
                 const wchar_t* targetSection, const wchar_t* targetKey, bool failIfExists) const;

    static constexpr const wchar_t* kDefaultDelimiter = L",";

    // Raw growing reads, exposed for the few callers that want the platform's own layout.
    // A section or the name list (section == nullptr) as NUL-separated strings ending in an empty
    // one; the size is the returned count plus the two terminators.
    std::wstring ReadSectionBuffer(const wchar_t* section) const;

private:
    std::wstring path_;
};

// Calls visit for each string of a NUL-separated list that ends in an empty string; stops at the
// end of the buffer even without the terminators, and early when visit returns false.
void WalkMultiString(std::wstring_view buffer,
                     const std::function<bool(std::wstring_view)>& visit);
