// The card watcher launch and the start-with-Windows value under the machine's Run key.
#include "settings/Autorun.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace settings {
namespace {

constexpr wchar_t kWatcherFile[] = L"Sentrel.exe";
constexpr wchar_t kWatcherMutex[] = L"Sen_trel";
constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Orvane";

// The program's full path, however long.
std::wstring ProgramPath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) return std::wstring(path.data(), n);
        path.resize(path.size() * 2);
    }
}

}  // namespace

void LaunchWatcher(bool on, int comPort) {
    const std::wstring program = ProgramPath();
    const std::wstring watcher = program.substr(0, program.rfind(L'\\') + 1) + kWatcherFile;
    const std::wstring parameters =
        on ? L"-setup '" + program + L"' " + std::to_wstring(comPort) : std::wstring(L"-unwise");
    ShellExecuteW(nullptr, L"open", watcher.c_str(), parameters.c_str(), nullptr, SW_SHOW);
}

bool IsWatcherRunning() {
    HANDLE mutex = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kWatcherMutex);
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

long SetRunAtStartup(bool on) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key);
    if (result != ERROR_SUCCESS) return result;
    if (on) {
        // REG_SZ data carries its terminating zero, so every reader gets a proper string.
        const std::wstring path = ProgramPath();
        result =
            RegSetValueExW(key, kRunValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                           DWORD((path.size() + 1) * sizeof(wchar_t)));
    } else {
        result = RegDeleteValueW(key, kRunValue);
    }
    const LONG closed = RegCloseKey(key);
    return result != ERROR_SUCCESS ? result : closed;
}

bool IsRunAtStartup() {
    HKEY key = nullptr;
    // Reading needs no write access: a user without it still sees the machine's setting.
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    const LONG result = RegQueryValueExW(key, kRunValue, nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace settings
