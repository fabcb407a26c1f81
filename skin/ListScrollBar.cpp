// The skinned list's own vertical scroll bar.
#include "skin/ListScrollBar.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

#include "resource.h"
#include "skin/ComctlLookup.h"

namespace ui {
namespace {

constexpr UINT_PTR kBarSubclassId = 0x5342;  // "SB"
constexpr UINT kRepeatDelayMs = 250;
constexpr UINT kRepeatPeriodMs = 50;
constexpr DWORD kStaticNotify = SS_NOTIFY;  // 0x100: the static takes mouse input

HBITMAP LoadArt(HINSTANCE resources, UINT id) {
    return static_cast<HBITMAP>(
        LoadImageW(resources, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void FreeArt(HBITMAP& bitmap) {
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
}

}  // namespace

ListScrollBar::ListScrollBar(HWND list, HINSTANCE resources) : list_(list) {
    up_ = LoadArt(resources, IDB_SCROLL_UP);
    down_ = LoadArt(resources, IDB_SCROLL_DOWN);
    track_ = LoadArt(resources, IDB_SCROLL_TRACK);
    thumb_ = LoadArt(resources, IDB_SCROLL_THUMB);
}

ListScrollBar::~ListScrollBar() {
    FreeArt(up_);
    FreeArt(down_);
    FreeArt(track_);
    FreeArt(thumb_);
}

HWND ListScrollBar::Create(HWND parent, const RECT& rect, HWND list, HINSTANCE resources) {
    HWND bar =
        CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | kStaticNotify, rect.left,
                        rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SKIN_SCROLLBAR)),
                        GetModuleHandleW(nullptr), nullptr);
    if (!bar) return nullptr;
    auto* self = new ListScrollBar(list, resources);
    self->hwnd_ = bar;
    RECT client{};
    GetClientRect(bar, &client);
    self->core_.SetHeight(client.bottom);
    if (!SetWindowSubclass(bar, Proc, kBarSubclassId, reinterpret_cast<DWORD_PTR>(self))) {
        delete self;
        DestroyWindow(bar);
        return nullptr;
    }
    return bar;
}

ListScrollBar* ListScrollBar::FromWindow(HWND bar) {
    DWORD_PTR ref = 0;
    if (!bar || !FindSubclass(bar, Proc, kBarSubclassId, &ref)) return nullptr;
    return reinterpret_cast<ListScrollBar*>(ref);
}

void ListScrollBar::ReadList(int& limit, int& position) const {
    limit = 0;
    position = 0;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (!IsWindow(list_) || !FlatScrollInfo(list_, SB_VERT, &info)) return;
    // The highest position the list can take: the range's end less the page that stays shown.
    limit = info.nMax - std::max(static_cast<int>(info.nPage) - 1, 0);
    position = info.nPos;
}

void ListScrollBar::Sync() {
    int limit = 0, position = 0;
    ReadList(limit, position);
    core_.Sync(limit, position);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void ListScrollBar::Perform(ScrollBarCore::Action action) {
    WPARAM code;
    switch (action) {
    case ScrollBarCore::Action::LineUp:
        code = SB_LINEUP;
        break;
    case ScrollBarCore::Action::LineDown:
        code = SB_LINEDOWN;
        break;
    case ScrollBarCore::Action::PageUp:
        code = SB_PAGEUP;
        break;
    case ScrollBarCore::Action::PageDown:
        code = SB_PAGEDOWN;
        break;
    default:
        return;
    }
    SendMessageW(list_, WM_VSCROLL, MAKEWPARAM(code, 0), 0);
    Sync();
}

void ListScrollBar::StopTimers() {
    KillTimer(hwnd_, TIMER_SCROLL_REPEAT);
    KillTimer(hwnd_, TIMER_SCROLL_DELAY);
}

void ListScrollBar::OnPress(int x, int y) {
    const ScrollBarCore::Part part = core_.Press(x, y);
    if (part == ScrollBarCore::Part::None) return;
    SetCapture(hwnd_);
    if (part == ScrollBarCore::Part::UpArrow || part == ScrollBarCore::Part::DownArrow)
        SetTimer(hwnd_, TIMER_SCROLL_DELAY, kRepeatDelayMs, nullptr);
}

void ListScrollBar::OnMove(int y) {
    int limit = 0, position = 0, lines = 0;
    ReadList(limit, position);
    if (!core_.DragTo(y, limit, position, lines)) return;
    SendMessageW(list_, LVM_SCROLL, 0, static_cast<LPARAM>(lines) * kScrollLinePixels);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    PostMessageW(list_, WM_APP_LIST_REFRESH, 0, 0);
}

void ListScrollBar::OnRelease(int x, int y) {
    if (core_.Pressed() == ScrollBarCore::Part::None) return;
    Sync();
    // Decided before the capture goes: losing it cancels a press.
    const ScrollBarCore::Action action = core_.Release(x, y);
    StopTimers();
    if (GetCapture() == hwnd_) ReleaseCapture();
    Perform(action);
}

void ListScrollBar::OnTimer(UINT_PTR id) {
    if (id == TIMER_SCROLL_DELAY) {
        KillTimer(hwnd_, TIMER_SCROLL_DELAY);
        if (core_.RepeatAction() != ScrollBarCore::Action::None)
            SetTimer(hwnd_, TIMER_SCROLL_REPEAT, kRepeatPeriodMs, nullptr);
    } else if (id == TIMER_SCROLL_REPEAT) {
        const ScrollBarCore::Action action = core_.RepeatAction();
        if (action == ScrollBarCore::Action::None)
            KillTimer(hwnd_, TIMER_SCROLL_REPEAT);
        else
            Perform(action);
    }
}

void ListScrollBar::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int w = client.right, h = client.bottom;
    if (w > 0 && h > 0) {
        HDC buffer = CreateCompatibleDC(dc);
        HBITMAP surface = CreateCompatibleBitmap(dc, w, h);
        HGDIOBJ oldSurface = SelectObject(buffer, surface);
        FillRect(buffer, &client, GetSysColorBrush(COLOR_BTNFACE));  // where art is missing
        HDC art = CreateCompatibleDC(dc);
        auto put = [&](HBITMAP bitmap, int y, int height) {
            if (!bitmap) return;
            HGDIOBJ before = SelectObject(art, bitmap);
            BitBlt(buffer, 0, y, kScrollBarWidth, height, art, 0, 0, SRCCOPY);
            SelectObject(art, before);
        };
        const int trackTop = kScrollArrowHeight, trackBottom = h - kScrollArrowHeight;
        BITMAP trackInfo{};
        if (track_ && trackBottom > trackTop && GetObjectW(track_, sizeof(trackInfo), &trackInfo)) {
            // The whole track picture squeezed into one row, then that row repeated downwards.
            SetStretchBltMode(buffer, COLORONCOLOR);
            HGDIOBJ before = SelectObject(art, track_);
            StretchBlt(buffer, 0, trackTop, kScrollBarWidth, 1, art, 0, 0, trackInfo.bmWidth,
                       std::abs(trackInfo.bmHeight), SRCCOPY);
            SelectObject(art, before);
            if (trackBottom - trackTop > 1)
                StretchBlt(buffer, 0, trackTop + 1, kScrollBarWidth, trackBottom - trackTop - 1,
                           buffer, 0, trackTop, kScrollBarWidth, 1, SRCCOPY);
        }
        put(up_, 0, kScrollArrowHeight);
        put(down_, h - kScrollArrowHeight, kScrollArrowHeight);
        put(thumb_, core_.Thumb(), kScrollThumbHeight);
        DeleteDC(art);
        BitBlt(dc, 0, 0, w, h, buffer, 0, 0, SRCCOPY);
        SelectObject(buffer, oldSurface);
        DeleteObject(surface);
        DeleteDC(buffer);
    }
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK ListScrollBar::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR refData) {
    auto* self = reinterpret_cast<ListScrollBar*>(refData);
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (msg) {
    case WM_PAINT:
        self->Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // painted whole from the buffer
    case WM_SIZE:
        self->core_.SetHeight(HIWORD(lParam));
        self->Sync();
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        self->OnPress(x, y);
        return 0;  // kept from the static: no click notifications to the page
    case WM_MOUSEMOVE:
        self->OnMove(y);
        return 0;
    case WM_LBUTTONUP:
        self->OnRelease(x, y);
        return 0;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != hwnd &&
            self->core_.Pressed() != ScrollBarCore::Part::None) {
            self->StopTimers();
            self->core_.Cancel();
        }
        return 0;
    case WM_TIMER:
        self->OnTimer(wParam);
        return 0;
    case kScrollBarSyncMessage:
        if (!self->core_.Dragging()) self->Sync();
        return self->core_.Thumb();
    case WM_NCDESTROY:
        self->StopTimers();
        RemoveWindowSubclass(hwnd, Proc, kBarSubclassId);
        delete self;
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    default:
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
}

}  // namespace ui
