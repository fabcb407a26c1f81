// Push buttons drawn from bitmaps of the resource module, one image per state, with see-through
// pixels of a transparent colour.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ui {

class Dialog;

// Magenta: the see-through colour of every skin bitmap.
constexpr COLORREF kSkinTransparent = RGB(255, 0, 255);

// How a page describes one button: control id, bitmap ids of the normal, selected (pressed),
// focus and disabled images (0 = none), and whether to draw it transparently (1 on pages).
struct ButtonRow {
    int id;
    UINT normal;
    UINT selected;
    UINT focus;
    UINT disabled;
    int transparent;
};

class BitmapButton {
public:
    enum Image { kNormal, kSelected, kFocus, kDisabled, kImageCount };

    BitmapButton();
    // Lets go of the control (and destroys it when it still exists) and frees the images.
    ~BitmapButton();
    BitmapButton(const BitmapButton&) = delete;
    BitmapButton& operator=(const BitmapButton&) = delete;

    // Transparent drawing leaves pixels of `colour` unpainted; otherwise the image is copied
    // whole. Set before or after loading the images.
    void SetTransparent(bool on, COLORREF colour);
    // Replaces the four images by the bitmaps with these ids (0 = none); false when the normal
    // image is missing. The normal one is loaded now, the others when first drawn.
    bool LoadImages(HINSTANCE resources, UINT normal, UINT selected, UINT focus, UINT disabled);
    // Takes over a button control of a dialog: subclasses it, makes it owner-drawn (the dialog's
    // WM_DRAWITEM for it is answered here) and sizes it to the normal image.
    bool Attach(HWND button);

    // With hover tracking the button lights up (its selected image) while the pointer rests on it.
    void SetHoverTracking(bool on) { hoverTracking_ = on; }
    bool HoverTracking() const { return hoverTracking_; }
    bool PointerOutside() const { return pointerOutside_; }

    HWND Hwnd() const { return hwnd_; }
    // The image drawn for an owner-draw item state (ODS_*): selected, else focus, else disabled
    // when the state has it and the image exists; else normal.
    Image ImageFor(UINT itemState) const;
    HBITMAP Bitmap(Image image) const { return Picture(image).bitmap; }
    // Draws the image for the state with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y, UINT itemState) const;

    // The bitmap button attached to a control, or nullptr.
    static BitmapButton* FromWindow(HWND button);
    // Objects alive in the process (for tests of the control list).
    static int LiveCount();

private:
    struct ImageSlot {
        HBITMAP bitmap = nullptr;
        HBITMAP mask = nullptr;  // 1 where the pixel is painted
        SIZE size{0, 0};
        bool tried = false;  // loaded, or found missing
    };
    // A state's picture, loaded at its first use.
    const ImageSlot& Picture(Image image) const;

    static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR refData);
    static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR refData);
    void BuildMasks();
    void FreeImages();
    void Detach();
    void Redraw() const;

    mutable ImageSlot images_[kImageCount];
    HINSTANCE resources_ = nullptr;
    UINT ids_[kImageCount] = {};
    HWND hwnd_ = nullptr;
    bool transparent_ = false;
    COLORREF transparentColour_ = kSkinTransparent;
    bool hoverTracking_ = false;
    bool pointerOutside_ = true;
};

// Skins the buttons of a dialog: for each row whose control exists, a bitmap button with the row's
// images, transparent colour magenta, owner-drawn and sized to its normal image, kept in the
// process-wide control list. A control skinned before just takes the new images. Returns how many
// rows found their control.
int CreateBitmapButtons(const ButtonRow* rows, std::size_t count, const Dialog& dialog);
template <std::size_t N>
int CreateBitmapButtons(const ButtonRow (&rows)[N], const Dialog& dialog) {
    return CreateBitmapButtons(rows, N, dialog);
}
// Gives an existing bitmap button new images, redraws it at once and invalidates the dialog.
bool ChangeButtonImages(int id, UINT normal, UINT selected, UINT focus, UINT disabled,
                        const Dialog& dialog);

}  // namespace ui
