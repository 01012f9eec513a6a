#pragma once
// Driving windows as the user does: Japanese arriving through the input
// method, plain keys typed where the focus is, and the windows on the screen.
#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <QWidget>

#include "common/Messages.h"

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
