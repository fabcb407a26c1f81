// Sentrel.exe, the card watcher: installs or removes itself from its command line, and while
// resident starts the main program when the card's port arrives.
#include <windows.h>

#include <cstdint>

#include "framework/Win32Text.h"
#include "modem/BootLibrary.h"
#include "modem/ModemModule.h"
#include "watcher/WatcherCore.h"
#include "watcher/WatcherSystem.h"
#include "watcher/WatcherWindow.h"

namespace {

using watcher::Command;
using watcher::Config;
using watcher::Log;
using watcher::Option;
using watcher::Refusal;

std::wstring Reason(Refusal refusal) {
    return win::Utf8ToWide(watcher::RefusalText(refusal));
}

// -autosetup: the file name beside the watcher, and the port the card reports now.
bool AutoSetupConfig(const Command& command, Config& config) {
    Refusal refusal = command.refusal;
    if (refusal == Refusal::kNone)
        refusal =
            watcher::ComposeAutoSetupPath(win::ModulePath(), command.path, config.programPath);
    if (refusal != Refusal::kNone) {
        Log(L"-autosetup refused: " + Reason(refusal));
        return false;
    }
    config.port = MDM_CALL_GUARDED(mdmGetActiveComPort, int32_t{0});
    if (watcher::CheckPort(config.port) != Refusal::kNone) {
        Log(L"-autosetup refused: the card module reports no COM port (" +
            std::to_wstring(config.port) + L")");
        return false;
    }
    return true;
}

// Carries out the command line. True when the watcher stays resident; `config` then holds what
// it watches for and `mutex` the presence mutex.
bool Evaluate(const Command& command, Config& config, HANDLE& mutex) {
    switch (command.option) {
        case Option::kUnwise:
            watcher::Uninstall();
            return false;
        case Option::kResident:
            if (!watcher::ReadConfig(config)) return false;
            break;
        case Option::kSetup:
            if (command.refusal != Refusal::kNone) {
                Log(L"-setup refused: " + Reason(command.refusal));
                return false;
            }
            config.programPath = command.path;
            config.port = command.port;
            break;
        case Option::kAutoSetup:
            if (!AutoSetupConfig(command, config)) return false;
            break;
    }
    if (command.option != Option::kResident) {
        if (!watcher::PathFitsDataFile(config.programPath)) {
            Log(L"refused: " + config.programPath + L" cannot be written in the system code page");
            return false;
        }
        watcher::Install(config);
    }
    mutex = watcher::TakePresenceMutex();
    return mutex != nullptr;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
    const std::wstring exeDir = win::ExeDirectory();
    modem::BootLibrary boot(exeDir);  // lives as long as the watcher
    if (boot.Switch() != 0) boot.StartMonitor();

    const int noticeTemplate = watcher::NoticeTemplateFor(GetSystemDefaultLangID());
    // Only -autosetup asks the module something; modem.ini also gives MODEM_NAME for arrivals.
    if (modem::LoadModule(exeDir) == modem::LoadResult::kNoDescription) modem::ShowDescriptionFailure();

    Config config;
    HANDLE mutex = nullptr;
    if (!Evaluate(watcher::ParseCommandLine(arguments ? arguments : L""), config, mutex)) return 0;

    watcher::WatcherWindow window(instance, config, mutex, noticeTemplate);
    window.DoModal(nullptr);
    return 0;
}
