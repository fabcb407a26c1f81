// The user settings record (section "SETTING" of modem.ini), its key table and colour parsing.
#include "settings/SettingsCore.h"

#include <vector>

#include "framework/TextUtil.h"

namespace settings {
namespace {

constexpr KeySpec Text(const char* name, std::size_t maxLength, std::string Settings::*field) {
    return {name, KeyType::Text, maxLength, 0, 0, true, field, nullptr};
}

constexpr KeySpec Int(const char* name, int32_t keyDefault, int32_t initial, bool saved,
                      int32_t Settings::*field) {
    return {name, KeyType::Integer, 0, keyDefault, initial, saved, nullptr, field};
}

}  // namespace

const std::array<KeySpec, 16> kSettingKeys = {{
    Text("USERNAME", kAccountTextLength, &Settings::USERNAME),
    Text("PASSWORD", kAccountTextLength, &Settings::PASSWORD),
    Text("TEL", kAccountTextLength, &Settings::TEL),
    Text("APN", kAccountTextLength, &Settings::APN),
    Int("AUTO_DIAL", 1, 0, true, &Settings::AUTO_DIAL),
    Int("AUTO_HIDE", 1, 0, true, &Settings::AUTO_HIDE),
    Int("KEPPCONNECT", 1, 1, true, &Settings::KEPPCONNECT),
    Int("NET_CTA", 0, 1, true, &Settings::NET_CTA),
    Int("REDIALTIMEOUT", 60, 0, false, &Settings::REDIALTIMEOUT),
    Text("RING_WAVE", kSoundPathLength, &Settings::RING_WAVE),
    Text("SMS_WAVE", kSoundPathLength, &Settings::SMS_WAVE),
    Int("STOP_DEV", 0, 0, true, &Settings::STOP_DEV),
    Int("INITDATA", 0, 0, true, &Settings::INITDATA),
    Text("HOMEPAGE", kHomePageLength, &Settings::HOMEPAGE),
    Int("FONTSIZE", 12, 12, false, &Settings::FONTSIZE),
    Int("MONTHALARM", 0, 0, true, &Settings::MONTHALARM),
}};

void ResetToInitial(Settings& s) {
    for (const KeySpec& k : kSettingKeys) {
        if (k.type == KeyType::Text) {
            (s.*k.text).clear();
        } else {
            s.*k.integer = k.initial;
        }
    }
}

uint32_t ParseColour(std::string_view rgb) {
    const std::vector<std::string> parts = text::Split(rgb, ',', 3);
    uint32_t colour = 0;
    for (int i = 0; i < 3; ++i) {
        // The cast to 8 bits is the modulo 256 (two's complement for negative numbers).
        const auto channel = static_cast<uint8_t>(text::ParseLeadingInt(text::Trim(parts[i])));
        colour |= uint32_t(channel) << (8 * i);
    }
    return colour;
}

}  // namespace settings
