// The account settings page: presets from pap.ini, defaults, saving through the settings store,
// and the way into the advanced settings.
#include "settings/DlgAccount.h"

#include <windows.h>

#include <commctrl.h>

#include "framework/TextUtil.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "settings/ControlChecks.h"
#include "settings/DlgAdvanced.h"
#include "settings/SettingsCore.h"
#include "settings/SettingsFile.h"

namespace {

const ui::ButtonRow kButtons[] = {
    {IDC_ACCOUNT_SAVE, IDB_BTN_SAVE, IDB_BTN_SAVE_SEL, 0, 0, 1},
    {IDC_ACCOUNT_DEFAULT, IDB_BTN_DEFAULT, IDB_BTN_DEFAULT_SEL, 0, 0, 1},
    {IDC_ACCOUNT_ADVANCED, IDB_BTN_ADVANCED, IDB_BTN_ADVANCED_SEL, 0, 0, 1},
    {IDC_ACCOUNT_BACK, IDB_BTN_BACK, IDB_BTN_BACK_SEL, 0, 0, 1},
};

constexpr int kVisibleOperators = 10;

// The four edit controls in the order of the fields (and of the length checks on save).
constexpr int kFieldIds[] = {IDC_ACCOUNT_USER, IDC_ACCOUNT_PASSWORD, IDC_ACCOUNT_NUMBER,
                             IDC_ACCOUNT_APN};

// The whole file, up to the parser's limit; false when it cannot be opened.
bool ReadPapIni(const std::wstring& path, std::string& content) {
    // Others may keep the file open, even for writing.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    content.assign(settings::kMaxPapIniBytes, '\0');
    std::size_t got = 0;
    while (got < content.size()) {
        DWORD n = 0;
        if (!ReadFile(file, content.data() + got, DWORD(content.size() - got), &n, nullptr) ||
            n == 0)
            break;
        got += n;
    }
    CloseHandle(file);
    content.resize(got);
    return true;
}

}  // namespace

BOOL DlgAccount::OnInitDialog() {
    BOOL result = Page::OnInitDialog();
    SetShapeFromBitmap(true);
    CreateButtons(kButtons);
    SetTooltipsActive(false);
    for (int id : kFieldIds) settings::LimitText(*this, id, kFieldChars);

    LoadPresets();
    const auto stored = host_.Settings().Snapshot();
    ShowFields({stored->USERNAME, stored->PASSWORD, stored->TEL, stored->APN});
    return result;
}

void DlgAccount::LoadPresets() {
    presets_.clear();
    std::string content;
    if (!ReadPapIni(win::ExeDirectory() + L"\\pap.ini", content)) return;
    presets_ = settings::ParsePapIni(content);
    HWND list = Item(IDC_ACCOUNT_OPERATOR);
    // Ten rows at a time: the open list then stays on the page.
    SendMessageW(list, CB_SETMINVISIBLE, kVisibleOperators, 0);
    for (const std::string& line : presets_) {
        const std::wstring name = win::AnsiToWide(settings::PresetName(line));
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    }
}

void DlgAccount::ShowFields(const settings::AccountFields& fields) {
    SetItemText(IDC_ACCOUNT_USER, win::AnsiToWide(fields.user));
    SetItemText(IDC_ACCOUNT_PASSWORD, win::AnsiToWide(fields.password));
    SetItemText(IDC_ACCOUNT_NUMBER, win::AnsiToWide(fields.number));
    SetItemText(IDC_ACCOUNT_APN, win::AnsiToWide(fields.apn));
}

bool DlgAccount::OnCommand(int id, int code) {
    switch (id) {
        case IDC_ACCOUNT_OPERATOR:
            if (code == CBN_SELCHANGE) OnOperatorChosen();
            return true;
        case IDC_ACCOUNT_DEFAULT:
            OnDefault();
            return true;
        case IDC_ACCOUNT_SAVE:
            OnSave();
            return true;
        case IDC_ACCOUNT_ADVANCED:
            OnAdvanced();
            return true;
        case IDC_ACCOUNT_BACK:
            host_.ShowPage(host::PageId::Home);
            return true;
        default:
            return Page::OnCommand(id, code);
    }
}

void DlgAccount::OnOperatorChosen() {
    const LRESULT chosen = SendMessageW(Item(IDC_ACCOUNT_OPERATOR), CB_GETCURSEL, 0, 0);
    if (chosen < 0 || std::size_t(chosen) >= presets_.size()) return;
    ShowFields(settings::PresetFields(presets_[std::size_t(chosen)]));
}

settings::AccountFields DlgAccount::FieldsFromModule() {
    // Four buffers of 32 characters and the terminator, holding what the fields show now: a module
    // that faults or writes nothing leaves the fields as they were.
    constexpr std::size_t kBuffer = kFieldChars + 1;
    char buffers[4][kBuffer] = {};
    for (int i = 0; i < 4; ++i)
        text::CopyBounded(buffers[i], win::WideToAnsiLimited(ItemText(kFieldIds[i]), kFieldChars));
    MDM_CALL_GUARDED(mdmNetGetDefaultSetting, int32_t{-1}, buffers[0], buffers[1], buffers[2],
                     buffers[3]);
    // Never trust the module to terminate its texts.
    auto cut = [](const char(&buffer)[kBuffer]) {
        return text::CutText({buffer, kBuffer}, kFieldChars);
    };
    return {cut(buffers[0]), cut(buffers[1]), cut(buffers[2]), cut(buffers[3])};
}

void DlgAccount::OnDefault() {
    // The first preset, whatever the list shows; the card's own defaults when there is none.
    ShowFields(presets_.empty() ? FieldsFromModule() : settings::PresetFields(presets_.front()));
}

void DlgAccount::OnSave() {
    std::wstring values[4];
    for (int i = 0; i < 4; ++i)
        if (!settings::TakeText(*this, kFieldIds[i], kFieldChars, values[i])) return;
    auto ansi = [](const std::wstring& value) {
        return win::WideToAnsiLimited(value, settings::kAccountTextLength);
    };
    host_.Settings().Change([&](settings::Settings& s) {
        s.USERNAME = ansi(values[0]);
        s.PASSWORD = ansi(values[1]);
        s.TEL = ansi(values[2]);
        s.APN = ansi(values[3]);
    });
    const bool saved = settings::SaveSettings(host_.Settings());
    host_.PostStatus(host::StatusKind::Message, saved ? IDS_SAVE_OK : IDS_SAVE_FAILED);
}

void DlgAccount::OnAdvanced() {
    // The tray's menu must not act (exit, for one) while the modal dialog runs.
    host_.SetTrayMessageHandling(false);
    DlgAdvanced advanced(Resources(), host_);
    advanced.DoModal(host_.Window());
    host_.SetTrayMessageHandling(true);
    if (advanced.RestartAsked()) host_.Exit();
}
