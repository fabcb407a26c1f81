// Start-up trace: see StartTrace.h.
#include "framework/StartTrace.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace trace {

namespace {

struct TraceFile {
    HANDLE file = INVALID_HANDLE_VALUE;
    ULONGLONG processStart = 0;  // 100 ns units

    TraceFile() {
        wchar_t path[MAX_PATH] = {};
        const DWORD n = GetEnvironmentVariableW(L"ORVANE_TRACE", path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) return;
        file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        FILETIME created, ended, kernel, user;
        if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
            processStart = (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
    }
};

TraceFile& File() {
    static TraceFile trace;
    return trace;
}

}  // namespace

void Mark(const char* label) {
    TraceFile& trace = File();
    if (trace.file == INVALID_HANDLE_VALUE) return;
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const ULONGLONG ticks = (ULONGLONG{now.dwHighDateTime} << 32) | now.dwLowDateTime;
    char line[160];
    const int length = std::snprintf(line, sizeof line, "%8.1f %5lu %s\r\n",
                                     (ticks - trace.processStart) / 10000.0,
                                     GetCurrentThreadId(), label);
    DWORD written = 0;
    if (length > 0)
        WriteFile(trace.file, line, static_cast<DWORD>(std::min<int>(length, sizeof line - 1)),
                  &written, nullptr);
}

}  // namespace trace
