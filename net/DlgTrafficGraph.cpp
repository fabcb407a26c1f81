// The traffic graph window: template texts and colours, mode radios, hide on close, the graphs.
#include "net/DlgTrafficGraph.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "settings/SettingsCore.h"
#include "framework/Resources.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kGraphSubclassId = 1;
constexpr int kBarPenWidth = 1;
constexpr int kLinePenWidth = 2;

// The colour statics hold "r,g,b" in decimal; anything outside ASCII cannot be part of a number.
std::string Narrow(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

// Over the owner when it has a place on screen, else over the work area; kept inside the work area.
void CentreOnOwner(HWND hwnd) {
    HWND owner = GetWindow(hwnd, GW_OWNER);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : hwnd, MONITOR_DEFAULTTONEAREST),
                         &monitor))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    const RECT work = monitor.rcWork;
    RECT around = work;
    if (owner && !IsIconic(owner)) GetWindowRect(owner, &around);
    RECT self{};
    GetWindowRect(hwnd, &self);
    const int width = self.right - self.left, height = self.bottom - self.top;
    int x = around.left + ((around.right - around.left) - width) / 2;
    int y = around.top + ((around.bottom - around.top) - height) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

DlgTrafficGraph::DlgTrafficGraph(HINSTANCE resources) : Dialog(resources, IDD_TRAFFIC_GRAPH) {}

DlgTrafficGraph::~DlgTrafficGraph() {
    // Destroyed here, while the statics' painting can still reach this object whole.
    if (Hwnd()) Destroy();
}

void DlgTrafficGraph::SetLimits(double sendLimit, double receiveLimit) {
    graph_.SetLimits(sendLimit, receiveLimit);
}

void DlgTrafficGraph::AddSendRate(double kbps) {
    graph_.AddSendRate(kbps);
    if (!Visible()) return;
    SetItemText(IDC_GRAPH_SEND_TEXT, graph_.SendLine(sendFormat_));
    RedrawGraph(IDC_GRAPH_SEND_GRAPH);
}

void DlgTrafficGraph::AddReceiveRate(double kbps) {
    graph_.AddReceiveRate(kbps);
    if (!Visible()) return;
    SetItemText(IDC_GRAPH_RECV_TEXT, graph_.ReceiveLine(receiveFormat_));
    RedrawGraph(IDC_GRAPH_RECV_GRAPH);
}

void DlgTrafficGraph::ClearRates() {
    graph_.Clear();
    if (!Visible()) return;
    WriteLines();
    RedrawGraphs();
}

void DlgTrafficGraph::Show() {
    if (Hwnd()) ShowWindow(Hwnd(), SW_SHOW);
}

BOOL DlgTrafficGraph::OnInitDialog() {
    CentreOnOwner(Hwnd());
    sendFormat_ = ItemText(IDC_GRAPH_SEND_TEXT);
    receiveFormat_ = ItemText(IDC_GRAPH_RECV_TEXT);
    if (Item(IDC_GRAPH_SEND_COLOR))
        sendColour_ = settings::ParseColour(Narrow(ItemText(IDC_GRAPH_SEND_COLOR)));
    if (Item(IDC_GRAPH_RECV_COLOR))
        receiveColour_ = settings::ParseColour(Narrow(ItemText(IDC_GRAPH_RECV_COLOR)));
    for (int id : {IDC_GRAPH_SEND_GRAPH, IDC_GRAPH_RECV_GRAPH})
        if (HWND control = Item(id))
            SetWindowSubclass(control, GraphProc, kGraphSubclassId,
                              reinterpret_cast<DWORD_PTR>(this));
    CheckModeRadios();
    WriteLines();
    // No focus: the window is created hidden, and taking the focus would activate it.
    return FALSE;
}

bool DlgTrafficGraph::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return false;
    switch (id) {
    case IDC_GRAPH_MODE_BARS:
        SetMode(net::GraphMode::Bars);
        return true;
    case IDC_GRAPH_MODE_LINE:
        SetMode(net::GraphMode::Line);
        return true;
    case IDC_GRAPH_HISTORY:
        if (history_) {
            history_(Hwnd());
        } else if (res::HasResource(Resources(), IDD_NET_RECORDS, RT_DIALOG)) {
            Dialog records(Resources(), IDD_NET_RECORDS);
            records.DoModal(Hwnd());
        }
        return true;
    case IDC_GRAPH_CLOSE:  // also the caption's close box and WM_CLOSE
        ShowWindow(Hwnd(), SW_HIDE);
        return true;
    case IDOK:
        return true;
    default:
        return false;
    }
}

bool DlgTrafficGraph::OnMessage(UINT msg, WPARAM wParam, LPARAM /*lParam*/, INT_PTR& /*result*/) {
    switch (msg) {
    case WM_SHOWWINDOW:
        // The texts were left alone while hidden; the graphs paint on their own.
        if (wParam) WriteLines();
        return false;
    case WM_MOVE:
        if (Visible()) {
            WriteLines();
            RedrawGraphs();
        }
        return false;
    default:
        return false;
    }
}

void DlgTrafficGraph::SetMode(net::GraphMode mode) {
    graph_.SetMode(mode);
    CheckModeRadios();
    WriteLines();
    RedrawGraphs();
}

void DlgTrafficGraph::CheckModeRadios() const {
    const bool bars = graph_.Mode() == net::GraphMode::Bars;
    CheckDlgButton(Hwnd(), IDC_GRAPH_MODE_BARS, bars ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(Hwnd(), IDC_GRAPH_MODE_LINE, bars ? BST_UNCHECKED : BST_CHECKED);
}

void DlgTrafficGraph::WriteLines() const {
    SetItemText(IDC_GRAPH_SEND_TEXT, graph_.SendLine(sendFormat_));
    SetItemText(IDC_GRAPH_RECV_TEXT, graph_.ReceiveLine(receiveFormat_));
}

void DlgTrafficGraph::RedrawGraph(int controlId) const {
    if (HWND control = Item(controlId)) InvalidateRect(control, nullptr, TRUE);
}

void DlgTrafficGraph::RedrawGraphs() const {
    RedrawGraph(IDC_GRAPH_SEND_GRAPH);
    RedrawGraph(IDC_GRAPH_RECV_GRAPH);
}

bool DlgTrafficGraph::Visible() const { return Hwnd() && IsWindowVisible(Hwnd()); }

LRESULT CALLBACK DlgTrafficGraph::GraphProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR ref) {
    auto* self = reinterpret_cast<DlgTrafficGraph*>(ref);
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;  // the paint covers every pixel
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(control, &ps)) {
            self->PaintGraph(control, dc);
            EndPaint(control, &ps);
        }
        return 0;
    }
    case WM_PRINTCLIENT:
        self->PaintGraph(control, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_NCDESTROY:
        RemoveWindowSubclass(control, GraphProc, id);
        break;
    default:
        break;
    }
    return DefSubclassProc(control, msg, wParam, lParam);
}

void DlgTrafficGraph::PaintGraph(HWND control, HDC dc) const {
    RECT client{};
    GetClientRect(control, &client);
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (!dc || width <= 0 || height <= 0) return;

    // Off screen first; without memory for that, straight onto the control.
    HDC canvas = CreateCompatibleDC(dc);
    HBITMAP surface = canvas ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    HDC target = surface ? canvas : dc;
    HGDIOBJ oldSurface = surface ? SelectObject(canvas, surface) : nullptr;

    FillRect(target, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    auto picture = reinterpret_cast<HBITMAP>(SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP info{};
    if (picture && GetObjectW(picture, sizeof(info), &info)) {
        if (HDC source = CreateCompatibleDC(dc)) {
            HGDIOBJ old = SelectObject(source, picture);
            BitBlt(target, client.left, client.top, std::min<int>(width, info.bmWidth),
                   std::min<int>(height, info.bmHeight), source, 0, 0, SRCCOPY);
            SelectObject(source, old);
            DeleteDC(source);
        }
    }
    const bool send = GetDlgCtrlID(control) == IDC_GRAPH_SEND_GRAPH;
    DrawGraph(target, client, send ? graph_.SendHistory() : graph_.ReceiveHistory(),
              send ? sendColour_ : receiveColour_);

    if (surface) {
        BitBlt(dc, client.left, client.top, width, height, canvas, client.left, client.top,
               SRCCOPY);
        SelectObject(canvas, oldSurface);
        DeleteObject(surface);
    }
    if (canvas) DeleteDC(canvas);
}

void DlgTrafficGraph::DrawGraph(HDC dc, const RECT& client, const net::SampleHistory& history,
                                COLORREF colour) const {
    const net::GraphRect area{client.left, client.top, client.right, client.bottom};
    if (graph_.Mode() == net::GraphMode::Bars) {
        HPEN pen = CreatePen(PS_SOLID, kBarPenWidth, colour);
        HBRUSH brush = CreateSolidBrush(colour);
        HGDIOBJ oldPen = SelectObject(dc, pen ? pen : GetStockObject(NULL_PEN));
        HGDIOBJ oldBrush = SelectObject(dc, brush ? brush : GetStockObject(NULL_BRUSH));
        // Rectangle leaves out the right and bottom edges: a level 0 bar is one pixel high.
        for (const net::GraphRect& bar : net::BarRects(history, area))
            Rectangle(dc, bar.left, bar.top, bar.right, bar.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        if (brush) DeleteObject(brush);
        if (pen) DeleteObject(pen);
        return;
    }
    HPEN pen = CreatePen(PS_SOLID, kLinePenWidth, colour);
    if (!pen) return;
    HGDIOBJ oldPen = SelectObject(dc, pen);
    const auto points = net::LinePoints(history, area);
    MoveToEx(dc, points[0].x, points[0].y, nullptr);
    for (size_t i = 1; i < points.size(); ++i) LineTo(dc, points[i].x, points[i].y);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}
