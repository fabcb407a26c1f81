// The connection records window: the stored records of a period with their totals, and clearing.
#include "net/DlgNetRecords.h"

#include <commctrl.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "framework/Resources.h"
#include "framework/TextUtil.h"
#include "framework/Win32Text.h"
#include "net/NetRecords.h"

namespace {

constexpr int kColumnWidths[] = {130, 130, 60, 65, 65};
constexpr int kColumnCount = static_cast<int>(std::size(kColumnWidths));

// Dialog initial data (the RT_DLGINIT resource of a template): entries of control id, message,
// byte count and bytes, ended by a zero id. The dialog manager leaves it alone, so the window
// reads its list items from it itself. 0x0403 is the combo box "add string" as the entries
// carry it; its text is in the code page of the resource's language.
constexpr WORD kDialogInitType = 240;
constexpr WORD kInitAddString = 0x0403;

BOOL CALLBACK TakeFirstLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

UINT CodePageOf(HINSTANCE module, UINT templateId) {
    WORD language = LANG_NEUTRAL;
    EnumResourceLanguagesW(module, MAKEINTRESOURCEW(kDialogInitType), MAKEINTRESOURCEW(templateId),
                           TakeFirstLanguage, reinterpret_cast<LONG_PTR>(&language));
    wchar_t number[8] = {};
    if (PRIMARYLANGID(language) == LANG_NEUTRAL ||
        !GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_IDEFAULTANSICODEPAGE, number, 8))
        return CP_ACP;
    const int codePage = text::ParseLeadingInt(std::wstring_view(number));
    return codePage > 0 ? static_cast<UINT>(codePage) : CP_ACP;
}

// The texts the initial data adds to one combo box, in order. Every count is checked against
// the resource's size: a damaged entry ends the reading.
std::vector<std::wstring> InitialComboTexts(HINSTANCE module, UINT templateId, int controlId) {
    std::vector<std::wstring> texts;
    HRSRC found =
        FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(kDialogInitType));
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
    if (!data) return texts;
    const std::size_t size = SizeofResource(module, found);
    const UINT codePage = CodePageOf(module, templateId);
    std::size_t at = 0;
    while (at + 8 <= size) {
        WORD control = 0;
        WORD message = 0;
        DWORD length = 0;
        std::memcpy(&control, data + at, sizeof control);
        if (control == 0) break;
        std::memcpy(&message, data + at + 2, sizeof message);
        std::memcpy(&length, data + at + 4, sizeof length);
        at += 8;
        if (length > size - at) break;
        if (control == controlId && message == kInitAddString) {
            const auto* bytes = reinterpret_cast<const char*>(data + at);
            const std::string ansi = text::CutText(std::string_view(bytes, length), length);
            const int chars = MultiByteToWideChar(codePage, 0, ansi.data(),
                                                  static_cast<int>(ansi.size()), nullptr, 0);
            std::wstring wide(static_cast<std::size_t>(chars > 0 ? chars : 0), L'\0');
            if (chars > 0)
                MultiByteToWideChar(codePage, 0, ansi.data(), static_cast<int>(ansi.size()),
                                    wide.data(), chars);
            texts.push_back(std::move(wide));
        }
        at += length;
    }
    return texts;
}

}  // namespace

DlgNetRecords::DlgNetRecords(HINSTANCE resources, net::TrafficAccount& account, NowFn now)
    : CToolTipDialog(resources, IDD_NET_RECORDS), account_(account), now_(std::move(now)) {
    // A plain captioned window without a skin picture: the system draws its texts.
    SetTransparentStatics(false);
    if (!now_) now_ = [] { return net::LocalNow().local; };
}

BOOL DlgNetRecords::OnInitDialog() {
    CToolTipDialog::OnInitDialog();
    totalsFormat_ = ItemText(IDC_NETREC_TOTALS);
    SetUpColumns();
    AddPeriods();
    SendDlgItemMessageW(Hwnd(), IDC_NETREC_PERIOD, CB_SETCURSEL, 0, 0);
    account_.CountRecords();
    FillList();
    return TRUE;
}

void DlgNetRecords::SetUpColumns() {
    HWND list = Item(IDC_NETREC_LIST);
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const std::vector<std::wstring> titles =
        text::Split(res::LoadStr(Resources(), IDS_NETREC_COLUMNS), L',', kColumnCount);
    for (int i = 0; i < kColumnCount; ++i) {
        std::wstring title = titles[static_cast<std::size_t>(i)];
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumnWidths[i];
        column.pszText = title.data();
        column.iSubItem = i;
        ListView_InsertColumn(list, i, &column);
    }
}

void DlgNetRecords::AddPeriods() {
    HWND combo = Item(IDC_NETREC_PERIOD);
    // Should a dialog manager ever fill the list from the initial data itself, keep its items.
    if (!combo || SendMessageW(combo, CB_GETCOUNT, 0, 0) > 0) return;
    for (const std::wstring& period :
         InitialComboTexts(Resources(), IDD_NET_RECORDS, IDC_NETREC_PERIOD))
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(period.c_str()));
}

net::Period DlgNetRecords::SelectedPeriod() const {
    const LRESULT index = SendDlgItemMessageW(Hwnd(), IDC_NETREC_PERIOD, CB_GETCURSEL, 0, 0);
    switch (index) {
        case static_cast<LRESULT>(net::Period::LastMonth):
            return net::Period::LastMonth;
        case static_cast<LRESULT>(net::Period::ThisMonth):
            return net::Period::ThisMonth;
        default:
            return net::Period::All;  // also with no selection at all
    }
}

void DlgNetRecords::FillList() {
    HWND list = Item(IDC_NETREC_LIST);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    const net::TrafficAccount::Listing listing = account_.List(SelectedPeriod(), now_());
    int row = 0;
    for (const net::RecordFields& record : listing.rows) {
        std::wstring first = win::AnsiToWide(record.text[0]);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = first.data();
        const int at = ListView_InsertItem(list, &item);
        if (at < 0) continue;
        for (int column = 1; column < kColumnCount; ++column) {
            std::wstring field = win::AnsiToWide(record.text[static_cast<std::size_t>(column)]);
            ListView_SetItemText(list, at, column, field.data());
        }
        ++row;
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    SetItemText(IDC_NETREC_TOTALS,
                net::FormatTotals(totalsFormat_, listing.sent, listing.received));
}

bool DlgNetRecords::OnCommand(int id, int code) {
    switch (id) {
        case IDC_NETREC_PERIOD:
            if (code == CBN_SELCHANGE) FillList();
            return true;
        case IDC_NETREC_CLEAR:
            if (code != BN_CLICKED) return false;
            account_.ClearRecords();
            account_.CountRecords();
            FillList();
            return true;
        case IDC_NETREC_BACK:
            if (code != BN_CLICKED) return false;
            End(IDC_NETREC_BACK);
            return true;
        default:
            return CToolTipDialog::OnCommand(id, code);
    }
}
