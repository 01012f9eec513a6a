// The entry window driven with keys: key completion and loading, field
// rules, the check before registration, registration, deletion, failures.
// Message styles in said(): 4 yes/no, 16 critical, 32 question, 48 exclamation.
#include <gtest/gtest.h>

#include <functional>

#include <QInputMethodQueryEvent>

#include "EntryWindowHarness.h"
#include "common/Messages.h"

namespace hotaru::test {
namespace {

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

TEST_F(EntryKey, KeyLoadsANewChildOrAKnownOneWithItsBranches) {
    EXPECT_EQ(text(w->Txt_Request) + text(w->Lbl_Mark) + text(w->Cbo_Diagonosis), "平成20年05月合計点数4:平成");
    EXPECT_EQ(fields(), "/ 平成. # 新規 |||||||||||||||| @Txt_City");
    EXPECT_EQ(ui::ForeColor(w->Lbl_EditMode), ui::kRed);
    for (QWidget* d : std::initializer_list<QWidget*>{w->Txt_Name, w->Cbo_Insurance, w->Txt_Total, w->Cmd_Reg,
                                                      w->Cmd_Link, w->Cmd_Del})
        EXPECT_FALSE(d->isEnabled()) << d->objectName().toStdString();
    EXPECT_EQ(ui::BackColor(w->Txt_Name), ui::kButtonFaceColour);
    EXPECT_EQ(ui::BackColor(w->Txt_City), ui::kWindowColour);
    EXPECT_TRUE(w->Lst_City->isVisible());
    EXPECT_EQ(w->Lst_City->count(), 49);

    // A new child: the institution's defaults.
    typeKey(kCity, kRecipient, "20", "04");
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #1 新規 ||平成||||2||2||||20||||小児科 @Txt_Name");
    EXPECT_TRUE(w->keyLocked && w->Txt_City->isReadOnly() && !w->Cbo_Diagonosis->isEnabled());
    EXPECT_EQ(ui::BackColor(w->Txt_City), ui::kButtonFaceColour);
    EXPECT_EQ(ui::BackColor(w->Txt_Name), ui::kWindowColour);
    EXPECT_FALSE(text(w->Lbl_CityName).empty());
    EXPECT_FALSE(w->Cmd_Link->isEnabled());
    EXPECT_EQ(said(), "");

    // A known child of another month: its master row, the total to type.
    EntryRow stored = Stored("1");
    stored.diagMonth = "03";
    RegisterEntry(stored);
    open();
    typeKey(kCity, kRecipient, "20", "04");
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #1 新規 |やまだ　たろう|平成|18|07|15|2|12345678|2|3|||20|12|34|3割|小児科 @Txt_Total");

    // Two branches of this month: the third is proposed, 参照 has the focus.
    RegisterEntry(Stored("1"));
    RegisterEntry(Stored("2", "2,000", "6,000"));
    open();
    typeKey(kCity, kRecipient, "20", "04");
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #3 新規 有 |やまだ　たろう|平成|18|07|15|2|12345678|2|3|||20|12|34|3割|小児科 @Cmd_Link");
    EXPECT_TRUE(w->Cmd_Link->isEnabled());
    EXPECT_FALSE(w->Cmd_Del->isEnabled());
    EXPECT_EQ(rows("枝番, 合計点数", "FROM WK_データ ORDER BY 枝番"), "1|1000\n2|2000\n");
}

TEST_F(EntryKey, RecipientNumber) {
    type(kCity);
    enter();
    type("12345");
    enter();  // padded when left
    EXPECT_EQ(text(w->Txt_Recipient), kRecipient);
    open();
    folder.messages().answer(mbYes);
    typeKey(kCity, "000012346", "20", "04");
    EXPECT_EQ(said(), "入力チェック(52): 受給者番号が間違っています。\r継続してもよろしいですか？\r\n");
    EXPECT_TRUE(w->keyLocked);
}

// Treatment months typed into the key: refused, asked about or loaded.
struct MonthCase {
    const char* request;
    const char* year;
    const char* month;
    int answer;
    const char* said;
    bool loads;
};

TEST_F(EntryKey, TreatmentMonthAgainstTheClaimMonth) {
    const MonthCase cases[] = {
        {"2008-05-01", "20", "05", mbOK, "処理確認(48): 実診療年月に請求月より未来の年月が入力されています。　\r\n", false},
        {"2008-05-01", "19", "02", mbOK, "処理確認(48): 実診療年月が、平成19年2月以前のものは入力できません。　\r\n", false},
        {"2011-05-01", "20", "03", mbNo,
         "入力チェック(52): 請求月より37ヶ月以上過去の年月が入力されていますが、\r登録してもよろしいですか？\r\n", false},
        {"2011-05-01", "20", "03", mbYes,
         "入力チェック(52): 請求月より37ヶ月以上過去の年月が入力されていますが、\r登録してもよろしいですか？\r\n", true},
    };
    for (const MonthCase& c : cases) {
        SCOPED_TRACE(std::string(c.request) + " " + c.year + c.month);
        setSettings(1, "1", c.request);
        open();
        folder.messages().clear();
        folder.messages().answer(c.answer);
        typeKey(kCity, kRecipient, c.year, c.month);
        EXPECT_EQ(said(), c.said);
        EXPECT_EQ(w->keyLocked, c.loads);
        EXPECT_EQ(focus(), c.loads ? static_cast<QWidget*>(w->Txt_Name) : w->Txt_Diagonosis_Y);
    }
}

TEST_F(EntryKey, RefusedMonthRetyped) {
    typeKey(kCity, kRecipient, "20", "05");  // the claim month, typed last in the month field: refused
    ASSERT_TRUE(w->monthRejected);
    enter();  // leaving the year untouched loads nothing
    EXPECT_FALSE(w->keyLocked);
    ASSERT_EQ(focus(), w->Txt_Diagonosis_M);
    type("04");
    enter();
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(focus(), w->Txt_Name);
    // The year field allows the claim month itself.
    open();
    typeKey(kCity, kRecipient, "20", "05");
    type("20");
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(text(w->Txt_Diagonosis_M), "05");
    EXPECT_EQ(shown("処理確認").size(), 2u);
}

TEST_F(EntryKey, AnotherEraIsCheckedBeforeItLoads) {
    typeKey(kCity, kRecipient, "20", "05");  // refused: the claim month itself
    w->Cbo_Diagonosis->setFocus();
    Press(Qt::Key_Down);  // 令和20年05月 lies far after the claim month
    EXPECT_EQ(text(w->Txt_Diagonosis), "令和");
    EXPECT_FALSE(w->keyLocked);
    EXPECT_EQ(shown("処理確認").size(), 2u);
    EXPECT_EQ(focus(), w->Txt_Diagonosis_Y);

    setSettings(1, "1", "2026-02-01");
    open();
    typeKey(kCity, kRecipient, "31", "04");  // 令和31年: refused
    w->Cbo_Diagonosis->setFocus();
    Press(Qt::Key_Up);  // 平成31年04月 is a good month
    EXPECT_EQ(text(w->Txt_Diagonosis), "平成");
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(shown("処理確認").size(), 3u);
}

TEST_F(EntryKey, ClaimMonthInReiwaPreselectsReiwaAndLoadsReiwaBirthDates) {
    setSettings(1, "1", "2026-02-01");
    EntryRow stored = test::SampleReiwaEntryRow();
    stored.city = kCity;
    stored.diagYear = "07";
    stored.request = Date{2026, 2, 1};
    RegisterEntry(stored);
    open();
    EXPECT_EQ(text(w->Cbo_Diagonosis) + text(w->Txt_Diagonosis), "5:令和令和");
    typeKey(kCity, kRecipient, "08", "01");
    EXPECT_EQ(fields(), "7/000012345 令和08.01 #1 新規 |やまだ　たろう|令和|03|04|05|2|12345678|2|3|||20|||3割|小児科 @Txt_Total");
    EXPECT_EQ(text(w->Cbo_BD), "5:令和");
    // The next child is new: its era is the claim month's, never the previous child's.
    w->Cbo_BD->setCurrentIndex(-1);
    EXPECT_EQ(text(w->Txt_BD), "");
}

TEST_F(EntryKey, CityCodes) {
    type("99");  // unknown: two digits move on, and it is emptied
    EXPECT_EQ(text(w->Txt_City) + text(w->Lbl_CityName), "");
    EXPECT_EQ(focus(), w->Txt_Recipient);
    EXPECT_FALSE(w->Lst_City->isVisible() || w->Txt_Name->isEnabled());

    w->Txt_City->setFocus();
    type("1");
    EXPECT_EQ(w->Lst_City->count(), 11);  // 1 and 10..19
    EXPECT_EQ(text(w->Lbl_CityName), "");
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    enter();  // picks the highlighted 10
    EXPECT_EQ(text(w->Txt_City), "10");
    EXPECT_FALSE(text(w->Lbl_CityName).empty());
    EXPECT_EQ(focus(), w->Txt_Recipient);
    EXPECT_FALSE(w->isPicking);

    w->Txt_City->setFocus();
    w->Txt_City->clear();
    type("2");
    QTest::mouseClick(w->Lst_City->viewport(), Qt::LeftButton, {}, w->Lst_City->visualItemRect(w->Lst_City->item(1)).center());
    EXPECT_EQ(text(w->Txt_City), "20");
    EXPECT_EQ(focus(), w->Txt_Recipient);
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
    for (const char* typed : {"７", "", "００００１２３４５", "", "２０", "０４", ""})
        *typed ? Commit(QString::fromUtf8(typed)) : enter();  // nine digits move on
    EXPECT_TRUE(w->keyLocked);
    EXPECT_EQ(text(w->Txt_Recipient) + text(w->Txt_Diagonosis_M), "00001234504");
    inputMethodOff();  // also once the key fields were locked and the detail fields opened
    EXPECT_TRUE(w->Txt_Name->inputMethodQuery(Qt::ImEnabled).toBool());
    for (const char* typed : {"やまだ", "", "", "１８０７１５", "", "あ", "１２３４５６７８"})
        *typed ? Commit(QString::fromUtf8(typed)) : enter();  // each two birth-date digits move on
    EXPECT_EQ(focus(), w->Cbo_Hospitalization);
    w->Txt_Total->setFocus();
    Commit("１２３４");
    enter();
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #1 新規 |やまだ|平成|18|07|15|2|12345678|2||1,234||20||||小児科 @Txt_Payment");
}

TEST_F(EntryKey, FieldRulesWhileTyping) {
    typeKey(kCity, kRecipient, "20", "04");
    type("ab");  // a half-width name is refused when left
    enter();
    EXPECT_EQ(said(), "処理確認(16): 氏名は全角で入力してください\r\n");
    EXPECT_EQ(focus(), w->Txt_Name);
    // Letters never reach a digit field; Enter never reaches any field.
    w->Txt_Name->clear();
    w->Txt_BD_Y->setFocus();
    type("a1");
    EXPECT_EQ(text(w->Txt_BD_Y), "1");
    enter();
    EXPECT_EQ(text(w->Txt_BD_Y), "01");
    // Public-expense numbers: one digit becomes two, empty stays empty.
    w->Txt_PublicPay1->setFocus();
    type("5");
    enter();
    enter();
    EXPECT_EQ(text(w->Txt_PublicPay1) + "|" + text(w->Txt_PublicPay2), "05|");
    // Amounts get their separators; ten digits move on and an eleventh is dropped.
    w->Txt_Total->setFocus();
    type("12345678901");
    EXPECT_EQ(focus(), w->Txt_Payment);
    EXPECT_EQ(text(w->Txt_Total), "1,234,567,890");
    // The ratio shows its name and moves on at one digit; an unknown one is emptied.
    w->Txt_Rate->setFocus();
    type("2");
    EXPECT_EQ(text(w->Lbl_RateName), "2割");
    EXPECT_EQ(focus(), w->Txt_Total);
    w->Txt_Rate->setFocus();
    type("9");
    EXPECT_EQ(text(w->Txt_Rate), "");
}

// The candidate lists open beside the fields, never over one, end with
// their last entry and answer to keys.
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
    EXPECT_TRUE(w->Lst_Treatment->isVisible());
    type("3");
    check(w->Lst_Treatment, 6);
    Press(Qt::Key_Down);
    Press(Qt::Key_Down);
    enter();
    EXPECT_EQ(text(w->Txt_Treatment) + text(w->Lbl_TreatmentName), "31整形外科");
    EXPECT_EQ(focus(), w->Cmd_Reg);
    EXPECT_FALSE(w->Lst_Treatment->isVisible());
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
    const char* asked;  // the last message's prompt
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
    EXPECT_EQ(folder.messages().shown.back().prompt, c.asked);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
    type(c.retype);
    EXPECT_EQ(text(field), c.retype);
}

// Detail typed from the name on, 登録 with Enter, its confirmation answered
// Yes and the next question No.
void RegisterAnsweringNo(EntryWindow& t, EntryWindow::Detail d, bool socialInsurance = false) {
    t.typeKey(kCity, kRecipient, "20", "04");
    t.typeDetail(d);
    if (socialInsurance) t.w->Cbo_Insurance->setCurrentIndex(0);  // 1:社保 checks the digit
    t.folder.messages().answer(mbYes);
    t.folder.messages().answer(mbNo);
    t.enter();
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
                      &entry::FrmEntry::Txt_Recipient, "000012346", "000012345",
                      "受給者番号が間違っています。\r継続してもよろしいですか？\r"},
        FocusBackCase{"MonthRefusedInTheMonthField",
                      [](EntryWindow& t) { t.typeKey(kCity, kRecipient, "20", "05"); },
                      &entry::FrmEntry::Txt_Diagonosis_Y, "20", "19",
                      "実診療年月に請求月より未来の年月が入力されています。　\r"},
        FocusBackCase{"MonthRefusedInTheYearField",
                      [](EntryWindow& t) {
                          t.typeKey(kCity, kRecipient, "20", "05");
                          ASSERT_TRUE(ShowActive(*t.w));
                          t.type("21");  // 平成21年05月 lies after the claim month
                      },
                      &entry::FrmEntry::Txt_Diagonosis_Y, "21", "20",
                      "実診療年月に請求月より未来の年月が入力されています。　\r"},
        FocusBackCase{"InsurerCheckDigit",
                      [](EntryWindow& t) {
                          EntryWindow::Detail d;
                          d.insuranceNo = "12345675";
                          RegisterAnsweringNo(t, d, true);
                      },
                      &entry::FrmEntry::Txt_InsuranceNo, "12345675", "1234567",
                      "保険者番号が間違っています。\r登録してもよろしいですか？\r"},
        FocusBackCase{"CoPayment",
                      [](EntryWindow& t) {
                          EntryWindow::Detail d;
                          d.payment = "3101";
                          RegisterAnsweringNo(t, d);
                      },
                      &entry::FrmEntry::Txt_Total, "1,000", "1034",
                      "合計点数より求めた金額と自己負担支払額に差額が発生しています。\r登録してもよろしいですか？\r"}),
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

void HalfWidthName(EntryWindow& t) {
    t.typeKey(kCity, kRecipient, "20", "04");
    t.type("ab");
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ThrowAway,
    ::testing::Values(ThrowAwayCase{"HalfWidthNameThenCancel", HalfWidthName, &entry::FrmEntry::Cmd_Can, "キャンセル確認"},
                      ThrowAwayCase{"DepartmentListThenCancel",
                                    [](EntryWindow& t) {
                                        t.typeKey(kCity, kRecipient, "20", "04");
                                        t.w->Txt_Treatment->setFocus();  // its candidate list shows
                                    },
                                    &entry::FrmEntry::Cmd_Can, "キャンセル確認"},
                      ThrowAwayCase{"HalfWidthNameThenEnd", HalfWidthName, &entry::FrmEntry::Cmd_End, "確認"},
                      ThrowAwayCase{"RefusedMonthThenEnd",
                                    [](EntryWindow& t) {
                                        for (const char* k : {kCity, "", kRecipient, "", "20", "05"})
                                            *k ? t.type(k) : t.enter();  // 05 still in the month field
                                    },
                                    &entry::FrmEntry::Cmd_End, "確認"}),
    [](const ::testing::TestParamInfo<ThrowAwayCase>& i) { return std::string(i.param.name); });

TEST_F(EntryKey, CancelAnsweredNoGoesBackToTheFieldAndItsCheck) {
    HalfWidthName(*this);
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

const std::string kConfirm = "登録確認(36): データを登録します。\rよろしいですか？\r\n";
const char* kStoredColumns = "code, recipient, diagnosis, request, eda, total, payment, insurance, insurance_no, "
                             "hospitalization, ratio, treatment, PublicPay1, PublicPay2";

TEST_F(EntryRegister, TypedRowIsStored) {
    typeKey(kCity, kRecipient, "20", "04");
    Detail d;
    d.total = "1234";
    d.payment = "3702";
    d.publicPay1 = "5";
    typeDetail(d);
    enter();  // 登録
    EXPECT_EQ(said(), kConfirm + "処理確認(64): 登録が完了しました。\r\n");
    EXPECT_EQ(rows(kStoredColumns, "FROM T_データ"),
              "'7'|'000012345'|'2008-04-01'|'2008-05-01'|1|1234|3702|2|'12345678'|2|3|20|'05'|NULL\n");
    EXPECT_EQ(rows("code, recipient, name, birthday, n_insurance, n_insurance_no, n_ratio, PublicPay1, PublicPay2",
                   "FROM T_基本"),
              "'7'|'000012345'|'やまだ　たろう'|'2006-07-15'|2|'12345678'|3|'05'|''\n");
    // Back to key entry.
    EXPECT_FALSE(w->keyLocked || w->Txt_Name->isEnabled());
    EXPECT_EQ(fields(), "/ 平成. #1 新規 |||||||||||||||| @Txt_City");
}

TEST_F(EntryRegister, CollectedMessageAndFocusOrder) {
    typeKey(kCity, kRecipient, "20", "04");
    w->Txt_Total->setFocus();
    type("1000");
    enter();
    type("3000");
    folder.messages().clear();
    w->Cmd_Reg->click();
    EXPECT_EQ(said(),
              kConfirm + "入力チェック(4112): [ERR01]氏名は必ず入力してください。　\r\n"
              "[ERR01]生年月日(年)は必ず入力してください。　\r\n"
              "[ERR01]生年月日(月)は必ず入力してください。　\r\n"
              "[ERR01]生年月日(日)は必ず入力してください。　\r\n"
              "[ERR01]保険者番号は必ず入力してください。　\r\n"
              "[ERR01]割合は必ず入力してください。　\r\n\n");
    EXPECT_EQ(focus(), w->Txt_Name);
    EXPECT_EQ(ui::BackColor(w->Txt_Name), ui::kRed);
    EXPECT_EQ(ui::BackColor(w->Txt_InsuranceNo), ui::kRed);
    EXPECT_EQ(ui::BackColor(w->Txt_Total), ui::kWindowColour);
    // Fixing the first fields moves the focus to the next failing one.
    w->Txt_Name->setText(QString::fromUtf8("やまだ"));
    w->Txt_BD_Y->setText("18");
    w->Txt_BD_M->setText("07");
    w->Txt_BD_D->setText("15");
    w->Cmd_Reg->click();
    EXPECT_EQ(focus(), w->Txt_InsuranceNo);
    EXPECT_EQ(ui::BackColor(w->Txt_Name), ui::kWindowColour);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
}

// Rows the check refuses: the collected message, the first red field gets
// the focus, nothing stored; the largest amounts are stored.
TEST_F(EntryRegister, RefusedRows) {
    struct Case {
        Detail d;
        const char* said;
        QWidget* entry::FrmEntry::*focus;
        QLineEdit* entry::FrmEntry::*red;
    };
    Detail bd, pp2, big;
    bd.bdYear = "20";
    bd.bdMonth = "06";
    bd.bdDay = "01";
    pp2.publicPay2 = "12";
    big.total = big.payment = "2147483648";
    const Case cases[] = {
        {bd,
         "[ERR03]生年月日に請求月より未来の年月が入力されています。　\r\n"
         "[ERR06]生年月日に実診療年月より未来の年月が入力されています。　\r\n",
         reinterpret_cast<QWidget* entry::FrmEntry::*>(&entry::FrmEntry::Txt_BD_Y), &entry::FrmEntry::Txt_BD_D},
        {pp2, "[ERR02]公費2の入力に誤りがあります。　\r\n",
         reinterpret_cast<QWidget* entry::FrmEntry::*>(&entry::FrmEntry::Txt_PublicPay2), &entry::FrmEntry::Txt_PublicPay1},
        {big,
         "[ERR05]合計点数の値が最大値を超えています。　\r\n[ERR05]自己負担支払額の値が最大値を超えています。　\r\n",
         reinterpret_cast<QWidget* entry::FrmEntry::*>(&entry::FrmEntry::Txt_Total), &entry::FrmEntry::Txt_Payment},
    };
    for (const Case& c : cases) {
        open();
        folder.messages().clear();
        typeKey(kCity, kRecipient, "20", "04");
        typeDetail(c.d);
        enter();
        EXPECT_EQ(said(), kConfirm + "入力チェック(4112): " + c.said + "\n");
        EXPECT_EQ(focus(), w.data()->*c.focus);
        EXPECT_EQ(ui::BackColor(w.data()->*c.red), ui::kRed);
        EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
    }
    w->Txt_Total->setText("2,147,483,647");
    w->Txt_Payment->setText("2,147,483,647");
    w->Cmd_Reg->click();  // the co-payment question is answered Yes by default
    EXPECT_EQ(rows("total, payment", "FROM T_データ"), "2147483647|2147483647\n");
}

// The co-payment question: its caption follows the kind of amount; inside
// the band nothing is asked.
TEST_F(EntryRegister, CopaymentQuestionNamesTheAmount) {
    struct Case {
        int type;
        const char* tencd;
        const char* total;
        const char* payment;
        const char* kind;  // null: not asked
    };
    const Case cases[] = {{1, "1", "1000", "3100", nullptr},
                          {1, "1", "1000", "2899", "合計点数"},
                          {2, "", "10000", "2900", nullptr},
                          {2, "", "10000", "3101", "請求金額"},
                          {1, "6", "10000", "2899", "請求金額"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tencd) + c.total + "/" + c.payment);
        setSettings(c.type, c.tencd, "2008-05-01");
        DB().Execute("DELETE FROM T_データ");
        open();
        folder.messages().clear();
        Detail d;
        d.total = c.total;
        d.payment = c.payment;
        RegisterAnsweringNo(*this, d);
        const std::string asked = c.kind ? std::string(c.kind) + "より求めた金額と自己負担支払額に差額が発生しています。\r登録してもよろしいですか？\r" : "";
        EXPECT_EQ(shown("入力チェック").empty() ? "" : shown("入力チェック")[0].prompt, asked);
        EXPECT_EQ(count("SELECT count(*) FROM T_データ"), c.kind ? 0 : 1);
    }
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
    ASSERT_EQ(shown("入力チェック").size(), 1u);
    EXPECT_EQ(shown("入力チェック")[0].prompt,
              "同一の診療データが存在します。このまま登録してもよろしいですか？\r\n（参照ボタンで確認できます。）\r");
    EXPECT_EQ(focus(), w->Cmd_Link);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 1);

    // Loading the stored branch for correction: its own row is no duplicate.
    folder.messages().clear();
    w->Cmd_Link->click();
    findReference()->pickBranch(0);
    EXPECT_EQ(text(w->Lbl_EditMode), "修正");
    w->Txt_Total->setText("1,010");
    w->Cmd_Reg->click();
    EXPECT_TRUE(shown("入力チェック").empty());
    EXPECT_EQ(rows("eda, total", "FROM T_データ"), "1|1010\n");

    // Point table 4 never asks.
    setSettings(1, "4", "2008-05-01");
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
    findReference()->pickBranch(1);
    EXPECT_TRUE(w->Cmd_Del->isEnabled());
    EXPECT_EQ(ui::ForeColor(w->Lbl_EditMode), 0xFF0000);
    folder.messages().clear();
    w->Cmd_Del->click();
    EXPECT_EQ(said(), "削除確認(36): データを削除します。\rよろしいですか？\r\n処理確認(64): 削除しました。\r\n");
    EXPECT_EQ(rows("eda", "FROM T_データ ORDER BY eda") + rows("count(*)", "FROM T_基本"), "1\n3\n1\n");
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
    const std::string typed = fields();
    gDB->InjectWriteFailure(1);  // the master row is written, the claim row fails
    enter();
    gDB->InjectWriteFailure(-1);
    auto errors = shown("エラー");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].prompt.rfind("予期せぬエラーです。\r\nエラーコード：", 0), 0u);
    EXPECT_EQ(count("SELECT count(*) FROM T_データ") * 10 + count("SELECT count(*) FROM T_基本"), 11);
    EXPECT_FALSE(gDB->inTransaction());
    // Everything typed is still there; registering again works.
    EXPECT_EQ(fields(), typed);
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
    ModalBoxes boxes(folder.messages());
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
    EXPECT_EQ(fields(), "/ 平成. #1 新規 |||||||||||||||| @Txt_City");
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
