// The main program's two ways of starting by itself: the card watcher (Sentrel.exe, which starts
// it when the card is plugged in) and the Run value "Orvane" (which starts it with Windows).
#pragma once

#include <string>

namespace settings {

// Starts Sentrel.exe from the main program's folder: on, with -setup 'main program path' port
// (the watcher installs itself and stays resident); off, with -unwise (it removes its
// installation and ends a running copy). Whether the watcher started is not reported:
// IsWatcherRunning tells afterwards.
void LaunchWatcher(bool on, int comPort);
// The same for a given main program path (its folder holds Sentrel.exe).
void LaunchWatcher(const std::wstring& programPath, bool on, int comPort);

// True while a watcher runs (its presence mutex exists).
bool IsWatcherRunning();

// Writes (on) or deletes (off) the Run value "Orvane" with the main program's path. Returns the
// registry error code: of opening the key, else of writing or deleting, else of closing the key.
long SetRunAtStartup(bool on);

// True when the Run value "Orvane" exists.
bool IsRunAtStartup();

}  // namespace settings
