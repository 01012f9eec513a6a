// The branch-number reference window.
#include <gtest/gtest.h>

#include "EntryWindowHarness.h"

namespace hotaru::test {
namespace {

using entry::EntryRow;
using entry::FrmSubEntry;

class Reference : public EntryWindow {
public:
    EntryRow stored(int eda, long long total, long long payment) {
        EntryRow r = SampleRow();
        r.city = "7";
        r.recipient = "000012345";
        r.eda = std::to_string(eda);
        r.total = std::to_string(total);
        r.payment = std::to_string(payment);
        r.publicPay1 = "0" + std::to_string(eda % 10);
        r.treatment = eda % 2 ? "20" : "31";
        r.insurance = eda % 2 ? 2 : 3;
        r.insuranceText = "x";
        return r;
    }
    void storeBranches(std::initializer_list<int> branches) {
        for (int b : branches) entry::RegisterEntry(stored(b, 1000 * b, 3000 * b));
    }
    FrmSubEntry* openReference() {
        typeKey("7", "000012345", "20", "04");
        w->Cmd_Link->click();
        return findReference();
    }
};

TEST_F(Reference, TenBranchesShowAllWithoutAdd) {
    storeBranches({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    EXPECT_TRUE(folder.messages().shown.empty());
    for (int r = 0; r < 10; ++r) EXPECT_TRUE(ref->Txt_edaban[r]->isVisibleTo(ref)) << r;
    EXPECT_EQ(text(ref->Txt_edaban[9]), "10");
    EXPECT_FALSE(ref->Cmd_tuika->isVisibleTo(ref));
}

TEST_F(Reference, ElevenBranchesShowTenAndSaySo) {
    storeBranches({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].prompt, "枝番が１０を超えています。");
    EXPECT_EQ(folder.messages().shown[0].style, mbOKOnly);
    EXPECT_EQ(folder.messages().shown[0].title, kAppTitle);
    EXPECT_EQ(text(ref->Txt_edaban[9]), "10");
    EXPECT_FALSE(ref->Cmd_tuika->isVisibleTo(ref));
}

TEST_F(Reference, GridShowsTheBranchesInOrder) {
    entry::RegisterEntry(stored(2, 1234567, 0));
    entry::RegisterEntry(stored(1, 1000, 3000));
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->windowTitle().toStdString(), "参照");
    EXPECT_EQ(text(ref->Txt_edaban[0]), "1");
    EXPECT_EQ(text(ref->Txt_goukei[0]), "1,000");
    EXPECT_EQ(text(ref->Txt_simei[1]), "やまだ　たろう");
    EXPECT_EQ(text(ref->Txt_hoken[1]), "12345678");
    EXPECT_EQ(text(ref->Txt_goukei[1]), "1,234,567");
    EXPECT_EQ(text(ref->Txt_jiko[1]), "");  // zero shows empty
    EXPECT_FALSE(ref->Txt_edaban[2]->isVisibleTo(ref));
    EXPECT_TRUE(ref->Cmd_tuika->isVisibleTo(ref));
    EXPECT_EQ(ui::BackColor(ref->Txt_edaban[0]), 0x00C0FFFF);
}

TEST_F(Reference, PickLoadsTheBranchWithItsOwnPublicExpenseNumbers) {
    storeBranches({1, 2});
    // The child's latest master values differ from branch 2's.
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    QTest::mouseDClick(ref->Txt_edaban[1], Qt::LeftButton);
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(text(w->Txt_Eda), "2");
    EXPECT_EQ(text(w->Lbl_EditMode), "修正");
    EXPECT_EQ(ui::ForeColor(w->Lbl_EditMode), 0xFF0000);
    EXPECT_TRUE(w->Cmd_Del->isEnabled());
    EXPECT_EQ(text(w->Txt_Total), "2,000");
    EXPECT_EQ(text(w->Txt_Payment), "6,000");
    EXPECT_EQ(text(w->Cbo_Insurance), "3:退職");
    EXPECT_EQ(text(w->Txt_Treatment), "31");
    EXPECT_EQ(text(w->Lbl_TreatmentName), "整形外科");
    EXPECT_FALSE(w->Lst_Treatment->isVisible());
    EXPECT_EQ(text(w->Txt_PublicPay1), "02");
    EXPECT_EQ(text(w->Txt_Name), "やまだ　たろう");
    EXPECT_EQ(text(w->Txt_BD_Y), "18");
    EXPECT_EQ(focus(), w->Txt_Total);

    // Correcting one amount keeps the branch's other values.
    folder.messages().clear();
    w->Txt_Payment->setText("6,001");
    w->Cmd_Reg->click();
    auto d = DB().OpenRecordset("SELECT * FROM T_データ WHERE eda = 2", data::dbOpenSnapshot);
    EXPECT_EQ(d["payment"].rawInt(), 6001);
    EXPECT_EQ(d["PublicPay1"].str(), "02");
    EXPECT_EQ(d["treatment"].toInt(), 31);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
}

TEST_F(Reference, KeyboardPicksABranch) {
    storeBranches({1, 2});
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    ASSERT_TRUE(ShowActive(*ref));
    EXPECT_EQ(focus(), ref->Cmd_tuika);
    Press(Qt::Key_Tab);
    Press(Qt::Key_Tab);
    EXPECT_EQ(focus(), ref->Txt_edaban[0]);
    Press(Qt::Key_Down);
    EXPECT_EQ(focus(), ref->Txt_edaban[1]);
    Press(Qt::Key_Return);
    EXPECT_EQ(text(w->Txt_Eda), "2");
    EXPECT_EQ(text(w->Lbl_EditMode), "修正");
}

TEST_F(Reference, PickedTotalComesBackSelectedForTypingOver) {
    storeBranches({1, 2});
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    ASSERT_TRUE(ShowActive(*ref));
    QTest::mouseDClick(ref->Txt_edaban[1], Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.data()));
    ASSERT_EQ(focus(), w->Txt_Total);
    type("2100");
    EXPECT_EQ(text(w->Txt_Total), "2100");  // not 2,0002100
}

TEST_F(Reference, AddGivesOneAboveTheHighestWithTheDefaults) {
    storeBranches({1, 2, 5});
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    ref->Cmd_tuika->click();
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(text(w->Txt_Eda), "6");
    EXPECT_EQ(text(w->Lbl_EditMode), "新規");
    EXPECT_FALSE(w->Cmd_Del->isEnabled());
    // The institution's defaults fill the new branch.
    EXPECT_EQ(text(w->Cbo_Insurance), "2:国保");
    EXPECT_EQ(text(w->Cbo_Hospitalization), "2:外来");
    EXPECT_EQ(text(w->Txt_Treatment), "20");
    EXPECT_EQ(text(w->Txt_Total), "");
    EXPECT_EQ(focus(), w->Txt_Total);
}

TEST_F(Reference, AddUsesTheSettingsInsuranceOverTheChilds) {
    entry::RegisterEntry(stored(1, 1000, 3000));
    entry::RegisterEntry(stored(2, 2000, 6000));  // master row now names 3:退職
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(text(w->Cbo_Insurance), "3:退職");  // loaded from the child
    ref->Cmd_tuika->click();
    EXPECT_EQ(text(w->Cbo_Insurance), "2:国保");
}

TEST_F(Reference, ClearingTheEntryWindowClosesAnOpenReference) {
    storeBranches({1, 2, 3});
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    // The entry window brought back by hand and its row cancelled: the grid
    // of the old child must not serve the next key.
    w->showNormal();
    ASSERT_TRUE(ShowActive(*w));
    w->Cmd_Can->click();
    ASSERT_EQ(shown("キャンセル確認").size(), 1u);
    EXPECT_FALSE(w->keyLocked);
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_FALSE(w->isMinimized());
    EXPECT_EQ(focus(), w->Txt_City);
}

TEST_F(Reference, DeleteAfterAddFindsNothingAndSaysSo) {
    storeBranches({1, 2});
    openReference()->pickBranch(0);
    ASSERT_EQ(text(w->Lbl_EditMode), "修正");
    w->Cmd_Link->click();
    findReference()->Cmd_tuika->click();  // the window stays in 修正 with 削除
    ASSERT_EQ(text(w->Txt_Eda), "3");
    ASSERT_TRUE(w->Cmd_Del->isEnabled());
    folder.messages().clear();
    w->Cmd_Del->click();
    ASSERT_EQ(shown("削除確認").size(), 2u);
    EXPECT_EQ(shown("削除確認")[1].prompt, "削除するデータがありません。\r");
    EXPECT_EQ(shown("削除確認")[1].style, mbExclamation);
    EXPECT_TRUE(shown("処理確認").empty());
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
    // Nothing changed on the screen either.
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(text(w->Txt_Eda), "3");
    EXPECT_EQ(text(w->Lbl_EditMode), "修正");
}

TEST_F(Reference, ZeroBranchAndBackChangeNothing) {
    storeBranches({1});
    FrmSubEntry* ref = openReference();
    ASSERT_NE(ref, nullptr);
    ref->Txt_edaban[0]->setText("0");
    ref->pickBranch(0);
    EXPECT_EQ(findReference(), ref);
    EXPECT_EQ(text(w->Lbl_EditMode), "新規");
    const std::string eda = text(w->Txt_Eda);
    ref->Cmd_modoru->click();
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(text(w->Txt_Eda), eda);
    EXPECT_EQ(text(w->Lbl_EditMode), "新規");
}

}  // namespace
}  // namespace hotaru::test
