// The statements of the old dialect, translated and run against the shipped layout.
#include <gtest/gtest.h>

#include "common/Errors.h"
#include "data/Database.h"
#include "support/TestSupport.h"

using namespace hotaru;
using namespace hotaru::data;

TEST(Translate, DialectForms) {
    EXPECT_EQ(TranslateSql("DELETE * FROM T_データ"), "DELETE FROM T_データ");
    EXPECT_EQ(TranslateSql("delete * \r FROM WK_データ\r"), "delete FROM WK_データ\r");
    EXPECT_EQ(TranslateSql("DELETE FROM T_データ WHERE request <= #2008/04/01#"),
              "DELETE FROM T_データ WHERE request <= '2008-04-01'");
    EXPECT_EQ(TranslateSql("x = #2008/4/1#"), "x = '2008-04-01'");
    EXPECT_EQ(TranslateSql("WHERE (T_市町村.code) Like '1*'"), "WHERE (T_市町村.code) GLOB '1*'");
    // Text inside quotes is never touched, doubled quotes included.
    EXPECT_EQ(TranslateSql("name = 'a # b * Like ''x'''"), "name = 'a # b * Like ''x'''");
    EXPECT_EQ(TranslateSql("SELECT count(*) as cnt FROM T_設定"), "SELECT count(*) as cnt FROM T_設定");
    EXPECT_THROW(TranslateSql("x = #2008/13/01#"), AppError);
}

class Dialect : public ::testing::Test {
protected:
    test::ProgramFolder folder;
    Database& db() { return *gDB; }
};

TEST_F(Dialect, StatementsOfTheWindowsRun) {
    auto& d = db();
    d.Execute("INSERT INTO T_基本 (code, recipient, name, birthday) VALUES ('1', '000012345', 'テスト', '2006-05-03')");
    d.Execute(
        "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, hospitalization, "
        "ratio, treatment) VALUES ('1','000012345','2008-02-01',1,1234,3700,'2008-03-01',1,2,3,10)");
    d.Execute(
        "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, hospitalization) "
        "VALUES ('9','999','2008-02-01',1,10,20,'2008-03-01',9,9)");

    // Like on a numeric code column with the old wildcard.
    auto cities = d.OpenRecordset("SELECT * FROM T_市町村 Where (T_市町村.code) Like '1*'", dbOpenSnapshot);
    cities.MoveLast();
    EXPECT_EQ(cities.RecordCount(), 11);  // 1, 10..19

    // The list query: nested left joins, CStr of a date and of a number, CR as white space.
    std::string list =
        "SELECT T_基本.name As 氏名, \r       T_市町村.name As 市町村, \r       T_診療科.name As 診療科, \r"
        "       T_データ.total As 合計点数  \r"
        "  FROM (((((T_データ \r  LEFT JOIN T_基本 \r    ON T_データ.recipient = T_基本.recipient \r"
        "   AND T_データ.code = T_基本.code) \r  LEFT JOIN T_診療科 \r    ON T_データ.treatment = T_診療科.code) \r"
        "  LEFT JOIN T_入外区分 \r    ON T_データ.hospitalization = T_入外区分.code) \r"
        "  LEFT JOIN T_保険種別 \r    ON T_データ.insurance = T_保険種別.code) \r"
        "  LEFT JOIN T_割合 \r    ON T_データ.ratio = T_割合.code) \r"
        "  LEFT  JOIN T_市町村 \r    ON T_基本.code = CStr(T_市町村.code) \r"
        " WHERE T_データ.total <> 0 \r   AND T_データ.payment <> 0 \r   AND CStr(T_データ.request) = ?\r"
        " ORDER BY T_データ.code, T_データ.recipient, T_データ.diagnosis, T_データ.eda";
    auto rs = d.OpenRecordset(list, dbOpenSnapshot, {Value("2008/03/01")});
    ASSERT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs["氏名"].str(), "テスト");
    EXPECT_EQ(rs["市町村"].str(), "鹿児島市");
    EXPECT_EQ(rs["診療科"].str(), "内科");
    rs.MoveNext();
    EXPECT_TRUE(rs["氏名"].isNull());  // child without a master row is still listed
    EXPECT_TRUE(rs["市町村"].isNull());

    // Max() with a Japanese alias, count(*) As.
    d.Execute("INSERT INTO WK_データ (枝番) VALUES (1)");
    d.Execute("INSERT INTO WK_データ (枝番) VALUES (5)");
    EXPECT_EQ(d.Scalar("select Max(WK_データ.枝番) AS 枝番の最大\r  FROM WK_データ").toInt(), 5);
    auto cnt = d.OpenRecordset("SELECT count(*) As cnt\r  FROM T_データ \r WHERE T_データ.request = #2008/03/01#",
                               dbOpenSnapshot);
    EXPECT_EQ(cnt["CNT"].toInt(), 2);

    // Deletion forms.
    EXPECT_EQ(d.Execute("delete * \r FROM WK_データ\r"), 2);
    EXPECT_EQ(d.Execute("DELETE FROM T_データ WHERE request <= #2008/03/01#"), 2);
}

TEST_F(Dialect, JoinedStarKeepsBothTablesFields) {
    auto& d = db();
    d.Execute("INSERT INTO T_基本 (code, recipient, name) VALUES ('1','2','親')");
    d.Execute("INSERT INTO T_データ (code, recipient, diagnosis, eda, request) VALUES ('1','2','2008-02-01',3,'2008-03-01')");
    auto rs = d.OpenRecordset(
        "SELECT * FROM T_基本 LEFT JOIN T_データ ON \r(T_基本.recipient = T_データ.recipient) AND \r"
        "(T_基本.code = T_データ.code) \r WHERE T_基本.code= ?\r   AND T_基本.recipient = ?\r"
        "   AND T_データ.diagnosis = #2008/02/01#\r   AND T_データ.request = #2008/03/01#",
        dbOpenSnapshot, {Value("1"), Value("2")});
    ASSERT_FALSE(rs.isEOF());
    EXPECT_EQ(rs["T_基本.name"].str(), "親");
    EXPECT_EQ(rs["eda"].toInt(), 3);
    EXPECT_EQ(rs["diagnosis"].str(), "2008/02/01");
}
