// Geometry and mouse logic of the skinned list's own vertical scroll bar.
#include "skin/ScrollBarCore.h"

#include <cmath>

namespace ui {
namespace {

// Truncation towards zero of a product or quotient of the scale. The small nudge keeps rounding
// error from losing a whole row where the exact value is an integer (dragging to the bottom must
// reach the last row); real fractions are at least 1 / limit away from an integer. Rows fit in an
// int; a list reporting absurd figures must not overflow the conversion.
int TruncToInt(double value) {
    constexpr double kLimit = 1e9;
    constexpr double kNudge = 1e-7;
    if (!(value > -kLimit)) return static_cast<int>(-kLimit);  // also catches NaN
    if (value > kLimit) return static_cast<int>(kLimit);
    return static_cast<int>(std::trunc(value >= 0 ? value + kNudge : value - kNudge));
}

}  // namespace

double ScrollBarCore::Scale(int limit) const {
    if (limit <= 0) return 0.0;
    return static_cast<double>(height_ - 2 * kScrollArrowHeight - kScrollThumbHeight) / limit;
}

int ScrollBarCore::Clamp(int thumb) const {
    if (thumb + kScrollThumbHeight > height_ - kScrollArrowHeight)
        thumb = height_ - kScrollArrowHeight - kScrollThumbHeight;
    if (thumb < kScrollArrowHeight) thumb = kScrollArrowHeight;
    return thumb;
}

void ScrollBarCore::Sync(int limit, int position) {
    // A list that cannot scroll has no meaningful scale: its thumb rests at the top.
    if (limit <= 0) {
        thumb_ = Clamp(kScrollArrowHeight);
        return;
    }
    thumb_ = Clamp(TruncToInt(position * Scale(limit)) + kScrollArrowHeight);
}

ScrollBarCore::Part ScrollBarCore::HitTest(int x, int y) const {
    if (x < 0 || x >= kScrollBarWidth || y < 0 || y >= height_) return Part::None;
    if (y < kScrollArrowHeight) return Part::UpArrow;
    if (y >= height_ - kScrollArrowHeight) return Part::DownArrow;
    if (y >= thumb_ && y <= thumb_ + kScrollThumbHeight) return Part::Thumb;
    return Part::Track;
}

ScrollBarCore::Part ScrollBarCore::Press(int x, int y) {
    pressed_ = HitTest(x, y);
    return pressed_;
}

ScrollBarCore::Action ScrollBarCore::RepeatAction() const {
    if (pressed_ == Part::UpArrow) return Action::LineUp;
    if (pressed_ == Part::DownArrow) return Action::LineDown;
    return Action::None;
}

bool ScrollBarCore::DragTo(int y, int limit, int position, int& lines) {
    lines = 0;
    if (pressed_ != Part::Thumb || InBand(y)) return false;
    thumb_ = Clamp(y);
    const double scale = Scale(limit);
    if (scale > 0.0) lines = TruncToInt((thumb_ - kScrollArrowHeight) / scale) - position;
    return true;
}

ScrollBarCore::Action ScrollBarCore::Release(int x, int y) {
    const Part pressed = pressed_;
    pressed_ = Part::None;
    if (pressed == Part::None) return Action::None;
    const Part over = HitTest(x, y);
    if ((pressed == Part::UpArrow || pressed == Part::DownArrow) && over == pressed)
        return pressed == Part::UpArrow ? Action::LineUp : Action::LineDown;
    if (InBand(y)) return Action::None;
    return y > thumb_ ? Action::PageDown : Action::PageUp;
}

}  // namespace ui
