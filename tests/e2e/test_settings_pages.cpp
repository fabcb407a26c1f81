// The settings pages end to end: operator presets, defaults and saving on the account page; the
// advanced settings' checks, skin choice, autorun switches and restart; the modem device restart
// after the card was pulled out during a connection.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <setupapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <string>
#include <vector>

#include "Driver.h"
#include "resources/resource.h"

namespace {

using e2e::Logf;

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Orvane";
// Wine reports this Windows version to one program: "winxp64" is 5.2, the XP family.
constexpr wchar_t kWineAppDefaults[] = L"Software\\Wine\\AppDefaults\\Orvane.exe";
// The device class of modems.
constexpr GUID kModemClass = {
    0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::wstring TestBinFile(const std::wstring& name) {
    wchar_t self[MAX_PATH];
    std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

std::wstring Replace(std::wstring text, const std::wstring& from, const std::wstring& to) {
    const size_t at = text.find(from);
    if (at != std::wstring::npos) text.replace(at, from.size(), to);
    return text;
}

std::wstring LongPathOf(const std::wstring& path) {
    wchar_t longer[MAX_PATH * 4];
    const DWORD n = GetLongPathNameW(path.c_str(), longer, MAX_PATH * 4);
    return n == 0 || n >= MAX_PATH * 4 ? path : std::wstring(longer, n);
}

bool RunValueExists() {
    return RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

std::wstring RunValueData() {
    wchar_t data[1024] = {};
    DWORD size = sizeof data - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kRunKey, kRunValue, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS)
        return L"";
    // The path, without the double quotes that keep a path with blanks whole.
    std::wstring path = data;
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"')
        path = path.substr(1, path.size() - 2);
    return path;
}

// Selects a tab as a click would: the tab control tells its dialog (TCN_SELCHANGE).
bool SelectTab(HWND tabs, int index) {
    DWORD_PTR ignored = 0;
    return tabs && SendMessageTimeoutW(tabs, TCM_SETCURFOCUS, WPARAM(index), 0, SMTO_ABORTIFHUNG,
                                       5000, &ignored);
}

// Command line of another process of our bitness, read from its process parameters.
std::wstring CommandLineOf(DWORD pid) {
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process || !query) return L"";
    std::wstring line;
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
        ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters,
                          nullptr)) {
        line.resize(parameters.CommandLine.Length / sizeof(wchar_t));
        if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(),
                               parameters.CommandLine.Length, nullptr))
            line.clear();
    }
    CloseHandle(process);
    return line;
}

// Ids of the running processes with this image name, other than `except`.
std::vector<DWORD> ProcessesNamed(const std::wstring& image, DWORD except) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID != except && _wcsicmp(entry.szExeFile, image.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

// A "Root\Modem" device with the given hardware ids, registered with the device installer for the
// life of the object.
class TestModemDevice {
public:
    explicit TestModemDevice(const std::wstring& hardwareIds) {
        set_ = SetupDiCreateDeviceInfoList(&kModemClass, nullptr);
        if (set_ == INVALID_HANDLE_VALUE) return;
        device_.cbSize = sizeof device_;
        if (!SetupDiCreateDeviceInfoW(set_, L"Modem", &kModemClass, nullptr, nullptr,
                                      DICD_GENERATE_ID, &device_) ||
            !SetupDiSetDeviceRegistryPropertyW(set_, &device_, SPDRP_HARDWAREID,
                                               reinterpret_cast<const BYTE*>(hardwareIds.c_str()),
                                               DWORD((hardwareIds.size() + 1) * sizeof(wchar_t))) ||
            !SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr))
            return;
        wchar_t id[MAX_PATH] = {};
        if (SetupDiGetDeviceInstanceIdW(set_, &device_, id, MAX_PATH, nullptr)) instance_ = id;
    }
    ~TestModemDevice() {
        if (!instance_.empty()) SetupDiRemoveDevice(set_, &device_);
        if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    }
    TestModemDevice(const TestModemDevice&) = delete;
    TestModemDevice& operator=(const TestModemDevice&) = delete;
    // "ROOT\MODEM\000n"; empty when the registration failed.
    const std::wstring& Instance() const { return instance_; }

private:
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA device_{};
    std::wstring instance_;
};

class SettingsPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        folder.Remove(L"modem.log");
        HKEY run = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &run, nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueW(run, kRunValue);
        RegCloseKey(run);
    }
    void TearDown() override {
        if (orvane.Running()) orvane.Kill();
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kRunKey, kRunValue);
        RegDeleteTreeW(HKEY_CURRENT_USER, kWineAppDefaults);
    }

    void SetIni(const wchar_t* file, const wchar_t* section, const wchar_t* key,
                const std::wstring& value) {
        ASSERT_TRUE(
            WritePrivateProfileStringW(section, key, value.c_str(), folder.File(file).c_str()));
    }
    std::wstring Setting(const wchar_t* key) {
        wchar_t value[256] = {};
        GetPrivateProfileStringW(L"SETTING", key, L"<missing>", value, 256,
                                 folder.File(L"modem.ini").c_str());
        return value;
    }
    std::wstring SkinString(UINT id) { return e2e::LoadSkinString(folder.File(L"skingb.dll"), id); }

    void Start(const std::vector<std::wstring>& env = {}) {
        orvane = folder.Start(L"Orvane.exe", {}, env);
        mainWindow = e2e::WaitDialogWith(orvane.Id(), IDC_MAIN_STATUS);
        ASSERT_NE(mainWindow, nullptr);
    }
    void Close() {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_CLOSE));
        EXPECT_TRUE(orvane.WaitExit(20000));
    }
    // Shows the account page and remembers it.
    void OpenAccount() {
        ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_SETTINGS));
        ASSERT_TRUE(e2e::WaitUntil(
            [&] { return e2e::IsVisible(e2e::FindChild(mainWindow, IDC_ACCOUNT_OPERATOR)); },
            5000));
        account = GetParent(e2e::FindChild(mainWindow, IDC_ACCOUNT_OPERATOR));
    }
    HWND AccountItem(int id) { return GetDlgItem(account, id); }
    std::vector<std::wstring> Fields() {
        return {
            e2e::Text(AccountItem(IDC_ACCOUNT_USER)), e2e::Text(AccountItem(IDC_ACCOUNT_PASSWORD)),
            e2e::Text(AccountItem(IDC_ACCOUNT_NUMBER)), e2e::Text(AccountItem(IDC_ACCOUNT_APN))};
    }
    // Picks a preset and gives the page the time to fill the fields in (the pick is a posted
    // message); returns the fields as they then are.
    std::vector<std::wstring> ChoosePreset(int row, const std::vector<std::wstring>& expected) {
        EXPECT_TRUE(e2e::ComboSelect(AccountItem(IDC_ACCOUNT_OPERATOR), row));
        e2e::WaitUntil([&] { return Fields() == expected; }, 5000);
        return Fields();
    }
    // Opens the advanced settings from the account page.
    void OpenAdvanced() {
        ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_ADVANCED));
        advanced = e2e::WaitDialogWith(orvane.Id(), IDC_ADV_TABS);
        ASSERT_NE(advanced, nullptr);
    }
    HWND AdvItem(int id) { return e2e::FindChild(advanced, id); }
    void ShowTab(int index, int controlOnTab) {
        ASSERT_TRUE(SelectTab(GetDlgItem(advanced, IDC_ADV_TABS), index));
        ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsVisible(AdvItem(controlOnTab)); }, 5000));
    }
    void CloseAdvanced(int button) {
        ASSERT_TRUE(e2e::ClickId(advanced, button));
        ASSERT_TRUE(e2e::WaitGone(advanced, 5000));
    }

    e2e::StagedFolder folder;
    e2e::Process orvane;
    HWND mainWindow = nullptr;
    HWND account = nullptr;
    HWND advanced = nullptr;
};

TEST_F(SettingsPagesTest, PresetsFillTheFieldsDefaultTakesTheFirstAndSaveWritesModemIni) {
    std::wstring pap =
        L"; 运营商预设\r\n\r\n;cmnet,x,x,x,x\r\n中国移动 CN,guest,guest,*99#,cmnet\r\n   "
        L"\r\nlonely\r\n"
        L"six,u6,p6,n6,a6,sixth\r\n";
    for (int i = 0; i < 36; ++i) {
        const std::wstring n = std::to_wstring(i);
        pap += L"op" + n + L",user" + n + L",pass" + n + L",#" + n + L",apn" + n + L"\r\n";
    }
    ASSERT_TRUE(folder.WriteText(L"pap.ini", pap));  // 40 preset lines
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenAccount());

    const std::vector<std::wstring> names = e2e::ComboRows(AccountItem(IDC_ACCOUNT_OPERATOR));
    ASSERT_EQ(names.size(), 32u);
    EXPECT_EQ(names[0], L"中国移动 CN");
    EXPECT_EQ(names[1], L"");  // blanks only: a preset without a name
    EXPECT_EQ(names[2], L"");  // no comma: no name
    EXPECT_EQ(names[3], L"six");
    EXPECT_EQ(names[31], L"op27");

    const std::vector<std::wstring> preset3{L"u6", L"p6", L"n6", L"a6"};
    EXPECT_EQ(ChoosePreset(3, preset3), preset3);
    const std::vector<std::wstring> preset2{L"", L"", L"", L""};
    EXPECT_EQ(ChoosePreset(2, preset2), preset2);
    const std::vector<std::wstring> preset10{L"user6", L"pass6", L"#6", L"apn6"};
    EXPECT_EQ(ChoosePreset(10, preset10), preset10);
    // Default: the first preset whatever the list shows; the list stays where it was.
    ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_DEFAULT));
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return e2e::Text(AccountItem(IDC_ACCOUNT_APN)) == L"cmnet"; }, 5000));
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"guest", L"guest", L"*99#", L"cmnet"}));
    EXPECT_EQ(e2e::ComboSelection(AccountItem(IDC_ACCOUNT_OPERATOR)), 10);

    // 33 characters: the standard prompt, nothing stored.
    ASSERT_TRUE(e2e::SetText(AccountItem(IDC_ACCOUNT_USER), std::wstring(33, L'u')));
    ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_SAVE));
    e2e::MessageBoxInfo prompt = e2e::WaitMessageBox(orvane.Id(), 5000);
    ASSERT_NE(prompt.window, nullptr);
    EXPECT_EQ(prompt.text, Replace(SkinString(IDS_PROMPT_MAX_CHARS), L"%1", L"32"));
    EXPECT_TRUE(e2e::AnswerMessageBox(prompt, IDOK));
    ASSERT_TRUE(e2e::WaitGone(prompt.window, 5000));
    EXPECT_EQ(Setting(L"APN"), L"");

    ASSERT_TRUE(e2e::SetText(AccountItem(IDC_ACCOUNT_USER), L"张三"));
    ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_SAVE));
    ASSERT_TRUE(e2e::WaitUntil([&] { return Setting(L"APN") == L"cmnet"; }, 5000));
    EXPECT_EQ(Setting(L"USERNAME"), L"张三");
    EXPECT_EQ(Setting(L"PASSWORD"), L"guest");
    EXPECT_EQ(Setting(L"TEL"), L"*99#");
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            return e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_STATUS)) == SkinString(IDS_SAVE_OK);
        },
        5000));
    Close();
}

TEST_F(SettingsPagesTest, WithoutPresetsDefaultAsksTheCardAndSurvivesALyingOne) {
    ASSERT_TRUE(folder.Remove(L"pap.ini"));
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenAccount());
    EXPECT_TRUE(e2e::ComboRows(AccountItem(IDC_ACCOUNT_OPERATOR)).empty());
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"", L"", L"*99#", L""}));  // from modem.ini

    ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_DEFAULT));
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return e2e::Text(AccountItem(IDC_ACCOUNT_APN)) == L"ctnet"; }, 5000));
    EXPECT_EQ(Fields(), (std::vector<std::wstring>{L"card", L"card", L"#777", L"ctnet"}));

    // Texts filling the buffers to their last byte without a terminator: cut at 32 characters.
    SetIni(L"simcard.ini", L"DEFAULTS", L"Unterminated", L"1");
    ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_DEFAULT));
    const std::wstring filled = L"ctnet" + std::wstring(27, L'x');
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return e2e::Text(AccountItem(IDC_ACCOUNT_APN)) == filled; }, 5000));
    EXPECT_EQ(e2e::Text(AccountItem(IDC_ACCOUNT_USER)), L"card" + std::wstring(28, L'x'));

    // A fault inside the module: caught and logged, the fields keep what they showed.
    SetIni(L"simcard.ini", L"DEFAULTS", L"Unterminated", L"0");
    SetIni(L"simcard.ini", L"FAULT", L"mdmNetGetDefaultSetting", L"1");
    ASSERT_TRUE(e2e::SetText(AccountItem(IDC_ACCOUNT_APN), L"kept"));
    ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_DEFAULT));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            return folder.ReadBytes(L"modem.log").find("mdmNetGetDefaultSetting") !=
                       std::string::npos &&
                   folder.ReadBytes(L"modem.log").find("File=") != std::string::npos;
        },
        5000));
    Sleep(200);
    EXPECT_EQ(e2e::Text(AccountItem(IDC_ACCOUNT_APN)), L"kept");
    EXPECT_TRUE(orvane.Running());

    // modem.ini without its settings section: nothing is written and saving says it failed.
    ASSERT_TRUE(WritePrivateProfileStringW(L"SETTING", nullptr, nullptr,
                                           folder.File(L"modem.ini").c_str()));
    ASSERT_TRUE(e2e::ClickId(account, IDC_ACCOUNT_SAVE));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            return e2e::Text(GetDlgItem(mainWindow, IDC_MAIN_STATUS)) ==
                   SkinString(IDS_SAVE_FAILED);
        },
        5000));
    EXPECT_EQ(Setting(L"APN"), L"<missing>");
    Close();
}

TEST_F(SettingsPagesTest, AdvancedRefusesABadSleepTimeThenSavesThePagesAndTheSkin) {
    ASSERT_TRUE(
        folder.WriteText(L"skin.ini",
                         L"SKIN_LOAD = 1\r\nSKIN_DLL = 1,skingb.dll,简体中文\r\n"
                         L"SKIN_DLL = 0,skinen.dll,Zero\r\nSKIN_DLL = 2,skinen.dll,English\r\n"));
    SetIni(L"modem.ini", L"SETTING", L"MONTHALARM", L"100");
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenAccount());
    // The shipped presets, readable on a Chinese system; the first is China Mobile's.
    HWND operators = AccountItem(IDC_ACCOUNT_OPERATOR);
    const std::vector<std::wstring> shipped = e2e::ComboRows(operators);
    ASSERT_GE(shipped.size(), 20u);
    EXPECT_LE(shipped.size(), 32u);
    EXPECT_EQ(shipped[0], L"CN 中国移动");
    const std::vector<std::wstring> chinaMobile{L"guest", L"guest", L"*99#", L"cmnet"};
    EXPECT_EQ(ChoosePreset(0, chinaMobile), chinaMobile);
    folder.Screenshot(L"account-presets", mainWindow);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(operators, CB_SHOWDROPDOWN, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    Sleep(300);
    folder.Screenshot(L"account-presets-list", mainWindow);
    SendMessageTimeoutW(operators, CB_SHOWDROPDOWN, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &ignored);

    ASSERT_NO_FATAL_FAILURE(OpenAdvanced());
    EXPECT_EQ(e2e::Text(advanced), L"高级设置");
    EXPECT_TRUE(e2e::IsVisible(AdvItem(IDC_ADV_AUTO_DIAL)));
    EXPECT_FALSE(e2e::IsVisible(AdvItem(IDC_ADV_SLEEP_SECONDS)));
    folder.Screenshot(L"advanced-run", advanced);
    ASSERT_NO_FATAL_FAILURE(ShowTab(1, IDC_ADV_RING_PATH));
    EXPECT_FALSE(e2e::IsVisible(AdvItem(IDC_ADV_AUTO_DIAL)));
    folder.Screenshot(L"advanced-sound", advanced);

    // Browse opens in the Rings folder beside the program: a bare file name from there is taken
    // with its full path.
    HWND soundPage = GetParent(AdvItem(IDC_ADV_RING_PATH));
    ASSERT_TRUE(e2e::ClickId(soundPage, IDC_ADV_RING_BROWSE));
    HWND files = e2e::WaitFileDialog(orvane.Id());
    ASSERT_NE(files, nullptr);
    folder.Screenshot(L"advanced-sound-browse", files);
    ASSERT_TRUE(e2e::AnswerFileDialog(files, L"ring.wav"));
    EXPECT_EQ(_wcsicmp(LongPathOf(e2e::Text(AdvItem(IDC_ADV_RING_PATH))).c_str(),
                       LongPathOf(folder.File(L"Rings\\ring.wav")).c_str()),
              0)
        << e2e::Utf8(e2e::Text(AdvItem(IDC_ADV_RING_PATH)));
    // Default empties its path: the built-in sound.
    ASSERT_TRUE(e2e::SetText(AdvItem(IDC_ADV_SMS_PATH), L"C:\\gone.wav"));
    ASSERT_TRUE(e2e::ClickId(soundPage, IDC_ADV_SMS_DEFAULT));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::Text(AdvItem(IDC_ADV_SMS_PATH)).empty(); }, 5000));
    ASSERT_NO_FATAL_FAILURE(ShowTab(2, IDC_ADV_SLEEP_SECONDS));
    folder.Screenshot(L"advanced-other", advanced);

    HWND skins = AdvItem(IDC_ADV_SKIN);
    EXPECT_EQ(e2e::ComboRows(skins), (std::vector<std::wstring>{L"Auto", L"简体中文", L"English"}));
    EXPECT_EQ(e2e::ComboSelection(skins), 1);
    EXPECT_EQ(e2e::Text(AdvItem(IDC_ADV_MONTH_ALARM)), L"100");
    EXPECT_TRUE(e2e::IsChecked(AdvItem(IDC_ADV_KEEP_CONNECTION)));

    // Out of range, then not a number: the prompt each time, the dialog stays, nothing stored.
    const struct {
        const wchar_t* text;
        std::wstring prompt;
    } refusals[] = {
        {L"300",
         Replace(Replace(SkinString(IDS_PROMPT_INTEGER_RANGE), L"%1", L"0"), L"%2", L"255")},
        {L"abc", SkinString(IDS_PROMPT_INTEGER)},
    };
    ASSERT_NO_FATAL_FAILURE(ShowTab(0, IDC_ADV_AUTO_DIAL));
    ASSERT_TRUE(e2e::Click(AdvItem(IDC_ADV_AUTO_DIAL)));
    for (const auto& refusal : refusals) {
        ASSERT_TRUE(e2e::SetText(AdvItem(IDC_ADV_SLEEP_SECONDS), refusal.text));
        ASSERT_TRUE(e2e::ClickId(advanced, IDC_ADV_OK));
        e2e::MessageBoxInfo prompt = e2e::WaitMessageBox(orvane.Id(), 5000);
        ASSERT_NE(prompt.window, nullptr) << e2e::Utf8(refusal.text);
        EXPECT_EQ(prompt.text, refusal.prompt);
        EXPECT_TRUE(e2e::AnswerMessageBox(prompt, IDOK));
        ASSERT_TRUE(e2e::WaitGone(prompt.window, 5000));
        EXPECT_TRUE(IsWindow(advanced));
        EXPECT_EQ(Setting(L"NET_CTA"), L"0");
    }

    ASSERT_TRUE(e2e::SetText(AdvItem(IDC_ADV_SLEEP_SECONDS), L"30"));
    ASSERT_TRUE(e2e::SetText(AdvItem(IDC_ADV_MONTH_ALARM), L""));
    ASSERT_TRUE(e2e::Click(AdvItem(IDC_ADV_AUTO_REDIAL)));
    ASSERT_TRUE(e2e::ComboSelect(skins, 0));  // "Auto"
    ASSERT_NO_FATAL_FAILURE(CloseAdvanced(IDC_ADV_OK));
    EXPECT_EQ(Setting(L"NET_CTA"), L"30");
    EXPECT_EQ(Setting(L"MONTHALARM"), L"0");
    EXPECT_EQ(Setting(L"KEPPCONNECT"), L"0");
    EXPECT_EQ(Setting(L"AUTO_DIAL"), L"1");
    EXPECT_NE(Setting(L"RING_WAVE").find(L"ring.wav"), std::wstring::npos);
    EXPECT_EQ(Setting(L"SMS_WAVE"), L"");
    const std::wstring skinIni = folder.ReadText(L"skin.ini");
    EXPECT_NE(skinIni.find(L"SKIN_LOAD = 0\r\n"), std::wstring::npos) << e2e::Utf8(skinIni);
    EXPECT_NE(skinIni.find(L"SKIN_DLL = 2,skinen.dll,English"), std::wstring::npos);

    // The dialog shows what was stored when it opens again.
    ASSERT_NO_FATAL_FAILURE(OpenAdvanced());
    EXPECT_TRUE(e2e::IsChecked(AdvItem(IDC_ADV_AUTO_DIAL)));
    EXPECT_EQ(e2e::Text(AdvItem(IDC_ADV_SLEEP_SECONDS)), L"30");
    EXPECT_TRUE(e2e::IsChecked(AdvItem(IDC_ADV_AUTO_REDIAL)));
    EXPECT_EQ(e2e::ComboSelection(AdvItem(IDC_ADV_SKIN)), 0);
    ASSERT_NO_FATAL_FAILURE(CloseAdvanced(IDC_ADV_CANCEL));
    Close();
}

TEST_F(SettingsPagesTest, AutorunSwitchesActAtOnceAndOutliveCancel) {
    // The watcher's stand-in logs "folder|arguments" to stand_in.log at each start.
    ASSERT_TRUE(folder.CopyIn(TestBinFile(L"stand_in.exe"), L"Sentrel.exe"));
    HANDLE watcher = CreateMutexW(nullptr, FALSE, L"Sen_trel");  // as if the watcher ran
    ASSERT_NE(watcher, nullptr);
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenAccount());
    ASSERT_NO_FATAL_FAILURE(OpenAdvanced());

    HWND startup = AdvItem(IDC_ADV_RUN_AT_STARTUP);
    EXPECT_FALSE(e2e::IsChecked(startup));
    ASSERT_TRUE(e2e::Click(startup));
    ASSERT_TRUE(e2e::WaitUntil([] { return RunValueExists(); }, 5000));
    EXPECT_EQ(_wcsicmp(LongPathOf(RunValueData()).c_str(),
                       LongPathOf(folder.File(L"Orvane.exe")).c_str()),
              0)
        << e2e::Utf8(RunValueData());
    ASSERT_TRUE(e2e::Click(startup));
    ASSERT_TRUE(e2e::WaitUntil([] { return !RunValueExists(); }, 5000));

    // The watcher runs: its box is ticked; switching it off runs it with "-unwise".
    HWND card = AdvItem(IDC_ADV_CARD_AUTORUN);
    EXPECT_TRUE(e2e::IsChecked(card));
    EXPECT_TRUE(e2e::IsEnabled(card));
    ASSERT_TRUE(e2e::Click(card));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return folder.ReadBytes(L"stand_in.log").find('\n') != std::string::npos; }, 10000));
    EXPECT_NE(folder.ReadBytes(L"stand_in.log").find("|-unwise\r\n"), std::string::npos)
        << folder.ReadBytes(L"stand_in.log");
    CloseHandle(watcher);

    // Start with Windows switched on, then cancel: the switch stays.
    ASSERT_TRUE(e2e::Click(startup));
    ASSERT_TRUE(e2e::WaitUntil([] { return RunValueExists(); }, 5000));
    ASSERT_NO_FATAL_FAILURE(CloseAdvanced(IDC_ADV_CANCEL));
    EXPECT_TRUE(RunValueExists());

    // Read back from the system at the next opening; with boot.dll the card box is off limits.
    ASSERT_TRUE(folder.WriteBytes(L"boot.dll", ""));
    ASSERT_TRUE(folder.Remove(L"stand_in.log"));
    ASSERT_NO_FATAL_FAILURE(OpenAdvanced());
    EXPECT_TRUE(e2e::IsChecked(AdvItem(IDC_ADV_RUN_AT_STARTUP)));
    EXPECT_FALSE(e2e::IsChecked(AdvItem(IDC_ADV_CARD_AUTORUN)));
    EXPECT_FALSE(e2e::IsEnabled(AdvItem(IDC_ADV_CARD_AUTORUN)));
    ASSERT_TRUE(e2e::Click(AdvItem(IDC_ADV_RUN_AT_STARTUP)));
    ASSERT_TRUE(e2e::WaitUntil([] { return !RunValueExists(); }, 5000));
    ASSERT_NO_FATAL_FAILURE(CloseAdvanced(IDC_ADV_CANCEL));

    // Without boot.dll, switching the card box on installs the watcher with the program's path
    // and the card's port.
    ASSERT_TRUE(folder.Remove(L"boot.dll"));
    ASSERT_NO_FATAL_FAILURE(OpenAdvanced());
    ASSERT_TRUE(e2e::IsEnabled(AdvItem(IDC_ADV_CARD_AUTORUN)));
    ASSERT_TRUE(e2e::Click(AdvItem(IDC_ADV_CARD_AUTORUN)));
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return folder.ReadBytes(L"stand_in.log").find('\n') != std::string::npos; }, 10000));
    const std::wstring args = e2e::Wide(folder.ReadBytes(L"stand_in.log"));
    const size_t quote = args.find(L"|-setup '");
    ASSERT_NE(quote, std::wstring::npos) << e2e::Utf8(args);
    const size_t end = args.find(L"' ", quote + 9);
    ASSERT_NE(end, std::wstring::npos) << e2e::Utf8(args);
    EXPECT_EQ(_wcsicmp(LongPathOf(args.substr(quote + 9, end - quote - 9)).c_str(),
                       LongPathOf(folder.File(L"Orvane.exe")).c_str()),
              0)
        << e2e::Utf8(args);
    EXPECT_EQ(args.substr(end + 2), L"3\r\n");  // the simulated card's COM port
    ASSERT_NO_FATAL_FAILURE(CloseAdvanced(IDC_ADV_CANCEL));
    Close();
}

TEST_F(SettingsPagesTest, RestartNowEndsTheProgramAndStartsItAgainWithRestart) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_NO_FATAL_FAILURE(OpenAccount());
    ASSERT_NO_FATAL_FAILURE(OpenAdvanced());
    ASSERT_NO_FATAL_FAILURE(ShowTab(2, IDC_ADV_RESTART_NOW));
    ASSERT_TRUE(e2e::Click(AdvItem(IDC_ADV_RESTART_NOW)));
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::IsChecked(AdvItem(IDC_ADV_RESTART_NOW)); }, 5000));
    ASSERT_TRUE(e2e::ClickId(advanced, IDC_ADV_OK));
    ASSERT_TRUE(orvane.WaitExit(30000));

    DWORD fresh = 0;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            for (DWORD pid : ProcessesNamed(L"Orvane.exe", orvane.Id()))
                if (CommandLineOf(pid).find(L"restart") != std::wstring::npos) fresh = pid;
            return fresh != 0;
        },
        20000));
    Logf("fresh copy %lu: %s", fresh, e2e::Utf8(CommandLineOf(fresh)).c_str());
    // The fresh copy runs on: its main window comes up.
    EXPECT_NE(e2e::WaitDialogWith(fresh, IDC_MAIN_STATUS), nullptr);
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, fresh)) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
    }
}

TEST_F(SettingsPagesTest, CardPulledWhileConnectedOnXpRestartsTheModemDevice) {
    // One device that is not the card's, then the card's with its id in another case.
    TestModemDevice other(std::wstring(L"OTHER\\MODEM\0", 13));
    TestModemDevice card(std::wstring(L"usb\\vid_0000\0orvane\\simmodem\0", 30));
    ASSERT_FALSE(other.Instance().empty());
    ASSERT_FALSE(card.Instance().empty());
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kWineAppDefaults, L"Version", REG_SZ, L"winxp64",
                              sizeof L"winxp64"),
              ERROR_SUCCESS);
    SetIni(L"simcard.ini", L"DIAL", L"StepDelayMs", L"100");
    const std::wstring journal = folder.File(L"device.log");
    const std::vector<std::wstring> env = {L"ORVANE_DEVICE_JOURNAL=" + journal};

    // Pulled out while not connected: the device is left alone.
    ASSERT_NO_FATAL_FAILURE(Start(env));
    EXPECT_EQ(folder.Run(L"simctl.exe", L"remove"), 0);
    ASSERT_TRUE(orvane.WaitExit(30000));
    EXPECT_FALSE(folder.Exists(L"device.log")) << folder.ReadBytes(L"device.log");

    // Pulled out while connected: disabled, then enabled again.
    EXPECT_EQ(folder.Run(L"simctl.exe", L"insert"), 0);
    ASSERT_NO_FATAL_FAILURE(Start(env));
    ASSERT_TRUE(e2e::ClickId(mainWindow, IDC_MAIN_BTN_INTERNET));
    HWND connect = e2e::FindChild(mainWindow, IDC_INET_CONNECT);
    ASSERT_TRUE(e2e::ClickId(GetParent(connect), IDC_INET_CONNECT));
    HWND state = e2e::FindChild(mainWindow, IDC_INET_STATE);
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return e2e::Text(state) == SkinString(IDS_DIAL_SUCCEEDED); }, 20000));
    EXPECT_EQ(folder.Run(L"simctl.exe", L"remove"), 0);
    ASSERT_TRUE(orvane.WaitExit(30000));

    const std::string lines = folder.ReadBytes(L"device.log");
    Logf("device journal:\n%s", lines.c_str());
    const std::string device = e2e::Utf8(card.Instance());
    const size_t disable = lines.find("disable id=ORVANE\\SIMMODEM device=" + device + " ");
    const size_t enable = lines.find("enable id=ORVANE\\SIMMODEM device=" + device + " ");
    ASSERT_NE(disable, std::string::npos);
    ASSERT_NE(enable, std::string::npos);
    EXPECT_LT(disable, enable);
    EXPECT_EQ(lines.find(e2e::Utf8(other.Instance())), std::string::npos);
    EXPECT_EQ(lines.find("disable", disable + 1), std::string::npos) << "one restart only";
}

}  // namespace
