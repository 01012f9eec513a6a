// The menu's 入力 opens the entry window; closing it brings the menu back.
#include <gtest/gtest.h>

#include <QPushButton>

#include "EntryWindowHarness.h"
#include "app/FrmMenu.h"
#include "app/MenuActions.h"

namespace hotaru::test {
namespace {

class MenuEntry : public EntryFixture {};

entry::FrmEntry* OpenEntry() { return FindWindow<entry::FrmEntry>(); }

TEST_F(MenuEntry, EntryButtonOpensTheWindowAndEndReturnsToTheMenu) {
    app::FrmMenu menu(app::DefaultMenuActions());
    menu.setAttribute(Qt::WA_DeleteOnClose, false);
    ASSERT_TRUE(ShowActive(menu));
    folder.messages().clear();
    menu.findChild<QPushButton*>("Cmd_Entry")->click();
    entry::FrmEntry* w = OpenEntry();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(menu.isVisible());
    EXPECT_EQ(w->windowTitle().toStdString(), "入力");
    EXPECT_EQ(w->Txt_Request->text().toStdString(), "平成20年05月");
    w->Cmd_End->click();  // 終了してもよろしいですか？ answered Yes
    EXPECT_TRUE(menu.isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(OpenEntry(), nullptr);
}

TEST_F(MenuEntry, ClosingWithTheReferenceOpenClosesBoth) {
    entry::RegisterEntry([] {
        auto r = SampleRow();
        r.city = "7";
        r.recipient = "000012345";
        return r;
    }());
    auto* w = new entry::FrmEntry;
    ASSERT_TRUE(ShowActive(*w));
    Type("7");
    Press(Qt::Key_Return);
    Type("000012345");
    Press(Qt::Key_Return);
    Type("20");
    Type("04");
    Press(Qt::Key_Return);
    ASSERT_TRUE(w->Cmd_Link->isEnabled());
    w->Cmd_Link->click();
    QPointer<entry::FrmSubEntry> ref = w->reference();
    ASSERT_TRUE(ref);
    w->close();
    EXPECT_FALSE(ref && ref->isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ref);
}

}  // namespace
}  // namespace hotaru::test
