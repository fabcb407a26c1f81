// The application object: single instance, language resources, start-up sequence and shutdown.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace app {

class OrvaneApp {
public:
    OrvaneApp();

    // Runs the start sequence and, when it gets that far, the main dialog. Always false: the
    // process ends when the main dialog has closed or start-up was abandoned.
    bool Start(const std::wstring& commandLine);
    // Releases what Start took; starts a fresh copy with "restart" when one was requested.
    int Exit();

    const std::wstring& ExeDir() const { return exeDir_; }
    HINSTANCE ResourceModule() const { return skin_; }
    std::wstring PathBeside(const wchar_t* name) const { return exeDir_ + L"\\" + name; }

    void TouchActivity() { lastActivity_ = GetTickCount(); }
    bool IdleFor(DWORD milliseconds) const { return GetTickCount() - lastActivity_ >= milliseconds; }
    // Opens the help file of the system language unless the last help viewer still runs.
    void Help();
    // Rewrites the SKIN_LOAD line of skin.ini; false only when the file cannot be opened.
    bool WriteSkinChoice(int id);
    // Releases the single-instance mutex (the exit worker and card removal do this early).
    void ReleaseInstanceMutex();
    HANDLE HelpProcess() const { return helpProcess_; }
    void ForgetHelpProcess() { helpProcess_ = nullptr; }

    std::atomic<bool> restartRequested{false};

private:
    bool InitializePlatform();
    bool EnsureSingleInstance(const std::wstring& commandLine);
    bool LoadSkin();
    bool RunPinStep();
    bool CardPresent();
    bool WaitForCard();
    void InstallInputFilter();
    void RemoveInputFilter();
    static LRESULT CALLBACK InputFilter(int code, WPARAM wParam, LPARAM lParam);

    std::wstring exeDir_;
    std::atomic<DWORD> lastActivity_;
    HANDLE instanceMutex_ = nullptr;
    HINSTANCE skin_ = nullptr;
    HANDLE helpProcess_ = nullptr;
    HHOOK inputHook_ = nullptr;
    bool comInitialized_ = false;
};

OrvaneApp& TheApp();

// The main window handle, shared by every running copy of the program (a shared data section).
HWND SharedMainWindow();
void SetSharedMainWindow(HWND window);

}  // namespace app
