// Loading and saving the user settings record in section "SETTING" of modem.ini.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "settings/SettingsCore.h"

namespace settings {

// Gives the text of a string resource (empty when missing).
using StringLoader = std::function<std::wstring(UINT id)>;

// Sets the two text colours from strings IDS_TEXT_COLOR and IDS_HILITE_COLOR, keeps iniPath for
// save, resets every field to its initial value and, when the section exists (any case), reads
// every key in table order with its default. False when the section is missing.
bool LoadSettings(Settings& s, const std::wstring& iniPath, const StringLoader& loadString);

// Writes the saved keys in table order to the file the record was loaded from; nothing and false
// when that file has no such section. REDIALTIMEOUT and FONTSIZE are never written.
bool SaveSettings(const Settings& s);

// The store's record from modem.ini beside the program, colours from the given resource module.
bool LoadSettings(SettingsStore& store, HINSTANCE resourceModule);
// Saves the store's current record.
bool SaveSettings(const SettingsStore& store);

}  // namespace settings
