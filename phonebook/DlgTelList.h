// The phone book page: the entries stored on the SIM.
#pragma once

#include "resources/resource.h"
#include "ui/Page.h"

class DlgTelList : public ui::Page {
public:
    explicit DlgTelList(HINSTANCE resources) : Page(resources, IDD_PHONEBOOK) {}
};
