// The account settings page: user, password, number and APN.
#pragma once

#include "resources/resource.h"
#include "ui/Page.h"

class DlgAccount : public ui::Page {
public:
    explicit DlgAccount(HINSTANCE resources) : Page(resources, IDD_ACCOUNT) {}
};
