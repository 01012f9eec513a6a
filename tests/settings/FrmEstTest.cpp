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
using hotaru::settings::FrmEst;

namespace {

const char* kNumberQuestion =
    "機関番号が変更されたので、入力画面にてすでに入力されているデータは削除されます。\r\nよろしいですか？";
const char* kCheckDigitQuestion = "機関番号が間違っています。\r登録してもよろしいですか？\r";

class FrmEstTest : public SettingsFixture {
protected:
    // The window is deleted on close; the tests keep it open.
    FrmEst* open() {
        win = new FrmEst;
        win->setAttribute(Qt::WA_DeleteOnClose, false);
        owned.reset(win);
        EXPECT_TRUE(ShowActive(*win));
        return win;
    }
    // Types a kind 1 identity from the prefecture part on.
    void typeKind1(const QString& pref, const QString& mark, const QString& no, const QString& name) {
        win->Txt_No_Pref->setFocus();
        Type(pref);
        Type(mark);
        Type(no);
        Compose(name);
        Press(Qt::Key_Return);  // on to 保険種別
    }
    void pickInsurance(int row) {
        ASSERT_EQ(Focused(), win->Cbo_Insurance);
        for (int i = 0; i <= row; ++i) Press(Qt::Key_Down);
    }
    std::vector<std::string> prompts() {
        std::vector<std::string> p;
        for (const auto& s : messages().shown) p.push_back(s.prompt);
        return p;
    }

    FrmEst* win = nullptr;
    std::unique_ptr<FrmEst> owned;
};

}  // namespace

TEST_F(FrmEstTest, FirstRegistrationAsksOnceAndCreatesTheOneRow) {
    open();
    EXPECT_EQ(win->windowTitle(), QString::fromUtf8("初期設定"));
    EXPECT_EQ(win->Cbo_Type->currentText(), QString::fromUtf8("1:医療機関"));
    EXPECT_EQ(win->Txt_No_Pref->text(), "46");
    EXPECT_FALSE(win->Txt_No_Eda->isEnabled());
    EXPECT_EQ(win->recordedNumber(), "46");
    EXPECT_FALSE(win->Lst_Treatment->isVisible());

    typeKind1("46", "1", "1234560", QString::fromUtf8("ほたる医院"));
    pickInsurance(1);  // 2:国保
    Press(Qt::Key_Return);
    EXPECT_EQ(Focused(), win->Cbo_Hospitalization);
    Press(Qt::Key_Return);
    EXPECT_EQ(Focused(), win->Txt_Treatment);
    EXPECT_TRUE(win->Lst_Treatment->isVisible());
    Type("2");
    EXPECT_EQ(win->Lst_Treatment->count(), 2);  // 20 and 21
    Type("0");
    EXPECT_EQ(win->Lbl_TreatmentName->text(), QString::fromUtf8("小児科"));
    EXPECT_EQ(Focused(), win->Cmd_Reg);  // two digits: on to 登録
    EXPECT_FALSE(win->Lst_Treatment->isVisible());

    addClaimRow("000000001", "2008-05-01");
    messages().answer(mbYes);
    Click(win->Cmd_Reg);

    ASSERT_EQ(messages().shown.size(), 2u) << (messages().shown.empty() ? "" : messages().shown[0].prompt);
    EXPECT_EQ(messages().shown[0].prompt, kNumberQuestion);
    EXPECT_EQ(messages().shown[0].style, mbYesNo + mbExclamation + mbDefaultButton2);
    EXPECT_EQ(messages().shown[0].title, "処理確認");
    EXPECT_EQ(messages().shown[1].prompt, "登録が完了しました。\r");
    EXPECT_EQ(messages().shown[1].style, mbInformation);

    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
    EXPECT_EQ(setting("type").toInt(), 1);
    EXPECT_EQ(setting("kencd").str(), "46");
    EXPECT_EQ(setting("tencd").str(), "1");
    EXPECT_EQ(setting("no").str(), "1234560");
    EXPECT_EQ(setting("eda").str(), "");
    EXPECT_FALSE(setting("eda").isNull());
    EXPECT_EQ(setting("name").str(), "ほたる医院");
    EXPECT_EQ(setting("insurance").toInt(), 2);
    EXPECT_TRUE(setting("hospitalization").isNull());
    EXPECT_EQ(setting("treatment").toInt(), 20);
    EXPECT_TRUE(setting("request").isNull());

    // Reloaded from the row, focus back on the kind.
    EXPECT_EQ(Focused(), win->Cbo_Type);
    EXPECT_EQ(win->Txt_No->text(), "1234560");
    EXPECT_EQ(win->Lbl_TreatmentName->text(), QString::fromUtf8("小児科"));
    EXPECT_EQ(win->recordedNumber(), "4611234560");
}

TEST_F(FrmEstTest, SecondRegistrationEditsTheRowAndKeepsClaimMonthAndFolder) {
    seedSettings();
    addClaimRow("000000001", "2008-05-01");
    open();
    EXPECT_EQ(win->Txt_No_Pref->text(), "46");
    EXPECT_EQ(win->Txt_No_Mark->text(), "1");
    EXPECT_EQ(win->Txt_No->text(), "1234560");
    EXPECT_EQ(win->Txt_Name->text(), QString::fromUtf8("ほたる医院"));
    EXPECT_EQ(win->Cbo_Insurance->currentText(), QString::fromUtf8("2:国保"));
    EXPECT_EQ(win->Cbo_Hospitalization->currentText(), QString::fromUtf8("2:外来"));
    EXPECT_EQ(win->Txt_Treatment->text(), "20");
    EXPECT_EQ(win->Lbl_TreatmentName->text(), QString::fromUtf8("小児科"));
    EXPECT_EQ(win->recordedNumber(), "4611234560");
    EXPECT_EQ(Focused(), win->Cbo_Type);  // filling the fields moved no focus

    win->Txt_Name->setFocus();  // selects the whole name
    Compose(QString::fromUtf8("ほたる小児科"));
    Click(win->Cmd_Reg);

    ASSERT_EQ(prompts(), std::vector<std::string>{"登録が完了しました。\r"});
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 1);
    EXPECT_EQ(setting("name").str(), "ほたる小児科");
    EXPECT_EQ(setting("request").str(), "2008/05/01");
    EXPECT_EQ(setting("path").str(), "/media/fd");
    EXPECT_EQ(setting("hospitalization").toInt(), 2);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
}

TEST_F(FrmEstTest, ChangedNumberAsksAndDeletesEveryClaimRowOnlyOnYes) {
    seedSettings();
    addClaimRow("000000001", "2008-04-01");
    addClaimRow("000000002", "2008-05-01");
    open();
    win->Txt_No->setFocus();
    Type("7654321");  // check digit wrong on purpose: answered Yes below
    EXPECT_EQ(Focused(), win->Txt_Name);

    messages().answer(mbYes);  // keep the number despite the check digit
    messages().answer(mbNo);   // but do not delete
    Click(win->Cmd_Reg);
    ASSERT_EQ(prompts(), (std::vector<std::string>{kCheckDigitQuestion, kNumberQuestion}));
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
    EXPECT_EQ(setting("no").str(), "1234560");
    EXPECT_EQ(win->Txt_No->text(), "7654321");  // left as typed

    messages().clear();
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    ASSERT_EQ(prompts(), (std::vector<std::string>{kCheckDigitQuestion, kNumberQuestion, "登録が完了しました。\r"}));
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
    EXPECT_EQ(setting("no").str(), "7654321");
    EXPECT_EQ(setting("request").str(), "2008/05/01");
    EXPECT_EQ(win->recordedNumber(), "4617654321");

    // The same number again: no question, nothing deleted.
    addClaimRow("000000003", "2008-05-01");
    messages().clear();
    messages().answer(mbYes);  // the check digit is still wrong
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), (std::vector<std::string>{kCheckDigitQuestion, "登録が完了しました。\r"}));
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
}

TEST_F(FrmEstTest, WrongCheckDigitWarnsNoReturnsToTheNumber) {
    seedSettings();
    open();
    win->Txt_No->setFocus();
    Type("1234561");
    messages().answer(mbNo);
    Click(win->Cmd_Reg);
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].prompt, kCheckDigitQuestion);
    EXPECT_EQ(messages().shown[0].style, mbYesNo + mbExclamation);
    EXPECT_EQ(messages().shown[0].title, "入力チェック");
    EXPECT_EQ(Focused(), win->Txt_No);
    EXPECT_EQ(setting("no").str(), "1234560");
}

TEST_F(FrmEstTest, ShortNumberIsPaddedWhenLeftAndCheckedOnItsLastDigit) {
    open();
    win->Txt_No->setFocus();
    Type("123");
    Press(Qt::Key_Return);
    EXPECT_EQ(win->Txt_No->text(), "0000123");
    EXPECT_EQ(Focused(), win->Txt_Name);
}

TEST_F(FrmEstTest, FailureInsideTheRegistrationRollsBackAndAsksAgainNextTime) {
    seedSettings();
    addClaimRow("000000001", "2008-05-01");
    open();
    win->Txt_No->setFocus();
    Type("1111115");
    messages().answer(mbYes);  // delete the claim rows
    gDB->InjectWriteFailure(1);  // the deletion runs, the settings row fails
    Click(win->Cmd_Reg);
    gDB->InjectWriteFailure(-1);

    ASSERT_FALSE(messages().shown.empty());
    const auto& last = messages().shown.back();
    EXPECT_EQ(last.title, "エラー");
    EXPECT_EQ(last.style, mbExclamation);
    EXPECT_TRUE(last.prompt.starts_with("予期せぬエラーです。\r\nエラーコード： 3043\r\n")) << last.prompt;
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
    EXPECT_EQ(setting("no").str(), "1234560");
    EXPECT_FALSE(gWS.inTransaction());
    EXPECT_EQ(win->recordedNumber(), "4611234560");

    ASSERT_EQ(messages().shown.size(), 2u);
    EXPECT_EQ(messages().shown[0].prompt, kNumberQuestion);

    // Nothing was kept, so the next registration asks again and deletes.
    messages().clear();
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), (std::vector<std::string>{kNumberQuestion, "登録が完了しました。\r"}));
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
    EXPECT_EQ(setting("no").str(), "1111115");
    EXPECT_EQ(win->recordedNumber(), "4611111115");
}

TEST_F(FrmEstTest, KindTwoUsesNumberAndBranchOnly) {
    open();
    win->Cbo_Type->setFocus();
    Press(Qt::Key_Down);  // 2:施術機関
    EXPECT_EQ(win->Cbo_Type->currentText(), QString::fromUtf8("2:施術機関"));
    EXPECT_FALSE(win->Txt_No_Pref->isEnabled());
    EXPECT_FALSE(win->Txt_No_Mark->isEnabled());
    EXPECT_EQ(win->Txt_No_Pref->text(), "");
    EXPECT_EQ(ui::BackColor(win->Txt_No_Pref), ui::kButtonFaceColour);
    EXPECT_TRUE(win->Txt_No_Eda->isEnabled());
    Press(Qt::Key_Return);
    EXPECT_EQ(Focused(), win->Txt_No);  // the disabled parts are skipped
    Type("7654321");
    EXPECT_EQ(Focused(), win->Txt_No_Eda);
    Type("3");
    EXPECT_EQ(Focused(), win->Txt_Name);
    Compose(QString::fromUtf8("ほたる整骨院"));
    Press(Qt::Key_Return);
    Press(Qt::Key_Down);  // 1:社保
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    ASSERT_EQ(prompts(), (std::vector<std::string>{kNumberQuestion, "登録が完了しました。\r"}));
    EXPECT_EQ(setting("type").toInt(), 2);
    EXPECT_EQ(setting("kencd").str(), "");
    EXPECT_EQ(setting("tencd").str(), "");
    EXPECT_EQ(setting("no").str(), "7654321");
    EXPECT_EQ(setting("eda").str(), "3");
    EXPECT_EQ(setting("insurance").toInt(), 1);
    EXPECT_TRUE(setting("treatment").isNull());
    // Reloaded as kind 2.
    EXPECT_EQ(win->Txt_No->text(), "7654321");
    EXPECT_EQ(win->Txt_No_Eda->text(), "3");
    EXPECT_FALSE(win->Txt_No_Pref->isEnabled());
    EXPECT_EQ(win->recordedNumber(), "76543213");

    // Back to kind 1: the default prefecture part, the branch shut.
    win->Cbo_Type->setFocus();
    Press(Qt::Key_Up);
    EXPECT_EQ(win->Txt_No_Pref->text(), "46");
    EXPECT_FALSE(win->Txt_No_Eda->isEnabled());
    EXPECT_EQ(win->Txt_No_Eda->text(), "");
}

TEST_F(FrmEstTest, MissingFieldsAreListedInOneMessageAndTheFirstGetsTheFocus) {
    open();
    win->Txt_No_Pref->setFocus();
    Type("4");  // one digit: 県区分 fails
    Click(win->Cmd_Reg);
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].title, "入力チェック");
    EXPECT_EQ(messages().shown[0].style, mbCritical + mbSystemModal);
    EXPECT_EQ(messages().shown[0].prompt,
              "[ERR01]県区分は必ず入力してください。　\r\n"
              "[ERR01]点数区分は必ず入力してください。　\r\n"
              "[ERR01]機関番号は必ず入力してください。　\r\n"
              "[ERR01]名称は必ず入力してください。　\r\n"
              "[ERR01]保険種別は必ず入力してください。　\r\n");
    EXPECT_EQ(Focused(), win->Txt_No_Pref);
    EXPECT_EQ(win->Txt_No_Pref->selectedText(), "4");
    for (QWidget* w : std::initializer_list<QWidget*>{win->Txt_No_Pref, win->Txt_No_Mark, win->Txt_No, win->Txt_Name,
                                                      win->Cbo_Insurance})
        EXPECT_EQ(ui::BackColor(w), ui::kRed) << w->objectName().toStdString();
    EXPECT_EQ(ui::BackColor(win->Cbo_Type), ui::kWindowColour);
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 0);

    // Three digits fail as well.
    messages().clear();
    Type("461");
    EXPECT_EQ(win->Txt_No_Pref->text(), "461");
    Click(win->Cmd_Reg);
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_TRUE(messages().shown[0].prompt.starts_with("[ERR01]県区分"));
}

TEST_F(FrmEstTest, HalfWidthNameIsReportedWhenLeft) {
    open();
    win->Txt_Name->setFocus();
    Type("Hotaru");
    Press(Qt::Key_Return);
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].prompt, "氏名は全角で入力してください\r");
    EXPECT_EQ(messages().shown[0].style, mbCritical);
    EXPECT_EQ(Focused(), win->Txt_Name);
}

TEST_F(FrmEstTest, DepartmentPrefixKeepsTheFirstCandidateAndUnknownCodesAreEmptied) {
    open();
    win->Txt_Treatment->setFocus();
    Type("3");
    EXPECT_EQ(win->Lst_Treatment->count(), 6);  // 30..35
    Press(Qt::Key_Return);
    EXPECT_EQ(win->Txt_Treatment->text(), "3");
    EXPECT_EQ(win->Lbl_TreatmentName->text(), QString::fromUtf8("外科"));

    win->Txt_Treatment->setFocus();
    Type("9");
    EXPECT_EQ(win->Lst_Treatment->count(), 0);
    Press(Qt::Key_Return);
    EXPECT_EQ(win->Txt_Treatment->text(), "");
    EXPECT_EQ(win->Lbl_TreatmentName->text(), "");
}

TEST_F(FrmEstTest, ClickingACandidatePicksItAndMovesToRegister) {
    open();
    win->Txt_Treatment->setFocus();
    Type("4");
    ASSERT_EQ(win->Lst_Treatment->count(), 5);  // 40..44
    QListWidgetItem* item = win->Lst_Treatment->item(3);
    QTest::mouseClick(win->Lst_Treatment->viewport(), Qt::LeftButton, {},
                      win->Lst_Treatment->visualItemRect(item).center());
    EXPECT_EQ(win->Txt_Treatment->text(), "43");
    EXPECT_EQ(win->Lbl_TreatmentName->text(), QString::fromUtf8("眼科"));
    EXPECT_EQ(Focused(), win->Cmd_Reg);
    EXPECT_FALSE(win->Lst_Treatment->isVisible());
}

TEST_F(FrmEstTest, EndClosesTheWindowAndSignalsIt) {
    open();
    bool closed = false;
    QObject::connect(win, &ui::Form::closed, [&] { closed = true; });
    // Leaving a half-width name for 終了 asks nothing about it.
    win->Txt_Name->setFocus();
    Type("Hotaru");
    Click(win->Cmd_End);
    EXPECT_TRUE(messages().shown.empty());
    EXPECT_TRUE(closed);
    EXPECT_FALSE(win->isVisible());
}

TEST_F(FrmEstTest, KeyboardWalksEveryFieldShowingTheFocus) {
    open();
    ExpectKeyboardWalk({win->Cbo_Type, win->Txt_No_Pref, win->Txt_No_Mark, win->Txt_No, win->Txt_Name,
                        win->Cbo_Insurance, win->Cbo_Hospitalization, win->Txt_Treatment, win->Cmd_Reg, win->Cmd_End});
}

TEST_F(FrmEstTest, EnterPressesTheFocusedButton) {
    seedSettings();
    open();
    for (QPushButton* b : {win->Cmd_Reg, win->Cmd_End}) {
        QSignalSpy clicked(b, &QPushButton::clicked);
        b->setFocus();
        Press(Qt::Key_Return);
        EXPECT_EQ(clicked.count(), 1) << b->objectName().toStdString();
    }
    EXPECT_EQ(prompts(), std::vector<std::string>{"登録が完了しました。\r"});
    EXPECT_FALSE(win->isVisible());
}

TEST_F(FrmEstTest, NumberFieldsSwitchTheInputMethodOffAndTakeItsFullWidthDigits) {
    open();
    win->Cbo_Type->setCurrentIndex(1);  // kind 2 and back reopen the number fields
    win->Cbo_Type->setCurrentIndex(0);
    for (QLineEdit* e : {win->Txt_No_Pref, win->Txt_No_Mark, win->Txt_No, win->Txt_No_Eda, win->Txt_Treatment})
        EXPECT_FALSE(e->inputMethodQuery(Qt::ImEnabled).toBool()) << e->objectName().toStdString();
    EXPECT_TRUE(win->Txt_Name->inputMethodQuery(Qt::ImEnabled).toBool());
    win->Txt_No_Pref->setFocus();
    Compose(QString::fromUtf8("４６１１２３４５６０"));  // each part moves on at its length
    EXPECT_EQ(win->Txt_No_Pref->text() + "-" + win->Txt_No_Mark->text() + "-" + win->Txt_No->text(), "46-1-1234560");
    EXPECT_EQ(Focused(), win->Txt_Name);
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
    ASSERT_EQ(Focused(), win->Txt_No);
    EXPECT_EQ(win->Txt_No->selectedText(), "1234561");

    win->Txt_Name->setFocus();
    Type("Hotaru");
    Press(Qt::Key_Return);  // half-width name refused
    ASSERT_TRUE(ShowActive(*win));
    ASSERT_EQ(Focused(), win->Txt_Name);
    EXPECT_EQ(win->Txt_Name->selectedText(), "Hotaru");
}

TEST_F(FrmEstTest, ReloadAfterRegistrationRunsNoLeaveRules) {
    // A half-width name is accepted by the registration; refilling the fields
    // afterwards must not hop through them and complain about it.
    seedSettings();
    DB().Execute("UPDATE T_設定 SET name = 'Hotaru Clinic'");
    open();
    win->Cbo_Insurance->setFocus();
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), std::vector<std::string>{"登録が完了しました。\r"});
    EXPECT_EQ(Focused(), win->Cbo_Type);
    EXPECT_EQ(setting("name").str(), "Hotaru Clinic");
}
