// Unit tests of the operator presets of pap.ini and the advanced settings' field and skin rules.
#include <gtest/gtest.h>

#include <string>

#include "settings/AdvancedCore.h"
#include "settings/PapIni.h"

using namespace settings;

TEST(PapIni, KeepsPresetLinesSkipsCommentsAndEmptyLinesAndStopsAt32) {
    std::string file =
        "; operators\r\n\r\n;cmnet,guest\r\nfirst,u1,p1,*99#,cmnet\r\n   \r\nno comma line\r\n";
    for (int i = 0; i < 40; ++i) file += "op" + std::to_string(i) + ",u,p,n,a\r\n";
    const std::vector<std::string> lines = ParsePapIni(file);
    ASSERT_EQ(lines.size(), kMaxPresets);
    EXPECT_EQ(lines[0], "first,u1,p1,*99#,cmnet");  // line end gone
    EXPECT_EQ(lines[1], "   ");                     // blanks are a preset with an empty name
    EXPECT_EQ(lines[2], "no comma line");
    EXPECT_EQ(lines[3], "op0,u,p,n,a");
    EXPECT_EQ(lines.back(), "op28,u,p,n,a");  // 32 kept lines, whatever follows
    EXPECT_EQ(PresetName(lines[0]), "first");
    EXPECT_EQ(PresetName(lines[1]), "");
    EXPECT_EQ(PresetName(lines[2]), "");
    // A last line without a line end counts; "\n" alone ends lines too.
    EXPECT_EQ(ParsePapIni("a,1\nb,2").size(), 2u);
    EXPECT_TRUE(ParsePapIni("").empty());
    EXPECT_TRUE(ParsePapIni("\r\n\n;x\n").empty());
}

TEST(PapIni, SplitsIntoFourFieldsKeepingEmptyOnesAndIgnoringASixthPart) {
    const AccountFields six = PresetFields("name,user,pass,#777,ctnet,extra,more");
    EXPECT_EQ(six.user, "user");
    EXPECT_EQ(six.password, "pass");
    EXPECT_EQ(six.number, "#777");
    EXPECT_EQ(six.apn, "ctnet");
    const AccountFields gaps = PresetFields("name,,,*99#,3gnet");
    EXPECT_EQ(gaps.user, "");
    EXPECT_EQ(gaps.password, "");
    EXPECT_EQ(gaps.number, "*99#");
    EXPECT_EQ(gaps.apn, "3gnet");
    const AccountFields shortLine = PresetFields("name,user");
    EXPECT_EQ(shortLine.user, "user");
    EXPECT_EQ(shortLine.password, "");
    EXPECT_EQ(shortLine.apn, "");
    const AccountFields none = PresetFields("no comma");
    EXPECT_EQ(none.user + none.password + none.number + none.apn, "");
    // GBK names: no trail byte is a ',' so splitting by bytes keeps the characters whole.
    EXPECT_EQ(PresetName("\xD6\xD0\xB9\xFA\xD2\xC6\xB6\xAF,guest,guest,*99#,cmnet"),
              "\xD6\xD0\xB9\xFA\xD2\xC6\xB6\xAF");
}

TEST(PapIni, HostileLinesStayBounded) {
    const std::string nul("abc\0,user,p,n,a\nnext,u", 23);
    const std::vector<std::string> lines = ParsePapIni(nul);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "abc");  // a line ends at a NUL
    EXPECT_EQ(lines[1], "next,u");
    const std::string huge(1 << 20, 'x');
    const std::vector<std::string> cut = ParsePapIni(huge + "\n" + ";" + huge + "\nok,1\n");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[0].size(), kMaxPresetLineBytes);
    EXPECT_EQ(cut[1], "ok,1");
    // "\0" alone is an empty line, not a preset.
    EXPECT_TRUE(ParsePapIni(std::string("\0\r\n", 3)).empty());
}

TEST(AdvancedFields, SleepSecondsAcceptOnlyAnIntegerInRange) {
    int32_t v = -1;
    EXPECT_EQ(ParseDialogInt(L"0", 0, 255, v), IntCheck::Ok);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(ParseDialogInt(L" 255\t", 0, 255, v), IntCheck::Ok);
    EXPECT_EQ(v, 255);
    EXPECT_EQ(ParseDialogInt(L"+7", 0, 255, v), IntCheck::Ok);
    EXPECT_EQ(v, 7);
    v = 42;
    EXPECT_EQ(ParseDialogInt(L"256", 0, 255, v), IntCheck::OutOfRange);
    EXPECT_EQ(ParseDialogInt(L"-1", 0, 255, v), IntCheck::OutOfRange);
    EXPECT_EQ(ParseDialogInt(L"99999999999999999999", 0, 255, v), IntCheck::OutOfRange);
    EXPECT_EQ(ParseDialogInt(L"-99999999999999999999", -5, 5, v), IntCheck::OutOfRange);
    EXPECT_EQ(ParseDialogInt(L"", 0, 255, v), IntCheck::NotANumber);
    EXPECT_EQ(ParseDialogInt(L"  ", 0, 255, v), IntCheck::NotANumber);
    EXPECT_EQ(ParseDialogInt(L"12a", 0, 255, v), IntCheck::NotANumber);
    EXPECT_EQ(ParseDialogInt(L"1 2", 0, 255, v), IntCheck::NotANumber);
    EXPECT_EQ(ParseDialogInt(L"-", 0, 255, v), IntCheck::NotANumber);
    EXPECT_EQ(v, 42);  // untouched by a refusal
    EXPECT_EQ(ParseDialogInt(L"2147483647", 0, 2147483647, v), IntCheck::Ok);
    EXPECT_EQ(v, 2147483647);

    // The month alarm takes leading digits, 0 without any.
    EXPECT_EQ(ParseLeadingDigits(L""), 0);
    EXPECT_EQ(ParseLeadingDigits(L" 100MB"), 100);
    EXPECT_EQ(ParseLeadingDigits(L"-5"), 0);
    EXPECT_EQ(ParseLeadingDigits(L"99999999999"), 2147483647);
}

TEST(AdvancedSkins, ListsAutoThenPositiveIdsAndMapsTheChoiceBack) {
    const skin::SkinTable table = skin::ParseSkinIni(
        "SKIN_LOAD = 3\r\n"
        "SKIN_DLL = 0,zero.dll,Zero\r\n"
        "SKIN_DLL = 1,skingb.dll,Chinese\r\n"
        "SKIN_DLL = -2,neg.dll,Negative\r\n"
        "SKIN_DLL = 3,skinen.dll,English\r\n"
        "SKIN_DLL = 4,other.dll,Chinese\r\n");
    const SkinList list = BuildSkinList(table);
    ASSERT_EQ(list.items, (std::vector<std::string>{"Auto", "Chinese", "English", "Chinese"}));
    EXPECT_EQ(list.selected, 2u);
    EXPECT_EQ(SkinIdForItem(table, list, 0), 0);
    EXPECT_EQ(SkinIdForItem(table, list, 2), 3);
    EXPECT_EQ(SkinIdForItem(table, list, 3), 1);  // the first entry with that label
    EXPECT_EQ(SkinIdForItem(table, list, 99), 0);

    // A configured id without a listed entry, or none at all, selects "Auto".
    EXPECT_EQ(BuildSkinList(skin::ParseSkinIni("SKIN_LOAD=0\nSKIN_DLL=0,z.dll,Zero\n")).selected,
              0u);
    EXPECT_EQ(BuildSkinList(skin::ParseSkinIni("SKIN_LOAD=9\nSKIN_DLL=1,a.dll,A\n")).selected, 0u);
    // A skin labelled "Auto" is listed, but the first item still means the language choice.
    const skin::SkinTable autoLabel = skin::ParseSkinIni("SKIN_LOAD=5\nSKIN_DLL=5,a.dll,Auto\n");
    const SkinList autoList = BuildSkinList(autoLabel);
    EXPECT_EQ(autoList.selected, 1u);
    EXPECT_EQ(SkinIdForItem(autoLabel, autoList, 0), 0);
    EXPECT_EQ(SkinIdForItem(autoLabel, autoList, 1), 5);
}
