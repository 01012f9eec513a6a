#include <gtest/gtest.h>

#include "common/Sjis.h"

using namespace hotaru;

TEST(Sjis, RoundTrip) {
    const std::string title = "乳幼児医療　ＦＤデータ確認リスト";
    const std::string sjis = ToSjis(title);
    EXPECT_EQ(sjis.size(), 2 * 16u);
    EXPECT_EQ(sjis.substr(0, 2), "\x93\xFB");  // 乳
    EXPECT_EQ(FromSjis(sjis), title);

    const std::string kana = "ﾜｰﾆﾝｸﾞ";
    EXPECT_EQ(ToSjis(kana), "\xDC\xB0\xC6\xDD\xB8\xDE");
    EXPECT_EQ(FromSjis(ToSjis(kana)), kana);

    const std::string mixed = "1234,平成20年04月,\\~\r\n";
    EXPECT_EQ(FromSjis(ToSjis(mixed)), mixed);
    EXPECT_EQ(ToSjis(""), "");
    EXPECT_EQ(FromSjis(""), "");
}

TEST(Sjis, MappedCharactersEncodeAsWindowsForms) {
    EXPECT_EQ(ToSjis("\u301C"), "\x81\x60");
    EXPECT_EQ(ToSjis("\u2212"), "\x81\x7C");
    EXPECT_EQ(ToSjis("\u2016"), "\x81\x61");
    EXPECT_EQ(ToSjis("\u2014"), "\x81\x5C");
    EXPECT_EQ(ToSjis("\u00A2"), "\x81\x91");
    EXPECT_EQ(ToSjis("\u00A3"), "\x81\x92");
    EXPECT_EQ(ToSjis("\u00AC"), "\x81\xCA");
    EXPECT_EQ(NormalizeForSjis("a\u301Cb\u00A2"), "a\uFF5Eb\uFFE0");
    // Read back, they come as the Windows code points.
    EXPECT_EQ(FromSjis(ToSjis("1\u301C2")), "1\uFF5E2");
}

TEST(Sjis, UnencodableCharacterIsNamed) {
    // ¢ (2 bytes) grows to 3 when normalised; the offset is still the caller's.
    const std::string text = "山田\u00A2𠮷子";
    try {
        ToSjis(text);
        FAIL() << "no error";
    } catch (const SjisError& e) {
        EXPECT_EQ(e.character(), "𠮷");
        EXPECT_EQ(e.offset(), 8u);
        EXPECT_NE(std::string(e.what()).find("𠮷"), std::string::npos);
    }
    EXPECT_THROW(ToSjis("😀"), SjisError);
    EXPECT_THROW(ToSjis("abc\xFF"), SjisError);  // not UTF-8 either
}

TEST(Sjis, InvalidBytesThrow) {
    try {
        FromSjis(std::string("ab\x81", 3));  // lead byte without its trail byte
        FAIL() << "no error";
    } catch (const SjisError& e) {
        EXPECT_EQ(e.offset(), 2u);
    }
    EXPECT_THROW(FromSjis("\xA0"), SjisError);
    EXPECT_THROW(FromSjis("\x81\x20"), SjisError);
}

TEST(Sjis, DescriptorsAreReusedSafelyAfterAFailure) {
    EXPECT_THROW(FromSjis("\x81"), SjisError);
    EXPECT_EQ(FromSjis("\x88\xE3"), "医");
    EXPECT_THROW(ToSjis("𠮷"), SjisError);
    EXPECT_EQ(ToSjis("医"), "\x88\xE3");
}

TEST(IsFullWidth, Cases) {
    EXPECT_TRUE(IsFullWidth(""));
    EXPECT_TRUE(IsFullWidth("山田　太郎"));
    EXPECT_TRUE(IsFullWidth("ＡＢＣ１２３"));
    EXPECT_TRUE(IsFullWidth("ヤマダ"));
    EXPECT_TRUE(IsFullWidth("やまだ"));
    EXPECT_TRUE(IsFullWidth("髙"));
    EXPECT_TRUE(IsFullWidth("\u301C"));  // typed wave dash, full-width once normalised
    EXPECT_FALSE(IsFullWidth("ｱ"));
    EXPECT_FALSE(IsFullWidth("A"));
    EXPECT_FALSE(IsFullWidth("山田 太郎"));
    EXPECT_FALSE(IsFullWidth("山田ﾀﾛｳ"));
    EXPECT_FALSE(IsFullWidth("𠮷"));
    EXPECT_FALSE(IsFullWidth("山😀"));
}
