// Lets a window look at the messages of its own and its descendants' queue before they are handled.
//
// How it works: our dialogs run inside message loops we do not own (DialogBox, message boxes,
// IsDialogMessage loops of others), so there is no place to call a "pre-translate" step. Instead a
// WH_GETMESSAGE hook is installed on the window's thread while at least one filter window of that
// thread is registered. For every message removed from the queue, the hook walks from the
// message's window up through its parents (never through owners, so a message box or another
// top-level dialog is left alone) and offers the message to each registered window on the way,
// innermost first. A filter that swallows the message turns it into WM_NULL, which every loop
// dispatches harmlessly. A registration ends by itself when its window is destroyed.
#pragma once

#include <windows.h>

#include <functional>

namespace ui {

// Returns true to swallow the message. May read and copy it; changes to it are ignored.
using MessageFilter = std::function<bool(const MSG& msg)>;

// Registers (or replaces) the filter of a window. Call on the window's own thread. False when the
// window is not a window of this thread or the hook cannot be installed.
bool RegisterMessageFilter(HWND window, MessageFilter filter);
// Removes the window's filter; the thread's hook goes when its last filter goes.
void UnregisterMessageFilter(HWND window);
// Number of filters registered on the calling thread (for tests).
int MessageFilterCount();

}  // namespace ui
