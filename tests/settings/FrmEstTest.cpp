// The institution settings window, driven as the user drives it.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include "settings/FrmEst.h"
#include "SettingsFixture.h"
#include "ui/Fields.h"

using namespace hotaru;
using namespace hotaru::test;

namespace {

const std::string kNumberQuestion =
    "機関番号が変更されたので、入力画面にてすでに入力されているデータは削除されます。\r\nよろしいですか？";
const std::string kCheckDigitQuestion = "機関番号が間違っています。\r登録してもよろしいですか？\r";
const std::string kDone = "登録が完了しました。\r";
using P = std::vector<std::string>;

using FrmEstTest = SettingsFixture<settings::FrmEst>;

}  // namespace

TEST_F(FrmEstTest, ChangedNumberAsksAndDeletesEveryClaimRowOnlyOnYes) {
    seedSettings();
    addClaimRows({"2008-04-01", "2008-05-01"});
    open();
    win->Txt_No->setFocus();
    Type("7654321");  // check digit wrong on purpose: answered Yes below
    EXPECT_EQ(Focused(), win->Txt_Name);

    messages().answer(mbYes);  // keep the number despite the check digit
    messages().answer(mbNo);   // but do not delete
    Click(win->Cmd_Reg);
    ASSERT_EQ(prompts(), (P{kCheckDigitQuestion, kNumberQuestion}));
    EXPECT_EQ(messages().shown[0].style, mbYesNo + mbExclamation);
    EXPECT_EQ(messages().shown[0].title, "入力チェック");
    EXPECT_EQ(messages().shown[1].style, mbYesNo + mbExclamation + mbDefaultButton2);
    EXPECT_EQ(messages().shown[1].title, "処理確認");
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
    const std::string before = settingsRow();
    EXPECT_EQ(win->Txt_No->text(), "7654321");  // left as typed

    messages().clear();
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    ASSERT_EQ(prompts(), (P{kCheckDigitQuestion, kNumberQuestion, kDone}));
    EXPECT_EQ(messages().shown[2].style, mbInformation);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
    EXPECT_EQ(settingsRow(), "1|'46'|'1'|'7654321'|''|'ほたる医院'|2|2|20|'2008-05-01'|'/media/fd'") << before;
    EXPECT_EQ(win->recordedNumber(), "4617654321");
    EXPECT_EQ(Focused(), win->Cbo_Type);  // reloaded, focus back on the kind

    // The same number again: no question, nothing deleted.
    addClaimRows({"2008-05-01"});
    messages().clear();
    messages().answer(mbYes);  // the check digit is still wrong
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), (P{kCheckDigitQuestion, kDone}));
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
}

TEST_F(FrmEstTest, FailureInsideTheRegistrationRollsBackAndAsksAgainNextTime) {
    seedSettings();
    addClaimRows({"2008-05-01"});
    open();
    win->Txt_No->setFocus();
    Type("1111115");
    const std::string before = settingsRow();
    messages().answer(mbYes);  // delete the claim rows
    gDB->InjectWriteFailure(1);  // the deletion runs, the settings row fails
    Click(win->Cmd_Reg);
    gDB->InjectWriteFailure(-1);

    ASSERT_EQ(messages().shown.size(), 2u);
    EXPECT_EQ(messages().shown[0].prompt, kNumberQuestion);
    const auto& last = messages().shown.back();
    EXPECT_EQ(last.title + "|" + std::to_string(last.style), "エラー|" + std::to_string(mbExclamation));
    EXPECT_TRUE(last.prompt.starts_with("予期せぬエラーです。\r\nエラーコード： 3043\r\n")) << last.prompt;
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
    EXPECT_EQ(settingsRow(), before);
    EXPECT_FALSE(gWS.inTransaction());
    EXPECT_EQ(win->recordedNumber(), "4611234560");

    // Nothing was kept, so the next registration asks again and deletes.
    messages().clear();
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), (P{kNumberQuestion, kDone}));
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
    EXPECT_EQ(win->recordedNumber(), "4611111115");
}

TEST_F(FrmEstTest, MissingFieldsAreListedInOneMessageAndTheFirstGetsTheFocus) {
    open();
    for (const char* pref : {"4", "461"}) {  // one digit, and three
        SCOPED_TRACE(pref);
        messages().clear();
        win->Txt_No_Pref->setFocus();
        Type(pref);
        Click(win->Cmd_Reg);
        ASSERT_EQ(messages().shown.size(), 1u);
        EXPECT_EQ(messages().shown[0].title, "入力チェック");
        EXPECT_EQ(messages().shown[0].style, mbCritical + mbSystemModal);
        EXPECT_EQ(messages().shown[0].prompt,
                  "[ERR01]県区分は必ず入力してください。　\r\n[ERR01]点数区分は必ず入力してください。　\r\n"
                  "[ERR01]機関番号は必ず入力してください。　\r\n[ERR01]名称は必ず入力してください。　\r\n"
                  "[ERR01]保険種別は必ず入力してください。　\r\n");
        EXPECT_EQ(Focused(), win->Txt_No_Pref);
        EXPECT_EQ(win->Txt_No_Pref->selectedText(), pref);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{win->Txt_No_Pref, win->Txt_No_Mark, win->Txt_No, win->Txt_Name,
                                                      win->Cbo_Insurance})
        EXPECT_EQ(ui::BackColor(w), ui::kRed) << w->objectName().toStdString();
    EXPECT_EQ(ui::BackColor(win->Cbo_Type), ui::kWindowColour);
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 0);
}

TEST_F(FrmEstTest, RefusedValuesComeBackSelectedForTypingOver) {
    seedSettings();
    open();
    ModalBoxes boxes(messages());
    win->Txt_No->setFocus();
    Type("1234561");
    messages().answer(mbNo);
    Click(win->Cmd_Reg);  // wrong check digit, answered No
    ASSERT_TRUE(ShowActive(*win));
    ASSERT_EQ(prompts(), P{kCheckDigitQuestion});
    ASSERT_EQ(Focused(), win->Txt_No);
    EXPECT_EQ(win->Txt_No->selectedText(), "1234561");
    EXPECT_EQ(DB().Scalar("SELECT no FROM T_設定").str(), "1234560");

    messages().clear();
    win->Txt_Name->setFocus();
    Type("Hotaru");
    Press(Qt::Key_Return);  // half-width name refused
    ASSERT_TRUE(ShowActive(*win));
    ASSERT_EQ(prompts(), P{"氏名は全角で入力してください\r"});
    EXPECT_EQ(messages().shown[0].style, mbCritical);
    ASSERT_EQ(Focused(), win->Txt_Name);
    EXPECT_EQ(win->Txt_Name->selectedText(), "Hotaru");
}

TEST_F(FrmEstTest, ShortNumberIsPaddedAndDepartmentsPickByPrefixClickOrNothing) {
    open();
    win->Txt_No->setFocus();
    Type("123");
    Press(Qt::Key_Return);
    EXPECT_EQ(win->Txt_No->text(), "0000123");
    win->Txt_Treatment->setFocus();
    Type("2");
    EXPECT_EQ(win->Lst_Treatment->count(), 2);  // 20 and 21
    Type("0");  // two digits: on to 登録
    EXPECT_EQ(win->Lbl_TreatmentName->text(), QString::fromUtf8("小児科"));
    EXPECT_EQ(Focused(), win->Cmd_Reg);
    EXPECT_FALSE(win->Lst_Treatment->isVisible());

    win->Txt_Treatment->setFocus();
    Type("3");
    EXPECT_EQ(win->Lst_Treatment->count(), 6);  // 30..35
    Press(Qt::Key_Return);
    EXPECT_EQ(win->Txt_Treatment->text() + win->Lbl_TreatmentName->text(), QString::fromUtf8("3外科"));

    win->Txt_Treatment->setFocus();
    Type("9");
    EXPECT_EQ(win->Lst_Treatment->count(), 0);
    Press(Qt::Key_Return);
    EXPECT_EQ(win->Txt_Treatment->text() + win->Lbl_TreatmentName->text(), "");

    win->Txt_Treatment->setFocus();
    Type("4");
    ASSERT_EQ(win->Lst_Treatment->count(), 5);  // 40..44
    QListWidgetItem* item = win->Lst_Treatment->item(3);
    QTest::mouseClick(win->Lst_Treatment->viewport(), Qt::LeftButton, {},
                      win->Lst_Treatment->visualItemRect(item).center());
    EXPECT_EQ(win->Txt_Treatment->text() + win->Lbl_TreatmentName->text(), QString::fromUtf8("43眼科"));
    EXPECT_EQ(Focused(), win->Cmd_Reg);
    EXPECT_FALSE(win->Lst_Treatment->isVisible());
}

TEST_F(FrmEstTest, KeyboardWalksEveryFieldAndEnterPressesTheFocusedButton) {
    seedSettings();
    open();
    ExpectKeyboardWalk({win->Cbo_Type, win->Txt_No_Pref, win->Txt_No_Mark, win->Txt_No, win->Txt_Name,
                        win->Cbo_Insurance, win->Cbo_Hospitalization, win->Txt_Treatment, win->Cmd_Reg, win->Cmd_End});
    for (QPushButton* b : {win->Cmd_Reg, win->Cmd_End}) {
        QSignalSpy clicked(b, &QPushButton::clicked);
        b->setFocus();
        Press(Qt::Key_Return);
        EXPECT_EQ(clicked.count(), 1) << b->objectName().toStdString();
    }
    EXPECT_EQ(prompts(), P{kDone});
    EXPECT_FALSE(win->isVisible());

    // Leaving a half-width name for 終了 asks nothing about it.
    open();
    messages().clear();
    bool closed = false;
    QObject::connect(win, &ui::Form::closed, [&] { closed = true; });
    win->Txt_Name->setFocus();
    Type("Hotaru");
    Click(win->Cmd_End);
    EXPECT_TRUE(messages().shown.empty());
    EXPECT_TRUE(closed);
}

TEST_F(FrmEstTest, NumberFieldsSwitchTheInputMethodOffAndTakeItsFullWidthDigits) {
    open();
    win->Cbo_Type->setCurrentIndex(1);  // kind 2 and back reopen the number fields
    win->Cbo_Type->setCurrentIndex(0);
    EXPECT_EQ(win->Txt_No_Pref->text(), "46");  // kind 1's default prefecture part
    EXPECT_FALSE(win->Txt_No_Eda->isEnabled());
    for (QLineEdit* e : {win->Txt_No_Pref, win->Txt_No_Mark, win->Txt_No, win->Txt_No_Eda, win->Txt_Treatment})
        EXPECT_FALSE(e->inputMethodQuery(Qt::ImEnabled).toBool()) << e->objectName().toStdString();
    EXPECT_TRUE(win->Txt_Name->inputMethodQuery(Qt::ImEnabled).toBool());
    win->Txt_No_Pref->setFocus();
    Commit(QString::fromUtf8("４６１１２３４５６０"));  // each part moves on at its length
    EXPECT_EQ(win->Txt_No_Pref->text() + "-" + win->Txt_No_Mark->text() + "-" + win->Txt_No->text(), "46-1-1234560");
    EXPECT_EQ(Focused(), win->Txt_Name);
}

TEST_F(FrmEstTest, ReloadAfterRegistrationRunsNoLeaveRulesAndKeepsMonthAndFolder) {
    // A half-width name is accepted by the registration; refilling the fields
    // afterwards must not hop through them and complain about it.
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
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), P{kDone});
    EXPECT_EQ(Focused(), win->Cbo_Type);
    EXPECT_EQ(settingsRow(), before);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
}
