// The preview window and the menu routine, driven as a user would; and
// hotaru-cli list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
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
