// The preview window and the menu routine, driven as a user would.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "report/ListData.h"
#include "report/RepItiran.h"
#include "report/ReportPreview.h"
#include "report/ReportTestUtil.h"
#include "report/ShowClaimList.h"

using namespace hotaru;
using namespace hotaru::report;

namespace {

class PreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::FillMonth(45);  // three pages
        ASSERT_TRUE(PrepareClaimList(DB()));
        rep.run();
    }
    void TearDown() override {
        ReportPreview::setPdfPathChooser(nullptr);
        ReportPreview::setPrintDialogRunner(nullptr);
    }
    static QPushButton* button(QWidget& w, const char* name) { return w.findChild<QPushButton*>(name); }
    static QString pageLabel(QWidget& w) { return w.findChild<QLabel*>("pageLabel")->text(); }
    static int shownWidth(QWidget& w) { return w.findChild<QLabel*>("pageView")->pixmap().width(); }

    test::ProgramFolder folder;
    test::TempDir out;
    RepItiran rep;
};

}  // namespace

TEST_F(PreviewTest, OpensOnTheFirstPageAndPagesThrough) {
    ReportPreview preview(rep);
    preview.show();
    EXPECT_EQ(preview.windowTitle(), "一覧表");
    EXPECT_EQ(pageLabel(preview), "1 / 3");
    EXPECT_FALSE(button(preview, "prevButton")->isEnabled());
    QTest::mouseClick(button(preview, "nextButton"), Qt::LeftButton);
    EXPECT_EQ(pageLabel(preview), "2 / 3");
    QTest::mouseClick(button(preview, "lastButton"), Qt::LeftButton);
    EXPECT_EQ(pageLabel(preview), "3 / 3");
    EXPECT_FALSE(button(preview, "nextButton")->isEnabled());
    QTest::keyClick(&preview, Qt::Key_PageDown);  // already on the last page
    EXPECT_EQ(preview.currentPage(), 2);
    QTest::keyClick(&preview, Qt::Key_PageUp);
    EXPECT_EQ(pageLabel(preview), "2 / 3");
    QTest::mouseClick(button(preview, "firstButton"), Qt::LeftButton);
    EXPECT_EQ(pageLabel(preview), "1 / 3");
}

TEST_F(PreviewTest, OpensFittedToTheWidth) {
    ReportPreview preview(rep);
    preview.show();
    QApplication::processEvents();
    const int room = preview.findChild<QScrollArea*>()->viewport()->width();
    EXPECT_EQ(preview.findChild<QComboBox*>("zoomBox")->currentText(), "幅に合わせる");
    EXPECT_GT(shownWidth(preview), room - 60);
    EXPECT_LE(shownWidth(preview), room);
}

TEST_F(PreviewTest, ZoomScalesThePage) {
    ReportPreview preview(rep);
    preview.show();
    auto* zoom = preview.findChild<QComboBox*>("zoomBox");
    zoom->setCurrentIndex(zoom->findData(100));
    int full = shownWidth(preview);
    zoom->setCurrentIndex(zoom->findData(50));
    EXPECT_EQ(preview.zoom(), 50);
    EXPECT_NEAR(shownWidth(preview), full / 2, 2);
    zoom->setCurrentIndex(zoom->findData(200));
    EXPECT_NEAR(shownWidth(preview), full * 2, 2);
}

TEST_F(PreviewTest, ExportsTheSamePagesToPdf) {
    auto target = out / "list.pdf";
    QString offered;
    ReportPreview::setPdfPathChooser([&](QWidget*, const QString& suggested) {
        offered = suggested;
        return test::Q(target);
    });
    ReportPreview preview(rep);
    preview.show();
    QTest::mouseClick(button(preview, "pdfButton"), Qt::LeftButton);
    EXPECT_TRUE(offered.endsWith("一覧表.pdf"));
    EXPECT_EQ(test::PdfPageCount(target), 3);
    EXPECT_TRUE(preview.statusText().contains("list.pdf"));
    EXPECT_TRUE(folder.messages().shown.empty());
}

TEST_F(PreviewTest, CancelledPdfDialogWritesNothing) {
    ReportPreview::setPdfPathChooser([](QWidget*, const QString&) { return QString(); });
    ReportPreview preview(rep);
    QTest::mouseClick(button(preview, "pdfButton"), Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::is_empty(out.path()));
    EXPECT_TRUE(preview.statusText().isEmpty());
}

TEST_F(PreviewTest, UnwritablePdfIsReported) {
    ReportPreview::setPdfPathChooser([&](QWidget*, const QString&) { return test::Q(out / "missing" / "x.pdf"); });
    ReportPreview preview(rep);
    QTest::mouseClick(button(preview, "pdfButton"), Qt::LeftButton);
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].title, "エラー");
    EXPECT_EQ(folder.messages().shown[0].style, mbExclamation);
}

TEST_F(PreviewTest, PrintsThePagesTheDialogAsksFor) {
    auto target = out / "printed.pdf";
    int offeredFrom = 0, offeredTo = 0;
    ReportPreview::setPrintDialogRunner([&](QPrinter& printer, QWidget*) {
        offeredFrom = printer.fromPage();
        offeredTo = printer.toPage();
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(test::Q(target));
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);
        return true;
    });
    ReportPreview preview(rep);
    QTest::mouseClick(button(preview, "printButton"), Qt::LeftButton);
    EXPECT_EQ(offeredFrom, 1);
    EXPECT_EQ(offeredTo, 3);
    EXPECT_EQ(test::PdfPageCount(target), 2);
}

TEST_F(PreviewTest, CancelledPrintDialogPrintsNothing) {
    ReportPreview::setPrintDialogRunner([](QPrinter&, QWidget*) { return false; });
    ReportPreview preview(rep);
    QTest::mouseClick(button(preview, "printButton"), Qt::LeftButton);
    EXPECT_TRUE(preview.statusText().isEmpty());
}

// ---- The menu routine -------------------------------------------------------

namespace {

class ShowClaimListTest : public ::testing::Test {
protected:
    test::ProgramFolder folder;
};

}  // namespace

TEST_F(ShowClaimListTest, NothingToListSaysSo) {
    test::SetSettings(1, "2008-04-01");
    test::ClaimRow zero;
    zero.total = 0;
    test::AddRow(zero);
    ShowClaimList(nullptr);
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].prompt, "該当データがありません。");
    EXPECT_EQ(folder.messages().shown[0].style, mbInformation);
    EXPECT_EQ(folder.messages().shown[0].title, "該当件数チェック");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ShowClaimListTest, NoSettingsRowSaysSo) {
    ShowClaimList(nullptr);
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].prompt, "該当データがありません。");
}

TEST_F(ShowClaimListTest, RowsOpenTheModalPreview) {
    test::FillMonth(20);
    QString title;
    int pages = -1;
    bool cursorBack = false;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<ReportPreview*>(QApplication::activeModalWidget());
        if (!preview) return;
        title = preview->windowTitle();
        pages = preview->pageCount();
        cursorBack = QApplication::overrideCursor() == nullptr;
        QTest::mouseClick(preview->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
    });
    ShowClaimList(nullptr);
    EXPECT_EQ(title, "一覧表");
    EXPECT_EQ(pages, 2);
    EXPECT_TRUE(cursorBack);  // the normal pointer while the preview is open
    EXPECT_TRUE(folder.messages().shown.empty());
    EXPECT_EQ(gRequestText, "2008/04/01");
    EXPECT_EQ(gListSQL, BuildListQuery());
}

TEST_F(ShowClaimListTest, DatabaseFailureShowsTheStandardError) {
    test::FillMonth(1);
    DB().Execute("DROP TABLE T_データ");
    ShowClaimList(nullptr);
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].title, "エラー");
    EXPECT_EQ(folder.messages().shown[0].prompt.rfind("予期せぬエラーです。", 0), 0u);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

