// Advanced settings, tab "other": sleep time, idle connection, month alarm, skin, restart now.
#pragma once

#include <windows.h>

#include "framework/Dialog.h"
#include "host/MainWindow.h"
#include "settings/AdvancedCore.h"
#include "settings/SkinConfig.h"

class DlgAdvOther : public ui::Dialog {
public:
    DlgAdvOther(HINSTANCE resources, host::MainWindow& host);

    // Checks and stores the page: false (after the prompt) when the sleep time is not an integer
    // from 0 to 255; then nothing of this page is stored. Writes the skin choice to skin.ini.
    bool Save();
    // What the last successful Save took from "restart now".
    bool RestartNow() const { return restartNow_; }

protected:
    BOOL OnInitDialog() override;

private:
    host::MainWindow& host_;
    skin::SkinTable skins_;
    settings::SkinList skinList_;
    bool restartNow_ = false;
};
