// Stands in for programs the tested program starts (a browser, a toolbar program): appends one
// line "working folder|arguments" to stand_in.log beside itself, in UTF-8, and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR args, int) {
    wchar_t self[MAX_PATH] = {};
    std::wstring log(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"stand_in.log";
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring line = std::wstring(folder) + L"|" + (args ? args : L"") + L"\r\n";
    char utf8[4 * MAX_PATH + 1024];
    const int n = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8,
                                      sizeof utf8, nullptr, nullptr);
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, utf8, static_cast<DWORD>(n > 0 ? n : 0), &written, nullptr);
    CloseHandle(file);
    return 0;
}
