// Dialog framework: binds a C++ object to a dialog created from a template of a resource module.
//
// How it works: `this` travels as the creation parameter; the dialog procedure stores it in
// DWLP_USER at WM_INITDIALOG, ignores whatever arrives before that, clears it when the window is
// destroyed, and forwards every message to the virtual handlers below.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

class Dialog {
public:
    Dialog(HINSTANCE resources, UINT templateId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; returns the value given to EndDialog, or -1 when it cannot be made.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog modelessly (a child page when the template has WS_CHILD).
    HWND Create(HWND parent);
    void Destroy();

    HWND Hwnd() const { return hwnd_; }
    HINSTANCE Resources() const { return resources_; }
    UINT TemplateId() const { return templateId_; }
    bool IsModal() const { return modal_; }
    void End(INT_PTR result);

    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }
    std::wstring ItemText(int id) const;
    void SetItemText(int id, const std::wstring& text) const;
    void ShowItem(int id, bool show) const;
    void EnableItem(int id, bool enable) const;

protected:
    // Return value as for WM_INITDIALOG (TRUE: let the system set the focus).
    virtual BOOL OnInitDialog() { return TRUE; }
    // Return true when the command was handled. The default ends a modal dialog on IDOK/IDCANCEL.
    virtual bool OnCommand(int id, int code);
    virtual INT_PTR OnNotify(NMHDR* /*header*/) { return 0; }
    virtual void OnTimer(UINT_PTR /*id*/) {}
    virtual void OnDestroy() {}
    // First look at every message; return true with `result` set to stop further handling.
    virtual bool OnMessage(UINT /*msg*/, WPARAM /*wParam*/, LPARAM /*lParam*/, INT_PTR& /*result*/) {
        return false;
    }

private:
    static INT_PTR CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    HINSTANCE resources_;
    UINT templateId_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
};

}  // namespace ui
