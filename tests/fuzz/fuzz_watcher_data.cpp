// Fuzzes the watcher's data-file reader and command-line reader, with their round trips.
#include <cstdint>
#include <string>
#include <string_view>

#include "watcher/WatcherCore.h"

namespace {

// Whatever a reader accepts must survive being written back and read again unchanged.
void DataFileRoundTrip(std::string_view bytes) {
    const watcher::DataFile data = watcher::ParseDataFile(bytes);
    if (data.refusal != watcher::Refusal::kNone) return;
    if (data.path.empty() || watcher::CheckPort(data.port) != watcher::Refusal::kNone)
        __builtin_trap();
    const watcher::DataFile again =
        watcher::ParseDataFile(watcher::FormatDataFile(data.path, data.port));
    if (again.refusal != watcher::Refusal::kNone || again.path != data.path ||
        again.port != data.port)
        __builtin_trap();
    (void)watcher::CheckProgramPath(std::wstring(data.path.begin(), data.path.end()));
}

void CommandLineRoundTrip(const std::wstring& line) {
    const watcher::Command command = watcher::ParseCommandLine(line);
    if (command.option == watcher::Option::kSetup && command.refusal == watcher::Refusal::kNone) {
        if (watcher::CheckProgramPath(command.path) != watcher::Refusal::kNone ||
            watcher::CheckPort(command.port) != watcher::Refusal::kNone)
            __builtin_trap();
        const watcher::Command again =
            watcher::ParseCommandLine(watcher::FormatSetupArguments(command.path, command.port));
        if (again.option != watcher::Option::kSetup || again.refusal != watcher::Refusal::kNone ||
            again.path != command.path || again.port != command.port)
            __builtin_trap();
    }
    if (command.option == watcher::Option::kAutoSetup) {
        std::wstring path;
        if (watcher::ComposeAutoSetupPath(L"C:\\Prog\\Sentrel.exe", command.path, path) ==
                watcher::Refusal::kNone &&
            watcher::CheckProgramPath(path) != watcher::Refusal::kNone)
            __builtin_trap();
    }
    (void)watcher::PortMatches(3, line, 3, L"Orvane Wireless Modem");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    DataFileRoundTrip(bytes);
    // The same input as a command line: byte by byte (the usual ASCII lines), and as UTF-16 code
    // units (Chinese paths, odd characters).
    CommandLineRoundTrip(std::wstring(bytes.begin(), bytes.end()));
    std::wstring units;
    for (size_t i = 0; i + 1 < size; i += 2) units += wchar_t(data[i] | (data[i + 1] << 8));
    CommandLineRoundTrip(units);
    return 0;
}
