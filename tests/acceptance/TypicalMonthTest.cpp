// A whole claim month, as the staff work it, on a fresh copy of the shipped
// database, for a clinic claiming points and a practitioner claiming yen:
// the plans of keys in data/ (clinic.plan, practitioner.plan) and what the
// tables, the submission file and the list must hold after each step.  The
// children, slips and expectations were worked out from the paper alone.
#include <gtest/gtest.h>

#include <filesystem>

#include "Staff.h"
#include "common/Paths.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

namespace hotaru::acceptance {
namespace {

namespace fs = std::filesystem;

class TypicalMonth : public ::testing::TestWithParam<const char*> {
protected:
    test::ProgramFolder folder;
    test::TempDir out;
    Staff staff{folder.messages(), out.path()};
};

TEST_P(TypicalMonth, FromSettingsToTheNextClaimMonth) {
    ASSERT_NO_FATAL_FAILURE(staff.follow(std::string(GetParam()) + ".plan"));
    // 終了 closed the database; the file is sound, the entry button's city
    // patch is in, and the clean check left no list behind.
    EXPECT_FALSE(gDB);
    folder.reconnect();
    EXPECT_EQ(DB().Scalar("SELECT * FROM pragma_integrity_check").str(), "ok");
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_市町村").toInt(), 51);
    for (const auto& f : fs::directory_iterator(DataDir()))
        EXPECT_EQ(f.path().string().find("_Error"), std::string::npos) << f.path();
}

INSTANTIATE_TEST_SUITE_P(Kinds, TypicalMonth, ::testing::Values("clinic", "practitioner"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace hotaru::acceptance
