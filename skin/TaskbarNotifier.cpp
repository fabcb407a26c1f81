// Skinned notification popup: window, skin, fonts and painting around the portable slide machine.
#include "skin/TaskbarNotifier.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "resource.h"
#include "skin/BitmapRegion.h"

namespace ui {

static_assert(TIMER_POPUP_SHOW == notifier::kTimerShow && TIMER_POPUP_STAY == notifier::kTimerStay &&
              TIMER_POPUP_HIDE == notifier::kTimerHide);

namespace {

const wchar_t kClassName[] = L"OrvaneTaskbarNotifier";
// A skin beyond this is not a popup skin; refusing it keeps the pixel buffer bounded.
constexpr int kMaxSkinSide = 4096;

bool RegisterPopupClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, kClassName, &existing))
        return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kClassName;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HFONT MakeFont(const std::wstring& face, int height, int style)
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = (style & CTaskbarNotifier::kBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & CTaskbarNotifier::kItalic) ? TRUE : FALSE;
    lf.lfUnderline = (style & CTaskbarNotifier::kUnderline) ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    std::size_t n = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
    std::copy_n(face.c_str(), n, lf.lfFaceName);
    return CreateFontIndirectW(&lf);
}

constexpr UINT kTextFormat = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;

int TextHeight(HDC dc, const std::wstring& text, int width)
{
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, kTextFormat | DT_CALCRECT);
    return r.bottom - r.top;
}

// The text, or its longest beginning that fits the area's height with "..." after it.
std::wstring FitText(HDC dc, const std::wstring& text, int width, int height)
{
    if (TextHeight(dc, text, width) <= height)
        return text;
    std::size_t low = 0;  // known to fit (an ellipsis alone is accepted even when it does not)
    std::size_t high = text.size();
    while (high - low > 1) {
        std::size_t mid = low + (high - low) / 2;
        if (TextHeight(dc, text.substr(0, mid) + L"...", width) <= height)
            low = mid;
        else
            high = mid;
    }
    return text.substr(0, low) + L"...";
}

}  // namespace

CTaskbarNotifier::CTaskbarNotifier() = default;

CTaskbarNotifier::~CTaskbarNotifier() { Destroy(); }

bool CTaskbarNotifier::CreatePopup(HWND owner)
{
    if (hwnd_)
        return true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterPopupClass(instance, Procedure))
        return false;
    owner_ = owner;
    // Topmost so that it shows over other programs' windows; a tool window stays off the taskbar.
    hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0,
                            owner, nullptr, instance, this);
    if (!hwnd_)
        return false;
    ApplyRegion();
    return true;
}

void CTaskbarNotifier::Destroy()
{
    if (hwnd_) {
        HWND hwnd = hwnd_;
        DestroyWindow(hwnd);  // its timers and its region go with it
        hwnd_ = nullptr;
    }
    core_ = notifier::NotifierCore();
    ReleaseSkin();
    regionPending_ = false;
    if (normalFont_)
        DeleteObject(normalFont_);
    if (hoverFont_)
        DeleteObject(hoverFont_);
    normalFont_ = hoverFont_ = nullptr;
    hover_ = false;
}

void CTaskbarNotifier::ReleaseSkin()
{
    if (skin_)
        DeleteObject(skin_);
    skin_ = nullptr;
    skinWidth_ = skinHeight_ = 0;
    if (region_)
        DeleteObject(region_);
    region_ = nullptr;
    regionPending_ = true;  // the window loses its shape too
    core_.SetSize(0, 0);
}

void CTaskbarNotifier::ApplyRegion()
{
    if (!hwnd_ || !regionPending_)
        return;
    if (!SetWindowRgn(hwnd_, region_, TRUE) && region_)
        DeleteObject(region_);
    region_ = nullptr;  // the window owns it now
    regionPending_ = false;
}

bool CTaskbarNotifier::AdoptSkin(HBITMAP bitmap, int red, int green, int blue)
{
    ReleaseSkin();
    if (!bitmap) {
        ApplyRegion();
        return false;
    }
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight == 0 ||
        info.bmWidth > kMaxSkinSide || std::abs(info.bmHeight) > kMaxSkinSide) {
        DeleteObject(bitmap);
        ApplyRegion();
        return false;
    }
    skin_ = bitmap;
    skinWidth_ = info.bmWidth;
    skinHeight_ = std::abs(info.bmHeight);
    core_.SetSize(skinWidth_, skinHeight_);
    if (red != -1 && green != -1 && blue != -1) {
        COLORREF key = RGB(std::clamp(red, 0, 255), std::clamp(green, 0, 255),
                           std::clamp(blue, 0, 255));
        region_ = OpaqueRegion(skin_, key, skinWidth_ & ~3, skinHeight_);  // width a multiple of 4
    }
    ApplyRegion();
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, TRUE);
    return true;
}

bool CTaskbarNotifier::LoadSkin(HINSTANCE module, UINT bitmapId, int red, int green, int blue)
{
    HANDLE image = LoadImageW(module, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0,
                              LR_CREATEDIBSECTION);
    return AdoptSkin(static_cast<HBITMAP>(image), red, green, blue);
}

bool CTaskbarNotifier::LoadSkin(const std::wstring& path, int red, int green, int blue)
{
    HANDLE image = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                              LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    return AdoptSkin(static_cast<HBITMAP>(image), red, green, blue);
}

bool CTaskbarNotifier::SetFonts(const std::wstring& face, int tenthsOfPoint, int normalStyle,
                                int hoverStyle)
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    int tenths = std::clamp(tenthsOfPoint, 0, 10000);
    int height = -(tenths * dpi / 720);  // points are 1/72 inch
    HFONT normal = MakeFont(face, height, normalStyle);
    HFONT hover = MakeFont(face, height, hoverStyle);
    if (!normal || !hover) {
        if (normal)
            DeleteObject(normal);
        if (hover)
            DeleteObject(hover);
        return false;
    }
    if (normalFont_)
        DeleteObject(normalFont_);
    if (hoverFont_)
        DeleteObject(hoverFont_);
    normalFont_ = normal;
    hoverFont_ = hover;
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, FALSE);
    return true;
}

void CTaskbarNotifier::SetColours(COLORREF normal, COLORREF hover)
{
    normalColour_ = normal;
    hoverColour_ = hover;
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, FALSE);
}

void CTaskbarNotifier::SetTextArea(const RECT& area)
{
    textArea_ = area;
    if (hwnd_)
        InvalidateRect(hwnd_, nullptr, FALSE);
}

void CTaskbarNotifier::Popup(const std::wstring& text, DWORD timeToShow, DWORD timeToStay,
                             DWORD timeToHide)
{
    if (!hwnd_)
        return;
    RECT work{};
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        work = {0, 0, screenWidth, screenHeight};
    Execute(core_.Popup(text, timeToShow, timeToStay, timeToHide,
                        {work.left, work.top, work.right, work.bottom}, screenWidth, screenHeight));
}

void CTaskbarNotifier::HidePopup()
{
    if (hwnd_)
        Execute(core_.HidePopup());
}

void CTaskbarNotifier::Execute(const notifier::Actions& actions)
{
    // Every move keeps the z-order and never activates: the user's window keeps the focus.
    constexpr UINT kMoveFlags = SWP_NOACTIVATE | SWP_NOZORDER;
    for (const notifier::Action& a : actions) {
        switch (a.kind) {
        case notifier::Action::Move:
            SetWindowPos(hwnd_, nullptr, a.x, a.y, skinWidth_, skinHeight_, kMoveFlags);
            break;
        case notifier::Action::Collapse:
            SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, kMoveFlags);
            break;
        case notifier::Action::Show:
            ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
            break;
        case notifier::Action::Hide:
            ShowWindow(hwnd_, SW_HIDE);
            hover_ = false;
            break;
        case notifier::Action::StartTimer:
            SetTimer(hwnd_, static_cast<UINT_PTR>(a.timer), a.delay, nullptr);
            break;
        case notifier::Action::StopTimer:
            KillTimer(hwnd_, static_cast<UINT_PTR>(a.timer));
            break;
        case notifier::Action::Repaint:
            InvalidateRect(hwnd_, nullptr, FALSE);
            UpdateWindow(hwnd_);
            break;
        }
    }
}

void CTaskbarNotifier::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    if (!dc)
        return;
    RECT client;
    GetClientRect(hwnd_, &client);
    if (skin_) {
        HDC memory = CreateCompatibleDC(dc);
        if (memory) {
            HGDIOBJ old = SelectObject(memory, skin_);
            BitBlt(dc, 0, 0, skinWidth_, skinHeight_, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
    } else {
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    }

    const std::wstring& text = core_.Text();
    RECT area = textArea_;
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (!text.empty() && width > 0 && height > 0) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, hover_ ? hoverColour_ : normalColour_);
        HFONT font = hover_ ? hoverFont_ : normalFont_;
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        std::wstring shown = FitText(dc, text, width, height);
        // Word wrap cannot centre vertically by itself: measure, then place the block.
        int used = TextHeight(dc, shown, width);
        if (used < height) {
            area.top += (height - used) / 2;
            area.bottom = area.top + used;
        }
        DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &area,
                  kTextFormat | DT_END_ELLIPSIS);
        if (oldFont)
            SelectObject(dc, oldFont);
    }
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK CTaskbarNotifier::Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<CTaskbarNotifier*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<CTaskbarNotifier*>(create->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self)
            self->hwnd_ = hwnd;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (self && self->hwnd_ == hwnd)
            self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (!self)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->Handle(msg, wParam, lParam);
}

LRESULT CTaskbarNotifier::Handle(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CREATE:
        hand_ = LoadCursorW(nullptr, IDC_HAND);  // shared: never destroyed
        return 0;
    case WM_TIMER:
        Execute(core_.TimerFired(static_cast<int>(wParam)));
        return 0;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        if (skin_)
            return 1;  // the skin covers everything
        break;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && hand_) {
            SetCursor(hand_);
            return TRUE;
        }
        break;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_MOUSEMOVE: {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = hwnd_;
        track.dwHoverTime = 1;
        TrackMouseEvent(&track);
        return 0;
    }
    case WM_MOUSEHOVER:
        if (!hover_) {
            hover_ = true;
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
        return 0;
    case WM_MOUSELEAVE:
        if (hover_) {
            hover_ = false;
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (owner_)
            PostMessageW(owner_, WM_APP_POPUP_CLICK, 0, 0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

}  // namespace ui
