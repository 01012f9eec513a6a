// Page breaking: which detail lines and the report footer land on which page.
#include <gtest/gtest.h>

#include "report/ClaimList.h"
#include "report/Pagination.h"

using namespace hotaru::report;

namespace {

std::vector<PagePlan> ListPages(int rows) {
    return PlanPages(layout::kPrintableHeight, layout::Sections(), rows);
}

// Every page numbered in order, the lines consecutive across pages, the
// footer on the last page only.
void ExpectWellFormed(const std::vector<PagePlan>& plan, int rows) {
    int next = 0;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(plan[i].number, static_cast<int>(i) + 1);
        if (plan[i].details > 0) {
            EXPECT_EQ(plan[i].firstDetail, next);
            next += plan[i].details;
        }
        EXPECT_EQ(plan[i].reportFooter, i + 1 == plan.size()) << "page " << i + 1;
    }
    EXPECT_EQ(next, rows);
}

}  // namespace

TEST(ClaimListPages, EighteenLinesFitUnderThePageHeader) {
    // 10,772 printable - 1,200 header = 9,572; 18 lines of 515 take 9,270.
    EXPECT_EQ(layout::kPrintableHeight, 10772);
    EXPECT_EQ(layout::kLinesPerPage, 18);
    EXPECT_EQ(layout::kMarginLeft + layout::kWidth + layout::kMarginRight, layout::kPaperWidth);
}

TEST(ClaimListPages, OneLine) {
    auto plan = ListPages(1);
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].firstDetail, 0);
    EXPECT_EQ(plan[0].details, 1);
    EXPECT_TRUE(plan[0].reportFooter);
}

TEST(ClaimListPages, FooterStillFitsUnderSeventeenLines) {
    auto plan = ListPages(17);  // 1,200 + 17 x 515 = 9,955; 817 left for the 540 footer
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_TRUE(plan[0].reportFooter);
}

TEST(ClaimListPages, ExactlyOneFullPageSendsTheFooterOver) {
    auto plan = ListPages(layout::kLinesPerPage);  // 302 twips left: too little for the footer
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[0].details, layout::kLinesPerPage);
    EXPECT_FALSE(plan[0].reportFooter);
    EXPECT_EQ(plan[1].details, 0);
    EXPECT_TRUE(plan[1].reportFooter);
    ExpectWellFormed(plan, layout::kLinesPerPage);
}

TEST(ClaimListPages, OneLineMoreThanAPage) {
    auto plan = ListPages(layout::kLinesPerPage + 1);
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(plan[1].firstDetail, layout::kLinesPerPage);
    EXPECT_EQ(plan[1].details, 1);
    ExpectWellFormed(plan, layout::kLinesPerPage + 1);
}

TEST(ClaimListPages, ManyPages) {
    auto plan = ListPages(45);
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].details, 18);
    EXPECT_EQ(plan[1].details, 18);
    EXPECT_EQ(plan[2].details, 9);
    ExpectWellFormed(plan, 45);

    auto big = ListPages(10000);
    EXPECT_EQ(big.size(), 556u);  // 555 full pages and 10 lines
    EXPECT_EQ(big.back().details, 10000 - 555 * 18);
    ExpectWellFormed(big, 10000);
}

TEST(Paginator, HeadersAtTheTopFootersAtTheBottom) {
    SectionHeights h;
    h.reportHeader = 100;
    h.pageHeader = 200;
    h.detail = 300;
    h.pageFooter = 150;
    h.reportFooter = 400;
    Paginator p(1000, h);  // room for two lines under the headers of page 1
    auto start = p.start();
    ASSERT_EQ(start.size(), 2u);
    EXPECT_EQ(start[0].kind, SectionKind::ReportHeader);
    EXPECT_EQ(start[1].kind, SectionKind::PageHeader);
    EXPECT_EQ(start[1].top, 100);
    auto d1 = p.detail();
    ASSERT_EQ(d1.size(), 1u);
    EXPECT_EQ(d1[0].top, 300);
    auto d2 = p.detail();  // 600 + 300 = 900 > 850 above the page footer
    ASSERT_EQ(d2.size(), 3u);
    EXPECT_EQ(d2[0].kind, SectionKind::PageFooter);
    EXPECT_EQ(d2[0].page, 1);
    EXPECT_EQ(d2[0].top, 850);
    EXPECT_EQ(d2[1].kind, SectionKind::PageHeader);  // no report header after page 1
    EXPECT_EQ(d2[1].page, 2);
    EXPECT_EQ(d2[1].top, 0);
    EXPECT_EQ(d2[2].kind, SectionKind::Detail);
    EXPECT_EQ(d2[2].top, 200);
    auto end = p.finish();  // 500 + 400 = 900 > 850: a page of its own
    ASSERT_EQ(end.size(), 4u);
    EXPECT_EQ(end[2].kind, SectionKind::ReportFooter);
    EXPECT_EQ(end[2].page, 3);
    EXPECT_EQ(end[3].kind, SectionKind::PageFooter);
    EXPECT_EQ(end[3].page, 3);
    EXPECT_EQ(p.pages(), 3);
}

TEST(Paginator, NoLinesGiveOnePageWithTheFooter) {
    auto plan = ListPages(0);
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].details, 0);
    EXPECT_TRUE(plan[0].reportFooter);
}

TEST(Paginator, ALineTallerThanAPageStillEnds) {
    SectionHeights h;
    h.pageHeader = 100;
    h.detail = 5000;
    auto plan = PlanPages(1000, h, 3);
    ASSERT_EQ(plan.size(), 3u);  // one oversized line per page, no endless breaking
    for (const auto& p : plan) EXPECT_EQ(p.details, 1);
    EXPECT_TRUE(plan[2].reportFooter);
}
