#pragma once
// Driving windows as the user does: shown and active, keys pressed and
// Japanese arriving through the input method where the focus is.
#include <gtest/gtest.h>

#include <vector>

#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include "common/Messages.h"

namespace hotaru::test {

// Shows the window and makes it the active one, so focus events flow.
inline bool ShowActive(QWidget& w) {
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// A key pressed, or text typed, where the focus is, as the user does.
inline void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}
inline void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }
inline void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// Whether the control is marked as the one with the focus, as the user sees
// the window: the highlight colour within a few pixels outside each of its
// four sides.
inline bool FocusShown(QWidget* control) {
    QWidget* window = control->window();
    QApplication::processEvents();
    const QImage image = window->grab().toImage();
    const QRgb mark = QApplication::palette().color(QPalette::Highlight).rgb();
    const QRect r(control->mapTo(window, QPoint(0, 0)), control->size());
    auto marked = [&](QPoint from, QPoint step) {
        for (int i = 1; i <= 4; ++i)
            if (image.rect().contains(from + step * i) && image.pixel(from + step * i) == mark) return true;
        return false;
    };
    const QPoint c = r.center();
    return marked({r.left(), c.y()}, {-1, 0}) && marked({r.right(), c.y()}, {1, 0}) &&
           marked({c.x(), r.top()}, {0, -1}) && marked({c.x(), r.bottom()}, {0, 1});
}

// Walks the stops with Enter up to the first button (Enter presses a
// button), then Tab and Shift+Tab between every two of them; at each step
// the focus lands on the right stop and is shown there, and only there.
inline void ExpectKeyboardWalk(const std::vector<QWidget*>& stops) {
    auto name = [](QWidget* w) { return w->objectName().toStdString(); };
    stops.front()->setFocus();
    for (std::size_t i = 1; i < stops.size() && !qobject_cast<QPushButton*>(stops[i - 1]); ++i) {
        Press(Qt::Key_Return);
        EXPECT_EQ(QApplication::focusWidget(), stops[i]) << "Enter from " << name(stops[i - 1]);
        EXPECT_TRUE(FocusShown(stops[i]) && !FocusShown(stops[i - 1])) << name(stops[i]);
    }
    for (std::size_t i = 0; i + 1 < stops.size(); ++i) {
        stops[i]->setFocus();
        Press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), stops[i + 1]) << "Tab from " << name(stops[i]);
        EXPECT_TRUE(FocusShown(stops[i + 1])) << name(stops[i + 1]);
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), stops[i]) << "Shift+Tab from " << name(stops[i + 1]);
    }
}


// Text committed by the input method into the control with the focus, as
// Japanese arrives when it is typed.
inline void Commit(const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(QApplication::focusWidget(), &commit);
}

// ASCII is typed key by key; anything else arrives as the input method
// commits it.
inline void TypeText(const QString& text) {
    bool ascii = true;
    for (QChar c : text) ascii = ascii && c.unicode() < 0x80;
    ascii ? QTest::keyClicks(QApplication::focusWidget(), text) : Commit(text);
}

// The visible top-level window of the given class (null when there is none).
template <class W>
W* FindWindow() {
    for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* w = qobject_cast<W*>(t); w && w->isVisible()) return w;
    return nullptr;
}

// Message boxes that take the focus away while they are up, as a real modal
// box does at a desktop: the window behind is inactive when the box closes,
// and its focused field gets the focus back only when the window is
// activated again (ShowActive).  Answers and records through `script`.
class ModalBoxes : public MessagePresenter {
public:
    explicit ModalBoxes(ScriptedMessages& script) : script_(script), use_(*this) {}
    int show(const std::string& prompt, int style, const std::string& title) override {
        box_.show();
        box_.activateWindow();
        [[maybe_unused]] const bool up = QTest::qWaitForWindowActive(&box_);
        box_.hide();
        return script_.show(prompt, style, title);
    }

private:
    ScriptedMessages& script_;
    QWidget box_;
    ScopedPresenter use_;
};

}  // namespace hotaru::test
