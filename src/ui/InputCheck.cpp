#include "ui/InputCheck.h"

#include <climits>

#include <QLineEdit>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Numeric.h"
#include "common/Text.h"
#include "ui/Fields.h"
#include "ui/Form.h"

namespace hotaru::ui {

ErrFocus gErrFocus;

namespace {
int tabIndexOrLast(const QWidget* w) {
    int i = TabIndex(w);
    return i < 0 ? INT_MAX : i;
}
}  // namespace

void NoteFirstError(ErrFocus& focus, QWidget* ctl, const std::string& code) {
    hotaru::Trap([&] {
        if (code.empty()) return;
        if (focus.Code.empty()) {
            focus.Ctl = ctl;
            focus.Code = code;
            return;
        }
        if (!ctl) return;
        if (!focus.Ctl || tabIndexOrLast(ctl) < tabIndexOrLast(focus.Ctl)) {
            focus.Ctl = ctl;
            focus.Code = code;
        }
    });
}

void ResetFieldColour(QWidget* ctl) {
    hotaru::Trap([&] { SetBackColor(ctl, kWindowColour); });
}

void BeginInputCheck() {
    gErrFocus = ErrFocus{};
    gErrMsg.clear();
    gErrFlag = 0;
}

void MarkFailed(QWidget* ctl, const std::string& code, const std::string& label) {
    InputCheckMessage(code, gErrMsg, false, {label, ""});
    NoteFirstError(gErrFocus, ctl, code);
    SetBackColor(ctl, kRed);
    gErrFlag = 1;
}

bool FinishInputCheck() {
    if (gErrFlag != 1) return true;
    InputCheckMessage("", gErrMsg, true);
    // A drop-down has no text to select.
    hotaru::Trap([] { FocusBack(gErrFocus.Ctl); });
    return false;
}

bool CheckNumericField(QLineEdit* field, const std::string& caption) {
    bool ok = false;
    hotaru::Trap([&] {
        const std::string text = field->text().toStdString();
        if (Trim(text).empty()) return;
        if (!IsNumeric(text)) {
            MsgBox(caption + "の入力に誤りがあります\r", mbExclamation, "処理確認");
            FocusBack(field);
            return;
        }
        ok = true;
    });
    return ok;
}

}  // namespace hotaru::ui
