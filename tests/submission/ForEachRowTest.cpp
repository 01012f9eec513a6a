// Reading many rows without keeping them (the export's query).
#include <gtest/gtest.h>

#include "common/Errors.h"
#include "SubmissionData.h"

using namespace hotaru;

TEST(ForEachRow, DeliversTheRowsInOrderWithDatesAndNames) {
    test::ProgramFolder program;
    test::ClaimData c;
    for (int i = 3; i >= 1; --i) {
        c.eda = i;
        c.publicPay1 = i == 2 ? std::optional<std::string>() : std::to_string(i);
        test::PutClaim(c);
    }
    std::vector<std::string> columns;
    std::vector<std::string> seen;
    DB().ForEachRow("SELECT eda As 枝, diagnosis, PublicPay1 FROM T_データ \r WHERE request = ? ORDER BY eda",
                    {data::Value(Date{2008, 3, 1})},
                    [&](const std::vector<data::Value>& row) {
                        ASSERT_EQ(row.size(), 3u);
                        seen.push_back(row[0].str() + "|" + row[1].str() + "|" +
                                       (row[2].isNull() ? "Null" : row[2].str()));
                    },
                    &columns);
    EXPECT_EQ(columns, (std::vector<std::string>{"枝", "diagnosis", "PublicPay1"}));
    EXPECT_EQ(seen, (std::vector<std::string>{"1|2008/02/01|1", "2|2008/02/01|Null", "3|2008/02/01|3"}));
}

TEST(ForEachRow, FailuresLeaveTheDatabaseUsable) {
    test::ProgramFolder program;
    test::PutClaim({});
    EXPECT_THROW(DB().ForEachRow("SELECT nothing FROM T_データ", {}, [](const std::vector<data::Value>&) {}),
                 AppError);
    EXPECT_THROW(DB().ForEachRow("SELECT * FROM T_データ", {},
                                 [](const std::vector<data::Value>&) { throw std::runtime_error("stop"); }),
                 std::runtime_error);
    // The statement was finalised: the table can be written and read again.
    DB().Execute("DELETE FROM T_データ");
    int rows = 0;
    DB().ForEachRow("SELECT * FROM T_データ", {}, [&](const std::vector<data::Value>&) { ++rows; });
    EXPECT_EQ(rows, 0);
}
