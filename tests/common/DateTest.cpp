#include <gtest/gtest.h>

#include "common/Date.h"

using namespace hotaru;

namespace {
Date D(int y, int m, int d) { return Date{y, m, d}; }
std::string Parsed(const char* text) {
    const auto d = ParseDate(text);
    return d ? d->iso() : "-";
}
}  // namespace

// Every pattern the windows and files use, the era boundaries (first years
// written 01), and dates no era or calendar holds.
TEST(FormatDate, PatternsAndEraBoundaries) {
    const struct { Date d; const char* pattern; const char* text; } cases[] = {
        {D(2008, 4, 1), "GGGEE年MM月DD日", "平成20年04月01日"}, {D(2008, 4, 1), "gggee年mm月", "平成20年04月"},
        {D(2008, 4, 1), "GEE.MM.DD", "H20.04.01"}, {D(2008, 4, 1), "GGGEEMM", "平成2004"},
        {D(2008, 4, 1), "EEMMDD", "200401"}, {D(2008, 4, 1), "yyyy/mm/dd", "2008/04/01"},
        {D(2008, 4, 17), "YYYY/MM/01", "2008/04/01"}, {D(2008, 4, 1), "GG/yy/y", "平/08/2008"},
        {D(2019, 4, 30), "GGGEE年MM月DD日", "平成31年04月30日"}, {D(2019, 5, 1), "GGGEE年MM月DD日", "令和01年05月01日"},
        {D(2026, 12, 1), "GEE.MM", "R08.12"}, {D(1989, 1, 7), "GEE.MM.DD", "S64.01.07"},
        {D(1989, 1, 8), "GEE.MM.DD", "H01.01.08"}, {D(1926, 12, 24), "GGGEE", "大正15"},
        {D(1926, 12, 25), "GGGEE", "昭和01"}, {D(1912, 7, 29), "GEE", "M45"}, {D(1912, 7, 30), "GEE", "T01"},
        {D(2008, 2, 30), "yyyy/mm/dd", ""}, {Date{}, "GGGEE年MM月", ""}, {D(1800, 1, 1), "GGGEE年", ""},
        {D(1800, 1, 1), "yyyy/mm/dd", "1800/01/01"}, {D(1800, 1, 1), "ee", ""}};
    for (const auto& c : cases) EXPECT_EQ(FormatDate(c.d, c.pattern), c.text) << c.d.iso() << " " << c.pattern;
}

TEST(EraLookup, NamesCodesAndDates) {
    EXPECT_EQ(EraByName("平成")->code, 4);
    EXPECT_EQ(EraByCode(5)->letter, 'R');
    EXPECT_EQ(EraByName("令和")->first, D(2019, 5, 1));
    EXPECT_TRUE(!EraByName("H") && !EraByCode(6) && !EraOf(D(1868, 1, 24)));
    EXPECT_STREQ(EraOf(D(1868, 1, 25))->name, "明治");
    EXPECT_STREQ(EraOf(D(2019, 4, 30))->name, "平成");
}

// Era texts (a month belongs to an era that covers one of its days, a day
// must lie in it), y/m/d texts (two-digit years 1930-2029), and near misses.
TEST(ParseDate, TextsAndNearMisses) {
    const std::pair<const char*, const char*> cases[] = {
        {"平成20年04月", "2008-04-01"}, {"平成20年4月15日", "2008-04-15"}, {"令和8年12月", "2026-12-01"},
        {"平成元年02月", "1989-02-01"}, {"平成31年04月", "2019-04-01"}, {"令和01年05月", "2019-05-01"},
        {"平成01年01月", "1989-01-01"}, {"昭和64年01月", "1989-01-01"}, {"平成31年04月30日", "2019-04-30"},
        {"昭和64年01月07日", "1989-01-07"}, {"平成31年05月", "-"}, {"令和01年04月", "-"}, {"平成32年01月", "-"},
        {"平成31年05月01日", "-"}, {"令和01年04月30日", "-"}, {"平成01年01月07日", "-"},
        {"2008/4/1", "2008-04-01"}, {" 2008/04/01 ", "2008-04-01"}, {"2008-04-01", "2008-04-01"},
        {"29/12/31", "2029-12-31"}, {"30/01/01", "1930-01-01"}, {"00/01/01", "2000-01-01"},
        {"2008/02/29", "2008-02-29"}, {"2000/02/29", "2000-02-29"}, {"2100/02/29", "-"}};
    for (const auto& [text, iso] : cases) EXPECT_EQ(Parsed(text), iso) << text;
    for (const char* text : {"", "   ", "abc", "平成20年13月", "平成20年00月", "平成00年04月", "平成20年04月32日",
                             "平成20年02月30日", "平成20年04", "平成20年04月01", "平成年04月", "平成200年04月",
                             "未来20年04月", "平成20年04月01日x", "2008/02/30", "2008/13/01", "2008/04",
                             "2008/04/01/02", "208/04/01", "2008/04-01", "2008/004/01", "2008／04／01"})
        EXPECT_FALSE(IsDate(text)) << text;
}

TEST(DateText, IsoAndShortForms) {
    EXPECT_EQ(D(2008, 4, 1).iso() + " " + D(2008, 4, 1).shortDate(), "2008-04-01 2008/04/01");
    for (const char* text : {"2008-04-01", "2008/04/01", "2008-04-01 00:00:00", "2008-04-01T10:00"})
        EXPECT_EQ(Date::fromIso(text), D(2008, 4, 1)) << text;
    for (const char* text : {"2008-4-1", "2008-02-30", "2008-04/01", "", "2008-0a-01"})
        EXPECT_FALSE(Date::fromIso(text)) << text;
    EXPECT_TRUE(Date::today().isValid());
}

TEST(DateArithmetic, AddMonthsClampsAndMonthsBetweenCountsBoundaries) {
    const std::tuple<Date, int, Date> adds[] = {
        {D(2008, 1, 1), -1, D(2007, 12, 1)}, {D(2007, 12, 1), 1, D(2008, 1, 1)}, {D(2008, 3, 31), -1, D(2008, 2, 29)},
        {D(2007, 3, 31), -1, D(2007, 2, 28)}, {D(2008, 1, 31), 3, D(2008, 4, 30)}, {D(2008, 5, 15), -25, D(2006, 4, 15)}};
    for (const auto& [from, months, to] : adds) EXPECT_EQ(AddMonths(from, months), to) << from.iso() << months;
    EXPECT_EQ((std::vector{MonthsBetween(D(2008, 1, 31), D(2008, 2, 1)), MonthsBetween(D(2008, 2, 1), D(2008, 2, 29)),
                           MonthsBetween(D(2008, 4, 1), D(2007, 4, 1)), MonthsBetween(D(2019, 4, 1), D(2026, 12, 1))}),
              (std::vector{1, 0, -12, 92}));
}
