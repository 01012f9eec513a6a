// The menu's 一覧表 button runs the list routine from the menu itself.
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/FrmMenu.h"
#include "report/ListData.h"
#include "report/ReportPreview.h"
#include "support/TestSupport.h"

using namespace hotaru;

namespace {

class MenuReportTest : public ::testing::Test {
protected:
    test::ProgramFolder folder;
};

}  // namespace

TEST_F(MenuReportTest, ButtonOpensThePreviewOverTheVisibleMenu) {
    test::FillMonth(3);
    app::FrmMenu menu;
    menu.show();
    folder.messages().clear();  // the opening reminders, if any
    QWidget* parent = nullptr;
    bool menuVisible = false;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<report::ReportPreview*>(QApplication::activeModalWidget());
        if (!preview) return;
        parent = preview->parentWidget();
        menuVisible = menu.isVisible();
        preview->accept();
    });
    QTest::mouseClick(menu.findChild<QPushButton*>("Cmd_Report"), Qt::LeftButton);
    EXPECT_EQ(parent, &menu);
    EXPECT_TRUE(menuVisible);
    EXPECT_TRUE(menu.isVisible());
    EXPECT_TRUE(folder.messages().shown.empty());
}

TEST_F(MenuReportTest, ButtonWithNothingToListSaysSo) {
    test::SetSettings(1, "2008-04-01");
    app::FrmMenu menu;
    menu.show();
    folder.messages().clear();
    QTest::mouseClick(menu.findChild<QPushButton*>("Cmd_Report"), Qt::LeftButton);
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].prompt, "該当データがありません。");
    EXPECT_EQ(folder.messages().shown[0].title, "該当件数チェック");
}
