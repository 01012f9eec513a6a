// The claim list laid out on pages: what each page holds, and its PDF; the
// preview window and the menu routine, driven as a user would; and
// hotaru-cli list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include "common/Messages.h"
#include "report/ListData.h"
#include "report/RepItiran.h"
#include "report/ReportPreview.h"
#include "report/ShowClaimList.h"

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

namespace {

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

// The preview of three pages (45 rows).
class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::FillMonth(45);
        ASSERT_TRUE(PrepareClaimList(DB()));
        rep.run();
        preview = std::make_unique<ReportPreview>(rep);
    }
    void TearDown() override {
        ReportPreview::setPdfPathChooser(nullptr);
        ReportPreview::setPrintDialogRunner(nullptr);
    }
    void press(const char* name) { QTest::mouseClick(preview->findChild<QPushButton*>(name), Qt::LeftButton); }
    std::string shownPage() { return preview->findChild<QLabel*>("pageLabel")->text().toStdString(); }
    int shownWidth() { return preview->findChild<QLabel*>("pageView")->pixmap().width(); }

    test::ProgramFolder folder;
    test::TempDir out;
    RepItiran rep;
    std::unique_ptr<ReportPreview> preview;
};

}  // namespace

// Opens on page 1 fitted to the width; buttons and keys page through, never
// past either end; the zoom scales the page.
TEST_F(PreviewTest, PagesThroughAndZooms) {
    preview->show();
    QApplication::processEvents();
    EXPECT_EQ(preview->windowTitle(), "一覧表");
    const int room = preview->findChild<QScrollArea*>()->viewport()->width();
    EXPECT_EQ(preview->findChild<QComboBox*>("zoomBox")->currentText(), "幅に合わせる");
    EXPECT_GT(shownWidth(), room - 60);
    EXPECT_LE(shownWidth(), room);
    std::string seen = shownPage();
    for (const char* b : {"prevButton", "nextButton", "lastButton", "nextButton"}) {
        press(b);
        seen += " " + shownPage();
    }
    EXPECT_FALSE(preview->findChild<QPushButton*>("nextButton")->isEnabled() ||
                 preview->findChild<QPushButton*>("lastButton")->isEnabled());
    QTest::keyClick(preview.get(), Qt::Key_PageDown);
    QTest::keyClick(preview.get(), Qt::Key_PageUp);
    seen += " " + shownPage();
    press("firstButton");
    seen += " " + shownPage();
    EXPECT_EQ(seen, "1 / 3 1 / 3 2 / 3 3 / 3 3 / 3 2 / 3 1 / 3");
    EXPECT_FALSE(preview->findChild<QPushButton*>("prevButton")->isEnabled());

    auto* zoom = preview->findChild<QComboBox*>("zoomBox");
    zoom->setCurrentIndex(zoom->findData(100));
    const int full = shownWidth();
    zoom->setCurrentIndex(zoom->findData(50));
    EXPECT_EQ(preview->zoom(), 50);
    EXPECT_NEAR(shownWidth(), full / 2, 2);
    zoom->setCurrentIndex(zoom->findData(200));
    EXPECT_NEAR(shownWidth(), full * 2, 2);
}

// The PDF button offers 一覧表.pdf and writes the same pages; a cancelled
// dialog writes nothing, an unwritable place gives the standard error.
TEST_F(PreviewTest, ExportsTheSamePagesToPdf) {
    QString offered;
    const struct { QString path; int pages; bool error; } cases[] = {
        {Q(out / "list.pdf"), 3, false}, {QString(), 0, false}, {Q(out / "missing" / "x.pdf"), 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        ReportPreview::setPdfPathChooser([&](QWidget*, const QString& suggested) {
            offered = suggested;
            return c.path;
        });
        std::filesystem::remove(out / "list.pdf");
        folder.messages().clear();
        press("pdfButton");
        EXPECT_TRUE(offered.endsWith("/一覧表.pdf"));
        EXPECT_EQ(std::filesystem::exists(out / "list.pdf") ? test::PdfPageCount(out / "list.pdf") : 0, c.pages);
        EXPECT_EQ(preview->statusText(), "PDFを書き出しました: " + Q(out / "list.pdf"));  // only the first
        std::string said;
        for (const auto& m : folder.messages().shown) said += test::Msg(m);
        EXPECT_EQ(said, c.error ? "エラー|48|ファイル '" + c.path.toStdString() + "' に書き込めません。" : "");
    }
    EXPECT_FALSE(std::filesystem::exists(out / "missing"));
}

// The print dialog is offered every page in landscape and prints those asked
// for; cancelled, nothing is printed.
TEST_F(PreviewTest, PrintsThePagesTheDialogAsksFor) {
    const auto target = out / "printed.pdf";
    std::string offered;
    for (bool accepted : {true, false}) {
        ReportPreview::setPrintDialogRunner([&](QPrinter& printer, QWidget*) {
            offered = std::to_string(printer.fromPage()) + "-" + std::to_string(printer.toPage()) + " " +
                      std::to_string(printer.pageLayout().orientation() == QPageLayout::Landscape);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(Q(target));
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(2, 3);
            return accepted;
        });
        std::filesystem::remove(target);
        press("printButton");
        EXPECT_EQ(offered, "1-3 1");
        EXPECT_EQ(std::filesystem::exists(target) ? test::PdfPageCount(target) : 0, accepted ? 2 : 0);
        EXPECT_EQ(preview->statusText(), "印刷しました (2 - 3 ページ)");  // only the first
    }
}

// Nothing to list says so (what counts as nothing: ClaimListQuery), a failure
// gives the standard error; the pointer is back either way.
TEST(ShowClaimList, NothingToListOrAFailureSaysSo) {
    const std::pair<void (*)(), std::string> cases[] = {
        {[] {}, "該当件数チェック|64|該当データがありません。"},
        {[] { test::FillMonth(1); DB().Execute("DROP TABLE T_データ"); }, "エラー|48|予期せぬエラーです。\r\n"}};
    for (const auto& [prepare, said] : cases) {
        test::ProgramFolder folder;
        prepare();
        ShowClaimList(nullptr);
        ASSERT_EQ(folder.messages().shown.size(), 1u) << said;
        EXPECT_TRUE(test::Msg(folder.messages().shown[0]).starts_with(said)) << said;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

// hotaru-cli list: the claim list into a PDF from a script, without a display.
TEST(CliList, WritesTheListAsPdfOrSaysThereIsNothing) {
    test::ProgramFolder folder;
    test::PutSettings({.request = Date{2008, 4, 1}});
    folder.disconnect();
    test::TempDir out;
    const std::string list = "list --db '" + folder.live().string() + "' --pdf '" + (out / "list.pdf").string() + "'";
    EXPECT_EQ(test::RunCli(list).record(), "1||該当データがありません。\n");
    EXPECT_FALSE(std::filesystem::exists(out / "list.pdf"));
    folder.reconnect();
    test::FillMonth(45);
    folder.disconnect();
    const test::CliRun r = test::RunCli(list);
    EXPECT_EQ(r.rc, 0) << r.err;  // Qt may warn on stderr about the environment
    EXPECT_EQ(test::PdfPageCount(out / "list.pdf"), 3);
    EXPECT_NE(test::ReadFile(out / "list.pdf").find("IPAPGothic"), std::string::npos);  // the Japanese font
}
