// Loading and binding the modem module named by modem.ini, and logging faults through it.
#include "modem/ModemModule.h"

#include <cstdio>
#include <string>

#include "framework/Win32Text.h"

namespace modem {
namespace {

// modem.ini is a small text file; anything past this is not a device description.
constexpr DWORD kMaxDescriptionBytes = 4 * 1024 * 1024;

bool ReadWholeFile(const std::wstring& path, std::string& content) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    content.clear();
    char buffer[16384];
    DWORD got = 0;
    while (content.size() < kMaxDescriptionBytes &&
           ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    if (content.size() > kMaxDescriptionBytes) content.resize(kMaxDescriptionBytes);
    return true;
}

}  // namespace

ModemTable& Table() {
    static ModemTable table;
    return table;
}

DeviceDescription& Device() {
    static DeviceDescription device;
    return device;
}

bool LoadDeviceDescription(const std::wstring& exeDir) {
    Device() = DeviceDescription{};
    std::string content;
    if (!ReadWholeFile(exeDir + L"\\modem.ini", content)) return false;
    Device() = ParseDeviceDescription(content);
    return true;
}

void Bind(HMODULE library) {
    ModemTable& table = Table();
    table = ModemTable{};
    table.library = library;
#define MDM_BIND_ENTRY(name) \
    table.name = reinterpret_cast<PFN_##name>(reinterpret_cast<void*>(GetProcAddress(library, #name)));
    MDM_ENTRY_POINTS(MDM_BIND_ENTRY)
#undef MDM_BIND_ENTRY
    fault::SetFaultLogger(&LogFault);
}

int BoundEntryCount() {
    int count = 0;
#define MDM_COUNT_ENTRY(name) count += Table().name ? 1 : 0;
    MDM_ENTRY_POINTS(MDM_COUNT_ENTRY)
#undef MDM_COUNT_ENTRY
    return count;
}

void ShowDescriptionFailure() {
    MessageBoxW(nullptr, L"Load modem info failure from 'modem.ini' !", L"", MB_ICONERROR);
}

LoadResult LoadModule(const std::wstring& exeDir) {
    if (!LoadDeviceDescription(exeDir)) return LoadResult::kNoDescription;
    std::wstring name = win::AnsiToWide(Device().MODULE_DLL);
    if (name.empty()) return LoadResult::kNoModule;
    std::wstring path = exeDir + L"\\" + name;
    if (!win::FileExists(path)) return LoadResult::kNoModule;
    HMODULE library = LoadLibraryW(path.c_str());
    if (!library) return LoadResult::kNoModule;
    Bind(library);
    return LoadResult::kLoaded;
}

void WriteLog(const char* text) {
    PFN_mdmWriteLog writeLog = Table().mdmWriteLog;
    if (!writeLog) return;
    // A fault while logging a fault must not recurse: this guard logs nothing.
    fault::RunGuarded(nullptr, 0, [&] { writeLog(text); });
}

void LogFault(const char* file, int line) {
    if (!file) return;  // the guard around WriteLog itself
    char text[512];
    std::snprintf(text, sizeof text, "File=%s,Line=%d\n", file, line);
    WriteLog(text);
}

}  // namespace modem
