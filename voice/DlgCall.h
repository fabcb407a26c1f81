// The call page: dial pad, call and answer, DTMF and volume.
#pragma once

#include <string>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"

class DlgCall : public ui::Page {
public:
    DlgCall(HINSTANCE resources, host::MainWindow& host) : Page(resources, IDD_CALL), host_(host) {}

    // Puts the number into the number field and presses the call button (call back, phone book).
    void CallNumber(const std::string& /*number*/) {}
    // A voice event of the card (ring with the caller's number, connected, remote hang-up, lost).
    void OnVoiceEvent(int /*event*/, const std::string& /*number*/) {}

private:
    host::MainWindow& host_;
};
