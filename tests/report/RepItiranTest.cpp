// The claim list laid out on pages: what each page holds, and its PDF.
#include <QImage>
#include <gtest/gtest.h>

#include "report/ListData.h"
#include "report/RepItiran.h"

using namespace hotaru;
using namespace hotaru::report;
using hotaru::data::Value;

namespace {

class RepItiranTest : public ::testing::Test {
protected:
    // Lays out the list of the claim month after count rows were stored.
    void runWith(int count) {
        DB().Execute("DELETE FROM T_データ");
        DB().Execute("DELETE FROM T_基本");
        test::FillMonth(count);
        ASSERT_TRUE(PrepareClaimList(DB()));
        rep.setPrintDate(Date{2008, 4, 10});
        rep.run();
    }
    // A page's sections top to bottom: kind@top and the texts shown.
    std::vector<std::string> page(int i) const {
        std::vector<std::string> out;
        for (const auto& p : rep.placedOn(i)) {
            std::string s = std::to_string(static_cast<int>(p.kind)) + "@" + std::to_string(p.top);
            for (const QString& t : p.texts)
                if (!t.isEmpty()) s += "|" + t.toStdString();
            out.push_back(s);
        }
        return out;
    }
    test::ProgramFolder folder;
    RepItiran rep;
};

}  // namespace

// The header's month, print date and page number over a clinic's titles;
// every text of a line (points bare, yen with the yen sign); a full page of
// lines sends the count onto a page of its own.  (The titles and amounts in
// yen of any other kind are the acceptance month's, a practitioner's.)
TEST_F(RepItiranTest, PagesOfEachKind) {
    auto header = [](int page) {
        return "1@0|平成20年04月|平成20年04月10日|PAGE|" + std::to_string(page) +
               "|No|氏  名|生年月日|市町村|乳幼児資格証受給受付|保険|保険番号|入外|割合|合計点数"
               "|   自己負担   支払額|実診療 年月|公費1　　公費2|診療科";
    };
    const std::string line = "|H17.06.15|鹿児島市|10000000";
    runWith(layout::kLinesPerPage);
    ASSERT_EQ(rep.pageCount(), 2);
    const auto first = page(0);
    ASSERT_EQ(first.size(), 1u + layout::kLinesPerPage);
    EXPECT_EQ(std::vector<std::string>(first.begin(), first.begin() + 3),
              (std::vector<std::string>{header(1),
                                        "2@1200|1|蛍 太郎1" + line + "1|国保|460014|外来|3割|1,001|¥500|H20.03|12|小児科",
                                        "2@1715|2|蛍 太郎2" + line + "2|国保|460014|外来|3割|1,002|¥500|H20.03|12|小児科"}));
    EXPECT_TRUE(first.back().starts_with("2@9955|18|蛍 太郎18|"));
    EXPECT_EQ(page(1), (std::vector<std::string>{header(2), "4@1200|総件数|18|件"}));
    EXPECT_EQ(rep.rowNo(), 18);
}

// The box around the dark pixels in a band of the page, in twips from the
// printable area's top left; empty when the band is blank.
QRect Ink(const QImage& img, const PageSetup& page, double dpi, int left, int right, int top, int bottom) {
    const double k = dpi / 1440.0;
    QRect box;
    for (int x = int((page.marginLeft + left) * k); x < int((page.marginLeft + right) * k); ++x)
        for (int y = int((page.marginTop + top) * k); y < int((page.marginTop + bottom) * k); ++y)
            if (qGray(img.pixel(x, y)) < 128)
                box |= QRect(int(x / k) - page.marginLeft, int(y / k) - page.marginTop, 1, 1);
    return box;
}

// The page is the whole A4 sheet, painted; each public-expense number stands
// under its half of the title "公費1　　公費2".
TEST_F(RepItiranTest, PublicExpenseNumbersStandUnderTheirTitles) {
    test::PutSettings({.request = Date{2008, 4, 1}});
    test::AddRow({.treatment = Value(), .publicPay1 = "54", .publicPay2 = "51"});
    ASSERT_TRUE(PrepareClaimList(DB()));
    rep.run();
    const double dpi = 288;
    const QImage img = rep.pageImage(0, dpi);
    EXPECT_NEAR(img.width(), 297 / 25.4 * dpi, 2);
    EXPECT_NEAR(img.height(), 210 / 25.4 * dpi, 2);
    EXPECT_FALSE(Ink(img, rep.page, dpi, 500, 3000, 1150, 1190).isEmpty());  // the rule under the titles
    const int halves[][2] = {{13935 + 40, 14940}, {14940, 15990 - 40}};
    for (const auto& h : halves) {
        const QRect title = Ink(img, rep.page, dpi, h[0], h[1], 700, 905);
        const QRect number = Ink(img, rep.page, dpi, h[0], h[1], 1200 + 20, 1200 + 200);
        ASSERT_FALSE(title.isEmpty() || number.isEmpty()) << h[0];
        EXPECT_GE(number.center().x(), title.left()) << h[0];
        EXPECT_LE(number.center().x(), title.right()) << h[0];
    }
    // Closing releases the rows, once; the laid-out pages stay paintable.
    rep.close();
    rep.close();
    EXPECT_EQ(rep.pageCount(), 1);
    EXPECT_FALSE(rep.pageImage(0, 30).isNull());
}

// One detail line holding the same text in a narrow and in a wide field.
class SameTextTwice : public Report {
protected:
    void reportStart() override {
        const int left = Qt::AlignLeft | Qt::AlignVCenter;
        detail.height = 1500;
        detail.field("narrow", 0, 0, 1400, 450, left);
        detail.field("wide", 0, 500, 8000, 450, left);
        detail.label("wrapped", 0, 1000, 8000, 450, QStringLiteral("大久保　翔太左衛門之助"), left).wrap = true;
    }
    void fetchData(bool& eof) override {
        if (fetched_++ > 0) return;
        eof = false;
        detail["narrow"].text = detail["wide"].text = QStringLiteral("大久保　翔太左衛門之助");
    }

private:
    int fetched_ = 0;
};

TEST(ReportPainting, TextTooWideIsShrunkOnlyWhereItDoesNotFit) {
    SameTextTwice rep;
    rep.run();
    const double dpi = 288;
    QImage img = rep.pageImage(0, dpi);
    // Eleven characters of 9 pt take 1,980 twips: the narrow field draws all
    // of them smaller, the wide one at their size.
    const QRect narrow = Ink(img, rep.page, dpi, 0, 8000, 0, 450), wide = Ink(img, rep.page, dpi, 0, 8000, 500, 950);
    EXPECT_LE(narrow.right(), 1400);
    EXPECT_GT(wide.right(), 1900);
    EXPECT_LT(wide.right(), 2000);
    EXPECT_LT(narrow.height(), wide.height() * 0.8);
    // A caption that may break is drawn in its own size too.
    EXPECT_NEAR(Ink(img, rep.page, dpi, 0, 8000, 1000, 1450).height(), wide.height(), wide.height() / 10);
}
