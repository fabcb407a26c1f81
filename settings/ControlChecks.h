// Taking values from dialog controls with the standard prompts: too many characters, not an
// integer, an integer out of range.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "framework/Dialog.h"

namespace settings {

// The control's text when it has at most maxChars characters. Otherwise shows the prompt
// "no more than %1 characters", puts the focus on the control with its text selected and gives
// false.
bool TakeText(const ui::Dialog& dialog, int id, std::size_t maxChars, std::wstring& text);

// The control's integer when it is a number from min to max. Otherwise shows "please enter an
// integer" or "an integer between %1 and %2", focuses and selects the control, and gives false.
bool TakeInt(const ui::Dialog& dialog, int id, int32_t min, int32_t max, int32_t& value);

// Limits what the user can type into an edit control.
void LimitText(const ui::Dialog& dialog, int id, std::size_t maxChars);

}  // namespace settings
