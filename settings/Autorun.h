// The two ways Orvane starts by itself: the card watcher (Sentrel) and the Run key of Windows.
#pragma once

namespace settings {

// Starts Sentrel.exe beside the program: with "-setup '<program path>' <COM port>" to install the
// watcher for card-insertion start, or with "-unwise" to remove it. A missing watcher or a failed
// start is not reported; IsWatcherRunning shows the outcome.
void LaunchWatcher(bool on, int comPort);

// True while the watcher runs (its mutex exists).
bool IsWatcherRunning();

// Writes (on) or deletes (off) the value "Orvane" under HKEY_LOCAL_MACHINE's Run key, the
// program's full path. Returns the registry error code (ERROR_SUCCESS when done).
long SetRunAtStartup(bool on);

// True when the Run key holds the value "Orvane".
bool IsRunAtStartup();

}  // namespace settings
