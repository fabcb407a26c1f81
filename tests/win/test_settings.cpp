// Windows tests of the settings store in modem.ini and of the skin.ini reader and writer.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "settings/SettingsFile.h"
#include "settings/SkinFile.h"
#include "resource.h"
#include "tests/win/WinTestSupport.h"

namespace {

std::wstring FakeStrings(UINT id) {
    if (id == IDS_TEXT_COLOR) return L"0,0,128";
    if (id == IDS_HILITE_COLOR) return L"0,0,0";
    return L"";
}

// Each test works on a new temporary file of its own.
class TempFileTest : public ::testing::Test {
protected:
    explicit TempFileTest(const wchar_t* prefix) : prefix_(prefix) {}
    void SetUp() override {
        path_ = wintest::TempFile(prefix_);
        ASSERT_FALSE(path_.empty());
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }

    void Put(const std::string& bytes) { ASSERT_TRUE(wintest::WriteBytes(path_, bytes)); }
    std::string Get() const { return wintest::ReadBytes(path_); }

    const wchar_t* prefix_;
    std::wstring path_;
};

class SettingsTest : public TempFileTest {
protected:
    SettingsTest() : TempFileTest(L"set") {}
    bool Load(settings::Settings& s) const {
        return settings::LoadSettings(s, path_, FakeStrings);
    }
};

TEST_F(SettingsTest, LowerCaseSectionIsFoundAndEveryKeyRead) {
    Put("[device]\r\nMODULE_DLL=simcard.dll\r\n"
        "[setting]\r\nusername=card\r\nPASSWORD=secret\r\nTEL=*99#\r\nAPN=cmnet\r\n"
        "AUTO_DIAL=0\r\nAUTO_HIDE=0\r\nKEPPCONNECT=0\r\nNET_CTA=30\r\nREDIALTIMEOUT=90\r\n"
        "RING_WAVE=C:\\ring.wav\r\nSMS_WAVE=C:\\sms.wav\r\nSTOP_DEV=1\r\nINITDATA=1\r\n"
        "HOMEPAGE=http://example.com/\r\nFONTSIZE=9\r\nMONTHALARM=500\r\n");
    settings::Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.USERNAME, "card");
    EXPECT_EQ(s.PASSWORD, "secret");
    EXPECT_EQ(s.TEL, "*99#");
    EXPECT_EQ(s.APN, "cmnet");
    EXPECT_EQ(s.AUTO_DIAL, 0);
    EXPECT_EQ(s.AUTO_HIDE, 0);
    EXPECT_EQ(s.KEPPCONNECT, 0);
    EXPECT_EQ(s.NET_CTA, 30);
    EXPECT_EQ(s.REDIALTIMEOUT, 90);
    EXPECT_EQ(s.RING_WAVE, "C:\\ring.wav");
    EXPECT_EQ(s.SMS_WAVE, "C:\\sms.wav");
    EXPECT_EQ(s.STOP_DEV, 1);
    EXPECT_EQ(s.INITDATA, 1);
    EXPECT_EQ(s.HOMEPAGE, "http://example.com/");
    EXPECT_EQ(s.FONTSIZE, 9);
    EXPECT_EQ(s.MONTHALARM, 500);
    EXPECT_EQ(s.textColor[0], 0x800000u);
    EXPECT_EQ(s.textColor[1], 0u);
    EXPECT_EQ(s.iniPath, path_);
}

TEST_F(SettingsTest, MissingKeysTakeTheirDefaults) {
    Put("[SETTING]\r\nUSERNAME=u\r\n");
    settings::Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.REDIALTIMEOUT, 60);
    EXPECT_EQ(s.FONTSIZE, 12);
    EXPECT_EQ(s.AUTO_DIAL, 1);
    EXPECT_EQ(s.AUTO_HIDE, 1);
    EXPECT_EQ(s.KEPPCONNECT, 1);
    EXPECT_EQ(s.NET_CTA, 0);
    EXPECT_EQ(s.MONTHALARM, 0);
    EXPECT_EQ(s.PASSWORD, "");
}

TEST_F(SettingsTest, MissingSectionGivesInitialValuesAndBlocksSave) {
    const std::string text = "[DEVICE]\r\nMODULE_DLL=simcard.dll\r\nAUTO_DIAL=1\r\n";
    Put(text);
    settings::Settings s;
    s.USERNAME = "stale";
    s.AUTO_DIAL = 1;
    s.NET_CTA = 0;
    EXPECT_FALSE(Load(s));
    EXPECT_EQ(s.NET_CTA, 1);
    EXPECT_EQ(s.AUTO_DIAL, 0);
    EXPECT_EQ(s.AUTO_HIDE, 0);
    EXPECT_EQ(s.KEPPCONNECT, 1);
    EXPECT_EQ(s.REDIALTIMEOUT, 0);
    EXPECT_EQ(s.FONTSIZE, 12);
    EXPECT_EQ(s.USERNAME, "");
    EXPECT_EQ(s.textColor[0], 0x800000u);  // colours are set even then

    s.MONTHALARM = 100;
    EXPECT_FALSE(settings::SaveSettings(s));
    EXPECT_EQ(Get(), text);

    settings::Settings none;
    EXPECT_FALSE(settings::LoadSettings(none, path_ + L".absent", nullptr));
    EXPECT_EQ(none.NET_CTA, 1);
    EXPECT_EQ(none.textColor[0], 0u);  // no strings, no colour
}

TEST_F(SettingsTest, SaveWritesSavedKeysInOrderAndNeverTheHandEditedOnes) {
    Put("[SETTING]\r\n");
    settings::Settings s;
    ASSERT_TRUE(Load(s));
    s.USERNAME = "user";
    s.MONTHALARM = 100;
    s.REDIALTIMEOUT = 5;
    s.FONTSIZE = 20;
    ASSERT_TRUE(settings::SaveSettings(s));

    const std::string file = Get();
    EXPECT_EQ(file.find("REDIALTIMEOUT"), std::string::npos);
    EXPECT_EQ(file.find("FONTSIZE"), std::string::npos);
    const char* order[] = {"USERNAME=user", "PASSWORD=", "TEL=", "APN=", "AUTO_DIAL=1",
                           "AUTO_HIDE=1", "KEPPCONNECT=1", "NET_CTA=0", "RING_WAVE=",
                           "SMS_WAVE=", "STOP_DEV=0", "INITDATA=0", "HOMEPAGE=",
                           "MONTHALARM=100"};
    std::size_t at = 0;
    for (const char* line : order) {
        const std::size_t pos = file.find(line, at);
        ASSERT_NE(pos, std::string::npos) << line << " in\n" << file;
        at = pos;
    }

    settings::Settings again;
    ASSERT_TRUE(Load(again));
    EXPECT_EQ(again.MONTHALARM, 100);
    EXPECT_EQ(again.USERNAME, "user");
    EXPECT_EQ(again.REDIALTIMEOUT, 60);
    EXPECT_EQ(again.FONTSIZE, 12);
}

TEST_F(SettingsTest, HandEditedValuesSurviveASave) {
    Put("[SETTING]\r\nREDIALTIMEOUT=30\r\nFONTSIZE=10\r\nMONTHALARM=1\r\n");
    settings::Settings s;
    ASSERT_TRUE(Load(s));
    s.REDIALTIMEOUT = 999;
    s.FONTSIZE = 99;
    ASSERT_TRUE(settings::SaveSettings(s));
    settings::Settings again;
    ASSERT_TRUE(Load(again));
    EXPECT_EQ(again.REDIALTIMEOUT, 30);
    EXPECT_EQ(again.FONTSIZE, 10);
}

TEST_F(SettingsTest, LongTextsAreCutAndSurviveASaveUnchanged) {
    const std::string name(50, 'n');
    const std::string home(300, 'h');
    const std::string wave(400, 'w');
    Put("[SETTING]\r\nUSERNAME=" + name + "\r\nHOMEPAGE=" + home + "\r\nSMS_WAVE=" + wave +
        "\r\n");
    settings::Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.USERNAME, name.substr(0, 35));
    EXPECT_EQ(s.HOMEPAGE, home.substr(0, 127));
    EXPECT_EQ(s.SMS_WAVE, wave.substr(0, 255));
    ASSERT_TRUE(settings::SaveSettings(s));
    settings::Settings again;
    ASSERT_TRUE(Load(again));
    EXPECT_EQ(again.USERNAME, s.USERNAME);
    EXPECT_EQ(again.HOMEPAGE, s.HOMEPAGE);
    EXPECT_EQ(again.SMS_WAVE, s.SMS_WAVE);
}

TEST_F(SettingsTest, ChineseTextsStayAnsiAndAreNeverCutInsideACharacter) {
    if (GetACP() != 936) GTEST_SKIP() << "needs the Chinese ANSI code page";
    // 20 GBK characters, 40 bytes: cut at 34 bytes, not 35.
    std::string gbk;
    for (int i = 0; i < 20; ++i) gbk += "\xD6\xD0";  // 中
    Put("[SETTING]\r\nAPN=" + gbk + "\r\nTEL=\xB2\xE2\xCA\xD4\r\n");
    settings::Settings s;
    ASSERT_TRUE(Load(s));
    EXPECT_EQ(s.APN, gbk.substr(0, 34));
    EXPECT_EQ(s.TEL, "\xB2\xE2\xCA\xD4");
    ASSERT_TRUE(settings::SaveSettings(s));
    EXPECT_NE(Get().find("TEL=\xB2\xE2\xCA\xD4"), std::string::npos);
}

TEST_F(SettingsTest, TheStoreSavesItsCurrentRecord) {
    Put("[SETTING]\r\nMONTHALARM=1\r\n");
    settings::Settings loaded;
    ASSERT_TRUE(Load(loaded));
    settings::SettingsStore store;
    store.Replace(loaded);
    store.Change([](settings::Settings& s) { s.MONTHALARM = 123; });
    ASSERT_TRUE(settings::SaveSettings(store));
    settings::Settings back;
    ASSERT_TRUE(Load(back));
    EXPECT_EQ(back.MONTHALARM, 123);
}

class SkinFileTest : public TempFileTest {
protected:
    SkinFileTest() : TempFileTest(L"skn") {}
};

TEST_F(SkinFileTest, LargeFileIsRewrittenWholeAndReadBack) {
    std::string ini = "[SKIN]\r\nSKIN_LOAD = 1\r\n";
    for (int i = 1; ini.size() < 3000; ++i) {
        ini += "SKIN_DLL = " + std::to_string(i) + ", skin" + std::to_string(i) +
               ".dll, \xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4 label " + std::to_string(i) + "\r\n";
    }
    ini += "; end\r\n";
    Put(ini);
    ASSERT_TRUE(skin::WriteSkinChoice(path_, 25));

    std::string expected = ini;
    expected.replace(expected.find("SKIN_LOAD = 1"), 13, "SKIN_LOAD = 25");
    EXPECT_EQ(Get(), expected);

    skin::SkinTable table;
    ASSERT_TRUE(skin::ReadSkinIni(path_, table));
    EXPECT_EQ(table.configuredId, 25);
    EXPECT_EQ(table.entries.size(), skin::kMaxSkins);
    EXPECT_EQ(skin::LookupSkinLibrary(table, 25), "skin25.dll");
}

TEST_F(SkinFileTest, ShorterValueTruncatesTheTail) {
    Put("SKIN_LOAD = 12345\r\nSKIN_DLL=1,a.dll,A\r\n");
    ASSERT_TRUE(skin::WriteSkinChoice(path_, 2));
    EXPECT_EQ(Get(), "SKIN_LOAD = 2\r\nSKIN_DLL=1,a.dll,A\r\n");
}

TEST_F(SkinFileTest, ALowerCaseKeyIsSavedAndAFailedWriteKeepsTheFileWhole) {
    Put("skin_load = 1\r\nSKIN_DLL=1,a.dll,A\r\n");
    ASSERT_TRUE(skin::WriteSkinChoice(path_, 2));
    EXPECT_EQ(Get(), "SKIN_LOAD = 2\r\nSKIN_DLL=1,a.dll,A\r\n");
    // The new text cannot be written (its file is taken by a folder): the old file stays.
    const std::wstring blocker = path_ + L".new";
    ASSERT_TRUE(CreateDirectoryW(blocker.c_str(), nullptr));
    EXPECT_FALSE(skin::WriteSkinChoice(path_, 3));
    EXPECT_EQ(Get(), "SKIN_LOAD = 2\r\nSKIN_DLL=1,a.dll,A\r\n");
    RemoveDirectoryW(blocker.c_str());
}

TEST_F(SkinFileTest, FileWithoutSkinLoadIsLeftAsItIs) {
    const std::string ini = "SKIN_DLL=1,a.dll,A\r\nSKIN_DLL=2,b.dll,B";
    Put(ini);
    EXPECT_TRUE(skin::WriteSkinChoice(path_, 2));
    EXPECT_EQ(Get(), ini);
    Put("SKIN_LOAD=1");
    EXPECT_TRUE(skin::WriteSkinChoice(path_, 2));
    EXPECT_EQ(Get(), "SKIN_LOAD=1");
}

TEST_F(SkinFileTest, MissingFileIsTheOnlyFailure) {
    const std::wstring absent = path_ + L".absent";
    EXPECT_FALSE(skin::WriteSkinChoice(absent, 1));
    skin::SkinTable table;
    table.configuredId = 9;
    EXPECT_FALSE(skin::ReadSkinIni(absent, table));
    EXPECT_EQ(GetFileAttributesW(absent.c_str()), INVALID_FILE_ATTRIBUTES);  // not created
}

}  // namespace
