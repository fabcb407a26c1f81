// The user settings record (section "SETTING" of modem.ini), its key table and colour parsing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace settings {

constexpr std::size_t kAccountTextLength = 35;  // USERNAME, PASSWORD, TEL, APN
constexpr std::size_t kSoundPathLength = 255;   // RING_WAVE, SMS_WAVE
constexpr std::size_t kHomePageLength = 127;    // HOMEPAGE

// Field names are the keys. Texts are ANSI (the system code page), at most the stated length;
// the values here are those a file without the section gives.
struct Settings {
    std::string USERNAME;
    std::string PASSWORD;
    std::string TEL;
    std::string APN;
    int32_t AUTO_DIAL = 0;
    int32_t AUTO_HIDE = 0;
    int32_t KEPPCONNECT = 1;
    int32_t NET_CTA = 1;
    int32_t REDIALTIMEOUT = 0;
    std::string RING_WAVE;
    std::string SMS_WAVE;
    int32_t STOP_DEV = 0;
    int32_t INITDATA = 0;
    std::string HOMEPAGE;
    int32_t FONTSIZE = 12;
    int32_t MONTHALARM = 0;

    // Text colours of the skinned controls (0x00BBGGRR), set by load from the resource strings.
    uint32_t textColor[2] = {0x800000, 0x000000};

    // modem.ini the record was loaded from; save writes there again.
    std::wstring iniPath;
};

// The owner of the program's settings record. Readers on any thread take a snapshot, a complete
// record that never changes under them; a change is made on a copy that then replaces the
// current record (copy on write), so no reader ever sees half of a change.
class SettingsStore {
public:
    SettingsStore() : current_(std::make_shared<const Settings>()) {}
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    std::shared_ptr<const Settings> Snapshot() const {
        std::lock_guard<std::mutex> guard(lock_);
        return current_;
    }
    // Runs edit on a copy of the current record and publishes the copy.
    void Change(const std::function<void(Settings&)>& edit) {
        std::lock_guard<std::mutex> guard(lock_);
        auto copy = std::make_shared<Settings>(*current_);
        edit(*copy);
        current_ = std::move(copy);
    }
    void Replace(const Settings& record) {
        Change([&record](Settings& s) { s = record; });
    }

private:
    mutable std::mutex lock_;
    std::shared_ptr<const Settings> current_;
};

enum class KeyType { Text, Integer };

struct KeySpec {
    const char* name;
    KeyType type;
    std::size_t maxLength;  // texts: longer values are cut to this many bytes
    int32_t keyDefault;     // integers: value when the key is missing (texts: empty)
    int32_t initial;        // integers: value when the section is missing (texts: empty)
    bool saved;             // REDIALTIMEOUT and FONTSIZE are only ever edited by hand
    std::string Settings::*text;
    int32_t Settings::*integer;
};

// Every key in the order load reads them; save writes the saved ones in the same order.
extern const std::array<KeySpec, 16> kSettingKeys;

// The section name; profile lookups ignore case, so "[setting]" is found too.
constexpr const char kSection[] = "SETTING";

// Every field of the table back to its value for a file without the section.
void ResetToInitial(Settings& s);

// "r,g,b" in decimal to r | g << 8 | b << 16, each number taken modulo 256; missing parts are 0.
uint32_t ParseColour(std::string_view rgb);

}  // namespace settings
