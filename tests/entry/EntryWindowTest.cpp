// The entry window driven with keys: key completion and loading, field
// rules, the check before registration, registration; and its reference window.
// Message styles in said(): 4 yes/no, 16 critical, 32 question, 48 exclamation.
#include <gtest/gtest.h>

#include <sstream>

#include <QApplication>
#include <QComboBox>
#include <QInputMethodQueryEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "EntryFixture.h"
#include "common/Messages.h"
#include "entry/EntryCore.h"
#include "entry/FrmEntry.h"
#include "entry/FrmSubEntry.h"
#include "support/TableDump.h"
#include "support/WindowDriving.h"
#include "ui/Fields.h"

namespace hotaru::test {
namespace {

// The entry window shown and active, driven with keys where the focus is.
class EntryWindow : public EntryFixture {
public:
    void SetUp() override {
        EntryFixture::SetUp();
        open();
    }
    void TearDown() override { close(); }

    void close() {
        if (w) delete w.data();
        while (auto* ref = findReference()) delete ref;
    }
    void open() {
        close();
        w = new entry::FrmEntry;
        closed = false;
        QObject::connect(w.data(), &ui::Form::closed, [this] { closed = true; });
        ASSERT_TRUE(ShowActive(*w));
        w->Txt_City->setFocus();
    }

    static entry::FrmSubEntry* findReference() { return FindWindow<entry::FrmSubEntry>(); }
    static QWidget* focus() { return QApplication::focusWidget(); }

    // Keys from a plan, steps split by spaces: "|" Enter, "^" Up, "v" Down, "!Y"/"!N"
    // the next message box answered, "~" the window activated again, "@Name"
    // the focus put on that control; anything else is typed (Japanese as the
    // input method commits it).
    void keys(const std::string& plan) {
        std::istringstream steps(plan);
        for (std::string s; steps >> s;) {
            if (s == "|") Press(Qt::Key_Return);
            else if (s == "^" || s == "v") Press(s == "^" ? Qt::Key_Up : Qt::Key_Down);
            else if (s == "!Y" || s == "!N") folder.messages().answer(s == "!Y" ? mbYes : mbNo);
            else if (s == "~") ASSERT_TRUE(ShowActive(*w));
            else if (s[0] == '@') w->findChild<QWidget*>(QString::fromStdString(s.substr(1)))->setFocus();
            else TypeText(QString::fromStdString(s));
        }
    }
    // The detail of a new child from Txt_Name to Txt_Total, and the amounts
    // from there to 登録.
    static constexpr const char* kChild = "やまだ　たろう | | 18 07 15 | 12345678 | 3 ";
    static std::string amounts(const char* total = "1000", const char* payment = "3000", const char* rest = "20 | |") {
        return std::string(total) + " | " + payment + " | " + rest + " ";
    }

    static std::string text(const QWidget* c) { return ui::Text(c); }

    // The row as the window shows it, one string: key, branch and mode, the
    // detail fields, and the control with the focus.
    std::string fields() {
        std::string s = text(w->Txt_City) + "/" + text(w->Txt_Recipient) + " " + text(w->Txt_Diagonosis) +
                        text(w->Txt_Diagonosis_Y) + "." + text(w->Txt_Diagonosis_M) + " #" + text(w->Txt_Eda) + " " +
                        text(w->Lbl_EditMode) + (w->Lbl_DataAri->isVisible() ? " 有" : "") + " |";
        for (QLineEdit* e : {w->Txt_Name, w->Txt_BD, w->Txt_BD_Y, w->Txt_BD_M, w->Txt_BD_D, w->Txt_Insurance,
                             w->Txt_InsuranceNo, w->Txt_Hospitalization, w->Txt_Rate, w->Txt_Total, w->Txt_Payment,
                             w->Txt_Treatment, w->Txt_PublicPay1, w->Txt_PublicPay2})
            s += text(e) + "|";
        return s + text(w->Lbl_RateName) + "|" + text(w->Lbl_TreatmentName) + " @" +
               (focus() ? focus()->objectName().toStdString() : "");
    }

    // Every message shown so far, "title(style): prompt" a line; then forgotten.
    std::string said() {
        std::string out;
        for (const auto& s : folder.messages().shown)
            out += s.title + "(" + std::to_string(s.style) + "): " + s.prompt + "\n";
        folder.messages().shown.clear();
        return out;
    }

    QPointer<entry::FrmEntry> w;
    bool closed = false;
};

using entry::EntryRow;
using entry::RegisterEntry;

// City 7 has one code starting with 7; 000012345 carries the right check digit for it.
constexpr const char* kKey = "7 | 000012345 | 20 04 | ";  // 平成20年04月
const std::string kEmpty = "/ 平成. #1 新規 |||||||||||||||| @Txt_City";
const std::string kConfirm = "登録確認(36): データを登録します。\rよろしいですか？\r\n";

EntryRow Stored(const char* eda, const char* total = "1,000", const char* payment = "3,000") {
    EntryRow r = SampleEntryRow();
    r.city = "7", r.eda = eda, r.total = total, r.payment = payment;
    r.publicPay1 = "12", r.publicPay2 = "34";
    return r;
}

using EntryKey = EntryWindow;

TEST_F(EntryKey, KeyLoadsANewChildOrAKnownOne) {
    EXPECT_EQ(fields(), "/ 平成. # 新規 |||||||||||||||| @Txt_City");
    EXPECT_EQ(ui::ForeColor(w->Lbl_EditMode), ui::kRed);
    for (QWidget* d : std::initializer_list<QWidget*>{w->Txt_Name, w->Cbo_Insurance, w->Txt_Total, w->Cmd_Reg,
                                                      w->Cmd_Link, w->Cmd_Del})
        EXPECT_FALSE(d->isEnabled()) << d->objectName().toStdString();
    EXPECT_EQ(std::pair(ui::BackColor(w->Txt_Name), ui::BackColor(w->Txt_City)),
              std::pair(ui::kButtonFaceColour, ui::kWindowColour));
    EXPECT_EQ(w->Lst_City->isVisible() ? w->Lst_City->count() : 0, 49);

    // A new child: the institution's defaults, the key locked and greyed.
    keys(kKey);
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #1 新規 ||平成||||2||2||||20||||小児科 @Txt_Name");
    EXPECT_TRUE(w->keyLocked && w->Txt_City->isReadOnly() && !w->Cbo_Diagonosis->isEnabled());
    EXPECT_EQ(std::pair(ui::BackColor(w->Txt_Name), ui::BackColor(w->Txt_City)),
              std::pair(ui::kWindowColour, ui::kButtonFaceColour));
    EXPECT_FALSE(text(w->Lbl_CityName).empty() || w->Cmd_Link->isEnabled() || w->Cmd_Del->isEnabled());
    EXPECT_EQ(said(), "");

    // A known child of another month: its master row, the total to type.
    EntryRow stored = Stored("1");
    stored.diagMonth = "03";
    RegisterEntry(stored);
    open();
    keys(kKey);
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #1 新規 |やまだ　たろう|平成|18|07|15|2|12345678|2|3|||20|12|34|3割|小児科 @Txt_Total");
}

// Treatment months typed into the key: refused, asked about or loaded.
TEST_F(EntryKey, TreatmentMonthAgainstTheClaimMonth) {
    const std::string future = "処理確認(48): 実診療年月に請求月より未来の年月が入力されています。　\r\n";
    const std::string old = "入力チェック(52): 請求月より37ヶ月以上過去の年月が入力されていますが、\r登録してもよろしいですか？\r\n";
    const struct {
        const char* request;
        const char* plan;
        std::string said;
        const char* shown;  // fields() from the era on
    } cases[] = {
        {"2008-05-01", "20 05 |", future, "平成20.05 # 新規 |||||||||||||||| @Txt_Diagonosis_Y"},
        {"2008-05-01", "19 02 |", "処理確認(48): 実診療年月が、平成19年2月以前のものは入力できません。　\r\n",
         "平成19.02 # 新規 |||||||||||||||| @Txt_Diagonosis_Y"},
        {"2011-05-01", "!N 20 03 |", old, "平成20.03 # 新規 |||||||||||||||| @Txt_Diagonosis_Y"},
        {"2011-05-01", "!Y 20 03 |", old, "平成20.03 #1 新規 ||平成||||2||2||||20||||小児科 @Txt_Name"},
        // Refused in the month field, then retyped there; leaving the year untouched loads nothing.
        {"2008-05-01", "20 05 | | 04 |", future, "平成20.04 #1 新規 ||平成||||2||2||||20||||小児科 @Txt_Name"},
        // The year field allows the claim month itself.
        {"2008-05-01", "20 05 | 20", future, "平成20.05 #1 新規 ||平成||||2||2||||20||||小児科 @Txt_Name"},
        // Another era is checked before it loads: 令和20年05月 lies far after the claim month...
        {"2008-05-01", "20 05 | @Cbo_Diagonosis v", future + future, "令和20.05 # 新規 |||||||||||||||| @Txt_Diagonosis_Y"},
        // ...and 平成31年04月 is a good month after 令和31年 was refused.
        {"2026-02-01", "31 04 | @Cbo_Diagonosis ^", future + old, "平成31.04 #1 新規 ||令和||||2||2||||20||||小児科 @Txt_Name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.request) + " " + c.plan);
        setSettings(1, "1", c.request);
        open();
        said();
        keys(std::string("7 | 000012345 | ") + c.plan);
        EXPECT_EQ(said(), c.said);
        EXPECT_EQ(fields(), "7/000012345 " + std::string(c.shown));
        EXPECT_EQ(w->keyLocked, focus() == w->Txt_Name);
    }
}

TEST_F(EntryKey, CityCodes) {
    keys("99");  // unknown: two digits move on, and it is emptied
    EXPECT_EQ(text(w->Txt_City) + text(w->Lbl_CityName), "");
    EXPECT_EQ(focus(), w->Txt_Recipient);
    EXPECT_FALSE(w->Lst_City->isVisible() || w->Txt_Name->isEnabled());

    keys("@Txt_City 2");
    QTest::mouseClick(w->Lst_City->viewport(), Qt::LeftButton, {}, w->Lst_City->visualItemRect(w->Lst_City->item(1)).center());
    EXPECT_EQ(text(w->Txt_City), "20");
    EXPECT_FALSE(text(w->Lbl_CityName).empty() || w->isPicking);
    EXPECT_EQ(focus(), w->Txt_Recipient);
}

// With the input method left on after a name, digits arrive as its commits
// in full width: the digit fields tell it to switch off, and whatever it
// still commits is typed as half-width digits; anything else is dropped.
TEST_F(EntryKey, DigitsFromTheInputMethodAreTypedHalfWidth) {
    for (const char* typed : {"７", "", "００００１２３４５", "", "２０", "０４", "", "やまだ", "", "", "１８０７１５", "",
                              "あ", "１２３４５６７８", "@", "１２３４", ""}) {
        if (*typed == '@') w->Txt_Total->setFocus();
        else *typed ? Commit(QString::fromUtf8(typed)) : Press(Qt::Key_Return);  // nine digits, two birth-date digits move on
    }
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #1 新規 |やまだ|平成|18|07|15|2|12345678|2||1,234||20||||小児科 @Txt_Payment");
    // Asked as the platform asks, the key fields locked: on in the name, off
    // in every digit field (one read-only and opened again: FormFieldsTest).
    auto imOn = [](QLineEdit* e) {
        QInputMethodQueryEvent query(Qt::ImEnabled);
        QApplication::sendEvent(e, &query);
        return query.value(Qt::ImEnabled).toBool();
    };
    EXPECT_TRUE(imOn(w->Txt_Name));
    for (QLineEdit* e : {w->Txt_City, w->Txt_Recipient, w->Txt_Diagonosis_Y, w->Txt_Diagonosis_M, w->Txt_BD_Y, w->Txt_BD_M,
                         w->Txt_BD_D, w->Txt_InsuranceNo, w->Txt_Rate, w->Txt_Total, w->Txt_Payment, w->Txt_Treatment,
                         w->Txt_PublicPay1, w->Txt_PublicPay2})
        EXPECT_FALSE(imOn(e) || e->inputMethodQuery(Qt::ImEnabled).toBool()) << e->objectName().toStdString();
}

// Letters never reach a digit field and Enter never reaches any; amounts get
// their separators and move on at ten digits, dropping an eleventh; an
// unknown ratio is emptied (a known one moves on: the acceptance month).
TEST_F(EntryKey, FieldRulesWhileTyping) {
    keys(std::string(kKey) + "@Txt_BD_Y a1 | @Txt_Total 12345678901");
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #1 新規 ||平成|01|||2||2||1,234,567,890||20||||小児科 @Txt_Payment");
    keys("@Txt_Rate 9");
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #1 新規 ||平成|01|||2||2||1,234,567,890||20||||小児科 @Txt_Total");
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
    keys("1");
    check(w->Lst_City, 11);
    Press(Qt::Key_Backspace);
    keys(std::string(kKey) + "@Txt_Treatment");
    EXPECT_TRUE(w->Lst_Treatment->isVisible());
    keys("3");
    check(w->Lst_Treatment, 6);
    keys("v v |");
    EXPECT_EQ(text(w->Txt_Treatment) + text(w->Lbl_TreatmentName), "31整形外科");
    EXPECT_EQ(focus(), w->Cmd_Reg);
    EXPECT_FALSE(w->Lst_Treatment->isVisible());
}

// A field that gets the focus back after a question answered No or a
// refused month has its whole text selected, so the right value is typed
// over the wrong one.  Real message boxes take the focus away meanwhile.
// The co-payment question names the kind of amount the institution claims.
TEST_F(EntryKey, FocusBackSelectsTheWholeTextForTypingOver) {
    const std::string coPay = "より求めた金額と自己負担支払額に差額が発生しています。\r登録してもよろしいですか？\r";
    const std::string future = "実診療年月に請求月より未来の年月が入力されています。　\r";
    const struct {
        std::string plan;
        const char* field;
        const char* wrong;
        const char* retype;
        std::string asked;  // the last message's prompt
        int type = 1;       // of institution, with its point table
        const char* tencd = "1";
    } cases[] = {
        {"!N 7 | 000012346", "Txt_Recipient", "000012346", "000012345", "受給者番号が間違っています。\r継続してもよろしいですか？\r"},
        {"7 | 000012345 | 20 05 |", "Txt_Diagonosis_Y", "20", "19", future},
        {"7 | 000012345 | 20 05 | ~ 21", "Txt_Diagonosis_Y", "21", "20", future},  // 平成21年05月 lies after the claim month
        {std::string(kKey) + "やまだ | | 18 07 15 ^ | 12345675 | 3 " + amounts() + "!Y !N |",  // 1:社保 checks the digit
         "Txt_InsuranceNo", "12345675", "1234567", "保険者番号が間違っています。\r登録してもよろしいですか？\r"},
        {kKey + std::string(kChild) + amounts("1000", "3101") + "!Y !N |", "Txt_Total", "1,000", "1034", "合計点数" + coPay},
        {kKey + std::string(kChild) + amounts("10000", "3101") + "!Y !N |", "Txt_Total", "10,000", "1034", "請求金額" + coPay, 2, ""},
    };
    ModalBoxes boxes(folder.messages());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plan);
        setSettings(c.type, c.tencd, "2008-05-01");
        open();
        keys(c.plan);
        ASSERT_TRUE(ShowActive(*w));
        auto* field = w->findChild<QLineEdit*>(c.field);
        ASSERT_EQ(focus(), field);
        EXPECT_EQ(field->selectedText().toStdString(), c.wrong);
        EXPECT_EQ(folder.messages().shown.back().prompt, c.asked);
        EXPECT_EQ(Count("SELECT count(*) FROM T_データ"), 0);
        keys(c.retype);
        EXPECT_EQ(text(field), c.retype);
    }
}

// キャンセル and 終了 throw the row away: the leave check of the field being
// left (a half-width name, a refused month still in its field) or an open
// candidate list never swallows them.
TEST_F(EntryKey, CancelAndEndAreNotSwallowedByTheLeaveCheck) {
    const std::string name = std::string(kKey) + "ab";
    const std::string cancel = "キャンセル確認(36): 表示されているデータをキャンセルします。\rよろしいですか？\r\n";
    const std::string end = "確認(36): 終了してもよろしいですか？\n";
    const struct {
        std::string plan;
        bool end;
    } cases[] = {{name, false}, {std::string(kKey) + "@Txt_Treatment", false}, {name, true}, {"7 | 000012345 | 20 05", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plan);
        open();
        keys(c.plan);
        said();
        QTest::mouseClick(c.end ? w->Cmd_End : w->Cmd_Can, Qt::LeftButton);
        EXPECT_EQ(said(), c.end ? end : cancel);
        EXPECT_EQ(closed, c.end);
        EXPECT_EQ(c.end || (fields() == kEmpty && !w->keyLocked && !w->Lst_Treatment->isVisible()), true) << fields();
    }
    // Answered No: back to the field, its text selected, and leaving it runs
    // its check (a half-width name is refused).
    open();
    keys(name + " !N");
    QTest::mouseClick(w->Cmd_Can, Qt::LeftButton);
    EXPECT_EQ(focus(), w->Txt_Name);
    EXPECT_EQ(w->Txt_Name->selectedText().toStdString(), "ab");
    Press(Qt::Key_Return);
    EXPECT_EQ(said(), cancel + "処理確認(16): 氏名は全角で入力してください\r\n");
    EXPECT_EQ(focus(), w->Txt_Name);
    // 終了 answered No keeps the window and the row.
    keys("!N");
    w->Cmd_End->click();
    EXPECT_EQ(said(), end);
    EXPECT_FALSE(closed || !w->keyLocked);
}

// ---- Check and registration -------------------------------------------------

using EntryRegister = EntryWindow;

// Rows the check refuses: the collected message, the focus on the failing
// field first in tab order (or the one its rule names), every failing field
// red, nothing stored.
TEST_F(EntryRegister, RefusedRows) {
    const struct {
        std::string plan;
        const char* said;
        const char* focusAndRed;
    } cases[] = {
        {"@Txt_Total " + amounts(),
         "[ERR01]氏名は必ず入力してください。　\r\n[ERR01]生年月日(年)は必ず入力してください。　\r\n"
         "[ERR01]生年月日(月)は必ず入力してください。　\r\n[ERR01]生年月日(日)は必ず入力してください。　\r\n"
         "[ERR01]保険者番号は必ず入力してください。　\r\n[ERR01]割合は必ず入力してください。　\r\n",
         "Txt_Name: Txt_Name Txt_BD_Y Txt_BD_M Txt_BD_D Txt_InsuranceNo Txt_Rate"},
        {kChild + amounts("1000", "3000", "20 | 12"), "[ERR02]公費2の入力に誤りがあります。　\r\n",
         "Txt_PublicPay2: Txt_PublicPay1 Txt_PublicPay2"},
    };
    auto shown = [this] {
        std::string s = focus()->objectName().toStdString() + ":";
        for (QLineEdit* e : w->findChildren<QLineEdit*>())
            if (ui::BackColor(e) == ui::kRed) s += " " + e->objectName().toStdString();
        return s;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plan);
        open();
        said();
        keys(kKey + c.plan + " |");
        EXPECT_EQ(said(), kConfirm + "入力チェック(4112): " + c.said + "\n");
        EXPECT_EQ(shown(), c.focusAndRed);
        EXPECT_EQ(Count("SELECT count(*) FROM T_データ"), 0);
    }
    // The largest amounts are stored (the co-payment question is answered Yes by default).
    open();
    keys(kKey + std::string(kChild) + "2147483647 2147483647 20 | | |");
    EXPECT_EQ(rows("total, payment", "FROM T_データ"), "2147483647|2147483647\n");
}

TEST_F(EntryRegister, DuplicateQuestionNamesTheReference) {
    RegisterEntry(Stored("1"));
    keys(std::string(kKey) + "@Txt_Total " + amounts() + "!Y !N |");  // branch 2 proposed
    EXPECT_EQ(said(), kConfirm + "入力チェック(52): 同一の診療データが存在します。このまま登録してもよろしいですか？\r\n"
                                 "（参照ボタンで確認できます。）\r\n");
    EXPECT_EQ(text(w->Txt_Eda) + " @" + focus()->objectName().toStdString(), "2 @Cmd_Link");
    EXPECT_EQ(Count("SELECT count(*) FROM T_データ"), 1);
}

// A real message box takes the window's activation away: the focus given
// back to 市町村 after 登録 or キャンセル arrives when the window is active
// again, with the city candidates and an empty row.
TEST_F(EntryRegister, CityCandidatesShowAgainAfterRegisterAndCancel) {
    ModalBoxes boxes(folder.messages());
    for (bool registering : {false, true}) {
        keys(kKey);
        if (registering) keys(kChild + amounts() + "|");
        else QTest::mouseClick(w->Cmd_Can, Qt::LeftButton);
        ASSERT_TRUE(ShowActive(*w));
        EXPECT_EQ(fields(), kEmpty);
        EXPECT_TRUE(w->Lst_City->isVisible() && !w->keyLocked) << registering;
    }
    EXPECT_EQ(rows("eda, total, payment", "FROM T_データ"), "1|1000|3000\n");
}

// The branch-number reference window.
using entry::FrmSubEntry;

class Reference : public EntryWindow {
public:
    // Odd branches 国保 and 小児科, even ones 退職 and 整形外科.
    void store(int eda, long long total, long long payment) {
        entry::EntryRow r = SampleEntryRow();
        r.city = "7", r.eda = std::to_string(eda), r.total = std::to_string(total), r.payment = std::to_string(payment);
        r.publicPay1 = "0" + std::to_string(eda % 10);
        r.treatment = eda % 2 ? "20" : "31";
        r.insurance = eda % 2 ? 2 : 3;
        entry::RegisterEntry(r);
    }
    FrmSubEntry* openReference(std::initializer_list<int> branches) {
        for (int b : branches) store(b, 1000 * b, 3000 * b);
        keys("7 | 000012345 | 20 04 |");
        w->Cmd_Link->click();
        return findReference();
    }
    // Runs the attempt with the n-th write statement failing, n = 0, 1, ...
    // until one goes through; after each failure the database, the program
    // folder and the row shown are as before it.  Returns the failed attempts;
    // what the last attempt said is in told.
    int failEachWrite(const std::function<void()>& attempt) {
        auto row = [this] { return fields().substr(0, fields().rfind(" @")); };
        for (int n = 0; n <= 20; ++n) {
            const std::string db = DumpDatabase(folder.live()), shown = row();
            const auto files = DumpFolder(folder.dir());
            said();
            gDB->InjectWriteFailure(n);
            attempt();
            gDB->InjectWriteFailure(-1);
            told = said();
            if (told.find("エラー(48)") == std::string::npos) return n;
            SCOPED_TRACE("write " + std::to_string(n) + " failed");
            EXPECT_NE(told.find("エラー(48): 予期せぬエラーです。\r\nエラーコード： 3043\r\n"), std::string::npos) << told;
            EXPECT_FALSE(gDB->inTransaction());
            EXPECT_EQ(DumpDatabase(folder.live()), db);
            EXPECT_EQ(DumpFolder(folder.dir()), files);
            EXPECT_EQ(row(), shown);
        }
        ADD_FAILURE() << "the attempt never went through";
        return -1;
    }
    std::string told;
    // The grid, a line per visible row; "+" when 追加 shows.
    static std::string grid(FrmSubEntry* ref) {
        std::string s;
        for (std::size_t r = 0; r < ref->Txt_edaban.size() && ref->Txt_edaban[r]->isVisibleTo(ref); ++r)
            s += text(ref->Txt_edaban[r]) + "|" + text(ref->Txt_simei[r]) + "|" + text(ref->Txt_hoken[r]) + "|" +
                 text(ref->Txt_goukei[r]) + "|" + text(ref->Txt_jiko[r]) + "\n";
        return s + (ref->Cmd_tuika->isVisibleTo(ref) ? "+" : "");
    }
};

TEST_F(Reference, GridShowsTheBranchesInOrderUpToTen) {
    store(2, 1234567, 0);
    FrmSubEntry* ref = openReference({1});
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->windowTitle().toStdString(), "参照");
    EXPECT_EQ(grid(ref), "1|やまだ　たろう|12345678|1,000|3,000\n2|やまだ　たろう|12345678|1,234,567|\n+");  // zero shows empty
    EXPECT_EQ(said(), "");

    for (int last : {10, 11}) {
        SCOPED_TRACE(last);
        DB().Execute("DELETE FROM T_データ");
        open();
        for (int b = 1; b <= last; ++b) store(b, 1000 * b, 3000 * b);
        ref = openReference({});
        EXPECT_TRUE(grid(ref).ends_with("\n10|やまだ　たろう|12345678|10,000|30,000\n")) << grid(ref);  // no 追加
        EXPECT_EQ(said(), last == 10 ? "" : "Hotaru(0): 枝番が１０を超えています。\n");
    }
}

// A picked branch shows its own values, not the child's latest master ones;
// correcting one amount keeps the others.  Branch 0 picks nothing and 戻る
// changes nothing.
TEST_F(Reference, PickLoadsTheBranchWithItsOwnValues) {
    FrmSubEntry* ref = openReference({1, 2});
    ASSERT_NE(ref, nullptr);
    const std::string before = fields();
    ref->Txt_edaban[0]->setText("0");
    ref->pickBranch(0);
    ref->Cmd_modoru->click();
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(fields(), before);

    ref = openReference({});
    QTest::mouseDClick(ref->Txt_edaban[1], Qt::LeftButton);
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #2 修正 有 |やまだ　たろう|平成|18|07|15|3|12345678|2|3|2,000|6,000|31|02||3割|整形外科 @Txt_Total");
    EXPECT_EQ(ui::ForeColor(w->Lbl_EditMode), 0xFF0000);
    EXPECT_TRUE(w->Cmd_Del->isEnabled() && !w->Lst_Treatment->isVisible());
    w->Txt_Payment->setText("6,001");
    w->Cmd_Reg->click();
    EXPECT_EQ(rows("eda, payment, PublicPay1, treatment, insurance", "FROM T_データ ORDER BY eda"), "1|3000|'01'|20|2\n2|6001|'02'|31|3\n");
}

// 追加 proposes one above the highest branch, with the settings' insurance
// even when the child's master row names another; 削除 then finds nothing.
TEST_F(Reference, AddGivesOneAboveTheHighestWithTheSettingsDefaults) {
    FrmSubEntry* ref = openReference({1, 2, 5, 6});  // the master row now names 3:退職
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(text(w->Cbo_Insurance), "3:退職");  // loaded from the child
    ref->Cmd_tuika->click();
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(fields(), "7/000012345 平成20.04 #7 新規 有 |やまだ　たろう|平成|18|07|15|2|12345678|2|3|||20|06||3割|小児科 @Txt_Total");
    EXPECT_FALSE(w->Cmd_Del->isEnabled());

    // From 修正 the window stays in 修正 with 削除, which deletes nothing.
    open();
    openReference({})->pickBranch(0);
    ASSERT_EQ(text(w->Lbl_EditMode), "修正");
    w->Cmd_Link->click();
    findReference()->Cmd_tuika->click();
    ASSERT_TRUE(w->Cmd_Del->isEnabled());
    const std::string before = fields();
    said();
    w->Cmd_Del->click();
    EXPECT_EQ(said(), "削除確認(36): データを削除します。\rよろしいですか？\r\n削除確認(48): 削除するデータがありません。\r\n");
    EXPECT_EQ(Count("SELECT count(*) FROM T_データ"), 4);
    EXPECT_TRUE(w->keyLocked);  // nothing changed on the screen either
    EXPECT_EQ(fields(), before);
}

// Each write of a correction, then of a deletion, fails in turn.
TEST_F(Reference, FailingWritesOfACorrectionOrADeletionChangeNothing) {
    QTest::mouseDClick(openReference({1, 2})->Txt_edaban[1], Qt::LeftButton);
    keys("2100 | 6300 |");
    EXPECT_EQ(failEachWrite([&] { test::Click(w->Cmd_Reg); }), 2);
    QTest::mouseDClick(openReference({})->Txt_edaban[0], Qt::LeftButton);
    EXPECT_EQ(failEachWrite([&] { test::Click(w->Cmd_Del); }), 1);
    EXPECT_EQ(told, "削除確認(36): データを削除します。\rよろしいですか？\r\n処理確認(64): 削除しました。\r\n");
    EXPECT_EQ(rows("eda, total", "FROM T_データ"), "2|2100\n");
}

// The entry window brought back by hand and its row cancelled, or closed:
// the grid of the old child must not serve the next key.
TEST_F(Reference, ClearingOrClosingTheEntryWindowClosesAnOpenReference) {
    ASSERT_NE(openReference({1, 2, 3}), nullptr);
    w->showNormal();
    ASSERT_TRUE(ShowActive(*w));
    w->Cmd_Can->click();
    EXPECT_EQ(said(), "キャンセル確認(36): 表示されているデータをキャンセルします。\rよろしいですか？\r\n");
    EXPECT_FALSE(w->keyLocked || w->isMinimized());
    EXPECT_EQ(findReference(), nullptr);
    EXPECT_EQ(focus(), w->Txt_City);

    QPointer<FrmSubEntry> ref = openReference({});
    ASSERT_TRUE(ref);
    w->close();
    EXPECT_FALSE(ref && ref->isVisible());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(ref);
}

}  // namespace
}  // namespace hotaru::test
