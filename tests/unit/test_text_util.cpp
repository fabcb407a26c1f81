// Unit tests of the text helpers: trimming, case folding, Split, integer parsing, bounded copies.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "framework/TextUtil.h"

using text::Split;
using V = std::vector<std::string>;

TEST(TextUtil, TrimRemovesBlanksTabsAndLineEndsOnlyAtTheEnds) {
    EXPECT_EQ(text::Trim(" \t\r\n a b \r\n\t "), "a b");
    EXPECT_EQ(text::Trim(" \t\r\n"), "");
    EXPECT_EQ(text::Trim(""), "");
    EXPECT_EQ(text::Trim(std::wstring_view(L"\tx y\r\n")), L"x y");
    // Other control characters and NULs are content, not white space.
    EXPECT_EQ(text::Trim(std::string_view("\v x \0", 5)), std::string_view("\v x \0", 5));
}

TEST(TextUtil, CaseInsensitiveCompareFoldsAsciiOnly) {
    EXPECT_TRUE(text::EqualsNoCase("Module_Dll", "MODULE_DLL"));
    EXPECT_TRUE(text::EqualsNoCase(std::wstring_view(L"setting"), L"SETTING"));
    EXPECT_FALSE(text::EqualsNoCase("SKIN", "SKIN_LOAD"));
    EXPECT_LT(text::CompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(text::CompareNoCase("abcd", "ABC"), 0);
    // Bytes above 0x7F (GBK text) are never folded and sort after ASCII.
    EXPECT_FALSE(text::EqualsNoCase("\xC4\xE3", "\xE4\xE3"));
    EXPECT_GT(text::CompareNoCase("\xC4", "z"), 0);
}

TEST(TextUtil, SplitWithoutLimitKeepsEveryFieldIncludingEmptyOnes) {
    EXPECT_EQ(Split("a,b,c", ','), (V{"a", "b", "c"}));
    EXPECT_EQ(Split("a,,c,", ','), (V{"a", "", "c", ""}));
    EXPECT_EQ(Split("", ','), (V{""}));
    EXPECT_EQ(Split("abc", ','), (V{"abc"}));
}

TEST(TextUtil, SplitWithLimitKeepsRestInLastFieldAndPadsMissingFields) {
    EXPECT_EQ(Split("1,skingb.dll,简体,中文", ',', 3), (V{"1", "skingb.dll", "简体,中文"}));
    EXPECT_EQ(Split("1", ',', 3), (V{"1", "", ""}));
    EXPECT_EQ(Split("", ',', 2), (V{"", ""}));
    EXPECT_EQ(Split("a,b", ',', 1), (V{"a,b"}));
    EXPECT_TRUE(Split("a,b", ',', 0).empty());
    EXPECT_EQ(Split(std::wstring_view(L"x|y|z"), L'|', 2),
              (std::vector<std::wstring>{L"x", L"y|z"}));
}

TEST(TextUtil, ParseLeadingIntTakesLeadingDigitsLikeAtoi) {
    EXPECT_EQ(text::ParseLeadingInt("115200"), 115200);
    EXPECT_EQ(text::ParseLeadingInt("  -42abc"), -42);
    EXPECT_EQ(text::ParseLeadingInt("+7"), 7);
    EXPECT_EQ(text::ParseLeadingInt("12 34"), 12);
    EXPECT_EQ(text::ParseLeadingInt(""), 0);
    EXPECT_EQ(text::ParseLeadingInt("abc"), 0);
    EXPECT_EQ(text::ParseLeadingInt("-"), 0);
    EXPECT_EQ(text::ParseLeadingInt("0x10"), 0);
    EXPECT_EQ(text::ParseLeadingInt(std::wstring_view(L"\t99")), 99);
}

TEST(TextUtil, ParseLeadingIntClampsInsteadOfOverflowing) {
    EXPECT_EQ(text::ParseLeadingInt("2147483647"), INT_MAX);
    EXPECT_EQ(text::ParseLeadingInt("2147483648"), INT_MAX);
    EXPECT_EQ(text::ParseLeadingInt("-2147483648"), INT_MIN);
    EXPECT_EQ(text::ParseLeadingInt("-2147483649"), INT_MIN);
    EXPECT_EQ(text::ParseLeadingInt(std::string(5000, '9')), INT_MAX);
    EXPECT_EQ(text::ParseLeadingInt("-" + std::string(5000, '9')), INT_MIN);
}

TEST(TextUtil, CopyBoundedCutsTerminatesAndNeverWritesPastTheBuffer) {
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    EXPECT_EQ(text::CopyBounded(buf, "abc"), 3u);
    EXPECT_STREQ(buf, "abc");

    char guarded[12];
    std::memset(guarded, 'G', sizeof guarded);
    EXPECT_EQ(text::CopyBounded(guarded + 2, 8, "0123456789"), 7u);
    EXPECT_STREQ(guarded + 2, "0123456");
    EXPECT_EQ(guarded[1], 'G');
    EXPECT_EQ(guarded[10], 'G');

    EXPECT_EQ(text::CopyBounded(buf, std::string_view("ab\0cd", 5)), 2u);
    EXPECT_STREQ(buf, "ab");
    EXPECT_EQ(text::CopyBounded(buf, 0, "abc"), 0u);
    EXPECT_EQ(text::CopyBounded(nullptr, 4, "abc"), 0u);
    EXPECT_EQ(text::CopyBounded(buf, 1, "abc"), 0u);
    EXPECT_STREQ(buf, "");
}

TEST(TextUtil, CutTextStopsAtNulAndLength) {
    EXPECT_EQ(text::CutText("abcdef", 4), "abcd");
    EXPECT_EQ(text::CutText(std::string_view("ab\0cdef", 7), 4), "ab");
    EXPECT_EQ(text::CutText("ab", 35), "ab");
}

TEST(TextUtil, FillPlaceholdersTakesOnlyTheValuesItIsGiven) {
    // The resources' formats: names and numbers for %s, counts for %d.
    EXPECT_EQ(text::FillPlaceholders(L"来自 %s[%s].", {L"", L"10086"}), L"来自 [10086].");
    EXPECT_EQ(text::FillPlaceholders(L"已成功发送短信 %d 条", {L"2"}), L"已成功发送短信 2 条");
    // A translation with more placeholders than values, or others, reads nothing it was not given.
    EXPECT_EQ(text::FillPlaceholders(L"[%s,%s] %d%% %x %s", {L"a", L"1", L"3"}), L"[a,1] 3% %x %s");
    EXPECT_EQ(text::FillPlaceholders(L"%s %n 100%% %", {}), L"%s %n 100% %");
}
