// The short message compose page.
#pragma once

#include "resources/resource.h"
#include "ui/Page.h"

class DlgSmsSend : public ui::Page {
public:
    explicit DlgSmsSend(HINSTANCE resources) : Page(resources, IDD_SMS_SEND) {}
};
