// The short message compose page.
#pragma once

#include <string>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgSmsSend : public ui::Page {
public:
    DlgSmsSend(HINSTANCE resources, host::MainWindow& host) : Page(resources, IDD_SMS_SEND), host_(host) {}

    // Fills the recipient and the text, and the reply look of the send button.
    void Prepare(const std::string& /*number*/, const std::string& /*text*/, bool /*replyMode*/) {}

private:
    host::MainWindow& host_;
};
