// The skinned list: a page's list view with see-through text and the program's own scroll bar.
#pragma once

#include <windows.h>

namespace ui {

// Switches the list to flat, disabled scroll bars, makes it 16 pixels narrower and puts the own
// scroll bar in the freed strip (from 15 pixels below the list's top, clear of the header, to its
// bottom), sets the given text colour on no text background, and keeps the bar in step with the
// list's scrolling. A list skinned before is left as it is. False without a list or bar.
bool MakeSkinnedList(HWND list, HINSTANCE resources, COLORREF textColour);
// The list's own scroll bar, or nullptr when the list is not skinned.
HWND SkinnedListScrollBar(HWND list);

}  // namespace ui
