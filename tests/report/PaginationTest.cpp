// Page breaking: which detail lines and the report footer land on which page.
#include <gtest/gtest.h>

#include "report/ClaimList.h"
#include "report/Pagination.h"

using namespace hotaru::report;

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
