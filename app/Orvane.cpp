// Application object: start-up sequence, single instance, skin choice, PIN step, card wait, exit.
#include "app/Orvane.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>
#include <shellapi.h>
#include <winsock2.h>

#include "framework/Resources.h"
#include "framework/StartTrace.h"
#include "framework/UiTaskQueue.h"
#include "framework/Win32Text.h"
#include "modem/BootLibrary.h"
#include "modem/ModemModule.h"
#include "resources/resource.h"
#include "settings/SettingsFile.h"
#include "settings/SkinConfig.h"
#include "settings/SkinFile.h"
#include "skin/ControlList.h"
#include "skin/WaitBox.h"
#include "ui/OrvaneDlg.h"

namespace app {

// The first copy's main window, readable by every copy that loads this program file.
__attribute__((section("ORVANE"), shared)) HWND g_sharedMainWindow = nullptr;

namespace {

constexpr wchar_t kInstanceMutex[] = L"_OR_VANE_";
constexpr wchar_t kStartupAtom[] = L"_ORVANE_";
constexpr wchar_t kPinVerifiedAtom[] = L"_VERIFY_PIN_";
constexpr DWORD kProbePassMs = 20000;
constexpr DWORD kProbeIntervalMs = 3000;
constexpr DWORD kSimSettleMs = 1000;
constexpr DWORD kHelpBusyWaitMs = 100;
constexpr UINT kCtrlLKey = 0x4C;  // virtual key "L"

void EnsureAtom(const wchar_t* name) {
    if (!GlobalFindAtomW(name)) GlobalAddAtomW(name);
}

// "restart" among the arguments (the program's own path is not one of them: a folder named
// C:\restart\ must not let every copy past the single-instance check).
bool AskedToRestart(const std::wstring& commandLine) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine.c_str(), &count);
    if (!arguments) return false;
    bool asked = false;
    for (int i = 1; i < count && !asked; ++i)
        asked = std::wstring_view(arguments[i]).find(L"restart") != std::wstring_view::npos;
    LocalFree(arguments);
    return asked;
}

}  // namespace

HWND SharedMainWindow() { return *static_cast<HWND volatile*>(&g_sharedMainWindow); }
void SetSharedMainWindow(HWND window) { *static_cast<HWND volatile*>(&g_sharedMainWindow) = window; }

OrvaneApp& TheApp() {
    static OrvaneApp app;
    return app;
}

OrvaneApp::OrvaneApp() : exeDir_(win::ExeDirectory()), lastActivity_(GetTickCount()) {}

bool OrvaneApp::Start(const std::wstring& commandLine) {
    trace::Mark("start");
    if (!InitializePlatform()) return false;
    trace::Mark("platform ready");
    if (!EnsureSingleInstance(commandLine)) return false;
    if (!LoadSkin()) return false;
    trace::Mark("language library loaded");

    waitbox::ShowWaitBox(skin_, waitbox::kStartupMode);
    modem::BootLibrary boot(exeDir_);
    if (boot.Switch() != 0) boot.StartMonitor();
    trace::Mark("wait box shown");

    switch (modem::LoadModule(exeDir_)) {
    case modem::LoadResult::kLoaded:
        break;
    case modem::LoadResult::kNoDescription:
        // The topmost start-up box would hide the message: it goes first.
        waitbox::CloseWaitBox();
        modem::ShowDescriptionFailure();
        return false;
    case modem::LoadResult::kNoModule:
        waitbox::CloseWaitBox();
        MessageBoxW(nullptr, res::LoadStr(skin_, IDS_LOAD_MODULE_FAILED).c_str(), nullptr,
                    MB_ICONHAND);
        return false;
    }

    trace::Mark("modem module loaded");
    if (!RunPinStep()) {
        waitbox::CloseWaitBox();
        return false;
    }
    boot_ = &boot;
    if (!CardPresent()) {
        waitbox::CloseWaitBox();
        return false;
    }

    // The card has answered; while its SIM settles the main window is built, and the window asks
    // for the rest of the wait (CardReady) before it starts the card.
    trace::Mark("card answered");
    helpProcess_ = nullptr;
    settings::LoadSettings(settings_, skin_);
    trace::Mark("settings loaded");
    InstallInputFilter();
    {
        ui::OrvaneDlg dialog(skin_, settings_, *this);
        dialog.DoModal(nullptr);
    }
    RemoveInputFilter();
    boot_ = nullptr;
    waitbox::CloseWaitBox();  // in case the dialog never came up
    return false;
}

bool OrvaneApp::InitializePlatform() {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        // No language library is loaded yet, so this one text is the program's own.
        MessageBoxW(nullptr, L"Windows Sockets could not be initialized.", nullptr, MB_ICONHAND);
        return false;
    }
    comInitialized_ = SUCCEEDED(OleInitialize(nullptr));
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    return true;
}

bool OrvaneApp::EnsureSingleInstance(const std::wstring& commandLine) {
    HANDLE existing = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kInstanceMutex);
    if (!existing) {
        instanceMutex_ = CreateMutexW(nullptr, TRUE, kInstanceMutex);
        return true;
    }
    HWND first = SharedMainWindow();
    if (!AskedToRestart(commandLine) && first) {
        CloseHandle(existing);
        ShowWindow(first, SW_SHOW);
        SetForegroundWindow(first);
        return false;
    }
    instanceMutex_ = existing;
    return true;
}

bool OrvaneApp::LoadSkin() {
    skin::SkinTable ini;
    if (skin::ReadSkinIni(PathBeside(L"skin.ini"), ini) && ini.configuredId > 0) {
        std::wstring library = win::AnsiToWide(skin::LookupSkinLibrary(ini, ini.configuredId));
        if (!library.empty()) skin_ = LoadLibraryW((exeDir_ + L"\\" + library).c_str());
    }
    if (!skin_) {
        auto exists = [this](const std::string& n) {
            return win::FileExists(exeDir_ + L"\\" + win::AnsiToWide(n));
        };
        std::string name = skin::SkinLibraryForLanguage(GetSystemDefaultLangID(), exists);
        if (!name.empty()) skin_ = LoadLibraryW((exeDir_ + L"\\" + win::AnsiToWide(name)).c_str());
    }
    return skin_ != nullptr;
}

bool OrvaneApp::RunPinStep() {
    std::wstring pin = PathBeside(L"Pin.exe");
    if (!win::FileExists(pin) || !modem::Table().mdmPinGetStatus) return true;
    int32_t required = 0, retries = 0, extra = 0;
    int32_t status = MDM_CALL_GUARDED(mdmPinGetStatus, int32_t{-1}, &required, &retries, &extra);
    if (status != 0 || required == 0) return true;

    waitbox::SetWaitBoxVisible(false);
    SHELLEXECUTEINFOW exec{};
    exec.cbSize = sizeof exec;
    exec.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    exec.lpFile = pin.c_str();
    exec.lpParameters = L"verify";
    exec.nShow = SW_SHOW;
    if (ShellExecuteExW(&exec) && exec.hProcess) {
        WaitForSingleObject(exec.hProcess, INFINITE);
        CloseHandle(exec.hProcess);
    }
    ATOM verified = GlobalFindAtomW(kPinVerifiedAtom);
    if (!verified) return false;
    GlobalDeleteAtom(verified);
    waitbox::SetWaitBoxVisible(true);
    return true;
}

bool OrvaneApp::CardPresent() {
    if (modem::Device().QUICKMODE != 0 || win::FileExists(PathBeside(L"debug.ini"))) {
        CardIsReady();
        return true;
    }
    return WaitForCard(true);
}

bool OrvaneApp::CardReady() {
    if (cardReady_) return true;
    const bool ready = WaitForCard(false);
    trace::Mark("card present");
    return ready;
}

void OrvaneApp::CardIsReady() {
    cardReady_ = true;
    if (boot_) boot_->StopMonitor();
}

// Probes for the card in passes of 20 s, then asks the user. A card that answers gets a second for
// its SIM before the SIM is asked for. With `returnWhileSettling` the wait returns as that second
// begins, and the next call lets the rest of it pass and goes on where the wait stood.
bool OrvaneApp::WaitForCard(bool returnWhileSettling) {
    for (;;) {
        if (!probing_) {
            passStart_ = GetTickCount();
            probing_ = true;
        }
        for (;;) {
            if (settling_) {
                const DWORD settled = GetTickCount() - settleStart_;
                if (settled < kSimSettleMs) Sleep(kSimSettleMs - settled);
                settling_ = false;
                trace::Mark("sim settled");
                if (MDM_CALL_GUARDED(mdmUimExist2, int32_t{-1}) == 0) {
                    CardIsReady();
                    return true;
                }
                Sleep(kProbeIntervalMs);
            }
            if (GetTickCount() - passStart_ >= kProbePassMs) break;
            int32_t exists = MDM_CALL_GUARDED(mdmModemExist, int32_t{0});
            if (exists == 0) {
                settling_ = true;
                settleStart_ = GetTickCount();
                if (returnWhileSettling) return true;
                continue;
            }
            if (exists == modem::kModemAbsent) break;
            Sleep(kProbeIntervalMs);
        }
        probing_ = false;

        EnsureAtom(kStartupAtom);
        waitbox::SetWaitBoxVisible(false);
        int answer = MessageBoxW(nullptr, res::LoadStr(skin_, IDS_NO_CARD).c_str(), L"INSERT CARD",
                                 MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_DEFBUTTON2);
        if (answer == IDABORT) {
            waitbox::SetWaitText(IDS_EXITING);
            return false;
        }
        waitbox::SetWaitBoxVisible(true);
        if (answer == IDIGNORE) {
            CardIsReady();
            return true;
        }
    }
}

void OrvaneApp::InstallInputFilter() {
    inputHook_ = SetWindowsHookExW(WH_GETMESSAGE, InputFilter, nullptr, GetCurrentThreadId());
}

void OrvaneApp::RemoveInputFilter() {
    if (inputHook_) UnhookWindowsHookEx(inputHook_);
    inputHook_ = nullptr;
}

// Sees every message the main thread takes from its queue, including those of modal loops.
LRESULT CALLBACK OrvaneApp::InputFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        switch (msg->message) {
        case WM_KEYDOWN:
            if (msg->wParam == kCtrlLKey && (GetKeyState(VK_CONTROL) & 0x8000))
                ShellExecuteW(nullptr, L"open", TheApp().PathBeside(L"modem.log").c_str(), nullptr,
                              nullptr, SW_RESTORE);
            // F1 opens the help, after the hook has returned (the help may show a message box);
            // the key repeat while it is held does not open it again.
            if (msg->wParam == VK_F1 && !(msg->lParam & (1 << 30))) {
                HWND owner = msg->hwnd;
                ui::UiTasks().Post([owner] { TheApp().Help(owner); });
            }
            [[fallthrough]];
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_KEYUP:
            TheApp().TouchActivity();
            break;
        default:
            break;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void OrvaneApp::Help(HWND owner) {
    if (helpProcess_ && WaitForSingleObject(helpProcess_, kHelpBusyWaitMs) == WAIT_TIMEOUT) return;
    if (helpProcess_) CloseHandle(helpProcess_);
    helpProcess_ = nullptr;
    std::wstring file = PathBeside(win::AnsiToWide(skin::HelpFileForLanguage(GetSystemDefaultLangID())).c_str());
    if (!win::FileExists(file)) {
        // Say so rather than nothing: the help files may not have been installed.
        std::wstring text = res::LoadStr(skin_, IDS_HELP_MISSING);
        const size_t at = text.find(L"%s");
        if (at != std::wstring::npos) text.replace(at, 2, file);
        MessageBoxW(owner ? GetAncestor(owner, GA_ROOT) : nullptr, text.c_str(),
                    res::LoadStr(skin_, IDS_APP_TITLE).c_str(), MB_ICONINFORMATION);
        return;
    }
    SHELLEXECUTEINFOW exec{};
    exec.cbSize = sizeof exec;
    exec.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    exec.lpFile = file.c_str();
    exec.nShow = SW_SHOW;
    if (ShellExecuteExW(&exec)) helpProcess_ = exec.hProcess;
}

bool OrvaneApp::WriteSkinChoice(int id) { return skin::WriteSkinChoice(PathBeside(L"skin.ini"), id); }

void OrvaneApp::PublishMainWindow(HWND window) { SetSharedMainWindow(window); }

void OrvaneApp::CloseHelp() {
    if (!helpProcess_) return;
    TerminateProcess(helpProcess_, 0);
    CloseHandle(helpProcess_);
    helpProcess_ = nullptr;
}

void OrvaneApp::ReleaseInstanceMutex() {
    if (!instanceMutex_) return;
    ReleaseMutex(instanceMutex_);
    CloseHandle(instanceMutex_);
    instanceMutex_ = nullptr;
}

int OrvaneApp::Exit() {
    ui::DestroyRegisteredControls();
    if (skin_) FreeLibrary(skin_);
    skin_ = nullptr;
    ReleaseInstanceMutex();
    if (comInitialized_) OleUninitialize();
    if (restartRequested_) {
        wchar_t self[MAX_PATH];
        DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            ShellExecuteW(nullptr, L"open", self, L"restart", nullptr, SW_SHOW);
    }
    WSACleanup();
    return 0;
}

}  // namespace app
