#pragma once
// Helpers for the window tests: a shown, active window and key presses.
#include <QApplication>
#include <QTest>
#include <QWidget>

namespace hotaru::test {

// Shows the window and makes it the active one, so focus events flow.
inline bool ShowActive(QWidget& w) {
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// A key pressed where the focus is, as the user presses it.
inline void Press(Qt::Key key) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target, key);
}

inline void Type(const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); }

}  // namespace hotaru::test
