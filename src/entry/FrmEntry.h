#pragma once
// 入力: the window in which the claim rows of the claim month are typed, one
// row at a time.  First the key (city, recipient number, treatment month);
// when it is complete the key locks and the child's data loads; then the
// detail fields are typed and registered.
#include <optional>
#include <string>

#include <QPointer>

#include "common/Date.h"
#include "entry/EntryRow.h"
#include "ui/Form.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpacerItem;

namespace hotaru::entry {

class FrmSubEntry;

class FrmEntry : public ui::Form {
    Q_OBJECT
public:
    explicit FrmEntry(QWidget* parent = nullptr);

    // Routines of the window (true when they ran to the end).
    bool ClearEntry();
    bool LockKeyFields(bool locked, long colour);
    bool EnableDetailFields(bool enabled, long colour);
    void OpenBranchReference();
    bool LoadClaimKey();
    void ShowReferenceMark();
    bool CheckEntry();

    // The row as the fields hold it.
    EntryRow currentRow() const;
    // The claim month shown in Txt_Request.
    const std::optional<Date>& claimMonth() const { return request_; }

    // Used by the branch-number reference when it writes into this window.
    void setEditMode(bool correcting);
    // Selects the entry whose code is `code`; no change when none has it.
    void selectByCode(QComboBox* combo, const std::optional<int>& code);
    // Selects the entry of the date's own era (none when the list lacks it)
    // and fills the three birth-date fields; a missing date empties them.
    void showBirthday(const std::optional<Date>& birthday);
    // The ratio and its name; an unknown ratio is emptied when emptyUnknown.
    void showRate(const std::string& code, bool emptyUnknown);
    // The department and its name; an unknown one is emptied.
    void showTreatment(const std::string& code);
    // The entry window comes back after the reference window.
    void restoreFromReference(bool focusTotal);
    FrmSubEntry* reference() const;

    // Controls, by their names.
    QLineEdit* Txt_City;
    QListWidget* Lst_City;
    QLabel* Lbl_CityName;
    QLineEdit* Txt_Recipient;
    QComboBox* Cbo_Diagonosis;
    QLineEdit* Txt_Diagonosis_Y;
    QLineEdit* Txt_Diagonosis_M;
    QPushButton* Cmd_Link;
    QLineEdit* Txt_Name;
    QComboBox* Cbo_BD;
    QLineEdit* Txt_BD_Y;
    QLineEdit* Txt_BD_M;
    QLineEdit* Txt_BD_D;
    QComboBox* Cbo_Insurance;
    QLineEdit* Txt_InsuranceNo;
    QComboBox* Cbo_Hospitalization;
    QLineEdit* Txt_Rate;
    QListWidget* Lst_Rate;
    QLabel* Lbl_RateName;
    QLabel* Lbl_Mark;
    QLineEdit* Txt_Total;
    QLineEdit* Txt_Payment;
    QLineEdit* Txt_Treatment;
    QListWidget* Lst_Treatment;
    QLabel* Lbl_TreatmentName;
    QLineEdit* Txt_PublicPay1;
    QLineEdit* Txt_PublicPay2;
    QPushButton* Cmd_Reg;
    QPushButton* Cmd_Can;
    QPushButton* Cmd_End;
    QPushButton* Cmd_Del;
    QLineEdit* Txt_Request;
    QLabel* Lbl_EditMode;
    QLabel* Lbl_DataAri;
    // Hidden carriers between the handlers.
    QLineEdit* Txt_Diagonosis;
    QLineEdit* Txt_BD;
    QLineEdit* Txt_Insurance;
    QLineEdit* Txt_Hospitalization;
    QLineEdit* Txt_Eda;

    bool isPicking = false;
    bool keyLocked = false;
    bool monthRejected = false;

protected:
    bool formKeyDown(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool queryUnload() override;

private:
    void build();
    void wire();
    void load();

    // Code fields with candidate lists.
    struct CodeField {
        QLineEdit* field;
        QListWidget* list;
        QLabel* label;
        const char* table;
        int fullLength;
        QWidget* next;
        bool isRate;
    };
    void codeChanged(const CodeField& c);
    void codeGotFocus(const CodeField& c);
    void treatmentLostFocus();
    void rateLostFocus();
    void cityLostFocus();
    void cityPicked(QListWidgetItem* item);
    void treatmentPicked(QListWidgetItem* item);
    void showList(const CodeField& c);
    void placeList(QListWidget* list, QLineEdit* beside);
    bool listKey(QListWidget* list, QKeyEvent* event, void (FrmEntry::*pick)(QListWidgetItem*));

    // Drop-down clicks.
    void diagnosisEraClicked();
    void birthEraClicked();
    void insuranceClicked();
    void hospitalizationClicked();

    // Key completion and the checks while the key is typed.
    bool keyComplete() const;
    void tryKeyCompletion();
    bool recipientLeft();
    bool validateMonth(QLineEdit* field);
    void rejectMonth(const std::string& message);

    void selectEra(QComboBox* combo, const std::string& era);
    void selectClaimMonthEra(QComboBox* combo);
    void setIndex(QComboBox* combo, int index);
    void showSettingsRequest();

    void registerClicked();
    void deleteClicked();
    void cancelClicked();
    void endClicked();

    // Closes an open reference window without bringing this window back.
    void closeReference();

    CodeField city_, treatment_, rate_;
    std::optional<Date> request_;
    QPointer<QWidget> reference_;  // the open FrmSubEntry
    QSpacerItem* listRoom_ = nullptr;  // the column the candidate lists open in
    bool shown_ = false;
};

// Opens the entry window (the menu's 入力).
ui::Form* OpenEntryWindow();

}  // namespace hotaru::entry
