#pragma once
// Driving windows as the user does: Japanese arriving through the input
// method, plain keys typed where the focus is, and the windows on the screen.
#include <QApplication>
#include <QInputMethodEvent>
#include <QPointer>
#include <QTest>
#include <QWidget>

namespace hotaru::test {

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
    if (ascii)
        QTest::keyClicks(QApplication::focusWidget(), text);
    else
        Commit(text);
}

// The visible top-level window of the given class (null when there is none).
template <class W>
W* FindWindow() {
    for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* w = qobject_cast<W*>(t); w && w->isVisible()) return w;
    return nullptr;
}

}  // namespace hotaru::test
