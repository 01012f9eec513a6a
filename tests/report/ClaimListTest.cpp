// The list query on stored rows, and how each row reads on the list.
#include <gtest/gtest.h>

#include "report/ClaimList.h"
#include "report/ListData.h"
#include "report/Pagination.h"
#include "support/TestSupport.h"

using namespace hotaru;
using namespace hotaru::report;
using namespace hotaru::test;
using hotaru::data::Value;

namespace {

// A line's texts left to right, as the list prints them.
std::string Line(const ClaimListLine& l) {
    std::string s = l.no;
    for (const std::string* t : {&l.name, &l.birthday, &l.city, &l.recipient, &l.insurance, &l.insuranceNo, &l.inout,
                                 &l.ratio, &l.amount, &l.payment, &l.month, &l.department, &l.publicPay1, &l.publicPay2})
        s += "|" + *t;
    return s;
}

std::vector<std::string> ListOf(const std::string& month, bool points = true) {
    std::vector<std::string> out;
    for (const auto& row : FetchClaimList(DB(), BuildListQuery(), month))
        out.push_back(Line(FormatLine(row, static_cast<long>(out.size()) + 1, points)));
    return out;
}

class ClaimListQuery : public ::testing::Test {
protected:
    test::ProgramFolder folder;
    void SetUp() override { PutSettings({.request = Date{2008, 4, 1}}); }
};

}  // namespace

// Every row of the month with amounts is listed, in city (as text),
// recipient, month and branch order, whatever is missing around it: no child
// row, a city or codes the tables do not know, Null codes.
TEST_F(ClaimListQuery, RowsOfTheMonthInOrderWithWhatTheTablesKnow) {
    PutChild("1", "100000001", "蛍 太郎", Date{2005, 6, 15});
    PutChild("999", "100000003", "蛍 次郎", Date{2006, 1, 2});
    PutChild("10", "100000001", "蛍 三郎", Date{2019, 5, 1});
    AddRow({});
    AddRow({.recipient = "100000002", .insuranceNo = "orphan"});
    AddRow({.code = "999", .recipient = "100000003", .payment = 70000});
    AddRow({.recipient = "100000004", .insurance = 9, .hospitalization = Value(), .ratio = Value(),
            .treatment = Value(), .publicPay1 = Value()});
    AddRow({.diagnosis = "2008-02-01", .eda = 2, .total = 1234567890, .insurance = 1, .hospitalization = 1, .ratio = 1,
            .treatment = 10, .publicPay2 = "54"});
    AddRow({.code = "10", .diagnosis = "2019-06-01"});
    AddRow({.eda = 2});
    // Left out: no amount, another month.
    AddRow({.eda = 3, .total = 0});
    AddRow({.eda = 4, .payment = 0});
    AddRow({.eda = 5, .total = Value()});
    AddRow({.eda = 6, .request = "2008-03-01"});
    AddRow({.eda = 7, .request = "2008-05-01"});
    EXPECT_EQ(ListOf("2008/04/01"), (std::vector<std::string>{
        "1|蛍 太郎|H17.06.15|鹿児島市|100000001|社保|460014|入院|1割|1,234,567,890|¥500|H20.02|内科|12|54",
        "2|蛍 太郎|H17.06.15|鹿児島市|100000001|国保|460014|外来|3割|1,234|¥500|H20.03|小児科|12|",
        "3|蛍 太郎|H17.06.15|鹿児島市|100000001|国保|460014|外来|3割|1,234|¥500|H20.03|小児科|12|",
        "4|||||国保|orphan|外来|3割|1,234|¥500|H20.03|小児科|12|",  // the recipient comes from the child row
        "5||||||460014|||1,234|¥500|H20.03|||",
        "6|蛍 三郎|R01.05.01|薩摩川内市|100000001|国保|460014|外来|3割|1,234|¥500|R01.06|小児科|12|",
        "7|蛍 次郎|H18.01.02||100000003|国保|460014|外来|3割|1,234|¥70,000|H20.03|小児科|12|"}));
    EXPECT_EQ(ListOf("2008/03/01").size(), 1u);
    EXPECT_TRUE(ListOf("").empty());
    EXPECT_TRUE(ListOf("2008/04/01' OR '1'='1").empty());  // the month is data, never part of the statement
}

// The claim month is read each time; the query is kept only with rows, and
// a cleared claim month never lists an earlier month again.
TEST_F(ClaimListQuery, PrepareReadsTheClaimMonthAndKeepsTheQueryOnlyWithRows) {
    gListSQL = "earlier";
    gRequestText = "stale";
    EXPECT_FALSE(PrepareClaimList(DB()));  // a month without rows
    EXPECT_EQ(gRequestText + "|" + gListSQL, "2008/04/01|earlier");
    AddRow(ClaimRow{});
    EXPECT_TRUE(PrepareClaimList(DB()));
    EXPECT_EQ(gListSQL, BuildListQuery());
    PutSettings({.request = std::nullopt});
    EXPECT_FALSE(PrepareClaimList(DB()));
    EXPECT_EQ(gRequestText, "");
    DB().Execute("DELETE FROM T_設定");
    gRequestText = "stale";
    EXPECT_FALSE(PrepareClaimList(DB()));
    EXPECT_EQ(gRequestText, "");
}

// Page breaking: which detail lines and the report footer land on which page.
namespace {

// The plan as text, a page at a time: its first line and count, "+F" when
// the count at the end stands on it; e.g. "1:0x18 2:-1x0+F".
std::string Plan(const std::vector<PagePlan>& plan) {
    std::string s;
    for (const auto& p : plan)
        s += (s.empty() ? "" : " ") + std::to_string(p.number) + ":" + std::to_string(p.firstDetail) + "x" +
             std::to_string(p.details) + (p.reportFooter ? "+F" : "");
    return s;
}

std::string ListPlan(int rows) { return Plan(PlanPages(layout::kPrintableHeight, layout::Sections(), rows)); }

}  // namespace

// Eighteen lines fit under the page header (10,772 printable - 1,200 header
// = 9,572; 18 lines of 515 take 9,270); the 540-twip count still fits under
// seventeen, not under eighteen, so a full page sends it over.
TEST(ClaimListPages, EighteenLinesAPageAndTheCountAtTheEnd) {
    const std::pair<int, const char*> cases[] = {
        {0, "1:-1x0+F"}, {1, "1:0x1+F"}, {17, "1:0x17+F"}, {18, "1:0x18 2:-1x0+F"}, {19, "1:0x18 2:18x1+F"},
        {45, "1:0x18 2:18x18 3:36x9+F"}};
    for (auto [rows, plan] : cases) EXPECT_EQ(ListPlan(rows), plan) << rows;
    const auto big = PlanPages(layout::kPrintableHeight, layout::Sections(), 10000);
    ASSERT_EQ(big.size(), 556u);  // 555 full pages and 10 lines
    EXPECT_EQ(Plan({big.back()}), "556:9990x10+F");
}

// Headers at the top, footers at the bottom, the report header on page 1
// only, and a line taller than a page on a page of its own.
TEST(Paginator, SectionsLandWhereTheyFit) {
    SectionHeights h{.reportHeader = 100, .pageHeader = 200, .detail = 300, .pageFooter = 150, .reportFooter = 400};
    Paginator p(1000, h);  // room for two lines under the headers of page 1
    auto text = [](const std::vector<Placement>& placed) {
        std::string s;
        for (const auto& pl : placed)
            s += " " + std::to_string(static_cast<int>(pl.kind)) + "/" + std::to_string(pl.page) + "@" +
                 std::to_string(pl.top);
        return s;
    };
    // Kinds: 0 report header, 1 page header, 2 detail, 3 page footer, 4 report footer.
    EXPECT_EQ(text(p.start()), " 0/1@0 1/1@100");
    EXPECT_EQ(text(p.detail()), " 2/1@300");
    EXPECT_EQ(text(p.detail()), " 3/1@850 1/2@0 2/2@200");  // 600 + 300 > 850 above the page footer
    EXPECT_EQ(text(p.finish()), " 3/2@850 1/3@0 4/3@200 3/3@850");  // 500 + 400 > 850: a page of its own
    EXPECT_EQ(p.pages(), 3);
    EXPECT_EQ(text(Paginator(1000, {.pageHeader = 100}).start()), " 1/1@0");  // no report header of no height
    EXPECT_EQ(Plan(PlanPages(1000, {.pageHeader = 100, .detail = 5000}, 3)), "1:0x1 2:1x1 3:2x1+F");
}
