// The settings windows driven as the user drives them: the institution
// settings, the claim month, and the two updates that delete claim rows
// (a new claim month, a new institution number), after which either the
// deleted rows are in a copy of the database taken before, or nothing at
// all changes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "data/Backup.h"
#include "data/Connection.h"
#include "settings/FrmDemand.h"
#include "settings/FrmEst.h"
#include "support/TableDump.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"
#include "ui/Fields.h"

namespace hotaru::test {

using Lines = std::vector<std::string>;

// A fresh program folder for the settings windows, with helpers to open a
// window, seed the settings and claim rows, and read them back whole.
template <class W>
class SettingsFixture : public ::testing::Test {
protected:
    ProgramFolder folder;
    W* win = nullptr;
    std::unique_ptr<W> owned;

    ScriptedMessages& messages() { return folder.messages(); }
    // The window is deleted on close; the tests keep it open.
    W* open() {
        owned.reset();
        win = new W;
        win->setAttribute(Qt::WA_DeleteOnClose, false);
        owned.reset(win);
        EXPECT_TRUE(ShowActive(*win));
        return win;
    }
    // Every message shown since the last clear, as title|style|prompt; clears them.
    Lines said() {
        Lines p;
        for (const auto& s : messages().shown) p.push_back(Msg(s));
        messages().clear();
        return p;
    }
    // Scripts the answers to the questions to come and clicks 登録.
    void reg(std::initializer_list<int> answers = {}) {
        for (int a : answers) messages().answer(a);
        Click(win->Cmd_Reg);
    }
    std::string settingsRow() {
        const auto rows = QuotedRows("type,kencd,tencd,no,eda,name,insurance,hospitalization,treatment,request,path",
                                     "FROM T_設定");
        return rows.empty() ? "" : rows[0];
    }
    std::string claimMonths() {
        return DB().Scalar("SELECT group_concat(request, ',') FROM (SELECT request FROM T_データ ORDER BY request)").str();
    }

    // Kind 1, number 46-1-1234560 (its check digit is right), claim month
    // 2008/05, last export folder /media/fd.
    void seedSettings(const std::string& request = "2008-05-01") {
        PutSettings({.no = "1234560", .eda = "", .name = "ほたる医院", .insurance = 2, .hospitalization = 2,
                     .treatment = 20, .request = Date::fromIso(request), .path = "/media/fd"});
    }
    void addClaimRows(std::initializer_list<const char*> months) {
        int n = 0;
        for (const char* m : months)
            DB().Execute("INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request) VALUES "
                         "('1', ?, ?, 1, 100, 300, ?)",
                         {data::Value("00000000" + std::to_string(++n)), data::Value::date(m), data::Value::date(m)});
    }

    static QWidget* Focused() { return QApplication::focusWidget(); }
};

}  // namespace hotaru::test

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
    EXPECT_EQ(Count("SELECT count(*) FROM T_データ"), 2);
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
    EXPECT_EQ(Count("SELECT count(*) FROM T_設定"), 0);
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
    EXPECT_EQ(Count("SELECT count(*) FROM T_データ"), 1);
}

namespace {

const Lines kAsked = {
    Msg("確認", mbYesNo + mbExclamation, "請求月を更新します。\r更新すると、過去分のデータが消えます。\rよろしいですか？\r"),
    Msg("確認", mbYesNo + mbExclamation, "過去分のデータを消します。\r本当によろしいですか？\r"),
    Msg("処理確認", mbInformation, "登録が完了しました。")};

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
    QString shown() { return win->Cbo_Demand->currentText() + "|" + win->Txt_Year->text() + "|" + win->Txt_Month->text(); }
};

}  // namespace

TEST_F(FrmDemandTest, ShowsTheStoredMonthInItsOwnEraAndTakesKeys) {
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

    // Keys and digits move on; a short month is padded when left.
    ExpectKeyboardWalk({win->Cbo_Demand, win->Txt_Year, win->Txt_Month, win->Cmd_Reg, win->Cmd_End});
    win->Txt_Year->setFocus();
    Type("2x0");  // the letter is dropped
    EXPECT_EQ(Focused(), win->Txt_Month);
    Type("5");
    Press(Qt::Key_Return);
    EXPECT_EQ(shown(), QString::fromUtf8("4:平成|20|05"));
    EXPECT_EQ(Focused(), win->Cmd_Reg);
}

// A No to either question changes nothing; two Yeses store the month and
// delete the claim rows of the months before it.
TEST_F(FrmDemandTest, ALaterMonthDeletesEarlierMonthsOnlyAfterTwoYeses) {
    seedSettings("2008-04-01");
    addClaimRows({"2008-03-01", "2008-04-01", "2008-05-01", "2008-06-01"});
    const std::string before = settingsRow();
    open();
    typeMonth("20", "05");
    reg({mbNo});
    reg({mbYes, mbNo});
    EXPECT_EQ(said(), (Lines{kAsked[0], kAsked[0], kAsked[1]}));
    EXPECT_EQ(settingsRow(), before);
    EXPECT_EQ(claimMonths(), "2008-03-01,2008-04-01,2008-05-01,2008-06-01");
    EXPECT_EQ(shown(), QString::fromUtf8("4:平成|20|05"));
    EXPECT_FALSE(gWS.inTransaction());

    reg({mbYes, mbYes});  // (the questions' titles: below; the row stored: the acceptance month)
    EXPECT_EQ(claimMonths(), "2008-05-01,2008-06-01");
}

// Each refused month is said, its fields turn red, and the first of them
// gets the focus back with its text selected for typing over; April 2007
// is the first month taken.
TEST_F(FrmDemandTest, RefusedMonthsAndTheFirstMonthTaken) {
    open();
    auto boxes = std::make_unique<ModalBoxes>(messages());
    const std::string missing = "[ERR01]年は必ず入力してください。　\r\n[ERR01]月は必ず入力してください。　\r\n";
    const struct {
        const char *year, *month;
        std::string said;
        bool yearRed;
    } cases[] = {
        {"", "", Msg("入力チェック", mbCritical + mbSystemModal, missing), true},
        {"20", "13", Msg("入力チェック", mbCritical + mbSystemModal, "[ERR02]月の入力に誤りがあります。　\r\n"), false},
        {"20", "00", Msg("入力チェック", mbCritical + mbSystemModal, "[ERR02]月の入力に誤りがあります。　\r\n"), false},
        {"31", "05", Msg("入力チェック", mbCritical + mbSystemModal, "[ERR02]請求月の入力に誤りがあります。　\r\n"),
         true},  // 平成 ended in April 2019
        {"19", "03", Msg("確認", mbCritical, "請求月が、平成19年3月以前のものは入力できません。　\r"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        if (*c.year) typeMonth(c.year, c.month);
        reg();
        ASSERT_TRUE(ShowActive(*win));
        EXPECT_EQ(said(), Lines{c.said});
        QLineEdit* first = c.yearRed ? win->Txt_Year : win->Txt_Month;
        EXPECT_EQ(Focused(), first);
        EXPECT_EQ(first->selectedText(), first->text());
        EXPECT_EQ(ui::BackColor(win->Txt_Year), c.yearRed ? ui::kRed : ui::kWindowColour);
        EXPECT_EQ(ui::BackColor(win->Txt_Month), ui::kRed);
    }
    EXPECT_EQ(Count("SELECT count(*) FROM T_設定"), 0);

    // An empty settings table gets a row holding only the month.
    boxes.reset();
    typeMonth("19", "04");
    reg({mbYes, mbYes});
    EXPECT_EQ(said(), kAsked);
    EXPECT_EQ(settingsRow(), "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|'2007-04-01'|NULL");
    EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kWindowColour);
    EXPECT_EQ(Focused(), win->Cmd_End);
}

namespace {

using UpdatesThatDeleteClaimRows = SettingsFixture<QWidget>;

// How the update goes: through; with no copy made, as "backup" is a file
// (so for root too); with its first or second write failing; with another
// program holding the write lock.
enum How { Through, NoCopy, FirstWriteFails, SecondWriteFails, Locked };

TEST_F(UpdatesThatDeleteClaimRows, TheDeletedRowsAreInTheCopyOrNothingChanges) {
    const auto backups = folder.dir() / "backup";
    for (bool claimMonth : {true, false})
        for (How how : {Through, NoCopy, FirstWriteFails, SecondWriteFails, Locked}) {
            SCOPED_TRACE(std::string(claimMonth ? "claim month, case " : "number, case ") + std::to_string(how));
            DB().Execute("DELETE FROM T_設定");
            DB().Execute("DELETE FROM T_データ");
            std::filesystem::remove_all(backups);
            messages().clear();
            seedSettings("2008-04-01");
            addClaimRows({"2008-03-01", "2008-04-01"});
            if (how == NoCopy) WriteFile(backups, "not a folder");
            const std::string before = DumpDatabase(folder.live());
            const auto files = DumpFolder(folder.dir());

            settings::FrmDemand demand;
            settings::FrmEst est;
            QWidget* w = claimMonth ? static_cast<QWidget*>(&demand) : &est;
            ASSERT_TRUE(ShowActive(*w));
            w->findChild<QLineEdit*>(claimMonth ? "Txt_Year" : "Txt_No")->setFocus();
            Type(claimMonth ? "20" : "1111115");  // a right check digit
            if (claimMonth) Type("05");           // 平成20年05月
            sqlite3* other = nullptr;
            if (how == Locked) {
                ASSERT_EQ(sqlite3_open(folder.live().c_str(), &other), SQLITE_OK);
                ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
            }
            if (how == FirstWriteFails || how == SecondWriteFails) gDB->InjectWriteFailure(how == FirstWriteFails ? 0 : 1);
            messages().answer(mbYes);  // every question answered Yes
            messages().answer(mbYes);
            Click(w->findChild<QPushButton*>("Cmd_Reg"));
            gDB->InjectWriteFailure(-1);
            if (other) {
                sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
                sqlite3_close(other);
            }

            ASSERT_FALSE(messages().shown.empty());
            const auto& m = messages().shown.back();
            const std::string last = Msg(m);
            EXPECT_FALSE(gWS.inTransaction());
            if (how == Through) {
                EXPECT_TRUE(last.starts_with("処理確認|64|登録が完了しました。")) << last;
                EXPECT_EQ(Count("SELECT count(*) FROM T_データ"), 0);
                const auto copies = data::ListBackups(backups);
                ASSERT_EQ(copies.size(), 1u);
                EXPECT_EQ(DumpDatabase(copies[0]), before);
                continue;
            }
            if (how == NoCopy)
                EXPECT_EQ(last, Msg("処理確認", mbCritical,
                                    "データベースのバックアップを作成できませんでした。\rフォルダー '" +
                                        backups.string() + "' を作成できません。\r登録は行いませんでした。\r"));
            else
                EXPECT_TRUE(last.starts_with("エラー|48|予期せぬエラーです。\r\nエラーコード： ")) << last;
            EXPECT_EQ(DumpDatabase(folder.live()), before);
            EXPECT_EQ(DumpFolder(folder.dir()), files);  // no copy left behind
            EXPECT_EQ(est.recordedNumber(), "4611234560");  // so the next registration asks again
        }
}

}  // namespace
