// The entry window driven with keys: key completion and loading, field
// rules, the check before registration, registration, deletion, failures.
#include <gtest/gtest.h>

#include <functional>

#include <QInputMethodQueryEvent>

#include "EntryWindowHarness.h"
#include "common/Messages.h"
#include "ui/InputCheck.h"

namespace hotaru::test {
namespace {

using data::dbOpenSnapshot;
using entry::EntryRow;
using entry::RegisterEntry;

// City 7 has one code starting with 7; 000012345 carries the right check digit for it.
constexpr const char* kCity = "7";
constexpr const char* kRecipient = "000012345";

EntryRow Stored(const char* eda, const char* total = "1,000", const char* payment = "3,000") {
    EntryRow r = EntryFixture::SampleRow();
    r.city = kCity;
    r.recipient = kRecipient;
    r.eda = eda;
    r.total = total;
    r.payment = payment;
    r.publicPay1 = "12";
    r.publicPay2 = "34";
    return r;
}

using EntryKey = EntryWindow;

TEST_F(EntryKey, OpensInKeyEntryState) {
    EXPECT_EQ(text(w->Txt_Request), "平成20年05月");
    EXPECT_EQ(text(w->Lbl_Mark), "合計点数");
    EXPECT_EQ(text(w->Lbl_EditMode), "新規");
    EXPECT_EQ(ui::ForeColor(w->Lbl_EditMode), ui::kRed);
    EXPECT_FALSE(w->Lbl_DataAri->isVisible());
    EXPECT_EQ(text(w->Cbo_Diagonosis), "4:平成");
    EXPECT_EQ(text(w->Txt_Diagonosis), "平成");
    for (QWidget* d : {static_cast<QWidget*>(w->Txt_Name), static_cast<QWidget*>(w->Cbo_Insurance),
                       static_cast<QWidget*>(w->Txt_Total), static_cast<QWidget*>(w->Cmd_Reg),
                       static_cast<QWidget*>(w->Cmd_Link), static_cast<QWidget*>(w->Cmd_Del)})
        EXPECT_FALSE(d->isEnabled()) << d->objectName().toStdString();
    EXPECT_EQ(ui::BackColor(w->Txt_Name), ui::kButtonFaceColour);
    EXPECT_EQ(ui::BackColor(w->Txt_City), ui::kWindowColour);
    EXPECT_TRUE(w->Lst_City->isVisible());  // Txt_City has the focus
    EXPECT_EQ(w->Lst_City->count(), 49);
}

TEST_F(EntryKey, NewChildCompletesWithTheInstitutionsDefaults) {
    typeKey(kCity, kRecipient, "20", "04");
    EXPECT_TRUE(w->keyLocked);
    EXPECT_TRUE(w->Txt_City->isReadOnly());
    EXPECT_FALSE(w->Cbo_Diagonosis->isEnabled());
    EXPECT_EQ(ui::BackColor(w->Txt_City), ui::kButtonFaceColour);
    EXPECT_TRUE(w->Txt_Name->isEnabled());
    EXPECT_EQ(ui::BackColor(w->Txt_Name), ui::kWindowColour);
    EXPECT_EQ(text(w->Txt_City), "7");
    EXPECT_FALSE(text(w->Lbl_CityName).empty());
    EXPECT_EQ(text(w->Txt_Eda), "1");
    EXPECT_EQ(text(w->Cbo_Insurance), "2:国保");
    EXPECT_EQ(text(w->Txt_Insurance), "2");
    EXPECT_EQ(text(w->Cbo_Hospitalization), "2:外来");
    EXPECT_EQ(text(w->Txt_Treatment), "20");
    EXPECT_EQ(text(w->Lbl_TreatmentName), "小児科");
    EXPECT_EQ(text(w->Cbo_BD), "4:平成");
    EXPECT_EQ(text(w->Txt_BD), "平成");
    EXPECT_FALSE(w->Cmd_Link->isEnabled());
    EXPECT_FALSE(w->Lbl_DataAri->isVisible());
    EXPECT_EQ(focus(), w->Txt_Name);
    EXPECT_TRUE(folder.messages().shown.empty());
}

TEST_F(EntryKey, KnownChildLoadsAndFocusesTheTotal) {
    EntryRow stored = Stored("1");
    stored.diagMonth = "03";  // another month: no branch of 平成20年04月
    RegisterEntry(stored);
    typeKey(kCity, kRecipient, "20", "04");
    EXPECT_EQ(text(w->Txt_Name), "やまだ　たろう");
    EXPECT_EQ(text(w->Cbo_BD), "4:平成");
    EXPECT_EQ(text(w->Txt_BD_Y), "18");
    EXPECT_EQ(text(w->Txt_BD_M), "07");
    EXPECT_EQ(text(w->Txt_BD_D), "15");
    EXPECT_EQ(text(w->Cbo_Insurance), "2:国保");
    EXPECT_EQ(text(w->Txt_InsuranceNo), "12345678");
    EXPECT_EQ(text(w->Txt_Rate), "3");
    EXPECT_EQ(text(w->Lbl_RateName), "3割");
    EXPECT_EQ(text(w->Txt_PublicPay1), "12");
    EXPECT_EQ(text(w->Txt_PublicPay2), "34");
    EXPECT_EQ(text(w->Txt_Total), "");
    EXPECT_EQ(text(w->Txt_Payment), "");
    EXPECT_EQ(text(w->Txt_Eda), "1");
    EXPECT_EQ(focus(), w->Txt_Total);
}

TEST_F(EntryKey, SecondBranchProposesMaxPlusOneAndFillsTheWorkTable) {
    RegisterEntry(Stored("1"));
    RegisterEntry(Stored("2", "2,000", "6,000"));
    typeKey(kCity, kRecipient, "20", "04");
    EXPECT_EQ(text(w->Txt_Eda), "3");
    EXPECT_TRUE(w->Lbl_DataAri->isVisible());
    EXPECT_TRUE(w->Cmd_Link->isEnabled());
    EXPECT_FALSE(w->Cmd_Del->isEnabled());
    EXPECT_EQ(focus(), w->Cmd_Link);
    EXPECT_EQ(count("SELECT count(*) FROM WK_データ"), 2);
    EXPECT_EQ(count("SELECT 合計点数 FROM WK_データ WHERE 枝番 = 2"), 2000);
}

TEST_F(EntryKey, WrongRecipientCheckDigitWarnsAndYesGoesOn) {
    folder.messages().answer(mbYes);
    typeKey(kCity, "000012346", "20", "04");
    auto asked = shown("入力チェック");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].prompt, "受給者番号が間違っています。\r継続してもよろしいですか？\r");
    EXPECT_EQ(asked[0].style, mbYesNo + mbExclamation);
    EXPECT_TRUE(w->keyLocked);
}

TEST_F(EntryKey, WrongRecipientCheckDigitNoKeepsTheField) {
    folder.messages().answer(mbNo);
    type(kCity);
    enter();
    type("000012346");  // nine digits move on, and the check says No
    EXPECT_EQ(focus(), w->Txt_Recipient);
    EXPECT_FALSE(w->keyLocked);
}

TEST_F(EntryKey, ShortRecipientNumberIsPaddedOnLeaving) {
    type(kCity);
    enter();
    folder.messages().answer(mbYes);
    type("12345");
    enter();
    EXPECT_EQ(text(w->Txt_Recipient), "000012345");
}

TEST_F(EntryKey, TreatmentMonthAfterTheDataMonthIsRefused) {
    typeKey(kCity, kRecipient, "20", "05");  // the claim month itself, typed last in the month field
    auto msgs = shown("処理確認");
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].prompt, "実診療年月に請求月より未来の年月が入力されています。　\r");
    EXPECT_EQ(msgs[0].style, mbExclamation);
    EXPECT_FALSE(w->keyLocked);
    EXPECT_TRUE(w->monthRejected);
    EXPECT_EQ(focus(), w->Txt_Diagonosis_Y);
    // Leaving the year field without typing loads nothing.
    enter();
    EXPECT_FALSE(w->keyLocked);
    ASSERT_EQ(focus(), w->Txt_Diagonosis_M);
    // A good month typed over the refused one loads it.
    type("04");
    enter();
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(text(w->Txt_Diagonosis_M), "04");
    EXPECT_EQ(focus(), w->Txt_Name);
    EXPECT_EQ(shown("処理確認").size(), 1u);
}

TEST_F(EntryKey, YearFieldAcceptsTheClaimMonthItself) {
    // The month field allows up to the month before the claim month, the
    // year field up to the claim month: retyping the year after a refusal
    // loads the claim month itself.
    typeKey(kCity, kRecipient, "20", "05");
    ASSERT_TRUE(w->monthRejected);
    ASSERT_EQ(focus(), w->Txt_Diagonosis_Y);
    type("20");
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(text(w->Txt_Diagonosis_M), "05");
    EXPECT_EQ(shown("処理確認").size(), 1u);
}

TEST_F(EntryKey, MonthBeforeTheFloorIsRefused) {
    typeKey(kCity, kRecipient, "19", "02");
    ASSERT_EQ(shown("処理確認").size(), 1u);
    EXPECT_EQ(shown("処理確認")[0].prompt, "実診療年月が、平成19年2月以前のものは入力できません。　\r");
    EXPECT_FALSE(w->keyLocked);
}

TEST_F(EntryKey, ThirtySevenMonthsBackAsks) {
    setSettings(1, "1", "2011-05-01");
    open();
    folder.messages().answer(mbNo);
    typeKey(kCity, kRecipient, "20", "03");
    auto asked = shown("入力チェック");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].prompt, "請求月より37ヶ月以上過去の年月が入力されていますが、\r登録してもよろしいですか？\r");
    EXPECT_FALSE(w->keyLocked);
    EXPECT_EQ(focus(), w->Txt_Diagonosis_Y);

    folder.messages().clear();
    folder.messages().answer(mbYes);
    type("20");
    type("03");
    enter();
    EXPECT_EQ(shown("入力チェック").size(), 1u);
    EXPECT_TRUE(w->keyLocked);
}

TEST_F(EntryKey, UnknownCityCodeIsEmptied) {
    type("99");  // two digits move on
    EXPECT_EQ(focus(), w->Txt_Recipient);
    EXPECT_EQ(text(w->Txt_City), "");
    EXPECT_EQ(text(w->Lbl_CityName), "");
    EXPECT_FALSE(w->Txt_Name->isEnabled());
    EXPECT_FALSE(w->Lst_City->isVisible());
}

TEST_F(EntryKey, CityCandidatesNarrowAndAnswerToKeys) {
    type("1");
    EXPECT_EQ(w->Lst_City->count(), 11);  // 1 and 10..19
    EXPECT_EQ(text(w->Lbl_CityName), "");
    EXPECT_EQ(text(w->Txt_City), "1");
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    enter();  // picks the highlighted 10
    EXPECT_EQ(text(w->Txt_City), "10");
    EXPECT_FALSE(text(w->Lbl_CityName).empty());
    EXPECT_EQ(focus(), w->Txt_Recipient);
    EXPECT_FALSE(w->isPicking);
}

TEST_F(EntryKey, CityClickPicks) {
    type("2");
    ASSERT_GT(w->Lst_City->count(), 1);
    QListWidgetItem* item = w->Lst_City->item(1);
    QTest::mouseClick(w->Lst_City->viewport(), Qt::LeftButton, {}, w->Lst_City->visualItemRect(item).center());
    EXPECT_EQ(text(w->Txt_City), "20");
    EXPECT_EQ(focus(), w->Txt_Recipient);
}

TEST_F(EntryKey, ClaimMonthInReiwaPreselectsReiwaAndLoadsReiwaBirthDates) {
    setSettings(1, "1", "2026-02-01");
    EntryRow stored = Stored("1");
    stored.diagEra = "令和";
    stored.diagYear = "07";
    stored.diagMonth = "11";
    stored.request = Date{2026, 2, 1};
    stored.bdEra = "令和";
    stored.bdYear = "03";
    stored.bdMonth = "02";
    stored.bdDay = "01";
    RegisterEntry(stored);
    open();
    EXPECT_EQ(text(w->Cbo_Diagonosis), "5:令和");
    EXPECT_EQ(text(w->Txt_Diagonosis), "令和");
    typeKey(kCity, kRecipient, "08", "01");
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(text(w->Cbo_BD), "5:令和");
    EXPECT_EQ(text(w->Txt_BD), "令和");
    EXPECT_EQ(text(w->Txt_BD_Y), "03");

    // The next child is new: its era is the claim month's, never the previous child's.
    w->Cbo_BD->setCurrentIndex(-1);
    EXPECT_EQ(text(w->Txt_BD), "");
}

TEST_F(EntryKey, AnotherEraIsCheckedBeforeItLoads) {
    typeKey(kCity, kRecipient, "20", "05");  // refused: the claim month itself
    ASSERT_EQ(shown("処理確認").size(), 1u);
    w->Cbo_Diagonosis->setFocus();
    Press(Qt::Key_Down);  // 令和20年05月 lies far after the claim month
    EXPECT_EQ(text(w->Txt_Diagonosis), "令和");
    EXPECT_FALSE(w->keyLocked);
    EXPECT_EQ(shown("処理確認").size(), 2u);
    EXPECT_EQ(focus(), w->Txt_Diagonosis_Y);
}

TEST_F(EntryKey, AnotherEraLoadsAGoodMonth) {
    setSettings(1, "1", "2026-02-01");
    open();
    typeKey(kCity, kRecipient, "31", "04");  // 令和31年: refused
    ASSERT_EQ(shown("処理確認").size(), 1u);
    w->Cbo_Diagonosis->setFocus();
    Press(Qt::Key_Up);  // 平成31年04月 is a good month
    EXPECT_EQ(text(w->Txt_Diagonosis), "平成");
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(shown("処理確認").size(), 1u);
}

TEST_F(EntryKey, KeyboardWalksEveryFieldInTabOrderShowingTheFocus) {
    ExpectKeyboardWalk({w->Txt_City, w->Txt_Recipient, w->Cbo_Diagonosis, w->Txt_Diagonosis_Y, w->Txt_Diagonosis_M});
    w->Txt_City->setFocus();
    typeKey(kCity, kRecipient, "20", "04");
    ExpectKeyboardWalk({w->Txt_Name, w->Cbo_BD, w->Txt_BD_Y, w->Txt_BD_M, w->Txt_BD_D, w->Cbo_Insurance,
                        w->Txt_InsuranceNo, w->Cbo_Hospitalization, w->Txt_Rate, w->Txt_Total, w->Txt_Payment,
                        w->Txt_Treatment, w->Txt_PublicPay1, w->Txt_PublicPay2, w->Cmd_Reg, w->Cmd_Can});
}

// With the input method left on after a name, digits arrive as its commits
// in full width: the digit fields tell it to switch off, and whatever it
// still commits is typed as half-width digits; anything else is dropped.
TEST_F(EntryKey, DigitsFromTheInputMethodAreTypedHalfWidth) {
    auto inputMethodOff = [&] {
        for (QLineEdit* e : {w->Txt_City, w->Txt_Recipient, w->Txt_Diagonosis_Y, w->Txt_Diagonosis_M, w->Txt_BD_Y,
                             w->Txt_BD_M, w->Txt_BD_D, w->Txt_InsuranceNo, w->Txt_Rate, w->Txt_Total, w->Txt_Payment,
                             w->Txt_Treatment, w->Txt_PublicPay1, w->Txt_PublicPay2}) {
            QInputMethodQueryEvent query(Qt::ImEnabled);
            QApplication::sendEvent(e, &query);
            EXPECT_FALSE(query.value(Qt::ImEnabled).toBool()) << e->objectName().toStdString();
            EXPECT_FALSE(e->inputMethodQuery(Qt::ImEnabled).toBool()) << e->objectName().toStdString();
        }
    };
    inputMethodOff();
    Commit("７");
    enter();
    Commit("００００１２３４５");  // nine digits move on
    enter();
    Commit("２０");
    Commit("０４");
    enter();
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(text(w->Txt_Recipient), kRecipient);
    EXPECT_EQ(text(w->Txt_Diagonosis_M), "04");
    inputMethodOff();  // also once the key fields were locked and the detail fields opened
    EXPECT_TRUE(w->Txt_Name->inputMethodQuery(Qt::ImEnabled).toBool());

    ASSERT_EQ(focus(), w->Txt_Name);
    Commit("やまだ");
    enter();
    enter();
    Commit("１８０７１５");  // each two digits move on
    EXPECT_EQ(text(w->Txt_BD_Y) + text(w->Txt_BD_M) + text(w->Txt_BD_D), "180715");
    ASSERT_EQ(focus(), w->Cbo_Insurance);
    enter();
    Commit("あ");
    EXPECT_EQ(text(w->Txt_InsuranceNo), "");
    Commit("１２３４５６７８");
    EXPECT_EQ(text(w->Txt_InsuranceNo), "12345678");
    EXPECT_EQ(focus(), w->Cbo_Hospitalization);
    w->Txt_Total->setFocus();
    Commit("１２３４");
    enter();
    EXPECT_EQ(text(w->Txt_Total), "1,234");
}

TEST_F(EntryKey, FieldRulesWhileTyping) {
    typeKey(kCity, kRecipient, "20", "04");
    // A half-width name is refused when left.
    type("ab");
    enter();
    ASSERT_EQ(shown("処理確認").size(), 1u);
    EXPECT_EQ(shown("処理確認")[0].prompt, "氏名は全角で入力してください\r");
    EXPECT_EQ(shown("処理確認")[0].style, mbCritical);
    EXPECT_EQ(focus(), w->Txt_Name);
    // Letters never reach a digit field; Enter never reaches any field.
    w->Txt_Name->clear();
    w->Txt_BD_Y->setFocus();
    type("a1");
    EXPECT_EQ(text(w->Txt_BD_Y), "1");
    enter();
    EXPECT_EQ(text(w->Txt_BD_Y), "01");  // "00" on leaving
    // Public-expense numbers: one digit becomes two, empty stays empty.
    w->Txt_PublicPay1->setFocus();
    type("5");
    enter();
    EXPECT_EQ(text(w->Txt_PublicPay1), "05");
    enter();
    EXPECT_EQ(text(w->Txt_PublicPay2), "");
    // Amounts get their separators; ten digits move on and an eleventh is dropped.
    w->Txt_Total->setFocus();
    type("12345678901");
    EXPECT_EQ(focus(), w->Txt_Payment);
    EXPECT_EQ(text(w->Txt_Total), "1,234,567,890");
    // The ratio shows its name and moves on at one digit.
    w->Txt_Rate->setFocus();
    type("2");
    EXPECT_EQ(text(w->Lbl_RateName), "2割");
    EXPECT_EQ(focus(), w->Txt_Total);
    w->Txt_Rate->setFocus();
    type("9");
    EXPECT_EQ(text(w->Txt_Rate), "");  // unknown ratio emptied when left
}

TEST_F(EntryKey, DepartmentCandidatesAnswerToKeys) {
    typeKey(kCity, kRecipient, "20", "04");
    w->Txt_Treatment->setFocus();
    EXPECT_TRUE(w->Lst_Treatment->isVisible());
    type("3");
    EXPECT_EQ(w->Lst_Treatment->count(), 6);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    enter();
    EXPECT_EQ(text(w->Txt_Treatment), "31");
    EXPECT_EQ(text(w->Lbl_TreatmentName), "整形外科");
    EXPECT_EQ(focus(), w->Cmd_Reg);
    EXPECT_FALSE(w->Lst_Treatment->isVisible());
}

// The candidate lists open beside the fields, never over one, and end with
// their last entry.
TEST_F(EntryKey, CandidateListsCoverNoFieldAndFitTheirEntries) {
    auto check = [this](QListWidget* list, int entries) {
        ASSERT_TRUE(list->isVisible());
        ASSERT_EQ(list->count(), entries);
        EXPECT_EQ(list->visualItemRect(list->item(entries - 1)).bottom() + 1, list->viewport()->height());
        std::vector<std::string> covered;
        for (QWidget* f : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const bool field = qobject_cast<QLineEdit*>(f) || qobject_cast<QComboBox*>(f) || qobject_cast<QPushButton*>(f);
            if (field && f->isVisible() && list->geometry().intersects(f->geometry()))
                covered.push_back(f->objectName().toStdString());
        }
        EXPECT_EQ(covered, std::vector<std::string>{});
    };
    type("1");
    check(w->Lst_City, 11);
    Press(Qt::Key_Backspace);
    typeKey(kCity, kRecipient, "20", "04");
    w->Txt_Treatment->setFocus();
    type("3");
    check(w->Lst_Treatment, 6);
}

// A field that gets the focus back after a question answered No or a
// refused month has its whole text selected, so the right value is typed
// over the wrong one.  Real message boxes take the focus away meanwhile.
struct FocusBackCase {
    const char* name;
    std::function<void(EntryWindow&)> act;
    QLineEdit* entry::FrmEntry::*field;
    const char* wrong;
    const char* retype;
};

void PrintTo(const FocusBackCase& c, std::ostream* os) { *os << c.name; }

class FocusBack : public EntryWindow, public ::testing::WithParamInterface<FocusBackCase> {};

TEST_P(FocusBack, WholeTextSelectedForTypingOver) {
    const FocusBackCase c = GetParam();
    ModalBoxes boxes(folder.messages());
    c.act(*this);
    ASSERT_TRUE(ShowActive(*w));
    QLineEdit* field = w.data()->*c.field;
    ASSERT_EQ(focus(), field);
    EXPECT_EQ(field->selectedText().toStdString(), c.wrong);
    type(c.retype);
    EXPECT_EQ(text(field), c.retype);
}

INSTANTIATE_TEST_SUITE_P(
    Questions, FocusBack,
    ::testing::Values(
        FocusBackCase{"RecipientCheckDigit",
                      [](EntryWindow& t) {
                          t.folder.messages().answer(mbNo);
                          t.type(kCity);
                          t.enter();
                          t.type("000012346");
                      },
                      &entry::FrmEntry::Txt_Recipient, "000012346", "000012345"},
        FocusBackCase{"MonthRefusedInTheMonthField",
                      [](EntryWindow& t) { t.typeKey(kCity, kRecipient, "20", "05"); },
                      &entry::FrmEntry::Txt_Diagonosis_Y, "20", "19"},
        FocusBackCase{"MonthRefusedInTheYearField",
                      [](EntryWindow& t) {
                          t.typeKey(kCity, kRecipient, "20", "05");
                          ASSERT_TRUE(ShowActive(*t.w));
                          t.type("21");  // 平成21年05月 lies after the claim month
                      },
                      &entry::FrmEntry::Txt_Diagonosis_Y, "21", "20"},
        FocusBackCase{"InsurerCheckDigit",
                      [](EntryWindow& t) {
                          t.typeKey(kCity, kRecipient, "20", "04");
                          EntryWindow::Detail d;
                          d.insuranceNo = "12345675";
                          t.typeDetail(d);
                          t.w->Cbo_Insurance->setCurrentIndex(0);  // 1:社保 checks the digit
                          t.folder.messages().answer(mbYes);
                          t.folder.messages().answer(mbNo);
                          t.enter();
                      },
                      &entry::FrmEntry::Txt_InsuranceNo, "12345675", "1234567"},
        FocusBackCase{"CoPayment",
                      [](EntryWindow& t) {
                          t.typeKey(kCity, kRecipient, "20", "04");
                          EntryWindow::Detail d;
                          d.payment = "3101";
                          t.typeDetail(d);
                          t.folder.messages().answer(mbYes);
                          t.folder.messages().answer(mbNo);
                          t.enter();
                      },
                      &entry::FrmEntry::Txt_Total, "1,000", "1034"}),
    [](const ::testing::TestParamInfo<FocusBackCase>& i) { return std::string(i.param.name); });

// キャンセル and 終了 throw the row away: the leave check of the field being
// left never swallows them.
struct ThrowAwayCase {
    const char* name;
    std::function<void(EntryWindow&)> act;  // leaves a field that its leave check would refuse
    QPushButton* entry::FrmEntry::*button;
    const char* title;  // of the question the button asks
};

void PrintTo(const ThrowAwayCase& c, std::ostream* os) { *os << c.name; }

class ThrowAway : public EntryWindow, public ::testing::WithParamInterface<ThrowAwayCase> {};

TEST_P(ThrowAway, ButtonIsNotSwallowedByTheLeaveCheck) {
    const ThrowAwayCase c = GetParam();
    bool closed = false;
    QObject::connect(w.data(), &ui::Form::closed, [&] { closed = true; });
    c.act(*this);
    folder.messages().clear();
    QTest::mouseClick(w.data()->*c.button, Qt::LeftButton);
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].title, c.title);
    if (w.data()->*c.button == w->Cmd_End) {
        EXPECT_TRUE(closed);
    } else {
        EXPECT_FALSE(w->keyLocked);
        EXPECT_EQ(text(w->Txt_Name), "");
        EXPECT_EQ(focus(), w->Txt_City);
        EXPECT_FALSE(w->Lst_Treatment->isVisible());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ThrowAway,
    ::testing::Values(
        ThrowAwayCase{"HalfWidthNameThenCancel",
                      [](EntryWindow& t) {
                          t.typeKey(kCity, kRecipient, "20", "04");
                          t.type("ab");
                      },
                      &entry::FrmEntry::Cmd_Can, "キャンセル確認"},
        ThrowAwayCase{"DepartmentListThenCancel",
                      [](EntryWindow& t) {
                          t.typeKey(kCity, kRecipient, "20", "04");
                          t.w->Txt_Treatment->setFocus();  // its candidate list shows
                      },
                      &entry::FrmEntry::Cmd_Can, "キャンセル確認"},
        ThrowAwayCase{"HalfWidthNameThenEnd",
                      [](EntryWindow& t) {
                          t.typeKey(kCity, kRecipient, "20", "04");
                          t.type("ab");
                      },
                      &entry::FrmEntry::Cmd_End, "確認"},
        ThrowAwayCase{"RefusedMonthThenEnd",
                      [](EntryWindow& t) {
                          t.type(kCity);
                          t.enter();
                          t.type(kRecipient);
                          t.enter();
                          t.type("20");
                          t.type("05");  // the claim month itself, still in the month field
                      },
                      &entry::FrmEntry::Cmd_End, "確認"}),
    [](const ::testing::TestParamInfo<ThrowAwayCase>& i) { return std::string(i.param.name); });

TEST_F(EntryKey, CancelAnsweredNoGoesBackToTheFieldAndItsCheck) {
    typeKey(kCity, kRecipient, "20", "04");
    type("ab");
    folder.messages().answer(mbNo);
    QTest::mouseClick(w->Cmd_Can, Qt::LeftButton);
    ASSERT_EQ(shown("キャンセル確認").size(), 1u);
    EXPECT_EQ(focus(), w->Txt_Name);
    EXPECT_EQ(w->Txt_Name->selectedText().toStdString(), "ab");
    enter();  // leaving it now runs its check
    EXPECT_EQ(shown("処理確認").size(), 1u);
    EXPECT_EQ(focus(), w->Txt_Name);
}

// ---- Check and registration -------------------------------------------------

using EntryRegister = EntryWindow;

TEST_F(EntryRegister, TypedRowIsStored) {
    typeKey(kCity, kRecipient, "20", "04");
    Detail d;
    d.total = "1234";
    d.payment = "3702";
    d.publicPay1 = "5";
    typeDetail(d);
    enter();  // 登録
    ASSERT_EQ(shown("登録確認").size(), 1u);
    EXPECT_EQ(shown("登録確認")[0].prompt, "データを登録します。\rよろしいですか？\r");
    EXPECT_EQ(shown("登録確認")[0].style, mbYesNo + mbQuestion);
    ASSERT_EQ(shown("処理確認").size(), 1u);
    EXPECT_EQ(shown("処理確認")[0].prompt, "登録が完了しました。\r");
    auto d1 = DB().OpenRecordset("SELECT * FROM T_データ", dbOpenSnapshot);
    ASSERT_EQ(d1.RecordCount(), 1);
    EXPECT_EQ(d1["total"].rawInt(), 1234);
    EXPECT_EQ(d1["payment"].rawInt(), 3702);
    EXPECT_EQ(d1["PublicPay1"].str(), "05");
    EXPECT_EQ(d1["diagnosis"].rawText(), "2008-04-01");
    EXPECT_EQ(DB().Scalar("SELECT birthday FROM T_基本").rawText(), "2006-07-15");
    // Back to key entry.
    EXPECT_FALSE(w->keyLocked);
    EXPECT_EQ(text(w->Txt_City), "");
    EXPECT_EQ(focus(), w->Txt_City);
    EXPECT_FALSE(w->Txt_Name->isEnabled());
}

TEST_F(EntryRegister, CollectedMessageAndFocusOrder) {
    typeKey(kCity, kRecipient, "20", "04");
    w->Txt_Total->setFocus();
    type("1000");
    enter();
    type("3000");
    w->Cmd_Reg->setFocus();
    folder.messages().clear();
    w->Cmd_Reg->click();
    auto msgs = shown("入力チェック");
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].prompt,
              "[ERR01]氏名は必ず入力してください。　\r\n"
              "[ERR01]生年月日(年)は必ず入力してください。　\r\n"
              "[ERR01]生年月日(月)は必ず入力してください。　\r\n"
              "[ERR01]生年月日(日)は必ず入力してください。　\r\n"
              "[ERR01]保険者番号は必ず入力してください。　\r\n"
              "[ERR01]割合は必ず入力してください。　\r\n");
    EXPECT_EQ(msgs[0].style, mbCritical + mbSystemModal);
    EXPECT_EQ(focus(), w->Txt_Name);
    EXPECT_EQ(ui::BackColor(w->Txt_Name), ui::kRed);
    EXPECT_EQ(ui::BackColor(w->Txt_InsuranceNo), ui::kRed);
    EXPECT_EQ(ui::BackColor(w->Txt_Total), ui::kWindowColour);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);

    // Fixing the first field moves the focus to the next failing one.
    folder.messages().clear();
    w->Txt_Name->setText(QString::fromUtf8("やまだ"));
    w->Txt_BD_Y->setText("18");
    w->Txt_BD_M->setText("07");
    w->Txt_BD_D->setText("15");
    w->Cmd_Reg->click();
    EXPECT_EQ(focus(), w->Txt_InsuranceNo);
    EXPECT_EQ(ui::BackColor(w->Txt_Name), ui::kWindowColour);
}

TEST_F(EntryRegister, BirthDateAfterBothMonthsListsBoth) {
    typeKey(kCity, kRecipient, "20", "04");
    Detail d;
    d.bdYear = "20";
    d.bdMonth = "06";
    d.bdDay = "01";
    typeDetail(d);
    enter();
    auto msgs = shown("入力チェック");
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].prompt,
              "[ERR03]生年月日に請求月より未来の年月が入力されています。　\r\n"
              "[ERR06]生年月日に実診療年月より未来の年月が入力されています。　\r\n");
    EXPECT_EQ(focus(), w->Txt_BD_Y);
    EXPECT_EQ(ui::BackColor(w->Txt_BD_D), ui::kRed);
}

TEST_F(EntryRegister, SecondPublicExpenseWithoutTheFirst) {
    typeKey(kCity, kRecipient, "20", "04");
    Detail d;
    d.publicPay2 = "12";
    typeDetail(d);
    enter();
    auto msgs = shown("入力チェック");
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].prompt, "[ERR02]公費2の入力に誤りがあります。　\r\n");
    EXPECT_EQ(ui::BackColor(w->Txt_PublicPay1), ui::kRed);
    EXPECT_EQ(ui::BackColor(w->Txt_PublicPay2), ui::kRed);
    EXPECT_EQ(focus(), w->Txt_PublicPay2);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
}

TEST_F(EntryRegister, LargestAmounts) {
    typeKey(kCity, kRecipient, "20", "04");
    Detail d;
    d.total = "2147483648";
    d.payment = "2147483648";
    typeDetail(d);
    enter();
    auto msgs = shown("入力チェック");
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].prompt,
              "[ERR05]合計点数の値が最大値を超えています。　\r\n"
              "[ERR05]自己負担支払額の値が最大値を超えています。　\r\n");
    EXPECT_EQ(focus(), w->Txt_Total);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);

    folder.messages().clear();
    w->Txt_Total->setText("2,147,483,647");
    w->Txt_Payment->setText("2,147,483,647");
    w->Cmd_Reg->click();  // the co-payment question is answered Yes by default
    EXPECT_EQ(DB().Scalar("SELECT total FROM T_データ").rawInt(), 2147483647LL);
    EXPECT_EQ(DB().Scalar("SELECT payment FROM T_データ").rawInt(), 2147483647LL);
}

struct BandCase {
    int type;
    const char* tencd;
    const char* total;
    const char* payment;
    bool asks;
};

class CopaymentBand : public EntryWindow, public ::testing::WithParamInterface<BandCase> {};

TEST_P(CopaymentBand, AsksOutsideOneHundredYen) {
    const BandCase c = GetParam();
    setSettings(c.type, c.tencd, "2008-05-01");
    open();
    typeKey(kCity, kRecipient, "20", "04");
    Detail d;
    d.total = c.total;
    d.payment = c.payment;
    typeDetail(d);
    folder.messages().answer(mbYes);  // 登録確認
    folder.messages().answer(mbNo);   // the co-payment question, if asked
    enter();
    auto asked = shown("入力チェック");
    if (c.asks) {
        ASSERT_EQ(asked.size(), 1u);
        const std::string kind = c.type == 1 && std::string(c.tencd) != "6" ? "合計点数" : "請求金額";
        EXPECT_EQ(asked[0].prompt,
                  kind + "より求めた金額と自己負担支払額に差額が発生しています。\r登録してもよろしいですか？\r");
        EXPECT_EQ(asked[0].style, mbYesNo + mbExclamation);
        EXPECT_EQ(focus(), w->Txt_Total);
        EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
    } else {
        EXPECT_TRUE(asked.empty());
        EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edges, CopaymentBand,
    ::testing::Values(BandCase{1, "1", "1000", "3000", false}, BandCase{1, "1", "1000", "3100", false},
                      BandCase{1, "1", "1000", "2900", false}, BandCase{1, "1", "1000", "3101", true},
                      BandCase{1, "1", "1000", "2899", true}, BandCase{2, "", "10000", "3100", false},
                      BandCase{2, "", "10000", "2900", false}, BandCase{2, "", "10000", "3101", true},
                      BandCase{2, "", "10000", "2899", true}, BandCase{1, "6", "10000", "3100", false},
                      BandCase{1, "6", "10000", "2899", true}),
    [](const ::testing::TestParamInfo<BandCase>& i) {
        return "Type" + std::to_string(i.param.type) + "Table" + (*i.param.tencd ? i.param.tencd : "None") + "Total" +
               i.param.total + "Paid" + i.param.payment;
    });

TEST_F(EntryRegister, InsurerCheckDigitForKindOne) {
    typeKey(kCity, kRecipient, "20", "04");
    Detail d;
    d.insuranceNo = "12345675";
    w->Txt_Name->setFocus();
    typeDetail(d);
    w->Cbo_Insurance->setCurrentIndex(0);  // 1:社保
    folder.messages().answer(mbYes);
    folder.messages().answer(mbNo);
    w->Cmd_Reg->click();
    auto asked = shown("入力チェック");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].prompt, "保険者番号が間違っています。\r登録してもよろしいですか？\r");
    EXPECT_EQ(focus(), w->Txt_InsuranceNo);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
}

TEST_F(EntryRegister, DuplicateQuestionInNewModeOnly) {
    RegisterEntry(Stored("1"));
    typeKey(kCity, kRecipient, "20", "04");  // branch 2 proposed, focus on 参照
    ASSERT_EQ(text(w->Txt_Eda), "2");
    w->Txt_Total->setFocus();
    typeDetail(Detail{});
    folder.messages().answer(mbYes);
    folder.messages().answer(mbNo);
    enter();
    auto asked = shown("入力チェック");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].prompt,
              "同一の診療データが存在します。このまま登録してもよろしいですか？\r\n（参照ボタンで確認できます。）\r");
    EXPECT_EQ(focus(), w->Cmd_Link);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);

    // Loading the stored branch for correction: its own row is no duplicate.
    folder.messages().clear();
    w->Cmd_Link->click();
    entry::FrmSubEntry* ref = findReference();
    ASSERT_NE(ref, nullptr);
    ref->pickBranch(0);
    EXPECT_EQ(text(w->Lbl_EditMode), "修正");
    w->Txt_Total->setText("1,010");
    w->Cmd_Reg->click();
    EXPECT_TRUE(shown("入力チェック").empty());
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
    EXPECT_EQ(DB().Scalar("SELECT total FROM T_データ").rawInt(), 1010);
}

TEST_F(EntryRegister, NoDuplicateQuestionForPointTableFour) {
    setSettings(1, "4", "2008-05-01");
    RegisterEntry(Stored("1"));
    open();
    typeKey(kCity, kRecipient, "20", "04");
    w->Txt_Total->setFocus();
    typeDetail(Detail{});
    enter();
    EXPECT_TRUE(shown("入力チェック").empty());
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
}

TEST_F(EntryRegister, DeleteRemovesExactlyTheLoadedBranch) {
    RegisterEntry(Stored("1"));
    RegisterEntry(Stored("2", "2,000", "6,000"));
    RegisterEntry(Stored("3", "3,000", "9,000"));
    typeKey(kCity, kRecipient, "20", "04");
    enter();  // 参照 has the focus
    entry::FrmSubEntry* ref = findReference();
    ASSERT_NE(ref, nullptr);
    ref->pickBranch(1);
    EXPECT_TRUE(w->Cmd_Del->isEnabled());
    EXPECT_EQ(ui::ForeColor(w->Lbl_EditMode), 0xFF0000);
    w->Cmd_Del->click();
    ASSERT_EQ(shown("削除確認").size(), 1u);
    EXPECT_EQ(shown("削除確認")[0].prompt, "データを削除します。\rよろしいですか？\r");
    EXPECT_EQ(shown("処理確認").back().prompt, "削除しました。\r");
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ WHERE eda = 2"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM T_基本"), 1);
    EXPECT_FALSE(w->keyLocked);
    EXPECT_EQ(focus(), w->Txt_City);
}

TEST_F(EntryRegister, AFailingWriteKeepsTablesAndTheTypedRow) {
    RegisterEntry(Stored("1"));
    typeKey(kCity, kRecipient, "20", "04");
    w->Txt_Total->setFocus();
    Detail d;
    d.total = "1500";
    d.payment = "4500";
    d.treatment = "10";  // no duplicate
    typeDetail(d);
    gDB->InjectWriteFailure(1);  // the master row is written, the claim row fails
    enter();
    gDB->InjectWriteFailure(-1);
    auto errors = shown("エラー");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].prompt.rfind("予期せぬエラーです。\r\nエラーコード：", 0), 0u);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);
    EXPECT_EQ(count("SELECT count(*) FROM T_基本"), 1);
    EXPECT_FALSE(gDB->inTransaction());
    // Everything typed is still there; registering again works.
    EXPECT_EQ(text(w->Txt_Total), "1,500");
    EXPECT_TRUE(w->keyLocked);
    folder.messages().clear();
    w->Cmd_Reg->click();
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);

    // A failing deletion leaves the branch.
    typeKey(kCity, kRecipient, "20", "04");
    w->Cmd_Link->click();
    findReference()->pickBranch(0);
    gDB->InjectWriteFailure(0);
    folder.messages().clear();
    w->Cmd_Del->click();
    gDB->InjectWriteFailure(-1);
    EXPECT_EQ(shown("エラー").size(), 1u);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 2);
}

// A real message box takes the window's activation away: the focus given
// back to 市町村 after 登録 or キャンセル arrives when the window is active again.
TEST_F(EntryRegister, CityCandidatesShowAgainAfterRegisterAndCancel) {
    struct Boxes : MessagePresenter {
        ScriptedMessages& answers;
        QWidget box;
        explicit Boxes(ScriptedMessages& a) : answers(a) {}
        int show(const std::string& prompt, int style, const std::string& title) override {
            EXPECT_TRUE(ShowActive(box));
            return answers.show(prompt, style, title);
        }
        void beep() override {}
    } boxes(folder.messages());
    ScopedPresenter presenter(boxes);
    for (bool registering : {true, false}) {
        typeKey(kCity, kRecipient, "20", "04");
        if (registering) {
            typeDetail({});
            enter();
        } else {
            QTest::mouseClick(w->Cmd_Can, Qt::LeftButton);
        }
        ASSERT_FALSE(w->keyLocked);
        ASSERT_TRUE(ShowActive(*w));
        EXPECT_EQ(focus(), w->Txt_City);
        EXPECT_TRUE(w->Lst_City->isVisible()) << registering;
    }
    EXPECT_EQ(shown("処理確認").back().prompt, "登録が完了しました。\r");
}

TEST_F(EntryRegister, CancelAndEnd) {
    typeKey(kCity, kRecipient, "20", "04");
    folder.messages().answer(mbNo);
    w->Cmd_Can->click();
    EXPECT_TRUE(w->keyLocked);
    w->Cmd_Can->click();
    ASSERT_EQ(shown("キャンセル確認").size(), 2u);
    EXPECT_EQ(shown("キャンセル確認")[0].prompt, "表示されているデータをキャンセルします。\rよろしいですか？\r");
    EXPECT_FALSE(w->keyLocked);
    EXPECT_EQ(text(w->Txt_City), "");
    EXPECT_EQ(focus(), w->Txt_City);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);

    bool closed = false;
    QObject::connect(w.data(), &ui::Form::closed, [&] { closed = true; });
    folder.messages().answer(mbNo);
    w->Cmd_End->click();
    EXPECT_FALSE(closed);
    w->Cmd_End->click();
    EXPECT_EQ(shown("確認").back().prompt, "終了してもよろしいですか？");
    EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace hotaru::test
