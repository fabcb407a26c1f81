// Inside simcard.dll: the journal, the last-error text, the card's own worker thread, the card
// state read from simcard.ini and the pieces of the entry points that the control pipe shares.
#pragma once

#include "modem/ModemApi.h"
#include "simcard/SimShared.h"

#include <functional>
#include <string>
#include <type_traits>

// Every entry point, declared from the contract's own function types so a definition that
// differs from the header (arguments, calling convention) does not compile.
#define SIM_DECLARE_ENTRY(name) extern "C" std::remove_pointer_t<PFN_##name> name;
MDM_ENTRY_POINTS(SIM_DECLARE_ENTRY)
SIM_DECLARE_ENTRY(mdmNetDial)
SIM_DECLARE_ENTRY(mdmUimExist)
#undef SIM_DECLARE_ENTRY

namespace sim {

// Starts the module's threads (worker, control pipe) once; called by every entry point.
void EnsureStarted();

// Appends one line (a "\r\n" is added) to the module's log, modem.log beside the DLL.
void LogLine(const std::string& line);
void LogRaw(const std::string& text);
void SetLogFile(const std::string& name);
void ClearLog();

// Last-error text handed out by mdmGetLastErrorDes (static buffer, 271 characters at most).
void SetLastErrorText(const std::string& text);
const char* LastErrorText();

// Arguments of one entry-point call as the journal shows them.
class Args {
public:
    Args& Text(const char* text);
    Args& Int(long long value);
    Args& Ptr(const void* ptr);
    const std::string& Str() const { return text_; }

private:
    void Sep();
    std::string text_;
};

// One entry-point call: starts the module, raises the configured fault, writes the journal line
// "CALL name(args) = result".
class Call {
public:
    Call(const char* name, const Args& args);
    int32_t Ret(int32_t result);
    const char* RetText(const char* result);
    // Result that also leaves a last-error text behind.
    int32_t Fail(int32_t result, const std::string& error);

private:
    const char* name_;
    std::string args_;
};

// The module's worker thread: runs jobs after a delay, in due order. Dial progress, voice events
// and pipe-injected events all reach the program from this thread.
void Post(DWORD delayMs, std::function<void()> job);

// Event callback registered with mdmInitWatch.
void SetWatch(MdmEventCallback callback);
bool HasWatch();
// Calls the event callback (worker thread only). text, when given, goes as the first argument.
void FireEvent(int32_t event, const char* text, int32_t a2, int32_t a3, int32_t a4);
// Queues an event on the worker and waits up to waitMs for the callback to return.
bool DeliverEvent(int32_t event, const std::string& text, bool withText, DWORD waitMs);
// The same with five plain integers, for events the card itself never raises.
bool DeliverRawEvent(const int32_t (&args)[5], DWORD waitMs);
// The same with a first argument the card makes up as it is (a lying card's text pointer).
bool DeliverPointerEvent(int32_t event, intptr_t first, DWORD waitMs);
// A card gone mad: `count` events back to back, cycling through rings and new messages (with a
// number), the call's changes and codes nobody defined; one journal line for all of them.
bool DeliverBurst(int32_t count, DWORD waitMs);

// Card presence and service as simcard.ini says at this moment.
int32_t PresentCode();  // mdmModemExist: 0 present, 1 not ready, 255 no card
bool CardPresent();
bool SimUsable();   // card present, SIM inserted
bool PinPending();  // a PIN is required and not yet given
int32_t Signal();   // 0..31, 99 unknown, -1 no card
int32_t ComPort();

// Records kept in simcard.ini.
bool StoreReceivedSms(const std::string& number, const std::string& text, std::string& why);
void AddCallRecord(int32_t type, const std::string& number, int32_t seconds);

// Data link and voice simulation, also driven by the control pipe.
std::string NetStatusText();
bool DropLink();
void CardRemoved();
std::string VoiceStatusText();
bool RemoteRing(const std::string& number, std::string& why);
bool RemoteAnswer(std::string& why);
bool RemoteEnd(int32_t event, std::string& why);

// The control pipe's server, stepped by the card's thread.
class PipeServer {
public:
    PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;
    // Signalled when a client has connected (nullptr while there is no pipe).
    HANDLE WaitHandle() const;
    // Milliseconds until the next attempt to create the pipe (INFINITE while it has one).
    DWORD Delay() const;
    // Creates the pipe when that is due, and serves a client that has connected.
    void Step();

private:
    void Create();
    void Listen();
    void Close(DWORD pauseMs);

    std::string name_;
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    OVERLAPPED ov_ = {};
    bool connected_ = false;
    ULONGLONG retryAt_ = 0;
};

}  // namespace sim
