// Advanced settings, tab "other": the integer fields with their prompts, the idle-connection
// choice, the skin list from skin.ini and the restart request.
#include "settings/DlgAdvOther.h"

#include <string>

#include "framework/Win32Text.h"
#include "resources/resource.h"
#include "settings/ControlChecks.h"
#include "settings/SettingsCore.h"
#include "settings/SkinFile.h"

DlgAdvOther::DlgAdvOther(HINSTANCE resources, host::MainWindow& host)
    : Dialog(resources, IDD_ADV_OTHER), host_(host) {}

BOOL DlgAdvOther::OnInitDialog() {
    const auto s = host_.Settings().Snapshot();
    SetItemText(IDC_ADV_SLEEP_SECONDS, std::to_wstring(s->NET_CTA));
    CheckRadioButton(Hwnd(), IDC_ADV_KEEP_CONNECTION, IDC_ADV_AUTO_REDIAL,
                     s->KEPPCONNECT != 0 ? IDC_ADV_KEEP_CONNECTION : IDC_ADV_AUTO_REDIAL);
    SetItemText(IDC_ADV_MONTH_ALARM, std::to_wstring(s->MONTHALARM));

    // A missing skin.ini leaves "Auto" alone in the list.
    skins_ = {};
    skin::ReadSkinIni(skin::SkinIniPath(), skins_);
    skinList_ = settings::BuildSkinList(skins_);
    HWND list = Item(IDC_ADV_SKIN);
    for (const std::string& label : skinList_.items) {
        const std::wstring text = win::AnsiToWide(label);
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageW(list, CB_SETCURSEL, WPARAM(skinList_.selected), 0);
    return FALSE;
}

bool DlgAdvOther::Save() {
    int32_t sleepSeconds = 0;
    if (!settings::TakeInt(*this, IDC_ADV_SLEEP_SECONDS, settings::kMinSleepSeconds,
                           settings::kMaxSleepSeconds, sleepSeconds))
        return false;

    const LRESULT chosen = SendMessageW(Item(IDC_ADV_SKIN), CB_GETCURSEL, 0, 0);
    if (chosen >= 0) {
        // Takes effect at the next start; a file that cannot be written keeps its old choice.
        const int32_t id = settings::SkinIdForItem(skins_, skinList_, std::size_t(chosen));
        if (skin::WriteSkinChoice(skin::SkinIniPath(), id)) skins_.configuredId = id;
    }

    const int32_t monthAlarm = settings::ParseLeadingDigits(ItemText(IDC_ADV_MONTH_ALARM));
    const bool keepConnection = IsDlgButtonChecked(Hwnd(), IDC_ADV_KEEP_CONNECTION) == BST_CHECKED;
    restartNow_ = IsDlgButtonChecked(Hwnd(), IDC_ADV_RESTART_NOW) == BST_CHECKED;
    host_.Settings().Change([&](settings::Settings& s) {
        s.NET_CTA = sleepSeconds;
        s.KEPPCONNECT = keepConnection;
        s.MONTHALARM = monthAlarm;
    });
    host_.RequestRestart(restartNow_);
    return true;
}
