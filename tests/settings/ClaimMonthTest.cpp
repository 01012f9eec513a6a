// The claim month and settings routines without a window.
#include <gtest/gtest.h>

#include <tuple>

#include "data/Connection.h"
#include "settings/ClaimMonth.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"

using namespace hotaru;
using namespace hotaru::settings;

TEST(ClaimMonth, EraTextsAndCodes) {
    EXPECT_EQ(ClaimMonthFromEra("平成", "20", "04"), (Date{2008, 4, 1}));
    EXPECT_EQ(ClaimMonthFromEra("令和", "08", "12"), (Date{2026, 12, 1}));
    EXPECT_EQ(ClaimMonthFromEra("令和", "01", "05"), (Date{2019, 5, 1}));
    EXPECT_EQ(ClaimMonthFromEra("平成", "31", "04"), (Date{2019, 4, 1}));
    for (const auto& [era, year, month] : {std::tuple{"平成", "31", "05"}, {"令和", "01", "04"}, {"平成", "20", "13"},
                                           {"", "20", "04"}})
        EXPECT_FALSE(ClaimMonthFromEra(era, year, month)) << era << year << month;
    test::ProgramFolder folder;
    EXPECT_FALSE(EraCodeByName("x' OR '1'='1"));  // each era's code is shown by the claim month window
}

TEST(SettingsStore, CheckDigitSourceAndPastedWildcardsMatchOnlyThemselves) {
    EXPECT_EQ(CheckDigitSource("46", "1", "123"), "46100123");
    EXPECT_EQ(PrefixPattern("*?["), "[*][?][[]*");
    test::ProgramFolder folder;
    for (const auto& [typed, n] : {std::pair{"", 27}, {"1", 8}, {"?", 0}, {"*", 0}})
        EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_診療科 WHERE code Like ?", {PrefixPattern(typed)}).toInt(), n)
            << typed;
}
