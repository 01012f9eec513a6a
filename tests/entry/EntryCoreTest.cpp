// Loading a key, registering and deleting rows, without a window.
#include <gtest/gtest.h>

#include "common/Errors.h"
#include "entry/EntryChecks.h"
#include "entry/EntryCore.h"
#include "EntryFixture.h"

namespace hotaru::entry {
namespace {

using data::dbOpenSnapshot;
using data::Value;

class EntryCore : public test::EntryFixture {};

TEST_F(EntryCore, RegisterAddsMasterAndClaimRow) {
    auto row = SampleRow();
    row.publicPay1 = "05";
    RegisterEntry(row);

    auto m = DB().OpenRecordset("SELECT * FROM T_基本", dbOpenSnapshot);
    ASSERT_EQ(m.RecordCount(), 1);
    EXPECT_EQ(m["code"].str(), "1");
    EXPECT_EQ(m["recipient"].str(), "000012345");
    EXPECT_EQ(m["name"].str(), "やまだ　たろう");
    EXPECT_EQ(m["birthday"].rawText(), "2006-07-15");
    EXPECT_EQ(m["n_insurance"].toInt(), 2);
    EXPECT_EQ(m["n_insurance_no"].str(), "12345678");
    EXPECT_EQ(m["n_ratio"].toInt(), 3);
    EXPECT_EQ(m["PublicPay1"].rawText(), "05");
    EXPECT_FALSE(m["PublicPay2"].isNull());  // empty text on the master row
    EXPECT_EQ(m["PublicPay2"].rawText(), "");

    auto d = DB().OpenRecordset("SELECT * FROM T_データ", dbOpenSnapshot);
    ASSERT_EQ(d.RecordCount(), 1);
    EXPECT_EQ(d["diagnosis"].rawText(), "2008-04-01");
    EXPECT_EQ(d["request"].rawText(), "2008-05-01");
    EXPECT_EQ(d["eda"].toInt(), 1);
    EXPECT_EQ(d["total"].kind(), Value::Kind::Integer);
    EXPECT_EQ(d["total"].rawInt(), 1000);
    EXPECT_EQ(d["payment"].rawInt(), 3000);
    EXPECT_EQ(d["insurance"].toInt(), 2);
    EXPECT_EQ(d["hospitalization"].toInt(), 2);
    EXPECT_EQ(d["ratio"].toInt(), 3);
    EXPECT_EQ(d["treatment"].toInt(), 20);
    EXPECT_EQ(d["PublicPay1"].rawText(), "05");
    EXPECT_TRUE(d["PublicPay2"].isNull());  // Null on the claim row
}

TEST_F(EntryCore, RegisterTwiceEditsTheSameRows) {
    auto row = SampleRow();
    RegisterEntry(row);
    row.name = "やまだ　じろう";
    row.total = "2,000";
    row.treatment = "";
    row.rateKnown = false;  // an unknown ratio is stored as Null
    RegisterEntry(row);
    EXPECT_EQ(count("SELECT count(*) FROM T_基本"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
    auto d = DB().OpenRecordset("SELECT * FROM T_データ", dbOpenSnapshot);
    EXPECT_EQ(d["total"].rawInt(), 2000);
    EXPECT_TRUE(d["treatment"].isNull());
    EXPECT_TRUE(d["ratio"].isNull());
    EXPECT_EQ(DB().Scalar("SELECT name FROM T_基本").str(), "やまだ　じろう");
}

TEST_F(EntryCore, QuotesAreStoredAsTyped) {
    auto row = SampleRow();
    row.name = "オ'ハラ";
    row.insuranceNo = "12'4";
    RegisterEntry(row);
    EXPECT_EQ(DB().Scalar("SELECT name FROM T_基本").str(), "オ'ハラ");
    EXPECT_EQ(DB().Scalar("SELECT insurance_no FROM T_データ").str(), "12'4");
    EXPECT_EQ(CountSameRows(row), 1);
}

TEST_F(EntryCore, AFailingWriteLeavesBothTablesUnchanged) {
    auto first = SampleRow();
    RegisterEntry(first);
    for (int failAt : {0, 1}) {
        auto row = SampleRow();
        row.recipient = "000099999";
        row.name = "かわだ　はなこ";
        gDB->InjectWriteFailure(failAt);  // 0: the master row fails, 1: the claim row
        EXPECT_THROW(RegisterEntry(row), AppError);
        gDB->InjectWriteFailure(-1);
        EXPECT_FALSE(gDB->inTransaction());
        EXPECT_EQ(count("SELECT count(*) FROM T_基本"), 1) << failAt;
        EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1) << failAt;
    }
    // An edit that fails half-way keeps the old master row too.
    auto row = SampleRow();
    row.name = "かわった　なまえ";
    gDB->InjectWriteFailure(1);
    EXPECT_THROW(RegisterEntry(row), AppError);
    gDB->InjectWriteFailure(-1);
    EXPECT_EQ(DB().Scalar("SELECT name FROM T_基本").str(), "やまだ　たろう");
    // The database works on afterwards.
    RegisterEntry(row);
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
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ WHERE eda = 2"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM T_基本"), 1);

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
    EXPECT_EQ(load.found, 3);
    EXPECT_EQ(load.nextBranch, 6);
    auto rows = ReadWorkRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2].branch.toInt(), 5);
    EXPECT_EQ(rows[2].name.str(), "やまだ　たろう");
    EXPECT_EQ(rows[2].insuranceNo.str(), "12345678");
    EXPECT_EQ(rows[2].total.toInt(), 500);
    EXPECT_EQ(rows[2].payment.toInt(), 3000);
    EXPECT_TRUE(WorkTableHasRows());
    EXPECT_EQ(NextBranchFromWork(), 6);

    // A key without rows keeps the work table as it was.
    load = LoadBranches("1", "000077777", Date{2008, 4, 1}, Date{2008, 5, 1});
    EXPECT_EQ(load.found, 0);
    EXPECT_EQ(load.nextBranch, 1);
    EXPECT_EQ(ReadWorkRows().size(), 3u);
    // A claim month without rows finds nothing either.
    EXPECT_EQ(LoadBranches("1", "000012345", Date{2008, 4, 1}, Date{2008, 6, 1}).found, 0);

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
    EXPECT_EQ(m->insurance, 2);
    EXPECT_EQ(m->ratio, "3");
    EXPECT_EQ(m->publicPay2, "34");
    EXPECT_FALSE(ReadMaster("1", "000012346"));

    auto c = ReadClaim("1", "000012345", Date{2008, 4, 1}, Date{2008, 5, 1}, 1);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->total, 1000);
    EXPECT_EQ(c->treatment, "20");
    EXPECT_EQ(c->publicPay1, "12");
    EXPECT_FALSE(ReadClaim("1", "000012345", Date{2008, 4, 1}, Date{2008, 5, 1}, 2));

    auto s = ReadEntrySettings();
    ASSERT_TRUE(s);
    EXPECT_EQ(s->type, 1);
    EXPECT_EQ(s->insurance, 2);
    EXPECT_EQ(s->hospitalization, 2);
    EXPECT_EQ(s->treatment, "20");
    EXPECT_EQ(s->request, (Date{2008, 5, 1}));
    DB().Execute("DELETE FROM T_設定");
    EXPECT_FALSE(ReadEntrySettings());
}

TEST_F(EntryCore, CountSameRows) {
    auto row = SampleRow();
    EXPECT_EQ(CountSameRows(row), 0);
    RegisterEntry(row);
    EXPECT_EQ(CountSameRows(row), 1);
    row.eda = "2";
    RegisterEntry(row);
    EXPECT_EQ(CountSameRows(row), 2);
    row.hospitalization = 1;
    EXPECT_EQ(CountSameRows(row), 0);
    row = SampleRow();
    row.treatment = "";
    EXPECT_EQ(CountSameRows(row), 0);
    RegisterEntry(row);  // branch 1 again, now without a department
    EXPECT_EQ(CountSameRows(row), 1);
}

}  // namespace
}  // namespace hotaru::entry
