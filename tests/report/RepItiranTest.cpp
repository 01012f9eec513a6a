// The claim list laid out on pages: what each page holds, and its PDF.
#include <QImage>
#include <gtest/gtest.h>

#include "report/ListData.h"
#include "report/RepItiran.h"
#include "report/ReportTestUtil.h"

using namespace hotaru;
using namespace hotaru::report;
using hotaru::data::Value;

namespace {

class RepItiranTest : public ::testing::Test {
protected:
    // Lays out the list of the claim month after count rows were stored.
    void runWith(int count) {
        test::FillMonth(count);
        ASSERT_TRUE(PrepareClaimList(DB()));
        rep.setPrintDate(Date{2008, 4, 10});
        rep.run();
    }
    std::vector<const Report::Placed*> on(int page, SectionKind kind) const {
        std::vector<const Report::Placed*> out;
        for (const auto& p : rep.placedOn(page))
            if (p.kind == kind) out.push_back(&p);
        return out;
    }
    QString text(const Report::Placed* p, const char* name) const { return rep.text(*p, QString::fromUtf8(name)); }

    // Checks page numbers, running numbers and the count against the plan.
    void expectPagesMatchPlan(int count) {
        auto plan = PlanPages(layout::kPrintableHeight, layout::Sections(), count);
        ASSERT_EQ(rep.pageCount(), static_cast<int>(plan.size()));
        int expectedNo = 1;
        for (int i = 0; i < rep.pageCount(); ++i) {
            auto headers = on(i, SectionKind::PageHeader);
            ASSERT_EQ(headers.size(), 1u) << "page " << i + 1;
            EXPECT_EQ(headers[0]->top, 0);
            EXPECT_EQ(text(headers[0], "fldPage"), QString::number(i + 1));
            EXPECT_EQ(text(headers[0], "lbl請求月"), "平成20年04月");
            EXPECT_EQ(text(headers[0], "lbl印刷日"), "平成20年04月10日");
            auto lines = on(i, SectionKind::Detail);
            EXPECT_EQ(static_cast<int>(lines.size()), plan[i].details);
            for (std::size_t k = 0; k < lines.size(); ++k) {
                EXPECT_EQ(lines[k]->top, layout::kPageHeader + static_cast<int>(k) * layout::kDetail);
                EXPECT_EQ(text(lines[k], "fldNO"), QString::number(expectedNo++));
            }
            auto footers = on(i, SectionKind::ReportFooter);
            EXPECT_EQ(footers.size(), plan[i].reportFooter ? 1u : 0u) << "page " << i + 1;
            if (!footers.empty()) {
                EXPECT_EQ(text(footers[0], "fld総件数"), QString::number(count));
            }
        }
        EXPECT_EQ(expectedNo - 1, count);
        EXPECT_EQ(rep.rowNo(), count);
    }

    test::ProgramFolder folder;
    RepItiran rep;
};

}  // namespace

TEST_F(RepItiranTest, OneRow) {
    runWith(1);
    expectPagesMatchPlan(1);
    EXPECT_EQ(rep.pageCount(), 1);
}

TEST_F(RepItiranTest, ExactlyOneFullPage) {
    runWith(layout::kLinesPerPage);
    expectPagesMatchPlan(layout::kLinesPerPage);
    EXPECT_EQ(rep.pageCount(), 2);  // the count goes onto a page of its own
    EXPECT_TRUE(on(1, SectionKind::Detail).empty());
}

TEST_F(RepItiranTest, ManyPagesNumberOnAcrossPages) {
    runWith(45);
    expectPagesMatchPlan(45);
    EXPECT_EQ(rep.pageCount(), 3);
    EXPECT_EQ(text(on(2, SectionKind::Detail).back(), "fldNO"), "45");
}

TEST_F(RepItiranTest, DetailTextsOfARow) {
    runWith(2);
    auto* line = on(0, SectionKind::Detail)[1];
    EXPECT_EQ(text(line, "fld氏名"), "蛍 太郎2");
    EXPECT_EQ(text(line, "fld生年月日"), "H17.06.15");
    EXPECT_EQ(text(line, "fld市町村"), "鹿児島市");
    EXPECT_EQ(text(line, "fld受給NO"), "100000002");
    EXPECT_EQ(text(line, "fld保険"), "国保");
    EXPECT_EQ(text(line, "fld保険番号"), "460014");
    EXPECT_EQ(text(line, "fld入外"), "外来");
    EXPECT_EQ(text(line, "fld割合"), "3割");
    EXPECT_EQ(text(line, "fld合計点数"), "1,002");
    EXPECT_EQ(text(line, "fld自己負担額"), "\u00A5500");
    EXPECT_EQ(text(line, "fld実診療年月"), "H20.03");
    EXPECT_EQ(text(line, "fld診療科"), "小児科");
    EXPECT_EQ(text(line, "fld公費1"), "12");
    EXPECT_EQ(text(line, "fld公費2"), "");
    auto* header = on(0, SectionKind::PageHeader)[0];
    EXPECT_EQ(text(header, "lbl点数金額"), "合計点数");
    EXPECT_EQ(text(header, "lbl年月"), "実診療 年月");
}

TEST_F(RepItiranTest, AmountKindTitlesAndYenSign) {
    test::FillMonth(1);
    test::SetSettings(2, "2008-04-01");
    ASSERT_TRUE(PrepareClaimList(DB()));
    rep.run();
    auto* header = on(0, SectionKind::PageHeader)[0];
    EXPECT_EQ(text(header, "lbl点数金額"), "請求金額");
    EXPECT_EQ(text(header, "lbl年月"), " 施術 年月");
    EXPECT_EQ(text(on(0, SectionKind::Detail)[0], "fld合計点数"), "\u00A51,001");
}

TEST_F(RepItiranTest, PdfHasEveryPageAndTheJapaneseFont) {
    runWith(45);
    test::TempDir out;
    QString error;
    ASSERT_TRUE(rep.writePdf(test::Q(out / "list.pdf"), &error)) << error.toStdString();
    std::string bytes = test::ReadFile(out / "list.pdf");
    EXPECT_EQ(bytes.rfind("%PDF", 0), 0u);
    EXPECT_EQ(test::PdfPageCount(out / "list.pdf"), 3);
    EXPECT_NE(bytes.find("IPAPGothic"), std::string::npos);
}

TEST_F(RepItiranTest, PdfIntoAMissingFolderFails) {
    runWith(1);
    test::TempDir out;
    QString error;
    EXPECT_FALSE(rep.writePdf(test::Q(out / "no" / "such" / "list.pdf"), &error));
    EXPECT_TRUE(error.contains("list.pdf"));
}

TEST_F(RepItiranTest, PageImageIsTheWholeSheet) {
    runWith(3);
    QImage img = rep.pageImage(0, 72);
    EXPECT_NEAR(img.width(), 842, 1);  // 297 mm at 72 dpi
    EXPECT_NEAR(img.height(), 595, 1);
    // Something was painted: the page is not blank.
    bool ink = false;
    for (int y = 0; y < img.height() && !ink; ++y)
        for (int x = 0; x < img.width() && !ink; ++x) ink = qGray(img.pixel(x, y)) < 128;
    EXPECT_TRUE(ink);
}

// Left and right ends of the dark pixels in a band of the page, in twips from
// the printable area's left edge; {0, 0} when the band is blank.
std::pair<int, int> InkSpan(const QImage& img, const PageSetup& page, double dpi, int left, int right, int top,
                            int bottom) {
    const double k = dpi / 1440.0;
    auto px = [&](int twipsX, int margin) { return static_cast<int>((margin + twipsX) * k); };
    int first = -1, last = -1;
    for (int x = px(left, page.marginLeft); x < px(right, page.marginLeft); ++x)
        for (int y = px(top, page.marginTop); y < px(bottom, page.marginTop); ++y)
            if (qGray(img.pixel(x, y)) < 128) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    if (first < 0) return {0, 0};
    return {static_cast<int>(first / k) - page.marginLeft, static_cast<int>(last / k) - page.marginLeft};
}

TEST_F(RepItiranTest, PublicExpenseNumbersStandUnderTheirTitles) {
    test::SetSettings(1, "2008-04-01");
    test::ClaimRow r;
    r.publicPay1 = "54";
    r.publicPay2 = "51";
    r.treatment = Value();  // no department below them
    test::AddRow(r);
    ASSERT_TRUE(PrepareClaimList(DB()));
    rep.run();
    const double dpi = 288;
    QImage img = rep.pageImage(0, dpi);
    // Each half of the last column: the title "公費1" / "公費2" in the
    // header's upper line, the number in the first detail line's upper part.
    const int halves[][2] = {{13935 + 40, 14940}, {14940, 15990 - 40}};
    for (const auto& h : halves) {
        auto title = InkSpan(img, rep.page, dpi, h[0], h[1], 700, 905);
        auto number = InkSpan(img, rep.page, dpi, h[0], h[1], 1200 + 20, 1200 + 200);
        ASSERT_NE(title.second, 0) << h[0];
        ASSERT_NE(number.second, 0) << h[0];
        const int centre = (number.first + number.second) / 2;
        EXPECT_GE(centre, title.first) << h[0];
        EXPECT_LE(centre, title.second) << h[0];
    }
}

// One detail line holding the same text in a narrow and in a wide field.
class SameTextTwice : public Report {
protected:
    void reportStart() override {
        const int left = Qt::AlignLeft | Qt::AlignVCenter;
        detail.height = 1000;
        detail.field("narrow", 0, 0, 1400, 450, left);
        detail.field("wide", 0, 500, 8000, 450, left);
    }
    void fetchData(bool& eof) override {
        if (fetched_++ > 0) return;
        eof = false;
        detail["narrow"].text = detail["wide"].text = QStringLiteral("大久保　翔太左衛門之助");
    }

private:
    int fetched_ = 0;
};

// Height of the dark pixels in a band of the page, in pixels.
int InkHeight(const QImage& img, const PageSetup& page, double dpi, int left, int right, int top, int bottom) {
    const double k = dpi / 1440.0;
    int first = -1, last = -1;
    auto px = [&](int twips, int margin) { return static_cast<int>((margin + twips) * k); };
    for (int y = px(top, page.marginTop); y < px(bottom, page.marginTop); ++y)
        for (int x = px(left, page.marginLeft); x < px(right, page.marginLeft); ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                if (first < 0) first = y;
                last = y;
                break;
            }
    return first < 0 ? 0 : last - first + 1;
}

TEST(ReportPainting, TextTooWideIsShrunkOnlyWhereItDoesNotFit) {
    SameTextTwice rep;
    rep.run();
    const double dpi = 288;
    QImage img = rep.pageImage(0, dpi);
    // Eleven characters of 9 pt take 1,980 twips: the narrow field draws all
    // of them smaller, the wide one at their size.
    auto narrow = InkSpan(img, rep.page, dpi, 0, 8000, 0, 450);
    auto wide = InkSpan(img, rep.page, dpi, 0, 8000, 500, 950);
    EXPECT_LE(narrow.second, 1400);
    EXPECT_GT(wide.second, 1900);
    EXPECT_LT(wide.second, 2000);
    EXPECT_LT(InkHeight(img, rep.page, dpi, 0, 8000, 0, 450), InkHeight(img, rep.page, dpi, 0, 8000, 500, 950) * 0.8);
}

TEST_F(RepItiranTest, CloseReleasesTheRowsOnce) {
    runWith(3);
    rep.close();
    rep.close();
    // Laid-out pages stay paintable after the rows are gone.
    EXPECT_EQ(rep.pageCount(), 1);
    EXPECT_FALSE(rep.pageImage(0, 30).isNull());
}
