// Loading and saving the user settings record in section "SETTING" of modem.ini.
#include "settings/SettingsFile.h"

#include "framework/ProfileFile.h"
#include "framework/Win32Text.h"
#include "resource.h"

namespace settings {
namespace {

std::wstring Wide(const char* ascii) { return win::AnsiToWide(ascii); }

}  // namespace

bool LoadSettings(Settings& s, const std::wstring& iniPath, const StringLoader& loadString) {
    // The colours come from the resource module whatever the file holds.
    const UINT colourIds[2] = {IDS_TEXT_COLOR, IDS_HILITE_COLOR};
    for (int i = 0; i < 2; ++i) {
        const std::wstring rgb = loadString ? loadString(colourIds[i]) : std::wstring();
        s.textColor[i] = ParseColour(win::WideToAnsi(rgb));
    }

    s.iniPath = iniPath;
    ResetToInitial(s);
    const ProfileFile ini(iniPath);
    const std::wstring section = Wide(kSection);
    if (!ini.SectionExists(section.c_str())) return false;

    for (const KeySpec& k : kSettingKeys) {
        const std::wstring key = Wide(k.name);
        if (k.type == KeyType::Text) {
            // The file is ANSI; the record keeps ANSI cut at a character boundary.
            s.*k.text = win::WideToAnsiLimited(ini.GetString(section.c_str(), key.c_str()),
                                               k.maxLength);
        } else {
            s.*k.integer = ini.GetInt(section.c_str(), key.c_str(), k.keyDefault, 10);
        }
    }
    return true;
}

bool SaveSettings(const Settings& s) {
    const ProfileFile ini(s.iniPath);
    const std::wstring section = Wide(kSection);
    if (!ini.SectionExists(section.c_str())) return false;
    // Failed writes are not reported: the next load shows what the file holds.
    for (const KeySpec& k : kSettingKeys) {
        if (!k.saved) continue;
        const std::wstring key = Wide(k.name);
        if (k.type == KeyType::Text) {
            ini.WriteString(section.c_str(), key.c_str(), win::AnsiToWide(s.*k.text).c_str());
        } else {
            ini.WriteInt(section.c_str(), key.c_str(), s.*k.integer, 10);
        }
    }
    return true;
}

bool LoadSettings(SettingsStore& store, HINSTANCE resourceModule) {
    const StringLoader loader = [resourceModule](UINT id) {
        const wchar_t* text = nullptr;
        // Length 0 asks for a read-only pointer into the resource itself.
        const int n = LoadStringW(resourceModule, id, reinterpret_cast<LPWSTR>(&text), 0);
        return (n > 0 && text) ? std::wstring(text, std::size_t(n)) : std::wstring();
    };
    Settings record;
    const bool found = LoadSettings(record, win::ExeDirectory() + L"\\modem.ini", loader);
    store.Replace(record);
    return found;
}

bool SaveSettings(const SettingsStore& store) { return SaveSettings(*store.Snapshot()); }

}  // namespace settings
