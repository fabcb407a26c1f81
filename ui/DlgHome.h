// The home page: the page background only, shown when nothing else is.
#pragma once

#include "resources/resource.h"
#include "skin/Page.h"

class DlgHome : public ui::Page {
public:
    explicit DlgHome(HINSTANCE resources) : Page(resources, IDD_HOME) {}
};
