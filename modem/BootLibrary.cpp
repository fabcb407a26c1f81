// Binding of the outside boot library; every entry is optional and guarded against faults.
#include "modem/BootLibrary.h"

#include "framework/FaultGuard.h"

namespace modem {

BootLibrary::BootLibrary(const std::wstring& exeDir) {
    library_ = LoadLibraryW((exeDir + L"\\boot.dll").c_str());
    if (!library_) return;
    init_ = Bind("BootInit");
    setCallbackEvent_ = Bind("BootSetCallbackEvent");
    switch_ = Bind("BootSwitch");
    getStatus_ = Bind("BootGetStatus");
    startMonitor_ = Bind("BootStartMonitor");
    stopMonitor_ = Bind("BootStopMonitor");
    if (init_) FAULT_GUARD({ init_(); });
}

BootLibrary::~BootLibrary() {
    StopMonitor();
    if (library_) FreeLibrary(library_);
}

BootLibrary::Entry BootLibrary::Bind(const char* name) const {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
}

int BootLibrary::Switch() {
    int result = 0;
    if (switch_) FAULT_GUARD({ result = switch_(); });
    return result;
}

void BootLibrary::StartMonitor() {
    if (startMonitor_) FAULT_GUARD({ startMonitor_(); });
}

void BootLibrary::StopMonitor() {
    if (stopMonitor_) FAULT_GUARD({ stopMonitor_(); });
}

}  // namespace modem
