// Small text helpers shared by the parsers: trimming, ASCII case folding, splitting, integers.
#include "framework/TextUtil.h"

#include <cstring>
#include <limits>
#include <type_traits>

namespace text {
namespace {

template <class Ch>
int CompareNoCaseT(std::basic_string_view<Ch> a, std::basic_string_view<Ch> b) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        // Compare as unsigned code units so bytes above 0x7F sort after ASCII on every platform.
        using U = std::make_unsigned_t<Ch>;
        const auto ca = static_cast<U>(AsciiLower(a[i]));
        const auto cb = static_cast<U>(AsciiLower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

template <class Ch>
std::vector<std::basic_string<Ch>> SplitT(std::basic_string_view<Ch> text, Ch separator,
                                          int maxFields) {
    std::vector<std::basic_string<Ch>> fields;
    if (maxFields == 0) return fields;
    std::size_t start = 0;
    for (;;) {
        const bool lastAllowed = maxFields > 0 && fields.size() + 1 == std::size_t(maxFields);
        const std::size_t pos = lastAllowed ? std::basic_string_view<Ch>::npos
                                            : text.find(separator, start);
        if (pos == std::basic_string_view<Ch>::npos) {
            fields.emplace_back(text.substr(start));
            break;
        }
        fields.emplace_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    if (maxFields > 0) fields.resize(std::size_t(maxFields));
    return fields;
}

template <class Ch>
int32_t ParseLeadingIntT(std::basic_string_view<Ch> s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == Ch(' ') || s[i] == Ch('\t'))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == Ch('+') || s[i] == Ch('-'))) {
        negative = s[i] == Ch('-');
        ++i;
    }
    // Accumulate in 64 bits and stop growing once past the 32-bit range: no overflow possible.
    constexpr int64_t kLimit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    int64_t value = 0;
    for (; i < s.size() && s[i] >= Ch('0') && s[i] <= Ch('9'); ++i) {
        if (value <= kLimit) value = value * 10 + (s[i] - Ch('0'));
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) { return CompareNoCaseT(a, b); }
int CompareNoCase(std::wstring_view a, std::wstring_view b) { return CompareNoCaseT(a, b); }

std::vector<std::string> Split(std::string_view text, char separator, int maxFields) {
    return SplitT(text, separator, maxFields);
}
std::vector<std::wstring> Split(std::wstring_view text, wchar_t separator, int maxFields) {
    return SplitT(text, separator, maxFields);
}

int32_t ParseLeadingInt(std::string_view s) { return ParseLeadingIntT(s); }
int32_t ParseLeadingInt(std::wstring_view s) { return ParseLeadingIntT(s); }

std::size_t CopyBounded(char* dst, std::size_t dstSize, std::string_view src) {
    if (dst == nullptr || dstSize == 0) return 0;
    const std::size_t nul = src.find('\0');
    if (nul != std::string_view::npos) src = src.substr(0, nul);
    const std::size_t n = src.size() < dstSize - 1 ? src.size() : dstSize - 1;
    if (n > 0) std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
    return n;
}

std::string CutText(std::string_view src, std::size_t maxBytes) {
    const std::size_t nul = src.find('\0');
    if (nul != std::string_view::npos) src = src.substr(0, nul);
    return std::string(src.substr(0, maxBytes));
}

bool SplitKeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return true;
}

std::wstring FillPlaceholders(std::wstring_view format, std::initializer_list<std::wstring_view> values) {
    std::wstring out;
    out.reserve(format.size());
    auto next = values.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != L'%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        const wchar_t kind = format[i + 1];
        if (kind == L'%') {
            out += L'%';
            ++i;
        } else if ((kind == L's' || kind == L'd') && next != values.end()) {
            out += *next++;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

}  // namespace text
