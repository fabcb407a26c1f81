// The traffic graph window on the real template: texts and colours, samples while hidden, hide on
// close, the mode radios, the painted geometry, GDI use over many repaints, and screenshots.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "Driver.h"
#include "net/DlgTrafficGraph.h"
#include "resources/resource.h"
#include "tests/win/WinTestSupport.h"

namespace {

constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND MakeOwner() {
    static bool registered = false;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"TrafficGraphTestOwner";
        registered = RegisterClassW(&wc) != 0;
    }
    return CreateWindowExW(0, L"TrafficGraphTestOwner", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                           40, 30, 520, 420, nullptr, nullptr, instance, nullptr);
}

// A control's own painting, rendered off screen through WM_PRINTCLIENT, read back as pixels.
class Rendering {
public:
    explicit Rendering(HWND control) {
        RECT client{};
        GetClientRect(control, &client);
        width_ = client.right;
        height_ = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        void* bits = nullptr;
        HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ReleaseDC(nullptr, screen);
        if (dc && dib && bits) {
            HGDIOBJ old = SelectObject(dc, dib);
            SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            GdiFlush();
            const auto* p = static_cast<const uint32_t*>(bits);
            pixels_.assign(p, p + static_cast<size_t>(width_) * height_);
            SelectObject(dc, old);
        }
        if (dib) DeleteObject(dib);
        if (dc) DeleteDC(dc);
    }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Ok() const { return !pixels_.empty(); }
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_.empty()) return CLR_INVALID;
        const uint32_t v = pixels_[static_cast<size_t>(y) * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Any pixel of the colour within `radius` of (x, y).
    bool Near(int x, int y, COLORREF colour, int radius = 1) const {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (At(x + dx, y + dy) == colour) return true;
        return false;
    }

private:
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> pixels_;
};

class TrafficGraphTest : public wintest::SkinnedTest {
protected:
    void SetUp() override {
        ASSERT_NE(skin, nullptr);
        owner = MakeOwner();
        ASSERT_NE(owner, nullptr);
        graph = std::make_unique<DlgTrafficGraph>(skin);
        ASSERT_NE(graph->Create(owner), nullptr);
        wintest::Pump(20);
    }
    void TearDown() override {
        graph.reset();
        if (owner) DestroyWindow(owner);
        wintest::Pump(0);
    }

    void Command(int id) {
        SendMessageW(graph->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(graph->Item(id)));
        wintest::Pump(20);
    }
    bool Checked(int id) { return IsDlgButtonChecked(graph->Hwnd(), id) == BST_CHECKED; }
    std::wstring SendText() { return graph->ItemText(IDC_GRAPH_SEND_TEXT); }
    std::wstring ReceiveText() { return graph->ItemText(IDC_GRAPH_RECV_TEXT); }
    bool Visible() { return IsWindowVisible(graph->Hwnd()) != FALSE; }

    HWND owner = nullptr;
    std::unique_ptr<DlgTrafficGraph> graph;
};

TEST_F(TrafficGraphTest, StartsHiddenOverItsOwnerWithTheTemplatesTextsAndColours) {
    HWND hwnd = graph->Hwnd();
    EXPECT_FALSE(Visible()) << "made at start, shown only on request";
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), owner);
    EXPECT_NE(GetActiveWindow(), hwnd) << "a hidden window must not take the activation";

    wchar_t caption[64] = {};
    GetWindowTextW(hwnd, caption, 64);
    EXPECT_STREQ(caption, L"网络流量图");
    EXPECT_EQ(graph->SendFormat(), L"发送流量: 上限 %0.2f KB/S 当前 %.2f KB/S");
    EXPECT_EQ(graph->ReceiveFormat(), L"接收流量: 上限 %0.2f KB/S 当前 %.2f KB/S");
    EXPECT_EQ(SendText(), L"发送流量: 上限 57.60 KB/S 当前 0.00 KB/S");
    EXPECT_EQ(ReceiveText(), L"接收流量: 上限 57.60 KB/S 当前 0.00 KB/S");
    EXPECT_EQ(graph->SendColour(), kYellow);
    EXPECT_EQ(graph->ReceiveColour(), kRed);
    EXPECT_TRUE(Checked(IDC_GRAPH_MODE_BARS));
    EXPECT_FALSE(Checked(IDC_GRAPH_MODE_LINE));

    RECT o{}, g{};
    GetWindowRect(owner, &o);
    GetWindowRect(hwnd, &g);
    EXPECT_NEAR((g.left + g.right) / 2, (o.left + o.right) / 2, 1);
    EXPECT_NEAR((g.top + g.bottom) / 2, (o.top + o.bottom) / 2, 1);

    for (int id : {IDC_GRAPH_SEND_GRAPH, IDC_GRAPH_RECV_GRAPH}) {
        RECT client{};
        GetClientRect(graph->Item(id), &client);
        EXPECT_GT(client.right, 40) << id;
        EXPECT_GT(client.bottom, 20) << id;
        EXPECT_NE(SendMessageW(graph->Item(id), STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << id;
    }
}

TEST_F(TrafficGraphTest, SamplesWhileHiddenMoveOnlyTheStateAndShowWhenShown) {
    graph->SetLimits(57.6, 57.6);
    graph->AddSendRate(5.76);
    graph->AddReceiveRate(5.75);
    graph->AddSendRate(100);
    graph->AddReceiveRate(-3);
    const net::GraphCore& core = graph->Graph();
    EXPECT_EQ(core.SendHistory().Level(18), 1);
    EXPECT_EQ(core.SendHistory().Level(19), 10) << "at or above the limit: full height, newest last";
    EXPECT_EQ(core.ReceiveHistory().Level(18), 0);
    EXPECT_EQ(core.ReceiveHistory().Level(19), 0) << "a negative rate is level 0";
    EXPECT_DOUBLE_EQ(core.SendRate(), 100);
    EXPECT_DOUBLE_EQ(core.ReceiveRate(), -3);
    EXPECT_EQ(SendText(), L"发送流量: 上限 57.60 KB/S 当前 0.00 KB/S") << "hidden: texts wait";

    graph->Show();
    wintest::Pump(50);
    ASSERT_TRUE(Visible());
    EXPECT_EQ(SendText(), L"发送流量: 上限 57.60 KB/S 当前 100.00 KB/S");
    EXPECT_EQ(ReceiveText(), L"接收流量: 上限 57.60 KB/S 当前 -3.00 KB/S");

    // Visible: each sample shows at once; the limit set by the main window scales the levels.
    graph->SetLimits(14.4, 14.4);
    graph->AddSendRate(7.2);
    graph->AddReceiveRate(1.44);
    EXPECT_EQ(SendText(), L"发送流量: 上限 14.40 KB/S 当前 7.20 KB/S");
    EXPECT_EQ(ReceiveText(), L"接收流量: 上限 14.40 KB/S 当前 1.44 KB/S");
    EXPECT_EQ(core.SendHistory().Level(19), 5);
    EXPECT_EQ(core.ReceiveHistory().Level(19), 1);

    // Only the last 20 stay; the two directions never mix.
    for (int n = 0; n < 25; ++n) {
        graph->AddSendRate(1.44 * (n % 11));
        graph->AddReceiveRate(1.44 * (10 - n % 11));
    }
    for (int i = 0; i < net::kGraphSamples; ++i) {
        EXPECT_EQ(core.SendHistory().Level(i), (i + 5) % 11) << i;
        EXPECT_EQ(core.ReceiveHistory().Level(i), 10 - (i + 5) % 11) << i;
    }

    // The end of a connection empties both graphs; limit and mode stay.
    Command(IDC_GRAPH_MODE_LINE);
    graph->ClearRates();
    for (int i = 0; i < net::kGraphSamples; ++i) {
        EXPECT_EQ(core.SendHistory().Level(i), 0);
        EXPECT_EQ(core.ReceiveHistory().Level(i), 0);
    }
    EXPECT_EQ(SendText(), L"发送流量: 上限 14.40 KB/S 当前 0.00 KB/S");
    EXPECT_EQ(core.Mode(), net::GraphMode::Line);
}

TEST_F(TrafficGraphTest, ClosingOnlyHidesAndTheHistoryLivesOn) {
    graph->AddSendRate(30);
    graph->Show();
    wintest::Pump(30);
    ASSERT_TRUE(Visible());

    SendMessageW(graph->Hwnd(), WM_CLOSE, 0, 0);  // the caption's close box
    wintest::Pump(50);
    ASSERT_TRUE(IsWindow(graph->Hwnd())) << "closing must not destroy the window";
    EXPECT_FALSE(Visible());
    EXPECT_EQ(graph->Graph().SendHistory().Level(19), 5);

    graph->AddSendRate(57.6);  // samples keep arriving while hidden
    graph->Show();
    wintest::Pump(30);
    EXPECT_TRUE(Visible());
    EXPECT_EQ(graph->Graph().SendHistory().Level(18), 5);
    EXPECT_EQ(graph->Graph().SendHistory().Level(19), 10);
    EXPECT_EQ(SendText(), L"发送流量: 上限 57.60 KB/S 当前 57.60 KB/S");

    Command(IDC_GRAPH_CLOSE);
    ASSERT_TRUE(IsWindow(graph->Hwnd()));
    EXPECT_FALSE(Visible());
}

TEST_F(TrafficGraphTest, ModeRadiosSwitchBetweenBarsAndLineKeepingTheHistory) {
    graph->Show();
    graph->AddSendRate(28.8);
    graph->AddReceiveRate(57.6);

    Command(IDC_GRAPH_MODE_LINE);
    EXPECT_EQ(graph->Graph().Mode(), net::GraphMode::Line);
    EXPECT_TRUE(Checked(IDC_GRAPH_MODE_LINE));
    EXPECT_FALSE(Checked(IDC_GRAPH_MODE_BARS));
    EXPECT_EQ(graph->Graph().SendHistory().Level(19), 5);
    EXPECT_EQ(graph->Graph().ReceiveHistory().Level(19), 10);

    Command(IDC_GRAPH_MODE_BARS);
    EXPECT_EQ(graph->Graph().Mode(), net::GraphMode::Bars);
    EXPECT_TRUE(Checked(IDC_GRAPH_MODE_BARS));
    EXPECT_FALSE(Checked(IDC_GRAPH_MODE_LINE));
    EXPECT_EQ(graph->Graph().SendHistory().Level(19), 5);

    // A real click on the radio goes the same way.
    SendMessageW(graph->Item(IDC_GRAPH_MODE_LINE), BM_CLICK, 0, 0);
    wintest::Pump(20);
    EXPECT_EQ(graph->Graph().Mode(), net::GraphMode::Line);
    EXPECT_FALSE(Checked(IDC_GRAPH_MODE_BARS));
}

TEST_F(TrafficGraphTest, PaintsTheBarsAndTheLineWhereTheGeometrySaysInTheTemplatesColours) {
    const double limit = 57.6;
    for (int n = 0; n < net::kGraphSamples; ++n) graph->AddSendRate(limit);  // all full
    graph->AddReceiveRate(limit / 2);                                          // newest half, rest 0
    graph->Show();
    wintest::Pump(30);

    HWND sendControl = graph->Item(IDC_GRAPH_SEND_GRAPH);
    HWND receiveControl = graph->Item(IDC_GRAPH_RECV_GRAPH);
    {
        Rendering send(sendControl), receive(receiveControl);
        ASSERT_TRUE(send.Ok());
        ASSERT_TRUE(receive.Ok());
        const net::GraphRect area{0, 0, send.Width(), send.Height()};
        const auto full = net::BarRects(graph->Graph().SendHistory(), area);
        for (const auto& bar : full) {
            const int mid = (bar.left + bar.right) / 2;
            EXPECT_EQ(send.At(mid, 1), kYellow) << "full bars reach top + 1";
            EXPECT_EQ(send.At(mid, send.Height() - 2), kYellow);
            EXPECT_EQ(send.At(bar.left, send.Height() / 2), kYellow);
            EXPECT_NE(send.At(bar.right, send.Height() / 2), kYellow) << "right edge left out";
            EXPECT_NE(send.At(mid, send.Height() - 1), kYellow) << "bottom edge left out";
        }
        EXPECT_NE(send.At((full[0].right + full[1].left) / 2, send.Height() / 2), kYellow)
            << "gap between bars";

        const auto bars = net::BarRects(graph->Graph().ReceiveHistory(), area);
        const int newest = (bars[19].left + bars[19].right) / 2;
        EXPECT_EQ(receive.At(newest, bars[19].top), kRed) << "newest rightmost, half height";
        EXPECT_NE(receive.At(newest, bars[19].top - 1), kRed);
        const int oldest = (bars[0].left + bars[0].right) / 2;
        EXPECT_EQ(receive.At(oldest, receive.Height() - 2), kRed) << "level 0: one pixel";
        EXPECT_NE(receive.At(oldest, receive.Height() - 3), kRed);
    }

    Command(IDC_GRAPH_MODE_LINE);
    {
        Rendering send(sendControl), receive(receiveControl);
        ASSERT_TRUE(send.Ok());
        const net::GraphRect area{0, 0, send.Width(), send.Height()};
        for (const auto& p : net::LinePoints(graph->Graph().SendHistory(), area))
            EXPECT_TRUE(send.Near(p.x, p.y, kYellow)) << p.x << "," << p.y;
        const auto bars = net::BarRects(graph->Graph().SendHistory(), area);
        EXPECT_NE(send.At((bars[5].left + bars[5].right) / 2, send.Height() / 2), kYellow)
            << "no bars in line mode";
        for (const auto& p : net::LinePoints(graph->Graph().ReceiveHistory(), area))
            EXPECT_TRUE(receive.Near(p.x, p.y, kRed)) << p.x << "," << p.y;
        EXPECT_FALSE(receive.Near(receive.Width() / 2, receive.Height() / 2, kRed, 3));
    }
}

TEST_F(TrafficGraphTest, NoGdiLeakOver500Repaints) {
    graph->Show();
    HWND controls[] = {graph->Item(IDC_GRAPH_SEND_GRAPH), graph->Item(IDC_GRAPH_RECV_GRAPH)};
    auto repaint = [&](int n) {
        graph->AddSendRate(n % 60);
        graph->AddReceiveRate((n * 7) % 60);
        for (HWND c : controls) UpdateWindow(c);
    };
    for (int n = 0; n < 4; ++n) {  // both modes once before counting
        Command(n % 2 ? IDC_GRAPH_MODE_LINE : IDC_GRAPH_MODE_BARS);
        repaint(n);
    }
    wintest::Pump(20);
    const DWORD before = wintest::GdiObjects();
    for (int n = 0; n < 500; ++n) {
        if (n % 50 == 0) Command(n % 100 ? IDC_GRAPH_MODE_LINE : IDC_GRAPH_MODE_BARS);
        repaint(n);
    }
    wintest::Pump(20);
    EXPECT_LE(wintest::GdiObjects(), before + 2);
}

TEST_F(TrafficGraphTest, HistoryButtonRunsTheRecordsOverThisWindow) {
    std::vector<HWND> owners;
    graph->SetHistoryAction([&](HWND o) { owners.push_back(o); });
    graph->Show();
    Command(IDC_GRAPH_HISTORY);
    ASSERT_EQ(owners.size(), 1u);
    EXPECT_EQ(owners[0], graph->Hwnd());
    EXPECT_TRUE(Visible()) << "the graph stays open behind the records";
}

TEST_F(TrafficGraphTest, ScreenshotsOfBothModes) {
    if (!std::getenv("E2E_SHOTS")) GTEST_SKIP() << "E2E_SHOTS not set";
    // A download that swells and ebbs, with a trickle of acknowledgements going out.
    for (int n = 0; n < net::kGraphSamples; ++n) {
        graph->AddReceiveRate(30 + 26 * std::sin(n * 0.45));
        graph->AddSendRate(8 + 6 * std::cos(n * 0.8) + (n == 12 ? 20 : 0));
    }
    graph->Show();
    SetForegroundWindow(graph->Hwnd());
    wintest::Pump(200);
    EXPECT_FALSE(e2e::SaveScreenshot(wintest::ShotsPath(L"traffic_graph_bars.png"), graph->Hwnd())
                     .empty());
    Command(IDC_GRAPH_MODE_LINE);
    wintest::Pump(200);
    EXPECT_FALSE(e2e::SaveScreenshot(wintest::ShotsPath(L"traffic_graph_line.png"), graph->Hwnd())
                     .empty());
}

}  // namespace
