// Small text helpers shared by the parsers: trimming, ASCII case folding, splitting, integers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// Characters that trimming removes at both ends: blank, tab, carriage return, line feed.
template <class Ch>
constexpr bool IsTrimChar(Ch c) {
    return c == Ch(' ') || c == Ch('\t') || c == Ch('\r') || c == Ch('\n');
}

template <class Ch>
constexpr std::basic_string_view<Ch> TrimView(std::basic_string_view<Ch> s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && IsTrimChar(s[begin])) ++begin;
    while (end > begin && IsTrimChar(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

inline std::string_view Trim(std::string_view s) { return TrimView(s); }
inline std::wstring_view Trim(std::wstring_view s) { return TrimView(s); }

// ASCII-only case folding: the keys of our INI files are plain ASCII, and the result must not
// depend on the process locale.
template <class Ch>
constexpr Ch AsciiLower(Ch c) {
    return (c >= Ch('A') && c <= Ch('Z')) ? Ch(c - Ch('A') + Ch('a')) : c;
}

// <0, 0, >0 like strcmp, ASCII letters compared without case.
int CompareNoCase(std::string_view a, std::string_view b);
int CompareNoCase(std::wstring_view a, std::wstring_view b);
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    return CompareNoCase(a, b) == 0;
}
inline bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return CompareNoCase(a, b) == 0;
}

// Splits at a one-character separator. maxFields < 0: as many fields as the text has; otherwise
// exactly maxFields fields come back: the text after the last allowed separator stays whole in the
// last field, and fields the text does not reach are empty.
std::vector<std::string> Split(std::string_view text, char separator, int maxFields = -1);
std::vector<std::wstring> Split(std::wstring_view text, wchar_t separator, int maxFields = -1);

// Calls visit(line) for each line of the text, without its "\n" (a "\r" before it stays); a last
// line without "\n" counts, an empty text has no lines. visit returns false to stop early.
template <class Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (!visit(text.substr(start, end - start))) return;
        start = end + 1;
    }
}

// A "key = value" line: the text before the first "=" and after it, both trimmed. False for a
// line without "=".
bool SplitKeyValue(std::string_view line, std::string_view& key, std::string_view& value);

// Fills a format taken from a resource: each "%s" or "%d" takes the next value, "%%" gives "%";
// a placeholder without a value left, and anything else after a "%", stays as it stands, so a
// translated format can never read a value it was not given.
std::wstring FillPlaceholders(std::wstring_view format, std::initializer_list<std::wstring_view> values);

// atoi-like: leading blanks and tabs, an optional sign, then decimal digits up to the first
// non-digit. No digits gives 0; values beyond the 32-bit range are clamped.
int32_t ParseLeadingInt(std::string_view s);
int32_t ParseLeadingInt(std::wstring_view s);

// Copies into a fixed buffer of dstSize bytes: cut to dstSize - 1 bytes, stops at an embedded NUL,
// always terminates (unless dstSize is 0). Returns the number of bytes copied.
std::size_t CopyBounded(char* dst, std::size_t dstSize, std::string_view src);

template <std::size_t N>
std::size_t CopyBounded(char (&dst)[N], std::string_view src) {
    return CopyBounded(dst, N, src);
}

// The text up to its first NUL, cut to at most maxBytes bytes.
std::string CutText(std::string_view src, std::size_t maxBytes);

}  // namespace text
