// Decisions of the card watcher: its command line, its data file, the launch notice's language and
// which port arrivals start the main program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace watcher {

// Highest COM port number Windows hands out (the ports database arbitrates 4096 numbers).
constexpr int kMaxComPort = 4096;
// Longest main program path we store and start (MAX_PATH without the terminating NUL).
constexpr std::size_t kMaxProgramPath = 259;
// A data file longer than this is not ours.
constexpr std::size_t kMaxDataFileBytes = 4096;

// Why a command line, a path, a port or a data file cannot be used. kNone: it can.
enum class Refusal {
    kNone,
    kMissingQuote,    // -setup without an opening and a closing single quote
    kTextBeforePath,  // -setup with something other than blanks before the opening quote
    kEmptyPath,
    kBadPath,  // not an absolute path of an .exe file we are willing to start
    kMissingPort,
    kBadPort,  // the port is not a plain decimal number
    kPortOutOfRange,
    kMissingFileName,  // -autosetup without a file name
    kTooLong,          // data file longer than kMaxDataFileBytes
    kNotText,          // data file with NUL or control bytes in its lines
    kTrailingText,     // data file with more than the two lines
};

// A short English description for the log.
const char* RefusalText(Refusal refusal);

enum class Option {
    kResident,   // no option or an unknown one: start from the data file
    kSetup,      // -setup 'path' port
    kAutoSetup,  // -autosetup file name beside the watcher; the port comes from the card
    kUnwise,     // -unwise: uninstall and end a running watcher
};

struct Command {
    Option option = Option::kResident;
    // -setup: the main program's path; -autosetup: the file name that followed the option.
    std::wstring path;
    int port = 0;                      // -setup only
    Refusal refusal = Refusal::kNone;  // why a -setup or -autosetup line is unusable
};

// Evaluates the watcher's arguments (the command line without the program name): blanks around
// it and one leading and one trailing double quote are removed, the option ends at the first
// blank and is compared ignoring case. -setup takes the text between the first and the last
// single quote as the path and a decimal number after it as the port; path and port are checked
// with CheckProgramPath and CheckPort.
Command ParseCommandLine(std::wstring_view arguments);

// The arguments the main program starts the watcher with: -setup 'path' port.
std::wstring FormatSetupArguments(std::wstring_view programPath, int port);

// A main program path we store and later start: absolute (drive or UNC), at most
// kMaxProgramPath characters, no control characters, no characters Windows forbids in names, no
// empty, "." or ".." parts, naming a file with the extension .exe.
Refusal CheckProgramPath(std::wstring_view path);
Refusal CheckPort(int port);

// -autosetup: the watcher's folder (its module path up to and including the last backslash)
// followed by the file name; kNone only when the file name is not empty and the result passes
// CheckProgramPath.
Refusal ComposeAutoSetupPath(std::wstring_view watcherModulePath, std::wstring_view fileName,
                             std::wstring& path);

// A file beside the running module with the same base name: the module path up to and including
// the last "." of its file name, followed by the extension ("dat" gives Sentrel.dat beside
// Sentrel.exe). A file name without a "." gets "." and the extension appended.
std::wstring SiblingFile(std::wstring_view modulePath, std::wstring_view extension);

// The data file: line 1 the main program's path, line 2 the COM port in decimal, each ended by
// "\r\n". Bytes are in the system's ANSI code page; the path is checked (CheckProgramPath) by the
// caller once converted.
struct DataFile {
    std::string path;
    int port = 0;
    Refusal refusal = Refusal::kNone;
};
DataFile ParseDataFile(std::string_view content);
std::string FormatDataFile(std::string_view path, int port);

// The launch notice template for a system language id: simplified Chinese, traditional Chinese,
// English (also for Spanish and Japanese); every other language gets simplified Chinese.
int NoticeTemplateFor(uint16_t languageId);

// A device-change broadcast as the watcher window receives it.
constexpr uint32_t kDeviceArrival = 0x8000;  // DBT_DEVICEARRIVAL
constexpr uint32_t kDeviceTypePort = 3;      // DBT_DEVTYP_PORT
struct Arrival {
    uint32_t event = 0;
    uint32_t deviceType = 0;
    std::wstring_view portName;
    bool ctrlDown = false;            // the user holds Ctrl to plug the card in without a start
    bool mainProgramRunning = false;  // the main program's instance mutex exists
};

// Whether a port name is the card's. Windows 9x (version class 1) reports the modem's name, so
// only MODEM_NAME counts there; elsewhere the decimal number that begins at the first digit must
// be the stored port, or else the whole name must be MODEM_NAME. Names compare ignoring case; an
// empty MODEM_NAME matches nothing.
bool PortMatches(int versionClass, std::wstring_view portName, int storedPort,
                 std::wstring_view modemName);

// Whether an arrival starts the main program: a port arrival without Ctrl, while the main program
// does not run, whose port matches.
bool ShouldLaunch(const Arrival& arrival, int versionClass, int storedPort,
                  std::wstring_view modemName);

// Whether the launch notice has waited enough once the main program was started: it shows its
// start-up wait box (instance mutex and start-up atom both present), or the started process has
// already ended.
bool LaunchWaitOver(bool mainMutexExists, bool startupAtomExists, bool startedProcessEnded);

}  // namespace watcher
