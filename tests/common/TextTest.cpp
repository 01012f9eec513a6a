// Shift_JIS (CP932) for the federation's files, and text counted in characters.
#include <gtest/gtest.h>

#include "common/Sjis.h"
#include "common/Text.h"

using namespace hotaru;

TEST(Sjis, RoundTripsAndTheWindowsFormsOfTypedCharacters) {
    const std::string title = "乳幼児医療　ＦＤデータ確認リスト";
    EXPECT_EQ(ToSjis(title).substr(0, 4), "\x93\xFB\x97\x63");  // 乳幼
    EXPECT_EQ(ToSjis(title).size(), 32u);
    for (const std::string& text : {title, std::string("ﾜｰﾆﾝｸﾞ"), std::string("1,平成20年04月,\\~\r\n"), std::string()})
        EXPECT_EQ(FromSjis(ToSjis(text)), text);
    EXPECT_EQ(ToSjis("ﾜｰﾆﾝｸﾞ"), "\xDC\xB0\xC6\xDD\xB8\xDE");
    // Code points an input method types that CP932 lacks take the Windows forms.
    EXPECT_EQ(ToSjis("\u301C\u2212\u2016\u2014\u00A2\u00A3\u00AC"),
              "\x81\x60\x81\x7C\x81\x61\x81\x5C\x81\x91\x81\x92\x81\xCA");
    EXPECT_EQ(NormalizeForSjis("a\u301Cb\u00A2"), "a\uFF5Eb\uFFE0");
    EXPECT_EQ(FromSjis(ToSjis("1\u301C2")), "1\uFF5E2");
}

// The failing character and its offset in the caller's text are named, and
// a failure leaves the converters usable.
TEST(Sjis, UnencodableCharactersAndBadBytesAreNamed) {
    auto failure = [](auto convert) {
        try {
            convert();
        } catch (const SjisError& e) {
            return e.character() + " at " + std::to_string(e.offset()) + ": " + e.what();
        }
        return std::string("no error");
    };
    // ¢ grows by a byte when normalised; the offset is still the caller's.
    EXPECT_EQ(failure([] { ToSjis("山田\u00A2𠮷子"); }), "𠮷 at 8: Shift_JISで表せない文字があります（8バイト目: 𠮷）");
    EXPECT_EQ(failure([] { FromSjis(std::string("ab\x81", 3)); }),  // a lead byte without its trail byte
              "0x81 at 2: Shift_JISとして読めないバイトがあります（2バイト目: 0x81）");
    // é has no form either; the second time it is known without asking.
    for (int time = 0; time < 2; ++time)
        EXPECT_EQ(failure([] { ToSjis("Aé"); }), "é at 1: Shift_JISで表せない文字があります（1バイト目: é）");
    EXPECT_EQ(failure([] { ToSjis("a\x80"); }),  // not UTF-8
              "0x80 at 1: 文字コードが正しくありません（1バイト目: 0x80）");
    EXPECT_EQ(failure([] { FromSjis("\xA0z"); }),  // no lead byte: named alone
              "0xA0 at 0: Shift_JISとして読めないバイトがあります（0バイト目: 0xA0）");
    EXPECT_THROW(FromSjis("\x81\x20"), SjisError);
    EXPECT_EQ(FromSjis("\x88\xE3"), "医");
    EXPECT_EQ(ToSjis("医"), "\x88\xE3");
}

TEST(Sjis, FullWidthIsTwoBytesEach) {
    for (const char* text : {"", "山田　太郎", "ＡＢＣ１２３", "ヤマダ", "やまだ", "髙", "\u301C"})
        EXPECT_TRUE(IsFullWidth(text)) << text;
    for (const char* text : {"ｱ", "A", "山田 太郎", "山田ﾀﾛｳ", "𠮷", "山😀"})
        EXPECT_FALSE(IsFullWidth(text)) << text;
}

TEST(Text, CharactersNotBytes) {
    EXPECT_EQ(Trim("  abc  ") + "|" + Trim("　abc　") + "|" + Trim("\tabc\t") + "|" + Trim("  "),
              "abc|　abc　|\tabc\t|");
    const std::string s = "乳幼児abc";
    EXPECT_EQ(CharCount(s), 6u);
    EXPECT_EQ(CharCount("𠮷"), 1u);
    EXPECT_EQ(LeftChars(s, 2) + "|" + LeftChars(s, 10), "乳幼|" + s);
    EXPECT_EQ(RightChars(s, 4) + "|" + RightChars(s, 10) + "|" + RightChars(s, 0), "児abc|" + s + "|");
    EXPECT_EQ(MidChars(s, 2, 3) + "|" + MidChars(s, 3) + "|" + MidChars(s, 7) + "|" + MidChars(s, 0, 1),
              "幼児a|児abc||乳");
    EXPECT_EQ(PadLeft("医療", 4) + "|" + PadRight("医療", 4) + "|" + PadLeft("医療費", 2) + "|" + PadRight("医療費", 2),
              "  医療|医療  |医療費|医療費");
    EXPECT_EQ(SplitChars("aあ𠮷"), (std::vector<std::string>{"a", "あ", "𠮷"}));
    EXPECT_EQ(ReplaceAll("a,b,,c", ",", ";") + "|" + ReplaceAll("aaa", "aa", "b") + "|" + ReplaceAll("abc", "", "x"),
              "a;b;;c|ba|abc");
    EXPECT_EQ(ToLowerAscii("AbCZ@[平成"), "abcz@[平成");
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Medic_INS.mdb", "medic_ins.MDB"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("abc", "abcd"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("abc", "abd"));
}
