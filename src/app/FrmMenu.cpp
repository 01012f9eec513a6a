#include "app/FrmMenu.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/SettingsCheck.h"
#include "app/Startup.h"
#include "common/Messages.h"
#include "ui/QtMessages.h"

namespace hotaru::app {

using hotaru::ui::Form;

FrmMenu::FrmMenu(MenuActions actions, QWidget* parent) : Form(parent), actions_(std::move(actions)) {
    setObjectName("Frm_Menu");
    setWindowTitle("Menu");
    setFont(hotaru::ui::GothicFont(11));
    // The buttons take Enter themselves; the menu has no fields to move through.
    setEnterNavigation(false);

    Label2 = new QLabel("ホタル", this);
    Label2->setObjectName("Label2");
    Label2->setFont(hotaru::ui::GothicFont(26));
    Label2->setAlignment(Qt::AlignCenter);

    Cmd_Entry = makeButton("Cmd_Entry", "入力");
    Cmd_Demand = makeButton("Cmd_Demand", "請求月");
    Cmd_Est = makeButton("Cmd_Est", "初期設定");
    Cmd_Csv = makeButton("Cmd_Csv", "ＣＳＶ出力");
    Cmd_fdChk = makeButton("Cmd_fdChk", "ＦＤチェック");
    Cmd_Report = makeButton("Cmd_Report", "一覧表");
    Cmd_End = makeButton("Cmd_End", "終了");

    lbl_Ver = new QLabel(this);
    lbl_Ver->setObjectName("lbl_Ver");
    lbl_Ver->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(12);
    grid->addWidget(Cmd_Entry, 0, 0);
    grid->addWidget(Cmd_Demand, 0, 1);
    grid->addWidget(Cmd_Est, 1, 0);
    grid->addWidget(Cmd_Csv, 1, 1);
    grid->addWidget(Cmd_fdChk, 2, 0);
    grid->addWidget(Cmd_Report, 2, 1);
    grid->addWidget(Cmd_End, 3, 0, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 20, 28, 12);
    layout->setSpacing(16);
    layout->addWidget(Label2);
    layout->addLayout(grid);
    layout->addWidget(lbl_Ver);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    int tab = 0;
    for (QWidget* b : {Cmd_Entry, Cmd_Demand, Cmd_Est, Cmd_Csv, Cmd_fdChk, Cmd_Report, Cmd_End}) setTabIndex(b, tab++);
    indexControls();

    // The home window opens in the middle of the screen.
    adjustSize();
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());

    connect(Cmd_Entry, &QPushButton::clicked, this, guard([this] { entryClicked(); }));
    connect(Cmd_Demand, &QPushButton::clicked, this, guard([this] { openFunction(actions_.demand); }));
    connect(Cmd_Est, &QPushButton::clicked, this, guard([this] { openFunction(actions_.est); }));
    connect(Cmd_Csv, &QPushButton::clicked, this, guard([this] { openFunction(actions_.csv); }));
    connect(Cmd_fdChk, &QPushButton::clicked, this, guard([this] { runFromMenu(actions_.fdCheck); }));
    connect(Cmd_Report, &QPushButton::clicked, this, guard([this] { runFromMenu(actions_.report); }));
    connect(Cmd_End, &QPushButton::clicked, this, guard([this] { close(); }));
}

QPushButton* FrmMenu::makeButton(const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), this);
    b->setObjectName(name);
    b->setAutoDefault(true);
    b->setMinimumSize(170, 46);
    return b;
}

void FrmMenu::load() {
    if (loaded_) return;
    loaded_ = true;
    // One trap for the whole opening: a failure shows one error message and
    // leaves the rest undone, and the menu opens all the same.
    handler([this] {
        // The reminders only inform: the menu opens whatever they say.
        RemindMissingSettings();
        lbl_Ver->setText(QString::fromStdString(VersionLabelText()));
    });
}

void FrmMenu::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    load();
}

bool FrmMenu::queryUnload() {
    DisconnectDatabase();
    return true;
}

void FrmMenu::entryClicked() {
    PatchCityMaster();
    if (RemindMissingSettings()) return;
    openFunction(actions_.entry);
}

void FrmMenu::openFunction(const std::function<Form*()>& factory) {
    if (!factory) {
        MsgBox(kNotReadyText, mbInformation, "処理確認");
        return;
    }
    // The window is made before the menu hides, so a window that fails to
    // open leaves the menu on the screen.
    Form* w = factory();
    if (!w) return;
    window_ = w;
    connect(w, &Form::closed, this, guard([this] { comeBack(); }));
    // A window that goes away without closing (a failed opening) brings the menu back too.
    connect(w, &QObject::destroyed, this, [this] {
        if (isHidden()) comeBack();
    });
    home_ = pos();
    hide();
    w->show();
}

// Back where it stood: a window shown again without a position of its own
// is placed anew by the window manager, somewhere else each time.
void FrmMenu::comeBack() {
    move(home_);
    show();
}

void FrmMenu::runFromMenu(const std::function<void(QWidget*)>& work) {
    if (!work) {
        MsgBox(kNotReadyText, mbInformation, "処理確認");
        return;
    }
    work(this);
}

}  // namespace hotaru::app
