// Voice calls without windows: the call states, the page's buttons, keypad, volume and card events,
// and the number field's completion from the phone book.
//
// How it works: the call page (DlgCall) turns its window messages into calls on CallCore and
// implements the two small interfaces below: VoiceModem runs the module's voice entries inside the
// fault guard, CallPageHost performs the window operations. Everything runs on the window thread:
// the main window already carries the module's events there. The flags stay atomics because the
// busy checks of other pages and their workers read them.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace phonebook {
class PhoneBookTable;
}

namespace voice {

// ---- Outside world -------------------------------------------------------------------------

// The module's voice entry points, results as the module gives them. The window side returns the
// failure value on a fault or an unbound entry: -1 for every entry.
class VoiceModem {
public:
    virtual ~VoiceModem() = default;
    virtual int32_t Call(const std::string& ansiNumber) = 0;  // mdmVoiceCall
    virtual int32_t Accept() = 0;                             // mdmVoiceCallAccept
    virtual void Shutdown() = 0;                              // mdmVoiceShutdown
    virtual int32_t SendDtmf(char key) = 0;                   // mdmVoiceSendDtmf
    virtual int32_t SetVolume(int32_t level) = 0;             // mdmVoiceSetVol
    virtual int32_t GetVolume() = 0;                          // mdmVoiceGetVol
    virtual int32_t GetMaxVolume() = 0;                       // mdmVoiceGetMaxVol
};

// What the core does to the call page and the main window.
class CallPageHost {
public:
    virtual ~CallPageHost() = default;
    // The main window's busy checks (with report: the refusal goes to the status line).
    virtual bool IsNetConnected(bool report) = 0;
    virtual bool IsDialBusy(bool report) = 0;
    virtual bool IsSmsSending(bool report) = 0;
    virtual bool IsPortBusy(bool report) = 0;
    // The status line: kind 1 message, 2 sticky, 3 result.
    virtual void Status(int kind, int stringId) = 0;
    virtual void ShowCallPage() = 0;
    virtual void RestoreMainWindow() = 0;
    // The internet page's dial/hang-up button: takes a data connection down.
    virtual void HangUpDataConnection() = 0;
    // The incoming-call popup with the ring looped: the phone-book name (may be empty) and number.
    virtual void AnnounceRing(const std::string& ansiName, const std::string& ansiNumber) = 0;
    // Stops any sound being played (the ring).
    virtual void StopRing() = 0;
    virtual void PlayKeyClick() = 0;
    // The call button's ringing look (true) or idle look, redrawn at once.
    virtual void SetRingingLook(bool ringing) = 0;
    virtual void EnableCallButton(bool enable) = 0;
    virtual void SetNumber(const std::string& ansiNumber) = 0;
    // The keypad's character typed into the number field at its caret (backspace deletes).
    virtual void TypeIntoNumber(char key) = 0;
    // The volume slider: its range 0..maximum, and its position.
    virtual void SetVolumeRange(int maximum) = 0;
    virtual void SetVolumePosition(int position) = 0;
    // The unanswered-call timer: started (or restarted) with this period, or stopped.
    virtual void StartRingTimer(uint32_t periodMs) = 0;
    virtual void StopRingTimer() = 0;
};

// Process-wide flags the call page sets: voice busy (behind IsCallBusy), port busy (while
// answering), and the call records page's reload flag.
struct CallFlags {
    std::atomic<bool>& callBusy;
    std::atomic<bool>& portBusy;
    std::atomic<bool>& recordsReload;
};

// ---- Constants -----------------------------------------------------------------------------

constexpr uint32_t kRingTimeoutMs = 30000;  // an incoming call nobody ends is hung up after this
constexpr std::size_t kKeypadLimit = 16;    // keypad entry stops at this many characters
constexpr char kBackspace = '\b';
constexpr int kMaxVolumeLevel = 100;  // a module's maximum beyond this is not believed

// Voice events of the card's event callback.
constexpr int kEventRing = 1;
constexpr int kEventConnected = 2;
constexpr int kEventRemoteHangup = 3;
constexpr int kEventLost = 4;

enum class CallState { Idle, Dialling, Ringing, Answered, Connected };

// The state the visible facts describe: the ringing flag, the voice-busy flag, the call button
// enabled and its ringing look (an answered call keeps it until the call ends).
CallState StateOf(bool ringing, bool callBusy, bool callButtonEnabled, bool ringingLook);

// Status string of a failed mdmVoiceCall result.
int CallFailureString(int32_t result);

// ---- The number field ----------------------------------------------------------------------

enum class NumberChar {
    Completing,  // '0'..'9', '*', '#', '+': may complete from the phone book
    Plain,       // ',' and backspace: the edit control handles them as usual
    Refused,     // anything else
};
NumberChar ClassifyNumberChar(wchar_t c);

// A key the card can send as a tone during a call: '0'..'9', '*', '#'.
bool IsDtmfKey(char key);

// The part of the number being typed: `before` (the text before the insertion point) with `key`
// appended, only what follows its last ','.
std::string CompletionPrefix(std::string_view before, char key);

// The rest of the first phone-book number (slots 0..200 in order) that begins with the prefix,
// to be inserted after the typed key and selected; nullopt when no number begins with it.
std::optional<std::string> CompleteNumber(const phonebook::PhoneBookTable& book,
                                          std::string_view before, char key);

// ---- The call page's decisions -------------------------------------------------------------

class CallCore {
public:
    CallCore(VoiceModem& modem, CallPageHost& host, const CallFlags& flags,
             const phonebook::PhoneBookTable& book);

    // Page start: the slider's range from the card's maximum; the card's volume, when it tells
    // it, becomes the slider position and the remembered volume.
    void Start();

    // The call/answer button, with the number field's text: answers a ringing call, otherwise
    // places a call after the busy checks. An empty number does nothing.
    void OnCallButton(const std::string& ansiNumber);
    // A call asked for by another page (call back, phone book): the number goes into the field
    // and is called. Refused while a call rings: the button would answer that call instead.
    bool CallNumber(const std::string& ansiNumber);
    // The hang-up button.
    void OnHangUp();
    // The unanswered-call timer fired.
    void OnRingTimeout();
    // A keypad key ('0'..'9', '*', '#' or backspace) with the number field's current length.
    void OnKey(char key, std::size_t numberLength);
    // The volume slider let go at this position.
    void OnVolumeReleased(int position);
    // A voice event of the card: 1 ring (with the caller's number), 2 connected, 3 remote hang-up,
    // 4 lost. Other events are ignored.
    void OnEvent(int event, const std::string& ansiNumber);

    CallState State() const;
    bool Ringing() const { return ringing_; }
    int RememberedVolume() const { return volume_; }

private:
    void Answer();
    void PlaceCall(const std::string& ansiNumber);
    void Ring(const std::string& ansiNumber);
    void Connected();
    void Ended(int stringId);
    void SetRingingLook(bool ringing);

    VoiceModem& modem_;
    CallPageHost& host_;
    CallFlags flags_;
    const phonebook::PhoneBookTable& book_;
    bool ringing_ = false;
    bool callButtonEnabled_ = true;
    bool ringingLook_ = false;
    int volume_ = 0;
};

}  // namespace voice
