// The standard prompts of the settings pages' fields, from the language library.
#include "settings/ControlChecks.h"

#include "framework/Resources.h"
#include "resources/resource.h"
#include "settings/AdvancedCore.h"

namespace settings {
namespace {

constexpr wchar_t kPromptCaption[] = L"Orvane";

// Shows the prompt over the dialog, then hands the control the focus with its text selected, so
// the user can type the value again at once.
void Refuse(const ui::Dialog& dialog, int id, const std::wstring& prompt) {
    MessageBoxW(dialog.Hwnd(), prompt.c_str(), kPromptCaption, MB_OK | MB_ICONEXCLAMATION);
    if (HWND control = dialog.Item(id)) {
        SetFocus(control);
        SendMessageW(control, EM_SETSEL, 0, -1);
    }
}

}  // namespace

bool TakeText(const ui::Dialog& dialog, int id, std::size_t maxChars, std::wstring& text) {
    std::wstring value = dialog.ItemText(id);
    if (value.size() > maxChars) {
        Refuse(dialog, id,
               res::FormatArgs(res::LoadStr(dialog.Resources(), IDS_PROMPT_MAX_CHARS),
                               {std::to_wstring(maxChars)}));
        return false;
    }
    text = std::move(value);
    return true;
}

bool TakeInt(const ui::Dialog& dialog, int id, int32_t min, int32_t max, int32_t& value) {
    switch (ParseDialogInt(dialog.ItemText(id), min, max, value)) {
        case IntCheck::Ok:
            return true;
        case IntCheck::NotANumber:
            Refuse(dialog, id, res::LoadStr(dialog.Resources(), IDS_PROMPT_INTEGER));
            return false;
        case IntCheck::OutOfRange:
            Refuse(dialog, id,
                   res::FormatArgs(res::LoadStr(dialog.Resources(), IDS_PROMPT_INTEGER_RANGE),
                                   {std::to_wstring(min), std::to_wstring(max)}));
            return false;
    }
    return false;
}

void LimitText(const ui::Dialog& dialog, int id, std::size_t maxChars) {
    if (HWND control = dialog.Item(id)) SendMessageW(control, EM_LIMITTEXT, WPARAM(maxChars), 0);
}

}  // namespace settings
