// The record layer: the old dialect translated, record sets, field
// conversion and transactions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/Errors.h"
#include "common/Text.h"
#include "data/Backup.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

using namespace hotaru;
using namespace hotaru::data;
namespace fs = std::filesystem;

// Each form of the old dialect; text in quotes is never touched.
TEST(Translate, DialectForms) {
    const std::pair<const char*, const char*> cases[] = {
        {"DELETE * FROM T_データ", "DELETE FROM T_データ"},
        {"delete * \r FROM WK_データ\r", "delete FROM WK_データ\r"},
        {"DELETE *, x FROM t", "DELETE *, x FROM t"}, {"DELETE x FROM t", "DELETE x FROM t"},
        {"WHERE request <= #2008/04/01# OR x = #2008/4/1#", "WHERE request <= '2008-04-01' OR x = '2008-04-01'"},
        {"WHERE (T_市町村.code) Like '1*'", "WHERE (T_市町村.code) GLOB '1*'"},
        {"name = 'a # b * Like ''x'''", "name = 'a # b * Like ''x'''"},
        {"x = 'a''' Like 'b*'", "x = 'a''' GLOB 'b*'"},
        {"name = \"it's\"", "name = 'it''s'"},
        {"SELECT count(*) as cnt FROM T_設定", "SELECT count(*) as cnt FROM T_設定"}};
    for (const auto& [from, to] : cases) EXPECT_EQ(TranslateSql(from), to) << from;
    EXPECT_THROW(TranslateSql("x = #2008/13/01#"), AppError);
    EXPECT_THROW(TranslateSql("x = #2008/04/01"), AppError);
}

class Records : public ::testing::Test {
protected:
    test::ProgramFolder folder;
    // The row's fields as SQLite quotes them: Null, text and numbers stay apart.
    static std::string Quoted(const std::string& fields, const std::string& from) {
        return DB().Scalar("SELECT quote(" + ReplaceAll(fields, ",", ") || ' ' || quote(") + ") FROM " + from).str();
    }
};

// Null apart from empty text; values typed with separators, short dates and
// era texts stored as the field's type; nothing wrapped or half-converted.
TEST_F(Records, AssignedValuesConvertByFieldTypeAndNullStaysNull) {
    auto rs = DB().OpenRecordset("SELECT * FROM T_データ", dbOpenDynaset);
    rs.AddNew();
    rs.set("code", "01");
    rs.set("insurance_no", 460014);  // a number into a text field gives its text
    rs.set("recipient", "O'Brien'); DELETE FROM T_基本; --");
    rs.set("total", "1,234");
    rs.set("payment", "2147483647");
    rs.set("diagnosis", "2008/02/01");
    rs.set("request", "令和08年12月");
    rs.set("RATIO", " 3 ");
    rs.set("PublicPay1", "");
    rs.set("PublicPay2", Value::null());
    rs.Update();
    EXPECT_EQ(Quoted("code,recipient,insurance_no,total,payment,diagnosis,request,ratio,PublicPay1,PublicPay2,treatment",
                     "T_データ"),
              "'01' 'O''Brien''); DELETE FROM T_基本; --' '460014' 1234 2147483647 '2008-02-01' '2026-12-01' 3 '' NULL NULL");
    auto back = DB().OpenRecordset("select * from T_データ where recipient = ?", dbOpenSnapshot,
                                   {Value("O'Brien'); DELETE FROM T_基本; --")});
    ASSERT_EQ(back.RecordCount(), 1);
    EXPECT_EQ(back["DIAGNOSIS"].str(), "2008/02/01");  // a date reads as the short date
    // A real reads back as the shortest text that gives the same number.
    EXPECT_EQ(DB().Scalar("SELECT CStr(0.1 + 0.2) || ' ' || CStr(1.5)").str(), "0.30000000000000004 1.5");
    EXPECT_THROW(back["nosuchfield"], AppError);

    rs.AddNew();
    EXPECT_THROW(rs.set("total", "2147483648"), AppError);  // never wrapped
    EXPECT_THROW(rs.set("ratio", "40000"), AppError);       // 16-bit code
    EXPECT_THROW(rs.set("total", "abc"), AppError);
    EXPECT_THROW(rs.set("diagnosis", "2008/13/01"), AppError);
    rs.CancelUpdate();
}

TEST_F(Records, EditChangesOnlyTheCurrentRowOfOneTable) {
    for (int i = 1; i <= 3; ++i)
        DB().Execute("INSERT INTO WK_データ (枝番, 氏名) VALUES (?, ?)", {Value(i), Value("名" + std::to_string(i))});
    auto rs = DB().OpenRecordset("SELECT * FROM WK_データ WHERE 枝番 >= ? ORDER BY 枝番", dbOpenDynaset, {Value(2)});
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.Edit();
    rs.set("氏名", "変更");
    rs.Update();
    EXPECT_EQ(rs["氏名"].str(), "変更");
    rs.MoveLast();
    EXPECT_EQ(rs["氏名"].str(), "名3");
    rs.MoveNext();
    EXPECT_THROW(rs.Edit(), AppError);  // past the last row
    EXPECT_THROW(rs.MoveNext(), AppError);
    EXPECT_EQ(Quoted("group_concat(氏名)", "WK_データ"), "'名1,変更,名3'");
    for (auto type : {dbOpenSnapshot, dbOpenDynaset})  // a table by its name: its own fields only
        EXPECT_EQ(DB().OpenRecordset("WK_データ", type).FieldName(0), "枝番");
    EXPECT_THROW(DB().OpenRecordset("WK_データ", dbOpenSnapshot).Edit(), AppError);
    EXPECT_THROW(DB().OpenRecordset("SELECT * FROM T_基本 LEFT JOIN T_データ ON T_基本.code = T_データ.code",
                                    dbOpenDynaset),
                 AppError);
}

// A rollback leaves nothing, a nested one undoes only its own writes; an
// injected failure fails writes only.
TEST_F(Records, RolledBackTransactionsAndInjectedFailures) {
    gWS.BeginTrans();
    DB().Execute("INSERT INTO WK_データ (枝番) VALUES (1)");
    auto rs = DB().OpenRecordset("SELECT * FROM T_設定", dbOpenDynaset);
    rs.AddNew();
    rs.set("name", "医院");
    rs.Update();
    DB().InjectWriteFailure(0);
    EXPECT_NO_THROW(DB().Scalar("SELECT count(*) FROM T_市町村"));
    EXPECT_THROW(DB().Execute("INSERT INTO WK_データ (枝番) VALUES (2)"), AppError);
    DB().InjectWriteFailure(-1);
    gWS.Rollback();
    EXPECT_EQ(Quoted("(SELECT count(*) FROM WK_データ), count(*)", "T_設定"), "0 0");
    gWS.Rollback();  // harmless without a transaction
    EXPECT_THROW(gWS.CommitTrans(), AppError);

    gWS.BeginTrans();
    DB().Execute("INSERT INTO WK_データ (枝番) VALUES (3)");
    gWS.BeginTrans();
    DB().Execute("INSERT INTO WK_データ (枝番) VALUES (4)");
    gWS.Rollback();
    gWS.CommitTrans();
    EXPECT_EQ(Quoted("group_concat(枝番)", "WK_データ"), "'3'");
    folder.disconnect();
    gWS.Rollback();  // nor without a database, as on an error path at the end
}

// The copies kept of the live database: the newest 24, oldest removed first.
TEST(Backups, TheTwentyFifthCopyRemovesTheOldestAndNothingElse) {
    test::ProgramFolder folder;
    const fs::path backups = data::BackupFolderOf(folder.live());
    fs::create_directory(backups);
    // Files that are no copy of ours, and the upgrade's backup, stay.
    test::WriteFile(folder.dir() / "Medic_ins_OLD.mdb", "upgrade backup");
    // A name of the copies' shape whose stamp is not digits is no copy either.
    for (const char* name : {"Medic_ins_old-notes.mdb", "Medic_ins_0000abcd-000000.mdb", "readme.txt"})
        test::WriteFile(backups / name, "kept");

    std::vector<fs::path> made;
    for (int i = 0; i < 25; ++i) {
        made.push_back(data::WriteBackup(*gDB, backups));
        data::PruneBackups(backups);
        // Copies within one second are numbered, and listed in the order made.
        EXPECT_EQ(data::ListBackups(backups),
                  std::vector<fs::path>(made.begin() + (made.size() > 24 ? 1 : 0), made.end()));
    }
    EXPECT_FALSE(fs::exists(made.front()));
    EXPECT_EQ(test::ReadFile(folder.dir() / "Medic_ins_OLD.mdb"), "upgrade backup");
    for (const char* name : {"Medic_ins_old-notes.mdb", "Medic_ins_0000abcd-000000.mdb", "readme.txt"})
        EXPECT_EQ(test::ReadFile(backups / name), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(backups), fs::directory_iterator()), 27);
}
