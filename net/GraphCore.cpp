// Traffic graph without windows: the two 20-sample histories, levels, text lines and geometry.
#include "net/GraphCore.h"

#include <cmath>
#include <limits>

#include "net/TrafficCore.h"

namespace net {

namespace {

// Rates are decimal figures; this much slack keeps 5.76 × 10 / 57.6 at 1 and not 0.99999...
constexpr double kLevelSlack = 1e-9;

// Truncation toward zero into the int range; the inputs are window coordinates, so the clamp
// only guards against a nonsensical rectangle.
int TruncToInt(double v) {
    if (std::isnan(v)) return 0;
    v = std::trunc(v);
    if (v >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

int ClampLevel(int level) {
    if (level < 0) return 0;
    return level > kGraphMaxLevel ? kGraphMaxLevel : level;
}

}  // namespace

int LevelForRate(double rate, double limit) {
    if (std::isnan(rate) || rate <= 0) return 0;
    if (std::isinf(limit) && limit > 0) return 0;
    if (!(limit > 0)) return kGraphMaxLevel;
    const double q = rate * kGraphMaxLevel / limit + kLevelSlack;
    if (!(q < kGraphMaxLevel)) return kGraphMaxLevel;
    return ClampLevel(static_cast<int>(std::trunc(q)));
}

void SampleHistory::Add(int level) {
    cursor_ = (cursor_ + 1) % kGraphSamples;
    ring_[(cursor_ + kGraphSamples - 1) % kGraphSamples] = ClampLevel(level);
}

int SampleHistory::Level(int i) const {
    if (i < 0 || i >= kGraphSamples) return 0;
    return ring_[(cursor_ + i) % kGraphSamples];
}

void SampleHistory::Clear() {
    ring_.fill(0);
    cursor_ = kGraphSamples - 1;
}

std::array<GraphRect, kGraphSamples> BarRects(const SampleHistory& history,
                                              const GraphRect& client) {
    const double l = client.left, t = client.top, r = client.right, b = client.bottom;
    std::array<GraphRect, kGraphSamples> bars;
    for (int k = 1; k <= kGraphSamples; ++k) {
        const int e = history.Level(k - 1);
        const int x = TruncToInt(l + k * (r - l) / 21.0);
        int y = TruncToInt((b - 1) - e * (b - t - 2) / 10.0);
        if (y < client.top + 1) y = client.top + 1;
        const int bottom = client.bottom - 1;
        const int top = y >= bottom ? client.bottom - 2 : y;
        bars[k - 1] = GraphRect{x - 4, top, x + 4, bottom};
    }
    return bars;
}

std::array<GraphPoint, kGraphSamples> LinePoints(const SampleHistory& history,
                                                  const GraphRect& client) {
    constexpr double h = 1;  // half the pen width
    const double l = client.left, t = client.top, r = client.right, b = client.bottom;
    std::array<GraphPoint, kGraphSamples> points;
    for (int i = 0; i < kGraphSamples; ++i) {
        const int e = history.Level(i);
        points[i] = GraphPoint{TruncToInt(l + h + i * (r - 2 * h - l) / 19.0),
                               TruncToInt((b - h) - e * (b - 2 * h - t) / 10.0)};
    }
    return points;
}

void GraphCore::SetLimits(double sendLimit, double receiveLimit) {
    sendLimit_ = sendLimit;
    receiveLimit_ = receiveLimit;
}

void GraphCore::AddSendRate(double kbps) {
    sendRate_ = kbps;
    send_.Add(LevelForRate(kbps, sendLimit_));
}

void GraphCore::AddReceiveRate(double kbps) {
    receiveRate_ = kbps;
    receive_.Add(LevelForRate(kbps, receiveLimit_));
}

void GraphCore::Clear() {
    send_.Clear();
    receive_.Clear();
    sendRate_ = 0;
    receiveRate_ = 0;
}

std::wstring GraphCore::SendLine(std::wstring_view format) const {
    return FormatDoubles(format, {sendLimit_, sendRate_});
}

std::wstring GraphCore::ReceiveLine(std::wstring_view format) const {
    return FormatDoubles(format, {receiveLimit_, receiveRate_});
}

}  // namespace net
