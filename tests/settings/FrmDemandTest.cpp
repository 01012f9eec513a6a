// The claim month window, driven as the user drives it.
#include <sqlite3.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include "settings/FrmDemand.h"
#include "SettingsFixture.h"
#include "ui/Fields.h"

using namespace hotaru;
using namespace hotaru::test;

namespace {

const std::string kFirstQuestion = "請求月を更新します。\r更新すると、過去分のデータが消えます。\rよろしいですか？\r";
const std::string kSecondQuestion = "過去分のデータを消します。\r本当によろしいですか？\r";
const std::string kDone = "登録が完了しました。";
using P = std::vector<std::string>;

class FrmDemandTest : public SettingsFixture<settings::FrmDemand> {
protected:
    // Year and month as the user types them: two digits move on, one is padded when left.
    void typeMonth(const QString& year, const QString& month) {
        win->Txt_Year->setFocus();
        Type(year);
        if (year.size() < 2) Press(Qt::Key_Return);
        Type(month);
        if (month.size() < 2) Press(Qt::Key_Return);
    }
    void registerYesYes() {
        messages().answer(mbYes);
        messages().answer(mbYes);
        Click(win->Cmd_Reg);
    }
    QString shown() { return win->Cbo_Demand->currentText() + "|" + win->Txt_Year->text() + "|" + win->Txt_Month->text(); }
};

}  // namespace

TEST_F(FrmDemandTest, ShowsTheStoredMonthInItsOwnEraWithoutMovingTheFocus) {
    open();
    ASSERT_EQ(win->Cbo_Demand->count(), 2);
    EXPECT_EQ(win->Cbo_Demand->itemText(1), QString::fromUtf8("5:令和"));
    EXPECT_EQ(shown(), QString::fromUtf8("4:平成||"));  // nothing stored
    seedSettings("2008-04-01");
    for (const auto& [request, expected] : std::vector<std::pair<const char*, const char*>>{
             {"2008-04-01", "4:平成|20|04"}, {"2019-05-01", "5:令和|01|05"}, {nullptr, "4:平成||"}}) {
        DB().Execute("UPDATE T_設定 SET request = ?", {request ? data::Value::date(request) : data::Value()});
        open();
        EXPECT_EQ(shown(), QString::fromUtf8(expected));
        EXPECT_EQ(Focused(), win->Cbo_Demand);
    }
}

TEST_F(FrmDemandTest, KeysDigitsAndTheInputMethod) {
    seedSettings("2008-05-01");
    open();
    ExpectKeyboardWalk({win->Cbo_Demand, win->Txt_Year, win->Txt_Month, win->Cmd_Reg, win->Cmd_End});
    win->Txt_Year->setFocus();
    Type("2x0");  // the letter is dropped
    EXPECT_EQ(Focused(), win->Txt_Month);
    Type("5");
    Press(Qt::Key_Return);
    EXPECT_EQ(shown(), QString::fromUtf8("4:平成|20|05"));
    EXPECT_EQ(Focused(), win->Cmd_Reg);

    for (QLineEdit* e : {win->Txt_Year, win->Txt_Month})
        EXPECT_FALSE(e->inputMethodQuery(Qt::ImEnabled).toBool()) << e->objectName().toStdString();
    win->Txt_Year->setFocus();
    Commit(QString::fromUtf8("２０"));
    Commit(QString::fromUtf8("０６"));
    EXPECT_EQ(shown(), QString::fromUtf8("4:平成|20|06"));
    EXPECT_EQ(Focused(), win->Cmd_Reg);

    // Enter presses the focused button.
    for (QPushButton* b : {win->Cmd_Reg, win->Cmd_End}) {
        QSignalSpy clicked(b, &QPushButton::clicked);
        b->setFocus();
        Press(Qt::Key_Return);
        EXPECT_EQ(clicked.count(), 1) << b->objectName().toStdString();
    }
    EXPECT_EQ(prompts(), (P{kFirstQuestion, kSecondQuestion, kDone}));
    EXPECT_FALSE(win->isVisible());
}

TEST_F(FrmDemandTest, MarchTwoThousandSevenIsRefusedAprilIsAccepted) {
    seedSettings("2008-05-01");
    open();
    {
        ModalBoxes boxes(messages());
        typeMonth("19", "03");
        Click(win->Cmd_Reg);
        ASSERT_TRUE(ShowActive(*win));
    }
    ASSERT_EQ(prompts(), P{"請求月が、平成19年3月以前のものは入力できません。　\r"});
    EXPECT_EQ(messages().shown[0].style, mbCritical);
    EXPECT_EQ(messages().shown[0].title, "確認");
    EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kRed);
    EXPECT_EQ(ui::BackColor(win->Txt_Month), ui::kRed);
    ASSERT_EQ(Focused(), win->Txt_Year);
    EXPECT_EQ(win->Txt_Year->selectedText(), "19");  // for typing over
    EXPECT_EQ(claimMonths(), "");

    messages().clear();
    typeMonth("19", "04");
    registerYesYes();
    EXPECT_EQ(prompts(), (P{kFirstQuestion, kSecondQuestion, kDone}));
    EXPECT_EQ(messages().shown[0].style, mbYesNo + mbExclamation);
    EXPECT_EQ(messages().shown[0].title, "確認");
    EXPECT_EQ(messages().shown[2].style, mbInformation);
    EXPECT_EQ(messages().shown[2].title, "処理確認");
    EXPECT_EQ(DB().Scalar("SELECT request FROM T_設定").str(), "2007/04/01");
    EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kWindowColour);
    EXPECT_EQ(Focused(), win->Cmd_End);
}

TEST_F(FrmDemandTest, ALaterMonthDeletesEarlierMonthsOnlyAfterTwoYeses) {
    seedSettings("2008-04-01");
    addClaimRows({"2008-03-01", "2008-04-01", "2008-05-01", "2008-06-01"});
    const std::string before = settingsRow();
    open();
    typeMonth("20", "05");
    messages().answer(mbNo);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), P{kFirstQuestion});
    messages().clear();
    messages().answer(mbYes);
    messages().answer(mbNo);
    Click(win->Cmd_Reg);
    EXPECT_EQ(prompts(), (P{kFirstQuestion, kSecondQuestion}));
    EXPECT_EQ(settingsRow(), before);
    EXPECT_EQ(claimMonths(), "2008-03-01,2008-04-01,2008-05-01,2008-06-01");
    EXPECT_EQ(shown(), QString::fromUtf8("4:平成|20|05"));
    EXPECT_FALSE(gWS.inTransaction());

    messages().clear();
    registerYesYes();
    EXPECT_EQ(prompts().back(), kDone);
    EXPECT_EQ(settingsRow(), "1|'46'|'1'|'1234560'|''|'ほたる医院'|2|2|20|'2008-05-01'|'/media/fd'");
    EXPECT_EQ(claimMonths(), "2008-05-01,2008-06-01");
}

TEST_F(FrmDemandTest, InputErrorsAreCollectedAndTheFirstFieldGetsTheFocus) {
    open();
    struct Case {
        const char *year, *month, *prompt;
        bool yearRed;
    } cases[] = {
        {"", "", "[ERR01]年は必ず入力してください。　\r\n[ERR01]月は必ず入力してください。　\r\n", true},
        {"20", "13", "[ERR02]月の入力に誤りがあります。　\r\n", false},
        {"20", "00", "[ERR02]月の入力に誤りがあります。　\r\n", false},
        {"31", "05", "[ERR02]請求月の入力に誤りがあります。　\r\n", true},  // 平成 ended in April 2019
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt);
        messages().clear();
        if (*c.year) typeMonth(c.year, c.month);
        Click(win->Cmd_Reg);
        ASSERT_EQ(prompts(), P{c.prompt});
        EXPECT_EQ(messages().shown[0].title, "入力チェック");
        EXPECT_EQ(Focused(), c.yearRed ? win->Txt_Year : win->Txt_Month);
        if (!c.yearRed) {
            EXPECT_EQ(win->Txt_Month->selectedText(), c.month);
        }
        EXPECT_EQ(ui::BackColor(win->Txt_Year), c.yearRed ? ui::kRed : ui::kWindowColour);
        EXPECT_EQ(ui::BackColor(win->Txt_Month), ui::kRed);
    }
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 0);

    // An empty settings table gets a row holding only the month.
    messages().clear();
    typeMonth("20", "04");
    registerYesYes();
    EXPECT_EQ(settingsRow(), "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|'2008-04-01'|NULL");
}

TEST_F(FrmDemandTest, FailuresRollBackBothPartsAndShowTheStandardError) {
    for (bool locked : {true, false}) {
        SCOPED_TRACE(locked ? "another program holds the write lock" : "the deletion fails after the month");
        DB().Execute("DELETE FROM T_設定");
        DB().Execute("DELETE FROM T_データ");
        seedSettings("2008-04-01");
        addClaimRows({"2008-04-01"});
        const std::string before = settingsRow();
        open();
        messages().clear();
        typeMonth("20", "05");
        sqlite3* other = nullptr;
        if (locked) {
            ASSERT_EQ(sqlite3_open(folder.live().c_str(), &other), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        } else {
            gDB->InjectWriteFailure(1);
        }
        registerYesYes();
        gDB->InjectWriteFailure(-1);
        if (other) {
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(other);
        }
        ASSERT_EQ(messages().shown.size(), 3u);
        EXPECT_EQ(messages().shown[2].title, "エラー");
        EXPECT_EQ(messages().shown[2].style, mbExclamation);
        EXPECT_TRUE(messages().shown[2].prompt.starts_with("予期せぬエラーです。\r\nエラーコード： "));
        EXPECT_FALSE(gWS.inTransaction());
        EXPECT_EQ(settingsRow(), before);
        EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
    }
    // Once the fault is gone the same registration goes through.
    messages().clear();
    registerYesYes();
    EXPECT_EQ(prompts().back(), kDone);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
}
