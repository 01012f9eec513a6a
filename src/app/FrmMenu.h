#pragma once
// The home window: opens every function, hides itself while a function
// window is open, and closes the database when it closes.
#include <QPointer>

#include "app/MenuActions.h"
#include "ui/Form.h"

class QLabel;
class QPushButton;

namespace hotaru::app {

class FrmMenu : public hotaru::ui::Form {
    Q_OBJECT
public:
    explicit FrmMenu(MenuActions actions = DefaultMenuActions(), QWidget* parent = nullptr);

    // Opening: the settings reminders and the version label.  Runs once, when
    // the menu is first shown (or earlier when called directly).
    void load();

    // The function window now open (null when none).
    hotaru::ui::Form* functionWindow() const { return window_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool queryUnload() override;

private:
    void entryClicked();
    void openFunction(const std::function<hotaru::ui::Form*()>& factory);
    void comeBack();
    void runFromMenu(const std::function<void(QWidget*)>& work);
    QPushButton* makeButton(const char* name, const char* caption);

    MenuActions actions_;
    bool loaded_ = false;
    QPointer<hotaru::ui::Form> window_;
    // Where the menu stood when a function window replaced it.
    QPoint home_;

    QPushButton* Cmd_Entry;
    QPushButton* Cmd_Demand;
    QPushButton* Cmd_Est;
    QPushButton* Cmd_Csv;
    QPushButton* Cmd_fdChk;
    QPushButton* Cmd_Report;
    QPushButton* Cmd_End;
    QLabel* lbl_Ver;
    QLabel* Label2;
};

// The notice of a button whose window is not part of this build.
inline constexpr const char* kNotReadyText = "この機能は準備中です。";

}  // namespace hotaru::app
