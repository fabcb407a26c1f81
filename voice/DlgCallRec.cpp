// The call records page's window side: skin and columns, the reader, call back and delete.
#include "voice/DlgCallRec.h"

#include <commctrl.h>

#include <algorithm>
#include <array>

#include "framework/Resources.h"
#include "framework/TextUtil.h"
#include "framework/Thread.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "phonebook/PhoneBookTable.h"

namespace {

const ui::ButtonRow kButtons[] = {
    {IDC_CALLREC_CALLBACK, IDB_CALLREC_CALLBACK, IDB_CALLREC_CALLBACK_SEL, 0, 0, 1},
    {IDC_CALLREC_DELETE, IDB_BTN_DELETE, IDB_BTN_DELETE_SEL, 0, 0, 1},
    {IDC_CALLREC_BACK, IDB_BTN_BACK, IDB_BTN_BACK_SEL, 0, 0, 1},
};

constexpr int kNumberColumn = voice::kColumnCount - 1;
// A reader stuck in the module must not hold the window's end forever.
constexpr DWORD kReaderJoinMs = 30000;

void SetCell(HWND list, int row, int column, const std::wstring& text) {
    std::wstring copy = text;
    ListView_SetItemText(list, row, column, copy.data());
}

// Width a cell needs for the text in the list's font, its margins included.
int TextWidth(HWND list, const std::wstring& text) {
    constexpr int kCellMargins = 14;
    return static_cast<int>(
               SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str()))) +
           kCellMargins;
}

}  // namespace

DlgCallRec::DlgCallRec(HINSTANCE resources, host::MainWindow& host)
    : Page(resources, IDD_CALL_RECORDS), host_(host) {}

DlgCallRec::~DlgCallRec() {
    JoinReader();
}

BOOL DlgCallRec::OnInitDialog() {
    BOOL result = Page::OnInitDialog();
    CreateButtons(kButtons);
    MakeSkinnedList(IDC_CALLREC_LIST);
    SetUpColumns();
    return result;
}

void DlgCallRec::OnDestroy() {
    // The reader uses the main window's flags: it ends while they all still exist.
    JoinReader();
    Page::OnDestroy();
}

void DlgCallRec::SetUpColumns() {
    HWND list = Item(IDC_CALLREC_LIST);
    if (!list) return;
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    const std::vector<std::wstring> titles =
        text::Split(res::LoadStr(Resources(), IDS_CALLREC_COLUMNS), L',', voice::kColumnCount);
    voice::ColumnMinimums minimums;
    minimums.party = TextWidth(list, L"00000000000");
    for (const std::wstring& word : text::Split(res::LoadStr(Resources(), IDS_CALL_TYPES), L',', 3))
        minimums.type = std::max(minimums.type, TextWidth(list, word));
    minimums.duration = TextWidth(list, titles[3]);
    const std::array<int, voice::kColumnCount> widths =
        voice::ColumnWidths(client.right - client.left, minimums);
    for (int i = 0; i < voice::kColumnCount; ++i) {
        std::wstring title = titles[static_cast<std::size_t>(i)];
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = title.data();
        column.cx = widths[static_cast<std::size_t>(i)];
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
}

// ---- Reading -------------------------------------------------------------------------------

void DlgCallRec::ReadCard() {
    host::CardFlags& flags = host_.Flags();
    std::atomic<bool>& reload = host_.Reload().callRecords;
    flags.portBusy = true;
    host_.PostStatus(host::StatusKind::Sticky, IDS_READING);
    // Taken down now: a call event during the read asks for the next one.
    const bool wanted = reload.exchange(false);
    // The module writes into a buffer of our own, larger than it may fill; only the first 20
    // records and their texts up to the end of each field are believed.
    auto buffer = std::make_unique<voice::CallRecordBuffer>();
    const int32_t count = MDM_CALL_GUARDED(mdmVoiceGetAllRec, int32_t{0}, buffer->records);
    std::vector<voice::CallEntry> entries = voice::TakeCallRecords(*buffer, count);
    if (entries.empty()) {
        // Nothing read: the rows stay, and the next showing tries again.
        if (wanted) reload = true;
    } else {
        std::weak_ptr<int> alive = alive_;
        const bool handedOver = host_.RunOnUiThread([this, alive, entries = std::move(entries)] {
            if (alive.lock() && Hwnd()) Fill(entries);
        });
        // Read, but no window to show it in yet: the next showing reads again.
        if (!handedOver) reload = true;
    }
    host_.PostStatus(host::StatusKind::Result,
                     count > 0 ? IDS_READ_DONE : IDS_READ_FAILED_OR_EMPTY);
    flags.portBusy = false;
}

void DlgCallRec::Fill(const std::vector<voice::CallEntry>& entries) {
    HWND list = Item(IDC_CALLREC_LIST);
    if (!list) return;
    const std::vector<std::wstring> typeWords =
        text::Split(res::LoadStr(Resources(), IDS_CALL_TYPES), L',', 3);
    const phonebook::PhoneBookTable& book = host_.PhoneBook();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (const voice::CallEntry& entry : entries) {
        const voice::CallRowTexts texts = voice::RowTexts(entry, book.LookupName(entry.number));
        std::wstring party = win::AnsiToWide(texts.party);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = ListView_GetItemCount(list);
        item.pszText = party.data();
        item.lParam = entry.id;
        const int row = ListView_InsertItem(list, &item);
        if (row < 0) continue;
        SetCell(list, row, 1,
                typeWords[static_cast<std::size_t>(voice::TypeWordIndex(entry.type))]);
        SetCell(list, row, 2, win::AnsiToWide(texts.time));
        SetCell(list, row, 3, win::AnsiToWide(texts.duration));
        SetCell(list, row, kNumberColumn, win::AnsiToWide(texts.number));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void DlgCallRec::StartReader() {
    if (reader_) {
        // The last reader has ended (the port-busy check let us here); its handle goes.
        WaitForSingleObject(reader_, kReaderJoinMs);
        CloseHandle(reader_);
        reader_ = nullptr;
    }
    // Taken before the thread runs, so no other card operation starts in between.
    host_.Flags().portBusy = true;
    reader_ = thread::Start([this] { ReadCard(); });
    if (!reader_) host_.Flags().portBusy = false;
}

void DlgCallRec::JoinReader() {
    if (!reader_) return;
    WaitForSingleObject(reader_, kReaderJoinMs);
    CloseHandle(reader_);
    reader_ = nullptr;
}

bool DlgCallRec::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (msg == WM_SHOWWINDOW && wParam && host_.Reload().callRecords &&
        !host_.IsNetConnected(false) && !host_.IsDialBusy(false) && !host_.IsCallBusy(false) &&
        !host_.IsSmsSending(false) && !host_.IsPortBusy(true))
        StartReader();
    return Page::OnMessage(msg, wParam, lParam, result);
}

// ---- Buttons -------------------------------------------------------------------------------

bool DlgCallRec::OnCommand(int id, int code) {
    switch (id) {
        case IDC_CALLREC_CALLBACK:
            CallBack();
            return true;
        case IDC_CALLREC_DELETE:
            DeleteSelected();
            return true;
        case IDC_CALLREC_BACK:
            host_.ShowPage(host::PageId::Call);
            return true;
        default:
            return Page::OnCommand(id, code);
    }
}

void DlgCallRec::CallBack() {
    HWND list = Item(IDC_CALLREC_LIST);
    if (!list || ListView_GetSelectedCount(list) != 1) return;
    if (host_.IsNetConnected(true) || host_.IsDialBusy(true) || host_.IsSmsSending(true) ||
        host_.IsPortBusy(true))
        return;
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0) return;
    wchar_t number[64] = {};
    ListView_GetItemText(list, row, kNumberColumn, number, static_cast<int>(std::size(number)));
    host_.PlaceCall(win::WideToAnsi(number));
}

void DlgCallRec::DeleteSelected() {
    if (host_.IsNetConnected(true) || host_.IsDialBusy(true) || host_.IsCallBusy(true) ||
        host_.IsSmsSending(true) || host_.IsPortBusy(true))
        return;
    HWND list = Item(IDC_CALLREC_LIST);
    if (!list || ListView_GetSelectedCount(list) == 0) return;
    std::vector<int> selected;
    for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list, row, LVNI_SELECTED))
        selected.push_back(row);
    for (int row : voice::DeletionOrder(selected)) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (!ListView_GetItem(list, &item)) continue;
        const auto recordId = static_cast<int32_t>(item.lParam);
        if (MDM_CALL_GUARDED(mdmVoiceDelRec, int32_t{-1}, recordId) == 0)
            ListView_DeleteItem(list, row);
    }
    host_.PostStatus(host::StatusKind::Message, IDS_OPERATION_OK);
}
