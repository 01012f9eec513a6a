#include <gtest/gtest.h>

#include <climits>

#include "common/Numeric.h"

using namespace hotaru;

// The numbers the windows have always accepted: signs at either end, ","
// grouping between digits, one point, an exponent; nothing full-width.
TEST(IsNumeric, AcceptedAndRejected) {
    for (const char* text : {"0", "123", " 123 ", "+5", "-5", "5-", "5+", "1,234", "1,2,3", "1,234,567.89", "1.5",
                             ".5", "1.", "1e5", "1.5E-3", "2E+2", "-1.5e3", "007", "  -0.25  "})
        EXPECT_TRUE(IsNumeric(text)) << "'" << text << "'";
    for (const char* text : {"", "  ", ".", "&H10", "１２", "1 2", "--1", "+-1", "-1-", "1e", "1e+", "e5", "abc",
                             "12a", ",1", "1,", "1,,2", "1.2.3", "1..2", "$1", "\t1", "1e400", "- 1", "１"})
        EXPECT_FALSE(IsNumeric(text)) << "'" << text << "'";
    EXPECT_EQ((std::vector{*ToNumber("1,2,3"), *ToNumber(" 12.5- "), *ToNumber("-1.5E-3"), *ToNumber("1e-400")}),
              (std::vector{123.0, -12.5, -0.0015, 0.0}));
}

TEST(Rounding, HalfEvenAndWholePart) {
    const std::pair<double, double> halfEven[] = {{2.5, 2},    {3.5, 4},     {-2.5, -2},   {-3.5, -4}, {1234.5, 1234},
                                                  {0.5, 0},    {2.4999, 2},  {2.5001, 3},  {-2.6, -3}};
    for (auto [value, rounded] : halfEven) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
    EXPECT_EQ((std::vector{WholePart(3.9), WholePart(-3.9), WholePart(1e30), WholePart(-1e30)}),
              (std::vector<long long>{3, -3, LLONG_MAX, LLONG_MIN}));
}

// The patterns in use; decimals round half away from zero on the decimal
// digits (2.345 -> 2.35), zero under an all-"#" pattern is empty.
TEST(FormatNumber, Patterns) {
    const struct { double value; const char* pattern; const char* text; } cases[] = {
        {5, "00", "05"}, {12345, "000000000", "000012345"}, {12345678, "0000000", "12345678"}, {0, "00", "00"},
        {1234567, "#,###,###,###", "1,234,567"}, {123, "#,###,###,###", "123"}, {1234, "###,###,###", "1,234"},
        {0, "#,###,###,###", ""}, {1.1, "#.00", "1.10"}, {0.5, "#.00", ".50"}, {-1234, "#,###", "-1,234"},
        {1234567890123, "#,###,###,###,###", "1,234,567,890,123"}, {1234, "#,##0.0#", "1,234.0"},
        {1234.567, "#,##0.0#", "1,234.57"}, {2.345, "#.00", "2.35"}, {-2.345, "#.00", "-2.35"},
        {1.005, "0.00", "1.01"}, {2.5, "0", "3"}, {0.5, "0", "1"}, {9.995, "0.00", "10.00"}, {999.5, "#,###", "1,000"},
        {0.001, "0.00", "0.00"}, {-0.001, "0.00", "0.00"}, {0.1 + 0.2, "0.0000000", "0.3000000"},
        {12, "第00号", "第12号"}, {1234, "", "1234"}, {-0.25, "", "-0.25"}, {0, "", "0"}, {1e20, "", "1E+20"}};
    for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value, c.pattern), c.text) << c.value << " " << c.pattern;
}

TEST(FormatText, NumericTextsAreFormattedOthersKept) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", "0000000", ""}, {"123", "0000000", "0000123"}, {"1,234", "00000", "01234"}, {"0", "#,###", ""},
        {"abc", "0000000", "abc"}, {"１２", "00", "１２"}, {"5", "00", "05"}};
    for (const auto& [text, pattern, out] : cases) EXPECT_EQ(FormatText(text, pattern), out) << text;
}
