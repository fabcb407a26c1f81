// Unit tests of the popup's slide geometry and its hidden/appearing/waiting/disappearing machine.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <ostream>

#include "skin/NotifierCore.h"

using namespace notifier;

namespace notifier {
void PrintTo(const Point& p, std::ostream* os) { *os << "(" << p.x << ", " << p.y << ")"; }
}  // namespace notifier

namespace {

constexpr int kScreenW = 1280;
constexpr int kScreenH = 800;
constexpr int kSkinW = 200;
constexpr int kSkinH = 160;

const Area kBottomBar{0, 0, 1280, 770};
const Area kTopBar{0, 30, 1280, 800};
const Area kLeftBar{60, 0, 1280, 800};
const Area kRightBar{0, 0, 1220, 800};
const Area kNoBar{0, 0, 1280, 800};

// Executes the core's actions like the window does, with periodic timers on a virtual clock.
struct FakeWindow {
    NotifierCore core;
    bool visible = false;
    bool collapsed = false;
    Point pos;
    int repaints = 0;
    std::uint64_t now = 0;
    struct Running {
        std::uint64_t due;
        std::uint32_t period;
    };
    std::map<int, Running> timers;
    Actions last;  // what the latest tick asked for

    FakeWindow() { core.SetSize(kSkinW, kSkinH); }

    void Apply(const Actions& actions)
    {
        for (const Action& a : actions) {
            switch (a.kind) {
            case Action::Move:
                pos = {a.x, a.y};
                collapsed = false;
                break;
            case Action::Show:
                visible = true;
                break;
            case Action::Hide:
                visible = false;
                break;
            case Action::Collapse:
                pos = {0, 0};
                collapsed = true;
                break;
            case Action::StartTimer: {
                std::uint32_t period = a.delay > 0 ? a.delay : 1;
                timers[a.timer] = {now + period, period};  // restarting resets the period
                break;
            }
            case Action::StopTimer:
                timers.erase(a.timer);
                break;
            case Action::Repaint:
                ++repaints;
                break;
            }
        }
    }

    void Popup(const wchar_t* text, std::uint32_t show = 1000, std::uint32_t stay = 3000,
               std::uint32_t hide = 500, const Area& work = kBottomBar)
    {
        Apply(core.Popup(text, show, stay, hide, work, kScreenW, kScreenH));
    }

    // Fires the next due timer; returns its id, or 0 when none runs.
    int Tick()
    {
        if (timers.empty())
            return 0;
        auto next = timers.begin();
        for (auto it = timers.begin(); it != timers.end(); ++it)
            if (it->second.due < next->second.due)
                next = it;
        int id = next->first;
        now = next->second.due;
        next->second.due += next->second.period;
        last = core.TimerFired(id);
        Apply(last);
        return id;
    }

    // Ticks until the state changes or no timer runs; returns the number of ticks.
    int RunWhile(State state, int limit = 100000)
    {
        int n = 0;
        while (core.CurrentState() == state && n < limit && Tick() != 0)
            ++n;
        return n;
    }
};

}  // namespace

TEST(NotifierGeometry, DirectionFollowsTheTaskbarSide)
{
    EXPECT_EQ(SlideDirection(kBottomBar, kScreenW, kScreenH), kSlideUp);
    EXPECT_EQ(SlideDirection(kTopBar, kScreenW, kScreenH), kSlideDown);
    EXPECT_EQ(SlideDirection(kLeftBar, kScreenW, kScreenH), kSlideRight);
    EXPECT_EQ(SlideDirection(kRightBar, kScreenW, kScreenH), kSlideLeft);
    // Auto-hidden taskbar: the work area is the whole screen.
    EXPECT_EQ(SlideDirection(kNoBar, kScreenW, kScreenH), kSlideUp);
    // A narrower work area decides before a lower one.
    EXPECT_EQ(SlideDirection(Area{0, 30, 1220, 800}, kScreenW, kScreenH), kSlideLeft);
}

TEST(NotifierGeometry, StartsJustOutsideTheEdgeAndEndsOnIt)
{
    struct Case {
        Area work;
        Direction dir;
        Point start;
        Point shown;
    };
    const Case cases[] = {
        {kBottomBar, kSlideUp, {1080, 770}, {1080, 610}},
        {kNoBar, kSlideUp, {1080, 800}, {1080, 640}},
        {kTopBar, kSlideDown, {1080, -130}, {1080, 30}},
        {kLeftBar, kSlideRight, {-140, 640}, {60, 640}},
        {kRightBar, kSlideLeft, {1220, 640}, {1020, 640}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dir);
        Point start = StartPosition(c.dir, c.work, kSkinW, kSkinH);
        Point shown = ShownPosition(c.dir, c.work, kSkinW, kSkinH);
        EXPECT_EQ(start, c.start);
        EXPECT_EQ(shown, c.shown);
        EXPECT_TRUE(FullyOutside(c.dir, start, c.work, kSkinW, kSkinH));
        EXPECT_FALSE(FullyInside(c.dir, start, c.work, kSkinW, kSkinH));
        EXPECT_TRUE(FullyInside(c.dir, shown, c.work, kSkinW, kSkinH));
        EXPECT_FALSE(FullyOutside(c.dir, shown, c.work, kSkinW, kSkinH));
        // Two pixels in: neither fully inside nor fully outside.
        Point in = StepIn(c.dir, start, shown, kStepPixels);
        EXPECT_EQ(std::abs(in.x - start.x) + std::abs(in.y - start.y), kStepPixels);
        EXPECT_FALSE(FullyOutside(c.dir, in, c.work, kSkinW, kSkinH));
        EXPECT_FALSE(FullyInside(c.dir, in, c.work, kSkinW, kSkinH));
        EXPECT_EQ(StepOut(c.dir, in, start, kStepPixels), start);
    }
}

TEST(NotifierGeometry, StepDelaysUseTheSlidingAxisAndIntegerDivision)
{
    // 160 pixels high, 1000 ms to show: 80 steps of 2 pixels, one every 12 ms.
    EXPECT_EQ(SlideLength(kSlideUp, kSkinW, kSkinH), 160);
    EXPECT_EQ(StepDelay(1000, 160), 12u);
    EXPECT_EQ(StepDelay(500, 160), 6u);
    // Sideways the width counts.
    EXPECT_EQ(SlideLength(kSlideLeft, kSkinW, kSkinH), 200);
    EXPECT_EQ(SlideLength(kSlideRight, kSkinW, kSkinH), 200);
    EXPECT_EQ(StepDelay(1000, 200), 10u);
    EXPECT_EQ(SlideLength(kSlideDown, kSkinW, kSkinH), 160);
    // No skin (size 0 or 1): no division by zero.
    EXPECT_EQ(StepDelay(1000, 0), 1000u);
    EXPECT_EQ(StepDelay(1000, 1), 1000u);
    EXPECT_EQ(StepDelay(0, 160), 0u);
}

TEST(NotifierMachine, FullRunSlidesUpWaitsAndSlidesBackToHidden)
{
    FakeWindow w;
    Actions first = w.core.Popup(L"hello", 1000, 3000, 500, kBottomBar, kScreenW, kScreenH);
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0], (Action{Action::Move, 1080, 770}));
    EXPECT_EQ(first[1].kind, Action::Show);
    EXPECT_EQ(first[2], (Action{Action::StartTimer, 0, 0, kTimerShow, 12}));
    w.Apply(first);
    EXPECT_EQ(w.core.CurrentState(), kAppearing);
    EXPECT_EQ(w.core.Text(), L"hello");
    EXPECT_EQ(w.core.ShowDelay(), 12u);
    EXPECT_EQ(w.core.HideDelay(), 6u);

    // Appearing: 80 steps of 2 pixels up, the last one stops timer 1 and starts the stay.
    int y = 770;
    for (int i = 0; i < 79; ++i) {
        ASSERT_EQ(w.Tick(), kTimerShow);
        y -= 2;
        ASSERT_EQ(w.pos, (Point{1080, y}));
        ASSERT_EQ(w.core.CurrentState(), kAppearing);
    }
    ASSERT_EQ(w.Tick(), kTimerShow);
    const Actions& last = w.last;
    ASSERT_EQ(last.size(), 3u);
    EXPECT_EQ(last[0], (Action{Action::Move, 1080, 610}));
    EXPECT_EQ(last[1], (Action{Action::StopTimer, 0, 0, kTimerShow}));
    EXPECT_EQ(last[2], (Action{Action::StartTimer, 0, 0, kTimerStay, 3000}));
    EXPECT_EQ(w.core.CurrentState(), kWaiting);
    EXPECT_EQ(w.now, 960u);

    // The stay ends by handing over to the hide timer; the state changes with the first step.
    EXPECT_EQ(w.Tick(), kTimerStay);
    EXPECT_EQ(w.now, 3960u);
    EXPECT_EQ(w.core.CurrentState(), kWaiting);
    EXPECT_TRUE(w.core.TimerRunning(kTimerHide));
    EXPECT_FALSE(w.core.TimerRunning(kTimerStay));
    EXPECT_EQ(w.pos, (Point{1080, 610}));

    EXPECT_EQ(w.Tick(), kTimerHide);
    EXPECT_EQ(w.core.CurrentState(), kDisappearing);
    EXPECT_EQ(w.pos, (Point{1080, 612}));
    EXPECT_EQ(w.RunWhile(kDisappearing), 79);
    EXPECT_EQ(w.core.CurrentState(), kHidden);
    EXPECT_FALSE(w.visible);
    EXPECT_EQ(w.pos, (Point{1080, 770}));
    EXPECT_TRUE(w.timers.empty());
    EXPECT_EQ(w.now, 960u + 3000u + 80u * 6u);
}

TEST(NotifierMachine, EverySideRunsToTheEdgeAndBack)
{
    const Area works[] = {kBottomBar, kTopBar, kLeftBar, kRightBar, kNoBar};
    for (const Area& work : works) {
        for (int height : {160, 161}) {  // an odd size still stops exactly on the edge
            FakeWindow w;
            w.core.SetSize(kSkinW, height);
            w.Popup(L"x", 1000, 3000, 500, work);
            Direction dir = w.core.CurrentDirection();
            SCOPED_TRACE(dir);
            w.RunWhile(kAppearing);
            ASSERT_EQ(w.core.CurrentState(), kWaiting);
            EXPECT_EQ(w.pos, ShownPosition(dir, work, kSkinW, height));
            w.RunWhile(kWaiting);
            w.RunWhile(kDisappearing);
            EXPECT_EQ(w.core.CurrentState(), kHidden);
            EXPECT_EQ(w.pos, StartPosition(dir, work, kSkinW, height));
            EXPECT_FALSE(w.visible);
            EXPECT_TRUE(w.timers.empty());
        }
    }
}

TEST(NotifierMachine, SecondPopupWhileAppearingOnlyChangesTheText)
{
    FakeWindow w;
    w.Popup(L"first");
    for (int i = 0; i < 10; ++i)
        w.Tick();
    Point before = w.pos;
    // The new times are kept, but the path and the step delays stay those of the first call,
    // even when the work area has changed meanwhile.
    Actions a = w.core.Popup(L"second", 2000, 3000, 500, kTopBar, kScreenW, kScreenH);
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0].kind, Action::Repaint);
    w.Apply(a);
    EXPECT_EQ(w.core.Text(), L"second");
    EXPECT_EQ(w.core.CurrentState(), kAppearing);
    EXPECT_EQ(w.core.CurrentDirection(), kSlideUp);
    EXPECT_EQ(w.core.ShowDelay(), 12u);
    EXPECT_EQ(w.pos, before);
    EXPECT_TRUE(w.core.TimerRunning(kTimerShow));
    w.RunWhile(kAppearing);
    EXPECT_EQ(w.pos, (Point{1080, 610}));
}

TEST(NotifierMachine, SecondPopupWhileWaitingRestartsTheStay)
{
    FakeWindow w;
    w.Popup(L"first");
    w.RunWhile(kAppearing);
    w.now += 2000;  // 2 s into the stay
    w.timers[kTimerStay].due = w.now + 1000;
    Actions a = w.core.Popup(L"second", 1000, 3000, 500, kBottomBar, kScreenW, kScreenH);
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0].kind, Action::Repaint);
    EXPECT_EQ(a[1], (Action{Action::StartTimer, 0, 0, kTimerStay, 3000}));
    w.Apply(a);
    std::uint64_t restarted = w.now;
    EXPECT_EQ(w.Tick(), kTimerStay);
    EXPECT_EQ(w.now, restarted + 3000);
    EXPECT_EQ(w.core.Text(), L"second");
}

TEST(NotifierMachine, SecondPopupJustBeforeTheFirstHideStepStillStaysUp)
{
    FakeWindow w;
    w.Popup(L"first");
    w.RunWhile(kAppearing);
    EXPECT_EQ(w.Tick(), kTimerStay);  // the hide timer runs, the state is still waiting
    ASSERT_EQ(w.core.CurrentState(), kWaiting);
    Actions a = w.core.Popup(L"second", 1000, 3000, 500, kBottomBar, kScreenW, kScreenH);
    w.Apply(a);
    EXPECT_FALSE(w.core.TimerRunning(kTimerHide));
    std::uint64_t restarted = w.now;
    EXPECT_EQ(w.Tick(), kTimerStay);
    EXPECT_EQ(w.now, restarted + 3000);
    EXPECT_EQ(w.pos, (Point{1080, 610}));
}

TEST(NotifierMachine, SecondPopupWhileDisappearingComesBackForAFullStay)
{
    FakeWindow w;
    w.Popup(L"first");
    w.RunWhile(kAppearing);
    w.RunWhile(kWaiting);  // ends with the first hide step
    for (int i = 0; i < 19; ++i)
        ASSERT_EQ(w.Tick(), kTimerHide);
    ASSERT_EQ(w.pos, (Point{1080, 650}));

    Actions a = w.core.Popup(L"second", 1000, 3000, 500, kBottomBar, kScreenW, kScreenH);
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0], (Action{Action::StopTimer, 0, 0, kTimerHide}));
    EXPECT_EQ(a[1], (Action{Action::StartTimer, 0, 0, kTimerStay, 3000}));
    EXPECT_EQ(a[2], (Action{Action::Move, 1080, 610}));
    EXPECT_EQ(a[3].kind, Action::Repaint);
    w.Apply(a);
    EXPECT_EQ(w.core.CurrentState(), kDisappearing);
    EXPECT_TRUE(w.visible);
    // A hide tick that was already queued does nothing.
    EXPECT_TRUE(w.core.TimerFired(kTimerHide).empty());
    EXPECT_EQ(w.core.Position(), (Point{1080, 610}));

    // A third notification during that stay keeps it up again from now on.
    w.now += 1500;
    w.timers[kTimerStay].due = w.now + 1500;
    w.Apply(w.core.Popup(L"third", 1000, 3000, 500, kBottomBar, kScreenW, kScreenH));
    std::uint64_t restarted = w.now;
    EXPECT_EQ(w.Tick(), kTimerStay);
    EXPECT_EQ(w.now, restarted + 3000);
    EXPECT_EQ(w.core.CurrentState(), kDisappearing);
    EXPECT_EQ(w.pos, (Point{1080, 610}));

    EXPECT_EQ(w.Tick(), kTimerHide);
    EXPECT_EQ(w.pos, (Point{1080, 612}));
    EXPECT_EQ(w.RunWhile(kDisappearing), 79);
    EXPECT_EQ(w.core.CurrentState(), kHidden);
    EXPECT_FALSE(w.visible);
}

TEST(NotifierMachine, HidePopupStopsEverythingAndTheNextPopupStartsOver)
{
    FakeWindow w;
    w.Popup(L"first");
    w.Tick();
    Actions a = w.core.HidePopup();
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0], (Action{Action::StopTimer, 0, 0, kTimerShow}));
    EXPECT_EQ(a[1].kind, Action::Collapse);
    EXPECT_EQ(a[2].kind, Action::Hide);
    w.Apply(a);
    EXPECT_EQ(w.core.CurrentState(), kHidden);
    EXPECT_TRUE(w.timers.empty());
    EXPECT_TRUE(w.core.TimerFired(kTimerShow).empty());
    EXPECT_TRUE(w.core.TimerFired(0).empty());
    EXPECT_TRUE(w.core.TimerFired(99).empty());
    EXPECT_TRUE(w.core.TimerFired(-1).empty());
    // Hiding a hidden popup only collapses it again.
    EXPECT_EQ(w.core.HidePopup().size(), 2u);

    // The next popup measures the work area again: now the taskbar is on the left.
    w.Popup(L"again", 1000, 3000, 500, kLeftBar);
    EXPECT_EQ(w.core.CurrentDirection(), kSlideRight);
    EXPECT_EQ(w.pos, (Point{-140, 640}));
    EXPECT_TRUE(w.visible);
    EXPECT_EQ(w.core.ShowDelay(), 10u);
}

TEST(NotifierMachine, WithoutSkinThePopupStillRunsToHidden)
{
    FakeWindow w;
    w.core.SetSize(0, -5);
    EXPECT_EQ(w.core.Height(), 0);
    w.Popup(L"no skin", 1000, 30, 500);
    EXPECT_EQ(w.core.ShowDelay(), 1000u);
    EXPECT_EQ(w.RunWhile(kAppearing), 1);
    // The first hide step finds it outside already: hidden straight from waiting.
    EXPECT_EQ(w.RunWhile(kWaiting), 2);
    EXPECT_EQ(w.core.CurrentState(), kHidden);
    EXPECT_FALSE(w.visible);
    EXPECT_TRUE(w.timers.empty());
}
