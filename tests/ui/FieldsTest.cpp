#include <gtest/gtest.h>

#include <QComboBox>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/Fields.h"
#include "ui/Form.h"
#include "ui/InputCheck.h"
#include "UiTestSupport.h"

using namespace hotaru;
using namespace hotaru::ui;
using hotaru::test::Press;
using hotaru::test::ShowActive;
using hotaru::test::Type;

namespace {

class Window : public Form {
public:
    Window() {
        setAttribute(Qt::WA_DeleteOnClose, false);
        auto* layout = new QVBoxLayout(this);
        for (QLineEdit** f : {&a, &b, &c, &d}) {
            *f = new QLineEdit(this);
            layout->addWidget(*f);
        }
        button = new QPushButton("登録", this);
        layout->addWidget(button);
        int i = 0;
        for (QWidget* w : {static_cast<QWidget*>(a), static_cast<QWidget*>(b), static_cast<QWidget*>(c),
                           static_cast<QWidget*>(d), static_cast<QWidget*>(button)})
            setTabIndex(w, i++);
        indexControls();
    }
    QLineEdit *a, *b, *c, *d;
    QPushButton* button;
};

QWidget* Focused() { return QApplication::focusWidget(); }

}  // namespace

TEST(Fields, DigitFieldsTakeOnlyDigitsAndBackspace) {
    Window w;
    DigitsOnly(w.a);
    ASSERT_TRUE(ShowActive(w));
    w.a->setFocus();
    Type("1a2-3 .");
    QKeyEvent wideDigit(QEvent::KeyPress, 0, Qt::NoModifier, "４");
    QApplication::sendEvent(w.a, &wideDigit);
    EXPECT_EQ(w.a->text(), "123");
    Press(Qt::Key_Backspace);
    EXPECT_EQ(w.a->text(), "12");
    Press(Qt::Key_Left);  // moving the caret is no typing
    Type("9");
    EXPECT_EQ(w.a->text(), "192");

    // The input method is told the field takes none, even once the field was
    // read-only and opened again; what one still commits is typed, full-width
    // digits as half-width ones, other characters dropped.
    w.a->setReadOnly(true);
    w.a->setReadOnly(false);
    QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImHints);
    QApplication::sendEvent(w.a, &query);
    EXPECT_FALSE(query.value(Qt::ImEnabled).toBool());
    EXPECT_TRUE(query.value(Qt::ImHints).isValid());
    Press(Qt::Key_End);
    for (const char* commit : {"３", "4ａ", "あ"}) {
        QInputMethodEvent composed;
        composed.setCommitString(QString::fromUtf8(commit));
        QApplication::sendEvent(w.a, &composed);
    }
    EXPECT_EQ(w.a->text(), "19234");
}

TEST(Fields, KeyFilterSeesEveryTypedCharacter) {
    Window w;
    DigitsOnly(w.a);
    // At most three digits while the text has no comma.
    SetKeyFilter(w.a, [](QLineEdit* f, const QString&) { return f->text().contains(',') || f->text().size() < 3; });
    ASSERT_TRUE(ShowActive(w));
    w.a->setFocus();
    Type("12345");
    EXPECT_EQ(w.a->text(), "123");
}

TEST(Fields, SelectAllWhenTheFocusArrives) {
    Window w;
    SelectAllOnFocus(w.b);
    bool allowed = false;
    SelectAllOnFocus(w.c, [&] { return allowed; });
    w.b->setText("12345");
    w.c->setText("678");
    ASSERT_TRUE(ShowActive(w));
    w.a->setFocus();
    Press(Qt::Key_Return);
    EXPECT_EQ(w.b->selectedText(), "12345");
    Press(Qt::Key_Return);
    EXPECT_EQ(w.c->selectedText(), "");

    allowed = true;
    w.a->setFocus();
    QTest::mouseClick(w.c, Qt::LeftButton, {}, QPoint(2, 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(Focused(), w.c);
    EXPECT_EQ(w.c->selectedText(), "678");  // still all selected after the click
}

TEST(Fields, FullLengthMovesOnForTypingAndProgramChangesButNotWhileLoading) {
    Window w;
    DigitsOnly(w.a);
    AdvanceAt(w.a, 2, w.c);
    ASSERT_TRUE(ShowActive(w));
    w.a->setFocus();
    Type("1");
    EXPECT_EQ(Focused(), w.a);
    Type("2");
    EXPECT_EQ(Focused(), w.c);

    w.b->setFocus();
    w.a->setText("34");  // the program's change runs the same rule
    EXPECT_EQ(Focused(), w.c);

    w.b->setFocus();
    w.isLoading = true;
    w.a->setText("56");
    EXPECT_EQ(Focused(), w.b);
    w.isLoading = false;

    bool suspend = true;
    AdvanceAt(w.d, 1, [&]() -> QWidget* { return w.a; }, &suspend);
    w.d->setText("7");
    EXPECT_EQ(Focused(), w.b);
}

TEST(Fields, ReformatOnLeavingRunsChangeRulesWithoutMovingTheFocus) {
    Window w;
    DigitsOnly(w.a);
    AdvanceAt(w.a, 2, w.b);
    ReformatOnLeave(w.a, "00");
    ReformatOnLeave(w.c, "#,###,###,###,###");
    QSignalSpy changed(w.a, &QLineEdit::textChanged);
    ASSERT_TRUE(ShowActive(w));
    w.a->setFocus();
    Type("5");
    w.d->setFocus();  // leaving towards another field than the advance target
    EXPECT_EQ(w.a->text(), "05");
    EXPECT_EQ(Focused(), w.d);
    EXPECT_EQ(changed.count(), 2);

    w.c->setText("1234567");
    w.c->setFocus();
    w.d->setFocus();
    EXPECT_EQ(w.c->text(), "1,234,567");
    w.c->setText("12x");
    w.c->setFocus();
    w.d->setFocus();
    EXPECT_EQ(w.c->text(), "12x");  // not a number: left as typed
}

TEST(Fields, FailedValidationKeepsTheFocusAndNothingElseRuns) {
    Window w;
    bool valid = false;
    int lostA = 0, gotB = 0, lostB = 0;
    OnValidate(w.a, [&] { return valid; });
    OnLostFocus(w.a, [&] { ++lostA; });
    OnGotFocus(w.b, [&] { ++gotB; });
    OnLostFocus(w.b, [&] { ++lostB; });
    QSignalSpy clicked(w.button, &QPushButton::clicked);
    ASSERT_TRUE(ShowActive(w));
    w.a->setFocus();
    Press(Qt::Key_Return);
    EXPECT_EQ(Focused(), w.a);
    Press(Qt::Key_Tab);
    EXPECT_EQ(Focused(), w.a);
    QTest::mouseClick(w.button, Qt::LeftButton);
    EXPECT_EQ(Focused(), w.a);
    EXPECT_EQ(clicked.count(), 0);  // the click that tried to leave does not register
    EXPECT_EQ(lostA, 0);
    EXPECT_EQ(gotB, 0);
    EXPECT_EQ(lostB, 0);

    valid = true;
    Press(Qt::Key_Return);
    EXPECT_EQ(Focused(), w.b);
    EXPECT_EQ(lostA, 1);
    EXPECT_EQ(gotB, 1);
    QTest::mouseClick(w.button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
}

TEST(Fields, NumericCheckOnLeavingPutsTheFocusBack) {
    ScriptedMessages script;
    ScopedPresenter use(script);
    Window w;
    int lostB = 0;
    OnLostFocus(w.a, [&] { CheckNumericField(w.a, "生年月日"); });
    OnLostFocus(w.b, [&] { ++lostB; });
    ASSERT_TRUE(ShowActive(w));
    w.a->setText("1a");  // pasted text can hold anything
    w.a->setFocus();
    Press(Qt::Key_Return);
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].prompt, "生年月日の入力に誤りがあります\r");
    EXPECT_EQ(script.shown[0].style, mbExclamation);
    EXPECT_EQ(script.shown[0].title, "処理確認");
    EXPECT_EQ(Focused(), w.a);
    EXPECT_EQ(lostB, 0);

    script.clear();
    w.a->setText("  ");
    Press(Qt::Key_Return);
    EXPECT_TRUE(script.shown.empty());  // an empty field says nothing
    EXPECT_EQ(Focused(), w.b);
    EXPECT_FALSE(CheckNumericField(w.a, "x"));
    w.a->setText("12");
    EXPECT_TRUE(CheckNumericField(w.a, "x"));
}

TEST(Fields, ColoursAreBgrNumbersOrSystemColours) {
    Window w;
    QComboBox combo(&w);
    QLabel label(&w);
    EXPECT_EQ(BackColor(w.a), kWindowColour);
    EXPECT_EQ(BackColor(&label), kButtonFaceColour);

    SetBackColor(w.a, 255);
    EXPECT_EQ(BackColor(w.a), 255);
    EXPECT_EQ(w.a->palette().color(QPalette::Base), QColor(255, 0, 0));
    SetBackColor(w.a, 0xFF0000);
    EXPECT_EQ(w.a->palette().color(QPalette::Base), QColor(0, 0, 255));
    SetBackColor(w.a, 0x00C0FFFF);
    EXPECT_EQ(w.a->palette().color(QPalette::Base), QColor(255, 255, 192));
    SetBackColor(w.a, kButtonFaceColour);
    EXPECT_EQ(w.a->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Button));
    SetBackColor(w.a, kWindowColour);
    EXPECT_EQ(w.a->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Base));
    // Also when the field is disabled.
    w.a->setEnabled(false);
    SetBackColor(w.a, 255);
    EXPECT_EQ(w.a->palette().color(QPalette::Disabled, QPalette::Base), QColor(255, 0, 0));

    SetBackColor(&combo, 255);
    EXPECT_EQ(combo.palette().color(QPalette::Button), QColor(255, 0, 0));
    SetForeColor(&label, 255);
    EXPECT_EQ(ForeColor(&label), 255);
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(255, 0, 0));
}

TEST(Fields, HourglassIsRestoredOnEveryWayOut) {
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    try {
        BusyCursor busy;
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("failed");
    } catch (const std::exception&) {
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    {
        BusyCursor busy;
        busy.release();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Fields, TextOfAnyControl) {
    Window w;
    SetText(w.a, "山田");
    EXPECT_EQ(Text(w.a), "山田");
    EXPECT_EQ(Text(w.button), "登録");
}
