// The traffic graph window: send and receive rates of the last 20 refreshes as bars or a line.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Dialog.h"
#include "net/GraphCore.h"

// Created once, hidden, as a popup owned by the main window; closing it only hides it, so the
// histories keep filling while nobody looks. The graphs are painted by the two bitmap statics
// themselves (subclassed), off screen first, so the background bitmap and the graph never flicker.
class DlgTrafficGraph : public ui::Dialog {
public:
    explicit DlgTrafficGraph(HINSTANCE resources);
    ~DlgTrafficGraph() override;

    // Both limits in KB/s (the main window's maximum line rate); nothing is redrawn.
    void SetLimits(double sendLimit, double receiveLimit);
    // One call each per traffic refresh, in KB/s. While the window is hidden only the state moves.
    void AddSendRate(double kbps);
    void AddReceiveRate(double kbps);
    // Back to an empty graph and current rates of 0, when a connection ends.
    void ClearRates();
    // ShowWindow(SW_SHOW): the records buttons of the main window and the internet page.
    void Show();

    // What the history button runs, given this window as the owner: normally the modal
    // connection records dialog. Without one, the records template is run as it stands.
    void SetHistoryAction(std::function<void(HWND owner)> action) { history_ = std::move(action); }

    const net::GraphCore& Graph() const { return graph_; }
    COLORREF SendColour() const { return sendColour_; }
    COLORREF ReceiveColour() const { return receiveColour_; }
    const std::wstring& SendFormat() const { return sendFormat_; }
    const std::wstring& ReceiveFormat() const { return receiveFormat_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    static LRESULT CALLBACK GraphProc(HWND control, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR ref);
    void SetMode(net::GraphMode mode);
    void CheckModeRadios() const;
    void WriteLines() const;
    void RedrawGraph(int controlId) const;
    void RedrawGraphs() const;
    bool Visible() const;
    // Background bitmap and the graph of one control into `dc`, within the control's client area.
    void PaintGraph(HWND control, HDC dc) const;
    void DrawGraph(HDC dc, const RECT& client, const net::SampleHistory& history,
                   COLORREF colour) const;

    net::GraphCore graph_;
    std::wstring sendFormat_;
    std::wstring receiveFormat_;
    COLORREF sendColour_ = RGB(255, 255, 0);
    COLORREF receiveColour_ = RGB(255, 0, 0);
    std::function<void(HWND)> history_;
};
