// Slide geometry and animation state machine of the notification popup, free of any window code.
//
// How it works: the Win32 popup feeds its calls (Popup, HidePopup) and its timer ticks into
// NotifierCore, which updates the animation state and returns the window operations to perform
// in order (move, show, hide, start or stop a timer, repaint). The popup only executes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace notifier {

// A rectangle as the system gives it: right and bottom lie just outside.
struct Area {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Where the popup comes from, named by the way it moves while appearing.
enum Direction : int {
    kSlideDown = 1,   // taskbar at the top: down from the top edge, at the right
    kSlideRight = 2,  // taskbar on the left: rightwards out of the left edge
    kSlideLeft = 3,   // taskbar on the right: leftwards out of the right edge
    kSlideUp = 4,     // taskbar at the bottom or hidden: up from the bottom edge, at the right
};

enum State : int { kHidden = 0, kAppearing = 1, kWaiting = 2, kDisappearing = 3 };

enum Timer : int { kTimerShow = 1, kTimerStay = 2, kTimerHide = 3 };

constexpr int kStepPixels = 2;

// The taskbar's side, guessed from how the work area differs from the screen.
Direction SlideDirection(const Area& work, int screenWidth, int screenHeight);

// Length of the popup along its sliding axis: width when sliding sideways, else height.
int SlideLength(Direction dir, int width, int height);

// Delay between two animation steps: time / (length / 2), integer division. A popup shorter than
// two pixels counts as one step, so a missing skin never divides by zero.
std::uint32_t StepDelay(std::uint32_t time, int length);

// Position just outside the work area edge, and the position where the popup is fully shown.
Point StartPosition(Direction dir, const Area& work, int width, int height);
Point ShownPosition(Direction dir, const Area& work, int width, int height);

bool FullyInside(Direction dir, Point pos, const Area& work, int width, int height);
bool FullyOutside(Direction dir, Point pos, const Area& work, int width, int height);

// One step of `step` pixels towards the shown position (in) or the start position (out), never
// past it, so a popup of odd size still ends exactly on the edge.
Point StepIn(Direction dir, Point pos, Point shown, int step);
Point StepOut(Direction dir, Point pos, Point start, int step);

struct Action {
    enum Kind { Move, Show, Hide, Collapse, StartTimer, StopTimer, Repaint };
    Kind kind;
    int x = 0;                // Move: new top-left corner (the size stays the popup size)
    int y = 0;
    int timer = 0;            // StartTimer, StopTimer
    std::uint32_t delay = 0;  // StartTimer
    bool operator==(const Action&) const = default;
};
using Actions = std::vector<Action>;

class NotifierCore {
public:
    // The popup's size (the skin's); takes effect at the next appearance.
    void SetSize(int width, int height);

    Actions Popup(std::wstring text, std::uint32_t timeToShow, std::uint32_t timeToStay,
                  std::uint32_t timeToHide, const Area& work, int screenWidth, int screenHeight);
    Actions TimerFired(int timer);
    // Stops whatever runs, collapses the window to (0, 0) with size 0, hides it.
    Actions HidePopup();

    const std::wstring& Text() const { return text_; }
    State CurrentState() const { return state_; }
    Direction CurrentDirection() const { return dir_; }
    Point Position() const { return pos_; }
    Point Start() const { return start_; }
    Point Shown() const { return shown_; }
    std::uint32_t ShowDelay() const { return showDelay_; }
    std::uint32_t HideDelay() const { return hideDelay_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool TimerRunning(int timer) const;

private:
    void Start(Actions& out, int timer, std::uint32_t delay);
    void Stop(Actions& out, int timer);
    void MoveTo(Actions& out, Point p);

    std::wstring text_;
    State state_ = kHidden;
    Direction dir_ = kSlideUp;
    Area work_;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t timeToShow_ = 0;
    std::uint32_t timeToStay_ = 0;
    std::uint32_t timeToHide_ = 0;
    std::uint32_t showDelay_ = 0;
    std::uint32_t hideDelay_ = 0;
    Point pos_;
    Point start_;
    Point shown_;
    unsigned timers_ = 0;  // bit n set while timer n runs
};

}  // namespace notifier
