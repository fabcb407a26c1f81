// The account settings page: user, password, number and APN.
#pragma once

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgAccount : public ui::Page {
public:
    DlgAccount(HINSTANCE resources, host::MainWindow& host) : Page(resources, IDD_ACCOUNT), host_(host) {}

private:
    host::MainWindow& host_;
};
