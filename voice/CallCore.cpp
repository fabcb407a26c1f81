// The call page's decisions: call states, call and answer, hang-up, keypad, volume, card events,
// and the number field's completion.
#include "voice/CallCore.h"

#include <algorithm>

#include "modem/CardResult.h"
#include "phonebook/PhoneBookTable.h"
#include "resources/resource.h"

namespace voice {
namespace {

// Kinds of the main window's status message.
constexpr int kMessage = 1;
constexpr int kSticky = 2;
constexpr int kResult = 3;

}  // namespace

CallState StateOf(bool ringing, bool callBusy, bool callButtonEnabled, bool ringingLook) {
    if (ringing) return CallState::Ringing;
    if (!callBusy) return CallState::Idle;
    if (!callButtonEnabled) return CallState::Connected;
    return ringingLook ? CallState::Answered : CallState::Dialling;
}

int CallFailureString(int32_t result) { return modem::FailureText(result, IDS_CALL_FAILED); }

NumberChar ClassifyNumberChar(wchar_t c) {
    if ((c >= L'0' && c <= L'9') || c == L'*' || c == L'#' || c == L'+')
        return NumberChar::Completing;
    if (c == L',' || c == L'\b') return NumberChar::Plain;
    return NumberChar::Refused;
}

bool IsDtmfKey(char key) {
    return (key >= '0' && key <= '9') || key == '*' || key == '#';
}

std::string CompletionPrefix(std::string_view before, char key) {
    std::string prefix(before);
    prefix += key;
    const std::size_t comma = prefix.rfind(',');
    return comma == std::string::npos ? prefix : prefix.substr(comma + 1);
}

std::optional<std::string> CompleteNumber(const phonebook::PhoneBookTable& book,
                                          std::string_view before, char key) {
    const std::string prefix = CompletionPrefix(before, key);
    if (prefix.empty()) return std::nullopt;
    const PhoneBookRecord* slot = book.FirstNumberStartingWith(prefix);
    if (!slot) return std::nullopt;
    return phonebook::FieldText(slot->number).substr(prefix.size());
}

// ---- CallCore -------------------------------------------------------------------------------

CallCore::CallCore(VoiceModem& modem, CallPageHost& host, const CallFlags& flags,
                   const phonebook::PhoneBookTable& book)
    : modem_(modem), host_(host), flags_(flags), book_(book) {}

void CallCore::Start() {
    const int maximum = std::clamp<int32_t>(modem_.GetMaxVolume(), 0, kMaxVolumeLevel);
    host_.SetVolumeRange(maximum);
    const int32_t current = modem_.GetVolume();
    if (current == -1) return;
    // Remembered too, so that a refused change springs back to the card's level, not to 0.
    volume_ = std::clamp<int32_t>(current, 0, maximum);
    host_.SetVolumePosition(volume_);
}

CallState CallCore::State() const {
    return StateOf(ringing_, flags_.callBusy, callButtonEnabled_, ringingLook_);
}

void CallCore::OnCallButton(const std::string& ansiNumber) {
    if (ringing_)
        Answer();
    else
        PlaceCall(ansiNumber);
}

bool CallCore::CallNumber(const std::string& ansiNumber) {
    if (ringing_) {
        host_.Status(kMessage, IDS_BUSY_CALL);
        return false;
    }
    host_.SetNumber(ansiNumber);
    PlaceCall(ansiNumber);
    return true;
}

void CallCore::Answer() {
    ringing_ = false;
    flags_.callBusy = true;
    flags_.portBusy = true;
    if (modem_.Accept() != 0) host_.Status(kMessage, IDS_ANSWER_FAILED);
    flags_.portBusy = false;
    host_.StopRing();
    // The unanswered-call timer keeps running: a call the card never reports connected is
    // hung up when it fires.
}

void CallCore::PlaceCall(const std::string& ansiNumber) {
    if (host_.IsNetConnected(true) || host_.IsDialBusy(true) || host_.IsSmsSending(true) ||
        host_.IsPortBusy(true))
        return;
    if (ansiNumber.empty()) return;
    host_.Status(kSticky, IDS_CALLING);
    flags_.callBusy = true;
    const int32_t result = modem_.Call(ansiNumber);
    // A failed call keeps the voice-busy flag until the user hangs up.
    if (result != 0) host_.Status(kResult, CallFailureString(result));
    flags_.recordsReload = true;
}

void CallCore::OnHangUp() {
    if (host_.IsNetConnected(true)) return;
    modem_.Shutdown();
    // A ring timer left running would otherwise hang up the next call 30 s after this ring.
    host_.StopRingTimer();
    callButtonEnabled_ = true;
    host_.EnableCallButton(true);
    host_.Status(kResult, IDS_CALL_HUNG_UP);
    SetRingingLook(false);
    ringing_ = false;
    flags_.callBusy = false;
    host_.StopRing();
}

void CallCore::OnRingTimeout() {
    host_.StopRingTimer();
    OnHangUp();
}

void CallCore::OnKey(char key, std::size_t numberLength) {
    if (!flags_.callBusy) {
        if (numberLength >= kKeypadLimit && key != kBackspace) return;
        host_.TypeIntoNumber(key);
        host_.PlayKeyClick();
        return;
    }
    if (!IsDtmfKey(key)) return;
    if (modem_.SendDtmf(key) == 0) host_.PlayKeyClick();
}

void CallCore::OnVolumeReleased(int position) {
    if (host_.IsNetConnected(true)) return;
    if (modem_.SetVolume(position) == 0)
        volume_ = position;
    else
        host_.Status(kMessage, IDS_SET_VOLUME_FAILED);
    host_.SetVolumePosition(volume_);
}

void CallCore::OnEvent(int event, const std::string& ansiNumber) {
    switch (event) {
        case kEventRing:
            Ring(ansiNumber);
            flags_.recordsReload = true;
            host_.StartRingTimer(kRingTimeoutMs);
            break;
        case kEventConnected:
            Connected();
            host_.StopRingTimer();
            break;
        case kEventRemoteHangup:
            Ended(IDS_CALL_REMOTE_HANGUP);
            host_.StopRingTimer();
            break;
        case kEventLost:
            Ended(IDS_CALL_LOST);
            host_.StopRingTimer();
            break;
        default:
            break;
    }
}

void CallCore::Ring(const std::string& ansiNumber) {
    if (ringing_) return;
    if (host_.IsNetConnected(false)) host_.HangUpDataConnection();
    host_.RestoreMainWindow();
    host_.ShowCallPage();
    host_.AnnounceRing(book_.LookupName(ansiNumber), ansiNumber);
    host_.SetNumber(ansiNumber);
    SetRingingLook(true);
    ringing_ = true;
    flags_.callBusy = true;
    flags_.recordsReload = true;
}

void CallCore::SetRingingLook(bool ringing) {
    ringingLook_ = ringing;
    host_.SetRingingLook(ringing);
}

void CallCore::Connected() {
    host_.ShowCallPage();
    host_.Status(kSticky, IDS_CALL_CONNECTED);
    callButtonEnabled_ = false;
    host_.EnableCallButton(false);
    flags_.recordsReload = true;
    flags_.callBusy = true;
    // A call connected while it still rang (answered elsewhere): the ring must not go on
    // through the conversation.
    if (ringing_) {
        ringing_ = false;
        host_.StopRing();
    }
}

void CallCore::Ended(int stringId) {
    host_.ShowCallPage();
    host_.Status(kResult, stringId);
    callButtonEnabled_ = true;
    host_.EnableCallButton(true);
    SetRingingLook(false);
    ringing_ = false;
    flags_.callBusy = false;
    host_.StopRing();
    flags_.recordsReload = true;
}

}  // namespace voice
