// The claim month window, driven as the user drives it.
#include <QComboBox>
#include <QLineEdit>

#include "settings/FrmDemand.h"
#include "SettingsFixture.h"
#include "ui/Fields.h"

using namespace hotaru;
using namespace hotaru::test;

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
    EXPECT_EQ(count("SELECT count(*) FROM T_設定"), 0);

    // An empty settings table gets a row holding only the month.
    boxes.reset();
    typeMonth("19", "04");
    reg({mbYes, mbYes});
    EXPECT_EQ(said(), kAsked);
    EXPECT_EQ(settingsRow(), "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|'2007-04-01'|NULL");
    EXPECT_EQ(ui::BackColor(win->Txt_Year), ui::kWindowColour);
    EXPECT_EQ(Focused(), win->Cmd_End);
}
