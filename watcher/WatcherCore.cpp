// Decisions of the card watcher: command line, data file, notice language, port matching.
#include "watcher/WatcherCore.h"

#include "framework/TextUtil.h"
#include "resources/resource.h"

namespace watcher {
namespace {

constexpr std::size_t npos = std::wstring_view::npos;

template <class Ch>
bool IsBlank(Ch c) {
    return c == Ch(' ') || c == Ch('\t');
}

template <class Ch>
std::basic_string_view<Ch> TrimBlanks(std::basic_string_view<Ch> s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

template <class Ch>
bool IsDigit(Ch c) {
    return c >= Ch('0') && c <= Ch('9');
}

// Value of a run of decimal digits, growing no further once past kMaxComPort (so it never
// overflows); -1 when the text is empty or holds anything but digits.
template <class Ch>
int ParseDecimal(std::basic_string_view<Ch> s) {
    if (s.empty()) return -1;
    int value = 0;
    for (Ch c : s) {
        if (!IsDigit(c)) return -1;
        if (value <= kMaxComPort) value = value * 10 + int(c - Ch('0'));
    }
    return value;
}

Refusal CheckPortText(std::wstring_view text, int& port) {
    text = TrimBlanks(text);
    if (text.empty()) return Refusal::kMissingPort;
    port = ParseDecimal(text);
    if (port < 0) return Refusal::kBadPort;
    return CheckPort(port);
}

void ParseSetup(std::wstring_view rest, Command& command) {
    const std::size_t open = rest.find(L'\'');
    const std::size_t close = rest.rfind(L'\'');
    if (open == npos || close == open) {
        command.refusal = Refusal::kMissingQuote;
        return;
    }
    if (!TrimBlanks(rest.substr(0, open)).empty()) {
        command.refusal = Refusal::kTextBeforePath;
        return;
    }
    command.path = rest.substr(open + 1, close - open - 1);
    command.refusal = CheckProgramPath(command.path);
    if (command.refusal != Refusal::kNone) return;
    command.refusal = CheckPortText(rest.substr(close + 1), command.port);
}

bool IsForbiddenPathChar(wchar_t c) {
    return c < 0x20 || c == L'"' || c == L'<' || c == L'>' || c == L'|' || c == L'?' || c == L'*' ||
           c == L'/';
}

bool HasExeExtension(std::wstring_view name) {
    constexpr std::wstring_view kExe = L".exe";
    return name.size() > kExe.size() &&
           text::EqualsNoCase(name.substr(name.size() - kExe.size()), kExe);
}

bool NameIsModem(std::wstring_view portName, std::wstring_view modemName) {
    return !modemName.empty() && text::EqualsNoCase(portName, modemName);
}

}  // namespace

const char* RefusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::kNone:
            return "usable";
        case Refusal::kMissingQuote:
            return "the path is not between single quotes";
        case Refusal::kTextBeforePath:
            return "unexpected text before the quoted path";
        case Refusal::kEmptyPath:
            return "no program path";
        case Refusal::kBadPath:
            return "not an absolute path of an .exe file";
        case Refusal::kMissingPort:
            return "no COM port number";
        case Refusal::kBadPort:
            return "the COM port is not a decimal number";
        case Refusal::kPortOutOfRange:
            return "COM port number out of range";
        case Refusal::kMissingFileName:
            return "-autosetup needs the program's file name";
        case Refusal::kTooLong:
            return "the data file is too long";
        case Refusal::kNotText:
            return "the data file holds control characters";
        case Refusal::kTrailingText:
            return "the data file holds more than two lines";
    }
    return "unknown";
}

Command ParseCommandLine(std::wstring_view line) {
    line = TrimBlanks(line);
    if (!line.empty() && line.front() == L'"') line.remove_prefix(1);
    if (!line.empty() && line.back() == L'"') line.remove_suffix(1);
    line = TrimBlanks(line);

    const std::size_t blank = line.find_first_of(L" \t");
    const std::wstring_view option = line.substr(0, blank);
    const std::wstring_view rest = blank == npos ? std::wstring_view() : line.substr(blank + 1);

    Command command;
    if (text::EqualsNoCase(option, L"-setup")) {
        command.option = Option::kSetup;
        ParseSetup(rest, command);
    } else if (text::EqualsNoCase(option, L"-autosetup")) {
        command.option = Option::kAutoSetup;
        command.path = TrimBlanks(rest);
        if (command.path.empty()) command.refusal = Refusal::kMissingFileName;
    } else if (text::EqualsNoCase(option, L"-unwise")) {
        command.option = Option::kUnwise;
    }
    return command;
}

std::wstring FormatSetupArguments(std::wstring_view programPath, int port) {
    std::wstring arguments = L"-setup '";
    arguments += programPath;
    arguments += L"' ";
    arguments += std::to_wstring(port);
    return arguments;
}

Refusal CheckProgramPath(std::wstring_view path) {
    if (path.empty()) return Refusal::kEmptyPath;
    if (path.size() > kMaxProgramPath) return Refusal::kBadPath;

    std::wstring_view parts;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\' &&
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'))) {
        parts = path.substr(3);
    } else if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        parts = path.substr(2);  // \\server\share\...
    } else {
        return Refusal::kBadPath;
    }

    std::size_t count = 0;
    for (const std::wstring& part : text::Split(parts, L'\\')) {
        if (part.empty() || part == L"." || part == L".." || part.back() == L'.' ||
            part.back() == L' ')
            return Refusal::kBadPath;
        for (wchar_t c : part)
            if (IsForbiddenPathChar(c) || c == L':') return Refusal::kBadPath;
        ++count;
    }
    const std::size_t lastSlash = parts.rfind(L'\\');
    const std::wstring_view last = lastSlash == npos ? parts : parts.substr(lastSlash + 1);
    const bool unc = path[0] == L'\\';
    if (unc && count < 3) return Refusal::kBadPath;  // server, share and at least the file
    return HasExeExtension(last) ? Refusal::kNone : Refusal::kBadPath;
}

Refusal CheckPort(int port) {
    return port >= 1 && port <= kMaxComPort ? Refusal::kNone : Refusal::kPortOutOfRange;
}

Refusal ComposeAutoSetupPath(std::wstring_view watcherModulePath, std::wstring_view fileName,
                             std::wstring& path) {
    fileName = TrimBlanks(fileName);
    if (fileName.empty()) return Refusal::kMissingFileName;
    const std::size_t slash = watcherModulePath.rfind(L'\\');
    path.assign(slash == npos ? std::wstring_view() : watcherModulePath.substr(0, slash + 1));
    path += fileName;
    return CheckProgramPath(path);
}

std::wstring SiblingFile(std::wstring_view modulePath, std::wstring_view extension) {
    const std::size_t slash = modulePath.rfind(L'\\');
    const std::size_t dot = modulePath.rfind(L'.');
    std::wstring file(modulePath);
    if (dot != npos && (slash == npos || dot > slash))
        file.resize(dot + 1);
    else
        file += L'.';
    file += extension;
    return file;
}

DataFile ParseDataFile(std::string_view content) {
    DataFile data;
    if (content.size() > kMaxDataFileBytes) {
        data.refusal = Refusal::kTooLong;
        return data;
    }
    auto takeLine = [&content]() {
        const std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    };
    auto hasControl = [](std::string_view line) {
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20) return true;
        return false;
    };

    const std::string_view path = takeLine();
    const std::string_view port = takeLine();
    for (char c : content) {
        if (!IsBlank(c) && c != '\r' && c != '\n') {
            data.refusal = Refusal::kTrailingText;
            return data;
        }
    }
    if (hasControl(path) || hasControl(port)) {
        data.refusal = Refusal::kNotText;
        return data;
    }
    if (path.empty()) {
        data.refusal = Refusal::kEmptyPath;
        return data;
    }
    data.path.assign(path);
    const std::string_view portText = TrimBlanks(port);
    if (portText.empty()) {
        data.refusal = Refusal::kMissingPort;
        return data;
    }
    data.port = ParseDecimal(portText);
    data.refusal = data.port < 0 ? Refusal::kBadPort : CheckPort(data.port);
    return data;
}

std::string FormatDataFile(std::string_view path, int port) {
    std::string content(path);
    content += "\r\n";
    content += std::to_string(port);
    content += "\r\n";
    return content;
}

int NoticeTemplateFor(uint16_t languageId) {
    constexpr uint16_t kChinese = 0x04, kEnglish = 0x09, kSpanish = 0x0A, kJapanese = 0x11;
    constexpr uint16_t kTraditional = 1;  // SUBLANG_CHINESE_TRADITIONAL
    const uint16_t primary = languageId & 0x3FF;
    const uint16_t sub = languageId >> 10;
    if (primary == kChinese && sub == kTraditional) return IDD_LAUNCH_NOTICE_BIG5;
    if (primary == kEnglish || primary == kSpanish || primary == kJapanese)
        return IDD_LAUNCH_NOTICE_EN;
    return IDD_LAUNCH_NOTICE_GB;
}

bool PortMatches(int versionClass, std::wstring_view portName, int storedPort,
                 std::wstring_view modemName) {
    if (versionClass == 1) return NameIsModem(portName, modemName);
    std::size_t first = 0;
    while (first < portName.size() && !IsDigit(portName[first])) ++first;
    if (first < portName.size()) {
        std::size_t end = first;
        while (end < portName.size() && IsDigit(portName[end])) ++end;
        if (ParseDecimal(portName.substr(first, end - first)) == storedPort) return true;
    }
    return NameIsModem(portName, modemName);
}

bool ShouldLaunch(const Arrival& arrival, int versionClass, int storedPort,
                  std::wstring_view modemName) {
    if (arrival.event != kDeviceArrival || arrival.ctrlDown || arrival.mainProgramRunning)
        return false;
    if (arrival.deviceType != kDeviceTypePort) return false;
    return PortMatches(versionClass, arrival.portName, storedPort, modemName);
}

bool LaunchWaitOver(bool mainMutexExists, bool startupAtomExists, bool startedProcessEnded) {
    return (mainMutexExists && startupAtomExists) || startedProcessEnded;
}

}  // namespace watcher
