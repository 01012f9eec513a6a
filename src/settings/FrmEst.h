#pragma once
// Frm_Est: the institution's identity and its defaults in the settings row.
#include <string>

#include "ui/Form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace hotaru::settings {

class FrmEst : public hotaru::ui::Form {
    Q_OBJECT
public:
    explicit FrmEst(QWidget* parent = nullptr);

    // The number the window compares with before it deletes the claim rows.
    const std::string& recordedNumber() const { return recordedNumber_; }

    QComboBox* Cbo_Type;
    QLineEdit* Txt_No_Pref;
    QLineEdit* Txt_No_Mark;
    QLineEdit* Txt_No;
    QLineEdit* Txt_No_Eda;
    QLineEdit* Txt_Name;
    QComboBox* Cbo_Insurance;
    QComboBox* Cbo_Hospitalization;
    QLineEdit* Txt_Treatment;
    QLabel* Lbl_TreatmentName;
    QListWidget* Lst_Treatment;
    QPushButton* Cmd_Reg;
    QPushButton* Cmd_End;

private:
    void buildControls();
    void formLoad();
    bool loadSettings();
    bool checkSettingsInput();
    void cmdRegClick();

    std::string kindOfType() const;
    void applyKindLayout(const std::string& kind);
    void selectType(const std::string& code);
    std::string joinedNumber() const;

    void refillTreatmentList();
    void treatmentChange();
    void treatmentLeave();
    void treatmentPicked(int row);
    void nameLeave();

    bool isPicking = false;
    std::string recordedNumber_;
};

}  // namespace hotaru::settings
