// The user settings record (section "SETTING" of modem.ini), its key table and colour parsing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

// The one record of the process; every subsystem reads its fields directly.
Settings& TheSettings();

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
