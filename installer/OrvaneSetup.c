// Custom actions of the Orvane installer: what the uninstall must undo that the programs, not the
// installer, put on the system. Both actions report success whatever happens, so that a missing
// value or watcher never stops an uninstall.
#include <windows.h>

#include <msi.h>

// Run-key values written by Orvane ("start with Windows") and by its card watcher Sentrel.
static const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
static const wchar_t* const kRunValues[] = {L"Orvane", L"Sentrel"};
// Caption of the resident watcher's hidden window, by which its copies find each other.
static const wchar_t kWatcherCaption[] = L"Sen_trel";

// Ends a resident card watcher the way a second watcher does, so that Sentrel.exe is not in use
// when the files are removed. Runs impersonated, in the user's session, where the window lives.
__declspec(dllexport) UINT WINAPI EndWatcher(MSIHANDLE install) {
    (void)install;
    HWND window = FindWindowW(NULL, kWatcherCaption);
    DWORD pid = 0;
    if (window && GetWindowThreadProcessId(window, &pid) && pid != GetCurrentProcessId()) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (process) {
            if (TerminateProcess(process, 1)) WaitForSingleObject(process, 5000);
            CloseHandle(process);
        }
    }
    return ERROR_SUCCESS;
}

// Deletes the two Run values under HKEY_LOCAL_MACHINE. Deferred and not impersonated: the key
// needs administrator rights. The package's bitness selects the same registry view the programs
// of that build write to.
__declspec(dllexport) UINT WINAPI RemoveAutorun(MSIHANDLE install) {
    (void)install;
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        for (size_t i = 0; i < sizeof kRunValues / sizeof kRunValues[0]; ++i)
            RegDeleteValueW(key, kRunValues[i]);
        RegCloseKey(key);
    }
    return ERROR_SUCCESS;
}
