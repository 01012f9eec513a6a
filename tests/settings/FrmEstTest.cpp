// The institution settings window, driven as the user drives it.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>

#include "settings/FrmEst.h"
#include "SettingsFixture.h"
#include "ui/Fields.h"

using namespace hotaru;
using namespace hotaru::test;

namespace {

const std::string kNumberQuestion =
    Msg("処理確認", mbYesNo + mbExclamation + mbDefaultButton2,
        "機関番号が変更されたので、入力画面にてすでに入力されているデータは削除されます。\r\nよろしいですか？");
const std::string kCheckDigitQuestion =
    Msg("入力チェック", mbYesNo + mbExclamation, "機関番号が間違っています。\r登録してもよろしいですか？\r");
const std::string kDone = Msg("処理確認", mbInformation, "登録が完了しました。\r");

using FrmEstTest = SettingsFixture<settings::FrmEst>;

}  // namespace

TEST_F(FrmEstTest, ChangedNumberAsksAndDeletesEveryClaimRowOnlyOnYes) {
    seedSettings();
    addClaimRows({"2008-04-01", "2008-05-01"});
    const std::string before = settingsRow();
    open();
    win->Txt_No->setFocus();
    Type("7654321");  // check digit wrong on purpose: kept with a Yes below
    EXPECT_EQ(Focused(), win->Txt_Name);

    reg({mbYes, mbNo});  // keep the number, but do not delete
    EXPECT_EQ(said(), (Lines{kCheckDigitQuestion, kNumberQuestion}));
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
    EXPECT_EQ(settingsRow(), before);
    EXPECT_EQ(win->Txt_No->text(), "7654321");  // left as typed

    // Two Yeses: the rows go (BackupBeforeUpdateTest) and the new number is
    // the one the next registration compares with.
    reg({mbYes, mbYes});
    EXPECT_EQ(win->recordedNumber(), "4617654321");
}

TEST_F(FrmEstTest, MissingFieldsAreListedInOneMessageAndTheFirstGetsTheFocus) {
    open();
    for (const char* pref : {"4", "461"}) {  // one digit, and three
        SCOPED_TRACE(pref);
        win->Txt_No_Pref->setFocus();
        Type(pref);
        reg();
        EXPECT_EQ(said(), Lines{Msg("入力チェック", mbCritical + mbSystemModal,
                                    "[ERR01]県区分は必ず入力してください。　\r\n[ERR01]点数区分は必ず入力してください。　\r\n"
                                    "[ERR01]機関番号は必ず入力してください。　\r\n[ERR01]名称は必ず入力してください。　\r\n"
                                    "[ERR01]保険種別は必ず入力してください。　\r\n")});
        EXPECT_EQ(Focused(), win->Txt_No_Pref);
        EXPECT_EQ(win->Txt_No_Pref->selectedText(), pref);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{win->Txt_No_Pref, win->Txt_No_Mark, win->Txt_No, win->Txt_Name,
                                                      win->Cbo_Insurance})
        EXPECT_EQ(ui::BackColor(w), ui::kRed) << w->objectName().toStdString();
    EXPECT_EQ(ui::BackColor(win->Cbo_Type), ui::kWindowColour);
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 0);
}

// Each refused value gets the focus back with its text selected for typing over.
TEST_F(FrmEstTest, RefusedValuesComeBackSelectedForTypingOver) {
    seedSettings();
    open();
    ModalBoxes boxes(messages());
    const struct {
        QLineEdit* field;
        const char* typed;
        std::string said;
    } cases[] = {{win->Txt_No, "1234561", kCheckDigitQuestion},  // answered No
                 {win->Txt_Name, "Hotaru", Msg("処理確認", mbCritical, "氏名は全角で入力してください\r")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        c.field->setFocus();
        Type(c.typed);
        messages().answer(mbNo);
        c.field == win->Txt_No ? Click(win->Cmd_Reg) : Press(Qt::Key_Return);
        ASSERT_TRUE(ShowActive(*win));
        EXPECT_EQ(said(), Lines{c.said});
        ASSERT_EQ(Focused(), c.field);
        EXPECT_EQ(c.field->selectedText(), c.typed);
    }
    EXPECT_EQ(DB().Scalar("SELECT no FROM T_設定").str(), "1234560");
}

TEST_F(FrmEstTest, NumberPartsAndDepartmentsAsTyped) {
    open();
    win->Cbo_Type->setCurrentIndex(1);  // kind 2 and back reopen the number fields
    win->Cbo_Type->setCurrentIndex(0);
    EXPECT_EQ(win->Txt_No_Pref->text(), "46");  // kind 1's default prefecture part
    EXPECT_FALSE(win->Txt_No_Eda->isEnabled());
    win->Txt_No_Pref->setFocus();
    Commit(QString::fromUtf8("４６１１２３４５６０"));  // each part moves on at its length
    EXPECT_EQ(win->Txt_No_Pref->text() + "-" + win->Txt_No_Mark->text() + "-" + win->Txt_No->text(), "46-1-1234560");
    EXPECT_EQ(Focused(), win->Txt_Name);

    // A short number is padded when left.
    win->Txt_No->clear();
    win->Txt_No->setFocus();
    Type("123");
    Press(Qt::Key_Return);
    EXPECT_EQ(win->Txt_No->text(), "0000123");
    // Typed prefix, codes offered, then Enter, a click on the fourth offer or a second digit.
    const struct {
        const char *typed, *then;
        int offered;
        const char* picked;
    } cases[] = {{"2", "0", 2, "20小児科"}, {"3", "", 6, "3外科"}, {"9", "", 0, ""}, {"4", "click", 5, "43眼科"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        win->Txt_Treatment->setFocus();
        Type(c.typed);
        ASSERT_EQ(win->Lst_Treatment->count(), c.offered);
        if (std::string(c.then) == "click") {
            QListWidgetItem* item = win->Lst_Treatment->item(3);
            QTest::mouseClick(win->Lst_Treatment->viewport(), Qt::LeftButton, {},
                              win->Lst_Treatment->visualItemRect(item).center());
        } else {
            *c.then ? Type(c.then) : Press(Qt::Key_Return);
        }
        EXPECT_EQ(win->Txt_Treatment->text() + win->Lbl_TreatmentName->text(), QString::fromUtf8(c.picked));
        EXPECT_EQ(Focused(), win->Cmd_Reg);
        EXPECT_FALSE(win->Lst_Treatment->isVisible());
    }
}

// Leaving a half-width name for 終了 asks nothing about it.
TEST_F(FrmEstTest, KeyboardWalksEveryFieldAndEndSkipsTheLeaveRules) {
    seedSettings();
    open();
    ExpectKeyboardWalk({win->Cbo_Type, win->Txt_No_Pref, win->Txt_No_Mark, win->Txt_No, win->Txt_Name,
                        win->Cbo_Insurance, win->Cbo_Hospitalization, win->Txt_Treatment, win->Cmd_Reg, win->Cmd_End});
    QSignalSpy closed(win, &ui::Form::closed);
    win->Txt_Name->setFocus();
    Type("Hotaru");
    Click(win->Cmd_End);
    EXPECT_EQ(said(), Lines{});
    EXPECT_EQ(closed.count(), 1);
}

// A half-width name is accepted by the registration; refilling the fields
// afterwards must not hop through them and complain about it.
TEST_F(FrmEstTest, ReloadAfterRegistrationRunsNoLeaveRulesAndKeepsMonthAndFolder) {
    seedSettings();
    DB().Execute("UPDATE T_設定 SET name = 'Hotaru Clinic'");
    addClaimRows({"2008-05-01"});
    const std::string before = settingsRow();
    open();
    EXPECT_EQ(win->Cbo_Insurance->currentText() + win->Cbo_Hospitalization->currentText() + win->Txt_Treatment->text() +
                  win->Lbl_TreatmentName->text(),
              QString::fromUtf8("2:国保2:外来20小児科"));
    EXPECT_EQ(win->recordedNumber(), "4611234560");
    EXPECT_EQ(Focused(), win->Cbo_Type);  // filling the fields moved no focus
    win->Cbo_Insurance->setFocus();
    reg();
    EXPECT_EQ(said(), Lines{kDone});
    EXPECT_EQ(Focused(), win->Cbo_Type);
    EXPECT_EQ(settingsRow(), before);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
}
