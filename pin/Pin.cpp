// Pin.exe: asks for the SIM PIN, verifies it through the configured modem module and, on success,
// leaves the global atom "_VERIFY_PIN_" for the main program. Cancel leaves no atom.
#include <windows.h>

#include <string>

#include "framework/Dialog.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "pin/PinResource.h"

namespace {

constexpr wchar_t kVerifiedAtom[] = L"_VERIFY_PIN_";
constexpr int kMaxPinLength = 8;
constexpr int kMinPinLength = 4;

class PinDialog : public ui::Dialog {
public:
    PinDialog() : Dialog(GetModuleHandleW(nullptr), IDD_PIN_ENTRY) {}

protected:
    BOOL OnInitDialog() override {
        SendDlgItemMessageW(Hwnd(), IDC_PIN_EDIT, EM_LIMITTEXT, kMaxPinLength, 0);
        ShowRetries(L"");
        SetForegroundWindow(Hwnd());
        return TRUE;
    }

    bool OnCommand(int id, int code) override {
        if (id != IDOK) return Dialog::OnCommand(id, code);
        std::string pin = win::WideToAnsi(ItemText(IDC_PIN_EDIT));
        if (pin.size() < kMinPinLength) {
            ShowRetries(L"PIN码为4到8位数字 (4 to 8 digits).");
            return true;
        }
        if (MDM_CALL_GUARDED(mdmPinVerify, int32_t{-1}, pin.c_str()) == 0) {
            if (!GlobalFindAtomW(kVerifiedAtom)) GlobalAddAtomW(kVerifiedAtom);
            End(IDOK);
            return true;
        }
        SetItemText(IDC_PIN_EDIT, L"");
        ShowRetries(L"PIN码错误 (Wrong PIN).");
        return true;
    }

private:
    void ShowRetries(const std::wstring& lead) {
        int32_t required = 0, retries = 0, extra = 0;
        std::wstring text = lead;
        if (MDM_CALL_GUARDED(mdmPinGetStatus, int32_t{-1}, &required, &retries, &extra) == 0 &&
            retries > 0)
            text += (text.empty() ? L"" : L" ") + std::wstring(L"剩余次数 (tries left): ") +
                    std::to_wstring(retries);
        SetItemText(IDC_PIN_MESSAGE, text);
    }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    if (std::string(commandLine).find("verify") == std::string::npos) return 2;
    if (modem::LoadModule(win::ExeDirectory()) != modem::LoadResult::kLoaded) return 1;
    PinDialog dialog;
    return dialog.DoModal(nullptr) == IDOK ? 0 : 1;
}
