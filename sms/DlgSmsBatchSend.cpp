// The batch send dialog: the phone book and send lists, the run on a worker and its log, and a
// close that stops a run without touching the dialog afterwards.
#include "sms/DlgSmsBatchSend.h"

#include <functional>

#include "framework/Resources.h"
#include "framework/Thread.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "phonebook/PhoneBookTable.h"
#include "sms/BatchSendCore.h"
#include "sms/SmsCore.h"
#include "sms/SmsWin.h"

namespace {

constexpr std::size_t kManualNumberBytes = 16;
const int kRunControls[] = {IDC_BATCH_SEND,      IDC_BATCH_TEXT, IDC_BATCH_PHONEBOOK,
                            IDC_BATCH_SEND_LIST, IDC_BATCH_ADD,  IDC_BATCH_CLEAR};

std::wstring ListBoxLine(HWND list, int index) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length < 0) return {};
    std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(line.data()));
    line.resize(copied == LB_ERR || copied < 0 ? 0 : static_cast<std::size_t>(copied));
    return line;
}

// Waits for the event while the thread's messages keep being dispatched.
void WaitDispatching(HANDLE event) {
    for (;;) {
        const DWORD woke = MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) return;  // the event, or a failed wait
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns it
                WaitForSingleObject(event, INFINITE);
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

}  // namespace

DlgSmsBatchSend::Run::Run() : finished(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

DlgSmsBatchSend::Run::~Run() {
    if (finished) CloseHandle(finished);
}

DlgSmsBatchSend::DlgSmsBatchSend(HINSTANCE resources, host::MainWindow& host)
    : Dialog(resources, IDD_SMS_BATCH), host_(host), run_(std::make_shared<Run>()) {}

DlgSmsBatchSend::~DlgSmsBatchSend() {
    run_->stopRequested = true;
    smsui::JoinWorker(worker_);
}

BOOL DlgSmsBatchSend::OnInitDialog() {
    run_->dialogAlive = true;
    SendDlgItemMessageW(Hwnd(), IDC_BATCH_MANUAL, EM_LIMITTEXT, kManualNumberBytes, 0);
    SendDlgItemMessageW(Hwnd(), IDC_BATCH_TEXT, EM_LIMITTEXT, sms::kMaxTextBytes, 0);
    HWND book = Item(IDC_BATCH_PHONEBOOK);
    for (const PhoneBookRecord& entry : host_.PhoneBook().Entries()) {
        const std::wstring line = win::AnsiToWide(phonebook::FieldText(entry.name)) + L"," +
                                  win::AnsiToWide(phonebook::FieldText(entry.number));
        SendMessageW(book, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    return TRUE;
}

void DlgSmsBatchSend::OnDestroy() {
    // However the window goes, the worker's queued updates find it gone.
    run_->dialogAlive = false;
    run_->stopRequested = true;
}

bool DlgSmsBatchSend::OnMessage(UINT msg, WPARAM, LPARAM, INT_PTR& result) {
    if (msg != WM_CLOSE) return false;
    RequestClose();
    result = 0;
    return true;
}

bool DlgSmsBatchSend::OnCommand(int id, int code) {
    switch (id) {
        case IDC_BATCH_PHONEBOOK:
            if (code == LBN_DBLCLK) AddFromPhoneBook();
            return true;
        case IDC_BATCH_SEND_LIST:
            if (code == LBN_DBLCLK) RemoveFromSendList();
            return true;
        case IDC_BATCH_ADD:
            if (code == BN_CLICKED) AddManual();
            return true;
        case IDC_BATCH_CLEAR:
            if (code == BN_CLICKED)
                SendDlgItemMessageW(Hwnd(), IDC_BATCH_SEND_LIST, LB_RESETCONTENT, 0, 0);
            return true;
        case IDC_BATCH_SEND:
            if (code == BN_CLICKED) StartRun();
            return true;
        case IDC_BATCH_BACK:  // also Esc
            RequestClose();
            return true;
        case IDOK:  // Enter in a field sends nothing and closes nothing
            return true;
        default:
            return Dialog::OnCommand(id, code);
    }
}

void DlgSmsBatchSend::AppendToSendList(const std::wstring& number) {
    SendDlgItemMessageW(Hwnd(), IDC_BATCH_SEND_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(number.c_str()));
}

void DlgSmsBatchSend::AddFromPhoneBook() {
    HWND book = Item(IDC_BATCH_PHONEBOOK);
    const LRESULT selected = SendMessageW(book, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) return;
    // Only the text after the last comma: a name may hold commas of its own.
    const std::wstring line = ListBoxLine(book, static_cast<int>(selected));
    AppendToSendList(win::AnsiToWide(sms::RecipientNumber(win::WideToAnsi(line))));
}

void DlgSmsBatchSend::RemoveFromSendList() {
    HWND list = Item(IDC_BATCH_SEND_LIST);
    const LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR) SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
}

void DlgSmsBatchSend::AddManual() {
    const std::optional<std::string> number =
        smsui::TakeAnsiText(Hwnd(), Resources(), Item(IDC_BATCH_MANUAL), kManualNumberBytes);
    if (number && !number->empty()) AppendToSendList(win::AnsiToWide(*number));
}

void DlgSmsBatchSend::StartRun() {
    if (run_->running) return;
    const std::optional<std::string> text =
        smsui::TakeAnsiText(Hwnd(), Resources(), Item(IDC_BATCH_TEXT), sms::kMaxTextBytes);
    if (!text) return;
    if (!smsui::TakeAnsiText(Hwnd(), Resources(), Item(IDC_BATCH_MANUAL), kManualNumberBytes))
        return;
    const std::wstring caption;
    if (text->empty()) {
        MessageBoxW(Hwnd(), res::LoadStr(Resources(), IDS_BATCH_NO_TEXT).c_str(), caption.c_str(),
                    MB_ICONQUESTION);
        return;
    }
    HWND list = Item(IDC_BATCH_SEND_LIST);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    std::vector<std::string> numbers;
    for (int i = 0; i < count; ++i) numbers.push_back(win::WideToAnsi(ListBoxLine(list, i)));
    if (numbers.empty()) {
        MessageBoxW(Hwnd(), res::LoadStr(Resources(), IDS_BATCH_NO_RECIPIENTS).c_str(),
                    caption.c_str(), MB_ICONQUESTION);
        return;
    }
    // The last run has ended (its controls came back): only its thread is left to join.
    smsui::JoinWorker(worker_);
    run_->stopRequested = false;
    run_->running = true;
    ResetEvent(run_->finished);
    EnableRunControls(false);
    worker_ = thread::Start([this, numbers, body = *text] { RunOnWorker(numbers, body); });
    if (!worker_) {
        run_->running = false;
        EnableRunControls(true);
    }
}

void DlgSmsBatchSend::RunOnWorker(const std::vector<std::string>& numbers,
                                  const std::string& text) {
    // Everything the worker needs is copied here; `this` is used only inside the tasks, which
    // look at the shared run first.
    host::MainWindow& host = host_;
    const std::shared_ptr<Run> run = run_;
    DlgSmsBatchSend* self = this;
    auto onDialog = [&host, run, self](std::function<void(DlgSmsBatchSend&)> update) {
        host.RunOnUiThread([run, self, update = std::move(update)] {
            if (run->dialogAlive && !run->stopRequested) update(*self);
        });
    };
    const HINSTANCE resources = Resources();
    const sms::BatchTexts texts{
        res::LoadStr(resources, IDS_BATCH_SENDING_TO_FMT), res::LoadStr(resources, IDS_BATCH_SENT),
        res::LoadStr(resources, IDS_BATCH_FAILED), res::LoadStr(resources, IDS_BATCH_SUMMARY_FMT)};
    sms::BatchHooks hooks;
    hooks.send = [&text](const std::string& number) {
        return MDM_CALL_GUARDED(mdmSmsSend, int32_t{-1}, number.c_str(), text.c_str(),
                                int32_t{0}) == 0;
    };
    hooks.show = [&onDialog](const std::wstring& log) {
        onDialog([log](DlgSmsBatchSend& dialog) { dialog.ShowLog(log); });
    };
    hooks.widen = [](const std::string& number) { return win::AnsiToWide(number); };

    host.Flags().smsSending = true;
    const sms::BatchOutcome outcome = sms::RunBatch(numbers, texts, run->stopRequested, hooks);
    host.Flags().smsSending = false;
    if (!outcome.stopped) {
        host.Reload().smsList = true;
        onDialog([](DlgSmsBatchSend& dialog) { dialog.EnableRunControls(true); });
    }
    run->running = false;
    SetEvent(run->finished);
}

void DlgSmsBatchSend::EnableRunControls(bool enable) {
    for (int id : kRunControls) EnableItem(id, enable);
}

void DlgSmsBatchSend::ShowLog(const std::wstring& log) {
    HWND box = Item(IDC_BATCH_LOG);
    SetWindowTextW(box, log.c_str());
    const WPARAM end = static_cast<WPARAM>(GetWindowTextLengthW(box));
    SendMessageW(box, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(box, EM_SCROLLCARET, 0, 0);
}

void DlgSmsBatchSend::RequestClose() {
    if (closing_) return;
    closing_ = true;
    if (run_->running) {
        // The worker finishes the send under way and ends without another look at the dialog;
        // its updates still queued run here as no-ops, so the wait keeps dispatching.
        run_->stopRequested = true;
        WaitDispatching(run_->finished);
    }
    End(IDCANCEL);
}
