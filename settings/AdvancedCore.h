// Decisions of the advanced settings dialog: the integer fields and the skin list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SkinConfig.h"

namespace settings {

// The sleep time of the dormancy timer, in seconds.
constexpr int32_t kMinSleepSeconds = 0;
constexpr int32_t kMaxSleepSeconds = 255;

enum class IntCheck { Ok, NotANumber, OutOfRange };

// An integer field as a dialog reads it: blanks around an optionally signed decimal number and
// nothing else. Values beyond 32 bits count as out of range. value is set only for Ok.
IntCheck ParseDialogInt(std::wstring_view text, int32_t min, int32_t max, int32_t& value);

// The leading decimal digits of a text (after blanks), 0 when there are none; a sign is not a
// digit. Clamped to the 32-bit range.
int32_t ParseLeadingDigits(std::wstring_view text);

// The skin list: "Auto" first, then the label of every entry with an id above 0 in table order.
struct SkinList {
    std::vector<std::string> items;  // ANSI labels
    std::size_t selected = 0;        // the configured skin's label, or "Auto"
};
constexpr const char kAutoSkinLabel[] = "Auto";

SkinList BuildSkinList(const skin::SkinTable& table);

// The skin id for the chosen list item: 0 (choice by language) for "Auto" or an index outside the
// list, otherwise the id of the first entry above 0 whose label is the item's text.
int32_t SkinIdForItem(const skin::SkinTable& table, const SkinList& list, std::size_t index);

}  // namespace settings
