// The claim month window, driven as the user drives it.
#include <sqlite3.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "settings/FrmDemand.h"
#include "SettingsFixture.h"
#include "ui/Fields.h"

using namespace hotaru;
using namespace hotaru::test;
using hotaru::settings::FrmDemand;

namespace {

const char* kFirstQuestion = "請求月を更新します。\r更新すると、過去分のデータが消えます。\rよろしいですか？\r";
const char* kSecondQuestion = "過去分のデータを消します。\r本当によろしいですか？\r";
const char* kDone = "登録が完了しました。";

class FrmDemandTest : public SettingsFixture {
protected:
    FrmDemand* open() {
        win = new FrmDemand;
        win->setAttribute(Qt::WA_DeleteOnClose, false);
        owned.reset(win);
        EXPECT_TRUE(ShowActive(*win));
        return win;
    }
    // Types year and month as the user does: two digits each move on.
    void typeMonth(const QString& year, const QString& month) {
        win->Txt_Year->setFocus();
        Type(year);
        if (year.size() < 2) Press(Qt::Key_Return);
        Type(month);
        if (month.size() < 2) Press(Qt::Key_Return);
    }
    std::vector<std::string> prompts() {
        std::vector<std::string> p;
        for (const auto& s : messages().shown) p.push_back(s.prompt);
        return p;
    }
    std::vector<std::string> claimMonthsLeft() {
        std::vector<std::string> months;
        auto rs = DB().OpenRecordset("SELECT request FROM T_データ ORDER BY request", data::dbOpenSnapshot);
        for (; !rs.isEOF(); rs.MoveNext()) months.push_back(rs["request"].str());
        return months;
    }

    FrmDemand* win = nullptr;
    std::unique_ptr<FrmDemand> owned;
};

}  // namespace

TEST_F(FrmDemandTest, OpensOnTheFirstEraWithEmptyFieldsWhenNothingIsStored) {
    open();
    EXPECT_EQ(win->windowTitle(), QString::fromUtf8("請求月"));
    ASSERT_EQ(win->Cbo_Demand->count(), 2);
    EXPECT_EQ(win->Cbo_Demand->itemText(0), QString::fromUtf8("4:平成"));
    EXPECT_EQ(win->Cbo_Demand->itemText(1), QString::fromUtf8("5:令和"));
    EXPECT_EQ(win->Cbo_Demand->currentIndex(), 0);
    EXPECT_EQ(win->Txt_Year->text(), "");
    EXPECT_EQ(win->Txt_Month->text(), "");
    EXPECT_EQ(Focused(), win->Cbo_Demand);
}

TEST_F(FrmDemandTest, ShowsTheStoredMonthInItsOwnEraWithoutMovingTheFocus) {
    seedSettings("2008-04-01");
    open();
    EXPECT_EQ(win->Cbo_Demand->currentText(), QString::fromUtf8("4:平成"));
    EXPECT_EQ(win->Txt_Year->text(), "20");
    EXPECT_EQ(win->Txt_Month->text(), "04");
    EXPECT_EQ(Focused(), win->Cbo_Demand);
    owned.reset();

    DB().Execute("UPDATE T_設定 SET request = '2019-05-01'");
    open();
    EXPECT_EQ(win->Cbo_Demand->currentText(), QString::fromUtf8("5:令和"));
    EXPECT_EQ(win->Txt_Year->text(), "01");
    EXPECT_EQ(win->Txt_Month->text(), "05");
    owned.reset();

    // A settings row without a claim month leaves the fields empty.
    DB().Execute("UPDATE T_設定 SET request = NULL");
    open();
    EXPECT_EQ(win->Cbo_Demand->currentIndex(), 0);
    EXPECT_EQ(win->Txt_Year->text(), "");
}

TEST_F(FrmDemandTest, TwoDigitsMoveOnAndOneDigitIsPaddedWhenLeft) {
    open();
    win->Txt_Year->setFocus();
    Type("2x0");  // the letter is dropped
    EXPECT_EQ(win->Txt_Year->text(), "20");
    EXPECT_EQ(Focused(), win->Txt_Month);
    Type("5");
    Press(Qt::Key_Return);
    EXPECT_EQ(win->Txt_Month->text(), "05");
    EXPECT_EQ(Focused(), win->Cmd_Reg);
}

TEST_F(FrmDemandTest, KeyboardWalksEveryFieldShowingTheFocus) {
    open();
    ExpectKeyboardWalk({win->Cbo_Demand, win->Txt_Year, win->Txt_Month, win->Cmd_Reg, win->Cmd_End});
}

TEST_F(FrmDemandTest, EnterPressesTheFocusedButton) {
    seedSettings("2008-05-01");
    open();
    for (QPushButton* b : {win->Cmd_Reg, win->Cmd_End}) {
        QSignalSpy clicked(b, &QPushButton::clicked);
        b->setFocus();
        Press(Qt::Key_Return);
        EXPECT_EQ(clicked.count(), 1) << b->objectName().toStdString();
    }
    EXPECT_EQ(prompts(), (std::vector<std::string>{kFirstQuestion, kSecondQuestion, kDone}));
    EXPECT_FALSE(win->isVisible());
}

TEST_F(FrmDemandTest, DigitsFromTheInputMethodAreTypedHalfWidth) {
    open();
    for (QLineEdit* e : {win->Txt_Year, win->Txt_Month})
        EXPECT_FALSE(e->inputMethodQuery(Qt::ImEnabled).toBool()) << e->objectName().toStdString();
    win->Txt_Year->setFocus();
    Compose(QString::fromUtf8("２０"));
    Compose(QString::fromUtf8("０５"));
    EXPECT_EQ(win->Txt_Year->text() + win->Txt_Month->text(), "2005");
    EXPECT_EQ(Focused(), win->Cmd_Reg);
}

TEST_F(FrmDemandTest, RefusedMonthComesBackSelectedForTypingOver) {
    seedSettings("2008-05-01");
    open();
    ModalBoxes boxes(messages());
    typeMonth("19", "03");
    Click(win->Cmd_Reg);
    ASSERT_TRUE(ShowActive(*win));
    ASSERT_EQ(Focused(), win->Txt_Year);
    EXPECT_EQ(win->Txt_Year->selectedText(), "19");
}

TEST_F(FrmDemandTest, MarchTwoThousandSevenIsRefusedAprilIsAccepted) {
    seedSettings("2008-05-01");
    open();
    typeMonth("19", "03");
    Click(win->Cmd_Reg);
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].prompt, "請求月が、平成19年3月以前のものは入力できません。　\r");
    EXPECT_EQ(messages().shown[0].style, mbCritical);
    EXPECT_EQ(messages().shown[0].title, "確認");
    EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kRed);
    EXPECT_EQ(ui::BackColor(win->Txt_Month), ui::kRed);
    EXPECT_EQ(Focused(), win->Txt_Year);
    EXPECT_EQ(setting("request").str(), "2008/05/01");

    messages().clear();
    typeMonth("19", "04");
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), (std::vector<std::string>{kFirstQuestion, kSecondQuestion, kDone}));
    EXPECT_EQ(messages().shown[0].style, mbYesNo + mbExclamation);
    EXPECT_EQ(messages().shown[0].title, "確認");
    EXPECT_EQ(messages().shown[2].style, mbInformation);
    EXPECT_EQ(messages().shown[2].title, "処理確認");
    EXPECT_EQ(setting("request").str(), "2007/04/01");
    EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kWindowColour);
    EXPECT_EQ(Focused(), win->Cmd_End);
}

TEST_F(FrmDemandTest, ALaterMonthDeletesEarlierMonthsAndKeepsTheCurrentOne) {
    seedSettings("2008-04-01");
    addClaimRow("000000001", "2008-03-01");
    addClaimRow("000000002", "2008-04-01");
    addClaimRow("000000003", "2008-05-01");
    addClaimRow("000000004", "2008-06-01");
    open();
    typeMonth("20", "05");
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts().back(), kDone);
    EXPECT_EQ(setting("request").str(), "2008/05/01");
    EXPECT_EQ(claimMonthsLeft(), (std::vector<std::string>{"2008/05/01", "2008/06/01"}));
    // The rest of the row stays.
    EXPECT_EQ(setting("no").str(), "1234560");
    EXPECT_EQ(setting("path").str(), "/media/fd");
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 1);
}

TEST_F(FrmDemandTest, AnsweringNoToEitherQuestionChangesNothing) {
    seedSettings("2008-04-01");
    addClaimRow("000000001", "2008-04-01");
    open();
    typeMonth("20", "06");

    messages().answer(mbNo);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), std::vector<std::string>{kFirstQuestion});

    messages().clear();
    messages().answer(mbYes);
    messages().answer(mbNo);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), (std::vector<std::string>{kFirstQuestion, kSecondQuestion}));

    EXPECT_EQ(setting("request").str(), "2008/04/01");
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
    EXPECT_EQ(win->Txt_Year->text(), "20");
    EXPECT_EQ(win->Txt_Month->text(), "06");
    EXPECT_FALSE(gWS.inTransaction());
}

TEST_F(FrmDemandTest, ReiwaMonthsAreTypedAndStored) {
    seedSettings("2026-11-01");
    addClaimRow("000000001", "2026-10-01");
    addClaimRow("000000002", "2026-11-01");
    addClaimRow("000000003", "2026-12-01");
    open();
    EXPECT_EQ(win->Cbo_Demand->currentText(), QString::fromUtf8("5:令和"));
    EXPECT_EQ(win->Txt_Year->text(), "08");
    EXPECT_EQ(win->Txt_Month->text(), "11");
    typeMonth("08", "12");
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts().back(), kDone);
    EXPECT_EQ(setting("request").str(), "2026/12/01");
    EXPECT_EQ(claimMonthsLeft(), std::vector<std::string>{"2026/12/01"});

    // The era is picked from the drop-down with the keys.
    owned.reset();
    messages().clear();
    DB().Execute("UPDATE T_設定 SET request = '2019-04-01'");
    open();
    EXPECT_EQ(win->Cbo_Demand->currentText(), QString::fromUtf8("4:平成"));
    win->Cbo_Demand->setFocus();
    Press(Qt::Key_Down);
    EXPECT_EQ(win->Cbo_Demand->currentText(), QString::fromUtf8("5:令和"));
    Press(Qt::Key_Return);
    EXPECT_EQ(Focused(), win->Txt_Year);
    Type("01");
    Type("05");
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    EXPECT_EQ(setting("request").str(), "2019/05/01");
}

TEST_F(FrmDemandTest, InputErrorsAreCollectedAndTheFirstFieldGetsTheFocus) {
    open();
    Click(win->Cmd_Reg);
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].title, "入力チェック");
    EXPECT_EQ(messages().shown[0].prompt,
              "[ERR01]年は必ず入力してください。　\r\n[ERR01]月は必ず入力してください。　\r\n");
    EXPECT_EQ(Focused(), win->Txt_Year);
    EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kRed);
    EXPECT_EQ(ui::BackColor(win->Txt_Month), ui::kRed);

    for (const char* month : {"13", "00"}) {
        messages().clear();
        typeMonth("20", month);
        Click(win->Cmd_Reg);
        ASSERT_EQ(messages().shown.size(), 1u) << month;
        EXPECT_EQ(messages().shown[0].prompt, "[ERR02]月の入力に誤りがあります。　\r\n");
        EXPECT_EQ(Focused(), win->Txt_Month);
        EXPECT_EQ(win->Txt_Month->selectedText(), month);
        EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kWindowColour);
        EXPECT_EQ(ui::BackColor(win->Txt_Month), ui::kRed);
    }

    // 平成 ended in April 2019: 平成31年05月 is no date.
    messages().clear();
    typeMonth("31", "05");
    Click(win->Cmd_Reg);
    ASSERT_EQ(messages().shown.size(), 1u);
    EXPECT_EQ(messages().shown[0].prompt, "[ERR02]請求月の入力に誤りがあります。　\r\n");
    EXPECT_EQ(Focused(), win->Txt_Year);
    EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kRed);
    EXPECT_EQ(ui::BackColor(win->Txt_Month), ui::kRed);
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 0);
}

TEST_F(FrmDemandTest, AnEmptySettingsTableGetsARowHoldingOnlyTheMonth) {
    open();
    typeMonth("20", "04");
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 1);
    EXPECT_EQ(setting("request").str(), "2008/04/01");
    EXPECT_TRUE(setting("type").isNull());
    EXPECT_TRUE(setting("no").isNull());
}

TEST_F(FrmDemandTest, ALockedDatabaseRollsBackAndShowsTheStandardError) {
    seedSettings("2008-04-01");
    addClaimRow("000000001", "2008-04-01");
    open();
    typeMonth("20", "05");

    // Another program holds the write lock for the whole registration.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(folder.live().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    ASSERT_EQ(messages().shown.size(), 3u);
    EXPECT_EQ(messages().shown[2].title, "エラー");
    EXPECT_EQ(messages().shown[2].style, mbExclamation);
    EXPECT_TRUE(messages().shown[2].prompt.starts_with("予期せぬエラーです。\r\nエラーコード： ")) << messages().shown[2].prompt;
    EXPECT_FALSE(gWS.inTransaction());
    EXPECT_EQ(setting("request").str(), "2008/04/01");
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);

    // Once the lock is gone the same registration goes through.
    messages().clear();
    messages().answer(mbYes);
    messages().answer(mbYes);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts().back(), kDone);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
}

TEST_F(FrmDemandTest, AFailureAfterTheMonthIsWrittenKeepsNeitherPart) {
    seedSettings("2008-04-01");
    addClaimRow("000000001", "2008-04-01");
    open();
    typeMonth("20", "05");
    messages().answer(mbYes);
    messages().answer(mbYes);
    gDB->InjectWriteFailure(1);  // the month is written, the deletion fails
    Click(win->Cmd_Reg);
    gDB->InjectWriteFailure(-1);
    EXPECT_EQ(messages().shown.back().title, "エラー");
    EXPECT_EQ(setting("request").str(), "2008/04/01");
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
}
