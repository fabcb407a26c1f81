// Wait box: text with growing dots, or the splash picture; one box at a time, process-wide.
//
// How the start-up box works: ShowWaitBox starts a thread that creates the box and runs it
// modally, and returns at once (the program goes on loading while the box makes its window);
// whatever later asks the box for something waits until its window exists. The main thread changes its text by a synchronous message to the box's window (so the
// text is only touched on the box's thread) and ends it with a posted WM_CLOSE followed by a wait
// on the box-ended event, after which the box object is deleted.
#include "skin/WaitBox.h"

#include <atomic>
#include <string>

#include "framework/Dialog.h"
#include "framework/Resources.h"
#include "framework/Thread.h"
#include "resources/resource.h"

namespace waitbox {
namespace {

constexpr UINT kMsgSetText = WM_APP + 1;  // lParam: const std::wstring* (sent, never posted)
constexpr wchar_t kStartupAtom[] = L"_ORVANE_";
constexpr int kMaxDots = 6;
constexpr UINT kDotPeriodMs = 300;
// The box's thread runs one small dialog and never calls into the modem module.
constexpr SIZE_T kBoxStackBytes = 256 * 1024;

class WaitBox;

std::atomic<WaitBox*> g_box{nullptr};
std::atomic<int> g_exitMode{kStartupMode};
std::atomic<int> g_dots{0};
std::atomic<HINSTANCE> g_resources{nullptr};

HANDLE BoxEndedEvent() {
    static HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return event;
}

std::wstring WithoutEllipsis(std::wstring text) {
    for (size_t at; (at = text.find(L"...")) != std::wstring::npos;) text.erase(at, 3);
    return text;
}

class WaitBox : public ui::Dialog {
public:
    WaitBox(HINSTANCE resources, int mode)
        : Dialog(resources, IDD_WAITBOX),
          mode_(mode),
          created_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          shown_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~WaitBox() override {
        CloseHandle(created_);
        CloseHandle(shown_);
    }

    void Run() {
        ResetEvent(BoxEndedEvent());
        if (DoModal(nullptr) == -1) SetEvent(created_);  // no window: nobody waits for it
        SetEvent(shown_);
        SetEvent(BoxEndedEvent());
    }
    // Waits until the box has either made its window or failed to; true when the window exists.
    bool WaitCreated() { return WaitForSingleObject(created_, INFINITE) == WAIT_OBJECT_0 && Hwnd(); }
    // Waits until the dialog loop has shown the box for the first time (it shows a box still
    // hidden then once it is idle, so hiding it earlier would not last).
    bool WaitShown() { return WaitForSingleObject(shown_, INFINITE) == WAIT_OBJECT_0 && Hwnd(); }

    std::atomic<bool> closeAsked{false};

protected:
    BOOL OnInitDialog() override {
        HINSTANCE res = Resources();
        std::wstring text;
        if (mode_ != kStartupMode) {
            text = res::LoadStr(res, IDS_EXITING);
        } else {
            text = res::LoadStr(res, IDS_INITIALIZING);
            if (!GlobalFindAtomW(kStartupAtom)) GlobalAddAtomW(kStartupAtom);
        }
        SetItemText(IDC_WAIT_TEXT, text);

        if (IsPictureMode(res, mode_)) {
            picture_ = static_cast<HBITMAP>(LoadImageW(res, MAKEINTRESOURCEW(IDB_WAIT_PICTURE),
                                                       IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
            ShowItem(IDC_WAIT_ICON, false);
            ShowItem(IDC_WAIT_TEXT, false);
            BITMAP info{};
            if (picture_ && GetObjectW(picture_, sizeof info, &info)) {
                int x = (GetSystemMetrics(SM_CXSCREEN) - info.bmWidth) / 2;
                int y = (GetSystemMetrics(SM_CYSCREEN) - info.bmHeight) / 2;
                SetWindowPos(Hwnd(), HWND_TOPMOST, x, y, info.bmWidth, info.bmHeight, 0);
            }
        } else {
            baseText_ = WithoutEllipsis(ItemText(IDC_WAIT_TEXT));
            SetTimer(Hwnd(), TIMER_WAIT_DOTS, kDotPeriodMs, nullptr);
            SetWindowPos(Hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
        SetEvent(created_);
        return TRUE;
    }

    bool OnCommand(int, int) override { return true; }  // Enter and Esc never close the box

    void OnTimer(UINT_PTR id) override {
        if (id != TIMER_WAIT_DOTS) return;
        int dots = g_dots + 1;
        if (dots > kMaxDots) dots = 1;
        g_dots = dots;
        SetItemText(IDC_WAIT_TEXT, baseText_ + L" " + std::wstring(static_cast<size_t>(dots), L'.'));
    }

    void OnDestroy() override {
        // The start-up is over once the box goes, whoever waits for its end.
        if (mode_ == kStartupMode)
            if (ATOM atom = GlobalFindAtomW(kStartupAtom)) GlobalDeleteAtom(atom);
        KillTimer(Hwnd(), TIMER_WAIT_DOTS);
        if (picture_) DeleteObject(picture_);
        picture_ = nullptr;
    }

    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override {
        switch (msg) {
        case WM_CLOSE:
            End(0);
            result = 0;
            return true;
        case kMsgSetText: {
            const auto* text = reinterpret_cast<const std::wstring*>(lParam);
            baseText_ = *text;
            SetItemText(IDC_WAIT_TEXT, baseText_);
            result = 0;
            return true;
        }
        case WM_SHOWWINDOW:
            if (wParam) SetEvent(shown_);
            return false;
        case WM_PAINT:
            if (!picture_) return false;
            PaintPicture();
            result = 0;
            return true;
        default:
            return false;
        }
    }

private:
    void PaintPicture() {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(Hwnd(), &paint);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, picture_);
        RECT client;
        GetClientRect(Hwnd(), &client);
        BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
        EndPaint(Hwnd(), &paint);
    }

    int mode_;
    HANDLE created_;
    HANDLE shown_;
    HBITMAP picture_ = nullptr;
    std::wstring baseText_;
};

}  // namespace

bool IsPictureMode(HINSTANCE resources, int mode) {
    return mode == kStartupMode && res::LoadStrInt(resources, IDS_WAIT_PICTURE_MODE) == 1;
}

void ShowWaitBox(HINSTANCE resources, int mode) {
    g_exitMode = mode;
    g_resources = resources;
    auto* box = new WaitBox(resources, mode);
    g_box = box;
    if (mode != kStartupMode) {
        box->Run();
        return;
    }
    if (!thread::StartDetached([box] { box->Run(); }, kBoxStackBytes)) {
        g_box = nullptr;
        delete box;
    }
}

void SetWaitText(UINT stringId) {
    HINSTANCE resources = g_resources;
    if (res::LoadStrInt(resources, IDS_WAIT_PICTURE_MODE) == 1) return;
    WaitBox* box = g_box;
    if (!box || !box->WaitCreated() || !GetDlgItem(box->Hwnd(), IDC_WAIT_TEXT)) return;
    std::wstring text = WithoutEllipsis(res::LoadStr(resources, stringId));
    SendMessageW(box->Hwnd(), kMsgSetText, 0, reinterpret_cast<LPARAM>(&text));
}

void EndWaitBox() {
    WaitBox* box = g_box;
    if (box && box->WaitCreated() && !box->closeAsked.exchange(true))
        PostMessageW(box->Hwnd(), WM_CLOSE, 0, 0);
}

void CloseWaitBox() {
    WaitBox* box = g_box;
    if (!box) return;
    EndWaitBox();
    WaitForSingleObject(BoxEndedEvent(), INFINITE);
    g_box = nullptr;
    delete box;
    if (ATOM atom = GlobalFindAtomW(kStartupAtom)) GlobalDeleteAtom(atom);
}

void SetWaitBoxVisible(bool visible) {
    WaitBox* box = g_box;
    if (!box || !box->WaitShown()) return;
    SetWindowPos(box->Hwnd(), visible ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(box->Hwnd(), visible ? SW_SHOW : SW_HIDE);
}

HWND CurrentWaitBoxWindow() {
    WaitBox* box = g_box;
    return box ? box->Hwnd() : nullptr;
}

}  // namespace waitbox
