// The short message list page: received and sent messages on the SIM.
#pragma once

#include <string>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgSmsList : public ui::Page {
public:
    DlgSmsList(HINSTANCE resources, host::MainWindow& host) : Page(resources, IDD_SMS_LIST), host_(host) {}

    // Reads the messages from the card on the calling worker thread (the preload).
    void ReadCard() {}
    // A new message arrived from this number (on the window thread).
    void OnNewSms(const std::string& /*number*/) {}

private:
    host::MainWindow& host_;
};
