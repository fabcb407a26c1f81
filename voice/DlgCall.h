// The call page: dial pad, call and answer, DTMF and volume.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "host/MainWindow.h"
#include "resources/resource.h"
#include "skin/Page.h"
#include "voice/CallCore.h"

class DlgCall : public ui::Page, private voice::CallPageHost {
public:
    DlgCall(HINSTANCE resources, host::MainWindow& host);
    ~DlgCall() override;

    // Puts the number into the number field and presses the call button (call back, phone book).
    void CallNumber(const std::string& number);
    // A voice event of the card (ring with the caller's number, connected, remote hang-up, lost).
    void OnVoiceEvent(int event, const std::string& number);

    // The call state, for the main window and tests; Idle before the page exists.
    voice::CallState State() const;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnNotify(NMHDR* header) override;
    void OnTimer(UINT_PTR id) override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void OnDestroy() override;

private:
    // voice::CallPageHost
    bool IsNetConnected(bool report) override { return host_.IsNetConnected(report); }
    bool IsDialBusy(bool report) override { return host_.IsDialBusy(report); }
    bool IsSmsSending(bool report) override { return host_.IsSmsSending(report); }
    bool IsPortBusy(bool report) override { return host_.IsPortBusy(report); }
    void Status(int kind, int stringId) override;
    void ShowCallPage() override { host_.ShowPage(host::PageId::Call); }
    void RestoreMainWindow() override { host_.RestoreWindow(); }
    void HangUpDataConnection() override { host_.PressDialButton(); }
    void AnnounceRing(const std::string& ansiName, const std::string& ansiNumber) override;
    void StopRing() override;
    void PlayKeyClick() override;
    void SetRingingLook(bool ringing) override;
    void EnableCallButton(bool enable) override;
    void SetNumber(const std::string& ansiNumber) override;
    void TypeIntoNumber(char key) override;
    void SetVolumeRange(int maximum) override;
    void SetVolumePosition(int position) override;
    void StartRingTimer(uint32_t periodMs) override;
    void StopRingTimer() override;

    void ApplyButtonLook(bool ringing);
    HBRUSH SliderBrush();
    std::string NumberText() const;
    // The number field's own handling of typed characters: completion from the phone book.
    static LRESULT CALLBACK NumberFieldProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR refData);
    bool OnNumberChar(HWND edit, wchar_t c);

    host::MainWindow& host_;
    std::unique_ptr<voice::VoiceModem> modem_;
    std::unique_ptr<voice::CallCore> core_;
    HWND numberField_ = nullptr;
    HBRUSH sliderBrush_ = nullptr;  // the page background as a brush, for the volume slider
};
