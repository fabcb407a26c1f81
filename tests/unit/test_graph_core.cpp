// Traffic graph: levels from rates, the 20-sample ring, bar and line geometry, text lines.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

#include "net/GraphCore.h"

namespace net {
void PrintTo(const GraphRect& r, std::ostream* os) {
    *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}
void PrintTo(const GraphPoint& p, std::ostream* os) { *os << "(" << p.x << "," << p.y << ")"; }
}  // namespace net

using namespace net;

namespace {

TEST(GraphLevel, EdgesOfTheScale) {
    EXPECT_EQ(LevelForRate(5.76, 57.6), 1);
    EXPECT_EQ(LevelForRate(5.75, 57.6), 0);
    EXPECT_EQ(LevelForRate(57.6, 57.6), 10);
    EXPECT_EQ(LevelForRate(57.59, 57.6), 9);
    EXPECT_EQ(LevelForRate(1000, 57.6), 10);
    EXPECT_EQ(LevelForRate(1.44, 14.4), 1);
    EXPECT_EQ(LevelForRate(0, 57.6), 0);
    EXPECT_EQ(LevelForRate(-3, 57.6), 0);
    EXPECT_EQ(LevelForRate(std::nan(""), 57.6), 0);
    EXPECT_EQ(LevelForRate(std::numeric_limits<double>::infinity(), 57.6), 10);
    EXPECT_EQ(LevelForRate(1e300, 1e-300), 10) << "no overflow on the way to an int";
    // A modem.ini without speeds gives a limit of 0: no division by zero.
    EXPECT_EQ(LevelForRate(0.1, 0), 10);
    EXPECT_EQ(LevelForRate(0, 0), 0);
}

TEST(GraphHistory, RingKeepsTheLast20NewestLast) {
    SampleHistory h;
    EXPECT_EQ(h.Cursor(), 19);
    for (int i = 0; i < kGraphSamples; ++i) EXPECT_EQ(h.Level(i), 0);

    h.Add(7);
    EXPECT_EQ(h.Cursor(), 0);
    EXPECT_EQ(h.Level(19), 7);
    EXPECT_EQ(h.Level(18), 0);

    for (int n = 1; n <= 25; ++n) h.Add(n % 11);
    // The 20 newest of the 26 added: n = 6 .. 25.
    for (int i = 0; i < kGraphSamples; ++i) EXPECT_EQ(h.Level(i), (i + 6) % 11) << i;

    h.Add(15);
    h.Add(-2);
    EXPECT_EQ(h.Level(18), 10);
    EXPECT_EQ(h.Level(19), 0);
    EXPECT_EQ(h.Level(20), 0);
    EXPECT_EQ(h.Level(-1), 0);

    h.Clear();
    EXPECT_EQ(h.Cursor(), 19);
    EXPECT_EQ(h.Level(19), 0);
}

TEST(GraphGeometry, BarsBeforeAnySampleAreOnePixelHigh) {
    SampleHistory h;
    const auto bars = BarRects(h, GraphRect{0, 0, 210, 100});
    for (int k = 1; k <= kGraphSamples; ++k)
        EXPECT_EQ(bars[k - 1], (GraphRect{10 * k - 4, 98, 10 * k + 4, 99})) << k;
}

TEST(GraphGeometry, BarHeightsAndTheNewestRightmost) {
    SampleHistory h;
    h.Add(5);
    h.Add(10);
    const auto bars = BarRects(h, GraphRect{0, 0, 210, 100});
    EXPECT_EQ(bars[19], (GraphRect{196, 1, 204, 99})) << "full height stops at top + 1";
    EXPECT_EQ(bars[18], (GraphRect{186, 50, 194, 99}));  // 99 - 5 * 98 / 10 = 50
    EXPECT_EQ(bars[17].top, 98);

    // Fractions are truncated only at the end: 3 + 97 / 21 = 7.6, 59 - 1 * 53 / 10 = 53.7.
    SampleHistory one;
    one.Add(1);
    const auto odd = BarRects(one, GraphRect{3, 5, 100, 60});
    EXPECT_EQ(odd[0], (GraphRect{3, 58, 11, 59}));
    EXPECT_EQ(odd[19], (GraphRect{91, 53, 99, 59}));  // x = 3 + 20 * 97 / 21 = 95.4
}

TEST(GraphGeometry, LinePointsLieOnTheBottomUntilTrafficComes) {
    SampleHistory h;
    const auto flat = LinePoints(h, GraphRect{0, 0, 192, 102});
    for (int i = 0; i < kGraphSamples; ++i) EXPECT_EQ(flat[i], (GraphPoint{1 + 10 * i, 101})) << i;

    h.Add(10);
    h.Add(3);
    const auto line = LinePoints(h, GraphRect{0, 0, 192, 102});
    EXPECT_EQ(line[19], (GraphPoint{191, 71}));  // newest: rightmost, 101 - 3 * 100 / 10
    EXPECT_EQ(line[18], (GraphPoint{181, 1}));

    // A degenerate rectangle gives points, not undefined arithmetic.
    const auto tiny = LinePoints(h, GraphRect{0, 0, 0, 0});
    EXPECT_EQ(tiny[0], (GraphPoint{1, -1}));
}

TEST(GraphWindowState, RatesLimitsTextsAndModes) {
    GraphCore g;
    EXPECT_DOUBLE_EQ(g.SendLimit(), 57.6);
    EXPECT_EQ(g.Mode(), GraphMode::Bars);

    g.AddSendRate(5.76);
    g.AddReceiveRate(-1);
    EXPECT_EQ(g.SendHistory().Level(19), 1);
    EXPECT_EQ(g.ReceiveHistory().Level(19), 0);
    EXPECT_EQ(g.SendLine(L"发送流量: 上限 %0.2f KB/S 当前 %.2f KB/S"),
              L"发送流量: 上限 57.60 KB/S 当前 5.76 KB/S");
    EXPECT_EQ(g.ReceiveLine(L"接收流量: 上限 %0.2f KB/S 当前 %.2f KB/S"),
              L"接收流量: 上限 57.60 KB/S 当前 -1.00 KB/S");

    g.SetMode(GraphMode::Line);
    EXPECT_EQ(g.SendHistory().Level(19), 1) << "switching the mode keeps the history";

    g.SetLimits(14.4, 14.4);
    g.AddSendRate(14.4);
    EXPECT_EQ(g.SendHistory().Level(19), 10);
    EXPECT_EQ(g.SendHistory().Level(18), 1);

    g.Clear();
    EXPECT_EQ(g.SendHistory().Level(19), 0);
    EXPECT_DOUBLE_EQ(g.SendRate(), 0);
    EXPECT_DOUBLE_EQ(g.SendLimit(), 14.4);
    EXPECT_EQ(g.Mode(), GraphMode::Line);
}

}  // namespace
