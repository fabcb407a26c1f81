// The card watcher's side effects: log, Run value, data file, presence mutex, program start.
#include "watcher/WatcherSystem.h"

#include <cstdio>
#include <vector>

#include "framework/RunKey.h"
#include "framework/Win32Text.h"
#include "watcher/WatcherCore.h"

namespace watcher {
namespace {

constexpr wchar_t kRunValue[] = L"Sentrel";
constexpr wchar_t kPresenceMutex[] = L"Sen_trel";
constexpr wchar_t kWatcherCaption[] = L"Sen_trel";
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr wchar_t kMainProgramMutex[] = L"_OR_VANE_";
constexpr wchar_t kStartupAtom[] = L"_ORVANE_";
constexpr LONGLONG kMaxLogBytes = 64 * 1024;
constexpr DWORD kTerminateWaitMs = 5000;
constexpr int kMaxWatchersToEnd = 8;

std::wstring DataFilePath() {
    return SiblingFile(win::ModulePath(), L"dat");
}

std::wstring Text(const char* ascii) {
    return win::Utf8ToWide(ascii);
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    return CloseHandle(file) && ok;
}

// At most `limit` bytes and one more, so that a longer file is recognised as such.
bool ReadFileStart(const std::wstring& path, std::size_t limit, std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> buffer(limit + 1);
    DWORD got = 0;
    const BOOL ok = ReadFile(file, buffer.data(), DWORD(buffer.size()), &got, nullptr);
    CloseHandle(file);
    if (!ok) return false;
    bytes.assign(buffer.data(), got);
    return true;
}

}  // namespace

void Log(const std::wstring& line) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[64];
    swprintf(stamp, 64, L"%04u-%02u-%02u %02u:%02u:%02u [%lu] ", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId());
    const std::wstring entry = stamp + line + L"\r\n";
    OutputDebugStringW((L"Sentrel: " + entry).c_str());

    // The watcher's folder may not be writable (a program folder on a locked-down machine): then
    // the debugger output above is all there is.
    const std::wstring path = SiblingFile(win::ModulePath(), L"log");
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > kMaxLogBytes) {
        CloseHandle(file);
        file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
    }
    const std::string utf8 = win::WideToUtf8(entry);
    DWORD written = 0;
    WriteFile(file, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    CloseHandle(file);
}

bool PathFitsDataFile(const std::wstring& path) {
    return win::AnsiToWide(win::WideToAnsi(path)) == path;
}

void Install(const Config& config) {
    win::RunKey key(win::RunKey::kWrite);
    if (!key.IsOpen()) {
        Log(L"cannot open the Run key (error " + std::to_wstring(key.OpenResult()) +
            L"): nothing installed");
        return;
    }
    // The data file first: a Run value without it would only start a watcher that ends at once.
    const std::wstring dataFile = DataFilePath();
    if (!WriteWholeFile(dataFile,
                        FormatDataFile(win::WideToAnsi(config.programPath), config.port))) {
        Log(L"cannot write " + dataFile + L" (error " + std::to_wstring(GetLastError()) +
            L"): nothing installed");
        return;
    }
    const long result = key.SetProgram(kRunValue, win::ModulePath());
    if (result != ERROR_SUCCESS) {
        Log(L"cannot write the Run value (error " + std::to_wstring(result) +
            L"): the watcher will not start with Windows");
        return;
    }
    Log(L"installed for " + config.programPath + L" on COM" + std::to_wstring(config.port));
}

void Uninstall() {
    win::RunKey key(win::RunKey::kWrite);
    if (key.IsOpen()) key.Delete(kRunValue);
    key.Close();
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kPresenceMutex);
    if (!mutex) return;
    EndRunningWatcher();
    CloseHandle(mutex);
}

bool ReadConfig(Config& config) {
    const std::wstring path = DataFilePath();
    std::string bytes;
    if (!ReadFileStart(path, kMaxDataFileBytes, bytes)) {
        Log(L"no data file " + path + L" (error " + std::to_wstring(GetLastError()) + L")");
        return false;
    }
    const DataFile data = ParseDataFile(bytes);
    Refusal refusal = data.refusal;
    std::wstring program;
    if (refusal == Refusal::kNone) {
        program = win::AnsiToWide(data.path);
        refusal = CheckProgramPath(program);
    }
    if (refusal != Refusal::kNone) {
        Log(L"data file " + path + L" refused: " + Text(RefusalText(refusal)));
        return false;
    }
    config.programPath = program;
    config.port = data.port;
    return true;
}

HANDLE TakePresenceMutex() {
    HANDLE existing = OpenMutexW(SYNCHRONIZE, FALSE, kPresenceMutex);
    if (!existing) return CreateMutexW(nullptr, TRUE, kPresenceMutex);
    EndRunningWatcher();
    return existing;
}

void EndRunningWatcher() {
    for (int i = 0; i < kMaxWatchersToEnd; ++i) {
        HWND window = FindWindowW(kDialogClass, kWatcherCaption);
        if (!window) return;
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == 0 || pid == GetCurrentProcessId()) return;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process) {
            Log(L"cannot open the running watcher (pid " + std::to_wstring(pid) + L")");
            return;
        }
        TerminateProcess(process, 1);
        // Its window must be gone before the next search, or it would be found again.
        WaitForSingleObject(process, kTerminateWaitMs);
        CloseHandle(process);
        Log(L"ended the running watcher (pid " + std::to_wstring(pid) + L")");
    }
}

bool MainProgramRunning() {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kMainProgramMutex);
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}

bool StartupAtomExists() {
    return GlobalFindAtomW(kStartupAtom) != 0;
}

HANDLE StartProgram(const std::wstring& programPath) {
    const Refusal refusal = CheckProgramPath(programPath);
    const DWORD attributes = GetFileAttributesW(programPath.c_str());
    if (refusal != Refusal::kNone || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Log(L"not starting " + programPath + L": " +
            (refusal != Refusal::kNone ? Text(RefusalText(refusal)) : L"no such program file"));
        return nullptr;
    }
    // The program is named by lpApplicationName; the command line only repeats it, quoted, as the
    // program's first argument, so nothing in the path can turn into arguments.
    std::wstring line = L"\"" + programPath + L"\"";
    const std::wstring folder = programPath.substr(0, programPath.rfind(L'\\') + 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(programPath.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info)) {
        Log(L"cannot start " + programPath + L" (error " + std::to_wstring(GetLastError()) + L")");
        return nullptr;
    }
    CloseHandle(info.hThread);
    Log(L"started " + programPath + L" (pid " + std::to_wstring(info.dwProcessId) + L")");
    return info.hProcess;
}

}  // namespace watcher
