// Decisions of the advanced settings dialog: integer fields, month alarm digits, the skin list.
#include "settings/AdvancedCore.h"

#include <limits>

namespace settings {
namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

}  // namespace

IntCheck ParseDialogInt(std::wstring_view text, int32_t min, int32_t max, int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    const std::size_t digitsStart = i;
    // Past the 32-bit range the exact value no longer matters: it is out of range either way.
    constexpr int64_t kCap = int64_t(std::numeric_limits<int32_t>::max()) + 2;
    int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        if (magnitude < kCap) magnitude = magnitude * 10 + (text[i] - L'0');
    if (i == digitsStart) return IntCheck::NotANumber;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i != text.size()) return IntCheck::NotANumber;
    const int64_t number = negative ? -magnitude : magnitude;
    if (number < min || number > max) return IntCheck::OutOfRange;
    value = int32_t(number);
    return IntCheck::Ok;
}

int32_t ParseLeadingDigits(std::wstring_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    int64_t number = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        number = number * 10 + (text[i] - L'0');
        if (number > std::numeric_limits<int32_t>::max())
            return std::numeric_limits<int32_t>::max();
    }
    return int32_t(number);
}

SkinList BuildSkinList(const skin::SkinTable& table) {
    SkinList list;
    list.items.emplace_back(kAutoSkinLabel);
    for (const skin::SkinEntry& entry : table.entries)
        if (entry.id > 0) list.items.push_back(entry.label);
    const std::string* configured = nullptr;
    for (const skin::SkinEntry& entry : table.entries) {
        if (entry.id == table.configuredId && entry.id > 0) {
            configured = &entry.label;
            break;
        }
    }
    if (configured) {
        for (std::size_t i = 1; i < list.items.size(); ++i) {
            if (list.items[i] == *configured) {
                list.selected = i;
                break;
            }
        }
    }
    return list;
}

int32_t SkinIdForItem(const skin::SkinTable& table, const SkinList& list, std::size_t index) {
    // "Auto" is the first item whatever the labels say: a skin labelled "Auto" is not chosen by it.
    if (index == 0 || index >= list.items.size()) return 0;
    for (const skin::SkinEntry& entry : table.entries)
        if (entry.id > 0 && entry.label == list.items[index]) return entry.id;
    return 0;
}

}  // namespace settings
