// Start-up end to end: wait box, single instance, card wait, module and PIN failures, skins, faults.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "pin/PinResource.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

constexpr wchar_t kStartupAtom[] = L"_ORVANE_";
constexpr wchar_t kPinAtom[] = L"_VERIFY_PIN_";

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        ASSERT_TRUE(folder.Remove(L"modem.log"));  // a log left in the staged folder by a manual run
    }

    void SetIni(const wchar_t* file, const wchar_t* section, const wchar_t* key,
                const std::wstring& value) {
        ASSERT_TRUE(WritePrivateProfileStringW(section, key, value.c_str(), folder.File(file).c_str()));
    }
    void SetCard(const wchar_t* key, const std::wstring& value) {
        SetIni(L"simcard.ini", L"CARD", key, value);
    }

    // A string of a staged language library, as the program would load it.
    std::wstring SkinString(const wchar_t* library, UINT id) {
        return e2e::LoadSkinString(folder.File(library), id);
    }

    e2e::Process StartOrvane(const std::wstring& args = {}) {
        e2e::Process process = folder.Start(L"Orvane.exe", args);
        EXPECT_TRUE(process.Running());
        return process;
    }

    static HWND WaitMainWindow(const e2e::Process& process, DWORD timeoutMs = e2e::kWaitMs) {
        return e2e::WaitDialogWith(process.Id(), IDC_MAIN_STATUS, timeoutMs);
    }
    static HWND FindWaitBox(const e2e::Process& process) {
        return e2e::FindWindowOf(process.Id(), [](HWND w) {
            return e2e::ClassOf(w) == L"#32770" && GetDlgItem(w, IDC_WAIT_TEXT) && IsWindowVisible(w);
        });
    }

    void CloseNormally(HWND mainWindow, e2e::Process& process) {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
        EXPECT_TRUE(process.WaitExit(15000));
        EXPECT_EQ(process.ExitCode(), 0u);
    }

    // The main window comes up, and closing it ends the program normally.
    void MainWindowThenClose(e2e::Process& process) {
        HWND mainWindow = WaitMainWindow(process);
        ASSERT_NE(mainWindow, nullptr);
        CloseNormally(mainWindow, process);
    }

    // The program says it cannot load the card module, and ends once that is answered.
    static void EndsWithModuleFailure(const e2e::Process& process) {
        e2e::MessageBoxInfo box = e2e::WaitMessageBox(process.Id(), 15000);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, L"加载模块失败!");
        e2e::AnswerMessageBox(box, IDOK);
        EXPECT_TRUE(process.WaitExit(10000));
    }

    std::string ModemLog() { return folder.ReadBytes(L"modem.log"); }

    e2e::StagedFolder folder;
};

// The card answers "not ready" for a while, so the start-up box stays up long enough to look at.
TEST_F(StartupTest, PictureWaitBoxThenMainWindow) {
    SetCard(L"ReadyAfterMs", L"3000");
    e2e::Process orvane = StartOrvane();

    HWND box = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (box = FindWaitBox(orvane)) != nullptr; }, 15000));
    EXPECT_TRUE(e2e::AtomExists(kStartupAtom));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(box, IDC_WAIT_TEXT))) << "picture mode shows no text";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(box, IDC_WAIT_ICON)));
    RECT rect;
    GetWindowRect(box, &rect);
    HMODULE skin = LoadLibraryExW(folder.File(L"skingb.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(skin, nullptr);
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageW(skin, MAKEINTRESOURCEW(IDB_WAIT_PICTURE), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info{};
    GetObjectW(picture, sizeof info, &info);
    EXPECT_EQ(rect.right - rect.left, info.bmWidth);
    EXPECT_EQ(rect.bottom - rect.top, info.bmHeight);
    DeleteObject(picture);
    FreeLibrary(skin);
    folder.Screenshot(L"startup-wait-picture");

    HWND mainWindow = WaitMainWindow(orvane);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(e2e::Caption(mainWindow), L"Wireless Modem");
    EXPECT_TRUE(e2e::WaitGone(box, 5000));
    EXPECT_FALSE(e2e::AtomExists(kStartupAtom));
    folder.Screenshot(L"main-window", mainWindow);

    // The exit box always shows text, whatever the picture switch says.
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
    std::wstring exitText;
    e2e::WaitUntil([&] {
        HWND exitBox = FindWaitBox(orvane);
        if (exitBox && IsWindowVisible(GetDlgItem(exitBox, IDC_WAIT_TEXT)))
            exitText = e2e::Text(GetDlgItem(exitBox, IDC_WAIT_TEXT));
        return !exitText.empty();
    }, 10000);
    EXPECT_EQ(exitText.rfind(SkinString(L"skingb.dll", IDS_EXITING), 0), 0u) << e2e::Utf8(exitText);
    EXPECT_TRUE(orvane.WaitExit(15000));
    EXPECT_FALSE(e2e::MutexExists(L"_OR_VANE_"));
}

// A copy of skingb.dll whose picture switch (string 1301) is "0": the box shows text and dots.
bool MakeTextModeSkin(const e2e::StagedFolder& folder, const wchar_t* name) {
    std::wstring target = folder.File(name);
    if (!CopyFileW(folder.File(L"skingb.dll").c_str(), target.c_str(), FALSE)) return false;
    HMODULE skin = LoadLibraryExW(target.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!skin) return false;
    // Strings live in blocks of 16; rebuild the block holding 1301 with that one string changed.
    const UINT block = IDS_WAIT_PICTURE_MODE / 16 + 1;
    std::wstring data;
    WORD language = 0;
    EnumResourceLanguagesW(skin, RT_STRING, MAKEINTRESOURCEW(block),
                           [](HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR out) CALLBACK -> BOOL {
                               *reinterpret_cast<WORD*>(out) = lang;
                               return FALSE;
                           },
                           reinterpret_cast<LONG_PTR>(&language));
    for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
        const wchar_t* text = nullptr;
        int length = LoadStringW(skin, id, reinterpret_cast<LPWSTR>(&text), 0);
        std::wstring value = id == IDS_WAIT_PICTURE_MODE ? L"0"
                             : length > 0 ? std::wstring(text, static_cast<size_t>(length))
                                          : L"";
        data += static_cast<wchar_t>(value.size());
        data += value;
    }
    FreeLibrary(skin);
    HANDLE update = BeginUpdateResourceW(target.c_str(), FALSE);
    if (!update) return false;
    bool ok = UpdateResourceW(update, RT_STRING, MAKEINTRESOURCEW(block), language, data.data(),
                              static_cast<DWORD>(data.size() * sizeof(wchar_t)));
    return EndUpdateResourceW(update, !ok) && ok;
}

TEST_F(StartupTest, TextWaitBoxGrowsItsDots) {
    ASSERT_TRUE(MakeTextModeSkin(folder, L"skintext.dll"));
    ASSERT_TRUE(folder.WriteBytes(L"skin.ini", "SKIN_LOAD = 9\r\nSKIN_DLL = 9, skintext.dll, Text\r\n"));
    SetCard(L"ReadyAfterMs", L"4000");
    e2e::Process orvane = StartOrvane();

    HWND box = nullptr;
    ASSERT_TRUE(e2e::WaitUntil([&] { return (box = FindWaitBox(orvane)) != nullptr; }, 15000));
    HWND text = GetDlgItem(box, IDC_WAIT_TEXT);
    EXPECT_TRUE(IsWindowVisible(text));
    const std::wstring base = SkinString(L"skingb.dll", IDS_INITIALIZING);
    std::vector<std::wstring> seen;
    e2e::WaitUntil([&] {
        std::wstring now = e2e::Text(text);
        if (seen.empty() || seen.back() != now) seen.push_back(now);
        return seen.size() >= 4;
    }, 5000);
    ASSERT_GE(seen.size(), 3u);
    for (const std::wstring& shown : seen) {
        ASSERT_EQ(shown.rfind(base, 0), 0u) << e2e::Utf8(shown);
        std::wstring dots = shown.substr(base.size());
        if (dots.empty()) continue;  // the first moment, before the timer's first tick
        EXPECT_EQ(dots[0], L' ');
        EXPECT_EQ(dots.find_first_not_of(L'.', 1), std::wstring::npos) << e2e::Utf8(shown);
        EXPECT_LE(dots.size(), 7u);
    }
    folder.Screenshot(L"startup-wait-text", box);
    MainWindowThenClose(orvane);
}

TEST_F(StartupTest, SecondStartBringsTheFirstWindowForward) {
    e2e::Process first = StartOrvane();
    HWND mainWindow = WaitMainWindow(first);
    ASSERT_NE(mainWindow, nullptr);
    ShowWindow(mainWindow, SW_HIDE);
    ASSERT_FALSE(IsWindowVisible(mainWindow));

    e2e::Process second = StartOrvane();
    EXPECT_TRUE(second.WaitExit(10000)) << "the second copy ends by itself";
    EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(mainWindow) != FALSE; }, 5000));

    // With "restart" a second copy runs in full.
    e2e::Process restarted = StartOrvane(L"restart");
    HWND secondWindow = WaitMainWindow(restarted);
    EXPECT_NE(secondWindow, nullptr);
    if (secondWindow) CloseNormally(secondWindow, restarted);
    CloseNormally(mainWindow, first);
}

TEST_F(StartupTest, AFolderNamedRestartDoesNotLetASecondCopyThrough) {
    // The whole program folder again, one level down in a folder called "restart".
    const std::wstring inner = folder.File(L"restart");
    ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(folder.File(L"*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ASSERT_TRUE(CopyFileW(folder.File(found.cFileName).c_str(), (inner + L"\\" + found.cFileName).c_str(), FALSE));
    } while (FindNextFileW(search, &found));
    FindClose(search);

    e2e::Process first;
    ASSERT_TRUE(first.Start(inner + L"\\Orvane.exe"));
    HWND mainWindow = WaitMainWindow(first);
    ASSERT_NE(mainWindow, nullptr);
    e2e::Process second;
    ASSERT_TRUE(second.Start(inner + L"\\Orvane.exe"));
    EXPECT_TRUE(second.WaitExit(10000)) << "the path holds \"restart\", the arguments do not";
    CloseNormally(mainWindow, first);
}

TEST_F(StartupTest, HelpKeyWithoutAHelpFileSaysSo) {
    e2e::Process orvane = StartOrvane();
    HWND mainWindow = WaitMainWindow(orvane);
    ASSERT_NE(mainWindow, nullptr);
    for (const wchar_t* help : {L"helpgb.chm", L"helpen.chm"}) folder.Remove(help);
    ASSERT_TRUE(e2e::PressKey(mainWindow, VK_F1));
    e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 10000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_NE(box.text.find(L"helpgb.chm"), std::wstring::npos) << e2e::Utf8(box.text);
    folder.Screenshot(L"help-missing", box.window);
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
    CloseNormally(mainWindow, orvane);
}

TEST_F(StartupTest, NoCardAsksAbortRetryIgnore) {
    SetCard(L"Present", L"255");
    e2e::Process orvane = StartOrvane();
    DWORD start = GetTickCount();
    e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 15000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_LT(GetTickCount() - start, 10000u) << "255 ends the probing pass at once";
    EXPECT_EQ(box.caption, L"INSERT CARD");
    EXPECT_EQ(box.text, SkinString(L"skingb.dll", IDS_NO_CARD));
    EXPECT_EQ(box.buttons, (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
    EXPECT_TRUE(e2e::AtomExists(kStartupAtom));
    EXPECT_EQ(FindWaitBox(orvane), nullptr) << "the wait box steps out of the way";
    folder.Screenshot(L"insert-card");

    // Retry probes again: still no card, so the box comes back.
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDRETRY));
    ASSERT_TRUE(e2e::WaitGone(box.window, 5000));
    box = e2e::WaitMessageBox(orvane.Id(), 15000);
    ASSERT_NE(box.window, nullptr);

    // The card arrives; Retry finds it and the program goes on.
    SetCard(L"Present", L"0");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDRETRY));
    MainWindowThenClose(orvane);
}

// The main window is built while the SIM settles; a SIM that is not ready then is asked for again
// on the next probe, and the card is started only after it answered.
TEST_F(StartupTest, ASimNotReadyAfterTheSettleIsAskedAgainBeforeTheCardStarts) {
    SetCard(L"SimPresent", L"0");
    e2e::Process orvane = StartOrvane();
    ASSERT_TRUE(e2e::WaitUntil([&] { return ModemLog().find("CALL mdmUimExist2") != std::string::npos; }, 15000));
    SetCard(L"SimPresent", L"1");
    HWND mainWindow = WaitMainWindow(orvane);
    ASSERT_NE(mainWindow, nullptr);
    const std::string log = ModemLog();
    const size_t cardStart = log.find("CALL mdmGetActiveComPort");
    ASSERT_NE(cardStart, std::string::npos) << log;
    const size_t ready = log.rfind("CALL mdmUimExist2() = 0", cardStart);
    ASSERT_NE(ready, std::string::npos) << log;
    EXPECT_LT(log.find("CALL mdmUimExist2"), ready) << "the first answer was no SIM";
    EXPECT_LT(log.rfind("CALL mdmModemExist", ready), ready) << "probed again before asking again";
    CloseNormally(mainWindow, orvane);
}

TEST_F(StartupTest, AbortEndsAndIgnoreGoesOnWithoutCard) {
    SetCard(L"Present", L"255");
    {
        e2e::Process orvane = StartOrvane();
        e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 15000);
        ASSERT_NE(box.window, nullptr);
        ASSERT_TRUE(e2e::AnswerMessageBox(box, IDABORT));
        EXPECT_TRUE(orvane.WaitExit(10000));
        EXPECT_FALSE(e2e::AtomExists(kStartupAtom));
        EXPECT_FALSE(e2e::MutexExists(L"_OR_VANE_"));
    }
    e2e::Process orvane = StartOrvane();
    e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 15000);
    ASSERT_NE(box.window, nullptr);
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDIGNORE));
    MainWindowThenClose(orvane);
}

TEST_F(StartupTest, DebugIniAndQuickModeSkipTheCardWait) {
    SetCard(L"Present", L"255");
    ASSERT_TRUE(folder.WriteBytes(L"debug.ini", ""));
    {
        e2e::Process orvane = StartOrvane();
        HWND mainWindow = WaitMainWindow(orvane);
        ASSERT_NE(mainWindow, nullptr);
        EXPECT_EQ(e2e::FindWindowOf(orvane.Id(), [](HWND w) { return e2e::Caption(w) == L"INSERT CARD"; }),
                  nullptr);
        CloseNormally(mainWindow, orvane);
    }
    ASSERT_TRUE(folder.Remove(L"debug.ini"));
    SetIni(L"modem.ini", L"DEVICE", L"QUICKMODE", L"1");
    e2e::Process orvane = StartOrvane();
    HWND mainWindow = WaitMainWindow(orvane);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(ModemLog().find("CALL mdmModemExist"), std::string::npos) << "the card is not probed";
    CloseNormally(mainWindow, orvane);
}

TEST_F(StartupTest, MissingModemIniOrModuleEndsWithItsMessage) {
    ASSERT_TRUE(folder.Remove(L"simcard.dll"));
    {
        e2e::Process orvane = StartOrvane();
        e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 15000);
        ASSERT_NE(box.window, nullptr);
        EXPECT_EQ(box.text, SkinString(L"skingb.dll", IDS_LOAD_MODULE_FAILED));
        EXPECT_EQ(box.text, L"加载模块失败!");
        EXPECT_EQ(FindWaitBox(orvane), nullptr) << "the wait box closes before the message";
        ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
        EXPECT_TRUE(orvane.WaitExit(10000));
    }
    ASSERT_TRUE(folder.Remove(L"modem.ini"));
    e2e::Process orvane = StartOrvane();
    e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 15000);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(box.text, L"Load modem info failure from 'modem.ini' !");
    EXPECT_EQ(box.caption, L"");
    EXPECT_EQ(FindWaitBox(orvane), nullptr) << "the topmost wait box would hide the message";
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDOK));
    EXPECT_TRUE(orvane.WaitExit(10000));
    EXPECT_FALSE(e2e::AtomExists(kStartupAtom));
}

TEST_F(StartupTest, OverlongModuleNameIsCutAndFailsToLoad) {
    // 70 characters: cut to 63, which names no file.
    std::wstring name = std::wstring(62, L'x') + L"simcard.dll";
    ASSERT_TRUE(folder.CopyIn(folder.File(L"simcard.dll"), name.substr(0, 70)));
    SetIni(L"modem.ini", L"DEVICE", L"MODULE_DLL", name.substr(0, 70));
    EndsWithModuleFailure(StartOrvane());
}

HWND WaitPinDialog() {
    return e2e::WaitWindow(e2e::kAnyProcess, [](HWND w) {
        return IsWindowVisible(w) && GetDlgItem(w, IDC_PIN_EDIT) && e2e::Caption(w) == L"SIM PIN";
    }, 15000);
}

TEST_F(StartupTest, LockedCardRunsPinEntryAndTheRightPinGoesOn) {
    SetCard(L"PinRequired", L"1");
    e2e::Process orvane = StartOrvane();
    HWND pin = WaitPinDialog();
    ASSERT_NE(pin, nullptr);
    EXPECT_EQ(FindWaitBox(orvane), nullptr) << "the wait box is hidden while the PIN is asked";
    folder.Screenshot(L"pin-entry", pin);

    ASSERT_TRUE(e2e::SetText(GetDlgItem(pin, IDC_PIN_EDIT), L"9999"));
    ASSERT_TRUE(e2e::ClickId(pin, IDOK));
    EXPECT_TRUE(e2e::WaitUntil([&] { return !e2e::Text(GetDlgItem(pin, IDC_PIN_MESSAGE)).empty(); }, 5000));
    EXPECT_TRUE(IsWindow(pin)) << "a wrong PIN keeps asking";

    ASSERT_TRUE(e2e::SetText(GetDlgItem(pin, IDC_PIN_EDIT), L"1234"));
    ASSERT_TRUE(e2e::ClickId(pin, IDOK));
    HWND mainWindow = WaitMainWindow(orvane);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_FALSE(e2e::AtomExists(kPinAtom)) << "the program takes the atom";
    EXPECT_NE(ModemLog().find("mdmPinVerify"), std::string::npos);
    CloseNormally(mainWindow, orvane);
}

TEST_F(StartupTest, CancelledPinEndsSilently) {
    SetCard(L"PinRequired", L"1");
    e2e::Process orvane = StartOrvane();
    HWND pin = WaitPinDialog();
    ASSERT_NE(pin, nullptr);
    ASSERT_TRUE(e2e::ClickId(pin, IDCANCEL));
    EXPECT_TRUE(orvane.WaitExit(10000));
    EXPECT_FALSE(e2e::AtomExists(kPinAtom));
    EXPECT_FALSE(e2e::AtomExists(kStartupAtom));
}

TEST_F(StartupTest, EnglishSkinChosenInSkinIni) {
    ASSERT_TRUE(folder.WriteBytes(L"skin.ini", "SKIN_LOAD = 2\r\nSKIN_DLL = 1, skingb.dll, Chinese\r\n"
                                              "SKIN_DLL = 2, skinen.dll, English\r\n"));
    SetCard(L"Present", L"255");
    e2e::Process orvane = StartOrvane();
    e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 15000);
    ASSERT_NE(box.window, nullptr);
    std::wstring english = SkinString(L"skinen.dll", IDS_NO_CARD);
    EXPECT_EQ(box.text, english);
    EXPECT_NE(english, SkinString(L"skingb.dll", IDS_NO_CARD));
    SetCard(L"Present", L"0");
    ASSERT_TRUE(e2e::AnswerMessageBox(box, IDRETRY));
    HWND mainWindow = WaitMainWindow(orvane);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_BTN_CLOSE)).find(L"关"), std::wstring::npos);
    folder.Screenshot(L"main-window-english", mainWindow);
    CloseNormally(mainWindow, orvane);
}

TEST_F(StartupTest, FaultsInsideTheModuleAreLoggedAndStartUpGoesOn) {
    SetIni(L"simcard.ini", L"FAULT", L"mdmModemExist", L"1");
    SetIni(L"simcard.ini", L"FAULT", L"mdmGetActiveComPort", L"1");
    e2e::Process orvane = StartOrvane();
    HWND mainWindow = WaitMainWindow(orvane);
    ASSERT_NE(mainWindow, nullptr);
    std::string log = ModemLog();
    EXPECT_NE(log.find("Orvane.cpp,Line="), std::string::npos) << log;
    EXPECT_NE(log.find("File=OrvaneDlg,Line=262\n"), std::string::npos) << log;
    CloseNormally(mainWindow, orvane);
}

TEST_F(StartupTest, StopDevAtExitWhenConfigured) {
    SetIni(L"modem.ini", L"SETTING", L"STOP_DEV", L"1");
    e2e::Process orvane = StartOrvane();
    ASSERT_NO_FATAL_FAILURE(MainWindowThenClose(orvane));
    EXPECT_NE(ModemLog().find("mdmStopDev"), std::string::npos);
}

// Broken configuration files never crash the program: it starts, or says what is missing.
TEST_F(StartupTest, DamagedConfigurationFilesAreSurvived) {
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    std::string huge(3 * 1024 * 1024, 'k');
    for (size_t i = 100; i < huge.size(); i += 100) huge[i] = '\n';

    struct Case {
        const char* what;
        std::string modemIni, skinIni;
        bool starts;
    };
    std::string goodModem = folder.ReadBytes(L"modem.ini");
    std::vector<Case> cases = {
        {"empty modem.ini", "", "", false},
        {"binary modem.ini", binary, binary, false},
        {"binary with a module line", binary + "\r\nMODULE_DLL=simcard.dll\r\n", binary, true},
        {"huge files", "MODULE_DLL=simcard.dll\r\n" + huge, huge, true},
        {"over-long values", goodModem + "\r\nENTRY_NAME=" + std::string(5000, 'E') +
                                 "\r\nPORT_ID=" + std::string(70000, 'P') + "\r\n",
         "SKIN_LOAD = " + std::string(3000, '9') + "\r\nSKIN_DLL = 1," + std::string(4000, 'L') +
             ",x\r\n",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Logf("case: %s", c.what);
        ASSERT_TRUE(folder.WriteBytes(L"modem.ini", c.modemIni));
        ASSERT_TRUE(folder.WriteBytes(L"skin.ini", c.skinIni));
        e2e::Process orvane = StartOrvane();
        if (c.starts) {
            ASSERT_NO_FATAL_FAILURE(MainWindowThenClose(orvane));
        } else {
            ASSERT_NO_FATAL_FAILURE(EndsWithModuleFailure(orvane));
        }
    }

    // A damaged card state file: the card module keeps going on its defaults.
    ASSERT_TRUE(folder.WriteBytes(L"modem.ini", goodModem));
    for (const std::string& card : {std::string(), binary, huge}) {
        ASSERT_TRUE(folder.WriteBytes(L"simcard.ini", card));
        e2e::Process orvane = StartOrvane();
        HWND mainWindow = WaitMainWindow(orvane, 40000);
        if (!mainWindow) {
            e2e::MessageBoxInfo box = e2e::WaitMessageBox(orvane.Id(), 1000);
            ASSERT_NE(box.window, nullptr) << "neither main window nor a question";
            e2e::AnswerMessageBox(box, IDABORT);
            EXPECT_TRUE(orvane.WaitExit(10000));
            continue;
        }
        CloseNormally(mainWindow, orvane);
    }
}

}  // namespace
