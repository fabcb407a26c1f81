// The call page's window side: skin, keypad and number field, buttons, slider, ring timer, the
// module's voice entries, and the window operations the call core asks for.
#include "voice/DlgCall.h"
#include "framework/TextUtil.h"

#include <commctrl.h>
#include <mmsystem.h>

#include <iterator>

#include "framework/Resources.h"
#include "framework/Win32Text.h"
#include "modem/ModemModule.h"
#include "phonebook/PhoneBookTable.h"
#include "settings/SettingsCore.h"

namespace {

const ui::ButtonRow kButtons[] = {
    {IDC_CALL_KEY_0, IDB_KEY_0, IDB_KEY_0_SEL, 0, 0, 1},
    {IDC_CALL_KEY_1, IDB_KEY_1, IDB_KEY_1_SEL, 0, 0, 1},
    {IDC_CALL_KEY_2, IDB_KEY_2, IDB_KEY_2_SEL, 0, 0, 1},
    {IDC_CALL_KEY_3, IDB_KEY_3, IDB_KEY_3_SEL, 0, 0, 1},
    {IDC_CALL_KEY_4, IDB_KEY_4, IDB_KEY_4_SEL, 0, 0, 1},
    {IDC_CALL_KEY_5, IDB_KEY_5, IDB_KEY_5_SEL, 0, 0, 1},
    {IDC_CALL_KEY_6, IDB_KEY_6, IDB_KEY_6_SEL, 0, 0, 1},
    {IDC_CALL_KEY_7, IDB_KEY_7, IDB_KEY_7_SEL, 0, 0, 1},
    {IDC_CALL_KEY_8, IDB_KEY_8, IDB_KEY_8_SEL, 0, 0, 1},
    {IDC_CALL_KEY_9, IDB_KEY_9, IDB_KEY_9_SEL, 0, 0, 1},
    {IDC_CALL_KEY_STAR, IDB_KEY_STAR, IDB_KEY_STAR_SEL, 0, 0, 1},
    {IDC_CALL_KEY_HASH, IDB_KEY_HASH, IDB_KEY_HASH_SEL, 0, 0, 1},
    {IDC_CALL_DIAL, IDB_CALL_DIAL, IDB_CALL_DIAL_SEL, 0, IDB_CALL_RINGING, 1},
    {IDC_CALL_BACKSPACE, IDB_CALL_BACKSPACE, IDB_CALL_BACKSPACE_SEL, 0, 0, 1},
    {IDC_CALL_RECORDS, IDB_CALL_RECORDS, IDB_CALL_RECORDS_SEL, 0, 0, 1},
    {IDC_CALL_HANGUP, IDB_CALL_HANGUP, IDB_CALL_HANGUP_SEL, 0, 0, 1},
    {IDC_CALL_BACK, IDB_CALL_BACK, IDB_CALL_BACK_SEL, 0, 0, 1},
};

struct Key {
    int id;
    char key;
};

const Key kKeys[] = {
    {IDC_CALL_KEY_1, '1'},
    {IDC_CALL_KEY_2, '2'},
    {IDC_CALL_KEY_3, '3'},
    {IDC_CALL_KEY_4, '4'},
    {IDC_CALL_KEY_5, '5'},
    {IDC_CALL_KEY_6, '6'},
    {IDC_CALL_KEY_7, '7'},
    {IDC_CALL_KEY_8, '8'},
    {IDC_CALL_KEY_9, '9'},
    {IDC_CALL_KEY_STAR, '*'},
    {IDC_CALL_KEY_0, '0'},
    {IDC_CALL_KEY_HASH, '#'},
    {IDC_CALL_BACKSPACE, voice::kBackspace},
};

constexpr UINT_PTR kNumberFieldSubclass = 1;

// The module's voice entries, each inside the fault guard; a fault or a missing entry is a failed
// call (-1).
class ModuleVoice : public voice::VoiceModem {
public:
    int32_t Call(const std::string& ansiNumber) override {
        return MDM_CALL_GUARDED(mdmVoiceCall, int32_t{-1}, ansiNumber.c_str());
    }
    int32_t Accept() override { return MDM_CALL_GUARDED(mdmVoiceCallAccept, int32_t{-1}); }
    void Shutdown() override { MDM_CALL_GUARDED(mdmVoiceShutdown, int32_t{-1}); }
    int32_t SendDtmf(char key) override {
        return MDM_CALL_GUARDED(mdmVoiceSendDtmf, int32_t{-1}, int32_t{key});
    }
    int32_t SetVolume(int32_t level) override {
        return MDM_CALL_GUARDED(mdmVoiceSetVol, int32_t{-1}, level);
    }
    int32_t GetVolume() override { return MDM_CALL_GUARDED(mdmVoiceGetVol, int32_t{-1}); }
    int32_t GetMaxVolume() override { return MDM_CALL_GUARDED(mdmVoiceGetMaxVol, int32_t{-1}); }
};

}  // namespace

DlgCall::DlgCall(HINSTANCE resources, host::MainWindow& host)
    : Page(resources, IDD_CALL), host_(host), modem_(std::make_unique<ModuleVoice>()) {}

DlgCall::~DlgCall() {
    if (sliderBrush_) DeleteObject(sliderBrush_);
}

voice::CallState DlgCall::State() const {
    return core_ ? core_->State() : voice::CallState::Idle;
}

BOOL DlgCall::OnInitDialog() {
    BOOL result = Page::OnInitDialog();
    CreateButtons(kButtons);
    SetTooltipsActive(true);
    // The main window's tables exist by now: the core may hold on to them.
    voice::CallPageHost& page = *this;
    core_ = std::make_unique<voice::CallCore>(
        *modem_, page,
        voice::CallFlags{host_.Flags().callBusy, host_.Flags().portBusy,
                         host_.Reload().callRecords},
        host_.PhoneBook());
    numberField_ = Item(IDC_CALL_NUMBER);
    if (numberField_)
        SetWindowSubclass(numberField_, NumberFieldProc, kNumberFieldSubclass,
                          reinterpret_cast<DWORD_PTR>(this));
    core_->Start();
    return result;
}

void DlgCall::OnDestroy() {
    KillTimer(Hwnd(), TIMER_RING_TIMEOUT);
    if (numberField_) RemoveWindowSubclass(numberField_, NumberFieldProc, kNumberFieldSubclass);
    numberField_ = nullptr;
    core_.reset();
    if (sliderBrush_) DeleteObject(sliderBrush_);
    sliderBrush_ = nullptr;
    Page::OnDestroy();
}

void DlgCall::CallNumber(const std::string& number) {
    if (core_) core_->CallNumber(number);
}

void DlgCall::OnVoiceEvent(int event, const std::string& number) {
    if (core_) core_->OnEvent(event, number);
}

std::string DlgCall::NumberText() const {
    return win::WideToAnsi(ItemText(IDC_CALL_NUMBER));
}

bool DlgCall::OnCommand(int id, int code) {
    for (const Key& key : kKeys) {
        if (key.id != id) continue;
        if (core_)
            core_->OnKey(key.key, static_cast<std::size_t>(GetWindowTextLengthW(numberField_)));
        return true;
    }
    switch (id) {
        case IDC_CALL_DIAL:
            if (core_) core_->OnCallButton(NumberText());
            return true;
        case IDC_CALL_HANGUP:
            if (core_) core_->OnHangUp();
            return true;
        case IDC_CALL_RECORDS:
            host_.ShowPage(host::PageId::CallRecords);
            return true;
        case IDC_CALL_BACK:
            host_.ShowPage(host::PageId::Home);
            return true;
        default:
            return Page::OnCommand(id, code);
    }
}

INT_PTR DlgCall::OnNotify(NMHDR* header) {
    if (header->idFrom == IDC_CALL_VOLUME &&
        header->code == static_cast<UINT>(NM_RELEASEDCAPTURE) && core_)
        core_->OnVolumeReleased(
            static_cast<int>(SendMessageW(Item(IDC_CALL_VOLUME), TBM_GETPOS, 0, 0)));
    return 0;
}

void DlgCall::OnTimer(UINT_PTR id) {
    if (id == TIMER_RING_TIMEOUT && core_) core_->OnRingTimeout();
}

bool DlgCall::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (msg) {
        case WM_APP_BUTTON_LOOK:
            ApplyButtonLook(wParam != 0);
            result = 0;
            return true;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == Item(IDC_CALL_VOLUME) && SliderBrush()) {
                // The slider's background is the page's own picture behind it.
                RECT at{};
                GetWindowRect(reinterpret_cast<HWND>(lParam), &at);
                MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&at), 2);
                SetBrushOrgEx(reinterpret_cast<HDC>(wParam), -at.left, -at.top, nullptr);
                result = reinterpret_cast<INT_PTR>(sliderBrush_);
                return true;
            }
            return Page::OnMessage(msg, wParam, lParam, result);
        case WM_SHOWWINDOW:
            // Typing goes to the number field when the page comes up in the active main window
            // (setting the focus would otherwise activate a window the user is not working in).
            if (wParam && numberField_ && GetActiveWindow() == GetAncestor(Hwnd(), GA_ROOT))
                SetFocus(numberField_);
            return Page::OnMessage(msg, wParam, lParam, result);
        default:
            return Page::OnMessage(msg, wParam, lParam, result);
    }
}

HBRUSH DlgCall::SliderBrush() {
    if (!sliderBrush_ && Background()) sliderBrush_ = CreatePatternBrush(Background());
    return sliderBrush_;
}

void DlgCall::ApplyButtonLook(bool ringing) {
    if (ringing)
        ChangeButtonImages(IDC_CALL_DIAL, IDB_CALL_RINGING, IDB_CALL_DIAL, 0, 0);
    else
        ChangeButtonImages(IDC_CALL_DIAL, IDB_CALL_DIAL, IDB_CALL_DIAL_SEL, 0, IDB_CALL_RINGING);
    if (HWND button = Item(IDC_CALL_DIAL))
        RedrawWindow(button, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_UPDATENOW);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

// ---- The number field ----------------------------------------------------------------------

LRESULT CALLBACK DlgCall::NumberFieldProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR refData) {
    if (msg == WM_CHAR &&
        reinterpret_cast<DlgCall*>(refData)->OnNumberChar(edit, static_cast<wchar_t>(wParam)))
        return 0;
    return DefSubclassProc(edit, msg, wParam, lParam);
}

// True when the character was dealt with here (completed or refused); false lets the edit
// control handle it.
bool DlgCall::OnNumberChar(HWND edit, wchar_t c) {
    switch (voice::ClassifyNumberChar(c)) {
        case voice::NumberChar::Refused:
            return true;
        case voice::NumberChar::Plain:
            return false;
        case voice::NumberChar::Completing:
            break;
    }
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    start = std::min<DWORD>(start, static_cast<DWORD>(text.size()));
    end = std::min<DWORD>(std::max(start, end), static_cast<DWORD>(text.size()));
    const std::wstring before = text.substr(0, start);
    const char key = static_cast<char>(c);
    const std::optional<std::string> rest =
        voice::CompleteNumber(host_.PhoneBook(), win::WideToAnsi(before), key);
    if (!rest) return false;
    const std::wstring completion = win::AnsiToWide(*rest);
    const std::wstring completed = before + c + completion + text.substr(end);
    SetWindowTextW(edit, completed.c_str());
    const auto from = static_cast<WPARAM>(before.size() + 1);
    SendMessageW(edit, EM_SETSEL, from, static_cast<LPARAM>(from + completion.size()));
    return true;
}

// ---- Window operations for the call core ---------------------------------------------------

void DlgCall::Status(int kind, int stringId) {
    host_.PostStatus(static_cast<host::StatusKind>(kind), static_cast<UINT>(stringId));
}

void DlgCall::AnnounceRing(const std::string& ansiName, const std::string& ansiNumber) {
    const std::wstring text =
        text::FillPlaceholders(res::LoadStr(Resources(), IDS_INCOMING_CALL_FMT),
                         {win::AnsiToWide(ansiName), win::AnsiToWide(ansiNumber)});
    const std::wstring ring = win::AnsiToWide(host_.Settings().Snapshot()->RING_WAVE);
    if (!ring.empty() && win::FileExists(ring))
        host_.NotifyWithSoundFile(text, ring, true);
    else
        host_.Notify(text, IDW_RING, true);
}

void DlgCall::StopRing() {
    sndPlaySoundW(nullptr, SND_ASYNC | SND_LOOP);
}

void DlgCall::PlayKeyClick() {
    PlaySoundW(MAKEINTRESOURCEW(IDW_KEY_CLICK), Resources(),
               SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

void DlgCall::SetRingingLook(bool ringing) {
    if (HWND hwnd = Hwnd()) PostMessageW(hwnd, WM_APP_BUTTON_LOOK, ringing ? 1 : 0, 0);
}

void DlgCall::EnableCallButton(bool enable) {
    EnableItem(IDC_CALL_DIAL, enable);
}

void DlgCall::SetNumber(const std::string& ansiNumber) {
    SetItemText(IDC_CALL_NUMBER, win::AnsiToWide(ansiNumber));
}

void DlgCall::TypeIntoNumber(char key) {
    if (!numberField_) return;
    SetFocus(numberField_);
    SendMessageW(numberField_, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(key)), 0);
}

void DlgCall::SetVolumeRange(int maximum) {
    HWND slider = Item(IDC_CALL_VOLUME);
    SendMessageW(slider, TBM_SETRANGE, FALSE, MAKELPARAM(0, maximum));
    SendMessageW(slider, TBM_SETTICFREQ, 1, 0);
}

void DlgCall::SetVolumePosition(int position) {
    SendMessageW(Item(IDC_CALL_VOLUME), TBM_SETPOS, TRUE, position);
}

void DlgCall::StartRingTimer(uint32_t periodMs) {
    SetTimer(Hwnd(), TIMER_RING_TIMEOUT, periodMs, nullptr);
}

void DlgCall::StopRingTimer() {
    KillTimer(Hwnd(), TIMER_RING_TIMEOUT);
}
