// The call records page: outgoing, answered and missed calls the card remembers.
#pragma once

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgCallRec : public ui::Page {
public:
    DlgCallRec(HINSTANCE resources, host::MainWindow& host)
        : Page(resources, IDD_CALL_RECORDS), host_(host) {}

    // Reads the records from the card on the calling worker thread (the preload).
    void ReadCard() {}

private:
    host::MainWindow& host_;
};
