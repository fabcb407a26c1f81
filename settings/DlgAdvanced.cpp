// The advanced settings dialog: builds the tabs and their pages, saves the pages in order on OK.
#include "settings/DlgAdvanced.h"

#include <commctrl.h>

#include "framework/Resources.h"
#include "framework/TextUtil.h"
#include "resources/resource.h"
#include "settings/SettingsFile.h"

DlgAdvanced::DlgAdvanced(HINSTANCE resources, host::MainWindow& host)
    : Dialog(resources, IDD_ADVANCED),
      host_(host),
      run_(resources, host),
      sound_(resources, host),
      other_(resources, host) {}

BOOL DlgAdvanced::OnInitDialog() {
    HWND tabs = Item(IDC_ADV_TABS);
    const std::wstring names = res::LoadStr(Resources(), IDS_ADV_TAB_NAMES);
    const std::vector<std::wstring> tabNames = text::Split(std::wstring_view(names), L',', 3);
    for (int i = 0; i < 3; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(tabNames[std::size_t(i)].c_str());
        SendMessageW(tabs, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    }

    // The pages cover the tab's display area (the control's rectangle less its header and border).
    RECT area{};
    GetWindowRect(tabs, &area);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&area), 2);
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (ui::Dialog* page : {static_cast<ui::Dialog*>(&run_), static_cast<ui::Dialog*>(&sound_),
                             static_cast<ui::Dialog*>(&other_)}) {
        HWND window = page->Create(Hwnd());
        if (!window) continue;
        // Above the tab control, so the tab never paints over a page.
        SetWindowPos(window, HWND_TOP, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_HIDEWINDOW);
    }
    ShowTab(0);
    return TRUE;
}

void DlgAdvanced::ShowTab(int index) {
    const ui::Dialog* pages[] = {&run_, &sound_, &other_};
    for (int i = 0; i < 3; ++i)
        if (HWND window = pages[i]->Hwnd()) ShowWindow(window, i == index ? SW_SHOW : SW_HIDE);
}

INT_PTR DlgAdvanced::OnNotify(NMHDR* header) {
    if (header->idFrom == IDC_ADV_TABS && header->code == TCN_SELCHANGE)
        ShowTab(int(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0)));
    return 0;
}

bool DlgAdvanced::OnCommand(int id, int code) {
    switch (id) {
        case IDC_ADV_OK:
        case IDOK:  // Enter
            OnOk();
            return true;
        case IDC_ADV_CANCEL:
        case IDCANCEL:  // Escape and the close box
            End(IDCANCEL);
            return true;
        default:
            return Dialog::OnCommand(id, code);
    }
}

void DlgAdvanced::OnOk() {
    // Pages in the order run, other, sound; the first that refuses keeps the dialog open (what
    // the pages before it took is already in the store's record).
    if (!run_.Save() || !other_.Save() || !sound_.Save()) return;
    restartAsked_ = other_.RestartNow();
    settings::SaveSettings(host_.Settings());
    End(IDOK);
}
