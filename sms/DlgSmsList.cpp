// The short message list page: reading the card, the list, delete, reply, new message, batch send
// and the new-message event.
#include "sms/DlgSmsList.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <algorithm>
#include <new>
#include <vector>

#include "framework/Resources.h"
#include "framework/TextUtil.h"
#include "framework/Thread.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "phonebook/PhoneBookTable.h"
#include "settings/SettingsCore.h"
#include "sms/DlgSmsBatchSend.h"
#include "sms/SmsWin.h"

namespace {

const ui::ButtonRow kButtons[] = {
    {IDC_SMSLIST_NEW, IDB_BTN_ADD, IDB_BTN_ADD_SEL, 0, 0, 1},
    {IDC_SMSLIST_DELETE, IDB_BTN_DELETE, IDB_BTN_DELETE_SEL, 0, 0, 1},
    {IDC_SMSLIST_BATCH, IDB_BTN_ADVANCED, IDB_BTN_ADVANCED_SEL, 0, 0, 1},
    {IDC_SMSLIST_BACK, IDB_BTN_BACK, IDB_BTN_BACK_SEL, 0, 0, 1},
};

enum Column { kColumnShown, kColumnType, kColumnTime, kColumnContent, kColumnNumber, kColumnCount };

constexpr UINT kReloadRetryMs = 1000;

// The module's two list reads, guarded: a fault or a missing entry reads as no records.
class ModuleLists : public sms::SmsModem {
public:
    int32_t GetAllReceived(SmsRecord* records) override {
        return MDM_CALL_GUARDED(mdmSmsGetAllRecvRec, int32_t{0}, records);
    }
    int32_t GetAllSent(SmsRecord* records) override {
        return MDM_CALL_GUARDED(mdmSmsGetAllSendRec, int32_t{0}, records);
    }
};

// Holds the port-busy flag for as long as it lives.
class PortHold {
public:
    explicit PortHold(std::atomic<bool>& flag) : flag_(flag) { flag_ = true; }
    ~PortHold() { flag_ = false; }
    PortHold(const PortHold&) = delete;
    PortHold& operator=(const PortHold&) = delete;

private:
    std::atomic<bool>& flag_;
};

}  // namespace

DlgSmsList::DlgSmsList(HINSTANCE resources, host::MainWindow& host)
    : Page(resources, IDD_SMS_LIST), host_(host), alive_(std::make_shared<bool>(false)) {}

DlgSmsList::~DlgSmsList() {
    *alive_ = false;
    smsui::JoinWorker(cardWorker_);
}

BOOL DlgSmsList::OnInitDialog() {
    BOOL result = Page::OnInitDialog();
    CreateButtons(kButtons);
    const std::vector<std::wstring> types =
        text::Split(res::LoadStr(Resources(), IDS_SMS_TYPES), L',', 2);
    typeWords_[0] = types[0];
    typeWords_[1] = types[1];
    MakeSkinnedList(IDC_SMSLIST_LIST);
    SetUpColumns();
    *alive_ = true;
    return result;
}

void DlgSmsList::OnDestroy() {
    *alive_ = false;
    KillTimer(Hwnd(), TIMER_SMS_RELOAD_RETRY);
    Page::OnDestroy();
}

void DlgSmsList::SetUpColumns() {
    HWND list = Item(IDC_SMSLIST_LIST);
    if (!list) return;
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    std::vector<std::wstring> titles =
        text::Split(res::LoadStr(Resources(), IDS_SMS_COLUMNS), L',', kColumnNumber);
    titles.emplace_back();  // the hidden number column has no heading
    RECT client{};
    GetClientRect(list, &client);
    const int widths[kColumnCount] = {sms::kNameColumnWidth, sms::kTypeColumnWidthAtStart,
                                      sms::kTimeColumnWidth, sms::ContentColumnWidth(client.right),
                                      0};
    for (int i = 0; i < kColumnCount; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = widths[i];
        column.pszText = titles[static_cast<std::size_t>(i)].data();
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
}

// ---- Reading --------------------------------------------------------------------------------

void DlgSmsList::ReadCard() {
    int count = 0;
    std::shared_ptr<sms::SmsStore> store;
    // The list is due for a reload no more once this read has it; a send that ends while the
    // card is read sets the flag again, so its message is not missed.
    const bool wasDue = host_.Reload().smsList.exchange(false);
    {
        PortHold hold(host_.Flags().portBusy);
        host_.PostStatus(host::StatusKind::Sticky, IDS_READING);
        try {
            store = std::make_shared<sms::SmsStore>();
            ModuleLists module;
            count = sms::ReadSmsLists(module, *store);
        } catch (const std::bad_alloc&) {
            count = 0;  // no memory for the read buffers: nothing read, nothing changed
        }
    }
    if (count < 1 && wasDue) host_.Reload().smsList = true;  // nothing read: try again later
    if (count > 0) {
        std::shared_ptr<bool> alive = alive_;
        host_.RunOnUiThread([this, alive, store] {
            if (*alive) ListMessages(*store);
        });
    }
    host_.PostStatus(host::StatusKind::Result,
                     count > 0 ? IDS_READ_DONE : IDS_READ_FAILED_OR_EMPTY);
}

void DlgSmsList::ListMessages(const sms::SmsStore& store) {
    store_ = store;
    HWND list = Item(IDC_SMSLIST_LIST);
    ListView_SetColumnWidth(list, kColumnType, sms::TypeColumnWidth(store_));
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    const phonebook::PhoneBookTable& book = host_.PhoneBook();
    const std::vector<sms::SmsRow> rows = sms::BuildRows(
        store_, [&book](std::string_view number) { return book.LookupName(number); });
    int at = 0;
    for (const sms::SmsRow& row : rows) {
        std::wstring cells[kColumnCount] = {
            win::AnsiToWide(row.shown), typeWords_[row.received ? 1 : 0], win::AnsiToWide(row.time),
            win::AnsiToWide(row.content), win::AnsiToWide(row.number)};
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = at;
        item.pszText = cells[kColumnShown].data();
        item.lParam = static_cast<LPARAM>(row.id);
        const int inserted = ListView_InsertItem(list, &item);
        if (inserted < 0) continue;
        for (int column = kColumnType; column < kColumnCount; ++column)
            ListView_SetItemText(list, inserted, column, cells[column].data());
        ++at;
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

bool DlgSmsList::AnyBusy(bool report) {
    return host_.IsNetConnected(report) || host_.IsDialBusy(report) || host_.IsCallBusy(report) ||
           host_.IsSmsSending(report) || host_.IsPortBusy(report);
}

void DlgSmsList::ReloadIfDue(bool quietly) {
    if (!host_.Reload().smsList) return;
    // Only a busy port is reported; the other conditions pass without a word.
    const bool busy = host_.IsNetConnected(false) || host_.IsDialBusy(false) ||
                      host_.IsCallBusy(false) || host_.IsSmsSending(false) ||
                      host_.IsPortBusy(!quietly);
    const bool readerRunning = cardWorker_ && WaitForSingleObject(cardWorker_, 0) == WAIT_TIMEOUT;
    if (busy || readerRunning) {
        // A new message that hangs up the connection finds the card busy for a moment: the list
        // is read as soon as the card is free, as long as the page stays shown.
        if (!retryArmed_)
            retryArmed_ = SetTimer(Hwnd(), TIMER_SMS_RELOAD_RETRY, kReloadRetryMs, nullptr) != 0;
        return;
    }
    if (retryArmed_) {
        KillTimer(Hwnd(), TIMER_SMS_RELOAD_RETRY);
        retryArmed_ = false;
    }
    StartReader();
}

void DlgSmsList::StartReader() {
    smsui::JoinWorker(cardWorker_);
    cardWorker_ = thread::Start([this] { ReadCard(); });
}

void DlgSmsList::OnTimer(UINT_PTR id) {
    if (id != TIMER_SMS_RELOAD_RETRY) return;
    if (!IsWindowVisible(Hwnd()) || !host_.Reload().smsList) {
        KillTimer(Hwnd(), TIMER_SMS_RELOAD_RETRY);
        retryArmed_ = false;
        return;
    }
    ReloadIfDue(true);
}

bool DlgSmsList::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (msg == WM_SHOWWINDOW && wParam) ReloadIfDue(false);
    return Page::OnMessage(msg, wParam, lParam, result);
}

// ---- The new-message event --------------------------------------------------------------------

void DlgSmsList::OnNewSms(const std::string& number) {
    const std::string name = number.empty() ? std::string() : host_.PhoneBook().LookupName(number);
    const std::wstring text = sms::NewSmsText(res::LoadStr(Resources(), IDS_NEW_SMS_FMT),
                                              win::AnsiToWide(name), win::AnsiToWide(number));
    const std::wstring wave = win::AnsiToWide(host_.Settings().Snapshot()->SMS_WAVE);
    if (!wave.empty() && win::FileExists(wave))
        host_.NotifyWithSoundFile(text, wave, false);
    else
        host_.Notify(text, IDW_NEW_SMS, false);
    host_.Reload().smsList = true;
    // Already the current page: no show message comes, so the reload runs from here.
    if (!host_.ShowPage(host::PageId::SmsList)) ReloadIfDue(false);
}

// ---- Commands ---------------------------------------------------------------------------------

bool DlgSmsList::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return Page::OnCommand(id, code);
    switch (id) {
        case IDC_SMSLIST_NEW:
            host_.OpenCompose("", "", false);
            return true;
        case IDC_SMSLIST_DELETE:
            DeleteSelected();
            return true;
        case IDC_SMSLIST_BATCH:
            RunBatchSend();
            return true;
        case IDC_SMSLIST_BACK:
            host_.ShowPage(host::PageId::Home);
            return true;
        default:
            return Page::OnCommand(id, code);
    }
}

INT_PTR DlgSmsList::OnNotify(NMHDR* header) {
    if (!header || header->idFrom != IDC_SMSLIST_LIST) return Page::OnNotify(header);
    switch (header->code) {
        case NM_CLICK:
            ListView_SetHotItem(header->hwndFrom, -1);
            break;
        case NM_DBLCLK:
            OpenForReply();
            break;
        default:
            break;
    }
    return 0;
}

std::wstring DlgSmsList::CellText(int row, int column) const {
    // The longest cell is a message text: 163 bytes, so 256 characters hold any of them.
    wchar_t buffer[256] = {};
    ListView_GetItemText(Item(IDC_SMSLIST_LIST), row, column, buffer, 256);
    return buffer;
}

void DlgSmsList::DeleteSelected() {
    if (AnyBusy(true)) return;
    HWND list = Item(IDC_SMSLIST_LIST);
    std::vector<sms::SelectedRow> selected;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (!ListView_GetItem(list, &item)) continue;
        selected.push_back(
            {row, static_cast<int32_t>(item.lParam), CellText(row, kColumnType) == typeWords_[0]});
    }
    if (selected.empty()) return;
    // One card call per message: a worker makes them with the port held, so the window keeps
    // answering (and refuses other card work) meanwhile; the rows go once the card has answered.
    host_.Flags().portBusy = true;
    smsui::JoinWorker(cardWorker_);
    std::shared_ptr<bool> alive = alive_;
    cardWorker_ = thread::Start([this, alive, selected] {
        sms::DeletionOutcome outcome;
        {
            PortHold hold(host_.Flags().portBusy);
            outcome = sms::DeleteSelected(selected, [](const sms::SelectedRow& row) {
                const int32_t result =
                    row.sent ? MDM_CALL_GUARDED(mdmSmsDelSendRec, int32_t{-1}, row.id)
                             : MDM_CALL_GUARDED(mdmSmsDelRecvRec, int32_t{-1}, row.id);
                return result == 0;
            });
        }
        host_.RunOnUiThread([this, alive, selected, removed = outcome.removedRows] {
            if (*alive) RemoveRows(selected, removed);
        });
        host_.PostStatus(host::StatusKind::Message,
                         outcome.allDeleted ? IDS_OPERATION_OK : IDS_OPERATION_FAILED);
    });
    if (!cardWorker_) {
        host_.Flags().portBusy = false;
        host_.PostStatus(host::StatusKind::Message, IDS_OPERATION_FAILED);
    }
}

// Removes the rows of deleted messages, highest first; a row that no longer shows the message it
// showed when the deletion began is left for the next read.
void DlgSmsList::RemoveRows(const std::vector<sms::SelectedRow>& selected,
                            const std::vector<int>& removed) {
    HWND list = Item(IDC_SMSLIST_LIST);
    for (int row : removed) {
        const auto was = std::find_if(selected.begin(), selected.end(),
                                      [row](const sms::SelectedRow& s) { return s.index == row; });
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (was != selected.end() && ListView_GetItem(list, &item) && item.lParam == was->id)
            ListView_DeleteItem(list, row);
    }
}

void DlgSmsList::OpenForReply() {
    HWND list = Item(IDC_SMSLIST_LIST);
    if (ListView_GetSelectedCount(list) != 1) return;
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0) return;
    // A new-message sound may still be playing.
    sndPlaySoundW(nullptr, SND_ASYNC | SND_LOOP);
    host_.OpenCompose(win::WideToAnsi(CellText(row, kColumnNumber)),
                      win::WideToAnsi(CellText(row, kColumnContent)), true);
}

void DlgSmsList::RunBatchSend() {
    if (AnyBusy(true)) return;
    host_.SetTrayMessageHandling(false);
    {
        DlgSmsBatchSend batch(Resources(), host_);
        batch.DoModal(host_.Window());
    }
    host_.SetTrayMessageHandling(true);
}
