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

TEST_F(EntryCore, DeleteRemovesExactlyOneBranch) {
    auto row = SampleRow();
    for (const char* eda : {"1", "2", "3"}) {
        row.eda = eda;
        RegisterEntry(row);
    }
    row.eda = "2";
    DeleteBranch(row);
    EXPECT_EQ(rows("eda", "FROM T_データ ORDER BY eda") + rows("count(*)", "FROM T_基本"), "1\n3\n1\n");
    gDB->InjectWriteFailure(0);
    row.eda = "3";
    EXPECT_THROW(DeleteBranch(row), AppError);
    gDB->InjectWriteFailure(-1);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
}

TEST_F(EntryCore, LoadBranchesFillsTheWorkTable) {
    auto row = SampleRow();
    for (const char* eda : {"1", "2", "5"}) {
        row.eda = eda;
        row.total = std::string(eda) + "00";
        RegisterEntry(row);
    }
    // Another month and another child stay out.
    auto other = SampleRow();
    other.diagMonth = "03";
    RegisterEntry(other);
    other = SampleRow();
    other.recipient = "000000001";
    RegisterEntry(other);

    auto load = LoadBranches("1", "000012345", Date{2008, 4, 1}, Date{2008, 5, 1});
    EXPECT_EQ(std::to_string(load.found) + "/" + std::to_string(load.nextBranch) + "/" +
                  std::to_string(NextBranchFromWork()),
              "3/6/6");
    auto rs = ReadWorkRows();
    ASSERT_EQ(rs.size(), 3u);
    EXPECT_EQ(rs[2].branch.str() + "|" + rs[2].name.str() + "|" + rs[2].insuranceNo.str() + "|" + rs[2].total.str() +
                  "|" + rs[2].payment.str(),
              "5|やまだ　たろう|12345678|500|3000");
    EXPECT_TRUE(WorkTableHasRows());

    // A key or a claim month without rows finds nothing and keeps the work table.
    load = LoadBranches("1", "000077777", Date{2008, 4, 1}, Date{2008, 5, 1});
    EXPECT_EQ(load.found * 10 + load.nextBranch, 1);
    EXPECT_EQ(LoadBranches("1", "000012345", Date{2008, 4, 1}, Date{2008, 6, 1}).found, 0);
    EXPECT_EQ(ReadWorkRows().size(), 3u);
    DB().Execute("DELETE FROM WK_データ");
    EXPECT_FALSE(WorkTableHasRows());
    EXPECT_EQ(NextBranchFromWork(), 1);
}

TEST_F(EntryCore, ReadsMasterClaimAndSettings) {
    auto row = SampleRow();
    row.publicPay1 = "12";
    row.publicPay2 = "34";
    RegisterEntry(row);
    auto m = ReadMaster("1", "000012345");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->birthday, (Date{2006, 7, 15}));
    EXPECT_EQ(std::to_string(m->insurance.value_or(-1)) + m->ratio + m->publicPay2, "2334");
    EXPECT_FALSE(ReadMaster("1", "000012346"));

    auto c = ReadClaim("1", "000012345", Date{2008, 4, 1}, Date{2008, 5, 1}, 1);
    ASSERT_TRUE(c);
    EXPECT_EQ(std::to_string(c->total.value_or(-1)) + "|" + c->treatment + "|" + c->publicPay1, "1000|20|12");
    EXPECT_FALSE(ReadClaim("1", "000012345", Date{2008, 4, 1}, Date{2008, 5, 1}, 2));

    auto s = ReadEntrySettings();
    ASSERT_TRUE(s);
    EXPECT_EQ(std::to_string(s->type) + std::to_string(s->insurance.value_or(-1)) + std::to_string(s->hospitalization.value_or(-1)) + s->treatment,
              "12220");
    EXPECT_EQ(s->request, (Date{2008, 5, 1}));
    DB().Execute("DELETE FROM T_設定");
    EXPECT_FALSE(ReadEntrySettings());
}

TEST_F(EntryCore, CountSameRows) {
    auto row = SampleRow();
    std::string counts = std::to_string(CountSameRows(row));
    RegisterEntry(row);
    counts += std::to_string(CountSameRows(row));
    row.eda = "2";
    RegisterEntry(row);
    counts += std::to_string(CountSameRows(row));
    row.hospitalization = 1;
    counts += std::to_string(CountSameRows(row));
    row = SampleRow();
    row.treatment = "";
    counts += std::to_string(CountSameRows(row));
    RegisterEntry(row);  // branch 1 again, now without a department
    counts += std::to_string(CountSameRows(row));
    row.name = "オ'ハラ";
    counts += std::to_string(CountSameRows(row));
    EXPECT_EQ(counts, "0120011");
}

}  // namespace
}  // namespace hotaru::entry
