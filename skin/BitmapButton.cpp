// Bitmap buttons: owner-drawn push buttons showing one resource bitmap per state.
#include "skin/BitmapButton.h"

#include <commctrl.h>

#include <atomic>
#include <memory>

#include "framework/Dialog.h"
#include "skin/BitmapRegion.h"
#include "skin/ControlList.h"
#include "skin/ComctlLookup.h"

namespace ui {
namespace {

constexpr UINT_PTR kButtonSubclassId = 0x4242;  // "BB" on the button itself
constexpr UINT_PTR kParentSubclassId = 0x4244;  // answers the dialog's WM_DRAWITEM for it
constexpr DWORD kHoverTimeMs = 1;
constexpr DWORD kDestinationRop = 0x00AA0029;  // D: leave the destination as it is

std::atomic<int> g_live{0};

// A monochrome bitmap with a 1 for every pixel that differs from the key: the MaskBlt mask that
// paints exactly the non-transparent pixels.
HBITMAP MakeMask(HBITMAP bitmap, uint32_t key) {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    if (!ReadBitmapPixels(bitmap, pixels, width, height)) return nullptr;
    const size_t stride = ((static_cast<size_t>(width) + 15) / 16) * 2;  // rows are WORD-aligned
    std::vector<BYTE> bits(stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = &pixels[static_cast<size_t>(y) * width];
        BYTE* out = &bits[static_cast<size_t>(y) * stride];
        for (int x = 0; x < width; ++x)
            if ((row[x] & 0xFFFFFF) != key) out[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
    }
    return CreateBitmap(width, height, 1, 1, bits.data());
}

}  // namespace

BitmapButton::BitmapButton() { ++g_live; }

BitmapButton::~BitmapButton() {
    HWND hwnd = hwnd_;
    Detach();
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
    FreeImages();
    --g_live;
}

int BitmapButton::LiveCount() { return g_live; }

void BitmapButton::SetTransparent(bool on, COLORREF colour) {
    transparent_ = on;
    transparentColour_ = colour;
    BuildMasks();
}

bool BitmapButton::LoadImages(HINSTANCE resources, UINT normal, UINT selected, UINT focus,
                              UINT disabled) {
    FreeImages();
    resources_ = resources;
    ids_[kNormal] = normal;
    ids_[kSelected] = selected;
    ids_[kFocus] = focus;
    ids_[kDisabled] = disabled;
    // The other states' pictures are loaded when first drawn: most buttons are never pressed,
    // and each picture is memory of its own.
    return Picture(kNormal).bitmap != nullptr;
}

const BitmapButton::ImageSlot& BitmapButton::Picture(Image image) const {
    ImageSlot& slot = images_[image];
    if (slot.tried || !ids_[image]) return slot;
    slot.tried = true;
    auto bitmap = static_cast<HBITMAP>(LoadImageW(resources_, MAKEINTRESOURCEW(ids_[image]),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info{};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) {
        if (bitmap) DeleteObject(bitmap);
        return slot;
    }
    slot.bitmap = bitmap;
    slot.size = SIZE{info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
    // Only transparent drawing needs a mask; it is built once here, not at every paint.
    if (transparent_) slot.mask = MakeMask(bitmap, PixelOf(transparentColour_));
    return slot;
}

void BitmapButton::BuildMasks() {
    const uint32_t key = PixelOf(transparentColour_);
    for (ImageSlot& picture : images_) {
        if (picture.mask) DeleteObject(picture.mask);
        picture.mask = nullptr;
        if (transparent_ && picture.bitmap) picture.mask = MakeMask(picture.bitmap, key);
    }
}

void BitmapButton::FreeImages() {
    for (ImageSlot& picture : images_) {
        if (picture.bitmap) DeleteObject(picture.bitmap);
        if (picture.mask) DeleteObject(picture.mask);
        picture = ImageSlot{};
    }
}

bool BitmapButton::Attach(HWND button) {
    if (!button || hwnd_ || FromWindow(button)) return false;
    HWND parent = GetParent(button);
    if (!parent) return false;
    if (!SetWindowSubclass(button, ButtonProc, kButtonSubclassId,
                           reinterpret_cast<DWORD_PTR>(this)))
        return false;
    // Same procedure and id for every button of the dialog: installed once, refreshed after.
    SetWindowSubclass(parent, ParentProc, kParentSubclassId, 0);
    hwnd_ = button;
    pointerOutside_ = true;

    LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
    SetWindowLongPtrW(button, GWL_STYLE,
                      (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
    const SIZE size = Picture(kNormal).size;
    if (Picture(kNormal).bitmap)
        SetWindowPos(button, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(button, nullptr, FALSE);
    return true;
}

void BitmapButton::Detach() {
    if (!hwnd_) return;
    RemoveWindowSubclass(hwnd_, ButtonProc, kButtonSubclassId);
    hwnd_ = nullptr;
}

BitmapButton::Image BitmapButton::ImageFor(UINT itemState) const {
    if ((itemState & ODS_SELECTED) && Picture(kSelected).bitmap) return kSelected;
    if ((itemState & ODS_FOCUS) && Picture(kFocus).bitmap) return kFocus;
    if ((itemState & ODS_DISABLED) && Picture(kDisabled).bitmap) return kDisabled;
    return kNormal;
}

void BitmapButton::Draw(HDC dc, int x, int y, UINT itemState) const {
    const ImageSlot& picture = Picture(ImageFor(itemState));
    if (!picture.bitmap) return;
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, picture.bitmap);
    const int w = picture.size.cx, h = picture.size.cy;
    if (transparent_ && picture.mask) {
        // One pass: where the mask has a 1 the image is copied, elsewhere the background stays.
        MaskBlt(dc, x, y, w, h, memory, 0, 0, picture.mask, 0, 0,
                MAKEROP4(SRCCOPY, kDestinationRop));
    } else {
        BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
    }
    SelectObject(memory, old);
    DeleteDC(memory);
}

void BitmapButton::Redraw() const {
    if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

BitmapButton* BitmapButton::FromWindow(HWND button) {
    DWORD_PTR ref = 0;
    if (!button || !FindSubclass(button, ButtonProc, kButtonSubclassId, &ref)) return nullptr;
    return reinterpret_cast<BitmapButton*>(ref);
}

LRESULT CALLBACK BitmapButton::ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR refData) {
    auto* self = reinterpret_cast<BitmapButton*>(refData);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;  // the dialog background shows through the see-through pixels
    case WM_MOUSEMOVE:
        if (self->hoverTracking_) {
            TRACKMOUSEEVENT track{sizeof(track), TME_HOVER | TME_LEAVE, hwnd, kHoverTimeMs};
            TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSEHOVER:
        if (self->pointerOutside_) {
            SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
            self->Redraw();
            self->pointerOutside_ = false;
        }
        break;
    case WM_MOUSELEAVE:
        if (!self->pointerOutside_) {
            SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
            self->Redraw();
            self->pointerOutside_ = true;
        }
        break;
    case WM_NCDESTROY:
        // The window goes; its pictures are of no further use. The list entry stays until the
        // list drops it.
        self->Detach();
        self->FreeImages();
        break;
    default:
        break;
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK BitmapButton::ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR) {
    if (msg == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType == ODT_BUTTON) {
            if (BitmapButton* button = FromWindow(item->hwndItem)) {
                button->Draw(item->hDC, item->rcItem.left, item->rcItem.top, item->itemState);
                return TRUE;
            }
        }
    } else if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, ParentProc, kParentSubclassId);
    }
    return DefSubclassProc(hwnd, msg, wParam, lParam);
}

int CreateBitmapButtons(const ButtonRow* rows, std::size_t count, const Dialog& dialog) {
    if (!rows || !dialog.Hwnd()) return 0;
    int found = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const ButtonRow& row = rows[i];
        HWND control = GetDlgItem(dialog.Hwnd(), row.id);
        if (!control) continue;
        if (BitmapButton* existing = BitmapButton::FromWindow(control)) {
            existing->SetTransparent(row.transparent != 0, kSkinTransparent);
            existing->LoadImages(dialog.Resources(), row.normal, row.selected, row.focus,
                                 row.disabled);
            InvalidateRect(control, nullptr, FALSE);
            ++found;
            continue;
        }
        auto button = std::make_unique<BitmapButton>();
        button->SetTransparent(row.transparent != 0, kSkinTransparent);
        button->LoadImages(dialog.Resources(), row.normal, row.selected, row.focus, row.disabled);
        if (!button->Attach(control)) continue;
        RegisterControl(std::move(button));
        ++found;
    }
    return found;
}

bool ChangeButtonImages(int id, UINT normal, UINT selected, UINT focus, UINT disabled,
                        const Dialog& dialog) {
    HWND control = dialog.Hwnd() ? GetDlgItem(dialog.Hwnd(), id) : nullptr;
    BitmapButton* button = BitmapButton::FromWindow(control);
    if (!button) return false;
    button->LoadImages(dialog.Resources(), normal, selected, focus, disabled);
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    InvalidateRect(dialog.Hwnd(), nullptr, TRUE);
    return true;
}

}  // namespace ui
