// What the card watcher does to the system: its log, its installation (Run value and data file),
// the presence mutex, ending another copy, and starting the main program.
#pragma once

#include <windows.h>

#include <string>

namespace watcher {

// The watcher's whole configuration: the main program to start and the card's COM port.
struct Config {
    std::wstring programPath;
    int port = 0;
};

// Appends a line to Sentrel.log beside the watcher (kept small: a full log starts over) and hands
// it to the debugger through OutputDebugString.
void Log(const std::wstring& line);

// True when the path survives the data file's ANSI code page unchanged.
bool PathFitsDataFile(const std::wstring& path);

// Writes the data file and the Run value "Sentrel" (the watcher's own path). When the Run key
// cannot be opened nothing is written; failures are logged.
void Install(const Config& config);

// Deletes the Run value "Sentrel" and ends a running watcher. The data file stays.
void Uninstall();

// Reads and checks the data file; false (logged) when it is missing or unusable.
bool ReadConfig(Config& config);

// Creates the presence mutex "Sen_trel", owned; when it exists already, ends the watcher that
// holds it and keeps the opened handle, so the mutex lives on with this copy. Null on failure.
HANDLE TakePresenceMutex();

// Terminates the process (exit code 1) of every other top-level watcher window.
void EndRunningWatcher();

// The main program's single-instance mutex and its start-up atom.
bool MainProgramRunning();
bool StartupAtomExists();

// Starts the main program as a program file, never through a command line a shell would read:
// the path must pass the watcher's path check and name an existing file. Returns the process
// handle, or null (logged).
HANDLE StartProgram(const std::wstring& programPath);

}  // namespace watcher
