// The short message compose page: recipient from the phone book or typed, the text, sending on a
// worker and the result in the status line.
#include "sms/DlgSmsSend.h"

#include <vector>

#include "framework/Thread.h"
#include "framework/Win32Text.h"
#include "modem/CardResult.h"
#include "modem/ModemModule.h"
#include "phonebook/PhoneBookTable.h"
#include "sms/SmsCore.h"
#include "sms/SmsWin.h"

namespace {

const ui::ButtonRow kButtons[] = {
    {IDC_SMSSEND_SEND, IDB_SMS_SEND, IDB_SMS_SEND_SEL, 0, IDB_SMS_SEND_DISABLED, 1},
    {IDC_SMSSEND_CANCEL, IDB_BTN_CANCEL, IDB_BTN_CANCEL_SEL, 0, 0, 1},
};

// The status line's answer to the module's result.
UINT ResultMessage(int32_t result) {
    return result == 0 ? IDS_SMS_SENT : static_cast<UINT>(modem::FailureText(result, IDS_SMS_SEND_FAILED));
}

}  // namespace

DlgSmsSend::DlgSmsSend(HINSTANCE resources, host::MainWindow& host)
    : Page(resources, IDD_SMS_SEND), host_(host), alive_(std::make_shared<bool>(false)) {}

DlgSmsSend::~DlgSmsSend() {
    *alive_ = false;
    smsui::JoinWorker(sendThread_);
}

BOOL DlgSmsSend::OnInitDialog() {
    BOOL result = Page::OnInitDialog();
    CreateButtons(kButtons);
    // The edit field stops typing at the limit in characters; the send checks the bytes.
    SendDlgItemMessageW(Hwnd(), IDC_SMSSEND_TEXT, EM_LIMITTEXT, sms::kMaxTextBytes, 0);
    *alive_ = true;
    return result;
}

void DlgSmsSend::OnDestroy() {
    *alive_ = false;
    Page::OnDestroy();
}

void DlgSmsSend::Prepare(const std::string& number, const std::string& text, bool replyMode) {
    replyMode_ = replyMode;
    SetItemText(IDC_SMSSEND_RECIPIENT, win::AnsiToWide(number));
    SetItemText(IDC_SMSSEND_TEXT, win::AnsiToWide(sms::WithCrLf(text)));
    ApplyButtonLook();
}

void DlgSmsSend::ApplyButtonLook() {
    if (!Hwnd()) return;
    if (replyMode_)
        ChangeButtonImages(IDC_SMSSEND_SEND, IDB_SMS_REPLY, IDB_SMS_REPLY_SEL, 0, 0);
    else
        ChangeButtonImages(IDC_SMSSEND_SEND, IDB_SMS_SEND, IDB_SMS_SEND_SEL, 0,
                           IDB_SMS_SEND_DISABLED);
}

bool DlgSmsSend::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (msg == WM_SHOWWINDOW && wParam) ApplyButtonLook();
    return Page::OnMessage(msg, wParam, lParam, result);
}

bool DlgSmsSend::PreTranslate(const MSG& msg) {
    HWND text = Item(IDC_SMSSEND_TEXT);
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && text && msg.hwnd == text) {
        // The skinned windows keep Enter from reaching their controls; the text takes the line
        // break here (within its limit, as typing would).
        if (IsWindowEnabled(text) && !(GetWindowLongPtrW(text, GWL_STYLE) & ES_READONLY))
            SendMessageW(text, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
        return true;
    }
    return Page::PreTranslate(msg);
}

bool DlgSmsSend::OnCommand(int id, int code) {
    switch (id) {
        case IDC_SMSSEND_SEND:
            if (code == BN_CLICKED) Send();
            return true;
        case IDC_SMSSEND_CANCEL:
            if (code == BN_CLICKED) host_.ShowPreviousPage();
            return true;
        case IDC_SMSSEND_RECIPIENT:
            if (code == CBN_DROPDOWN) FillRecipients();
            return true;
        default:
            return Page::OnCommand(id, code);
    }
}

void DlgSmsSend::FillRecipients() {
    HWND combo = Item(IDC_SMSSEND_RECIPIENT);
    if (!combo) return;
    const std::wstring typed = ItemText(IDC_SMSSEND_RECIPIENT);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const PhoneBookRecord& entry : host_.PhoneBook().Entries()) {
        const std::wstring line = win::AnsiToWide(phonebook::FieldText(entry.name)) + L"," +
                                  win::AnsiToWide(phonebook::FieldText(entry.number));
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SetWindowTextW(combo, typed.c_str());
}

void DlgSmsSend::Send() {
    if (host_.IsNetConnected(true) || host_.IsDialBusy(true) || host_.IsCallBusy(true) ||
        host_.IsPortBusy(true))
        return;
    const std::optional<std::string> text = smsui::TakeAnsiText(
        host_.Window(), Resources(), Item(IDC_SMSSEND_TEXT), sms::kMaxTextBytes);
    if (!text) return;
    // A phone-book pick reads "name,number": the number is what is sent.
    const std::string number =
        sms::RecipientNumber(win::WideToAnsi(ItemText(IDC_SMSSEND_RECIPIENT)));
    if (number.empty()) {
        host_.PostStatus(host::StatusKind::Message, IDS_SMS_RECIPIENT_EMPTY);
        return;
    }
    if (text->empty()) {
        host_.PostStatus(host::StatusKind::Message, IDS_SMS_TEXT_EMPTY);
        return;
    }
    // The button comes back only when the last send has ended: its thread is all that is left.
    smsui::JoinWorker(sendThread_);
    EnableItem(IDC_SMSSEND_SEND, false);
    host_.Flags().smsSending = true;
    sendThread_ = thread::Start([this, number, body = *text] { SendOnWorker(number, body); });
    if (!sendThread_) {
        host_.Flags().smsSending = false;
        EnableItem(IDC_SMSSEND_SEND, true);
    }
}

void DlgSmsSend::SendOnWorker(const std::string& number, const std::string& text) {
    host_.PostStatus(host::StatusKind::Sticky, IDS_SMS_SENDING);
    // A fault or a missing entry counts as a failed send, so the status line never keeps saying
    // that a message is on its way.
    const int32_t result =
        MDM_CALL_GUARDED(mdmSmsSend, int32_t{-1}, number.c_str(), text.c_str(), int32_t{0});
    host_.PostStatus(host::StatusKind::Result, ResultMessage(result));
    std::shared_ptr<bool> alive = alive_;
    host_.RunOnUiThread([this, alive] {
        if (*alive) EnableItem(IDC_SMSSEND_SEND, true);
    });
    host_.Flags().smsSending = false;
    host_.Reload().smsList = true;
}
