#include <gtest/gtest.h>

#include <climits>

#include "common/Numeric.h"

using namespace hotaru;

TEST(IsNumeric, Accepted) {
    for (const char* text : {"0", "123", " 123 ", "+5", "-5", "5-", "5+", "1,234", "1,2,3",
                             "1,234,567.89", "1.5", ".5", "1.", "1e5", "1.5E-3", "2E+2", "-1.5e3",
                             "007", "  -0.25  "}) {
        EXPECT_TRUE(IsNumeric(text)) << "'" << text << "'";
    }
}

TEST(IsNumeric, Rejected) {
    for (const char* text : {"", "  ", ".", "&H10", "１２", "1 2", "--1", "+-1", "-1-", "1e",
                             "1e+", "e5", "abc", "12a", ",1", "1,", "1,,2", "1.2.3", "1..2", "$1",
                             "\t1", "1e400", "- 1", "１"}) {
        EXPECT_FALSE(IsNumeric(text)) << "'" << text << "'";
    }
}

TEST(ToNumber, Values) {
    EXPECT_DOUBLE_EQ(*ToNumber("1,234"), 1234);
    EXPECT_DOUBLE_EQ(*ToNumber("1,2,3"), 123);
    EXPECT_DOUBLE_EQ(*ToNumber(" 12.5- "), -12.5);
    EXPECT_DOUBLE_EQ(*ToNumber("-1.5E-3"), -0.0015);
    EXPECT_DOUBLE_EQ(*ToNumber("1e-400"), 0);
    EXPECT_FALSE(ToNumber("x"));
}

TEST(Rounding, HalfEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(1234.5), 1234);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
    EXPECT_EQ(RoundHalfEven(-2.6), -3);
}

TEST(Rounding, WholePartTruncates) {
    EXPECT_EQ(WholePart(3.9), 3);
    EXPECT_EQ(WholePart(-3.9), -3);
    EXPECT_EQ(WholePart(0), 0);
    EXPECT_EQ(WholePart(1e30), LLONG_MAX);
}

TEST(FormatNumber, Patterns) {
    EXPECT_EQ(FormatNumber(5, "00"), "05");
    EXPECT_EQ(FormatNumber(123, "0000000"), "0000123");
    EXPECT_EQ(FormatNumber(12345, "000000000"), "000012345");
    EXPECT_EQ(FormatNumber(1234567, "#,###,###,###"), "1,234,567");
    EXPECT_EQ(FormatNumber(123, "#,###,###,###"), "123");
    EXPECT_EQ(FormatNumber(1234, "###,###,###"), "1,234");
    EXPECT_EQ(FormatNumber(0, "#,###,###,###"), "");
    EXPECT_EQ(FormatNumber(0, "###,###,###"), "");
    EXPECT_EQ(FormatNumber(0, "00"), "00");
    EXPECT_EQ(FormatNumber(1.1, "#.00"), "1.10");
    EXPECT_EQ(FormatNumber(0.5, "#.00"), ".50");
    EXPECT_EQ(FormatNumber(1234567890123, "#,###,###,###,###"), "1,234,567,890,123");
    EXPECT_EQ(FormatNumber(12345678, "0000000"), "12345678");
    EXPECT_EQ(FormatNumber(-1234, "#,###"), "-1,234");
    EXPECT_EQ(FormatNumber(1234, "#,##0.0#"), "1,234.0");
    EXPECT_EQ(FormatNumber(1234.567, "#,##0.0#"), "1,234.57");
}

TEST(FormatNumber, DecimalRoundingHalfAwayFromZero) {
    EXPECT_EQ(FormatNumber(2.345, "#.00"), "2.35");
    EXPECT_EQ(FormatNumber(-2.345, "#.00"), "-2.35");
    EXPECT_EQ(FormatNumber(1.005, "0.00"), "1.01");
    EXPECT_EQ(FormatNumber(2.5, "0"), "3");
    EXPECT_EQ(FormatNumber(0.5, "0"), "1");
    EXPECT_EQ(FormatNumber(9.995, "0.00"), "10.00");
    EXPECT_EQ(FormatNumber(999.5, "#,###"), "1,000");
    EXPECT_EQ(FormatNumber(0.001, "0.00"), "0.00");
    EXPECT_EQ(FormatNumber(-0.001, "0.00"), "0.00");
    EXPECT_EQ(FormatNumber(0.1 + 0.2, "0.0000000"), "0.3000000");
}

TEST(FormatNumber, EmptyPatternGivesPlainText) {
    EXPECT_EQ(FormatNumber(1234, ""), "1234");
    EXPECT_EQ(FormatNumber(-0.25, ""), "-0.25");
    EXPECT_EQ(FormatNumber(0, ""), "0");
}

TEST(FormatText, NumericAndOtherTexts) {
    EXPECT_EQ(FormatText("", "0000000"), "");
    EXPECT_EQ(FormatText("123", "0000000"), "0000123");
    EXPECT_EQ(FormatText("12345678", "0000000"), "12345678");
    EXPECT_EQ(FormatText("1,234", "00000"), "01234");
    EXPECT_EQ(FormatText("0", "#,###"), "");
    EXPECT_EQ(FormatText("abc", "0000000"), "abc");
    EXPECT_EQ(FormatText("１２", "00"), "１２");
    EXPECT_EQ(FormatText("5", "00"), "05");
}
