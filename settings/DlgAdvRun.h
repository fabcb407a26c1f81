// Advanced settings, tab "run": automatic dial and hide, autorun switches, stop device, preload.
#pragma once

#include <windows.h>

#include "framework/Dialog.h"
#include "host/MainWindow.h"

class DlgAdvRun : public ui::Dialog {
public:
    DlgAdvRun(HINSTANCE resources, host::MainWindow& host);

    // Copies the check boxes into the settings record. The two autorun switches act when clicked.
    bool Save();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    bool Checked(int id) const;
    void Check(int id, bool on) const;

    host::MainWindow& host_;
};
