// The branch-number reference window.
#include <gtest/gtest.h>

#include "EntryWindowHarness.h"

namespace hotaru::test {
namespace {

using entry::FrmSubEntry;

class Reference : public EntryWindow {
public:
    // Odd branches 国保 and 小児科, even ones 退職 and 整形外科.
    void store(int eda, long long total, long long payment) {
        entry::EntryRow r = SampleEntryRow();
        r.city = "7", r.eda = std::to_string(eda), r.total = std::to_string(total), r.payment = std::to_string(payment);
        r.publicPay1 = "0" + std::to_string(eda % 10);
        r.treatment = eda % 2 ? "20" : "31";
        r.insurance = eda % 2 ? 2 : 3;
        entry::RegisterEntry(r);
    }
    FrmSubEntry* openReference(std::initializer_list<int> branches) {
        for (int b : branches) store(b, 1000 * b, 3000 * b);
        keys("7 | 000012345 | 20 04 |");
        w->Cmd_Link->click();
        return findReference();
    }
    // The grid, a line per visible row; "+" when 追加 shows.
    static std::string grid(FrmSubEntry* ref) {
        std::string s;
        for (std::size_t r = 0; r < ref->Txt_edaban.size() && ref->Txt_edaban[r]->isVisibleTo(ref); ++r)
            s += text(ref->Txt_edaban[r]) + "|" + text(ref->Txt_simei[r]) + "|" + text(ref->Txt_hoken[r]) + "|" +
                 text(ref->Txt_goukei[r]) + "|" + text(ref->Txt_jiko[r]) + "\n";
        return s + (ref->Cmd_tuika->isVisibleTo(ref) ? "+" : "");
    }
};

TEST_F(Reference, GridShowsTheBranchesInOrderUpToTen) {
    store(2, 1234567, 0);
    FrmSubEntry* ref = openReference({1});
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->windowTitle().toStdString(), "参照");
    EXPECT_EQ(grid(ref), "1|やまだ　たろう|12345678|1,000|3,000\n2|やまだ　たろう|12345678|1,234,567|\n+");  // zero shows empty
    EXPECT_EQ(said(), "");

    for (int last : {10, 11}) {
        SCOPED_TRACE(last);
        DB().Execute("DELETE FROM T_データ");
        open();
        for (int b = 1; b <= last; ++b) store(b, 1000 * b, 3000 * b);
        ref = openReference({});
        EXPECT_TRUE(grid(ref).ends_with("\n10|やまだ　たろう|12345678|10,000|30,000\n")) << grid(ref);  // no 追加
        EXPECT_EQ(said(), last == 10 ? "" : "Hotaru(0): 枝番が１０を超えています。\n");
    }
}

// A picked branch shows its own values, not the child's latest master ones;
// correcting one amount keeps the others.  Branch 0 picks nothing and 戻る
// changes nothing.
TEST_F(Reference, PickLoadsTheBranchWithItsOwnValues) {
    FrmSubEntry* ref = openReference({1, 2});
    ASSERT_NE(ref, nullptr);
    const std::string before = fields();
    ref->Txt_edaban[0]->setText("0");
    ref->pickBranch(0);
    ref->Cmd_modoru->click();
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(fields(), before);

    ref = openReference({});
    QTest::mouseDClick(ref->Txt_edaban[1], Qt::LeftButton);
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #2 修正 有 |やまだ　たろう|平成|18|07|15|3|12345678|2|3|2,000|6,000|31|02||3割|整形外科 @Txt_Total");
    EXPECT_EQ(ui::ForeColor(w->Lbl_EditMode), 0xFF0000);
    EXPECT_TRUE(w->Cmd_Del->isEnabled() && !w->Lst_Treatment->isVisible());
    w->Txt_Payment->setText("6,001");
    w->Cmd_Reg->click();
    EXPECT_EQ(rows("eda, payment, PublicPay1, treatment, insurance", "FROM T_データ ORDER BY eda"), "1|3000|'01'|20|2\n2|6001|'02'|31|3\n");
}

// 追加 proposes one above the highest branch, with the settings' insurance
// even when the child's master row names another; 削除 then finds nothing.
TEST_F(Reference, AddGivesOneAboveTheHighestWithTheSettingsDefaults) {
    FrmSubEntry* ref = openReference({1, 2, 5, 6});  // the master row now names 3:退職
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(text(w->Cbo_Insurance), "3:退職");  // loaded from the child
    ref->Cmd_tuika->click();
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #7 新規 有 |やまだ　たろう|平成|18|07|15|2|12345678|2|3|||20|06||3割|小児科 @Txt_Total");
    EXPECT_FALSE(w->Cmd_Del->isEnabled());

    // From 修正 the window stays in 修正 with 削除, which deletes nothing.
    open();
    openReference({})->pickBranch(0);
    ASSERT_EQ(text(w->Lbl_EditMode), "修正");
    w->Cmd_Link->click();
    findReference()->Cmd_tuika->click();
    ASSERT_TRUE(w->Cmd_Del->isEnabled());
    const std::string before = fields();
    said();
    w->Cmd_Del->click();
    EXPECT_EQ(said(), "削除確認(36): データを削除します。\rよろしいですか？\r\n削除確認(48): 削除するデータがありません。\r\n");
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 4);
    EXPECT_TRUE(w->keyLocked);  // nothing changed on the screen either
    EXPECT_EQ(fields(), before);
}

// The entry window brought back by hand and its row cancelled, or closed:
// the grid of the old child must not serve the next key.
TEST_F(Reference, ClearingOrClosingTheEntryWindowClosesAnOpenReference) {
    ASSERT_NE(openReference({1, 2, 3}), nullptr);
    w->showNormal();
    ASSERT_TRUE(ShowActive(*w));
    w->Cmd_Can->click();
    EXPECT_EQ(said(), "キャンセル確認(36): 表示されているデータをキャンセルします。\rよろしいですか？\r\n");
    EXPECT_FALSE(w->keyLocked || w->isMinimized());
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(focus(), w->Txt_City);

    QPointer<FrmSubEntry> ref = openReference({});
    ASSERT_TRUE(ref);
    w->close();
    EXPECT_FALSE(ref && ref->isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ref);
}

}  // namespace
}  // namespace hotaru::test
