// The call page: dial pad, call and answer, DTMF and volume.
#pragma once

#include "resources/resource.h"
#include "ui/Page.h"

class DlgCall : public ui::Page {
public:
    explicit DlgCall(HINSTANCE resources) : Page(resources, IDD_CALL) {}
};
