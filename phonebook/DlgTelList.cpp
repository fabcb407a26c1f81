// The phone book page: reading the card, the list, add/edit/delete, the context menu, CSV files.
#include "phonebook/DlgTelList.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "framework/Resources.h"
#include "framework/TextUtil.h"
#include "framework/Win32Text.h"
#include "phonebook/CsvCore.h"
#include "phonebook/CsvFiles.h"
#include "phonebook/DlgTelOperate.h"
#include "phonebook/ModemCard.h"
#include "phonebook/PhoneBookCore.h"
#include "phonebook/PhoneBookTable.h"

namespace {

// Fault-log positions of the page's module calls.
constexpr char kSourceName[] = "DlgTelList";
constexpr phonebook::FaultLines kFaultLines{178, 546, 270};

constexpr int kColumnCount = 2;
constexpr int kColumnMargin = 10;
constexpr int kMinColumnWidth = 85;
// Longest time the window thread spends adding rows before it takes its other messages again.
constexpr double kFillSliceMs = 10.0;
constexpr double kUnlimitedSliceMs = 1e12;

// The page's own message: the context menu at a screen point (lParam), posted by the pre-dispatch
// filter so the menu's loop never runs inside the message hook.
constexpr UINT kShowMenuMessage = WM_APP + 1;
// The page's own message: the next slice of rows of the fill whose generation is wParam.
constexpr UINT kContinueFillMessage = WM_APP + 2;

const ui::ButtonRow kButtons[] = {
    {IDC_PB_ADD, IDB_BTN_ADD, IDB_BTN_ADD_SEL, 0, 0, 1},
    {IDC_PB_DELETE, IDB_BTN_DELETE, IDB_BTN_DELETE_SEL, 0, 0, 1},
    {IDC_PB_EDIT, IDB_BTN_EDIT, IDB_BTN_EDIT_SEL, 0, 0, 1},
    {IDC_PB_BACK, IDB_BTN_BACK, IDB_BTN_BACK_SEL, 0, 0, 1},
};

std::wstring Cell(HWND list, int row, int column) {
    wchar_t buffer[128] = {};
    ListView_GetItemText(list, row, column, buffer, static_cast<int>(std::size(buffer)));
    return buffer;
}

int InsertRow(HWND list, int at, const std::wstring& name, const std::wstring& number, int32_t id) {
    std::wstring first = name;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = at;
    item.pszText = first.data();
    item.lParam = id;
    const int row = ListView_InsertItem(list, &item);
    if (row < 0) return row;
    std::wstring second = number;
    ListView_SetItemText(list, row, 1, second.data());
    return row;
}

// The read worker's way out: the port flag, the status line and the window thread.
class PageReadSink final : public phonebook::ReadSink {
public:
    using Deliverer = std::function<void(std::vector<PhoneBookRecord>)>;
    PageReadSink(host::MainWindow& host, Deliverer deliver)
        : host_(host), deliver_(std::move(deliver)) {}

    void SetPortBusy(bool busy) override { host_.Flags().portBusy = busy; }
    void PostReading() override { host_.PostStatus(host::StatusKind::Sticky, IDS_READING); }
    void PostReadResult(bool anything) override {
        host_.PostStatus(host::StatusKind::Result,
                         anything ? IDS_READ_DONE : IDS_READ_FAILED_OR_EMPTY);
    }
    void Deliver(std::vector<PhoneBookRecord> records) override { deliver_(std::move(records)); }

private:
    host::MainWindow& host_;
    Deliverer deliver_;
};

// Keeps the tray icon's menu and clicks away while a modal box or file dialog of the page runs.
class TrayQuiet {
public:
    explicit TrayQuiet(host::MainWindow& host) : host_(host) {
        host_.SetTrayMessageHandling(false);
    }
    ~TrayQuiet() { host_.SetTrayMessageHandling(true); }
    TrayQuiet(const TrayQuiet&) = delete;
    TrayQuiet& operator=(const TrayQuiet&) = delete;

private:
    host::MainWindow& host_;
};

}  // namespace

DlgTelList::DlgTelList(HINSTANCE resources, host::MainWindow& host, DlgTelOperate& editor)
    : Page(resources, IDD_PHONEBOOK), host_(host), editor_(editor) {
    editor_.SetListPage(this);
}

BOOL DlgTelList::OnInitDialog() {
    BOOL result = Page::OnInitDialog();
    CreateButtons(kButtons);
    SetUpList();
    *alive_ = true;
    return result;
}

void DlgTelList::OnDestroy() {
    *alive_ = false;
    Page::OnDestroy();
}

void DlgTelList::SetUpList() {
    HWND list = Item(IDC_PB_LIST);
    if (!list) return;
    MakeSkinnedList(IDC_PB_LIST);
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    RECT client{};
    GetClientRect(list, &client);
    const int width = std::max<int>(kMinColumnWidth, (client.right - kColumnMargin) / 2);
    const std::vector<std::wstring> titles =
        text::Split(res::LoadStr(Resources(), IDS_PB_COLUMNS), L',', kColumnCount);
    for (int i = 0; i < kColumnCount; ++i) {
        std::wstring title = titles[static_cast<std::size_t>(i)];
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = title.data();
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
}

void DlgTelList::ReadCard() {
    std::weak_ptr<bool> alive = alive_;
    PageReadSink sink(host_, [this, alive](std::vector<PhoneBookRecord> records) {
        host_.RunOnUiThread([this, alive, records = std::move(records)]() mutable {
            const std::shared_ptr<bool> living = alive.lock();
            if (living && *living) Fill(std::move(records));
        });
    });
    phonebook::ModemCard card(kSourceName, kFaultLines);
    phonebook::RunReadWorker(card, sink);
}

void DlgTelList::Fill(std::vector<PhoneBookRecord> records) {
    phonebook::PhoneBookTable& table = host_.PhoneBook();
    table.Clear();
    for (const PhoneBookRecord& record : records) table.Put(record);

    HWND list = Item(IDC_PB_LIST);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    ListView_SetItemCount(list, static_cast<int>(records.size()));
    filling_ = std::move(records);
    fillNext_ = 0;
    fillRunning_ = true;
    ++fillGeneration_;
    ContinueFill(fillGeneration_, kFillSliceMs);
}

void DlgTelList::ContinueFill(unsigned generation, double sliceMs) {
    if (generation != fillGeneration_ || !fillRunning_) return;
    // A list control takes a while for each row: the rows go in slices, and the window thread
    // handles its other messages between them.
    HWND list = Item(IDC_PB_LIST);
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const LONGLONG slice =
        static_cast<LONGLONG>(sliceMs * static_cast<double>(frequency.QuadPart) / 1000.0);
    while (fillNext_ < filling_.size()) {
        const PhoneBookRecord& record = filling_[fillNext_++];
        InsertRow(list, ListView_GetItemCount(list),
                  win::AnsiToWide(phonebook::FieldText(record.name)),
                  win::AnsiToWide(phonebook::FieldText(record.number)), record.id);
        QueryPerformanceCounter(&now);
        if (now.QuadPart - start.QuadPart >= slice) break;
    }
    // The rest after the messages already waiting (the task queue would run it at once); should
    // the message not go, at once.
    if (fillNext_ < filling_.size()) {
        if (PostMessageW(Hwnd(), kContinueFillMessage, generation, 0)) return;
        ContinueFill(generation, kUnlimitedSliceMs);
        return;
    }
    fillRunning_ = false;
    filling_.clear();
    fillNext_ = 0;
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void DlgTelList::FinishFill() {
    ContinueFill(fillGeneration_, kUnlimitedSliceMs);
}

void DlgTelList::PutRow(const PhoneBookRecord& record, bool isNew) {
    HWND list = Item(IDC_PB_LIST);
    if (!list) return;
    FinishFill();  // the row of the record may still be waiting
    const std::wstring name = win::AnsiToWide(phonebook::FieldText(record.name));
    std::wstring number = win::AnsiToWide(phonebook::FieldText(record.number));
    int row = -1;
    if (!isNew) {
        LVFINDINFOW find{};
        find.flags = LVFI_PARAM;
        find.lParam = record.id;
        row = ListView_FindItem(list, -1, &find);
    }
    if (row < 0) {
        InsertRow(list, ListView_GetItemCount(list), name, number, record.id);
        return;
    }
    std::wstring first = name;
    ListView_SetItemText(list, row, 0, first.data());
    ListView_SetItemText(list, row, 1, number.data());
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = record.id;
    ListView_SetItem(list, &item);
}

std::vector<DlgTelList::Row> DlgTelList::SelectedRows() const {
    std::vector<Row> rows;
    HWND list = Item(IDC_PB_LIST);
    if (!list) return rows;
    for (int i = ListView_GetNextItem(list, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list, i, LVNI_SELECTED)) {
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ListView_GetItem(list, &item);
        rows.push_back(
            Row{i, static_cast<int32_t>(item.lParam), Cell(list, i, 0), Cell(list, i, 1)});
    }
    return rows;
}

void DlgTelList::Add() {
    editor_.PrepareAdd();
    host_.ShowPage(host::PageId::PhoneBookEdit);
}

void DlgTelList::Edit() {
    const std::vector<Row> rows = SelectedRows();
    if (rows.size() != 1) return;
    editor_.PrepareEdit(rows[0].id, rows[0].name, rows[0].number);
    host_.ShowPage(host::PageId::PhoneBookEdit);
}

void DlgTelList::Delete() {
    if (phonebook::CardBusy(host_)) return;
    const std::vector<Row> rows = SelectedRows();
    if (rows.empty()) return;
    std::vector<phonebook::SelectedRow> selected;
    for (const Row& row : rows) selected.push_back({row.index, row.id});
    phonebook::ModemCard card(kSourceName, kFaultLines);
    const std::vector<phonebook::SelectedRow> deleted = phonebook::DeleteOnCard(selected, card);
    HWND list = Item(IDC_PB_LIST);
    for (const phonebook::SelectedRow& row : deleted) {
        ListView_DeleteItem(list, row.row);
        host_.PhoneBook().Free(row.id);
    }
    host_.PostStatus(host::StatusKind::Message,
                     deleted.size() == selected.size() ? IDS_OPERATION_OK : IDS_OPERATION_FAILED);
}

void DlgTelList::ShowMenu(POINT screen) {
    HMENU menu = LoadMenuW(Resources(), MAKEINTRESOURCEW(IDR_PHONEBOOK_MENU));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    const std::vector<Row> rows = SelectedRows();
    const phonebook::MenuState state = phonebook::MenuFor(static_cast<int>(rows.size()));
    const std::pair<UINT, bool> items[] = {
        {ID_PB_ADD, state.add},           {ID_PB_EDIT, state.edit}, {ID_PB_DELETE, state.remove},
        {ID_PB_SEND_SMS, state.sendSms},  {ID_PB_CALL, state.call}, {ID_PB_IMPORT, state.import},
        {ID_PB_EXPORT, state.exportRows},
    };
    for (const auto& [command, enabled] : items)
        EnableMenuItem(popup, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    const UINT command =
        popup ? static_cast<UINT>(TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_RETURNCMD, screen.x,
                                                 screen.y, 0, Hwnd(), nullptr))
              : 0;
    DestroyMenu(menu);
    const std::string number = rows.size() == 1 ? win::WideToAnsi(rows[0].number) : std::string();
    switch (command) {
        case ID_PB_ADD:
            Add();
            break;
        case ID_PB_EDIT:
            Edit();
            break;
        case ID_PB_DELETE:
            Delete();
            break;
        case ID_PB_SEND_SMS:
            if (rows.size() == 1) host_.OpenCompose(number, "", false);
            break;
        case ID_PB_CALL:
            if (rows.size() == 1) host_.PlaceCall(number);
            break;
        case ID_PB_IMPORT:
            Import();
            break;
        case ID_PB_EXPORT:
            Export();
            break;
        default:
            break;
    }
}

void DlgTelList::Import() {
    if (phonebook::CardBusy(host_)) return;
    TrayQuiet quiet(host_);
    std::wstring path;
    if (!phonebook::ChooseCsvToOpen(host_.Window(), path)) return;
    std::string content;
    const phonebook::CsvFile file =
        phonebook::ReadCsvFile(path, content) ? phonebook::ParseCsv(content) : phonebook::CsvFile{};
    if (file.hasHeader && !file.columns) {
        host_.PostStatus(host::StatusKind::Result, IDS_CSV_INVALID_FORMAT);
        return;
    }
    const std::wstring question = res::LoadStr(Resources(), IDS_CSV_OVERWRITE_FMT);
    phonebook::ImportSteps steps;
    steps.confirmOverwrite = [&](const phonebook::CsvEntry& entry, const std::string& existing) {
        const std::wstring number = win::AnsiToWide(entry.number);
        const std::wstring asked = text::FillPlaceholders(
            question, {win::AnsiToWide(entry.name), number, win::AnsiToWide(existing), number});
        return MessageBoxW(host_.Window(), asked.c_str(), L"", MB_YESNO) == IDYES;
    };
    steps.stored = [this](const PhoneBookRecord& record, bool isNew) { PutRow(record, isNew); };
    phonebook::ModemCard card(kSourceName, kFaultLines);
    const int count = phonebook::ImportEntries(file.entries, host_.PhoneBook(), card, steps);
    if (count < 1) {
        host_.PostStatus(host::StatusKind::Result, IDS_CSV_IMPORT_FAILED);
        return;
    }
    // Names of numbers may have changed: the pages that show them read the card again.
    host_.Reload().smsList = true;
    host_.Reload().callRecords = true;
    host_.PostStatusText(text::FillPlaceholders(res::LoadStr(Resources(), IDS_CSV_IMPORTED_FMT),
                                                {std::to_wstring(count)}));
}

void DlgTelList::Export() {
    const std::vector<Row> rows = SelectedRows();
    if (rows.empty()) return;
    TrayQuiet quiet(host_);
    std::wstring path;
    if (!phonebook::ChooseCsvToSave(host_.Window(), path)) return;
    std::vector<phonebook::CsvEntry> entries;
    for (const Row& row : rows)
        entries.push_back({win::WideToAnsi(row.name), win::WideToAnsi(row.number)});
    const bool written = phonebook::WriteCsvFile(path, phonebook::FormatCsv(entries));
    host_.PostStatus(host::StatusKind::Result, written ? IDS_CSV_EXPORT_OK : IDS_CSV_EXPORT_FAILED);
}

bool DlgTelList::OnCommand(int id, int code) {
    switch (id) {
        case IDC_PB_ADD:
            Add();
            return true;
        case IDC_PB_EDIT:
            Edit();
            return true;
        case IDC_PB_DELETE:
            Delete();
            return true;
        case IDC_PB_BACK:
            host_.ShowPage(host::PageId::Home);
            return true;
        default:
            return Page::OnCommand(id, code);
    }
}

INT_PTR DlgTelList::OnNotify(NMHDR* header) {
    if (header->idFrom == IDC_PB_LIST && header->code == NM_DBLCLK) Edit();
    return Page::OnNotify(header);
}

bool DlgTelList::PreTranslate(const MSG& msg) {
    // A right press over the list opens the menu; the list itself never sees it.
    if (msg.message == WM_RBUTTONDOWN && msg.hwnd && msg.hwnd == Item(IDC_PB_LIST)) {
        POINT at{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        ClientToScreen(msg.hwnd, &at);
        PostMessageW(Hwnd(), kShowMenuMessage, 0, MAKELPARAM(at.x, at.y));
        return true;
    }
    return Page::PreTranslate(msg);
}

bool DlgTelList::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (msg == kContinueFillMessage) {
        ContinueFill(static_cast<unsigned>(wParam), kFillSliceMs);
        result = 0;
        return true;
    }
    if (msg == kShowMenuMessage) {
        ShowMenu(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        result = 0;
        return true;
    }
    return Page::OnMessage(msg, wParam, lParam, result);
}
