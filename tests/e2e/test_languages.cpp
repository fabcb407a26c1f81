// The system language chooses the language library: under each locale the program speaks its
// language.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <cwctype>
#include <string>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

// The connection records and the month total; the tour leaves a connection there.
constexpr wchar_t kNetRecKey[] = L"Software\\Wireless Modem\\NetRec";

// What a run under one system locale must show. The locale comes from ORVANE_LANG (tools/winenv.sh
// makes it the Unix locale of every Wine process); unset, the run is on a Chinese (PRC) system.
struct SystemLanguage {
    const char* locale;
    LANGID system;              // the system language Windows then reports
    const wchar_t* library;     // the language library the program must choose
    const wchar_t* internet;    // the internet page button
    const wchar_t* stateLabel;  // the internet page's first label
    const wchar_t* notConnected;
};

const SystemLanguage kLanguages[] = {
    {"zh_CN.UTF-8", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), L"skingb.dll", L"上网",
     L"状态:", L"未连接"},
    {"zh_TW.UTF-8", MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), L"skinbig5.dll", L"上網",
     L"狀態：", L"未連線"},
    {"ja_JP.UTF-8", MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN), L"skinjap.dll",
     L"インターネット", L"状態：", L"未接続"},
    {"es_ES.UTF-8", MAKELANGID(LANG_SPANISH, SUBLANG_SPANISH_MODERN), L"skinspa.dll", L"Internet",
     L"Estado:", L"Sin conexión"},
    {"en_US.UTF-8", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"skinen.dll", L"Internet",
     L"Status:", L"Not connected"},
};

const SystemLanguage* LanguageOfThisRun() {
    char locale[64] = {};
    DWORD n = GetEnvironmentVariableA("ORVANE_LANG", locale, sizeof locale);
    const std::string name = n > 0 && n < sizeof locale ? locale : "zh_CN.UTF-8";
    for (const SystemLanguage& l : kLanguages)
        if (name == l.locale) return &l;
    return nullptr;
}

// The language libraries the process has mapped (file names, lower case).
std::vector<std::wstring> SkinLibrariesOf(DWORD pid) {
    std::vector<std::wstring> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    MODULEENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32FirstW(snapshot, &entry); more;
         more = Module32NextW(snapshot, &entry)) {
        std::wstring name = entry.szModule;
        for (wchar_t& c : name) c = static_cast<wchar_t>(std::towlower(c));
        if (name.rfind(L"skin", 0) == 0 && name.size() > 8 &&
            name.compare(name.size() - 4, 4, L".dll") == 0)
            found.push_back(name);
    }
    CloseHandle(snapshot);
    return found;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

// The texts a window's controls carry: buttons by id, unnamed labels in their order.
struct ControlTexts {
    std::vector<std::pair<int, std::wstring>> buttons;
    std::vector<std::wstring> labels;
};

ControlTexts TextsOf(HWND window) {
    ControlTexts texts;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        const std::wstring cls = e2e::ClassOf(child);
        if (_wcsicmp(cls.c_str(), L"Button") == 0 && id > 0 && id < 0xFFFF)
            texts.buttons.emplace_back(id, e2e::Text(child));
        else if (_wcsicmp(cls.c_str(), L"Static") == 0 && (id == -1 || id == 0xFFFF))
            texts.labels.push_back(e2e::Text(child));
    }
    return texts;
}

class SystemLanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        language = LanguageOfThisRun();
        ASSERT_NE(language, nullptr) << "ORVANE_LANG names a locale this test does not know";
        // A locale that is not generated silently gives an English system.
        ASSERT_EQ(GetSystemDefaultLangID(), language->system)
            << language->locale << " is not the system locale: is it generated (tools/setup.sh)?";
        ASSERT_TRUE(folder.Ok());
        folder.Remove(L"modem.log");
        RegDeleteTreeW(HKEY_CURRENT_USER, kNetRecKey);
        shot =
            std::wstring(L"lang-") + e2e::Wide(std::string(language->locale).substr(0, 5)) + L"-";
    }
    void TearDown() override {
        if (orvane.Running()) orvane.Kill();
        RegDeleteTreeW(HKEY_CURRENT_USER, kNetRecKey);
    }

    // Starts the program and finds its main window and internet page (created hidden at start).
    void Start() {
        orvane = folder.Start(L"Orvane.exe");
        mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS);
        ASSERT_NE(mainWindow, nullptr);
        internetPage = GetParent(e2e::FindChild(mainWindow, IDC_INET_STATE));
        ASSERT_NE(internetPage, nullptr);
    }
    void ShowInternetPage() {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(internetPage); }, 5000));
    }
    std::wstring SkinString(UINT id) {
        return e2e::LoadSkinString(folder.File(language->library), id);
    }
    std::wstring State() { return e2e::Text(GetDlgItem(internetPage, IDC_INET_STATE)); }
    void Close() {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
        EXPECT_TRUE(orvane.WaitExit(20000));
    }
    void SetIni(const wchar_t* file, const wchar_t* section, const wchar_t* key,
                const wchar_t* value) {
        ASSERT_TRUE(WritePrivateProfileStringW(section, key, value, folder.File(file).c_str()));
    }

    const SystemLanguage* language = nullptr;
    e2e::StagedFolder folder;
    e2e::Process orvane;
    HWND mainWindow = nullptr;
    HWND internetPage = nullptr;
    std::wstring shot;
};

TEST_F(SystemLanguageTest, MainWindowAndInternetPageSpeakTheSystemLanguage) {
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(SkinLibrariesOf(orvane.Id()), std::vector<std::wstring>{language->library});
    EXPECT_EQ(e2e::Caption(mainWindow), L"Wireless Modem")
        << "the title is the same in every language";

    // The program's windows carry the texts of the expected library's templates.
    HMODULE library =
        LoadLibraryExW(folder.File(language->library).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(library, nullptr);
    HWND mainTemplate =
        CreateDialogParamW(library, MAKEINTRESOURCEW(IDD_MAIN), nullptr, QuietDialogProc, 0);
    HWND pageTemplate = CreateDialogParamW(library, MAKEINTRESOURCEW(IDD_INTERNET), mainTemplate,
                                           QuietDialogProc, 0);
    ASSERT_TRUE(mainTemplate && pageTemplate);
    const ControlTexts expectedMain = TextsOf(mainTemplate), expectedPage = TextsOf(pageTemplate);
    DestroyWindow(mainTemplate);
    FreeLibrary(library);
    const ControlTexts shownMain = TextsOf(mainWindow), shownPage = TextsOf(internetPage);
    EXPECT_EQ(shownMain.buttons, expectedMain.buttons);
    EXPECT_EQ(shownPage.buttons, expectedPage.buttons);
    EXPECT_EQ(shownPage.labels, expectedPage.labels);
    EXPECT_EQ(e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_BTN_INTERNET)), language->internet);
    ASSERT_FALSE(shownPage.labels.empty());
    EXPECT_EQ(shownPage.labels.front(), language->stateLabel);
    folder.Screenshot(shot + L"main", mainWindow);

    // The state line: the library's "not connected" at the first supervision tick.
    ASSERT_NO_FATAL_FAILURE(ShowInternetPage());
    const std::wstring notConnected = SkinString(IDS_NET_DISCONNECTED);
    EXPECT_EQ(notConnected, language->notConnected);
    EXPECT_TRUE(e2e::WaitUntil([&] { return State() == notConnected; }, 8000))
        << e2e::Utf8(State());
    folder.Screenshot(shot + L"internet", mainWindow);
    Close();
}

// Every window there is, once, for looking at: the pages, the advanced settings, the about box,
// the connected internet page with its graph and records, the month alarm popup and the exit box.
TEST_F(SystemLanguageTest, EveryWindowInTheSystemLanguage) {
    SetIni(L"simcard.ini", L"DIAL", L"StepDelayMs", L"100");
    SetIni(L"simcard.ini", L"TRAFFIC", L"RecvRate", L"400000");
    SetIni(L"modem.ini", L"SETTING", L"MONTHALARM", L"1");
    ASSERT_NO_FATAL_FAILURE(Start());
    struct PageShot {
        int button;
        int pageControl;
        const wchar_t* name;
    };
    for (const PageShot& page :
         {PageShot{IDC_MAIN_BTN_CALL, IDC_CALL_DIAL, L"page-call"},
          PageShot{IDC_MAIN_BTN_SMS, IDC_SMSLIST_LIST, L"page-sms"},
          PageShot{IDC_MAIN_BTN_PHONEBOOK, IDC_PB_LIST, L"page-phonebook"},
          PageShot{IDC_MAIN_BTN_SETTINGS, IDC_ACCOUNT_USER, L"page-account"}}) {
        ASSERT_TRUE(e2e::ClickId(mainWindow, page.button));
        HWND control = e2e::WaitChild(mainWindow, page.pageControl, 5000);
        EXPECT_TRUE(e2e::WaitUntil([&] { return control && e2e::IsVisible(control); }, 5000))
            << e2e::Utf8(page.name);
        Sleep(500);  // the page paints its controls after it is shown
        folder.Screenshot(shot + page.name, mainWindow);
    }

    // The advanced settings from the account page (shown last), each tab as a click shows it.
    HWND account = GetParent(e2e::FindChild(mainWindow, IDC_ACCOUNT_ADVANCED));
    ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_ADVANCED));
    HWND advanced = e2e::WaitDialogWith(orvane.Id(), IDC_ADV_TABS);
    ASSERT_NE(advanced, nullptr);
    const int firstOnTab[] = {IDC_ADV_AUTO_DIAL, IDC_ADV_RING_PATH, IDC_ADV_SLEEP_SECONDS};
    for (int tab = 0; tab < 3; ++tab) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(GetDlgItem(advanced, IDC_ADV_TABS), TCM_SETCURFOCUS, WPARAM(tab), 0,
                            SMTO_ABORTIFHUNG, 5000, &ignored);
        HWND control = e2e::FindChild(advanced, firstOnTab[tab]);
        EXPECT_TRUE(e2e::WaitUntil([&] { return control && e2e::IsVisible(control); }, 5000));
        Sleep(300);
        folder.Screenshot(shot + L"advanced-" + std::to_wstring(tab + 1), advanced);
    }
    ASSERT_TRUE(e2e::ClickId(advanced, IDC_ADV_CANCEL));
    EXPECT_TRUE(e2e::WaitGone(advanced, 5000));

    PostMessageW(mainWindow, WM_COMMAND, ID_TRAY_ABOUT, 0);
    HWND about = e2e::WaitDialogWith(orvane.Id(), IDOK, 5000);
    ASSERT_NE(about, nullptr);
    folder.Screenshot(shot + L"about", about);
    e2e::ClickId(about, IDOK);
    EXPECT_TRUE(e2e::WaitGone(about, 5000));

    ASSERT_NO_FATAL_FAILURE(ShowInternetPage());
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_CONNECT));
    const std::wstring succeeded = SkinString(IDS_DIAL_SUCCEEDED),
                       connected = SkinString(IDS_NET_CONNECTED);
    ASSERT_TRUE(e2e::WaitUntil([&] { return State() == succeeded || State() == connected; }, 15000))
        << e2e::Utf8(State());
    HWND graph = e2e::WaitWindow(
        orvane.Id(), [](HWND w) { return GetDlgItem(w, IDC_GRAPH_SEND_GRAPH) != nullptr; });
    ASSERT_NE(graph, nullptr);
    ASSERT_TRUE(e2e::ClickId(internetPage, IDC_INET_RECORDS));
    ASSERT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(graph) != FALSE; }, 5000));
    // The month alarm comes with the 5-second tick once a megabyte has arrived.
    HWND popup = nullptr;
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            popup = e2e::FindWindowOf(orvane.Id(), [](HWND w) {
                return e2e::ClassOf(w) == L"OrvaneTaskbarNotifier" && IsWindowVisible(w);
            });
            return popup != nullptr;
        },
        15000));
    Sleep(1500);
    folder.Screenshot(shot + L"connected-popup");
    folder.Screenshot(shot + L"graph", graph);
    ASSERT_TRUE(e2e::ClickId(graph, IDC_GRAPH_HISTORY));
    HWND records = e2e::WaitDialogWith(orvane.Id(), IDC_NETREC_LIST, 8000);
    ASSERT_NE(records, nullptr);
    folder.Screenshot(shot + L"records", records);
    e2e::ClickId(records, IDC_NETREC_BACK);
    EXPECT_TRUE(e2e::WaitGone(records, 5000));
    e2e::ClickId(graph, IDC_GRAPH_CLOSE);

    // The exit box says "exiting" in the library's words while the connection is hung up.
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
    const std::wstring exiting = SkinString(IDS_EXITING);
    HWND exitBox = nullptr;
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            exitBox = e2e::FindWindowOf(orvane.Id(), [](HWND w) {
                return GetDlgItem(w, IDC_WAIT_TEXT) &&
                       IsWindowVisible(GetDlgItem(w, IDC_WAIT_TEXT));
            });
            return exitBox && e2e::Text(GetDlgItem(exitBox, IDC_WAIT_TEXT)).rfind(exiting, 0) == 0;
        },
        10000));
    if (exitBox) folder.Screenshot(shot + L"exit-box", exitBox);
    EXPECT_TRUE(orvane.WaitExit(20000));
    Logf("%s: screenshots %ls*", language->locale, shot.c_str());
}

}  // namespace
