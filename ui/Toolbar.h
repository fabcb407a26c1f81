// The toolbar of the main window: ToolBar.ini's eight entries and what their buttons start.
#pragma once

#include <windows.h>

#include <string>

#include "ui/ToolbarCore.h"

namespace ui {

class Toolbar {
public:
    // The search folders come from the shell; COM is set up for the shortcut lookups.
    explicit Toolbar(std::wstring exeDir);
    ~Toolbar();
    Toolbar(const Toolbar&) = delete;
    Toolbar& operator=(const Toolbar&) = delete;

    // Reads the file (empty: ToolBar.ini beside the program) and resolves program entries;
    // -1 when the file does not exist, else the number of entries.
    int Load(const std::wstring& path = {});
    bool HasAction(int index) const { return toolbar::HasAction(toolbar_, index); }
    // Starts what the entry says; nothing for an empty entry or a missing program.
    void Run(int index) const;
    const toolbar::Toolbar& Entries() const { return toolbar_; }

private:
    std::wstring exeDir_;
    toolbar::SearchFolders folders_;
    toolbar::Toolbar toolbar_;
    bool comInitialized_ = false;
};

}  // namespace ui
