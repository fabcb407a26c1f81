// The skinned dialog base: background, window shape, control colours, tooltips, message filter.
#include "skin/ToolTipDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "framework/MessageFilter.h"
#include "framework/Resources.h"
#include "skin/BitmapRegion.h"
#include "skin/SkinnedList.h"

namespace ui {
namespace {

constexpr int kToolTipDelayMs = 50;

void InitControlClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&classes);
    });
}

bool IsTrackbar(HWND control) {
    wchar_t name[64] = {};
    if (!GetClassNameW(control, name, 64)) return false;
    return lstrcmpiW(name, TRACKBAR_CLASSW) == 0;
}

}  // namespace

CToolTipDialog::CToolTipDialog(HINSTANCE resources, UINT templateId)
    : Dialog(resources, templateId) {}

CToolTipDialog::~CToolTipDialog() {
    // Destroyed here, while this part of the object still answers its messages.
    if (Hwnd() && !IsModal()) Destroy();
    DestroyToolTip();
    FreeBackground();
}

void CToolTipDialog::FreeBackground() {
    if (background_ && ownsBackground_) DeleteObject(background_);
    background_ = nullptr;
    ownsBackground_ = false;
    sharedBackground_.reset();
}

void CToolTipDialog::DestroyToolTip() {
    // A page is a child window: its tooltip popup is owned by the top-level window and would
    // outlive the page if it were not destroyed here.
    if (tooltip_ && IsWindow(tooltip_)) DestroyWindow(tooltip_);
    tooltip_ = nullptr;
}

void CToolTipDialog::SetBackgroundBitmap(UINT bitmapId) {
    FreeBackground();
    UseBackground(static_cast<HBITMAP>(LoadImageW(Resources(), MAKEINTRESOURCEW(bitmapId),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ownsBackground_ = background_ != nullptr;
}

void CToolTipDialog::SetSharedBackgroundBitmap(UINT bitmapId) {
    // Taken before the old one goes, so a dialog setting the same bitmap again keeps it loaded.
    auto shared = LoadSharedBitmap(Resources(), bitmapId);
    FreeBackground();
    sharedBackground_ = std::move(shared);
    UseBackground(sharedBackground_ ? sharedBackground_->Handle() : nullptr);
}

void CToolTipDialog::UseBackground(HBITMAP bitmap) {
    background_ = bitmap;
    drawBackground_ = true;
    RebuildShape();
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, TRUE);
}

void CToolTipDialog::SetShapeFromBitmap(bool on) {
    shapeFromBitmap_ = on;
    RebuildShape();
}

void CToolTipDialog::SetTransparentColor(COLORREF colour) {
    transparentColour_ = colour;
    RebuildShape();
}

void CToolTipDialog::SetTooltipsActive(bool on) {
    tooltipsActive_ = on;
    if (tooltip_) SendMessageW(tooltip_, TTM_ACTIVATE, on ? TRUE : FALSE, 0);
}

bool CToolTipDialog::MakeSkinnedList(int listId) {
    return ui::MakeSkinnedList(Item(listId), Resources(), textColour_);
}

void CToolTipDialog::SetSeeThroughText(int id, const std::wstring& text) const {
    // The periodic refreshes mostly repeat the text shown: no repaint then.
    if (ItemText(id) == text) return;
    SetItemText(id, text);
    // After the text: a see-through static draws its new letters over the old ones at once.
    RepaintBehind(Item(id));
}

void RepaintBehind(HWND control) {
    if (!control) return;
    HWND behind = GetParent(control);
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, behind, reinterpret_cast<POINT*>(&rect), 2);
    RedrawWindow(behind, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

BOOL CToolTipDialog::OnInitDialog() {
    HWND hwnd = Hwnd();
    InitControlClasses();
    DestroyToolTip();
    // The tooltip control itself is made at its first use (ToolTip): most dialogs never show a
    // tip. The controls that get one are those of the template, the children the dialog has now.
    tipControls_.clear();
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        tipControls_.push_back(child);
    RegisterMessageFilter(hwnd, [this](const MSG& msg) { return PreTranslate(msg); });
    RebuildShape();
    return TRUE;
}

HWND CToolTipDialog::ToolTip() {
    HWND hwnd = Hwnd();
    if (tooltip_ || !hwnd) return tooltip_;
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tooltip_) {
        SendMessageW(tooltip_, TTM_ACTIVATE, tooltipsActive_ ? TRUE : FALSE, 0);
        SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(kToolTipDelayMs, 0));
        // One tool per control whose id is also a string of the resource module.
        for (HWND child : tipControls_) {
            if (!IsWindow(child) || GetParent(child) != hwnd) continue;
            const int id = GetDlgCtrlID(child);
            if (id <= 0 || id > 0xFFFF) continue;
            std::wstring text = res::LoadStr(Resources(), static_cast<UINT>(id));
            if (text.empty()) continue;
            TOOLINFOW tool{};
            tool.cbSize = TTTOOLINFOW_V2_SIZE;  // accepted by every common-controls version
            tool.uFlags = TTF_IDISHWND;
            tool.hwnd = hwnd;
            tool.uId = reinterpret_cast<UINT_PTR>(child);
            tool.lpszText = text.data();  // copied by the control
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    return tooltip_;
}

bool CToolTipDialog::PreTranslate(const MSG& msg) {
    // Pages and dialogs are not closed from the keyboard.
    if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE))
        return true;
    if (tooltipsActive_ && msg.message >= WM_MOUSEMOVE && msg.message <= WM_MBUTTONDBLCLK &&
        ToolTip()) {
        // Tools are the dialog's direct children: a message of a grandchild (the edit inside a
        // combo box) is relayed as its direct child's.
        MSG relayed = msg;
        HWND dialog = Hwnd();
        HWND h = msg.hwnd;
        while (h && h != dialog && GetParent(h) != dialog) h = GetParent(h);
        if (h) relayed.hwnd = h;
        SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    return false;
}

void CToolTipDialog::RebuildShape() {
    HWND hwnd = Hwnd();
    if (!hwnd) return;  // built when the window exists
    if (!shapeFromBitmap_ || !background_) {
        // The whole window; a window without a region of ours is left alone, as setting none
        // again would still make the system recompute and redraw its frame.
        if (shaped_) SetWindowRgn(hwnd, nullptr, TRUE);
        shaped_ = false;
        return;
    }
    RECT window{}, client{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    const int ox = origin.x - window.left, oy = origin.y - window.top;

    // The frame: window rectangle XOR client rectangle, in window coordinates.
    HRGN region = CreateRectRgn(0, 0, window.right - window.left, window.bottom - window.top);
    HRGN inside = CreateRectRgn(ox, oy, ox + client.right, oy + client.bottom);
    CombineRgn(region, region, inside, RGN_XOR);
    DeleteObject(inside);

    // Then the background's opaque pixels inside the client area.
    if (HRGN opaque = OpaqueRegion(background_, transparentColour_, client.right, client.bottom, ox, oy)) {
        CombineRgn(region, region, opaque, RGN_OR);
        DeleteObject(opaque);
    }
    shaped_ = SetWindowRgn(hwnd, region, TRUE) != 0;
    if (!shaped_) DeleteObject(region);  // the system owns it on success
}

bool CToolTipDialog::OnControlColour(UINT msg, HDC dc, HWND control, INT_PTR& result) {
    switch (msg) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        result = reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
        return true;
    case WM_CTLCOLORSTATIC: {
        if (IsTrackbar(control)) return false;
        const int id = GetDlgCtrlID(control);
        const bool highlight =
            std::find(highlightIds_.begin(), highlightIds_.end(), id) != highlightIds_.end();
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, highlight ? highlightColour_ : textColour_);
        result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        return true;
    }
    default:
        return false;
    }
}

bool CToolTipDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (msg) {
    case WM_ERASEBKGND: {
        if (!drawBackground_ || !background_) return false;
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT client{};
        GetClientRect(Hwnd(), &client);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, background_);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        result = TRUE;
        return true;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        if (!transparentStatics_) return false;
        return OnControlColour(msg, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam),
                               result);
    case WM_LBUTTONDOWN:
        if (dragAnywhere_) {
            POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ClientToScreen(Hwnd(), &at);
            PostMessageW(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(at.x, at.y));
        }
        return false;
    case WM_SIZE:
        // The shape covers the smaller of bitmap and client: follow the client's size.
        if (shapeFromBitmap_) RebuildShape();
        return false;
    case WM_DESTROY:
        DestroyToolTip();
        UnregisterMessageFilter(Hwnd());
        shaped_ = false;  // a window made again starts without a region
        return false;
    default:
        return false;
    }
}

}  // namespace ui
