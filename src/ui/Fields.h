#pragma once
// The field behaviour every window shares: digit-only keys, select-all on
// focus, moving on at full length, reformatting when a field is left, the
// got-focus / lost-focus / validate hooks, field colours and the hourglass.
//
// Focus hooks fire when the focus moves inside a window (keys, clicks, the
// program's setFocus); they do not fire when a message box or a drop-down
// list takes the focus away for a while.  Every hook runs inside the standard
// error trap.
#include <functional>
#include <string>

#include <QColor>
#include <QLineEdit>

class QWidget;

namespace hotaru::ui {

// ---- Colours: BGR numbers as the windows have always used them (255 red,
// &HFF0000 blue), or system colours (&H80000005 window, &H8000000F button face).
inline constexpr long kRed = 0x0000FF;
inline constexpr long kWindowColour = 0x80000005L;
inline constexpr long kButtonFaceColour = 0x8000000FL;

QColor ToQColor(long colour);
void SetBackColor(QWidget* w, long colour);
// The background last set with SetBackColor; without one, the window colour
// for input fields and the button face for everything else.
long BackColor(const QWidget* w);
void SetForeColor(QWidget* w, long colour);
long ForeColor(const QWidget* w);

// ---- Keys.
// Only the digits 0-9 and Backspace are typed; Enter and every other
// character are dropped (Tab, Shift+Tab and the other navigation keys still
// work).  The field tells the input method that it takes no composed text,
// so the platform switches it off there; full-width digits that an input
// method still commits are typed as the same half-width digits, anything
// else it commits is dropped like a typed non-digit.
void DigitsOnly(QLineEdit* field);
// A line edit for digits only (DigitsOnly).  Whatever its read-only state,
// it also answers a direct query that it takes no input method.
class DigitField : public QLineEdit {
public:
    explicit DigitField(QWidget* parent = nullptr);
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
};
// Called for every typed character that the digit rule let through (or for
// every character when the field has no digit rule); false drops it.
void SetKeyFilter(QLineEdit* field, std::function<bool(QLineEdit* field, const QString& typed)> accept);

// ---- Focus.
// Selects the whole text whenever the field gets the focus (also after a
// mouse click); `when`, if given, must say yes.
void SelectAllOnFocus(QLineEdit* field, std::function<bool()> when = {});
// Runs when the field gets / loses the focus.
void OnGotFocus(QWidget* field, std::function<void()> hook);
void OnLostFocus(QWidget* field, std::function<void()> hook);
// Runs before the field loses the focus; false keeps the focus in the field
// (the lost-focus hooks then do not run, and a mouse click that moved the
// focus away does not reach its target).
void OnValidate(QWidget* field, std::function<bool()> hook);
// Puts the focus back into a field after a check or a question answered No,
// its whole text selected so that the right value is typed over the wrong
// one (also when a message box still holds the window inactive).  Leave
// rules that put the focus back into their own field get the same.
void FocusBack(QWidget* field);

// Buttons that throw away what is being typed (キャンセル, 終了): a click on
// one of them leaves the field without running its leave rules, so no leave
// check can swallow the press.  (Reaching the button with Enter or Tab runs
// them as usual.)
void SkipsLeaveRules(QWidget* button);
// After such a button was answered No: the focus goes back into the field
// that was left without its rules (whole text selected), so they run when
// it is really left.  False when there is none.
bool ReturnToFieldLeftUnchecked();

// ---- Text.
// Moves the focus to `to` when a change (typed or set by the program) leaves
// the field with exactly `length` characters.  Nothing moves while *suspend
// is true, or, without a suspend flag, while the field's Form is loading.
void AdvanceAt(QLineEdit* field, int length, QWidget* to, const bool* suspend = nullptr);
void AdvanceAt(QLineEdit* field, int length, std::function<QWidget*()> to, const bool* suspend = nullptr);
// The same rule called from a window's own change handler; true when it moved.
bool AdvanceIfFull(QLineEdit* field, int length, QWidget* to);
// Reformats the text with a number pattern ("00", "000000000",
// "#,###,###,###,###") when the field is left, before the lost-focus hooks.
// The reformatting runs the field's change rules but never moves the focus on.
void ReformatOnLeave(QLineEdit* field, std::string pattern);
void SetMaxLength(QLineEdit* field, int length);

// UTF-8 text of a field, label, button or drop-down (its current entry).
std::string Text(const QWidget* w);
void SetText(QWidget* w, const std::string& text);

// ---- The hourglass during longer work, restored however the scope is left.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    // Back to the normal pointer before the scope ends (before a message box).
    void release();
private:
    bool active_ = true;
};

}  // namespace hotaru::ui
