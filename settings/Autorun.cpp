// Starting and ending the card watcher, and the main program's Run value.
#include "settings/Autorun.h"

#include <windows.h>

#include <shellapi.h>

#include "framework/RunKey.h"
#include "framework/Win32Text.h"
#include "watcher/WatcherCore.h"

namespace settings {
namespace {

constexpr wchar_t kWatcherFile[] = L"Sentrel.exe";
constexpr wchar_t kWatcherMutex[] = L"Sen_trel";
constexpr wchar_t kRunValue[] = L"Orvane";

}  // namespace

void LaunchWatcher(bool on, int comPort) {
    LaunchWatcher(win::ModulePath(), on, comPort);
}

void LaunchWatcher(const std::wstring& programPath, bool on, int comPort) {
    const std::size_t slash = programPath.rfind(L'\\');
    if (slash == std::wstring::npos) return;
    const std::wstring watcher = programPath.substr(0, slash + 1) + kWatcherFile;
    const std::wstring arguments =
        on ? watcher::FormatSetupArguments(programPath, comPort) : L"-unwise";
    ShellExecuteW(nullptr, L"open", watcher.c_str(), arguments.c_str(), nullptr, SW_SHOW);
}

bool IsWatcherRunning() {
    // Only presence is asked: the right to wait on the mutex is enough to open it.
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kWatcherMutex);
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

long SetRunAtStartup(bool on) {
    win::RunKey key(win::RunKey::kWrite);
    if (!key.IsOpen()) return key.OpenResult();
    const long result = on ? key.SetProgram(kRunValue, win::ModulePath()) : key.Delete(kRunValue);
    const long closed = key.Close();
    return result != ERROR_SUCCESS ? result : closed;
}

bool IsRunAtStartup() {
    return win::RunKey(win::RunKey::kRead).Has(kRunValue);
}

}  // namespace settings
