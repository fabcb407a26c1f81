// The optional boot library (boot.dll beside the program): card power and device monitoring.
#pragma once

#include <windows.h>

#include <string>

namespace modem {

// Loads boot.dll from the program folder when present, binds its six entries and calls BootInit.
// Destruction calls BootStopMonitor (when bound) and unloads the library.
class BootLibrary {
public:
    explicit BootLibrary(const std::wstring& exeDir);
    ~BootLibrary();
    BootLibrary(const BootLibrary&) = delete;
    BootLibrary& operator=(const BootLibrary&) = delete;

    bool Loaded() const { return library_ != nullptr; }
    // BootSwitch() when bound; 0 otherwise.
    int Switch();
    void StartMonitor();
    void StopMonitor();

private:
    using Entry = int(__stdcall*)();
    Entry Bind(const char* name) const;

    HMODULE library_ = nullptr;
    Entry init_ = nullptr;
    Entry setCallbackEvent_ = nullptr;
    Entry switch_ = nullptr;
    Entry getStatus_ = nullptr;
    Entry startMonitor_ = nullptr;
    Entry stopMonitor_ = nullptr;
};

}  // namespace modem
