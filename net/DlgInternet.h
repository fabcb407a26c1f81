// The internet page: dial and hang up, state, duration, bytes and rates.
#pragma once

#include "resources/resource.h"
#include "ui/Page.h"

class DlgInternet : public ui::Page {
public:
    explicit DlgInternet(HINSTANCE resources) : Page(resources, IDD_INTERNET) {}
};
