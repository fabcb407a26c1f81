// The skinned list's own vertical scroll bar: a static control painted from four resource bitmaps
// that drives its list view through scroll messages.
#pragma once

#include <windows.h>

#include "skin/ScrollBarCore.h"

namespace ui {

// Sent to the bar: bring the thumb in step with the list (ignored while the thumb is dragged).
constexpr UINT kScrollBarSyncMessage = WM_USER + 1;

// How it works: the bar is a plain static control (SS_NOTIFY, so it receives the mouse)
// subclassed here. ScrollBarCore decides the thumb's place and what a press, drag or release
// means; this side reads the list's scroll limit and position, scrolls the list (WM_VSCROLL for
// lines and pages, LVM_SCROLL for drags) and paints arrows, track and thumb through an off-screen
// bitmap. The object lives as long as the bar window.
class ListScrollBar {
public:
    // Creates the bar (id IDC_SKIN_SCROLLBAR) in `parent` at `rect` (parent client coordinates),
    // linked to `list`, with its art from `resources`. nullptr when it cannot be made.
    static HWND Create(HWND parent, const RECT& rect, HWND list, HINSTANCE resources);
    static ListScrollBar* FromWindow(HWND bar);

    // Reads the list's scroll state, places the thumb and repaints.
    void Sync();
    int Thumb() const { return core_.Thumb(); }
    HWND List() const { return list_; }
    HWND Hwnd() const { return hwnd_; }

private:
    ListScrollBar(HWND list, HINSTANCE resources);
    ~ListScrollBar();

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                 DWORD_PTR refData);
    void ReadList(int& limit, int& position) const;
    void Perform(ScrollBarCore::Action action);
    void StopTimers();
    void OnPress(int x, int y);
    void OnMove(int y);
    void OnRelease(int x, int y);
    void OnTimer(UINT_PTR id);
    void Paint();

    HWND hwnd_ = nullptr;
    HWND list_;
    HBITMAP up_ = nullptr, down_ = nullptr, track_ = nullptr, thumb_ = nullptr;
    ScrollBarCore core_;
};

}  // namespace ui
