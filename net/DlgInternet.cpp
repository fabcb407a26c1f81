// The internet page: its skin, the dial button, dial progress and the page's connection timers.
#include "net/DlgInternet.h"

#include "net/ConnectionCore.h"
#include "net/ConnectionWin.h"

namespace {

const ui::ButtonRow kButtons[] = {
    {IDC_INET_CONNECT, IDB_INET_DIAL, IDB_INET_DIAL_SEL, 0, IDB_INET_DIAL_DISABLED, 1},
    {IDC_INET_RECORDS, IDB_INET_RECORDS, IDB_INET_RECORDS_SEL, 0, 0, 1},
    {IDC_INET_BACK, IDB_BTN_BACK, IDB_BTN_BACK_SEL, 0, 0, 1},
};

}  // namespace

BOOL DlgInternet::OnInitDialog() {
    BOOL result = Page::OnInitDialog();
    CreateButtons(kButtons);
    // From now on the module's progress codes have a page to go to.
    if (outside_) outside_->SetProgressTarget(core_);
    return result;
}

void DlgInternet::OnDestroy() {
    if (outside_) outside_->SetProgressTarget(nullptr);
    Page::OnDestroy();
}

void DlgInternet::SetDialLook(bool connected) {
    if (connected)
        ChangeButtonImages(IDC_INET_CONNECT, IDB_INET_HANGUP, IDB_INET_HANGUP_SEL, 0, IDB_INET_HANGUP_DISABLED);
    else
        ChangeButtonImages(IDC_INET_CONNECT, IDB_INET_DIAL, IDB_INET_DIAL_SEL, 0, IDB_INET_DIAL_DISABLED);
    if (HWND button = Item(IDC_INET_CONNECT)) InvalidateRect(button, nullptr, TRUE);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

bool DlgInternet::OnCommand(int id, int code) {
    switch (id) {
    case IDC_INET_CONNECT:
        if (core_) core_->Toggle();
        return true;
    case IDC_INET_RECORDS:
        if (records_) records_();
        return true;
    case IDC_INET_BACK:
        host_.ShowPage(host::PageId::Home);
        return true;
    default:
        return Page::OnCommand(id, code);
    }
}

void DlgInternet::OnTimer(UINT_PTR id) {
    if (!core_) return;
    if (id == TIMER_REDIAL) core_->OnRedialTimer();
    if (id == TIMER_LINK_CHECK) core_->OnLinkCheckTimer();
    if (id == TIMER_DIAL_TIMEOUT) core_->OnDialTimeout();
}

bool DlgInternet::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (msg) {
    case WM_APP_BUTTON_LOOK:
        SetDialLook(wParam != 0);
        result = 0;
        return true;
    default:
        return Page::OnMessage(msg, wParam, lParam, result);
    }
}
