// Unit tests of the settings key table, the initial values and the colour parser.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <cstring>
#include <set>
#include <string>

#include "settings/SettingsCore.h"

using namespace settings;

namespace {
const KeySpec& Key(const char* name) {
    for (const KeySpec& k : kSettingKeys) {
        if (std::strcmp(k.name, name) == 0) return k;
    }
    ADD_FAILURE() << "no key " << name;
    return kSettingKeys[0];
}
}  // namespace

TEST(SettingsTable, KeysInLoadOrderWithOneFieldEach) {
    const char* order[] = {"USERNAME",  "PASSWORD", "TEL",       "APN",      "AUTO_DIAL",
                           "AUTO_HIDE", "KEPPCONNECT", "NET_CTA", "REDIALTIMEOUT", "RING_WAVE",
                           "SMS_WAVE",  "STOP_DEV", "INITDATA",  "HOMEPAGE", "FONTSIZE",
                           "MONTHALARM"};
    ASSERT_EQ(std::size(order), kSettingKeys.size());
    std::set<const void*> fields;
    Settings s;
    for (std::size_t i = 0; i < kSettingKeys.size(); ++i) {
        const KeySpec& k = kSettingKeys[i];
        EXPECT_STREQ(k.name, order[i]);
        // Exactly one member pointer, matching the type, and no two keys share a field.
        if (k.type == KeyType::Text) {
            ASSERT_NE(k.text, nullptr);
            EXPECT_EQ(k.integer, nullptr);
            EXPECT_TRUE(fields.insert(&(s.*k.text)).second) << k.name;
        } else {
            ASSERT_NE(k.integer, nullptr);
            EXPECT_EQ(k.text, nullptr);
            EXPECT_TRUE(fields.insert(&(s.*k.integer)).second) << k.name;
        }
    }
}

TEST(SettingsTable, DefaultsInitialValuesLimitsAndSavedFlags) {
    struct Row {
        const char* name;
        int32_t keyDefault, initial;
        bool saved;
    } ints[] = {
        {"AUTO_DIAL", 1, 0, true},     {"AUTO_HIDE", 1, 0, true},  {"KEPPCONNECT", 1, 1, true},
        {"NET_CTA", 0, 1, true},       {"REDIALTIMEOUT", 60, 0, false},
        {"STOP_DEV", 0, 0, true},      {"INITDATA", 0, 0, true},   {"FONTSIZE", 12, 12, false},
        {"MONTHALARM", 0, 0, true},
    };
    for (const Row& r : ints) {
        const KeySpec& k = Key(r.name);
        EXPECT_EQ(k.type, KeyType::Integer) << r.name;
        EXPECT_EQ(k.keyDefault, r.keyDefault) << r.name;
        EXPECT_EQ(k.initial, r.initial) << r.name;
        EXPECT_EQ(k.saved, r.saved) << r.name;
    }
    struct TextRow {
        const char* name;
        std::size_t limit;
    } texts[] = {{"USERNAME", 35}, {"PASSWORD", 35}, {"TEL", 35},       {"APN", 35},
                 {"RING_WAVE", 255}, {"SMS_WAVE", 255}, {"HOMEPAGE", 127}};
    for (const TextRow& r : texts) {
        const KeySpec& k = Key(r.name);
        EXPECT_EQ(k.type, KeyType::Text) << r.name;
        EXPECT_EQ(k.maxLength, r.limit) << r.name;
        EXPECT_TRUE(k.saved) << r.name;
    }
}

TEST(SettingsRecord, ResetGivesTheValuesOfAFileWithoutTheSection) {
    Settings s;
    s.USERNAME = "user";
    s.HOMEPAGE = "http://x";
    s.AUTO_DIAL = 1;
    s.NET_CTA = 0;
    s.REDIALTIMEOUT = 60;
    s.FONTSIZE = 9;
    s.KEPPCONNECT = 0;
    s.iniPath = L"C:\\Prog\\modem.ini";
    ResetToInitial(s);
    EXPECT_EQ(s.USERNAME, "");
    EXPECT_EQ(s.HOMEPAGE, "");
    EXPECT_EQ(s.NET_CTA, 1);
    EXPECT_EQ(s.AUTO_DIAL, 0);
    EXPECT_EQ(s.AUTO_HIDE, 0);
    EXPECT_EQ(s.KEPPCONNECT, 1);
    EXPECT_EQ(s.REDIALTIMEOUT, 0);
    EXPECT_EQ(s.FONTSIZE, 12);
    EXPECT_EQ(s.iniPath, L"C:\\Prog\\modem.ini");  // the path is not a setting

    // A fresh record already holds those values.
    const Settings fresh;
    EXPECT_EQ(fresh.NET_CTA, 1);
    EXPECT_EQ(fresh.KEPPCONNECT, 1);
    EXPECT_EQ(fresh.FONTSIZE, 12);
}

TEST(SettingsStore, ReadersNeverSeeHalfAChange) {
    SettingsStore store;
    const auto before = store.Snapshot();
    // A writer keeps two fields equal in every change; readers on other threads check each
    // snapshot they take, as workers do while the settings pages save.
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, reads{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r)
        readers.emplace_back([&] {
            while (!stop) {
                const auto s = store.Snapshot();
                if (s->USERNAME != s->PASSWORD || s->AUTO_DIAL != s->AUTO_HIDE) ++torn;
                ++reads;
            }
        });
    for (int i = 0; i < 2000; ++i)
        store.Change([i](Settings& s) {
            s.USERNAME = std::string(static_cast<size_t>(i % 35), 'u');
            s.PASSWORD = s.USERNAME;
            s.AUTO_DIAL = s.AUTO_HIDE = i;
        });
    while (reads < 100) std::this_thread::yield();
    stop = true;
    for (auto& t : readers) t.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(store.Snapshot()->AUTO_DIAL, 1999);
    EXPECT_EQ(before->AUTO_DIAL, 0) << "a snapshot taken earlier keeps its values";
}

TEST(SettingsColour, PacksRedGreenBlueModulo256) {
    EXPECT_EQ(ParseColour("0,0,128"), 0x800000u);
    EXPECT_EQ(ParseColour("0,0,0"), 0u);
    EXPECT_EQ(ParseColour("255,128,1"), 0x0180FFu);
    EXPECT_EQ(ParseColour(" 1 , 2 , 3 "), 0x030201u);
    EXPECT_EQ(ParseColour("256,257,300"), 0x2C0100u);
    EXPECT_EQ(ParseColour("-1,0,0"), 0x0000FFu);
    EXPECT_EQ(ParseColour("10"), 0x00000Au);
    EXPECT_EQ(ParseColour(""), 0u);
    EXPECT_EQ(ParseColour("1,2,3,4"), 0x030201u);
}
