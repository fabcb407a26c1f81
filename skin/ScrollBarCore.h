// Geometry and mouse logic of the skinned list's own vertical scroll bar, free of any window code.
#pragma once

namespace ui {

// The bar's fixed art sizes, in pixels.
constexpr int kScrollBarWidth = 14;
constexpr int kScrollArrowHeight = 14;
constexpr int kScrollThumbHeight = 26;
constexpr int kScrollLinePixels = 13;  // one list row, for LVM_SCROLL
// A release or drag this close below the thumb's top counts as on the thumb.
constexpr int kScrollThumbBand = 14;

// How it works: the bar keeps the thumb's top (client y) and what the left button is doing. The
// window side reports the list's scroll limit and position and the pointer, and performs the list
// scrolls these functions ask for.
class ScrollBarCore {
public:
    enum class Part { None, UpArrow, DownArrow, Thumb, Track };
    enum class Action { None, LineUp, LineDown, PageUp, PageDown };

    explicit ScrollBarCore(int height = 0) : height_(height) {}

    void SetHeight(int height) { height_ = height; }
    int Height() const { return height_; }
    int Thumb() const { return thumb_; }
    Part Pressed() const { return pressed_; }
    bool Dragging() const { return pressed_ == Part::Thumb; }

    // Pixels of track per scroll unit: (H - 54) / limit; 0 when the list cannot scroll.
    double Scale(int limit) const;
    // Keeps a thumb top inside the track: at most H - 40, at least 14.
    int Clamp(int thumb) const;
    // Puts the thumb where the list's scroll position says.
    void Sync(int limit, int position);

    // Which part of the bar a client point falls on, for the current thumb; None outside the bar.
    Part HitTest(int x, int y) const;
    // Left button down at (x, y): remembers an arrow (the caller starts its repeat delay), starts
    // a drag on the thumb, or remembers a track press. Returns the part pressed.
    Part Press(int x, int y);
    // The line an arrow held down repeats (None unless an arrow is pressed).
    Action RepeatAction() const;
    // Pointer moved to y while the button is down. When dragging and y is outside the band below
    // the thumb, the thumb follows y and `lines` gets the rows the list must scroll (may be 0);
    // returns false when nothing is to be done.
    bool DragTo(int y, int limit, int position, int& lines);
    // Left button up at (x, y), after the caller synced the bar: the scroll that finishes the
    // press. Clears the pressed and dragging marks.
    Action Release(int x, int y);
    // Forgets a press without acting on it (capture lost).
    void Cancel() { pressed_ = Part::None; }

private:
    bool InBand(int y) const { return y >= thumb_ && y <= thumb_ + kScrollThumbBand; }

    int height_;
    int thumb_ = kScrollArrowHeight;
    Part pressed_ = Part::None;
};

}  // namespace ui
