// What the main window asks of the application object that runs it: the input watch, the
// single-instance mutex, the help viewer and the restart request.
#pragma once

#include <windows.h>

namespace host {

class AppHost {
public:
    virtual ~AppHost() = default;

    // Last user input (also renewed by arriving calls and messages).
    virtual void TouchActivity() = 0;
    virtual bool IdleFor(DWORD milliseconds) const = 0;
    // The window a second copy of the program brings forward (nullptr: none).
    virtual void PublishMainWindow(HWND window) = 0;
    virtual void ReleaseInstanceMutex() = 0;
    // Ends a help viewer the program started, if one still runs.
    virtual void CloseHelp() = 0;
    virtual void RequestRestart(bool on) = 0;
    virtual bool RestartRequested() const = 0;
    // Waits out the rest of the start-up card wait (the window is built meanwhile); false when
    // the user gave up on the card and the program ends.
    virtual bool CardReady() = 0;
};

}  // namespace host
