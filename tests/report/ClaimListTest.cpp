// The list query on stored rows, and how each row reads on the list.
#include <gtest/gtest.h>

#include "report/ClaimList.h"
#include "report/ListData.h"
#include "support/TestSupport.h"

using namespace hotaru;
using namespace hotaru::report;
using hotaru::test::AddChild;
using hotaru::test::AddRow;
using hotaru::test::ClaimRow;
using hotaru::test::SetSettings;
using hotaru::data::Value;

namespace {

std::vector<ClaimListRow> ListApril() { return FetchClaimList(DB(), BuildListQuery(), "2008/04/01"); }

class ClaimListQuery : public ::testing::Test {
protected:
    test::ProgramFolder folder;
};

}  // namespace

TEST(ClaimListQueryText, OneClausePerLineWithTheMonthBound) {
    std::string sql = BuildListQuery();
    EXPECT_EQ(sql.find('\n'), std::string::npos);
    EXPECT_NE(sql.back(), '\r');
    std::vector<std::string> lines;
    std::size_t b = 0;
    for (std::size_t e; (e = sql.find('\r', b)) != std::string::npos; b = e + 1) lines.push_back(sql.substr(b, e - b));
    lines.push_back(sql.substr(b));
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[0], "SELECT T_基本.name As 氏名, ");
    EXPECT_EQ(lines[13], "       T_データ.PublicPay2 As 公費2  ");
    EXPECT_EQ(lines[26], "  LEFT  JOIN T_市町村 ");
    EXPECT_EQ(lines[30], "   AND CStr(T_データ.request) = ?");
    EXPECT_EQ(lines[31], " ORDER BY T_データ.code, T_データ.recipient, T_データ.diagnosis, T_データ.eda");
    EXPECT_EQ(sql.find('\''), std::string::npos);  // nothing pasted in
}

TEST_F(ClaimListQuery, RowsWithoutMatchesAreListedWithEmptyNames) {
    SetSettings(1, "2008-04-01");
    AddChild("1", "100000001", "蛍 太郎", "2005-06-15");
    AddChild("999", "100000003", "蛍 次郎", "2006-01-02");  // a city the table does not know
    ClaimRow full;                                        // every code known
    AddRow(full);
    ClaimRow orphan;  // no child row at all
    orphan.recipient = "100000002";
    orphan.insuranceNo = "orphan";
    AddRow(orphan);
    ClaimRow unknownCity;
    unknownCity.code = "999";
    unknownCity.recipient = "100000003";
    AddRow(unknownCity);
    ClaimRow nulls;  // Null department, ratio and in/out; an insurance kind with no name
    nulls.recipient = "100000004";
    nulls.treatment = Value();
    nulls.ratio = Value();
    nulls.hospitalization = Value();
    nulls.insurance = 9;
    nulls.publicPay1 = Value();
    AddRow(nulls);

    auto rows = ListApril();
    ASSERT_EQ(rows.size(), 4u);
    // Sorted by city code text, then recipient: 1/…01, 1/…02, 1/…04, 999/…03.
    auto a = FormatLine(rows[0], 1, true);
    EXPECT_EQ(a.name, "蛍 太郎");
    EXPECT_EQ(a.birthday, "H17.06.15");
    EXPECT_EQ(a.city, "鹿児島市");
    EXPECT_EQ(a.recipient, "100000001");
    EXPECT_EQ(a.insurance, "国保");
    EXPECT_EQ(a.inout, "外来");
    EXPECT_EQ(a.ratio, "3割");
    EXPECT_EQ(a.department, "小児科");
    EXPECT_EQ(a.month, "H20.03");

    auto b = FormatLine(rows[1], 2, true);
    EXPECT_EQ(b.insuranceNo, "orphan");
    EXPECT_EQ(b.name, "");
    EXPECT_EQ(b.birthday, "");
    EXPECT_EQ(b.city, "");
    EXPECT_EQ(b.recipient, "");  // the recipient column comes from the child row
    EXPECT_EQ(b.insurance, "国保");
    EXPECT_EQ(b.amount, "1,234");

    auto d = FormatLine(rows[2], 3, true);
    EXPECT_EQ(d.name, "");
    EXPECT_EQ(d.insurance, "");
    EXPECT_EQ(d.ratio, "");
    EXPECT_EQ(d.inout, "");
    EXPECT_EQ(d.department, "");
    EXPECT_EQ(d.publicPay1, "");

    auto c = FormatLine(rows[3], 4, true);
    EXPECT_EQ(c.name, "蛍 次郎");
    EXPECT_EQ(c.city, "");
    EXPECT_EQ(c.department, "小児科");
}

TEST_F(ClaimListQuery, ZeroAmountsAndOtherMonthsAreLeftOut) {
    SetSettings(1, "2008-04-01");
    ClaimRow kept;
    AddRow(kept);
    ClaimRow zeroTotal;
    zeroTotal.eda = 2;
    zeroTotal.total = 0;
    AddRow(zeroTotal);
    ClaimRow zeroPayment;
    zeroPayment.eda = 3;
    zeroPayment.payment = 0;
    AddRow(zeroPayment);
    ClaimRow nullTotal;
    nullTotal.eda = 4;
    nullTotal.total = Value();
    AddRow(nullTotal);
    ClaimRow lastMonth;
    lastMonth.eda = 5;
    lastMonth.request = "2008-03-01";
    AddRow(lastMonth);
    ClaimRow nextMonth;
    nextMonth.eda = 6;
    nextMonth.request = "2008-05-01";
    AddRow(nextMonth);

    EXPECT_EQ(ListApril().size(), 1u);
    EXPECT_EQ(FetchClaimList(DB(), BuildListQuery(), "2008/03/01").size(), 1u);
    EXPECT_EQ(FetchClaimList(DB(), BuildListQuery(), "").size(), 0u);
}

TEST_F(ClaimListQuery, SortedByCityRecipientMonthAndBranch) {
    SetSettings(1, "2008-04-01");
    struct K { const char* code; const char* rec; const char* diag; int eda; };
    // Inserted out of order; the tag in insurance_no tells them apart.
    const K keys[] = {{"2", "100000001", "2008-03-01", 1}, {"1", "100000002", "2008-03-01", 1},
                      {"1", "100000001", "2008-03-01", 2}, {"1", "100000001", "2008-02-01", 1},
                      {"1", "100000001", "2008-03-01", 1}, {"10", "100000001", "2008-03-01", 1}};
    for (const K& k : keys) {
        ClaimRow r;
        r.code = k.code;
        r.recipient = k.rec;
        r.diagnosis = k.diag;
        r.eda = k.eda;
        r.insuranceNo = std::string(k.code) + "/" + std::string(k.rec).substr(8) + "/" + std::string(k.diag).substr(5, 2) +
                        "/" + std::to_string(k.eda);
        AddRow(r);
    }
    std::vector<std::string> order;
    for (const auto& row : ListApril()) order.push_back(row.insuranceNo.str());
    // City codes are text: "10" sorts before "2".
    EXPECT_EQ(order, (std::vector<std::string>{"1/1/02/1", "1/1/03/1", "1/1/03/2", "1/2/03/1", "10/1/03/1",
                                               "2/1/03/1"}));
}

TEST_F(ClaimListQuery, QuoteInTheMonthTextIsData) {
    SetSettings(1, "2008-04-01");
    AddRow(ClaimRow{});
    EXPECT_TRUE(FetchClaimList(DB(), BuildListQuery(), "2008/04/01' OR '1'='1").empty());
    EXPECT_EQ(DB().Scalar("SELECT COUNT(*) FROM T_データ").toInt(), 1);
}

TEST_F(ClaimListQuery, InstitutionKindDecidesPoints) {
    EXPECT_FALSE(IsPointsKind(DB()));  // no settings row
    SetSettings(1, "2008-04-01");
    EXPECT_TRUE(IsPointsKind(DB()));
    SetSettings(2, "2008-04-01");
    EXPECT_FALSE(IsPointsKind(DB()));
    SetSettings(Value(), "2008-04-01");
    EXPECT_FALSE(IsPointsKind(DB()));
}

TEST_F(ClaimListQuery, PrepareReadsTheClaimMonthAndKeepsTheQueryOnlyWithRows) {
    gListSQL = "earlier";
    gRequestText = "stale";
    EXPECT_FALSE(PrepareClaimList(DB()));  // no settings row
    EXPECT_EQ(gRequestText, "");
    EXPECT_EQ(gListSQL, "earlier");

    SetSettings(1, "2008-04-01");
    EXPECT_FALSE(PrepareClaimList(DB()));  // a month without rows
    EXPECT_EQ(gRequestText, "2008/04/01");
    EXPECT_EQ(gListSQL, "earlier");

    AddRow(ClaimRow{});
    EXPECT_TRUE(PrepareClaimList(DB()));
    EXPECT_EQ(gListSQL, BuildListQuery());
}

TEST_F(ClaimListQuery, NoClaimMonthDoesNotListAnEarlierMonthAgain) {
    SetSettings(1, "2008-04-01");
    AddRow(ClaimRow{});
    ASSERT_TRUE(PrepareClaimList(DB()));
    SetSettings(1, Value());  // the claim month cleared since
    EXPECT_FALSE(PrepareClaimList(DB()));
    EXPECT_EQ(gRequestText, "");
}

TEST(ClaimListLine, PointsAreBareAndAmountsCarryTheYenSign) {
    ClaimListRow r;
    r.total = 1234567890;
    r.payment = 1500;
    auto points = FormatLine(r, 7, true);
    EXPECT_EQ(points.no, "7");
    EXPECT_EQ(points.amount, "1,234,567,890");
    EXPECT_EQ(points.payment, "\u00A51,500");
    auto yen = FormatLine(r, 7, false);
    EXPECT_EQ(yen.amount, "\u00A51,234,567,890");
    EXPECT_EQ(yen.payment, "\u00A51,500");
    EXPECT_EQ(yen.amount.find('\\'), std::string::npos);
}

TEST(ClaimListLine, EraDatesAndNulls) {
    ClaimListRow r;
    r.birthday = Value::date("2019-05-01");
    r.diagnosis = Value::date("2019-06-01");
    auto l = FormatLine(r, 1, false);
    EXPECT_EQ(l.birthday, "R01.05.01");
    EXPECT_EQ(l.month, "R01.06");
    r.birthday = Value::date("2019-04-30");
    EXPECT_EQ(FormatLine(r, 1, false).birthday, "H31.04.30");
    // Null everywhere: every text empty, no yen sign without an amount.
    auto empty = FormatLine(ClaimListRow{}, 1, false);
    EXPECT_EQ(empty.birthday, "");
    EXPECT_EQ(empty.month, "");
    EXPECT_EQ(empty.amount, "");
    EXPECT_EQ(empty.payment, "");
    EXPECT_EQ(empty.name, "");
}

TEST(ClaimListLine, TitlesAndCaptions) {
    EXPECT_EQ(AmountTitle(true), "合計点数");
    EXPECT_EQ(AmountTitle(false), "請求金額");
    EXPECT_EQ(MonthTitle(true), "実診療 年月");
    EXPECT_EQ(MonthTitle(false), " 施術 年月");
    EXPECT_EQ(ClaimMonthCaption("2008/04/01"), "平成20年04月");
    EXPECT_EQ(ClaimMonthCaption("2019/05/01"), "令和01年05月");
    EXPECT_EQ(ClaimMonthCaption(""), "");
    EXPECT_EQ(PrintDateCaption(Date{2008, 4, 1}), "平成20年04月01日");
}
