// The phone book page: the entries stored on the SIM.
#pragma once

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgTelOperate;

class DlgTelList : public ui::Page {
public:
    DlgTelList(HINSTANCE resources, host::MainWindow& host, DlgTelOperate& editor)
        : Page(resources, IDD_PHONEBOOK), host_(host), editor_(editor) {}

    // Reads the phone book from the card on the calling worker thread (the preload).
    void ReadCard() {}

private:
    host::MainWindow& host_;
    DlgTelOperate& editor_;
};
