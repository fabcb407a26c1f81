// The skinned dialog base of the main window and its pages: bitmap background and window shape,
// see-through texts, tooltips from the string table, Enter/Escape kept from closing it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "skin/BitmapButton.h"
#include "skin/SharedBitmap.h"

namespace ui {

// A page derives from CToolTipDialog and, in its own OnInitDialog, first calls
// CToolTipDialog::OnInitDialog(), then describes its look:
//
//     SetBackgroundBitmap(IDB_PAGE_BACKGROUND);
//     SetTransparentColor(kSkinTransparent);
//     CreateButtons(kButtons);                 // static const ButtonRow kButtons[] = {...};
//     MakeSkinnedList(IDC_PB_LIST);
//     SetTooltipsActive(true);                 // where the page shows tips
//
// A page that overrides OnMessage passes every message it does not handle on to
// CToolTipDialog::OnMessage (background, control colours, drag, clean-up live there).
class CToolTipDialog : public Dialog {
public:
    CToolTipDialog(HINSTANCE resources, UINT templateId);
    ~CToolTipDialog() override;

    // Loads the background (owned, the previous one freed), draws it from now on and rebuilds
    // the window shape. A missing bitmap leaves the default background.
    void SetBackgroundBitmap(UINT bitmapId);
    // The same, with a background every dialog of the program that shows this bitmap shares.
    void SetSharedBackgroundBitmap(UINT bitmapId);
    // Window shape from the background's non-transparent pixels (off at construction).
    void SetShapeFromBitmap(bool on);
    void SetTransparentColor(COLORREF colour);
    // Static texts drawn see-through over the background (on at construction).
    void SetTransparentStatics(bool on) { transparentStatics_ = on; }
    // A left press anywhere in the client area moves the window (off at construction).
    void SetDragAnywhere(bool on) { dragAnywhere_ = on; }
    void SetTooltipsActive(bool on);
    // Colours of see-through texts and skinned lists: the normal one, and the one of the texts
    // named by SetHighlightedTexts (the main window's status line and network type).
    void SetTextColours(COLORREF normal, COLORREF highlight) {
        textColour_ = normal;
        highlightColour_ = highlight;
    }
    void SetHighlightedTexts(std::initializer_list<int> controlIds) { highlightIds_ = controlIds; }
    COLORREF TextColour() const { return textColour_; }
    // Sets a see-through text and draws the background under it again first, so the new letters
    // do not land on the old ones.
    void SetSeeThroughText(int id, const std::wstring& text) const;

    // Skins the page's buttons (see CreateBitmapButtons) and changes one button's images.
    int CreateButtons(const ButtonRow* rows, std::size_t count) {
        return CreateBitmapButtons(rows, count, *this);
    }
    template <std::size_t N>
    int CreateButtons(const ButtonRow (&rows)[N]) {
        return CreateBitmapButtons(rows, N, *this);
    }
    bool ChangeButtonImages(int id, UINT normal, UINT selected, UINT focus, UINT disabled) {
        return ui::ChangeButtonImages(id, normal, selected, focus, disabled, *this);
    }
    // Turns the list view control into the skinned list (see MakeSkinnedList).
    bool MakeSkinnedList(int listId);

    // The tooltip control, made at its first use: the first mouse message while tips are active.
    HWND ToolTip();
    bool TooltipsActive() const { return tooltipsActive_; }
    HBITMAP Background() const { return background_; }
    bool ShapeFromBitmap() const { return shapeFromBitmap_; }
    COLORREF TransparentColor() const { return transparentColour_; }

protected:
    // The base's part of dialog start: one tooltip per control whose id is also a string id of the
    // resource module (their control is made at the first use), the message filter. Pages call
    // it first.
    BOOL OnInitDialog() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    // Runs before the dialog handles a message of its own or of a descendant; true swallows it.
    virtual bool PreTranslate(const MSG& msg);

private:
    void UseBackground(HBITMAP bitmap);
    void RebuildShape();
    bool OnControlColour(UINT msg, HDC dc, HWND control, INT_PTR& result);
    void FreeBackground();
    void DestroyToolTip();

    HWND tooltip_ = nullptr;
    std::vector<HWND> tipControls_;  // the controls that get a tip
    bool tooltipsActive_ = false;
    HBITMAP background_ = nullptr;
    bool ownsBackground_ = false;
    std::shared_ptr<const SharedBitmap> sharedBackground_;
    bool shaped_ = false;  // a window region of ours is set
    bool drawBackground_ = false;
    bool shapeFromBitmap_ = false;
    COLORREF transparentColour_ = kSkinTransparent;
    bool transparentStatics_ = true;
    bool dragAnywhere_ = false;
    COLORREF textColour_ = RGB(0, 0, 128);
    COLORREF highlightColour_ = RGB(0, 0, 0);
    std::vector<int> highlightIds_;
};

// Redraws the parent's background under a control (see-through texts leave their old letters
// behind otherwise), at once.
void RepaintBehind(HWND control);

}  // namespace ui
