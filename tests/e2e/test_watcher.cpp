// The card watcher end to end: installing and removing it, its resident start, the card's
// arrival starting Orvane behind the launch notice, and the main program's autorun switches.
#include <gtest/gtest.h>
#include <windows.h>

#include <dbt.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "Driver.h"
#include "settings/Autorun.h"
#include "framework/RunKey.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

constexpr wchar_t kWatcherMutex[] = L"Sen_trel";
constexpr wchar_t kMainMutex[] = L"_OR_VANE_";
constexpr DWORD kNoNoticeMs = 1500;  // how long an ignored arrival is given to show a notice

std::wstring RunValue(const wchar_t* name) {
    return win::RunKey(win::RunKey::kRead).Read(name);
}

void DeleteRunValue(const wchar_t* name) {
    win::RunKey(win::RunKey::kWrite).Delete(name);
}

bool IsWatcherWindow(HWND window) {
    return e2e::ClassOf(window) == L"#32770" && e2e::Caption(window) == L"Sen_trel";
}

HWND WaitWatcherWindow(DWORD pid) {
    return e2e::WaitWindow(pid, IsWatcherWindow);
}

// A visible launch notice of the watcher process, waiting at most timeoutMs.
HWND WaitNotice(DWORD pid, DWORD timeoutMs = e2e::kWaitMs) {
    return e2e::WaitWindow(
        pid, [](HWND w) { return IsWindowVisible(w) && GetDlgItem(w, IDC_LAUNCH_TEXT); },
        timeoutMs);
}

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A port broadcast as the system sends it; the system copies dbch_size bytes to the watcher. The
// watcher answers at once, so the call never waits for the notice.
void SendPortBroadcast(HWND window, const std::wstring& name, WPARAM event = DBT_DEVICEARRIVAL) {
    alignas(DEV_BROADCAST_PORT_W) unsigned char buffer[sizeof(DEV_BROADCAST_PORT_W) + 128] = {};
    auto* port = reinterpret_cast<DEV_BROADCAST_PORT_W*>(buffer);
    const std::size_t nameBytes = (name.size() + 1) * sizeof(wchar_t);
    ASSERT_LE(nameBytes, 128u);
    port->dbcp_size = DWORD(offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + nameBytes);
    port->dbcp_devicetype = DBT_DEVTYP_PORT;
    std::memcpy(port->dbcp_name, name.c_str(), nameBytes);
    DWORD_PTR result = 0;
    EXPECT_TRUE(SendMessageTimeoutW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(port),
                                    SMTO_NORMAL, 5000, &result));
}

class WatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        ASSERT_FALSE(e2e::MutexExists(kWatcherMutex)) << "a watcher of another test still runs";
        DeleteRunValue(L"Sentrel");
    }
    void TearDown() override {
        DeleteRunValue(L"Sentrel");
        DeleteRunValue(L"Orvane");
    }

    std::wstring Orvane() const { return folder.File(L"Orvane.exe"); }
    std::wstring QuotedWatcher() const { return L"\"" + folder.File(L"Sentrel.exe") + L"\""; }
    std::wstring SetupArgs(const std::wstring& path, int port) const {
        return L"-setup '" + path + L"' " + std::to_wstring(port);
    }
    e2e::Process StartWatcher(const std::wstring& args) const {
        return folder.Start(L"Sentrel.exe", args);
    }
    int RunWatcher(const std::wstring& args) const { return folder.Run(L"Sentrel.exe", args); }
    std::string DataFile() const { return folder.ReadBytes(L"Sentrel.dat"); }
    std::string Log() const { return folder.ReadBytes(L"Sentrel.log"); }
    bool Logged(const char* text) const { return Log().find(text) != std::string::npos; }

    e2e::StagedFolder folder;
};

TEST_F(WatcherTest, SetupStaysResidentReplacesTheRunningCopyAndUnwiseRemovesIt) {
    e2e::Process first = StartWatcher(SetupArgs(Orvane(), 3));
    HWND firstWindow = WaitWatcherWindow(first.Id());
    ASSERT_NE(firstWindow, nullptr);
    // Out of sight: one pixel at the screen's corner (visibility is checked once it has run a
    // while, below).
    EXPECT_TRUE(e2e::WaitUntil([&] {
        RECT rect{};
        GetWindowRect(firstWindow, &rect);
        return rect.left == 0 && rect.top == 0 && rect.right == 1 && rect.bottom == 1;
    }));
    EXPECT_TRUE(e2e::MutexExists(kWatcherMutex));
    EXPECT_TRUE(settings::IsWatcherRunning());
    EXPECT_EQ(RunValue(L"Sentrel"), QuotedWatcher());
    EXPECT_EQ(DataFile(), e2e::ToAnsi(Orvane()) + "\r\n3\r\n");

    // A second -setup ends the first copy and stays resident in its place, keeping the mutex.
    e2e::Process second = StartWatcher(SetupArgs(L"C:\\A B\\x.exe", 4));
    EXPECT_TRUE(first.WaitExit());
    EXPECT_EQ(first.ExitCode(), 1u);
    HWND secondWindow = WaitWatcherWindow(second.Id());
    ASSERT_NE(secondWindow, nullptr);
    EXPECT_TRUE(second.Running());
    EXPECT_TRUE(e2e::MutexExists(kWatcherMutex));
    EXPECT_EQ(DataFile(), "C:\\A B\\x.exe\r\n4\r\n");

    // Lines that cannot be installed end at once and change nothing; the resident copy stays.
    for (const std::wstring& args :
         {SetupArgs(Orvane(), 0), L"-setup " + Orvane() + L" 3", SetupArgs(L"C:\\x.bat", 3),
          SetupArgs(L"x.exe", 3), std::wstring(L"-autosetup"),
          std::wstring(L"-autosetup ..\\x.exe")}) {
        EXPECT_EQ(RunWatcher(args), 0) << e2e::Utf8(args);
    }
    EXPECT_TRUE(second.Running());
    EXPECT_FALSE(IsWindowVisible(secondWindow));
    EXPECT_EQ(DataFile(), "C:\\A B\\x.exe\r\n4\r\n");
    EXPECT_TRUE(Logged("-setup refused: COM port number out of range"));
    EXPECT_TRUE(Logged("-setup refused: the path is not between single quotes"));
    EXPECT_TRUE(Logged("-autosetup refused: -autosetup needs the program's file name"));

    // -unwise removes the Run value and ends the resident copy; the data file stays.
    EXPECT_EQ(RunWatcher(L"-unwise"), 0);
    EXPECT_TRUE(second.WaitExit());
    EXPECT_EQ(second.ExitCode(), 1u);
    EXPECT_EQ(RunValue(L"Sentrel"), L"");
    EXPECT_TRUE(e2e::WaitUntil([] { return !e2e::MutexExists(kWatcherMutex); }));
    EXPECT_FALSE(settings::IsWatcherRunning());
    EXPECT_EQ(DataFile(), "C:\\A B\\x.exe\r\n4\r\n");
}

TEST_F(WatcherTest, AutoSetupAsksTheCardAndAResidentStartTrustsOnlyAGoodDataFile) {
    // -autosetup: the program beside the watcher, the port the card module reports (COM3).
    e2e::Process installed = StartWatcher(L"-AUTOSETUP Orvane.exe");
    ASSERT_NE(WaitWatcherWindow(installed.Id()), nullptr);
    EXPECT_EQ(DataFile(), e2e::ToAnsi(Orvane()) + "\r\n3\r\n");
    EXPECT_EQ(RunValue(L"Sentrel"), QuotedWatcher());
    installed.Kill();
    ASSERT_TRUE(e2e::WaitUntil([] { return !e2e::MutexExists(kWatcherMutex); }));

    // Started from the Run value (no arguments), it stays resident with the data file's program.
    e2e::Process resident = StartWatcher(L"");
    ASSERT_NE(WaitWatcherWindow(resident.Id()), nullptr);
    EXPECT_TRUE(e2e::MutexExists(kWatcherMutex));
    resident.Kill();
    ASSERT_TRUE(e2e::WaitUntil([] { return !e2e::MutexExists(kWatcherMutex); }));

    // Missing, garbled, or naming something other than a program path: refused and logged.
    const std::string garbled[] = {
        "C:\\x.exe\r\nthree\r\n",
        "cmd.exe /c calc.exe\r\n3\r\n",
        "C:\\x.exe\r\n3\r\nC:\\y.exe\r\n",
        "C:\\x.exe\r\n0\r\n",
        "\r\n3\r\n",
    };
    for (const std::string& content : garbled) {
        ASSERT_TRUE(folder.WriteBytes(L"Sentrel.dat", content));
        EXPECT_EQ(RunWatcher(L"unknown-option"), 0) << content;
    }
    ASSERT_TRUE(folder.Remove(L"Sentrel.dat"));
    EXPECT_EQ(RunWatcher(L""), 0);
    EXPECT_FALSE(e2e::MutexExists(kWatcherMutex));
    EXPECT_TRUE(Logged("refused: the COM port is not a decimal number"));
    EXPECT_TRUE(Logged("refused: not an absolute path of an .exe file"));
    EXPECT_TRUE(Logged("refused: the data file holds more than two lines"));
    EXPECT_TRUE(Logged("refused: COM port number out of range"));
    EXPECT_TRUE(Logged("refused: no program path"));
    EXPECT_TRUE(Logged("no data file"));
}

TEST_F(WatcherTest, CardArrivalShowsTheNoticeAndStartsOrvaneWhichClosesIt) {
    e2e::Process watcher = StartWatcher(SetupArgs(Orvane(), 3));
    HWND window = WaitWatcherWindow(watcher.Id());
    ASSERT_NE(window, nullptr);

    // Another port, and the card's port going away: nothing.
    SendPortBroadcast(window, L"COM4");
    SendPortBroadcast(window, L"COM13");
    SendPortBroadcast(window, L"COM3", DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(WaitNotice(watcher.Id(), kNoNoticeMs), nullptr);

    // The card's port: the notice, top-most, and after it Orvane.
    SendPortBroadcast(window, L"COM3");
    HWND notice = WaitNotice(watcher.Id());
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(e2e::Text(e2e::Item(notice, IDC_LAUNCH_TEXT)), L"正在准备运行软件,请稍候...");
    EXPECT_TRUE(GetWindowLongW(notice, GWL_EXSTYLE) & WS_EX_TOPMOST);
    folder.Screenshot(L"watcher_notice_gb", notice);
    // More arrivals while it shows open no second notice.
    SendPortBroadcast(window, L"COM3");
    SendPortBroadcast(window, L"Orvane Wireless Modem");

    EXPECT_TRUE(e2e::WaitUntil([] { return e2e::MutexExists(kMainMutex); }));
    // Closed by Orvane's wait box, well within the notice's own 40 s limit.
    EXPECT_TRUE(e2e::WaitGone(notice, 20000));
    HWND mainWindow = e2e::WaitDialogWith(e2e::kAnyProcess, IDC_MAIN_STATUS, 30000);
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(WaitNotice(watcher.Id(), kNoNoticeMs), nullptr);
    EXPECT_TRUE(Logged("started "));

    // With Orvane running the card's arrival shows nothing.
    SendPortBroadcast(window, L"COM3");
    EXPECT_EQ(WaitNotice(watcher.Id(), kNoNoticeMs), nullptr);

    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
    EXPECT_TRUE(e2e::WaitUntil([] { return !e2e::MutexExists(kMainMutex); }, 20000));
    EXPECT_TRUE(watcher.Running());
}

TEST_F(WatcherTest, MainProgramSwitchesInstallAndRemoveBothAutostarts) {
    // Start with Windows: the Run value "Orvane" holds the running program, quoted.
    ASSERT_EQ(settings::SetRunAtStartup(true), ERROR_SUCCESS);
    EXPECT_TRUE(settings::IsRunAtStartup());
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(RunValue(L"Orvane"), L"\"" + std::wstring(self) + L"\"");
    ASSERT_EQ(settings::SetRunAtStartup(false), ERROR_SUCCESS);
    EXPECT_FALSE(settings::IsRunAtStartup());
    EXPECT_EQ(RunValue(L"Orvane"), L"");

    // Start on card insertion: the watcher beside the program installs itself for it and stays.
    EXPECT_FALSE(settings::IsWatcherRunning());
    settings::LaunchWatcher(Orvane(), true, 5);
    EXPECT_TRUE(e2e::WaitUntil(settings::IsWatcherRunning));
    HWND window = WaitWatcherWindow(e2e::kAnyProcess);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(DataFile(), e2e::ToAnsi(Orvane()) + "\r\n5\r\n");
    EXPECT_EQ(RunValue(L"Sentrel"), QuotedWatcher());

    settings::LaunchWatcher(Orvane(), false, 0);
    EXPECT_TRUE(e2e::WaitUntil([] { return !settings::IsWatcherRunning(); }));
    EXPECT_TRUE(e2e::WaitGone(window));
    EXPECT_EQ(RunValue(L"Sentrel"), L"");
}

TEST_F(WatcherTest, EveryNoticeTemplateCarriesItsText) {
    HMODULE watcher = LoadLibraryExW(folder.File(L"Sentrel.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(watcher, nullptr);
    const struct {
        int id;
        const wchar_t* text;
    } notices[] = {
        {IDD_LAUNCH_NOTICE_GB, L"正在准备运行软件,请稍候..."},
        {IDD_LAUNCH_NOTICE_BIG5, L"正在準備運行軟件,請稍候..."},
        {IDD_LAUNCH_NOTICE_EN, L"ready to run,please wait ..."},
    };
    for (const auto& n : notices) {
        HWND dialog =
            CreateDialogParamW(watcher, MAKEINTRESOURCEW(n.id), nullptr, IgnoreMessages, 0);
        ASSERT_NE(dialog, nullptr) << n.id;
        EXPECT_EQ(e2e::Text(GetDlgItem(dialog, IDC_LAUNCH_TEXT)), n.text);
        DestroyWindow(dialog);
    }
    HWND hidden =
        CreateDialogParamW(watcher, MAKEINTRESOURCEW(IDD_WATCHER), nullptr, IgnoreMessages, 0);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(e2e::Text(hidden), L"Sen_trel");
    EXPECT_EQ(GetWindow(hidden, GW_CHILD), nullptr);
    DestroyWindow(hidden);
    FreeLibrary(watcher);
}

// Runs in its own ctest entry under an English locale; skipped on other systems.
class WatcherEnglishTest : public WatcherTest {
protected:
    void SetUp() override {
        if (PRIMARYLANGID(GetSystemDefaultLangID()) != LANG_ENGLISH)
            GTEST_SKIP() << "the system language is not English";
        WatcherTest::SetUp();
    }
};

TEST_F(WatcherEnglishTest, NoticeReadsEnglishAndAFailedStartClosesIt) {
    // The stored program is gone by the time the card arrives.
    e2e::Process watcher = StartWatcher(SetupArgs(folder.File(L"Missing.exe"), 3));
    HWND window = WaitWatcherWindow(watcher.Id());
    ASSERT_NE(window, nullptr);
    SendPortBroadcast(window, L"COM3");
    HWND notice = WaitNotice(watcher.Id());
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(e2e::Text(e2e::Item(notice, IDC_LAUNCH_TEXT)), L"ready to run,please wait ...");
    folder.Screenshot(L"watcher_notice_en", notice);
    // Nothing could be started, so nothing is waited for: it closes long before its 40 s limit.
    EXPECT_TRUE(e2e::WaitGone(notice, 20000));
    EXPECT_TRUE(Logged("not starting"));
    EXPECT_TRUE(watcher.Running());
}

}  // namespace
