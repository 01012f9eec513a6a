#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/Form.h"
#include "ui/TabOrder.h"
#include "UiTestSupport.h"

using namespace hotaru;
using namespace hotaru::ui;
using hotaru::test::Press;
using hotaru::test::ShowActive;

namespace {

// Four fields created in an order different from their tab order, one of
// them inside a frame.
class FourFields : public Form {
public:
    FourFields() {
        setAttribute(Qt::WA_DeleteOnClose, false);
        auto* layout = new QVBoxLayout(this);
        d = new QLineEdit(this);
        auto* frame = new QFrame(this);
        auto* inner = new QVBoxLayout(frame);
        b = new QLineEdit(frame);
        inner->addWidget(b);
        a = new QLineEdit(this);
        c = new QLineEdit(this);
        for (QWidget* w : {static_cast<QWidget*>(d), static_cast<QWidget*>(frame), static_cast<QWidget*>(a),
                           static_cast<QWidget*>(c)})
            layout->addWidget(w);
        setTabIndex(a, 0);
        setTabIndex(b, 1);
        setTabIndex(c, 2);
        setTabIndex(d, 3);
        indexControls();
    }
    QLineEdit *a, *b, *c, *d;
    QWidget* wanted = nullptr;
    bool allowClose = true;

protected:
    bool enterWanted(QWidget* focused) override { return focused && focused == wanted; }
    bool queryUnload() override { return allowClose; }
};

}  // namespace

TEST(Form, IndexesControlsByTabIndex) {
    FourFields f;
    EXPECT_EQ(f.ctlCount, 4);
    ASSERT_EQ(f.ctlTab.size(), 5u);  // slots 0..ctlCount
    EXPECT_EQ(f.ctlTab[0], f.a);
    EXPECT_EQ(f.ctlTab[1], f.b);
    EXPECT_EQ(f.ctlTab[3], f.d);
    EXPECT_EQ(f.ctlTab[4], nullptr);
    EXPECT_EQ(TabIndex(f.c), 2);
    EXPECT_EQ(TabIndex(&f), -1);
}

TEST(Form, EnterMovesInTabOrderAndWrapsAfterTheLast) {
    FourFields f;
    ASSERT_TRUE(ShowActive(f));
    f.a->setFocus();
    Press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.b);  // inside the frame
    Press(Qt::Key_Enter);                          // keypad Enter as well
    EXPECT_EQ(QApplication::focusWidget(), f.c);
    Press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.d);
    Press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.a);
}

TEST(Form, EnterSkipsDisabledHiddenAndNonTabStopControls) {
    FourFields f;
    f.b->setEnabled(false);
    f.c->hide();
    ASSERT_TRUE(ShowActive(f));
    f.a->setFocus();
    Press(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.d);

    f.setTabIndex(f.a, 0, false);
    f.indexControls();
    Press(Qt::Key_Return);  // from the last: a is no tab stop, b disabled, c hidden
    EXPECT_EQ(QApplication::focusWidget(), f.d);
}

TEST(Form, EnterIsConsumedUnlessTheWindowWantsItForThatControl) {
    FourFields f;
    ASSERT_TRUE(ShowActive(f));
    QSignalSpy pressedA(f.a, &QLineEdit::returnPressed);
    QSignalSpy pressedB(f.b, &QLineEdit::returnPressed);
    f.wanted = f.b;
    f.a->setFocus();
    Press(Qt::Key_Return);
    EXPECT_EQ(pressedA.count(), 0);
    EXPECT_EQ(QApplication::focusWidget(), f.b);
    Press(Qt::Key_Return);  // b takes Enter itself
    EXPECT_EQ(pressedB.count(), 1);
    EXPECT_EQ(QApplication::focusWidget(), f.b);
}

TEST(Form, TabKeyFollowsTheSameOrder) {
    FourFields f;
    ASSERT_TRUE(ShowActive(f));
    f.a->setFocus();
    Press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.b);
    Press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), f.c);
}

TEST(Form, ClosingSignalsClosedUnlessRefused) {
    FourFields f;
    f.show();
    QSignalSpy closed(&f, &Form::closed);
    f.allowClose = false;
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(closed.count(), 0);
    f.allowClose = true;
    EXPECT_TRUE(f.close());
    EXPECT_EQ(closed.count(), 1);
}

TEST(Form, WindowsDeleteThemselvesWhenClosed) {
    auto* f = new Form;
    QPointer<Form> alive(f);
    f->show();
    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST(Form, AFailingHandlerShowsTheStandardErrorAndTheWindowLivesOn) {
    ScriptedMessages script;
    ScopedPresenter use(script);
    FourFields f;
    auto* button = new QPushButton("x", &f);
    int after = 0;
    QObject::connect(button, &QPushButton::clicked, &f, Form::guard([] { throw AppError(13, "型が一致しません。"); }));
    QObject::connect(button, &QPushButton::clicked, &f, Form::guard([&](bool) { ++after; }));
    button->click();
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].title, "エラー");
    EXPECT_EQ(script.shown[0].prompt, "予期せぬエラーです。\r\nエラーコード： 13\r\n型が一致しません。");
    EXPECT_EQ(script.shown[0].style, mbExclamation);
    EXPECT_EQ(after, 1);
    EXPECT_FALSE(Form::handler([] { throw std::runtime_error("x"); }));
    EXPECT_TRUE(Form::handler([] {}));
}
