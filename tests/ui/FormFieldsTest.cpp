// The key, focus and check rules every data-entry window is built from,
// driven through one small window; the code lists and the message boxes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QInputMethodQueryEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "support/TestSupport.h"
#include "ui/CodeLists.h"
#include "ui/Fields.h"
#include "ui/Form.h"
#include "ui/InputCheck.h"
#include "ui/QtMessages.h"
#include "support/WindowDriving.h"

using namespace hotaru;
using namespace hotaru::ui;
using hotaru::test::Press;
using hotaru::test::Type;

namespace {

// Created in an order other than the tab order (a b c d combo), b inside a
// frame; the button is no tab stop.  Its messages are scripted.
class Window : public Form {
public:
    Window() {
        setAttribute(Qt::WA_DeleteOnClose, false);
        auto* layout = new QVBoxLayout(this);
        auto* frame = new QFrame(this);
        d = add(new QLineEdit(this), "d", layout);
        b = add(new QLineEdit(frame), "b", new QVBoxLayout(frame));
        layout->addWidget(frame);
        a = add(new QLineEdit(this), "a", layout);
        c = add(new QLineEdit(this), "c", layout);
        combo = add(new QComboBox(this), "combo", layout);
        button = add(new QPushButton("登録", this), "button", layout);
        int i = 0;
        for (QWidget* w : std::initializer_list<QWidget*>{a, b, c, d, combo}) setTabIndex(w, i++);
        setTabIndex(button, i, false);
        indexControls();
        EXPECT_TRUE(test::ShowActive(*this));
    }
    // The checks run in an order other than the tab order.
    bool check() {
        BeginInputCheck();
        if (c->text().trimmed().isEmpty()) MarkFailed(c, "ERR01", "名称"); else ResetFieldColour(c);
        if (b->text().trimmed().isEmpty()) MarkFailed(b, "ERR01", "機関番号"); else ResetFieldColour(b);
        if (combo->currentIndex() < 0) MarkFailed(combo, "ERR01", "保険種別"); else ResetFieldColour(combo);
        return FinishInputCheck();
    }
    // The focused control, its selected text and the fields shown red.
    std::string state() const {
        QWidget* f = QApplication::focusWidget();
        std::string s = f ? f->objectName().toStdString() : "-";
        if (auto* e = qobject_cast<QLineEdit*>(f)) s += "[" + e->selectedText().toStdString() + "]";
        for (QWidget* w : std::initializer_list<QWidget*>{a, b, c, d, combo})
            if (BackColor(w) == kRed) s += " red:" + w->objectName().toStdString();
        return s;
    }
    QLineEdit *a, *b, *c, *d;
    QComboBox* combo;
    QPushButton* button;
    ScriptedMessages script;
    ScopedPresenter use{script};

private:
    template <class W>
    W* add(W* w, const char* name, QBoxLayout* layout) {
        w->setObjectName(name);
        layout->addWidget(w);
        return w;
    }
};

std::string Focused() { return QApplication::focusWidget()->objectName().toStdString(); }

}  // namespace

// Keypad Enter too; after the last, the first; disabled, hidden and
// non-stop controls are skipped.
// (Enter on a focused button: every window's 登録 in the acceptance month.)
TEST(Form, EnterAndTabFollowTheTabIndexSkippingWhatCannotTakeTheFocus) {
    Window w;
    QSignalSpy pressedB(w.b, &QLineEdit::returnPressed);
    w.a->setFocus();
    std::string walk;
    auto press = [&](Qt::Key key) { Press(key), walk += Focused() + " "; };
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Return, Qt::Key_Return, Qt::Key_Return, Qt::Key_Tab})
        press(key);
    w.c->setEnabled(false);
    w.d->hide();
    w.setTabIndex(w.a, 0, false);
    w.indexControls();
    press(Qt::Key_Return), press(Qt::Key_Return);
    EXPECT_EQ(walk + std::to_string(pressedB.count()), "b c d combo a b combo b 0");  // the form takes Enter
}

// Typed keys: digits and Backspace only, a full-width digit key as its
// half-width digit.  The input method is told the field takes none, even
// once the field was read-only and opened again.  (What one still commits:
// the entry window's test, field by field.)
TEST(Fields, DigitFieldsTakeDigitsOnlyFromKeysAndInputMethods) {
    Window w;
    DigitsOnly(w.a);
    w.a->setFocus();
    Type("1a2-3 .");
    QKeyEvent wideDigit(QEvent::KeyPress, 0, Qt::NoModifier, "４");
    QApplication::sendEvent(w.a, &wideDigit);
    Press(Qt::Key_Backspace);
    Press(Qt::Key_Left);  // moving the caret is no typing
    Type("9");
    EXPECT_EQ(w.a->text(), "192");

    w.a->setReadOnly(true);
    w.a->setReadOnly(false);
    QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImHints);
    QApplication::sendEvent(w.a, &query);
    EXPECT_FALSE(query.value(Qt::ImEnabled).toBool());
    EXPECT_TRUE(query.value(Qt::ImHints).isValid());
}

TEST(Fields, FocusRulesSelectAdvanceAndReformat) {
    Window w;
    bool allowed = false, suspend = true;
    SelectAllOnFocus(w.b);
    SelectAllOnFocus(w.c, [&] { return allowed; });
    DigitsOnly(w.a);
    AdvanceAt(w.a, 2, w.c);
    ReformatOnLeave(w.a, "00");
    ReformatOnLeave(w.d, "#,###,###,###,###");
    AdvanceAt(w.d, 1, [&]() -> QWidget* { return w.a; }, &suspend);
    w.b->setText("12345");
    w.c->setText("678");
    std::vector<std::string> steps;
    auto step = [&](auto action) { action(), steps.push_back(w.state() + " " + (w.a->text() + "," + w.d->text()).toStdString()); };
    QSignalSpy changed(w.a, &QLineEdit::textChanged);
    w.a->setFocus();
    step([] { Type("1"); });
    step([] { Type("2"); });                                    // full: on to c, not selected there yet
    step([&] { w.b->setFocus(), w.a->setText("34"); });         // the program's change moves on too
    step([&] { w.b->setFocus(), w.isLoading = true, w.a->setText("56"), w.isLoading = false; });
    step([&] { w.d->setText("7"); });                           // suspended
    step([&] { allowed = true, w.a->setFocus(), w.a->setText(""), Type("5"), w.d->setFocus(); });
    step([&] { QTest::mouseClick(w.c, Qt::LeftButton, {}, QPoint(2, 2)), QCoreApplication::processEvents(); });
    step([&] { w.d->setText("1234567"), w.d->setFocus(), w.b->setFocus(); });
    step([&] { w.d->setText("12x"), w.d->setFocus(), w.a->setFocus(); });  // not a number: as typed
    EXPECT_EQ(steps, (std::vector<std::string>{"a[] 1,", "c[] 12,", "c[] 34,", "b[12345] 56,", "b[12345] 56,7",
                                               "d[] 05,7", "c[678] 05,7", "b[12345] 05,1,234,567", "a[] 05,12x"}));
    EXPECT_EQ(changed.count(), 7);  // reformatting runs the change rules without moving the focus
}

// A failed validation keeps the focus and swallows the click that tried to
// leave; a numeric check on leaving puts the focus back with the text
// selected, and says nothing about an empty field.
TEST(Fields, FailedValidationKeepsTheFocusAndNothingElseRuns) {
    Window w;
    bool valid = false;
    std::string hooks;
    OnValidate(w.a, [&] { return valid; });
    OnLostFocus(w.a, [&] { hooks += "lostA "; });
    OnGotFocus(w.b, [&] { hooks += "gotB "; });
    OnLostFocus(w.b, [&] { hooks += "lostB "; });
    OnLostFocus(w.c, [&] { CheckNumericField(w.c, "生年月日"); });
    QSignalSpy clicked(w.button, &QPushButton::clicked);
    w.a->setText("x");
    w.a->setFocus();
    Press(Qt::Key_Return);
    Press(Qt::Key_Tab);
    QTest::mouseClick(w.button, Qt::LeftButton);
    EXPECT_EQ(w.state() + " " + hooks + std::to_string(clicked.count()), "a[x] 0");
    valid = true;
    Press(Qt::Key_Return);
    QTest::mouseClick(w.button, Qt::LeftButton);
    EXPECT_EQ(hooks + std::to_string(clicked.count()), "lostA gotB lostB 1");

    w.c->setText("1a");  // pasted text can hold anything
    w.c->setFocus();
    Press(Qt::Key_Return);
    ASSERT_EQ(w.script.shown.size(), 1u);
    EXPECT_EQ(test::Msg(w.script.shown[0]) + " " + w.state(), "処理確認|48|生年月日の入力に誤りがあります\r c[1a]");
    w.c->setText("  ");
    Press(Qt::Key_Return);
    EXPECT_EQ(w.script.shown.size(), 1u);
    EXPECT_EQ(Focused(), "d");
}

// A failing drop-down gets the focus, without text to select.  (One message
// for every failure, the red cleared once a field passes, the collected
// text: the settings windows' refused rows.)
TEST(InputCheck, TheFirstFailureInTabOrderGetsTheFocus) {
    Window w;
    w.b->setText("0123456");
    w.c->setText("ホタル医院");
    w.a->setFocus();
    EXPECT_FALSE(w.check());
    EXPECT_EQ(w.state(), "combo red:combo");

    // The first error in tab order, though the checks ran out of it; a code
    // without a control is replaced.
    ErrFocus f;
    std::string kept;
    for (auto [ctl, code] : std::initializer_list<std::pair<QWidget*, const char*>>{
             {w.c, ""}, {nullptr, "ERR04"}, {w.c, "ERR01"}, {nullptr, "ERR02"}, {w.combo, "ERR02"}, {w.b, "ERR05"}}) {
        NoteFirstError(f, ctl, code);
        kept += f.Code + "/" + (f.Ctl ? f.Ctl->objectName().toStdString() : "-") + " ";
    }
    EXPECT_EQ(kept, "/- ERR04/- ERR01/c ERR01/c ERR01/c ERR05/b ");
}

// BGR numbers or system colours, on fields (enabled or not), the closed face
// of a drop-down and label text; the hourglass goes however its scope ends.
TEST(Fields, ColoursAreBgrNumbersOrSystemColoursAndTheHourglassAlwaysGoes) {
    Window w;
    QLabel label(&w);
    EXPECT_EQ(std::pair(BackColor(w.a), BackColor(&label)), std::pair(kWindowColour, kButtonFaceColour));
    const QPalette app = QApplication::palette();
    w.d->setEnabled(false);
    for (auto [colour, expected] : {std::pair<long, QColor>{255, QColor(255, 0, 0)}, {0xFF0000, QColor(0, 0, 255)},
                                    {0x00C0FFFF, QColor(255, 255, 192)}, {kButtonFaceColour, app.color(QPalette::Button)},
                                    {kWindowColour, app.color(QPalette::Base)}}) {
        for (QWidget* f : std::initializer_list<QWidget*>{w.a, w.d, w.combo}) SetBackColor(f, colour);
        SetForeColor(&label, colour);
        EXPECT_EQ(std::pair(BackColor(w.a), ForeColor(&label)), std::pair(colour, colour));
        const std::vector<QColor> shown{w.a->palette().color(QPalette::Base), w.d->palette().color(QPalette::Disabled, QPalette::Base),
                                        w.combo->palette().color(QPalette::Button), label.palette().color(QPalette::WindowText)};
        EXPECT_EQ(shown, std::vector<QColor>(4, expected)) << colour;
    }

    try {
        BusyCursor busy;
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("failed");
    } catch (const std::exception&) {
    }
    BusyCursor busy;
    busy.release();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Entries "code:name" with the code as item data, appended to what the list
// holds; a typed prefix goes in as a value, never into the statement; an
// unreadable source shows the standard error and adds nothing.
TEST(CodeLists, FilledFromATableOrAStatementWithATypedPrefix) {
    test::ProgramFolder folder;
    QComboBox combo;
    ASSERT_TRUE(FillCodeList("T_保険種別", &combo));
    ASSERT_TRUE(FillCodeList("SELECT * FROM T_元号 WHERE code > 3", &combo));
    EXPECT_FALSE(FillCodeList("T_無い表", &combo));
    std::string entries;
    for (int i = 0; i < combo.count(); ++i) entries += combo.itemText(i).toStdString() + "=" + std::to_string(*ItemCode(&combo, i)) + " ";
    EXPECT_EQ(entries, "1:社保=1 2:国保=2 3:退職=3 4:その他=4 4:平成=4 5:令和=5 ");
    ASSERT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(folder.messages().shown[0].title, "エラー");

    QListWidget list;
    const std::string like = "SELECT * FROM T_保険種別 Where (T_保険種別.code) Like ?";
    ASSERT_TRUE(FillCodeList(like, &list, {std::string("2*")}));
    ASSERT_TRUE(FillCodeList(like, &list, {"' OR 1=1 --*"}));
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.item(0)->text().toStdString() + "=" + std::to_string(*ItemCode(&list, 0)), "2:国保=2");
}

// The key before the colon matches exactly; no match leaves the pick as it
// was, and the window's pick rule runs for the program's choice too.
TEST(CodeLists, SelectByCodeAndNoSelectionIsNotCodeZero) {
    QComboBox combo;
    EXPECT_FALSE(SelectedCode(&combo).has_value());
    for (auto [text, code] : {std::pair{"1:社保", 1}, {"10:十", 10}, {"0:なし", 0}}) combo.addItem(text, code);
    combo.addItem("NoColon");
    QSignalSpy changed(&combo, &QComboBox::currentIndexChanged);
    std::string picks;
    for (const char* code : {"10", "3", "  ", " 1", "1", "0", "NoColon"}) {
        const bool found = SelectComboByCode(&combo, code);
        const auto selected = SelectedCode(&combo);
        picks += std::string(found ? "+" : "-") + std::to_string(combo.currentIndex()) + ":" +
                 (selected ? std::to_string(*selected) : "none") + " ";
    }
    EXPECT_EQ(picks, "+1:10 -1:10 -1:10 -1:10 +0:1 +2:0 +3:none ");
    EXPECT_EQ(changed.count(), 4);
    combo.setCurrentIndex(-1);
    EXPECT_EQ(SelectedText(&combo) + (SelectedCode(&combo) ? "code" : ""), "");
}

// Each box: the answer to Enter (the default button) or Escape, the icon,
// the buttons, the default one, the title and the text; and room for the
// whole title besides the window's icon and buttons, even for a short message.
TEST(QtMessages, IconsButtonsAnswersAndWidth) {
    struct Case { const char* prompt; int style; const char* title; Qt::Key key; const char* expected; };
    const Case cases[] = {
        {"よろしいですか？", mbYesNo + mbExclamation + mbDefaultButton2, "処理確認", Qt::Key_Return,
         "7 2 いいえ(&N),はい(&Y) いいえ(&N) 処理確認 よろしいですか？"},
        {"x\ry", mbCritical, "エラー", Qt::Key_Return, "1 3 OK OK エラー x\ny"},
        {"登録が完了しました。\r", mbYesNo + mbQuestion, "確認", Qt::Key_Return, "6 4 いいえ(&N),はい(&Y) はい(&Y) 確認 登録が完了しました。"},
        {"a\r\nb", mbOKCancel + mbInformation, "キャンセル確認", Qt::Key_Escape, "2 1 OK,キャンセル OK キャンセル確認 a\nb"},
        {"r", mbRetryCancel, "該当件数チェック", Qt::Key_Return, "4 0 キャンセル,再試行(&R) 再試行(&R) 該当件数チェック r"},
        {"r", mbYesNoCancel + mbDefaultButton3, "t", Qt::Key_Return, "2 0 いいえ(&N),はい(&Y),キャンセル キャンセル t r"},
    };
    for (const Case& c : cases) {
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            QStringList buttons;
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            buttons.sort();
            seen = " " + QString::number(box->icon()) + " " + buttons.join(",") + " " +
                   (box->defaultButton() ? box->defaultButton()->text() : "-") + " " + box->windowTitle() + " " + box->text();
            QFont bold = box->font();
            bold.setBold(true);
            EXPECT_GE(box->width(), QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 120) << c.title;
            QTest::keyClick(box, c.key);
        });
        const int answer = QtMessages().show(c.prompt, c.style, c.title);
        EXPECT_EQ((QString::number(answer) + seen).toStdString(), c.expected);
    }
}

// Qt's own buttons and dialogs (save, folder, print) as the program shows them.
TEST(QtMessages, QtsOwnButtonsAndDialogsSpeakJapanese) {
    InstallApplicationLook();
    QDialogButtonBox box(QDialogButtonBox::Save | QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text() + box.button(QDialogButtonBox::Open)->text() +
                  box.button(QDialogButtonBox::Cancel)->text(), "保存開くキャンセル");
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "印刷");
}
