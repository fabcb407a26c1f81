// The please-wait box shown while the program starts (on a thread of its own) and exits (modal).
#pragma once

#include <windows.h>

namespace waitbox {

constexpr int kStartupMode = 0;
constexpr int kExitMode = 1;

// Start-up mode: runs the box on a new user-interface thread and returns at once; the calls below
// wait for its window when they need it.
// Other modes: runs the box modally in the calling thread until CloseWaitBox ends it.
void ShowWaitBox(HINSTANCE resources, int mode);
// Replaces the box's status text by the string (without any "..."); nothing in picture mode.
void SetWaitText(UINT stringId);
// Ends the current box (WM_CLOSE, then waits for its run to end) and deletes the atom "_ORVANE_".
void CloseWaitBox();
// Asks the box to close and returns at once (the box deletes the atom as it goes); CloseWaitBox
// later waits for it and frees it.
void EndWaitBox();
// Shows the box topmost, or hides it and drops its topmost placement.
void SetWaitBoxVisible(bool visible);

// For tests: the box window (nullptr when none) and whether it shows its picture.
HWND CurrentWaitBoxWindow();
bool IsPictureMode(HINSTANCE resources, int mode);

}  // namespace waitbox
