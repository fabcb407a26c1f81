// Advanced settings, tab "sound": two sound file paths, each with browse and default buttons.
#include "settings/DlgAdvSound.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "framework/Win32Text.h"
#include "resources/resource.h"
#include "settings/ControlChecks.h"
#include "settings/SettingsCore.h"

namespace {

// Sound files shipped with the program, where the file dialog opens.
constexpr wchar_t kRingsFolder[] = L"\\Rings";
// "wav files(*.wav)|*.wav|" with the separators the file dialog wants.
constexpr wchar_t kWavFilter[] = L"wav files(*.wav)\0*.wav\0";
constexpr wchar_t kWavPattern[] = L"*.wav";

}  // namespace

DlgAdvSound::DlgAdvSound(HINSTANCE resources, host::MainWindow& host)
    : Dialog(resources, IDD_ADV_SOUND), host_(host) {}

BOOL DlgAdvSound::OnInitDialog() {
    const auto s = host_.Settings().Snapshot();
    for (int id : {IDC_ADV_RING_PATH, IDC_ADV_SMS_PATH})
        settings::LimitText(*this, id, settings::kSoundPathLength);
    SetItemText(IDC_ADV_RING_PATH, win::AnsiToWide(s->RING_WAVE));
    SetItemText(IDC_ADV_SMS_PATH, win::AnsiToWide(s->SMS_WAVE));
    return FALSE;
}

bool DlgAdvSound::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return Dialog::OnCommand(id, code);
    switch (id) {
        case IDC_ADV_RING_BROWSE:
            Browse(IDC_ADV_RING_PATH);
            return true;
        case IDC_ADV_SMS_BROWSE:
            Browse(IDC_ADV_SMS_PATH);
            return true;
        case IDC_ADV_RING_DEFAULT:
            SetItemText(IDC_ADV_RING_PATH, L"");  // the built-in sound
            return true;
        case IDC_ADV_SMS_DEFAULT:
            SetItemText(IDC_ADV_SMS_PATH, L"");
            return true;
        default:
            return Dialog::OnCommand(id, code);
    }
}

void DlgAdvSound::Browse(int pathId) {
    std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
    std::wcsncpy(file.data(), kWavPattern, file.size() - 1);
    const std::wstring rings = win::ExeDirectory() + kRingsFolder;
    const DWORD attributes = GetFileAttributesW(rings.c_str());
    const bool haveRings =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);

    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = Hwnd();
    open.lpstrFilter = kWavFilter;
    open.lpstrFile = file.data();
    open.nMaxFile = DWORD(file.size());
    open.lpstrInitialDir = haveRings ? rings.c_str() : nullptr;
    open.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
    if (GetOpenFileNameW(&open)) SetItemText(pathId, file.data());
}

bool DlgAdvSound::Save() {
    const std::string ring =
        win::WideToAnsiLimited(ItemText(IDC_ADV_RING_PATH), settings::kSoundPathLength);
    const std::string sms =
        win::WideToAnsiLimited(ItemText(IDC_ADV_SMS_PATH), settings::kSoundPathLength);
    host_.Settings().Change([&](settings::Settings& s) {
        s.RING_WAVE = ring;
        s.SMS_WAVE = sms;
    });
    return true;
}
