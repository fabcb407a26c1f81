// Windows tests of the profile file class against real INI files in a temporary folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "framework/ProfileFile.h"
#include "tests/win/WinTestSupport.h"

namespace {

using Strings = std::vector<std::wstring>;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = wintest::TempFile(L"pf");
        ASSERT_FALSE(path_.empty());
        ini_.SetPath(path_.c_str());
    }
    void TearDown() override { DeleteFileW(path_.c_str()); }

    void Put(const std::string& bytes) { ASSERT_TRUE(wintest::WriteBytes(path_, bytes)); }
    std::string Get() const { return wintest::ReadBytes(path_); }

    std::wstring path_;
    ProfileFile ini_;
};

TEST_F(ProfileFileTest, TextReadsGrowPastTheFirstBufferAndFallBackToDefaults) {
    const std::string v600(600, 'a');
    const std::string v5000 = std::string(4999, 'b') + "c";
    const std::string v511(511, 'd');
    Put("[S]\r\nk600=" + v600 + "\r\nk5000=" + v5000 + "\r\nk511=" + v511 + "\r\nshort=x\r\n");
    EXPECT_EQ(ini_.GetString(L"S", L"k600"), std::wstring(600, L'a'));
    EXPECT_EQ(ini_.GetString(L"s", L"K5000"), std::wstring(4999, L'b') + L"c");
    EXPECT_EQ(ini_.GetString(L"S", L"k511"), std::wstring(511, L'd'));
    EXPECT_EQ(ini_.GetString(L"S", L"none", L"def"), L"def");
    EXPECT_EQ(ini_.GetString(L"S", L"none"), L"");
    EXPECT_EQ(ini_.GetString(nullptr, L"short", L"def"), L"def");
    EXPECT_EQ(ini_.GetString(L"S", nullptr), L"");

    wchar_t buf[8];
    EXPECT_EQ(ini_.GetString(L"S", L"k600", buf, 8), 7u);
    EXPECT_STREQ(buf, L"aaaaaaa");
    EXPECT_EQ(ini_.GetString(nullptr, L"x", buf, 4, L"default"), 3u);
    EXPECT_STREQ(buf, L"def");
    EXPECT_EQ(ini_.GetString(L"S", L"short", nullptr, 8), 0u);

    ProfileFile missing(L"C:\\no\\such\\folder\\x.ini");
    EXPECT_EQ(missing.GetString(L"S", L"k", L"d"), L"d");
    EXPECT_EQ(missing.GetInt(L"S", L"k", 7), 7);
    ProfileFile none(static_cast<const wchar_t*>(nullptr));
    EXPECT_EQ(none.Path(), L"");
    EXPECT_EQ(none.GetString(L"S", L"short", L"d"), L"d");
    EXPECT_FALSE(none.WriteString(L"S", L"k", L"v"));
}

TEST_F(ProfileFileTest, IntegersUseTheRequestedBaseOrTen) {
    Put("[N]\ndec=17\nneg=-42\nhex=ff\nhex0x=0x1A\noct=17\nbin=101\nempty=\njunk=abc\n"
        "long=12345678901234567890123456789012345678901234567890123456789012345\n");
    EXPECT_EQ(ini_.GetInt(L"N", L"dec", 0, 7), 17);  // base 7 is not offered: decimal
    EXPECT_EQ(ini_.GetInt(L"N", L"dec", 0, 0), 17);
    EXPECT_EQ(ini_.GetInt(L"N", L"neg", 0), -42);
    EXPECT_EQ(ini_.GetInt(L"N", L"hex", 0, 16), 255);
    EXPECT_EQ(ini_.GetInt(L"N", L"hex0x", 0, 16), 26);
    EXPECT_EQ(ini_.GetInt(L"N", L"oct", 0, 8), 15);
    EXPECT_EQ(ini_.GetInt(L"N", L"bin", 0, 2), 5);
    EXPECT_EQ(ini_.GetInt(L"N", L"empty", 9), 9);
    EXPECT_EQ(ini_.GetInt(L"N", L"absent", -3), -3);
    EXPECT_EQ(ini_.GetInt(L"N", L"junk", 9), 0);  // present but not a number
    EXPECT_EQ(ini_.GetInt(L"N", L"long", 0), LONG_MAX);
    EXPECT_EQ(ini_.GetUInt(L"N", L"hex", 1, 16), 255u);
    EXPECT_EQ(ini_.GetUInt(L"N", L"empty", 5u), 5u);
}

TEST_F(ProfileFileTest, IntegerWritesFormatByBaseAndReadBack) {
    Put("[N]\r\n");
    ASSERT_TRUE(ini_.WriteInt(L"N", L"b2", 5, 2));
    ASSERT_TRUE(ini_.WriteInt(L"N", L"b8", 15, 8));
    ASSERT_TRUE(ini_.WriteInt(L"N", L"b16", 255, 16));
    ASSERT_TRUE(ini_.WriteInt(L"N", L"b10", -42, 3));
    ASSERT_TRUE(ini_.WriteInt(L"N", L"zero", 0, 2));
    ASSERT_TRUE(ini_.WriteUInt(L"N", L"u", 4294967295u));
    EXPECT_EQ(ini_.GetString(L"N", L"b2"), L"101");
    EXPECT_EQ(ini_.GetString(L"N", L"b8"), L"17");
    EXPECT_EQ(ini_.GetString(L"N", L"b16"), L"FF");
    EXPECT_EQ(ini_.GetString(L"N", L"b10"), L"-42");
    EXPECT_EQ(ini_.GetString(L"N", L"zero"), L"0");
    EXPECT_EQ(ini_.GetString(L"N", L"u"), L"4294967295");
    EXPECT_EQ(ini_.GetUInt(L"N", L"u", 0), 4294967295u);

    ASSERT_TRUE(ini_.IncreaseInt(L"N", L"b16", 1, 16));
    EXPECT_EQ(ini_.GetString(L"N", L"b16"), L"100");
    ASSERT_TRUE(ini_.IncreaseInt(L"N", L"counter"));  // missing key starts at 0
    ASSERT_TRUE(ini_.IncreaseInt(L"N", L"counter", 5));
    EXPECT_EQ(ini_.GetInt(L"N", L"counter", 0), 6);
    EXPECT_FALSE(ini_.WriteInt(nullptr, L"k", 1));
    EXPECT_FALSE(ini_.WriteInt(L"N", nullptr, 1));
}

TEST_F(ProfileFileTest, BooleansAcceptWordsAndNumbers) {
    Put("[B]\na=Yes\nb=TRUE\nc=true\nd=5\ne=-1\nf=0\ng=no\nh=false\ni=abc\nempty=\n");
    for (const wchar_t* k : {L"a", L"b", L"c", L"d", L"e"}) {
        EXPECT_EQ(ini_.GetBool(L"B", k, FALSE), TRUE) << k;
    }
    for (const wchar_t* k : {L"f", L"g", L"h", L"i"}) {
        EXPECT_EQ(ini_.GetBool(L"B", k, TRUE), FALSE) << k;
    }
    EXPECT_EQ(ini_.GetBool(L"B", L"empty", TRUE), TRUE);
    EXPECT_EQ(ini_.GetBool(L"B", L"empty", FALSE), FALSE);
    EXPECT_EQ(ini_.GetBool(L"B", L"absent", TRUE), TRUE);

    ASSERT_TRUE(ini_.InvertBool(L"B", L"a"));
    EXPECT_EQ(ini_.GetString(L"B", L"a"), L"0");
    ASSERT_TRUE(ini_.InvertBool(L"B", L"new"));  // missing counts as false
    EXPECT_EQ(ini_.GetString(L"B", L"new"), L"1");
    ASSERT_TRUE(ini_.WriteBool(L"B", L"w", 7));
    EXPECT_EQ(ini_.GetString(L"B", L"w"), L"1");
}

TEST_F(ProfileFileTest, DoublesCharsAndAppends) {
    Put("[D]\n");
    ASSERT_TRUE(ini_.WriteDouble(L"D", L"two", 3.14159, 2));
    ASSERT_TRUE(ini_.WriteDouble(L"D", L"none", 2.5, 0));
    ASSERT_TRUE(ini_.WriteDouble(L"D", L"dflt", 0.1));
    EXPECT_EQ(ini_.GetString(L"D", L"two"), L"3.14");
    EXPECT_EQ(ini_.GetString(L"D", L"none"), L"2");
    EXPECT_DOUBLE_EQ(ini_.GetDouble(L"D", L"dflt", 0), 0.1);
    EXPECT_DOUBLE_EQ(ini_.GetDouble(L"D", L"absent", 1.5), 1.5);
    ASSERT_TRUE(ini_.WriteDouble(L"D", L"huge", 1e300, 200));  // long text, no overflow
    EXPECT_DOUBLE_EQ(ini_.GetDouble(L"D", L"huge", 0), 1e300);

    ASSERT_TRUE(ini_.WriteChar(L"D", L"c", L'Q'));
    EXPECT_EQ(ini_.GetChar(L"D", L"c", L'x'), L'Q');
    EXPECT_EQ(ini_.GetChar(L"D", L"absent", L'x'), L'x');

    ASSERT_TRUE(ini_.WriteString(L"D", L"s", L"ab"));
    ASSERT_TRUE(ini_.AppendString(L"D", L"s", L"cd"));
    ASSERT_TRUE(ini_.AppendString(L"D", L"t", L"new"));
    EXPECT_EQ(ini_.GetString(L"D", L"s"), L"abcd");
    EXPECT_EQ(ini_.GetString(L"D", L"t"), L"new");
    ASSERT_TRUE(ini_.WriteString(L"D", L"s", nullptr));
    EXPECT_TRUE(ini_.KeyExists(L"D", L"s"));
    EXPECT_EQ(ini_.GetString(L"D", L"s", L"d"), L"");
}

TEST_F(ProfileFileTest, BinaryRoundTripWithOffsetsAndFixedSizes) {
    Put("[H]\nlower=0a0bff\nbad=0A0G\nodd=ABC\n");
    unsigned char data[256];
    for (int i = 0; i < 256; ++i) data[i] = static_cast<unsigned char>(i);
    ASSERT_TRUE(ini_.WriteBinary(L"H", L"all", data, sizeof data));
    const std::wstring hex = ini_.GetString(L"H", L"all");
    ASSERT_EQ(hex.size(), 512u);  // longer than the first read buffer
    EXPECT_EQ(hex.substr(0, 8), L"00010203");
    EXPECT_EQ(hex.substr(504), L"FCFDFEFF");

    unsigned char back[300] = {};
    EXPECT_EQ(ini_.GetBinary(L"H", L"all", back, sizeof back), 256u);
    EXPECT_EQ(std::memcmp(back, data, 256), 0);
    EXPECT_EQ(ini_.GetBinary(L"H", L"all", back, 4, 250), 4u);
    EXPECT_EQ(back[0], 250);
    EXPECT_EQ(ini_.GetBinary(L"H", L"all", back, 10, 254), 2u);
    EXPECT_EQ(ini_.GetBinary(L"H", L"all", back, 10, 256), 0u);
    EXPECT_EQ(ini_.GetBinary(L"H", L"lower", back, 10), 3u);
    EXPECT_EQ(back[2], 0xFF);
    EXPECT_EQ(ini_.GetBinary(L"H", L"bad", back, 10), 0u);
    EXPECT_EQ(ini_.GetBinary(L"H", L"odd", back, 10), 1u);
    EXPECT_EQ(ini_.GetBinary(L"H", L"absent", back, 10), 0u);

    const unsigned char tail[2] = {0xAB, 0x01};
    ASSERT_TRUE(ini_.AppendBinary(L"H", L"lower", tail, 2));
    EXPECT_EQ(ini_.GetString(L"H", L"lower"), L"0a0bffAB01");

    const POINT pt{-5, 70000};
    const RECT rc{1, -2, 3000, 4};
    ASSERT_TRUE(ini_.WritePoint(L"H", L"pt", pt));
    ASSERT_TRUE(ini_.WriteRect(L"H", L"rc", rc));
    const POINT p = ini_.GetPoint(L"H", L"pt", POINT{9, 9});
    EXPECT_EQ(p.x, -5);
    EXPECT_EQ(p.y, 70000);
    const RECT r = ini_.GetRect(L"H", L"rc", RECT{});
    EXPECT_EQ(r.right, 3000);
    EXPECT_EQ(r.top, -2);
    // Too few bytes give the default; a longer value gives its first bytes.
    ASSERT_TRUE(ini_.WriteString(L"H", L"short", L"01020304"));
    EXPECT_EQ(ini_.GetPoint(L"H", L"short", POINT{9, 8}).x, 9);
    EXPECT_EQ(ini_.GetRect(L"H", L"pt", RECT{7, 0, 0, 0}).left, 7);
    EXPECT_EQ(ini_.GetPoint(L"H", L"rc", POINT{9, 8}).y, -2);
    EXPECT_EQ(ini_.GetPoint(L"H", L"bad", POINT{9, 8}).x, 9);
}

TEST_F(ProfileFileTest, ListsSplitTrimAndJoin) {
    Put("[L]\nplain= a , b ,,c \nmulti=x||y||z\n");
    Strings items{L"keep"};
    EXPECT_EQ(ini_.GetList(L"L", L"plain", items), 4u);
    EXPECT_EQ(items, (Strings{L"keep", L"a", L"b", L"", L"c"}));
    items.clear();
    ini_.GetList(L"L", L"plain", items, L",", false);
    EXPECT_EQ(items, (Strings{L"a ", L" b ", L"", L"c"}));  // the platform trims the value ends
    items.clear();
    EXPECT_EQ(ini_.GetList(L"L", L"plain", items, L""), 1u);
    EXPECT_EQ(items[0], L"a , b ,,c");
    items.clear();
    ini_.GetList(L"L", L"multi", items, L"||");
    EXPECT_EQ(items, (Strings{L"x", L"y", L"z"}));
    items.clear();
    EXPECT_EQ(ini_.GetList(L"L", L"absent", items), 0u);

    ASSERT_TRUE(ini_.WriteList(L"L", L"out", Strings{L"1", L"2", L"3"}, L";"));
    EXPECT_EQ(ini_.GetString(L"L", L"out"), L"1;2;3");
    ASSERT_TRUE(ini_.WriteList(L"L", L"dflt", Strings{L"1", L"2"}, L""));
    items.clear();
    ini_.GetList(L"L", L"dflt", items);
    EXPECT_EQ(items, (Strings{L"1", L"2"}));
}

TEST_F(ProfileFileTest, KeyAndSectionExistence) {
    Put("[Main]\r\nempty=\r\nfull=1\r\n[other]\r\n");
    EXPECT_TRUE(ini_.KeyExists(L"Main", L"empty"));
    EXPECT_TRUE(ini_.KeyExists(L"MAIN", L"FULL"));
    EXPECT_FALSE(ini_.KeyExists(L"Main", L"absent"));
    EXPECT_FALSE(ini_.KeyExists(L"nosection", L"full"));
    EXPECT_FALSE(ini_.KeyExists(nullptr, L"full"));
    EXPECT_TRUE(ini_.SectionExists(L"main"));
    EXPECT_TRUE(ini_.SectionExists(L"OTHER"));
    EXPECT_FALSE(ini_.SectionExists(L"Mai"));
    EXPECT_FALSE(ini_.SectionExists(nullptr));
}

TEST_F(ProfileFileTest, EnumerationGrowsAndSkipsLinesWithoutKeys) {
    std::string text;
    for (int i = 0; i < 120; ++i) text += "[Section_number_" + std::to_string(i) + "]\r\n";
    text += "[Big]\r\n";
    for (int i = 0; i < 100; ++i) {
        text += "key" + std::to_string(i) + " = value " + std::to_string(i) + "\r\n";
    }
    text += "[Keys]\r\nalpha=1\r\nnoequals\r\n=nokey\r\n beta = 2\r\n";
    Put(text);

    Strings names;
    EXPECT_EQ(ini_.GetSectionNames(names), 122u);  // far more than 512 characters of names
    EXPECT_EQ(names.front(), L"Section_number_0");
    EXPECT_EQ(names.back(), L"Keys");

    Strings lines;
    EXPECT_EQ(ini_.GetSectionLines(L"big", lines), 100u);
    EXPECT_EQ(lines[99], L"key99=value 99");

    Strings keys;
    EXPECT_EQ(ini_.GetKeyNames(L"Keys", keys), 2u);
    EXPECT_EQ(keys, (Strings{L"alpha", L"beta"}));
    EXPECT_EQ(ini_.GetKeyNames(L"absent", keys), 0u);

    const std::wstring raw = ini_.ReadSectionBuffer(L"Keys");
    ASSERT_GE(raw.size(), 2u);
    EXPECT_EQ(raw[raw.size() - 1], L'\0');
    EXPECT_EQ(raw[raw.size() - 2], L'\0');
}

TEST_F(ProfileFileTest, DeleteKeyAndSection) {
    Put("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
    ASSERT_TRUE(ini_.DeleteKey(L"A", L"x"));
    EXPECT_FALSE(ini_.KeyExists(L"A", L"x"));
    EXPECT_TRUE(ini_.KeyExists(L"A", L"y"));
    ASSERT_TRUE(ini_.DeleteSection(L"b"));
    EXPECT_FALSE(ini_.SectionExists(L"B"));
    EXPECT_FALSE(ini_.DeleteKey(L"A", nullptr));
    EXPECT_FALSE(ini_.DeleteSection(nullptr));
    EXPECT_TRUE(ini_.SectionExists(L"A"));
}

TEST_F(ProfileFileTest, CopyAndMoveSectionRefusalsAndReplacement) {
    Put("[Src]\r\na=1\r\nb=two\r\n[Dst]\r\nold=x\r\n");
    EXPECT_FALSE(ini_.CopySection(L"Src", L"SRC", false));   // same name, other case
    EXPECT_FALSE(ini_.CopySection(L"Nope", L"New", false));  // no source
    EXPECT_FALSE(ini_.CopySection(L"Src", L"dst", true));    // target exists
    EXPECT_FALSE(ini_.MoveSection(L"Src", L"Dst", true));
    EXPECT_TRUE(ini_.SectionExists(L"Src"));                 // a refused move keeps the source
    EXPECT_EQ(ini_.GetString(L"Dst", L"old"), L"x");

    ASSERT_TRUE(ini_.CopySection(L"Src", L"Dst", false));
    EXPECT_FALSE(ini_.KeyExists(L"Dst", L"old"));  // replaced, not merged
    EXPECT_EQ(ini_.GetString(L"Dst", L"b"), L"two");
    EXPECT_EQ(ini_.GetString(L"Src", L"a"), L"1");

    ASSERT_TRUE(ini_.MoveSection(L"Src", L"Moved", true));
    EXPECT_FALSE(ini_.SectionExists(L"Src"));
    EXPECT_EQ(ini_.GetString(L"Moved", L"a"), L"1");
}

TEST_F(ProfileFileTest, CopyKeyRefusalsAndCopy) {
    Put("[A]\r\nk=v\r\nempty=\r\n[B]\r\nk=old\r\n");
    EXPECT_FALSE(ini_.CopyKey(L"A", L"k", L"a", L"K", false));
    EXPECT_FALSE(ini_.CopyKey(L"A", L"absent", L"B", L"n", false));
    EXPECT_FALSE(ini_.CopyKey(L"A", L"k", L"B", L"k", true));
    EXPECT_EQ(ini_.GetString(L"B", L"k"), L"old");
    ASSERT_TRUE(ini_.CopyKey(L"A", L"k", L"B", L"k", false));
    EXPECT_EQ(ini_.GetString(L"B", L"k"), L"v");
    ASSERT_TRUE(ini_.CopyKey(L"A", L"empty", L"C", L"e", true));  // an empty value is a key
    EXPECT_TRUE(ini_.KeyExists(L"C", L"e"));
}

TEST(MultiStringWalk, StopsAtEmptyStringEndOfBufferOrVisitor) {
    Strings seen;
    const auto collect = [&](std::wstring_view s) {
        seen.emplace_back(s);
        return true;
    };
    WalkMultiString(std::wstring_view(L"a\0bc\0\0ignored\0", 14), collect);
    EXPECT_EQ(seen, (Strings{L"a", L"bc"}));
    seen.clear();
    WalkMultiString(std::wstring_view(L"x\0unterminated", 14), collect);
    EXPECT_EQ(seen, (Strings{L"x", L"unterminated"}));
    seen.clear();
    WalkMultiString(std::wstring_view(L"1\0" L"2\0" L"3\0\0", 8), [&](std::wstring_view s) {
        seen.emplace_back(s);
        return s != L"2";
    });
    EXPECT_EQ(seen, (Strings{L"1", L"2"}));
    int calls = 0;
    WalkMultiString(std::wstring_view(), [&](std::wstring_view) { return ++calls, true; });
    EXPECT_EQ(calls, 0);
}

}  // namespace
