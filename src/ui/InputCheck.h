#pragma once
// The input-check protocol of the data-entry windows: collect every failing
// rule, colour the fields, then show one message and focus the failing field
// that comes first in tab order.
//
//   BeginInputCheck();
//   if (blank(name)) MarkFailed(Txt_Name, "ERR01", "名称"); else ResetFieldColour(Txt_Name);
//   ...
//   return FinishInputCheck();
#include <string>

#include <QPointer>
#include <QWidget>

#include "ui/CheckDigit.h"
#include "ui/CheckMessages.h"

class QLineEdit;

namespace hotaru::ui {

struct ErrFocus {
    QPointer<QWidget> Ctl;  // empty when none (or when its window has gone)
    std::string Code;
};
extern ErrFocus gErrFocus;

// Notes ctl as the control to focus: the first noted, or one with a smaller
// tab index than the one noted.  An empty code changes nothing.
void NoteFirstError(ErrFocus& focus, QWidget* ctl, const std::string& code);
// Back to the window colour after a passing check.
void ResetFieldColour(QWidget* ctl);

// Clears gErrFocus, gErrMsg and gErrFlag.
void BeginInputCheck();
// One failing rule: collects the message (label as its argument), notes the
// field, paints it red and sets gErrFlag.
void MarkFailed(QWidget* ctl, const std::string& code, const std::string& label);
// After the rules: when one failed, shows the collected messages, focuses the
// noted field (selecting its text unless it is a drop-down) and returns false.
bool FinishInputCheck();

// Leaving a numeric field: empty -> false (no message); not numeric -> the
// message caption + "の入力に誤りがあります", focus back, false; else true.
bool CheckNumericField(QLineEdit* field, const std::string& caption);

}  // namespace hotaru::ui
