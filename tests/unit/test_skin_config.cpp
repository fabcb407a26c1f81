// Unit tests of skin.ini parsing, the language choice of skin and help file, SKIN_LOAD rewriting.
#include <gtest/gtest.h>

#include <string>

#include "settings/SkinConfig.h"

using namespace skin;

namespace {
constexpr uint32_t Lang(uint32_t primary, uint32_t sub) { return primary | (sub << 10); }
}  // namespace

TEST(SkinIni, ReadsConfiguredIdAndEntriesTrimmedInFileOrder) {
    const SkinTable t = ParseSkinIni(
        "[SKIN]\r\n"
        "SKIN_LOAD = 2\r\n"
        "SKIN_DLL = 1 , skingb.dll , 简体中文\r\n"
        "skin_dll=2,skinen.dll,English, US\r\n"
        "SKIN_DLL = 3,skinjap.dll\r\n"
        "comment line\r\n"
        "OTHER = 9,x.dll,y\r\n");
    EXPECT_EQ(t.configuredId, 2);
    ASSERT_EQ(t.entries.size(), 3u);
    EXPECT_EQ(t.entries[0].id, 1);
    EXPECT_EQ(t.entries[0].library, "skingb.dll");
    EXPECT_EQ(t.entries[0].label, "简体中文");
    EXPECT_EQ(t.entries[1].library, "skinen.dll");
    EXPECT_EQ(t.entries[1].label, "English, US");  // extra commas stay in the label
    EXPECT_EQ(t.entries[2].library, "skinjap.dll");
    EXPECT_EQ(t.entries[2].label, "");
    EXPECT_EQ(LookupSkinLibrary(t, 2), "skinen.dll");
}

TEST(SkinIni, ThirtyThirdEntryIsIgnored) {
    std::string ini = "SKIN_LOAD=33\r\n";
    for (int i = 1; i <= 40; ++i) {
        ini += "SKIN_DLL=" + std::to_string(i) + ",lib" + std::to_string(i) + ".dll,L\r\n";
    }
    const SkinTable t = ParseSkinIni(ini);
    EXPECT_EQ(t.entries.size(), kMaxSkins);
    EXPECT_EQ(t.entries.back().id, 32);
    EXPECT_EQ(LookupSkinLibrary(t, 32), "lib32.dll");
    EXPECT_EQ(LookupSkinLibrary(t, t.configuredId), "");
}

TEST(SkinIni, MissingZeroOrUnknownIdLeavesNoLibrary) {
    EXPECT_EQ(ParseSkinIni("").configuredId, 0);
    EXPECT_TRUE(ParseSkinIni("").entries.empty());
    const SkinTable zero = ParseSkinIni("SKIN_LOAD=0\nSKIN_DLL=1,a.dll,A\n");
    EXPECT_EQ(zero.configuredId, 0);
    EXPECT_EQ(LookupSkinLibrary(zero, 0), "");
    const SkinTable unknown = ParseSkinIni("SKIN_LOAD=7\nSKIN_DLL=1,a.dll,A\n");
    EXPECT_EQ(LookupSkinLibrary(unknown, unknown.configuredId), "");
    // First match wins when an id is listed twice.
    const SkinTable twice = ParseSkinIni("SKIN_DLL=1,a.dll,A\nSKIN_DLL=1,b.dll,B\n");
    EXPECT_EQ(LookupSkinLibrary(twice, 1), "a.dll");
}

TEST(SkinIni, HostileContentStaysBounded) {
    std::string ini("SKIN_DLL=5,\0bad.dll,x\r\n", 23);
    ini += "SKIN_DLL=6," + std::string(100000, 'L') + "," + std::string(100000, 'T') + "\r\n";
    ini += "SKIN_LOAD=99999999999\r\n";
    const SkinTable t = ParseSkinIni(ini);
    ASSERT_EQ(t.entries.size(), 2u);
    EXPECT_EQ(t.entries[0].library, "");
    EXPECT_EQ(t.entries[1].library.size(), kMaxLibraryLength);
    EXPECT_EQ(t.entries[1].label.size(), kMaxLabelLength);
    EXPECT_EQ(t.configuredId, 2147483647);
}

TEST(SkinLanguage, ChoosesLibraryAndHelpFileBySystemLanguage) {
    struct Case {
        uint32_t lang;
        const char* skin;
        const char* help;
    } cases[] = {
        {Lang(0x04, 2), "skingb.dll", "helpgb.chm"},    // Chinese (PRC) 0x0804
        {Lang(0x04, 1), "skinbig5.dll", "helpbig5.chm"}, // Chinese (Taiwan) 0x0404
        {Lang(0x04, 3), "", "helpen.chm"},               // Hong Kong: no skin name
        {Lang(0x04, 4), "", "helpen.chm"},               // Singapore
        {Lang(0x09, 1), "skinen.dll", "helpen.chm"},
        {Lang(0x09, 2), "skinen.dll", "helpen.chm"},
        {Lang(0x0A, 3), "skinspa.dll", "helpspa.chm"},
        {Lang(0x11, 1), "skinjap.dll", "helpjap.chm"},
        {Lang(0x07, 1), "skinen.dll", "helpen.chm"},     // German: the English fallback
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SkinLibraryForLanguage(c.lang), c.skin) << std::hex << c.lang;
        EXPECT_EQ(HelpFileForLanguage(c.lang), c.help) << std::hex << c.lang;
    }
}

TEST(SkinLanguage, MissingLibraryFallsBackToEnglishButNoNameStaysEmpty) {
    const auto none = [](const std::string&) { return false; };
    const auto all = [](const std::string&) { return true; };
    EXPECT_EQ(SkinLibraryForLanguage(0x0804, none), "skinen.dll");
    EXPECT_EQ(SkinLibraryForLanguage(0x0804, all), "skingb.dll");
    EXPECT_EQ(SkinLibraryForLanguage(0x0C04, none), "");
    std::string asked;
    SkinLibraryForLanguage(0x0411, [&](const std::string& n) { asked = n; return true; });
    EXPECT_EQ(asked, "skinjap.dll");
}

TEST(SkinLoadRewrite, ReplacesOnlyTheSkinLoadStretch) {
    const auto out = RewriteSkinLoad("[SKIN]\r\nSKIN_LOAD =1 ; old\r\nSKIN_DLL=1,a.dll,A\r\n", 12);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, "[SKIN]\r\nSKIN_LOAD = 12\r\nSKIN_DLL=1,a.dll,A\r\n");
    EXPECT_EQ(*RewriteSkinLoad("SKIN_LOAD=3\r\n", -1), "SKIN_LOAD = -1\r\n");
}

TEST(SkinLoadRewrite, FindsTheKeyAsTheReaderDoes) {
    // Any case, blanks before the key kept; a comment naming the key is not the key.
    EXPECT_EQ(*RewriteSkinLoad("; SKIN_LOAD picks the skin\r\n  skin_load=1\r\n", 2),
              "; SKIN_LOAD picks the skin\r\n  SKIN_LOAD = 2\r\n");
    // The reader takes the last of two lines: both say the new id afterwards.
    const auto twice = RewriteSkinLoad("SKIN_LOAD=1\r\nSKIN_DLL=1,a.dll,A\r\nSkin_Load = 4\r\n", 7);
    ASSERT_TRUE(twice);
    EXPECT_EQ(ParseSkinIni(*twice).configuredId, 7);
    EXPECT_EQ(*twice, "SKIN_LOAD = 7\r\nSKIN_DLL=1,a.dll,A\r\nSKIN_LOAD = 7\r\n");
}

TEST(SkinLoadRewrite, MissingKeyOrLineEndLeavesFileAlone) {
    EXPECT_FALSE(RewriteSkinLoad("", 1));
    EXPECT_FALSE(RewriteSkinLoad("SKIN_DLL=1,a.dll,A\r\n", 1));
    EXPECT_FALSE(RewriteSkinLoad("SKIN_LOAD=2", 1));
    EXPECT_FALSE(RewriteSkinLoad("SKIN_LOAD=2\n", 1));  // only CRLF ends the stretch
    EXPECT_FALSE(RewriteSkinLoad("\r\nSKIN_LOAD=2", 1)); // the line end must come after the key
}

TEST(SkinLoadRewrite, LargeFileIsRewrittenWhole) {
    std::string ini = "SKIN_LOAD = 1\r\n";
    for (int i = 1; i <= 32; ++i) {
        ini += "SKIN_DLL = " + std::to_string(i) + ", skin" + std::to_string(i) +
               ".dll, 一个相当长的皮肤名称用来把文件撑大 " + std::to_string(i) + "\r\n";
    }
    ASSERT_GT(ini.size(), 2000u);
    const auto out = RewriteSkinLoad(ini, 32);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->size(), ini.size() + 1);
    EXPECT_EQ(out->substr(0, 17), "SKIN_LOAD = 32\r\nS");
    EXPECT_EQ(out->substr(16), ini.substr(15));
    const SkinTable t = ParseSkinIni(*out);
    EXPECT_EQ(t.configuredId, 32);
    EXPECT_EQ(t.entries.size(), 32u);
    EXPECT_EQ(LookupSkinLibrary(t, 32), "skin32.dll");
}
