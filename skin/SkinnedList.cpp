// The skinned list: layout, colours and the list side of the link to its own scroll bar.
#include "skin/SkinnedList.h"

#include <commctrl.h>

#include "resource.h"
#include "skin/ListScrollBar.h"
#include "skin/ComctlLookup.h"

namespace ui {
namespace {

constexpr UINT_PTR kListSubclassId = 0x534C;  // "SL"
constexpr int kListNarrower = 16;             // the strip handed to the own bar
constexpr int kBarRightGap = 2;               // background left visible right of the bar
constexpr int kHeaderClearance = 15;          // the bar starts below the column header

void Refresh(HWND list, bool now) {
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | (now ? RDW_UPDATENOW : 0u));
}

// Changes after which the scroll range or position may have moved.
bool MovesScrollState(UINT msg) {
    switch (msg) {
    case LVM_ENSUREVISIBLE:
    case LVM_INSERTITEMA:
    case LVM_INSERTITEMW:
    case LVM_DELETEITEM:
    case LVM_DELETEALLITEMS:
    case LVM_SETITEMCOUNT:
    case WM_SIZE:
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR refData) {
    HWND bar = reinterpret_cast<HWND>(refData);  // may be gone already: messages then fail
    switch (msg) {
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN: {
        // Redraw over the background and bring the bar in step first, then scroll; and once
        // more afterwards, so the thumb shows where the list went.
        Refresh(hwnd, false);
        SendMessageW(bar, kScrollBarSyncMessage, 0, 0);
        LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
        SendMessageW(bar, kScrollBarSyncMessage, 0, 0);
        return result;
    }
    case WM_APP_LIST_REFRESH:
        Refresh(hwnd, true);
        return 0;
    case WM_NCCALCSIZE: {
        // The list keeps its vertical scroll state but never shows its own bar beside ours: the
        // style bit it sets again whenever its range changes is taken off before the frame is
        // measured, so no room is made for the bar and none is drawn.
        const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
        if (style & WS_VSCROLL) SetWindowLongPtrW(hwnd, GWL_STYLE, style & ~WS_VSCROLL);
        break;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, ListProc, kListSubclassId);
        break;
    default:
        if (MovesScrollState(msg)) {
            LRESULT result = DefSubclassProc(hwnd, msg, wParam, lParam);
            SendMessageW(bar, kScrollBarSyncMessage, 0, 0);
            return result;
        }
        break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

}  // namespace

HWND SkinnedListScrollBar(HWND list) {
    DWORD_PTR ref = 0;
    if (!list || !FindSubclass(list, ListProc, kListSubclassId, &ref)) return nullptr;
    HWND bar = reinterpret_cast<HWND>(ref);
    return IsWindow(bar) ? bar : nullptr;
}

bool MakeSkinnedList(HWND list, HINSTANCE resources, COLORREF textColour) {
    HWND parent = list ? GetParent(list) : nullptr;
    if (!parent) return false;
    if (SkinnedListScrollBar(list)) return true;

    // 1. The list's own bars stay out of the way: flat and disabled.
    InitializeFlatScrollBars(list);

    // 2. Narrower list, own bar in the freed strip (page client coordinates).
    RECT r{};
    GetWindowRect(list, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(list, nullptr, 0, 0, r.right - r.left - kListNarrower, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT barRect{r.right - kListNarrower, r.top + kHeaderClearance, r.right - kBarRightGap,
                 r.bottom};
    if (barRect.bottom < barRect.top) barRect.bottom = barRect.top;
    HWND bar = ListScrollBar::Create(parent, barRect, list, resources);
    if (!bar) return false;

    // 3. Linked; text in colour 0 straight on the list's background.
    if (!SetWindowSubclass(list, ListProc, kListSubclassId, reinterpret_cast<DWORD_PTR>(bar))) {
        DestroyWindow(bar);
        return false;
    }
    SetWindowPos(list, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ListView_SetTextColor(list, textColour);
    ListView_SetTextBkColor(list, CLR_NONE);
    ListScrollBar::FromWindow(bar)->Sync();
    return true;
}

}  // namespace ui
