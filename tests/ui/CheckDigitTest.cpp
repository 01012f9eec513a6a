#include <gtest/gtest.h>

#include "ui/CheckDigit.h"

using hotaru::ui::ComputeCheckDigit;

TEST(CheckDigit, WorkedExample) {
    // 2*7 -> 1+4, 6, 2*5 -> 1+0, 4, 2*3, 2, 2*1: sum 26.
    EXPECT_EQ(ComputeCheckDigit("1234567"), "4");
}

TEST(CheckDigit, AgreesWithTheLuhnSchemeOnKnownNumbers) {
    // 79927398713 and 49927398716 are the textbook valid Luhn numbers.
    EXPECT_EQ(ComputeCheckDigit("7992739871"), "3");
    EXPECT_EQ(ComputeCheckDigit("4992739871"), "6");
}

TEST(CheckDigit, SumOnATenGivesZeroNotTen) {
    EXPECT_EQ(ComputeCheckDigit("0000000"), "0");
    // 2*5 -> 1+0 ... "5": sum 1 -> 9;  "55": 1 + 5 = 6 -> 4;  "19": 9*2=18 -> 9, +1 = 10 -> 0.
    EXPECT_EQ(ComputeCheckDigit("5"), "9");
    EXPECT_EQ(ComputeCheckDigit("55"), "4");
    EXPECT_EQ(ComputeCheckDigit("19"), "0");
    EXPECT_EQ(ComputeCheckDigit(""), "0");
}

TEST(CheckDigit, InstitutionNumberOfKindOne) {
    // Prefecture 46, point table 1, "00", then the first six of 0123456:
    // 46100012345 reversed 5 4 3 2 1 0 0 0 1 6 4 -> 1+0, 4, 6, 2, 2, 0, 0, 0, 2, 6, 8 = 31 -> 9.
    EXPECT_EQ(ComputeCheckDigit("46" "1" "00" "012345"), "9");
}

TEST(CheckDigit, NumbersLeadingWithZeros) {
    // Leading zeros add nothing: a recipient number 0000123 + check digit
    // 3*2, 2, 1*2 = 10 -> 0.
    EXPECT_EQ(ComputeCheckDigit("00001230"), ComputeCheckDigit("1230"));
    EXPECT_EQ(ComputeCheckDigit("0000123"), "0");
    // An insurer number 0646001 + check digit: 1*2, 0, 0*2, 6, 4*2, 6, 0 = 22 -> 8.
    EXPECT_EQ(ComputeCheckDigit("0646001"), "8");
    EXPECT_EQ(ComputeCheckDigit("007992739871"), "3");
}

TEST(CheckDigit, OnlyTheLastElevenCharactersCount) {
    EXPECT_EQ(ComputeCheckDigit("9" "12345678901"), ComputeCheckDigit("12345678901"));
    EXPECT_EQ(ComputeCheckDigit("98765" "12345678901"), ComputeCheckDigit("12345678901"));
    // The eleventh from the right is doubled: 5 there changes the result.
    EXPECT_NE(ComputeCheckDigit("50000000000"), ComputeCheckDigit("00000000000"));
}

TEST(CheckDigit, NonDigitsCountZero) {
    EXPECT_EQ(ComputeCheckDigit("12a4"), ComputeCheckDigit("1204"));
    EXPECT_EQ(ComputeCheckDigit("１２"), ComputeCheckDigit("000000"));
}
