// The phone book entry editor page.
#pragma once

#include "resources/resource.h"
#include "ui/Page.h"

class DlgTelOperate : public ui::Page {
public:
    explicit DlgTelOperate(HINSTANCE resources) : Page(resources, IDD_PHONEBOOK_EDIT) {}
};
