// Loading a key, registering and deleting rows, without a window.
#include <gtest/gtest.h>

#include "common/Errors.h"
#include "entry/EntryCore.h"
#include "EntryFixture.h"

namespace hotaru::entry {
namespace {

class EntryCore : public test::EntryFixture {
public:
    std::string master() {
        return rows("code, recipient, name, birthday, n_insurance, n_insurance_no, n_ratio, PublicPay1, PublicPay2",
                    "FROM T_基本 ORDER BY rowid");
    }
    std::string claims() {
        return rows("code, recipient, diagnosis, request, eda, total, payment, insurance, hospitalization, ratio, "
                    "treatment, PublicPay1, PublicPay2, typeof(total)",
                    "FROM T_データ ORDER BY rowid");
    }
};

TEST_F(EntryCore, RegisterAddsThenEditsMasterAndClaimRow) {
    auto row = SampleRow();
    row.publicPay1 = "05";
    RegisterEntry(row);
    // PublicPay2: empty text on the master row, Null on the claim row.
    EXPECT_EQ(master(), "'1'|'000012345'|'やまだ　たろう'|'2006-07-15'|2|'12345678'|3|'05'|''\n");
    EXPECT_EQ(claims(), "'1'|'000012345'|'2008-04-01'|'2008-05-01'|1|1000|3000|2|2|3|20|'05'|NULL|'integer'\n");

    row.name = "オ'ハラ";  // quotes stored as typed
    row.total = "2,000";
    row.treatment = "";
    row.rateKnown = false;  // an unknown ratio is stored as Null
    RegisterEntry(row);
    EXPECT_EQ(master(), "'1'|'000012345'|'オ''ハラ'|'2006-07-15'|2|'12345678'|NULL|'05'|''\n");
    EXPECT_EQ(claims(), "'1'|'000012345'|'2008-04-01'|'2008-05-01'|1|2000|3000|2|2|NULL|NULL|'05'|NULL|'integer'\n");
}

TEST_F(EntryCore, AFailingWriteLeavesBothTablesUnchanged) {
    RegisterEntry(SampleRow());
    const std::string before = master() + claims();
    auto other = SampleRow();
    other.recipient = "000099999";
    auto renamed = SampleRow();
    renamed.name = "かわった　なまえ";
    for (auto [row, failAt] : {std::pair{other, 0}, {other, 1}, {renamed, 1}}) {  // 0: the master row, 1: the claim row
        gDB->InjectWriteFailure(failAt);
        EXPECT_THROW(RegisterEntry(row), AppError);
        gDB->InjectWriteFailure(-1);
        EXPECT_FALSE(gDB->inTransaction());
        EXPECT_EQ(master() + claims(), before) << row.recipient << failAt;
    }
    RegisterEntry(renamed);  // the database works on afterwards
    EXPECT_EQ(DB().Scalar("SELECT name FROM T_基本").str(), "かわった　なまえ");
}

// The duplicate question counts stored rows alike in every claim field; an
// empty department matches only an empty one.
TEST_F(EntryCore, CountSameRows) {
    auto row = SampleRow();
    std::string counts;
    auto next = [&](auto change) { change(row); counts += std::to_string(CountSameRows(row)); };
    next([](EntryRow&) {});
    next([](EntryRow& r) { RegisterEntry(r); });
    next([](EntryRow& r) { r.eda = "2"; RegisterEntry(r); });
    next([](EntryRow& r) { r.hospitalization = 1; });
    next([](EntryRow& r) { r = test::SampleEntryRow(); r.treatment = ""; });
    next([](EntryRow& r) { RegisterEntry(r); });  // branch 1 again, now without a department
    next([](EntryRow& r) { r.name = "オ'ハラ"; });
    EXPECT_EQ(counts, "0120011");
}

}  // namespace
}  // namespace hotaru::entry
