// Advanced settings, tab "sound": the ring tone and new-message sound files.
#pragma once

#include <windows.h>

#include "framework/Dialog.h"
#include "host/MainWindow.h"

class DlgAdvSound : public ui::Dialog {
public:
    DlgAdvSound(HINSTANCE resources, host::MainWindow& host);

    // Copies the two paths into the settings record.
    bool Save();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;

private:
    void Browse(int pathId);

    host::MainWindow& host_;
};
