// The Windows version class, from RtlGetVersion.
#include "framework/SystemInfo.h"

#include <windows.h>

namespace win {

int VersionClass() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto getVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                  reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                            : nullptr;
    if (!getVersion || getVersion(&info) != 0) return -1;
    if (info.dwMajorVersion == 4 && info.dwMinorVersion != 0) return 1;
    if (info.dwMajorVersion == 5 && info.dwMinorVersion == 0) return 2;
    if (info.dwMajorVersion == 5) return 3;
    if (info.dwMajorVersion == 6) return 4;
    return -1;
}

}  // namespace win
