// The short message list page: received and sent messages on the card.
#pragma once

#include "resources/resource.h"
#include "ui/Page.h"

class DlgSmsList : public ui::Page {
public:
    explicit DlgSmsList(HINSTANCE resources) : Page(resources, IDD_SMS_LIST) {}
};
