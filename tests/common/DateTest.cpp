#include <gtest/gtest.h>

#include "common/Date.h"

using namespace hotaru;

namespace {
Date D(int y, int m, int d) { return Date{y, m, d}; }
}

TEST(FormatDate, AllPatternsInUse) {
    const Date d = D(2008, 4, 1);
    EXPECT_EQ(FormatDate(d, "GGGEE年MM月DD日"), "平成20年04月01日");
    EXPECT_EQ(FormatDate(d, "GGGEE年MM月"), "平成20年04月");
    EXPECT_EQ(FormatDate(d, "gggee年mm月"), "平成20年04月");
    EXPECT_EQ(FormatDate(d, "GEE.MM.DD"), "H20.04.01");
    EXPECT_EQ(FormatDate(d, "GEE.MM"), "H20.04");
    EXPECT_EQ(FormatDate(d, "GGGEEMM"), "平成2004");
    EXPECT_EQ(FormatDate(d, "EEMM"), "2004");
    EXPECT_EQ(FormatDate(d, "EEMMDD"), "200401");
    EXPECT_EQ(FormatDate(d, "yyyy/mm"), "2008/04");
    EXPECT_EQ(FormatDate(d, "yyyy/mm/dd"), "2008/04/01");
    EXPECT_EQ(FormatDate(D(2008, 4, 17), "YYYY/MM/01"), "2008/04/01");
}

TEST(FormatDate, EraBoundariesAndFirstYear) {
    EXPECT_EQ(FormatDate(D(2019, 4, 30), "GGGEE年MM月DD日"), "平成31年04月30日");
    EXPECT_EQ(FormatDate(D(2019, 5, 1), "GGGEE年MM月DD日"), "令和01年05月01日");
    EXPECT_EQ(FormatDate(D(2026, 12, 1), "GGGEE年MM月"), "令和08年12月");
    EXPECT_EQ(FormatDate(D(2026, 12, 1), "GEE.MM"), "R08.12");
    EXPECT_EQ(FormatDate(D(1989, 1, 7), "GEE.MM.DD"), "S64.01.07");
    EXPECT_EQ(FormatDate(D(1989, 1, 8), "GEE.MM.DD"), "H01.01.08");
    EXPECT_EQ(FormatDate(D(1926, 12, 24), "GGGEE"), "大正15");
    EXPECT_EQ(FormatDate(D(1926, 12, 25), "GGGEE"), "昭和01");
    EXPECT_EQ(FormatDate(D(1912, 7, 29), "GEE"), "M45");
    EXPECT_EQ(FormatDate(D(1912, 7, 30), "GEE"), "T01");
}

TEST(FormatDate, InvalidOrBeforeEras) {
    EXPECT_EQ(FormatDate(D(2008, 2, 30), "yyyy/mm/dd"), "");
    EXPECT_EQ(FormatDate(Date{}, "GGGEE年MM月"), "");
    EXPECT_EQ(FormatDate(D(1800, 1, 1), "GGGEE年"), "");
    EXPECT_EQ(FormatDate(D(1800, 1, 1), "yyyy/mm/dd"), "1800/01/01");
}

TEST(EraLookup, NamesCodesAndDates) {
    ASSERT_NE(EraByName("平成"), nullptr);
    EXPECT_EQ(EraByName("平成")->code, 4);
    EXPECT_EQ(EraByCode(5)->letter, 'R');
    EXPECT_EQ(EraByName("令和")->first, D(2019, 5, 1));
    EXPECT_EQ(EraByName("H"), nullptr);
    EXPECT_EQ(EraByCode(6), nullptr);
    EXPECT_EQ(EraOf(D(1868, 1, 24)), nullptr);
    EXPECT_STREQ(EraOf(D(1868, 1, 25))->name, "明治");
    EXPECT_STREQ(EraOf(D(2019, 4, 30))->name, "平成");
}

TEST(ParseDate, EraTexts) {
    EXPECT_EQ(ParseDate("平成20年04月"), D(2008, 4, 1));
    EXPECT_EQ(ParseDate("平成20年04月01日"), D(2008, 4, 1));
    EXPECT_EQ(ParseDate("平成19年03月"), D(2007, 3, 1));
    EXPECT_EQ(ParseDate("平成20年4月15日"), D(2008, 4, 15));
    EXPECT_EQ(ParseDate("令和8年12月"), D(2026, 12, 1));
    EXPECT_EQ(FormatDate(*ParseDate("平成20年04月"), "YYYY/MM/01"), "2008/04/01");
}

TEST(ParseDate, EraMonthMustTouchTheEra) {
    EXPECT_EQ(ParseDate("平成31年04月"), D(2019, 4, 1));
    EXPECT_EQ(ParseDate("令和01年05月"), D(2019, 5, 1));
    EXPECT_FALSE(IsDate("平成31年05月"));
    EXPECT_FALSE(IsDate("令和01年04月"));
    EXPECT_FALSE(IsDate("平成32年01月"));
    // An era starting mid-month covers that month.
    EXPECT_EQ(ParseDate("平成01年01月"), D(1989, 1, 1));
    EXPECT_EQ(ParseDate("昭和64年01月"), D(1989, 1, 1));
}

TEST(ParseDate, EraDayMustLieInTheEra) {
    EXPECT_EQ(ParseDate("平成31年04月30日"), D(2019, 4, 30));
    EXPECT_FALSE(IsDate("平成31年05月01日"));
    EXPECT_FALSE(IsDate("令和01年04月30日"));
    EXPECT_FALSE(IsDate("平成01年01月07日"));
    EXPECT_EQ(ParseDate("昭和64年01月07日"), D(1989, 1, 7));
}

TEST(ParseDate, NotDates) {
    for (const char* text : {"", "   ", "abc", "平成20年13月", "平成20年00月", "平成00年04月",
                             "平成20年04月32日", "平成20年02月30日", "平成20年04", "平成20年04月01",
                             "平成年04月", "平成200年04月", "未来20年04月", "平成20年04月01日x",
                             "2008/02/30", "2008/13/01", "2008/04", "2008/04/01/02", "208/04/01",
                             "2008/04-01", "2008/004/01", "2008／04／01"}) {
        EXPECT_FALSE(IsDate(text)) << text;
    }
}

TEST(ParseDate, SlashTexts) {
    EXPECT_EQ(ParseDate("2008/04/01"), D(2008, 4, 1));
    EXPECT_EQ(ParseDate("2008/4/1"), D(2008, 4, 1));
    EXPECT_EQ(ParseDate(" 2008/04/01 "), D(2008, 4, 1));
    EXPECT_EQ(ParseDate("2008-04-01"), D(2008, 4, 1));
    EXPECT_EQ(ParseDate("20/04/01"), D(2020, 4, 1));
    EXPECT_EQ(ParseDate("29/12/31"), D(2029, 12, 31));
    EXPECT_EQ(ParseDate("30/01/01"), D(1930, 1, 1));
    EXPECT_EQ(ParseDate("2008/02/29"), D(2008, 2, 29));
    EXPECT_FALSE(IsDate("2100/02/29"));
    EXPECT_EQ(ParseDate("2000/02/29"), D(2000, 2, 29));
}

TEST(DateText, IsoAndShortForms) {
    EXPECT_EQ(D(2008, 4, 1).iso(), "2008-04-01");
    EXPECT_EQ(D(2008, 4, 1).shortDate(), "2008/04/01");
    EXPECT_EQ(Date::fromIso("2008-04-01"), D(2008, 4, 1));
    EXPECT_EQ(Date::fromIso("2008/04/01"), D(2008, 4, 1));
    EXPECT_EQ(Date::fromIso("2008-04-01 00:00:00"), D(2008, 4, 1));
    EXPECT_FALSE(Date::fromIso("2008-4-1"));
    EXPECT_FALSE(Date::fromIso("2008-02-30"));
    EXPECT_FALSE(Date::fromIso("2008-04/01"));
    EXPECT_FALSE(Date::fromIso(""));
    EXPECT_TRUE(Date::today().isValid());
}

TEST(DateArithmetic, AddMonths) {
    EXPECT_EQ(AddMonths(D(2008, 1, 1), -1), D(2007, 12, 1));
    EXPECT_EQ(AddMonths(D(2007, 12, 1), 1), D(2008, 1, 1));
    EXPECT_EQ(AddMonths(D(2008, 3, 31), -1), D(2008, 2, 29));
    EXPECT_EQ(AddMonths(D(2007, 3, 31), -1), D(2007, 2, 28));
    EXPECT_EQ(AddMonths(D(2008, 1, 31), 3), D(2008, 4, 30));
    EXPECT_EQ(AddMonths(D(2008, 5, 15), -25), D(2006, 4, 15));
    EXPECT_EQ(AddMonths(D(2008, 5, 15), 0), D(2008, 5, 15));
}

TEST(DateArithmetic, MonthsBetweenCountsBoundaries) {
    EXPECT_EQ(MonthsBetween(D(2008, 1, 31), D(2008, 2, 1)), 1);
    EXPECT_EQ(MonthsBetween(D(2008, 2, 1), D(2008, 2, 29)), 0);
    EXPECT_EQ(MonthsBetween(D(2007, 12, 1), D(2008, 1, 1)), 1);
    EXPECT_EQ(MonthsBetween(D(2008, 4, 1), D(2007, 4, 1)), -12);
    EXPECT_EQ(MonthsBetween(D(2019, 4, 1), D(2026, 12, 1)), 92);
}
