// Traffic graph without windows: the two 20-sample histories, levels, text lines and geometry.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace net {

constexpr int kGraphSamples = 20;
constexpr int kGraphMaxLevel = 10;
constexpr double kDefaultLineRateKBps = 57.6;

// The level 0..10 of a rate against the limit: trunc(rate × 10 / limit), negative and NaN rates
// 0, rates at or above the limit 10. Decimal rates are meant: 5.76 against 57.6 is level 1 even
// though the doubles' quotient falls a hair short of 1. A limit of 0 or less (a modem.ini
// without speeds) shows any positive rate as full.
int LevelForRate(double rate, double limit);

// Ring of the last 20 levels; entry (cursor + i) mod 20 is the i-th oldest.
class SampleHistory {
public:
    // Clamped to 0..10; becomes the newest level.
    void Add(int level);
    // i = 0 oldest ... 19 newest; 0 outside that range.
    int Level(int i) const;
    void Clear();
    int Cursor() const { return cursor_; }

private:
    std::array<int, kGraphSamples> ring_{};
    int cursor_ = kGraphSamples - 1;
};

// A client rectangle; right and bottom lie just outside, as the system gives them.
struct GraphRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const GraphRect&) const = default;
};

struct GraphPoint {
    int x = 0;
    int y = 0;
    bool operator==(const GraphPoint&) const = default;
};

// Bar mode: one filled rectangle per level, oldest left, newest right; a level 0 still shows a
// bar one pixel high.
std::array<GraphRect, kGraphSamples> BarRects(const SampleHistory& history,
                                              const GraphRect& client);

// Line mode: the polyline's 20 points for a pen of width 2, oldest left, newest right.
std::array<GraphPoint, kGraphSamples> LinePoints(const SampleHistory& history,
                                                  const GraphRect& client);

enum class GraphMode : int { Bars = 0, Line = 1 };

// The graph window's state: mode, common limit, current rates and the two histories.
class GraphCore {
public:
    // The main window sets both to its maximum line rate, so the two are always equal.
    void SetLimits(double sendLimit, double receiveLimit);
    double SendLimit() const { return sendLimit_; }
    double ReceiveLimit() const { return receiveLimit_; }

    void AddSendRate(double kbps);
    void AddReceiveRate(double kbps);
    // Back to no samples (the connection ended); the mode and limit stay.
    void Clear();

    void SetMode(GraphMode mode) { mode_ = mode; }
    GraphMode Mode() const { return mode_; }

    double SendRate() const { return sendRate_; }
    double ReceiveRate() const { return receiveRate_; }
    const SampleHistory& SendHistory() const { return send_; }
    const SampleHistory& ReceiveHistory() const { return receive_; }

    // The text lines from the templates' formats, filled with (limit, current rate).
    std::wstring SendLine(std::wstring_view format) const;
    std::wstring ReceiveLine(std::wstring_view format) const;

private:
    GraphMode mode_ = GraphMode::Bars;
    double sendLimit_ = kDefaultLineRateKBps;
    double receiveLimit_ = kDefaultLineRateKBps;
    double sendRate_ = 0;
    double receiveRate_ = 0;
    SampleHistory send_;
    SampleHistory receive_;
};

}  // namespace net
