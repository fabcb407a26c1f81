// Skinned notification popup that slides out of the taskbar edge, shows a text and slides back.
#pragma once

#include <windows.h>

#include <string>

#include "skin/NotifierCore.h"

namespace ui {

// The animation decisions live in notifier::NotifierCore; this class owns the window and the GDI
// objects and executes what the core decides.
class CTaskbarNotifier {
public:
    // Style bits of SetFonts.
    enum FontStyle { kBold = 1, kItalic = 2, kUnderline = 4 };

    CTaskbarNotifier();
    ~CTaskbarNotifier();
    CTaskbarNotifier(const CTaskbarNotifier&) = delete;
    CTaskbarNotifier& operator=(const CTaskbarNotifier&) = delete;

    // Registers the window class (once per process) and creates the hidden popup owned by owner.
    bool CreatePopup(HWND owner);
    // Destroys the window and releases every GDI object; also done by the destructor.
    void Destroy();

    // Skin bitmap from a resource module, or from a .bmp file. Its size becomes the popup size.
    // With red, green and blue all other than -1, pixels of that colour are cut out of the window.
    // A bitmap that cannot be loaded leaves the popup without skin and gives false.
    bool LoadSkin(HINSTANCE module, UINT bitmapId, int red = -1, int green = -1, int blue = -1);
    bool LoadSkin(const std::wstring& path, int red = -1, int green = -1, int blue = -1);

    // Size in tenths of a point; styles are FontStyle bits for the normal and the hover look.
    bool SetFonts(const std::wstring& face, int tenthsOfPoint, int normalStyle, int hoverStyle);
    void SetColours(COLORREF normal, COLORREF hover);
    void SetTextArea(const RECT& area);

    // Shows the text: slides out when hidden, otherwise stays up with the new text.
    void Popup(const std::wstring& text, DWORD timeToShow, DWORD timeToStay, DWORD timeToHide);
    // Stops the animation at once and hides the popup.
    void HidePopup();

    HWND Hwnd() const { return hwnd_; }
    int State() const { return core_.CurrentState(); }
    const std::wstring& Text() const { return core_.Text(); }
    SIZE SkinSize() const { return {skinWidth_, skinHeight_}; }
    bool Hovering() const { return hover_; }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    void Execute(const notifier::Actions& actions);
    void Paint();
    bool AdoptSkin(HBITMAP bitmap, int red, int green, int blue);
    void ReleaseSkin();
    void ApplyRegion();

    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    HBITMAP skin_ = nullptr;
    int skinWidth_ = 0;
    int skinHeight_ = 0;
    HRGN region_ = nullptr;  // ours until the window takes it over
    bool regionPending_ = false;
    RECT textArea_{0, 0, 0, 0};
    HFONT normalFont_ = nullptr;
    HFONT hoverFont_ = nullptr;
    COLORREF normalColour_ = RGB(0x85, 0x92, 0xB5);
    COLORREF hoverColour_ = RGB(0x0A, 0x24, 0x6A);
    bool hover_ = false;
    HCURSOR hand_ = nullptr;
    notifier::NotifierCore core_;
};

}  // namespace ui
