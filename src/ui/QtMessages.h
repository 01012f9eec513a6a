#pragma once
// Message boxes and the look of the desktop program.
#include <QFont>
#include <QString>

#include "common/Messages.h"

namespace hotaru::ui {

// Shows hotaru::MsgBox messages as QMessageBox: icon, buttons and default
// button from the style number, lines split at CR LF or CR.
class QtMessages : public hotaru::MessagePresenter {
public:
    int show(const std::string& prompt, int style, const std::string& title) override;
    void beep() override;
};

// The message text as the box shows it: CR LF, CR and LF become line breaks.
QString MessageText(const std::string& prompt);

// Fonts, style and palette of every window, and Qt's own dialogs and buttons
// in Japanese.  The windows name the fonts "ＭＳ ゴシック" and "ＭＳ Ｐゴシック";
// they map to the IPA Gothic faces.
void InstallApplicationLook();

// The fixed-pitch and the proportional Gothic face at a point size.
QFont GothicFont(double pointSize = 9);
QFont PGothicFont(double pointSize = 9);

}  // namespace hotaru::ui
