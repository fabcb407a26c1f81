// Slide geometry and animation state machine of the notification popup.
#include "skin/NotifierCore.h"

#include <algorithm>
#include <utility>

namespace notifier {

Direction SlideDirection(const Area& work, int screenWidth, int screenHeight)
{
    if (work.Width() < screenWidth)
        return work.left == 0 ? kSlideLeft : kSlideRight;
    if (work.Height() < screenHeight && work.top != 0)
        return kSlideDown;
    return kSlideUp;
}

int SlideLength(Direction dir, int width, int height)
{
    return (dir == kSlideRight || dir == kSlideLeft) ? width : height;
}

std::uint32_t StepDelay(std::uint32_t time, int length)
{
    int steps = length / 2;
    return steps > 0 ? time / static_cast<std::uint32_t>(steps) : time;
}

Point StartPosition(Direction dir, const Area& work, int width, int height)
{
    switch (dir) {
    case kSlideDown:
        return {work.right - width, work.top - height};
    case kSlideRight:
        return {work.left - width, work.bottom - height};
    case kSlideLeft:
        return {work.right, work.bottom - height};
    case kSlideUp:
        break;
    }
    return {work.right - width, work.bottom};
}

Point ShownPosition(Direction dir, const Area& work, int width, int height)
{
    switch (dir) {
    case kSlideDown:
        return {work.right - width, work.top};
    case kSlideRight:
        return {work.left, work.bottom - height};
    case kSlideLeft:
    case kSlideUp:
        break;
    }
    return {work.right - width, work.bottom - height};
}

bool FullyInside(Direction dir, Point pos, const Area& work, int width, int height)
{
    switch (dir) {
    case kSlideDown:
        return pos.y >= work.top;
    case kSlideRight:
        return pos.x >= work.left;
    case kSlideLeft:
        return pos.x + width <= work.right;
    case kSlideUp:
        break;
    }
    return pos.y + height <= work.bottom;
}

bool FullyOutside(Direction dir, Point pos, const Area& work, int width, int height)
{
    switch (dir) {
    case kSlideDown:
        return pos.y + height <= work.top;
    case kSlideRight:
        return pos.x + width <= work.left;
    case kSlideLeft:
        return pos.x >= work.right;
    case kSlideUp:
        break;
    }
    return pos.y >= work.bottom;
}

namespace {

// Moves `from` by up to `step` towards `to`.
int Approach(int from, int to, int step)
{
    return from < to ? std::min(from + step, to) : std::max(from - step, to);
}

}  // namespace

Point StepIn(Direction dir, Point pos, Point shown, int step)
{
    if (dir == kSlideRight || dir == kSlideLeft)
        pos.x = Approach(pos.x, shown.x, step);
    else
        pos.y = Approach(pos.y, shown.y, step);
    return pos;
}

Point StepOut(Direction dir, Point pos, Point start, int step)
{
    return StepIn(dir, pos, start, step);
}

void NotifierCore::SetSize(int width, int height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
}

bool NotifierCore::TimerRunning(int timer) const
{
    return timer >= kTimerShow && timer <= kTimerHide && (timers_ & (1u << timer)) != 0;
}

void NotifierCore::Start(Actions& out, int timer, std::uint32_t delay)
{
    timers_ |= 1u << timer;
    out.push_back({Action::StartTimer, 0, 0, timer, delay});
}

void NotifierCore::Stop(Actions& out, int timer)
{
    timers_ &= ~(1u << timer);
    out.push_back({Action::StopTimer, 0, 0, timer, 0});
}

void NotifierCore::MoveTo(Actions& out, Point p)
{
    pos_ = p;
    out.push_back({Action::Move, p.x, p.y, 0, 0});
}

Actions NotifierCore::Popup(std::wstring text, std::uint32_t timeToShow, std::uint32_t timeToStay,
                            std::uint32_t timeToHide, const Area& work, int screenWidth,
                            int screenHeight)
{
    text_ = std::move(text);
    timeToShow_ = timeToShow;
    timeToStay_ = timeToStay;
    timeToHide_ = timeToHide;

    Actions out;
    switch (state_) {
    case kHidden: {
        // The taskbar's side and the path are fixed for the whole appearance.
        work_ = work;
        dir_ = SlideDirection(work, screenWidth, screenHeight);
        int length = SlideLength(dir_, width_, height_);
        showDelay_ = StepDelay(timeToShow_, length);
        hideDelay_ = StepDelay(timeToHide_, length);
        start_ = StartPosition(dir_, work_, width_, height_);
        shown_ = ShownPosition(dir_, work_, width_, height_);
        // Placed before it is shown, so it never flashes where it was left last time.
        MoveTo(out, start_);
        out.push_back({Action::Show});
        state_ = kAppearing;
        Start(out, kTimerShow, showDelay_);
        break;
    }
    case kAppearing:
        out.push_back({Action::Repaint});
        break;
    case kWaiting:
        out.push_back({Action::Repaint});
        // Between the end of the stay and the first hide step the hide timer already runs;
        // without stopping it the restarted stay would not keep the popup up.
        if (TimerRunning(kTimerHide))
            Stop(out, kTimerHide);
        Start(out, kTimerStay, timeToStay_);
        break;
    case kDisappearing:
        Stop(out, kTimerHide);
        Start(out, kTimerStay, timeToStay_);
        MoveTo(out, shown_);
        out.push_back({Action::Repaint});
        break;
    }
    return out;
}

Actions NotifierCore::TimerFired(int timer)
{
    Actions out;
    if (!TimerRunning(timer))
        return out;  // a tick that was already queued when its timer stopped
    switch (timer) {
    case kTimerShow:
        MoveTo(out, StepIn(dir_, pos_, shown_, kStepPixels));
        if (FullyInside(dir_, pos_, work_, width_, height_)) {
            Stop(out, kTimerShow);
            Start(out, kTimerStay, timeToStay_);
            state_ = kWaiting;
        }
        break;
    case kTimerStay:
        Stop(out, kTimerStay);
        Start(out, kTimerHide, hideDelay_);
        break;
    case kTimerHide:
        state_ = kDisappearing;
        MoveTo(out, StepOut(dir_, pos_, start_, kStepPixels));
        if (FullyOutside(dir_, pos_, work_, width_, height_)) {
            out.push_back({Action::Hide});
            state_ = kHidden;
            Stop(out, kTimerHide);
        }
        break;
    default:
        break;
    }
    return out;
}

Actions NotifierCore::HidePopup()
{
    Actions out;
    for (int timer = kTimerShow; timer <= kTimerHide; ++timer)
        if (TimerRunning(timer))
            Stop(out, timer);
    pos_ = {0, 0};
    out.push_back({Action::Collapse});
    out.push_back({Action::Hide});
    state_ = kHidden;
    return out;
}

}  // namespace notifier
