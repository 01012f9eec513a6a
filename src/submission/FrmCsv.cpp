#include "submission/FrmCsv.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "common/Paths.h"
#include "submission/Export.h"
#include "submission/SubmissionFile.h"
#include "ui/Fields.h"
#include "ui/QtMessages.h"

namespace hotaru::submission {

using namespace hotaru::ui;

namespace {

SaveDialog& InstalledDialog() {
    static SaveDialog dialog;
    return dialog;
}

std::optional<std::string> DesktopSaveDialog(QWidget* owner, const std::string& folder, const std::string& name) {
    const std::string start = folder.empty() ? name : folder + "/" + name;
    // The dialog asks before it lets an existing file be chosen.
    QString chosen = QFileDialog::getSaveFileName(owner, QString(), QString::fromStdString(start),
                                                  QString::fromUtf8("CSVファイル(*.csv)"));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(QString::fromUtf8(name));
    return w;
}

}  // namespace

void SetSaveDialog(SaveDialog dialog) { InstalledDialog() = std::move(dialog); }

FrmCsv::FrmCsv(QWidget* parent) : Form(parent) {
    buildControls();
    handler([this] { formLoad(); });
    Cmd_Reference->setFocus(Qt::OtherFocusReason);
}

void FrmCsv::buildControls() {
    setObjectName("Frm_Csv");
    setWindowTitle(QString::fromUtf8("CSV出力"));
    setFont(GothicFont(11));

    Frame1 = named(new QGroupBox(QString::fromUtf8("ＣＳＶ出力先"), this), "Frame1");
    Txt_Path = named(new QLineEdit(Frame1), "Txt_Path");
    Cmd_Reference = named(new QPushButton(QString::fromUtf8("参照"), Frame1), "Cmd_Reference");
    Cmd_Reg = named(new QPushButton(QString::fromUtf8("実行"), this), "Cmd_Reg");
    Cmd_End = named(new QPushButton(QString::fromUtf8("終了"), this), "Cmd_End");
    Lbl_Csv = named(new QLabel(this), "Lbl_Csv");

    // The path is shown, never read back: the folder comes from 参照.
    Txt_Path->setReadOnly(true);
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    Txt_Path->setMinimumWidth(digit * 56);

    auto* pathLine = new QHBoxLayout(Frame1);
    pathLine->addWidget(Txt_Path, 1);
    pathLine->addWidget(Cmd_Reference);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Lbl_Csv, 1);
    for (QPushButton* b : {Cmd_Reference, Cmd_Reg, Cmd_End}) {
        b->setMinimumWidth(digit * 8 + 16);
        b->setAutoDefault(false);
    }
    buttons->addWidget(Cmd_Reg);
    buttons->addWidget(Cmd_End);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 12);
    layout->addWidget(Frame1);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    int tab = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{Txt_Path, Cmd_Reference, Cmd_Reg, Cmd_End}) setTabIndex(w, tab++);
    SelectAllOnFocus(Txt_Path);

    connect(Cmd_Reference, &QPushButton::clicked, this, guard([this] { cmdReferenceClick(); }));
    connect(Cmd_Reg, &QPushButton::clicked, this, guard([this] { cmdRegClick(); }));
    connect(Cmd_End, &QPushButton::clicked, this, guard([this] { close(); }));
    SkipsLeaveRules(Cmd_End);
}

void FrmCsv::showPath() {
    std::string shown;
    if (!folder_.empty() || !fileName_.empty()) shown = (folder_ == "/" ? std::string() : folder_) + "/" + fileName_;
    Txt_Path->setText(QString::fromStdString(shown));
}

void FrmCsv::formLoad() {
    indexControls();
    auto row = ReadSettingsRow();
    if (!row) return;  // nothing to export: folder, name and path stay empty
    // The folder of the last export, else the user's home folder.
    folder_ = row->path && !row->path->empty() ? *row->path : HomeDir().string();
    while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
    if (row->request) fileName_ = BuildSubmissionFileName(*row);
    showPath();
}

void FrmCsv::cmdReferenceClick() {
    SaveDialog dialog = InstalledDialog() ? InstalledDialog() : SaveDialog(DesktopSaveDialog);
    const auto chosen = dialog(this, folder_, fileName_);
    if (!chosen) return;
    Txt_Path->setText(QString::fromStdString(*chosen));
    const std::size_t slash = chosen->rfind('/');
    const std::string name = slash == std::string::npos ? *chosen : chosen->substr(slash + 1);
    // The root keeps its slash; anything else is stored without one.
    folder_ = slash == std::string::npos ? std::string() : chosen->substr(0, slash == 0 ? 1 : slash);
    if (name != fileName_) {
        MsgBox("ＣＳＶファイル名(" + fileName_ + ")は変更できません。", mbOKOnly, "");
        showPath();
    }
}

void FrmCsv::cmdRegClick() {
    ExportResult result;
    {
        BusyCursor busy;
        result = RunExport(folder_);
    }
    ShowMessage(result.message);
}

}  // namespace hotaru::submission
