#include "ui/Fields.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>

#include "common/Errors.h"
#include "common/Numeric.h"
#include "common/Text.h"
#include "ui/Form.h"

namespace hotaru::ui {

namespace {

constexpr const char* kBackColour = "hotaruBackColor";
constexpr const char* kForeColour = "hotaruForeColor";
constexpr const char* kSkipsLeaveRules = "hotaruSkipsLeaveRules";

// Focus hand-over state shared by all fields: the field whose leave rules are
// running, and whether the focus is being put back into it.
QWidget* gLeaving = nullptr;
bool gRestoring = false;
bool gSwallowPress = false;
// The field last left for a button that skips leave rules.
QPointer<QWidget> gLeftUnchecked;

bool focusHooksApply(Qt::FocusReason reason) {
    // A message box or a drop-down list takes the focus only for a while.
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

bool isDigits(const QString& s) {
    for (QChar c : s) {
        if (c < QChar('0') || c > QChar('9')) return false;
    }
    return !s.isEmpty();
}

// A full-width digit as the half-width one; anything else as it is.
QChar halfWidthDigit(QChar c) {
    if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) return QChar(u'0' + (c.unicode() - 0xFF10));
    return c;
}

// One character typed where the focus is, key down and up, so that every key
// rule of the field (and of the next one, once a full field moved on) runs.
void typeCharacter(QChar c) {
    QWidget* target = QApplication::focusWidget();
    if (!target) return;
    const int key = c.unicode() >= u'0' && c.unicode() <= u'9' ? Qt::Key_0 + (c.unicode() - u'0') : 0;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &release);
}

void selectAllOf(QWidget* field) {
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
}

// A press whose focus change a field refused never reaches its target.
class PressFilter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!gSwallowPress) return false;
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            gSwallowPress = false;
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) gSwallowPress = false;
        return false;
    }
};

void ensurePressFilter() {
    static PressFilter* filter = nullptr;
    if (!filter) {
        filter = new PressFilter;
        qApp->installEventFilter(filter);
    }
}

class FieldBehaviour : public QObject {
public:
    explicit FieldBehaviour(QWidget* field) : QObject(field), field_(field) {
        field->installEventFilter(this);
        ensurePressFilter();
    }

    static FieldBehaviour* of(QWidget* field) {
        for (QObject* child : field->children()) {
            if (auto* b = dynamic_cast<FieldBehaviour*>(child)) return b;
        }
        return new FieldBehaviour(field);
    }

    bool digitsOnly = false;
    std::function<bool(QLineEdit*, const QString&)> keyFilter;
    bool selectAll = false;
    std::function<bool()> selectWhen;
    std::string leavePattern;
    bool reformatting = false;
    std::vector<std::function<void()>> gotFocus, lostFocus;
    std::vector<std::function<bool()>> validate;

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress: return keyPress(static_cast<QKeyEvent*>(event));
        case QEvent::InputMethod: return inputMethod(static_cast<QInputMethodEvent*>(event));
        case QEvent::InputMethodQuery: return inputMethodQuery(static_cast<QInputMethodQueryEvent*>(event));
        case QEvent::FocusIn: focusIn(static_cast<QFocusEvent*>(event)); return false;
        case QEvent::FocusOut: return focusOut(static_cast<QFocusEvent*>(event));
        case QEvent::MouseButtonRelease:
            if (selectAfterClick_) {
                selectAfterClick_ = false;
                // After the line edit has finished its own click.
                if (auto* e = qobject_cast<QLineEdit*>(field_)) QMetaObject::invokeMethod(e, "selectAll", Qt::QueuedConnection);
            }
            return false;
        default: return false;
        }
    }

private:
    bool keyPress(QKeyEvent* e) {
        auto* edit = qobject_cast<QLineEdit*>(field_);
        if (!edit) return false;
        if (digitsOnly && e->matches(QKeySequence::Paste)) return true;
        if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) return false;  // moving on, not typing
        const QString typed = e->text();
        if (typed.isEmpty()) return false;  // arrows, Delete, Home...: not typing
        if (typed == QStringLiteral("\b")) return false;
        if (typed == QStringLiteral("\r") || typed == QStringLiteral("\n")) return true;
        if (typed.at(0).isPrint() || typed.at(0).isSpace()) {
            if (digitsOnly && !isDigits(typed)) return true;
            if (keyFilter) {
                bool accept = true;
                hotaru::Trap([&] { accept = keyFilter(edit, typed); });
                if (!accept) return true;
            }
        }
        return false;
    }

    // An input method that stays on in a digit field: what it composes shows
    // until it commits; then the composition goes and the committed
    // characters are typed, full-width digits as half-width ones.
    bool inputMethod(QInputMethodEvent* e) {
        if (!digitsOnly || e->commitString().isEmpty()) return false;
        const QString commit = e->commitString();
        QInputMethodEvent endComposition;
        QApplication::sendEvent(field_, &endComposition);
        for (QChar c : commit) typeCharacter(halfWidthDigit(c));
        return true;
    }

    // The platform asks whether the field takes composed text: a digit field
    // never does, whatever the line edit itself would answer.
    bool inputMethodQuery(QInputMethodQueryEvent* e) {
        if (!digitsOnly) return false;
        for (int bit = 0; bit < 32; ++bit) {
            const auto query = static_cast<Qt::InputMethodQuery>(e->queries().toInt() & (1u << bit));
            if (query) e->setValue(query, query == Qt::ImEnabled ? QVariant(false) : field_->inputMethodQuery(query));
        }
        e->accept();
        return true;
    }

    void focusIn(QFocusEvent* e) {
        if (!focusHooksApply(e->reason()) || gRestoring) return;
        gLeftUnchecked = nullptr;
        if (selectAll) {
            bool yes = true;
            if (selectWhen) hotaru::Trap([&] { yes = selectWhen(); });
            if (yes) {
                selectAllOf(field_);
                // A click would put the caret where it landed: select again after it.
                selectAfterClick_ = e->reason() == Qt::MouseFocusReason;
            }
        }
        for (auto& hook : gotFocus) hotaru::Trap(hook);
    }

    // True when the leave rules put the focus back into this field: the line
    // edit then never sees the focus-out, which would deselect its text.
    bool focusOut(QFocusEvent* e) {
        selectAfterClick_ = false;
        if (!focusHooksApply(e->reason())) return false;
        // While one field's leave rules run, another field's focus-out is only
        // the focus passing back through it.
        if (gLeaving) return false;
        QWidget* heading = QApplication::focusWidget();
        // Clicked, not just reached with the keys on the way through.
        if (e->reason() == Qt::MouseFocusReason && heading && heading->property(kSkipsLeaveRules).toBool()) {
            gLeftUnchecked = field_;
            return false;
        }
        gLeaving = field_;
        bool keep = false;
        for (auto& hook : validate) {
            bool ok = true;
            if (!hotaru::Trap([&] { ok = hook(); })) ok = true;
            if (!ok) {
                keep = true;
                break;
            }
        }
        if (keep) {
            gRestoring = true;
            field_->setFocus(Qt::OtherFocusReason);
            gRestoring = false;
        } else {
            if (!leavePattern.empty()) {
                if (auto* edit = qobject_cast<QLineEdit*>(field_)) {
                    hotaru::Trap([&] {
                        std::string now = edit->text().toStdString();
                        std::string formatted = FormatText(now, leavePattern);
                        if (formatted != now) {
                            reformatting = true;
                            edit->setText(QString::fromStdString(formatted));
                            reformatting = false;
                        }
                    });
                    reformatting = false;
                }
            }
            for (auto& hook : lostFocus) hotaru::Trap(hook);
        }
        gLeaving = nullptr;
        // The window's focus, even while a message box still holds it inactive.
        const bool back = field_->window()->focusWidget() == field_;
        if (back) selectAllOf(field_);
        if (e->reason() == Qt::MouseFocusReason && QApplication::focusWidget() != heading) gSwallowPress = true;
        return back;
    }

    QWidget* field_;
    bool selectAfterClick_ = false;
};

bool suspended(QLineEdit* field, const bool* suspend) {
    if (FieldBehaviour::of(field)->reformatting) return true;
    if (suspend) return *suspend;
    auto* form = qobject_cast<Form*>(field->window());
    return form && form->isLoading;
}

bool isInputField(const QWidget* w) {
    return qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w);
}

}  // namespace

QColor ToQColor(long colour) {
    const unsigned long c = static_cast<unsigned long>(colour) & 0xFFFFFFFFul;
    if (c & 0x80000000ul) {
        const QPalette p = QApplication::palette();
        switch (c & 0xFF) {
        case 0x05: return p.color(QPalette::Base);         // window background
        case 0x08: return p.color(QPalette::Text);         // window text
        case 0x0D: return p.color(QPalette::Highlight);
        case 0x0E: return p.color(QPalette::HighlightedText);
        case 0x0F: return p.color(QPalette::Button);       // button face
        case 0x10: return p.color(QPalette::Mid);          // button shadow
        case 0x11: return p.color(QPalette::Disabled, QPalette::Text);
        case 0x12: return p.color(QPalette::ButtonText);
        default: return p.color(QPalette::Window);
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

void SetBackColor(QWidget* w, long colour) {
    if (!w) return;
    w->setProperty(kBackColour, QVariant::fromValue<qlonglong>(colour));
    const QColor col = ToQColor(colour);
    QPalette p = w->palette();
    if (isInputField(w)) {
        p.setColor(QPalette::Base, col);
        // A drop-down list draws its closed face with the button colour.
        if (qobject_cast<QComboBox*>(w)) p.setColor(QPalette::Button, col);
    } else {
        p.setColor(QPalette::Window, col);
        p.setColor(QPalette::Button, col);
        w->setAutoFillBackground(true);
    }
    w->setPalette(p);
}

long BackColor(const QWidget* w) {
    if (!w) return 0;
    QVariant v = w->property(kBackColour);
    if (v.isValid()) return static_cast<long>(v.toLongLong());
    return isInputField(w) ? kWindowColour : kButtonFaceColour;
}

void SetForeColor(QWidget* w, long colour) {
    if (!w) return;
    w->setProperty(kForeColour, QVariant::fromValue<qlonglong>(colour));
    const QColor col = ToQColor(colour);
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, col);
    p.setColor(QPalette::Text, col);
    p.setColor(QPalette::ButtonText, col);
    w->setPalette(p);
}

long ForeColor(const QWidget* w) {
    if (!w) return 0;
    QVariant v = w->property(kForeColour);
    if (v.isValid()) return static_cast<long>(v.toLongLong());
    return isInputField(w) ? 0x80000008L : 0x80000012L;
}

void DigitsOnly(QLineEdit* field) {
    FieldBehaviour::of(field)->digitsOnly = true;
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
}

DigitField::DigitField(QWidget* parent) : QLineEdit(parent) { DigitsOnly(this); }

QVariant DigitField::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImEnabled) return false;
    return QLineEdit::inputMethodQuery(query);
}

void SetKeyFilter(QLineEdit* field, std::function<bool(QLineEdit*, const QString&)> accept) {
    FieldBehaviour::of(field)->keyFilter = std::move(accept);
}

void SelectAllOnFocus(QLineEdit* field, std::function<bool()> when) {
    auto* b = FieldBehaviour::of(field);
    b->selectAll = true;
    b->selectWhen = std::move(when);
}

void OnGotFocus(QWidget* field, std::function<void()> hook) {
    FieldBehaviour::of(field)->gotFocus.push_back(std::move(hook));
}

void OnLostFocus(QWidget* field, std::function<void()> hook) {
    FieldBehaviour::of(field)->lostFocus.push_back(std::move(hook));
}

void OnValidate(QWidget* field, std::function<bool()> hook) {
    FieldBehaviour::of(field)->validate.push_back(std::move(hook));
}

void FocusBack(QWidget* field) {
    if (!field) return;
    field->setFocus(Qt::OtherFocusReason);
    selectAllOf(field);
}

void SkipsLeaveRules(QWidget* button) { button->setProperty(kSkipsLeaveRules, true); }

bool ReturnToFieldLeftUnchecked() {
    QWidget* field = gLeftUnchecked;
    gLeftUnchecked = nullptr;
    if (!field || !field->isEnabled() || !field->isVisible()) return false;
    FocusBack(field);
    return true;
}

bool AdvanceIfFull(QLineEdit* field, int length, QWidget* to) {
    if (!to || CharCount(field->text().toStdString()) != static_cast<std::size_t>(length)) return false;
    to->setFocus(Qt::OtherFocusReason);
    return true;
}

void AdvanceAt(QLineEdit* field, int length, QWidget* to, const bool* suspend) {
    AdvanceAt(field, length, std::function<QWidget*()>([to] { return to; }), suspend);
}

void AdvanceAt(QLineEdit* field, int length, std::function<QWidget*()> to, const bool* suspend) {
    FieldBehaviour::of(field);
    QObject::connect(field, &QLineEdit::textChanged, field, [field, length, to = std::move(to), suspend] {
        hotaru::Trap([&] {
            if (suspended(field, suspend)) return;
            AdvanceIfFull(field, length, to());
        });
    });
}

void ReformatOnLeave(QLineEdit* field, std::string pattern) {
    FieldBehaviour::of(field)->leavePattern = std::move(pattern);
}

void SetMaxLength(QLineEdit* field, int length) { field->setMaxLength(length); }

std::string Text(const QWidget* w) {
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return e->text().toStdString();
    if (auto* c = qobject_cast<const QComboBox*>(w)) return c->currentText().toStdString();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text().toStdString();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text().toStdString();
    if (auto* t = qobject_cast<const QPlainTextEdit*>(w)) return t->toPlainText().toStdString();
    if (auto* t = qobject_cast<const QTextEdit*>(w)) return t->toPlainText().toStdString();
    return {};
}

void SetText(QWidget* w, const std::string& text) {
    const QString q = QString::fromStdString(text);
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(q);
    else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(q);
    else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(q);
    else if (auto* t = qobject_cast<QPlainTextEdit*>(w)) t->setPlainText(q);
    else if (auto* t = qobject_cast<QTextEdit*>(w)) t->setPlainText(q);
}

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

BusyCursor::~BusyCursor() { release(); }

void BusyCursor::release() {
    if (active_) {
        active_ = false;
        QApplication::restoreOverrideCursor();
    }
}

}  // namespace hotaru::ui
