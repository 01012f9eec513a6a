// The full-width test the name fields rely on (kept in common, checked here
// for the cases the windows meet).
#include <gtest/gtest.h>

#include "common/Sjis.h"

using hotaru::IsFullWidth;

TEST(FullWidth, JapaneseFullWidthText) {
    EXPECT_TRUE(IsFullWidth("山田　太郎"));  // with a full-width space
    EXPECT_TRUE(IsFullWidth("やまだ"));
    EXPECT_TRUE(IsFullWidth("ヤマダ"));
    EXPECT_TRUE(IsFullWidth("１２３"));      // full-width digits
    EXPECT_TRUE(IsFullWidth("ＡＢＣ"));
    EXPECT_TRUE(IsFullWidth("①"));          // Windows extensions of Shift_JIS
    EXPECT_TRUE(IsFullWidth("髙"));
    EXPECT_TRUE(IsFullWidth(""));
}

TEST(FullWidth, OneByteCharactersFail) {
    EXPECT_FALSE(IsFullWidth("ﾔﾏﾀﾞ"));       // half-width kana
    EXPECT_FALSE(IsFullWidth("ｱ"));
    EXPECT_FALSE(IsFullWidth("Yamada"));
    EXPECT_FALSE(IsFullWidth("山田 太郎"));  // ASCII space
    EXPECT_FALSE(IsFullWidth("山田1"));
}

TEST(FullWidth, CharactersOutsideShiftJisFail) {
    EXPECT_FALSE(IsFullWidth("𠮷田"));       // outside the BMP
    EXPECT_FALSE(IsFullWidth("😀"));
    EXPECT_FALSE(IsFullWidth("한국"));        // Hangul
}
