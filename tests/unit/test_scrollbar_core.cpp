// Thumb placement, hit testing, drag and release of the skinned list's scroll bar.
#include <gtest/gtest.h>

#include "skin/ScrollBarCore.h"

namespace {

using ui::ScrollBarCore;
using Action = ScrollBarCore::Action;
using Part = ScrollBarCore::Part;

// A 200-pixel bar: track of 146 pixels for the thumb's top (14 .. 160).
constexpr int kHeight = 200;

TEST(ScrollBarCore, SyncPlacesThumbProportionallyAndClamps) {
    ScrollBarCore bar(kHeight);
    bar.Sync(100, 0);
    EXPECT_EQ(bar.Thumb(), 14);
    bar.Sync(100, 50);
    EXPECT_EQ(bar.Thumb(), 14 + 73);
    bar.Sync(100, 100);
    EXPECT_EQ(bar.Thumb(), kHeight - 40);
    bar.Sync(100, 250);  // a list reporting a position past its limit
    EXPECT_EQ(bar.Thumb(), kHeight - 40);
    bar.Sync(100, -5);
    EXPECT_EQ(bar.Thumb(), 14);

    // Truncated, not rounded: 46 / 3 per row.
    ScrollBarCore small(100);
    small.Sync(3, 1);
    EXPECT_EQ(small.Thumb(), 14 + 15);
    small.Sync(3, 2);
    EXPECT_EQ(small.Thumb(), 14 + 30);
}

TEST(ScrollBarCore, ListThatCannotScrollOrTinyBarKeepsThumbAtTop) {
    ScrollBarCore bar(kHeight);
    bar.Sync(100, 100);
    bar.Sync(0, 0);
    EXPECT_EQ(bar.Thumb(), 14);
    bar.Sync(-7, 3);  // fewer rows than fit: page larger than the range
    EXPECT_EQ(bar.Thumb(), 14);
    EXPECT_EQ(bar.Scale(0), 0.0);

    ScrollBarCore tiny(30);  // shorter than arrows plus thumb
    tiny.Sync(10, 10);
    EXPECT_EQ(tiny.Thumb(), 14);
    EXPECT_EQ(tiny.Clamp(500), 14);
}

TEST(ScrollBarCore, LastRowAlwaysMeetsThumbAtBottom) {
    // Rounding of (H - 54) / limit must never leave the thumb or the list one step short.
    for (int height = 60; height < 400; height += 7) {
        for (int limit = 1; limit < 500; ++limit) {
            ScrollBarCore bar(height);
            bar.Sync(limit, limit);
            ASSERT_EQ(bar.Thumb(), height - 40) << height << " " << limit;
            // Dragging the thumb to the end asks for exactly the rows left.
            bar.Sync(limit, 0);
            ASSERT_EQ(bar.Press(5, 20), Part::Thumb);
            int lines = 0;
            ASSERT_TRUE(bar.DragTo(height + 100, limit, 0, lines));
            ASSERT_EQ(lines, limit) << height << " " << limit;
        }
    }
}

TEST(ScrollBarCore, HitTestFindsArrowsThumbAndTrack) {
    ScrollBarCore bar(kHeight);
    bar.Sync(100, 50);  // thumb at 87
    EXPECT_EQ(bar.HitTest(5, 0), Part::UpArrow);
    EXPECT_EQ(bar.HitTest(5, 13), Part::UpArrow);
    EXPECT_EQ(bar.HitTest(5, 14), Part::Track);
    EXPECT_EQ(bar.HitTest(5, 86), Part::Track);
    EXPECT_EQ(bar.HitTest(5, 87), Part::Thumb);
    EXPECT_EQ(bar.HitTest(5, 87 + 26), Part::Thumb);
    EXPECT_EQ(bar.HitTest(5, 87 + 27), Part::Track);
    EXPECT_EQ(bar.HitTest(5, kHeight - 14), Part::DownArrow);
    EXPECT_EQ(bar.HitTest(5, kHeight - 1), Part::DownArrow);
    EXPECT_EQ(bar.HitTest(5, kHeight), Part::None);
    EXPECT_EQ(bar.HitTest(-1, 50), Part::None);
    EXPECT_EQ(bar.HitTest(14, 50), Part::None);
}

TEST(ScrollBarCore, ArrowPressRepeatsAndReleaseOnItAddsOneLine) {
    ScrollBarCore bar(kHeight);
    bar.Sync(100, 0);
    EXPECT_EQ(bar.Press(5, kHeight - 3), Part::DownArrow);
    EXPECT_EQ(bar.RepeatAction(), Action::LineDown);
    EXPECT_EQ(bar.Release(5, kHeight - 3), Action::LineDown);
    EXPECT_EQ(bar.Pressed(), Part::None);
    EXPECT_EQ(bar.RepeatAction(), Action::None);

    bar.Sync(100, 50);
    EXPECT_EQ(bar.Press(5, 3), Part::UpArrow);
    EXPECT_EQ(bar.RepeatAction(), Action::LineUp);
    EXPECT_EQ(bar.Release(5, 3), Action::LineUp);

    // Pressed on one arrow, released on the other: a page towards where the pointer is.
    bar.Press(5, 3);
    EXPECT_EQ(bar.Release(5, kHeight - 3), Action::PageDown);
    bar.Press(5, kHeight - 3);
    EXPECT_EQ(bar.Release(5, 3), Action::PageUp);
    // Released beside the bar, level with the pressed arrow: not on it.
    bar.Press(5, 3);
    EXPECT_EQ(bar.Release(40, 3), Action::PageUp);
}

TEST(ScrollBarCore, TrackReleasePagesAwayFromThumbBand) {
    ScrollBarCore bar(kHeight);
    bar.Sync(100, 50);  // thumb at 87, band 87 .. 101
    bar.Press(5, 150);
    EXPECT_EQ(bar.Release(5, 150), Action::PageDown);
    bar.Press(5, 30);
    EXPECT_EQ(bar.Release(5, 30), Action::PageUp);
    bar.Press(5, 30);
    EXPECT_EQ(bar.Release(5, 87 + 14), Action::None);
    bar.Press(5, 30);
    EXPECT_EQ(bar.Release(5, 87 + 15), Action::PageDown);
    // A release without a press on the bar does nothing.
    EXPECT_EQ(bar.Release(5, 150), Action::None);
    bar.Press(5, 150);
    bar.Cancel();
    EXPECT_EQ(bar.Release(5, 150), Action::None);
}

TEST(ScrollBarCore, DragMovesThumbAndAsksForRowDifference) {
    ScrollBarCore bar(kHeight);
    bar.Sync(100, 0);  // thumb at 14; scale 1.46
    int lines = -1;
    EXPECT_FALSE(bar.DragTo(100, 100, 0, lines));  // not dragging yet
    ASSERT_EQ(bar.Press(5, 20), Part::Thumb);
    EXPECT_TRUE(bar.Dragging());

    EXPECT_FALSE(bar.DragTo(20, 100, 0, lines));  // inside the band below the thumb top
    EXPECT_EQ(bar.Thumb(), 14);

    ASSERT_TRUE(bar.DragTo(100, 100, 0, lines));
    EXPECT_EQ(bar.Thumb(), 100);
    EXPECT_EQ(lines, 58);  // trunc(86 / 1.46)

    ASSERT_TRUE(bar.DragTo(60, 100, 58, lines));
    EXPECT_EQ(lines, 31 - 58);  // back up: trunc(46 / 1.46) - 58

    ASSERT_TRUE(bar.DragTo(kHeight + 50, 100, 31, lines));  // past the end: clamped
    EXPECT_EQ(bar.Thumb(), kHeight - 40);
    EXPECT_EQ(lines, 100 - 31);

    ASSERT_TRUE(bar.DragTo(-30, 100, 100, lines));
    EXPECT_EQ(bar.Thumb(), 14);
    EXPECT_EQ(lines, -100);

    // A list that cannot scroll: the thumb moves, the list is left alone.
    ASSERT_TRUE(bar.DragTo(120, 0, 0, lines));
    EXPECT_EQ(lines, 0);

    // Release right where the thumb was dragged: no extra page.
    bar.Sync(100, 50);
    bar.Press(5, bar.Thumb() + 2);
    EXPECT_EQ(bar.Release(5, bar.Thumb() + 2), Action::None);
    EXPECT_FALSE(bar.Dragging());
}

}  // namespace
