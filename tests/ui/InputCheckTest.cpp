#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "ui/Fields.h"
#include "ui/Form.h"
#include "ui/InputCheck.h"
#include "UiTestSupport.h"

using namespace hotaru;
using namespace hotaru::ui;
using hotaru::test::ShowActive;

namespace {

// Tab order: type (0), number (1), name (2), insurance (3).
class Settings : public Form {
public:
    Settings() {
        setAttribute(Qt::WA_DeleteOnClose, false);
        auto* layout = new QVBoxLayout(this);
        number = new QLineEdit(this);
        name = new QLineEdit(this);
        type = new QComboBox(this);
        insurance = new QComboBox(this);
        for (QWidget* w : {static_cast<QWidget*>(number), static_cast<QWidget*>(name), static_cast<QWidget*>(type),
                           static_cast<QWidget*>(insurance)})
            layout->addWidget(w);
        setTabIndex(type, 0);
        setTabIndex(number, 1);
        setTabIndex(name, 2);
        setTabIndex(insurance, 3);
        indexControls();
    }
    // The checks run in an order other than the tab order.
    bool check() {
        BeginInputCheck();
        if (name->text().trimmed().isEmpty()) MarkFailed(name, "ERR01", "名称"); else ResetFieldColour(name);
        if (number->text().trimmed().isEmpty()) MarkFailed(number, "ERR01", "機関番号"); else ResetFieldColour(number);
        if (insurance->currentIndex() < 0) MarkFailed(insurance, "ERR01", "保険種別"); else ResetFieldColour(insurance);
        return FinishInputCheck();
    }
    QLineEdit *number, *name;
    QComboBox *type, *insurance;
};

}  // namespace

TEST(InputCheck, SeveralFailuresGiveOneMessageAndTheFirstInTabOrderGetsTheFocus) {
    ScriptedMessages script;
    ScopedPresenter use(script);
    Settings w;
    ASSERT_TRUE(ShowActive(w));
    w.number->setText("   ");
    w.name->setText("");
    w.type->setFocus();
    EXPECT_FALSE(w.check());
    ASSERT_EQ(script.shown.size(), 1u);
    EXPECT_EQ(script.shown[0].title, "入力チェック");
    EXPECT_EQ(script.shown[0].style, 4112);
    EXPECT_EQ(script.shown[0].prompt,
              "[ERR01]名称は必ず入力してください。　\r\n"
              "[ERR01]機関番号は必ず入力してください。　\r\n"
              "[ERR01]保険種別は必ず入力してください。　\r\n");
    EXPECT_EQ(QApplication::focusWidget(), w.number);  // tab 1 before name (2) and insurance (3)
    EXPECT_EQ(w.number->selectedText(), "   ");
    for (QWidget* f : {static_cast<QWidget*>(w.number), static_cast<QWidget*>(w.name),
                       static_cast<QWidget*>(w.insurance)})
        EXPECT_EQ(BackColor(f), kRed);
    EXPECT_EQ(gErrFlag, 1);
    EXPECT_EQ(gErrFocus.Code, "ERR01");
}

TEST(InputCheck, FixedFieldsTurnBackAndAPassingCheckSaysNothing) {
    ScriptedMessages script;
    ScopedPresenter use(script);
    Settings w;
    ASSERT_TRUE(ShowActive(w));
    w.insurance->addItem("1:社保", 1);
    w.insurance->setCurrentIndex(0);
    EXPECT_FALSE(w.check());
    w.number->setText("0123456");
    EXPECT_FALSE(w.check());
    EXPECT_EQ(BackColor(w.number), kWindowColour);
    EXPECT_EQ(BackColor(w.name), kRed);
    EXPECT_EQ(QApplication::focusWidget(), w.name);

    w.name->setText("ホタル医院");
    script.clear();
    EXPECT_TRUE(w.check());
    EXPECT_TRUE(script.shown.empty());
    EXPECT_EQ(gErrFlag, 0);
    EXPECT_TRUE(gErrMsg.empty());
    EXPECT_EQ(BackColor(w.name), kWindowColour);
}

TEST(InputCheck, ADropDownGetsTheFocusWithoutTextSelection) {
    ScriptedMessages script;
    ScopedPresenter use(script);
    Settings w;
    w.number->setText("1");
    w.name->setText("x");
    ASSERT_TRUE(ShowActive(w));
    w.number->setFocus();
    EXPECT_FALSE(w.check());
    EXPECT_EQ(QApplication::focusWidget(), w.insurance);
}

TEST(InputCheck, NoteFirstErrorRules) {
    Settings w;
    ErrFocus f;
    NoteFirstError(f, w.name, "");  // an empty code changes nothing
    EXPECT_TRUE(f.Code.empty());
    NoteFirstError(f, w.name, "ERR01");
    NoteFirstError(f, nullptr, "ERR02");  // no control: kept
    EXPECT_EQ(f.Ctl, w.name);
    EXPECT_EQ(f.Code, "ERR01");
    NoteFirstError(f, w.insurance, "ERR02");  // tab 3 after tab 2: kept
    EXPECT_EQ(f.Ctl, w.name);
    NoteFirstError(f, w.type, "ERR05");
    EXPECT_EQ(f.Ctl, w.type);
    EXPECT_EQ(f.Code, "ERR05");

    ErrFocus g;
    NoteFirstError(g, nullptr, "ERR04");  // code without a control
    NoteFirstError(g, w.name, "ERR01");
    EXPECT_EQ(g.Ctl, w.name);
}
