// Small Win32 program with known controls that the driver self-test drives from another process.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fixture_ids.h"

namespace {

enum : WORD { kButtonClass = 0x0080, kEditClass = 0x0081, kStaticClass = 0x0082, kListBoxClass = 0x0083 };
constexpr int kHotKey = 1;

// In-memory dialog template: DLGTEMPLATE, then DWORD-aligned DLGITEMTEMPLATEs.
class Template {
public:
    Template(const wchar_t* title, short cx, short cy, WORD items) {
        Dword(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
        Dword(0);
        words_.push_back(items);
        for (short v : {short(0), short(0), cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(0);  // no menu
        words_.push_back(0);  // standard class
        Text(title);
        words_.push_back(9);
        Text(L"MS Shell Dlg");
    }
    void Item(WORD cls, const wchar_t* clsName, const wchar_t* text, int id, DWORD style, short x, short y,
              short cx, short cy) {
        if (words_.size() % 2) words_.push_back(0);
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(static_cast<WORD>(id));
        if (clsName) {
            Text(clsName);
        } else {
            words_.push_back(0xFFFF);
            words_.push_back(cls);
        }
        Text(text);
        words_.push_back(0);  // no creation data
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void Dword(DWORD v) {
        words_.push_back(LOWORD(v));
        words_.push_back(HIWORD(v));
    }
    void Text(const wchar_t* s) {
        for (; *s; ++s) words_.push_back(static_cast<WORD>(*s));
        words_.push_back(0);
    }
    std::vector<WORD> words_;
};

std::wstring g_folder;  // the program's own folder
bool g_child = false;

void SetResult(HWND dialog, const std::wstring& text) { SetDlgItemTextW(dialog, fixture::kResult, text.c_str()); }

void AppendLog(const char* line) {
    HANDLE file = CreateFileW((g_folder + L"\\" + fixture::kLog).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    CloseHandle(file);
}

void FillLists(HWND dialog) {
    for (const wchar_t* row : {L"alpha", L"beta", L"中文行"})
        SendDlgItemMessageW(dialog, fixture::kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));

    HWND view = GetDlgItem(dialog, fixture::kListView);
    const wchar_t* titles[] = {L"Name", L"Number"};
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 120;
        column.pszText = const_cast<wchar_t*>(titles[c]);
        SendMessageW(view, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    const wchar_t* rows[][2] = {{L"Zhang San", L"13800138000"}, {L"李四", L"10086"}, {L"Wang Wu", L""}};
    for (int r = 0; r < 3; ++r) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.pszText = const_cast<wchar_t*>(rows[r][0]);
        SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 1;
        item.pszText = const_cast<wchar_t*>(rows[r][1]);
        SendMessageW(view, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
    }
}

void OnInit(HWND dialog) {
    SetWindowTextW(dialog, g_child ? fixture::kChildTitle : fixture::kTitle);
    FillLists(dialog);
    if (!GlobalFindAtomW(fixture::kAtom)) GlobalAddAtomW(fixture::kAtom);
    RegisterHotKey(dialog, kHotKey, MOD_CONTROL, VK_F11);
    wchar_t name[256] = L"";
    GetPrivateProfileStringW(L"fixture", L"name", L"", name, 256, (g_folder + L"\\" + fixture::kIni).c_str());
    wchar_t env[64] = L"";
    GetEnvironmentVariableW(L"E2E_FIXTURE_ENV", env, 64);
    SetResult(dialog, L"ready acp=" + std::to_wstring(GetACP()) + L" ini=" + name + L" env=" + env);
}

void OnAsk(HWND dialog) {
    const int answer = MessageBoxW(dialog, fixture::kBoxText, fixture::kBoxCaption,
                                   MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_DEFBUTTON2);
    SetResult(dialog, answer == IDABORT ? L"answer:abort"
                      : answer == IDRETRY ? L"answer:retry"
                      : answer == IDIGNORE ? L"answer:ignore"
                                           : L"answer:other");
}

INT_PTR OnNotify(HWND dialog, const NMHDR* header) {
    if (header->idFrom != fixture::kListView) return FALSE;
    if (header->code == NM_DBLCLK) {
        const auto* item = reinterpret_cast<const NMITEMACTIVATE*>(header);
        SetResult(dialog, L"dblclk:" + std::to_wstring(item->iItem));
    } else if (header->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
            SetResult(dialog, L"lv:" + std::to_wstring(change->iItem));
    }
    return FALSE;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case fixture::kEcho: {
            wchar_t text[512] = L"";
            GetDlgItemTextW(dialog, fixture::kEdit, text, 512);
            SetResult(dialog, std::wstring(L"echo:") + text);
            return TRUE;
        }
        case fixture::kAsk:
            OnAsk(dialog);
            return TRUE;
        case fixture::kList:
            if (HIWORD(wParam) == LBN_SELCHANGE)
                SetResult(dialog, L"lb:" + std::to_wstring(SendDlgItemMessageW(dialog, fixture::kList, LB_GETCURSEL,
                                                                               0, 0)));
            return TRUE;
        case IDCANCEL:
            AppendLog("closed\r\n");
            EndDialog(dialog, fixture::kCloseCode);
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
    case WM_HOTKEY:
        if (wParam == kHotKey) SetResult(dialog, L"hotkey");
        return TRUE;
    case WM_DESTROY:
        UnregisterHotKey(dialog, kHotKey);
        if (ATOM atom = GlobalFindAtomW(fixture::kAtom)) GlobalDeleteAtom(atom);
        return FALSE;
    }
    return FALSE;
}

void StartChild() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = std::wstring(L"\"") + self + L"\" child";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(self, line.data(), nullptr, nullptr, FALSE, 0, nullptr, g_folder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    g_folder.assign(self, n);
    g_folder.resize(g_folder.find_last_of(L'\\') == std::wstring::npos ? 0 : g_folder.find_last_of(L'\\'));

    const std::wstring arguments = args ? args : L"";
    if (arguments.rfind(L"exit=", 0) == 0) {
        const int code = _wtoi(arguments.c_str() + 5);
        const std::string line = "fixture acp=" + std::to_string(GetACP()) + " exit=" + std::to_string(code) + "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return code;
    }
    g_child = arguments == L"child";
    if (arguments == L"spawn") StartChild();

    HANDLE mutex = CreateMutexW(nullptr, FALSE, fixture::kMutex);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    using namespace fixture;
    Template t(kTitle, 300, 200, 10);
    t.Item(kEditClass, nullptr, L"", kEdit, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 7, 140, 14);
    t.Item(kButtonClass, nullptr, L"Echo", kEcho, BS_PUSHBUTTON | WS_TABSTOP, 152, 7, 45, 14);
    t.Item(kButtonClass, nullptr, L"Ask", kAsk, BS_PUSHBUTTON | WS_TABSTOP, 202, 7, 45, 14);
    t.Item(kStaticClass, nullptr, L"", kResult, SS_LEFT | SS_NOPREFIX, 7, 26, 286, 10);
    t.Item(kListBoxClass, nullptr, L"", kList, LBS_NOTIFY | WS_BORDER | WS_VSCROLL | WS_TABSTOP, 7, 40, 90, 80);
    t.Item(0, WC_LISTVIEWW, L"", kListView, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP,
           103, 40, 190, 80);
    t.Item(kButtonClass, nullptr, L"Check", kCheck, BS_AUTOCHECKBOX | WS_TABSTOP, 7, 128, 80, 12);
    t.Item(kStaticClass, nullptr, L"Label", kLabel, SS_LEFT, 100, 128, 80, 10);
    t.Item(kButtonClass, nullptr, L"Disabled", kDisabled, BS_PUSHBUTTON | WS_DISABLED, 7, 180, 70, 14);
    t.Item(kButtonClass, nullptr, L"Close", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 243, 180, 50, 14);
    const INT_PTR result = DialogBoxIndirectParamW(instance, t.Get(), nullptr, DialogProc, 0);
    if (mutex) CloseHandle(mutex);
    return static_cast<int>(result);
}
