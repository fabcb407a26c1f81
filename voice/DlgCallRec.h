// The call records page: remembered calls, call back and delete.
#pragma once

#include "resources/resource.h"
#include "ui/Page.h"

class DlgCallRec : public ui::Page {
public:
    explicit DlgCallRec(HINSTANCE resources) : Page(resources, IDD_CALL_RECORDS) {}
};
