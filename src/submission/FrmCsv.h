#pragma once
// Frm_Csv ("CSV出力"): writes the claim month's submission file into a
// folder of the user's choice under its fixed name, and remembers the folder.
#include <functional>
#include <optional>
#include <string>

#include "ui/Form.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace hotaru::submission {

// The save dialog of 参照: (owner, initial folder, file name) -> the chosen
// full path, or nothing when the user cancels.  Replaceable so that tests
// answer it.
using SaveDialog =
    std::function<std::optional<std::string>(QWidget* owner, const std::string& folder, const std::string& fileName)>;
// Installs a dialog for the windows opened from now on (an empty one
// restores the desktop's file dialog).
void SetSaveDialog(SaveDialog dialog);

class FrmCsv : public hotaru::ui::Form {
    Q_OBJECT
public:
    explicit FrmCsv(QWidget* parent = nullptr);

    QGroupBox* Frame1;
    QLineEdit* Txt_Path;
    QPushButton* Cmd_Reference;
    QPushButton* Cmd_Reg;
    QPushButton* Cmd_End;
    QLabel* Lbl_Csv;

    // The window's state: the output folder (no trailing separator) and the
    // file name fixed when the window opened.
    const std::string& outputFolder() const { return folder_; }
    const std::string& fileName() const { return fileName_; }

private:
    void buildControls();
    void formLoad();
    void cmdReferenceClick();
    void cmdRegClick();
    void showPath();

    std::string folder_;
    std::string fileName_;
};

}  // namespace hotaru::submission
