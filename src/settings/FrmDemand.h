#pragma once
// Frm_Demand: the claim month (請求月) in the settings row.
#include <optional>

#include "common/Date.h"
#include "ui/Form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace hotaru::settings {

class FrmDemand : public hotaru::ui::Form {
    Q_OBJECT
public:
    explicit FrmDemand(QWidget* parent = nullptr);

    QLabel* Lbl_Demand;
    QComboBox* Cbo_Demand;
    QLineEdit* Txt_Year;
    QLabel* Lbl_Year;
    QLineEdit* Txt_Month;
    QLabel* Lbl_Month;
    QPushButton* Cmd_Reg;
    QPushButton* Cmd_End;

private:
    void buildControls();
    void formLoad();
    bool initClaimMonthScreen();
    void showStoredClaimMonth();
    std::optional<Date> validateClaimMonth();
    void cmdRegClick();
};

}  // namespace hotaru::settings
