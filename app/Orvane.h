// The application object: single instance, language resources, start-up sequence and shutdown.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "host/AppHost.h"
#include "modem/BootLibrary.h"
#include "settings/SettingsCore.h"

namespace app {

class OrvaneApp : public host::AppHost {
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

    // The user settings, loaded at start once the language library is known.
    settings::SettingsStore& Settings() { return settings_; }

    // host::AppHost
    void TouchActivity() override { lastActivity_ = GetTickCount(); }
    bool IdleFor(DWORD milliseconds) const override {
        return GetTickCount() - lastActivity_ >= milliseconds;
    }
    void PublishMainWindow(HWND window) override;
    void ReleaseInstanceMutex() override;
    void CloseHelp() override;
    void RequestRestart(bool on) override { restartRequested_ = on; }
    bool RestartRequested() const override { return restartRequested_; }
    bool CardReady() override;

    // Opens the help file of the system language unless the last help viewer still runs; a
    // missing file is said in a message box owned by the window given.
    void Help(HWND owner);
    // Rewrites the SKIN_LOAD line of skin.ini; false only when the file cannot be opened.
    bool WriteSkinChoice(int id);

private:
    bool InitializePlatform();
    bool EnsureSingleInstance(const std::wstring& commandLine);
    bool LoadSkin();
    bool RunPinStep();
    // Until the card answers (its SIM may still be settling); false when the user gave up.
    bool CardPresent();
    bool WaitForCard(bool returnWhileSettling);
    void CardIsReady();
    void InstallInputFilter();
    void RemoveInputFilter();
    static LRESULT CALLBACK InputFilter(int code, WPARAM wParam, LPARAM lParam);

    std::wstring exeDir_;
    settings::SettingsStore settings_;
    std::atomic<bool> restartRequested_{false};
    std::atomic<DWORD> lastActivity_;
    HANDLE instanceMutex_ = nullptr;
    HINSTANCE skin_ = nullptr;
    HANDLE helpProcess_ = nullptr;
    HHOOK inputHook_ = nullptr;
    bool comInitialized_ = false;
    // Where the card wait stands between CardPresent and CardReady.
    modem::BootLibrary* boot_ = nullptr;
    bool probing_ = false;
    DWORD passStart_ = 0;
    bool settling_ = false;
    DWORD settleStart_ = 0;
    bool cardReady_ = false;
};

OrvaneApp& TheApp();

// The main window handle, shared by every running copy of the program (a shared data section).
HWND SharedMainWindow();
void SetSharedMainWindow(HWND window);

}  // namespace app
