// The phone book entry editor page: a new entry, or a change of one.
#pragma once

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgTelOperate : public ui::Page {
public:
    DlgTelOperate(HINSTANCE resources, host::MainWindow& host)
        : Page(resources, IDD_PHONEBOOK_EDIT), host_(host) {}

private:
    host::MainWindow& host_;
};
