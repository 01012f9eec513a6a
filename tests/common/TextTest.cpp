#include <gtest/gtest.h>

#include "common/Text.h"

using namespace hotaru;

TEST(Text, TrimOnlyAsciiSpaces) {
    EXPECT_EQ(Trim("  abc  "), "abc");
    EXPECT_EQ(Trim("　abc　"), "　abc　");
    EXPECT_EQ(Trim("\tabc\t"), "\tabc\t");
    EXPECT_EQ(Trim("    "), "");
    EXPECT_EQ(Trim(""), "");
}

TEST(Text, CountsCharactersNotBytes) {
    const std::string s = "乳幼児abc";
    EXPECT_EQ(CharCount(s), 6u);
    EXPECT_EQ(CharCount(""), 0u);
    EXPECT_EQ(CharCount("𠮷"), 1u);
    EXPECT_EQ(LeftChars(s, 2), "乳幼");
    EXPECT_EQ(LeftChars(s, 10), s);
    EXPECT_EQ(RightChars(s, 4), "児abc");
    EXPECT_EQ(RightChars(s, 10), s);
    EXPECT_EQ(RightChars(s, 0), "");
    EXPECT_EQ(MidChars(s, 2, 3), "幼児a");
    EXPECT_EQ(MidChars(s, 3), "児abc");
    EXPECT_EQ(MidChars(s, 7), "");
    EXPECT_EQ(MidChars("平成20年04月", 2, 5), "成20年0");
}

TEST(Text, Padding) {
    EXPECT_EQ(PadLeft("医療", 4), "  医療");
    EXPECT_EQ(PadRight("医療", 4), "医療  ");
    EXPECT_EQ(PadLeft("医療費", 2), "医療費");
    EXPECT_EQ(PadRight("", 2), "  ");
}

TEST(Text, SplitReplaceAndCase) {
    EXPECT_EQ(SplitChars("aあ𠮷"), (std::vector<std::string>{"a", "あ", "𠮷"}));
    EXPECT_TRUE(SplitChars("").empty());
    EXPECT_EQ(ReplaceAll("a,b,,c", ",", ";"), "a;b;;c");
    EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ToLowerAscii("AbC平成"), "abc平成");
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Medic_INS.mdb", "medic_ins.MDB"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("abc", "abcd"));
}
