// The process-wide modem module: device description, binding table and guarded calls.
#pragma once

#include <windows.h>

#include <string>

#include "framework/FaultGuard.h"
#include "modem/DeviceDescription.h"
#include "modem/ModemApi.h"

namespace modem {

// The library handle plus one entry per bound name, in binding order. An entry the module lacks
// stays empty; calling it through Call() counts as a failed call.
struct ModemTable {
    HMODULE library = nullptr;
#define MDM_TABLE_FIELD(name) PFN_##name name = nullptr;
    MDM_ENTRY_POINTS(MDM_TABLE_FIELD)
#undef MDM_TABLE_FIELD
};

ModemTable& Table();
DeviceDescription& Device();

// Reads the device keys of modem.ini in exeDir; false when the file cannot be opened.
bool LoadDeviceDescription(const std::wstring& exeDir);

enum class LoadResult { kLoaded, kNoDescription, kNoModule };
// Reads modem.ini, then loads MODULE_DLL beside the program and binds every entry by name. The
// library stays loaded. The caller says what failed (ShowDescriptionFailure for kNoDescription),
// once nothing of its own covers the message.
LoadResult LoadModule(const std::wstring& exeDir);
// The message box "Load modem info failure from 'modem.ini' !".
void ShowDescriptionFailure();

// Binds the entries of an already loaded library into the table (used by LoadModule and tests).
void Bind(HMODULE library);
// Number of entries bound, for diagnostics and tests.
int BoundEntryCount();

// Writes text to the module's log when mdmWriteLog is bound; a fault inside it is swallowed.
void WriteLog(const char* text);
// Logs "File=%s,Line=%d\n" through the module; installed as the fault logger by Bind().
void LogFault(const char* file, int line);

// Calls a table entry inside a fault guard. An empty entry or a fault gives `failure`; a fault is
// logged with the given file and line.
template <class Fn, class R, class... Args>
R Call(const char* file, int line, Fn ModemTable::*entry, R failure, Args... args) {
    Fn fn = Table().*entry;
    if (!fn) return failure;
    R result = failure;
    if (!fault::RunGuarded(file, line, [&] { result = static_cast<R>(fn(args...)); }))
        return failure;
    return result;
}

}  // namespace modem

// A guarded call of a module entry at the current source position:
// MDM_CALL_GUARDED(mdmGetCsq, -1) or MDM_CALL_GUARDED(mdmNetSetCta, -1, seconds).
#define MDM_CALL_GUARDED(entry, failure, ...) \
    ::modem::Call(__FILE__, __LINE__, &::modem::ModemTable::entry, failure __VA_OPT__(, ) __VA_ARGS__)
