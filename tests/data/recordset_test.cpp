// Record sets, field conversion, transactions and opening failures.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <unistd.h>

#include <filesystem>

#include "common/Errors.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

using namespace hotaru;
using namespace hotaru::data;

class Records : public ::testing::Test {
protected:
    test::ProgramFolder folder;
};

TEST_F(Records, NullIsToldApartFromEmptyText) {
    auto rs = DB().OpenRecordset("SELECT * FROM T_基本", dbOpenDynaset);
    rs.AddNew();
    rs.set("code", "01");
    rs.set("recipient", "000000123");
    rs.set("PublicPay1", "");
    rs.set("PublicPay2", Value::null());
    rs.Update();
    auto back = DB().OpenRecordset("select * from T_基本 where recipient = ?", dbOpenSnapshot, {Value("000000123")});
    ASSERT_EQ(back.RecordCount(), 1);
    EXPECT_EQ(back["CODE"].str(), "01");  // leading zero kept, name case-insensitive
    EXPECT_FALSE(back["PublicPay1"].isNull());
    EXPECT_EQ(back["PublicPay1"].str(), "");
    EXPECT_TRUE(back["publicpay2"].isNull());
    EXPECT_TRUE(back["name"].isNull());
    EXPECT_THROW(back["nosuchfield"], AppError);
}

TEST_F(Records, AssignedValuesConvertByFieldType) {
    auto rs = DB().OpenRecordset("SELECT * FROM T_データ", dbOpenDynaset);
    rs.AddNew();
    rs.set("code", 1);                    // a number into a text field gives its text
    rs.set("total", "1,234");             // typed with separators
    rs.set("payment", "2147483647");
    rs.set("diagnosis", "2008/02/01");    // short date
    rs.set("request", "令和08年12月");     // era text
    rs.set("ratio", " 3 ");
    rs.Update();
    auto back = DB().OpenRecordset("SELECT * FROM T_データ", dbOpenSnapshot);
    EXPECT_EQ(back["code"].str(), "1");
    EXPECT_EQ(back["total"].toInt(), 1234);
    EXPECT_EQ(back["payment"].toInt(), 2147483647);
    EXPECT_EQ(back["diagnosis"].str(), "2008/02/01");
    EXPECT_EQ(back["request"].rawText(), "2026-12-01");
    EXPECT_EQ(back["ratio"].toInt(), 3);

    rs.AddNew();
    EXPECT_THROW(rs.set("total", "2147483648"), AppError);  // never wrapped
    EXPECT_THROW(rs.set("ratio", "40000"), AppError);       // 16-bit code
    EXPECT_THROW(rs.set("total", "abc"), AppError);
    EXPECT_THROW(rs.set("diagnosis", "2008/13/01"), AppError);
    rs.CancelUpdate();
}

TEST_F(Records, QuotesInTypedTextAreStoredAndFoundAgain) {
    const std::string name = "O'Brien'); DELETE FROM T_基本; --";
    auto rs = DB().OpenRecordset("SELECT * FROM T_基本", dbOpenDynaset);
    rs.AddNew();
    rs.set("code", "1");
    rs.set("recipient", "1");
    rs.set("name", name);
    rs.Update();
    auto back = DB().OpenRecordset("SELECT * FROM T_基本 WHERE name = ?", dbOpenSnapshot, {Value(name)});
    EXPECT_EQ(back.RecordCount(), 1);
}

TEST_F(Records, EditChangesOnlyTheCurrentRow) {
    for (int i = 1; i <= 3; ++i)
        DB().Execute("INSERT INTO WK_データ (枝番, 氏名) VALUES (?, ?)", {Value(i), Value("名" + std::to_string(i))});
    auto rs = DB().OpenRecordset("SELECT * FROM WK_データ WHERE 枝番 >= ? ORDER BY 枝番", dbOpenDynaset, {Value(2)});
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.Edit();
    rs.set("氏名", "変更");
    rs.Update();
    EXPECT_EQ(rs["氏名"].str(), "変更");
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_TRUE(rs.isEOF());
    EXPECT_THROW(rs.Edit(), AppError);
    EXPECT_EQ(DB().Scalar("SELECT 氏名 FROM WK_データ WHERE 枝番 = 2").str(), "変更");
    EXPECT_EQ(DB().Scalar("SELECT 氏名 FROM WK_データ WHERE 枝番 = 3").str(), "名3");

    auto snap = DB().OpenRecordset("WK_データ", dbOpenSnapshot);
    EXPECT_THROW(snap.Edit(), AppError);
    // A join cannot be opened for update.
    EXPECT_THROW(DB().OpenRecordset("SELECT * FROM T_基本 LEFT JOIN T_データ ON T_基本.code = T_データ.code",
                                    dbOpenDynaset),
                 AppError);
}

TEST_F(Records, RolledBackTransactionLeavesNothing) {
    gWS.BeginTrans();
    DB().Execute("INSERT INTO WK_データ (枝番) VALUES (1)");
    auto rs = DB().OpenRecordset("SELECT * FROM T_設定", dbOpenDynaset);
    rs.AddNew();
    rs.set("name", "医院");
    rs.Update();
    gWS.Rollback();
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM WK_データ").toInt(), 0);
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_設定").toInt(), 0);
    gWS.Rollback();  // harmless without a transaction
    EXPECT_THROW(gWS.CommitTrans(), AppError);
}

TEST_F(Records, InjectedWriteFailureRollsBackCleanly) {
    DB().InjectWriteFailure(1);
    gWS.BeginTrans();
    DB().Execute("INSERT INTO WK_データ (枝番) VALUES (1)");
    EXPECT_THROW(DB().Execute("INSERT INTO WK_データ (枝番) VALUES (2)"), AppError);
    gWS.Rollback();
    DB().InjectWriteFailure(-1);
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM WK_データ").toInt(), 0);
    // Reads are never failed by the switch.
    DB().InjectWriteFailure(0);
    EXPECT_NO_THROW(DB().Scalar("SELECT count(*) FROM T_市町村"));
}

TEST(OpenDatabase, BadFilesFailAtOpening) {
    test::TempDir dir;
    auto number = [](const std::filesystem::path& p) {
        try {
            Database::Open(p);
        } catch (const AppError& e) {
            return e.number();
        }
        return 0;
    };
    EXPECT_EQ(number(dir / "missing.mdb"), dberr::FileNotFound);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.mdb"));  // never created

    test::WriteFile(dir / "text.mdb", "this is not a database at all, just some text.....");
    EXPECT_EQ(number(dir / "text.mdb"), dberr::NotADatabase);

    test::WriteFile(dir / "empty.mdb", "");
    EXPECT_EQ(number(dir / "empty.mdb"), dberr::NotADatabase);

    // A truncated copy of a real file.
    std::string bytes = test::ReadFile(test::BinDir() / "Medic_ins_NEW.mdb");
    test::WriteFile(dir / "cut.mdb", bytes.substr(0, bytes.size() / 2));
    EXPECT_EQ(number(dir / "cut.mdb"), dberr::NotADatabase);

    // Locked: another connection holds the write lock.
    std::filesystem::copy_file(test::BinDir() / "Medic_ins_NEW.mdb", dir / "locked.mdb");
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "locked.mdb").c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    int locked = number(dir / "locked.mdb");
    EXPECT_TRUE(locked == dberr::Locked || locked == dberr::NotADatabase) << locked;
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(number(dir / "locked.mdb"), 0);

    if (::geteuid() != 0) {  // root ignores file permissions
        std::filesystem::permissions(dir / "locked.mdb", std::filesystem::perms::owner_read);
        EXPECT_EQ(number(dir / "locked.mdb"), dberr::CannotOpen);
    }
}
