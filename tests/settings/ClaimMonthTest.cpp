// The claim month and settings routines without a window.
#include <gtest/gtest.h>

#include "data/Connection.h"
#include "settings/ClaimMonth.h"
#include "settings/SettingsStore.h"
#include "support/TestSupport.h"

using namespace hotaru;
using namespace hotaru::settings;

// (The claim month's era texts are the dates' own: DateTest, and the claim
// month window's tests.)  Typed text reaches SQL only as a value.
TEST(SettingsStore, PastedWildcardsAndQuotesMatchOnlyThemselves) {
    EXPECT_EQ(PrefixPattern("*?["), "[*][?][[]*");
    test::ProgramFolder folder;
    for (const auto& [typed, n] : {std::pair{"", 27}, {"1", 8}, {"?", 0}, {"*", 0}})
        EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_診療科 WHERE code Like ?", {PrefixPattern(typed)}).toInt(), n)
            << typed;
    EXPECT_FALSE(EraCodeByName("x' OR '1'='1"));  // each era's code is shown by the claim month window
}
