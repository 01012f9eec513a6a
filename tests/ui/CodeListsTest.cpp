#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QSignalSpy>

#include "support/TestSupport.h"
#include "ui/CodeLists.h"

using namespace hotaru;
using namespace hotaru::ui;

// Entries "code:name" with the code as item data, appended to what the list
// holds; a typed prefix goes in as a value, never into the statement; an
// unreadable source shows the standard error and adds nothing.
TEST(CodeLists, FilledFromATableOrAStatementWithATypedPrefix) {
    test::ProgramFolder folder;
    QComboBox combo;
    ASSERT_TRUE(FillCodeList("T_保険種別", &combo));
    ASSERT_TRUE(FillCodeList("SELECT * FROM T_元号 WHERE code > 3", &combo));
    EXPECT_FALSE(FillCodeList("T_無い表", &combo));
    std::string entries;
    for (int i = 0; i < combo.count(); ++i) entries += combo.itemText(i).toStdString() + "=" + std::to_string(*ItemCode(&combo, i)) + " ";
    EXPECT_EQ(entries, "1:社保=1 2:国保=2 3:退職=3 4:その他=4 4:平成=4 5:令和=5 ");
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].title, "エラー");

    QListWidget list;
    const std::string like = "SELECT * FROM T_保険種別 Where (T_保険種別.code) Like ?";
    ASSERT_TRUE(FillCodeList(like, &list, {std::string("2*")}));
    ASSERT_TRUE(FillCodeList(like, &list, {"' OR 1=1 --*"}));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.item(0)->text().toStdString() + "=" + std::to_string(*ItemCode(&list, 0)), "2:国保=2");
}

// The key before the colon matches exactly; no match leaves the pick as it
// was, and the window's pick rule runs for the program's choice too.
TEST(CodeLists, SelectByCodeAndNoSelectionIsNotCodeZero) {
    QComboBox combo;
    EXPECT_FALSE(SelectedCode(&combo).has_value());
    for (auto [text, code] : {std::pair{"1:社保", 1}, {"10:十", 10}, {"0:なし", 0}}) combo.addItem(text, code);
    combo.addItem("NoColon");
    QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
    std::string picks;
    for (const char* code : {"10", "3", "  ", " 1", "1", "0", "NoColon"}) {
        const bool found = SelectComboByCode(&combo, code);
        const auto selected = SelectedCode(&combo);
        picks += std::string(found ? "+" : "-") + std::to_string(combo.currentIndex()) + ":" +
                 (selected ? std::to_string(*selected) : "none") + " ";
    }
    EXPECT_EQ(picks, "+1:10 -1:10 -1:10 -1:10 +0:1 +2:0 +3:none ");
    EXPECT_EQ(changed.count(), 4);
    combo.setCurrentIndex(-1);
    EXPECT_EQ(SelectedText(&combo) + (SelectedCode(&combo) ? "code" : ""), "");
}
