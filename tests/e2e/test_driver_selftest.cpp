// Self-test of the e2e driver: drives the fixture program's windows from this process.
#include <gtest/gtest.h>

#include "Driver.h"
#include "fixture_ids.h"

using namespace e2e;

namespace {

std::wstring TestBinFile(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

// A name the ANSI code page of this system can hold.
std::wstring IniName() { return GetACP() == 936 ? L"张三" : L"Zo\u00eb"; }

// An empty folder holding a copy of the fixture program.
class FixtureFolder : public StagedFolder {
public:
    FixtureFolder() : StagedFolder(std::wstring()) {
        EXPECT_TRUE(Ok());
        EXPECT_TRUE(CopyIn(TestBinFile(fixture::kExe), fixture::kExe)) << "fixture_app.exe must sit beside the test";
    }
};

// The fixture started and its dialog found.
struct RunningFixture {
    FixtureFolder folder;
    Process process;
    HWND dialog = nullptr;

    explicit RunningFixture(const std::wstring& args = {}, const std::vector<std::wstring>& env = {}) {
        folder.WriteText(fixture::kIni, L"[fixture]\r\nname=" + IniName() + L"\r\n");
        process = folder.Start(fixture::kExe, args, env);
        dialog = WaitDialogWith(process.Id(), fixture::kListView);
    }
    HWND Control(int id) const { return Item(dialog, id); }
    std::wstring Result() const { return Text(Control(fixture::kResult)); }
    bool ResultBecomes(const std::wstring& text) const {
        return WaitUntil([&] { return Result() == text; });
    }
};

// Width and height from a PNG file's IHDR chunk (0, 0 when it is no PNG).
std::pair<int, int> PngSize(const std::string& png) {
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || png.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    auto be32 = [&](size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    return {be32(16), be32(20)};
}

std::string ReadOutside(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string data(GetFileSize(file, nullptr), '\0');
    DWORD got = 0;
    ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr);
    CloseHandle(file);
    data.resize(got);
    return data;
}

bool Kept() { return GetEnvironmentVariableW(L"E2E_KEEP", nullptr, 0) > 0; }

} // namespace

TEST(DriverBasics, PathsAndText) {
    EXPECT_EQ(WindowsPath(L"/work/main/build/target/Orvane"), L"Z:\\work\\main\\build\\target\\Orvane");
    EXPECT_EQ(WindowsPath(L"C:\\Program Files\\Orvane"), L"C:\\Program Files\\Orvane");
    EXPECT_EQ(Wide(Utf8(L"短信 SMS")), L"短信 SMS");
    const std::wstring ansi = L"ANSI " + std::wstring(GetACP() == 936 ? L"中文" : L"text");
    EXPECT_EQ(FromAnsi(ToAnsi(ansi)), ansi);
    if (GetACP() == 936) {
        EXPECT_EQ(ToAnsi(L"中"), "\xD6\xD0");
    }
}

TEST(DriverFolder, FilesAndCleanup) {
    std::wstring path;
    {
        StagedFolder folder{std::wstring()};
        ASSERT_TRUE(folder.Ok());
        path = folder.Path();
        StagedFolder other{std::wstring()};
        EXPECT_NE(other.Path(), path);

        EXPECT_TRUE(folder.WriteBytes(L"sub\\a.bin", std::string("x\0y", 3)));
        EXPECT_EQ(folder.ReadBytes(L"sub\\a.bin"), std::string("x\0y", 3));
        EXPECT_TRUE(folder.WriteText(L"modem.ini", L"[SETTING]\r\nNAME=中国\r\n"));
        EXPECT_EQ(folder.ReadText(L"modem.ini"), L"[SETTING]\r\nNAME=中国\r\n");
        EXPECT_EQ(folder.ReadBytes(L"modem.ini"), ToAnsi(L"[SETTING]\r\nNAME=中国\r\n"));
        EXPECT_TRUE(folder.WriteText(L"modem.ini", L"short"));  // replacing truncates
        EXPECT_EQ(folder.ReadText(L"modem.ini"), L"short");
        EXPECT_TRUE(folder.Remove(L"modem.ini"));
        EXPECT_FALSE(folder.Exists(L"modem.ini"));
        EXPECT_TRUE(folder.Remove(L"modem.ini"));  // already absent counts as done
        EXPECT_EQ(folder.ReadBytes(L"missing.log"), "");
    }
    if (!Kept()) {
        EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << Utf8(path);
    }
}

TEST(DriverFolder, CopiesTheStagedProgramFolder) {
    const std::wstring source = StagedFolder::StageSource();
    if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no " << Utf8(source);
    StagedFolder folder;
    ASSERT_TRUE(folder.Ok());
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((source + L"\\*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            EXPECT_TRUE(folder.Exists(found.cFileName)) << Utf8(found.cFileName);
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

TEST(DriverProcess, ExitCodesOutputAndEnvironment) {
    FixtureFolder folder;
    std::string output;
    EXPECT_EQ(folder.Run(fixture::kExe, L"exit=3", &output), 3);
    EXPECT_EQ(output, "fixture acp=" + std::to_string(GetACP()) + " exit=3\n");
    EXPECT_EQ(folder.Run(L"no-such.exe"), -1);

    Process quick = folder.Start(fixture::kExe, L"exit=5");
    ASSERT_TRUE(quick.WaitExit());
    EXPECT_FALSE(quick.Running());
    EXPECT_EQ(quick.ExitCode(), 5u);

    RunningFixture withEnv(L"", {L"E2E_FIXTURE_ENV=a=b"});  // an "=" inside the value survives
    ASSERT_TRUE(withEnv.dialog);
    const std::wstring ready = withEnv.Result();
    EXPECT_EQ(ready.substr(ready.find(L" env=")), L" env=a=b") << Utf8(ready);
}

TEST(DriverProcess, LeftoversAreKilled) {
    HANDLE owned = nullptr, leftover = nullptr;
    {
        RunningFixture app(L"spawn");
        ASSERT_TRUE(app.dialog);
        owned = OpenProcess(SYNCHRONIZE, FALSE, app.process.Id());
        HWND child = WaitWindowText(kAnyProcess, fixture::kChildTitle);
        ASSERT_TRUE(child);
        DWORD childPid = 0;
        GetWindowThreadProcessId(child, &childPid);
        EXPECT_NE(childPid, app.process.Id());
        leftover = OpenProcess(SYNCHRONIZE, FALSE, childPid);
        ASSERT_TRUE(leftover);
    }
    EXPECT_EQ(WaitForSingleObject(owned, 0), WAIT_OBJECT_0) << "Process destructor kills its program";
    EXPECT_EQ(WaitForSingleObject(leftover, 0), WAIT_OBJECT_0) << "folder destructor kills programs started inside";
    CloseHandle(owned);
    CloseHandle(leftover);
}

TEST(DriverWindows, FindsDialogAndDrivesControls) {
    RunningFixture app;
    ASSERT_TRUE(app.dialog);
    const DWORD pid = app.process.Id();
    EXPECT_EQ(WaitWindowText(pid, fixture::kTitle), app.dialog);
    EXPECT_EQ(WaitWindowClass(pid, L"#32770"), app.dialog);
    EXPECT_EQ(WaitWindowText(pid, L"no such window", 200), nullptr);
    const std::vector<HWND> windows = WindowsOf(pid);
    EXPECT_NE(std::find(windows.begin(), windows.end(), app.dialog), windows.end());
    EXPECT_EQ(WaitMessageBox(pid, 200).window, nullptr) << "a 0xFFFF label does not make a dialog a message box";
    EXPECT_EQ(WaitDialogWith(0, fixture::kListView, 200), nullptr) << "pid 0 (a failed start) finds nothing";
    EXPECT_EQ(FindChild(app.dialog, fixture::kEdit), app.Control(fixture::kEdit));

    // Ready text from the ANSI ini written by the test: both sides use the same code page.
    EXPECT_EQ(app.Result(), L"ready acp=" + std::to_wstring(GetACP()) + L" ini=" + IniName() + L" env=");
    EXPECT_TRUE(IsVisible(app.Control(fixture::kDisabled)));
    EXPECT_FALSE(IsEnabled(app.Control(fixture::kDisabled)));
    EXPECT_TRUE(IsEnabled(app.Control(fixture::kEcho)));

    HWND edit = app.Control(fixture::kEdit);
    ASSERT_TRUE(SetText(edit, L"拨号 13800138000"));
    EXPECT_EQ(Text(edit), L"拨号 13800138000");
    ASSERT_TRUE(Click(app.Control(fixture::kEcho)));
    EXPECT_TRUE(app.ResultBecomes(L"echo:拨号 13800138000")) << Utf8(app.Result());

    SetText(edit, L"abc");
    PressKey(edit, VK_HOME);
    PressKey(edit, VK_DELETE);
    TypeChars(edit, L"XY");
    EXPECT_TRUE(WaitUntil([&] { return Text(edit) == L"XYbc"; })) << Utf8(Text(edit));
    ASSERT_TRUE(ClickId(app.dialog, fixture::kEcho));
    EXPECT_TRUE(app.ResultBecomes(L"echo:XYbc")) << Utf8(app.Result());

    HWND check = app.Control(fixture::kCheck);
    EXPECT_FALSE(IsChecked(check));
    Click(check);
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(check); }));

    SetForegroundWindow(app.dialog);
    ASSERT_TRUE(SendKeys({VK_CONTROL, VK_F11}));
    EXPECT_TRUE(app.ResultBecomes(L"hotkey")) << Utf8(app.Result());
}

TEST(DriverWindows, AnswersMessageBoxes) {
    RunningFixture app;
    ASSERT_TRUE(app.dialog);
    const std::pair<int, const wchar_t*> answers[] = {
        {IDRETRY, L"answer:retry"}, {IDIGNORE, L"answer:ignore"}, {IDABORT, L"answer:abort"}};
    for (const auto& [button, result] : answers) {
        ASSERT_TRUE(Click(app.Control(fixture::kAsk)));
        const MessageBoxInfo box = WaitMessageBox(app.process.Id());
        ASSERT_TRUE(box.window);
        EXPECT_EQ(box.caption, fixture::kBoxCaption);
        EXPECT_EQ(box.text, fixture::kBoxText);
        EXPECT_EQ(box.buttons, (std::vector<int>{IDABORT, IDRETRY, IDIGNORE}));
        EXPECT_FALSE(AnswerMessageBox(box, IDOK)) << "no such button";
        ASSERT_TRUE(AnswerMessageBox(box, button));
        EXPECT_TRUE(WaitGone(box.window));
        EXPECT_TRUE(app.ResultBecomes(result)) << Utf8(app.Result());
    }
}

TEST(DriverWindows, ReadsAndSelectsListRows) {
    RunningFixture app;
    ASSERT_TRUE(app.dialog);
    HWND list = app.Control(fixture::kList);
    EXPECT_EQ(ListBoxRows(list), (std::vector<std::wstring>{L"alpha", L"beta", L"中文行"}));
    EXPECT_EQ(ListBoxSelection(list), -1);
    ASSERT_TRUE(ListBoxSelect(list, 2));
    EXPECT_EQ(ListBoxSelection(list), 2);
    EXPECT_TRUE(app.ResultBecomes(L"lb:2")) << Utf8(app.Result());
    EXPECT_FALSE(ListBoxSelect(list, 7));

    HWND view = app.Control(fixture::kListView);
    const std::vector<std::vector<std::wstring>> rows = {
        {L"Zhang San", L"13800138000"}, {L"李四", L"10086"}, {L"Wang Wu", L""}};
    EXPECT_EQ(ListViewRows(view), rows);
    EXPECT_EQ(ListViewCell(view, 1, 0), L"李四");
    EXPECT_EQ(ListViewSelection(view), -1);
    ASSERT_TRUE(ListViewSelect(view, 1));
    EXPECT_TRUE(app.ResultBecomes(L"lv:1")) << Utf8(app.Result());
    ASSERT_TRUE(ListViewSelect(view, 0));
    EXPECT_EQ(ListViewSelection(view), 0) << "selecting a row unselects the others";

    const POINT at = ListViewRowPoint(view, 2);
    ASSERT_GE(at.x, 0);
    ASSERT_TRUE(PostClick(view, at, true));
    EXPECT_TRUE(app.ResultBecomes(L"dblclk:2")) << Utf8(app.Result());
    EXPECT_EQ(ListViewSelection(view), 2);
}

TEST(DriverWindows, ScreenshotsAtomsAndClosing) {
    RunningFixture app;
    ASSERT_TRUE(app.dialog);
    EXPECT_TRUE(AtomExists(fixture::kAtom));
    EXPECT_TRUE(MutexExists(fixture::kMutex));
    EXPECT_FALSE(AtomExists(L"_E2E_NO_SUCH_ATOM_"));
    EXPECT_FALSE(MutexExists(L"E2E_NO_SUCH_MUTEX"));

    const std::wstring shot = app.folder.Screenshot(L"fixture-dialog", app.dialog);
    ASSERT_FALSE(shot.empty());
    RECT rect;
    GetWindowRect(app.dialog, &rect);
    const std::string png = ReadOutside(shot);
    EXPECT_GT(png.size(), 1000u);
    EXPECT_EQ(PngSize(png), std::make_pair(int(rect.right - rect.left), int(rect.bottom - rect.top))) << Utf8(shot);

    const std::wstring screen = app.folder.Screenshot(L"fixture-screen");
    const std::string whole = ReadOutside(screen);
    EXPECT_EQ(PngSize(whole),
              std::make_pair(GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)));
    EXPECT_GT(whole.size(), png.size());

    ASSERT_TRUE(ClickId(app.dialog, IDCANCEL));
    EXPECT_TRUE(WaitGone(app.dialog));
    EXPECT_TRUE(WaitNoWindows(app.process.Id()));
    ASSERT_TRUE(app.process.WaitExit());
    EXPECT_EQ(app.process.ExitCode(), static_cast<DWORD>(fixture::kCloseCode));
    EXPECT_EQ(app.folder.ReadText(fixture::kLog), L"closed\r\n");
    EXPECT_FALSE(AtomExists(fixture::kAtom));
    EXPECT_FALSE(MutexExists(fixture::kMutex));
}
