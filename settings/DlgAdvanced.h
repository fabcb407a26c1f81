// The advanced settings dialog: a tab control over the pages "run", "sound" and "other".
#pragma once

#include <windows.h>

#include "framework/Dialog.h"
#include "host/MainWindow.h"
#include "settings/DlgAdvOther.h"
#include "settings/DlgAdvRun.h"
#include "settings/DlgAdvSound.h"

class DlgAdvanced : public ui::Dialog {
public:
    DlgAdvanced(HINSTANCE resources, host::MainWindow& host);

    // OK stored "restart now": the program is to end and start again.
    bool RestartAsked() const { return restartAsked_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnNotify(NMHDR* header) override;

private:
    void ShowTab(int index);
    void OnOk();

    host::MainWindow& host_;
    DlgAdvRun run_;
    DlgAdvSound sound_;
    DlgAdvOther other_;
    bool restartAsked_ = false;
};
