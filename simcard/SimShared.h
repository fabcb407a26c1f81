// Shared by simcard.dll and simctl.exe: the card folder, simcard.ini access, ANSI text helpers,
// the control pipe client and the device-change broadcast.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace sim {

// Folder of the card (where simcard.dll, simcard.ini and modem.log live), set once at start.
void SetCardFolder(const std::string& folder);
const std::string& CardFolder();
std::string IniPath();
std::string FolderOfModule(HMODULE module);

// The control pipe and the state lock are named after the card folder, so copies of the card in
// different folders (parallel test runs) never talk to each other.
std::string PipeName();
std::string LockName();

// Section names of simcard.ini.
constexpr const char* kCard = "CARD";
constexpr const char* kDefaults = "DEFAULTS";
constexpr const char* kDial = "DIAL";
constexpr const char* kTraffic = "TRAFFIC";
constexpr const char* kVoice = "VOICE";
constexpr const char* kSms = "SMS";
constexpr const char* kRefuse = "REFUSE";
constexpr const char* kPhoneBook = "PHONEBOOK";
constexpr const char* kSmsRecv = "SMS_RECV";
constexpr const char* kSmsSent = "SMS_SENT";
constexpr const char* kCalls = "CALLS";
constexpr const char* kFault = "FAULT";

// simcard.ini access through the private-profile functions (ANSI). Every read is bounded.
std::string IniGet(const char* section, const char* key, const char* fallback = "",
                   size_t maxLen = 255);
int32_t IniInt(const char* section, const char* key, int32_t fallback);
bool IniSet(const char* section, const char* key, const std::string& value);
bool IniSetInt(const char* section, const char* key, long long value);
bool IniDelete(const char* section, const char* key);
// key=value lines of a section, in file order; comments and lines without '=' are skipped.
std::vector<std::pair<std::string, std::string>> IniSection(const char* section,
                                                            size_t maxEntries = 1000);

// Decimal number with optional sign and blanks around it; false for anything else or overflow.
bool ParseInt(const std::string& text, long long& value);
// Comma-separated integers (at most maxItems); items that are not numbers are skipped.
std::vector<long long> ParseIntList(const std::string& text, size_t maxItems);

// Serializes read-modify-write of simcard.ini between the module and simctl (all processes).
class StateLock {
public:
    StateLock();
    ~StateLock();
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;

private:
    HANDLE mutex_;
};

// ANSI (system code page) text helpers; they step over double-byte characters, so a trail byte
// that happens to equal '\\' or '|' is never taken for one.
bool IsLeadByte(unsigned char c);
// Length of the longest prefix of text[0..len) that has at most maxBytes bytes and does not end
// inside a double-byte character.
size_t CutLength(const char* text, size_t len, size_t maxBytes);
// Copies into a fixed record field: zero-filled, cut to size-1 bytes, always NUL-terminated.
void CopyField(char* field, size_t size, const std::string& text);
// A NUL-terminated text of at most maxBytes read from a foreign buffer (no terminator needed).
std::string BoundedText(const char* text, size_t maxBytes);
// Line breaks and backslashes as \r \n \\ so a text fits on one INI line; other control
// characters become blanks.
// Completes an overlapped pipe read or write that ReadFile/WriteFile started (their result in
// `started`), waiting at most timeoutMs; false on a time-out or failure.
bool FinishIo(HANDLE h, OVERLAPPED& ov, BOOL started, DWORD timeoutMs, DWORD& bytes);

std::string Escape(const std::string& text);
std::string Unescape(const std::string& text);
// Splits at sep into at most n fields; the rest stays in the last field.
std::vector<std::string> Split(const std::string& text, char sep, size_t n);
std::string Trim(const std::string& text);

// The control pipe client: sends one command line, reads the one-line reply.
enum class PipeResult { Ok, NoServer, Failed };
PipeResult PipeRequest(const std::string& pipe, const std::string& request, std::string& reply,
                       DWORD timeoutMs);
constexpr size_t kPipeMessageMax = 4096;

// Sends WM_DEVICECHANGE (event = DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE) with a port
// broadcast "COM<port>" to the top-level windows of process pid (0 = every process).
// Returns the number of windows it was sent to.
int BroadcastPort(UINT_PTR event, int port, DWORD pid);

// Local time as the card writes it in records: "YYYY-MM-DD hh:mm:ss" (sorts as text).
std::string NowText();

}  // namespace sim
