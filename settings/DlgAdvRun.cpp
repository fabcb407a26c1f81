// Advanced settings, tab "run": check boxes bound to the settings record and the autorun switches.
#include "settings/DlgAdvRun.h"

#include "framework/SystemInfo.h"
#include "framework/Win32Text.h"
#include "resources/resource.h"
#include "settings/Autorun.h"
#include "settings/SettingsCore.h"

DlgAdvRun::DlgAdvRun(HINSTANCE resources, host::MainWindow& host)
    : Dialog(resources, IDD_ADV_RUN), host_(host) {}

bool DlgAdvRun::Checked(int id) const {
    return IsDlgButtonChecked(Hwnd(), id) == BST_CHECKED;
}

void DlgAdvRun::Check(int id, bool on) const {
    CheckDlgButton(Hwnd(), id, on ? BST_CHECKED : BST_UNCHECKED);
}

BOOL DlgAdvRun::OnInitDialog() {
    const auto s = host_.Settings().Snapshot();
    Check(IDC_ADV_AUTO_DIAL, s->AUTO_DIAL != 0);
    Check(IDC_ADV_AUTO_HIDE, s->AUTO_HIDE != 0);
    Check(IDC_ADV_PRELOAD, s->INITDATA != 0);
    // The autorun state is the system's, read again at every opening.
    Check(IDC_ADV_CARD_AUTORUN, settings::IsWatcherRunning());
    Check(IDC_ADV_RUN_AT_STARTUP, settings::IsRunAtStartup());
    // The Windows 9x family cannot stop the device at exit: the box stays off there.
    const bool canStopDevice = win::VersionClass() != 1;
    Check(IDC_ADV_STOP_DEVICE, canStopDevice && s->STOP_DEV != 0);
    EnableItem(IDC_ADV_STOP_DEVICE, canStopDevice);
    // With the card maker's boot library beside the program the card starts the program itself.
    if (win::FileExists(win::ExeDirectory() + L"\\boot.dll"))
        EnableItem(IDC_ADV_CARD_AUTORUN, false);
    return FALSE;
}

bool DlgAdvRun::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return Dialog::OnCommand(id, code);
    switch (id) {
        case IDC_ADV_CARD_AUTORUN:
            // At once, whatever OK or cancel does later.
            settings::LaunchWatcher(Checked(IDC_ADV_CARD_AUTORUN), host_.ComPort());
            return true;
        case IDC_ADV_RUN_AT_STARTUP:
            settings::SetRunAtStartup(Checked(IDC_ADV_RUN_AT_STARTUP));
            return true;
        default:
            return Dialog::OnCommand(id, code);
    }
}

bool DlgAdvRun::Save() {
    const bool autoDial = Checked(IDC_ADV_AUTO_DIAL);
    const bool autoHide = Checked(IDC_ADV_AUTO_HIDE);
    const bool stopDevice =
        IsWindowEnabled(Item(IDC_ADV_STOP_DEVICE)) && Checked(IDC_ADV_STOP_DEVICE);
    const bool preload = Checked(IDC_ADV_PRELOAD);
    host_.Settings().Change([&](settings::Settings& s) {
        s.AUTO_DIAL = autoDial;
        s.AUTO_HIDE = autoHide;
        s.STOP_DEV = stopDevice;
        s.INITDATA = preload;
    });
    return true;
}
