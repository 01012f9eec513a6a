#include "settings/FrmEst.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Numeric.h"
#include "common/Sjis.h"
#include "common/Text.h"
#include "settings/SettingsStore.h"
#include "ui/CodeLists.h"
#include "ui/Fields.h"
#include "ui/InputCheck.h"
#include "ui/QtMessages.h"

namespace hotaru::settings {

using namespace hotaru::ui;

namespace {

QLabel* caption(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromUtf8(name));
    return l;
}

template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(QString::fromUtf8(name));
    return w;
}

bool blankText(const QLineEdit* e) { return Trim(e->text().toStdString()).empty(); }
bool numericText(const QLineEdit* e) { return IsNumeric(e->text().toStdString()); }

// Input fields hold ASCII digits; widths fit the longest allowed text.
int charWidth(const QWidget* w, int chars) { return w->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 16; }

}  // namespace

FrmEst::FrmEst(QWidget* parent) : Form(parent) {
    buildControls();
    handler([this] { formLoad(); });
    // Shown with the focus on the first control in tab order.
    Cbo_Type->setFocus(Qt::OtherFocusReason);
}

void FrmEst::buildControls() {
    setObjectName("Frm_Est");
    setWindowTitle(QString::fromUtf8("初期設定"));
    setFont(GothicFont(11));

    Cbo_Type = named(new QComboBox(this), "Cbo_Type");
    Txt_No_Pref = named<QLineEdit>(new DigitField(this), "Txt_No_Pref");
    Txt_No_Mark = named<QLineEdit>(new DigitField(this), "Txt_No_Mark");
    Txt_No = named<QLineEdit>(new DigitField(this), "Txt_No");
    Txt_No_Eda = named<QLineEdit>(new DigitField(this), "Txt_No_Eda");
    Txt_Name = named(new QLineEdit(this), "Txt_Name");
    Cbo_Insurance = named(new QComboBox(this), "Cbo_Insurance");
    Cbo_Hospitalization = named(new QComboBox(this), "Cbo_Hospitalization");
    Txt_Treatment = named<QLineEdit>(new DigitField(this), "Txt_Treatment");
    Lbl_TreatmentName = named(new QLabel(this), "Lbl_TreatmentName");
    Lst_Treatment = named(new QListWidget(this), "Lst_Treatment");
    Cmd_Reg = named(new QPushButton(QString::fromUtf8("登録"), this), "Cmd_Reg");
    Cmd_End = named(new QPushButton(QString::fromUtf8("終了"), this), "Cmd_End");

    SetMaxLength(Txt_No_Pref, 5);
    SetMaxLength(Txt_No_Mark, 3);
    SetMaxLength(Txt_No, 10);
    SetMaxLength(Txt_No_Eda, 3);
    SetMaxLength(Txt_Name, 20);
    SetMaxLength(Txt_Treatment, 5);
    Txt_No_Pref->setFixedWidth(charWidth(this, 3));
    Txt_No_Mark->setFixedWidth(charWidth(this, 2));
    Txt_No->setFixedWidth(charWidth(this, 10));
    Txt_No_Eda->setFixedWidth(charWidth(this, 2));
    Txt_Treatment->setFixedWidth(charWidth(this, 3));
    Txt_Name->setMinimumWidth(fontMetrics().horizontalAdvance(QString(20, QChar(0x3042))) + 16);
    Lbl_TreatmentName->setMinimumWidth(fontMetrics().horizontalAdvance(QString(10, QChar(0x3042))));
    Lbl_TreatmentName->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    for (QComboBox* c : {Cbo_Type, Cbo_Insurance, Cbo_Hospitalization}) {
        c->setMinimumWidth(fontMetrics().horizontalAdvance(QString::fromUtf8("0:") + QString(8, QChar(0x3042))) + 40);
        c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    }
    // The candidate list shows only while the department field has the
    // focus; it never takes the focus itself, so a click on it is a pick.
    Lst_Treatment->setFocusPolicy(Qt::NoFocus);
    Lst_Treatment->setFixedHeight(fontMetrics().height() * 6 + 8);
    QSizePolicy keep = Lst_Treatment->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    Lst_Treatment->setSizePolicy(keep);
    Lst_Treatment->hide();

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    int row = 0;
    grid->addWidget(caption(this, "Lbl_Type", "機関種別"), row, 0);
    grid->addWidget(Cbo_Type, row++, 1, Qt::AlignLeft);
    auto* number = new QHBoxLayout;
    number->setSpacing(4);
    number->addWidget(Txt_No_Pref);
    number->addWidget(Txt_No_Mark);
    number->addWidget(Txt_No);
    number->addWidget(caption(this, "Lbl_Hyphen", "-"));
    number->addWidget(Txt_No_Eda);
    number->addStretch();
    grid->addWidget(caption(this, "Lbl_No", "機関番号"), row, 0);
    grid->addLayout(number, row++, 1);
    grid->addWidget(caption(this, "Lbl_Name", "名称"), row, 0);
    grid->addWidget(Txt_Name, row++, 1);
    grid->addWidget(caption(this, "Lbl_Insurance", "保険種別"), row, 0);
    grid->addWidget(Cbo_Insurance, row++, 1, Qt::AlignLeft);
    grid->addWidget(caption(this, "Lbl_Hospitalization", "入外区分"), row, 0);
    grid->addWidget(Cbo_Hospitalization, row++, 1, Qt::AlignLeft);
    auto* dept = new QHBoxLayout;
    dept->setSpacing(6);
    dept->addWidget(Txt_Treatment);
    dept->addWidget(Lbl_TreatmentName, 1);
    grid->addWidget(caption(this, "Lbl_Treatment", "診療科"), row, 0);
    grid->addLayout(dept, row++, 1);
    grid->addWidget(Lst_Treatment, row++, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {Cmd_Reg, Cmd_End}) {
        b->setMinimumWidth(charWidth(this, 8));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    int tab = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{Cbo_Type, Txt_No_Pref, Txt_No_Mark, Txt_No, Txt_No_Eda, Txt_Name,
                                                      Cbo_Insurance, Cbo_Hospitalization, Txt_Treatment, Cmd_Reg,
                                                      Cmd_End})
        setTabIndex(w, tab++);

    // Number parts and the department code: digits only, whole text selected
    // on entry, and on to the next part at full length.
    for (QLineEdit* e : {Txt_No_Pref, Txt_No_Mark, Txt_No, Txt_No_Eda, Txt_Name, Txt_Treatment}) SelectAllOnFocus(e);
    AdvanceAt(Txt_No_Pref, 2, Txt_No_Mark);
    AdvanceAt(Txt_No_Mark, 1, Txt_No);
    AdvanceAt(Txt_No, 7, [this]() -> QWidget* { return Txt_No_Eda->isEnabled() ? Txt_No_Eda : Txt_Name; });
    AdvanceAt(Txt_No_Eda, 1, Txt_Name);
    AdvanceAt(Txt_Name, 20, Cbo_Insurance);
    ReformatOnLeave(Txt_No, "0000000");
    OnLostFocus(Txt_Name, [this] { nameLeave(); });

    OnGotFocus(Txt_Treatment, [this] { Lst_Treatment->show(); });
    OnLostFocus(Txt_Treatment, [this] { treatmentLeave(); });
    connect(Txt_Treatment, &QLineEdit::textChanged, this, guard([this] { treatmentChange(); }));
    connect(Lst_Treatment, &QListWidget::itemClicked, this,
            guard([this](QListWidgetItem* item) { treatmentPicked(Lst_Treatment->row(item)); }));

    connect(Cbo_Type, &QComboBox::currentIndexChanged, this, guard([this] { applyKindLayout(kindOfType()); }));
    connect(Cmd_Reg, &QPushButton::clicked, this, guard([this] { cmdRegClick(); }));
    connect(Cmd_End, &QPushButton::clicked, this, guard([this] { close(); }));
    SkipsLeaveRules(Cmd_End);
}

void FrmEst::formLoad() {
    indexControls();
    if (!FillCodeList("T_機関種別", Cbo_Type)) return;
    if (!FillCodeList("T_保険種別", Cbo_Insurance)) return;
    if (!FillCodeList("T_入外区分", Cbo_Hospitalization)) return;
    if (!FillCodeList("T_診療科", Lst_Treatment)) return;
    isLoading = true;
    if (loadSettings()) {
        recordedNumber_ = joinedNumber();
        isLoading = false;
    }
}

std::string FrmEst::kindOfType() const { return CodePart(SelectedText(Cbo_Type)); }

std::string FrmEst::joinedNumber() const {
    return JoinInstitutionNumber(Txt_No_Pref->text().toStdString(), Txt_No_Mark->text().toStdString(),
                                 Txt_No->text().toStdString(), Txt_No_Eda->text().toStdString());
}

void FrmEst::applyKindLayout(const std::string& kind) {
    auto open = [](QLineEdit* e) {
        e->setReadOnly(false);
        e->setEnabled(true);
        SetBackColor(e, kWindowColour);
    };
    auto shut = [](QLineEdit* e) {
        e->clear();
        e->setReadOnly(true);
        e->setEnabled(false);
        SetBackColor(e, kButtonFaceColour);
    };
    if (kind == "1" || kind.empty()) {
        open(Txt_No_Pref);
        open(Txt_No_Mark);
        open(Txt_No);
        shut(Txt_No_Eda);
        Txt_No_Pref->setText("46");
    } else if (kind == "2") {
        shut(Txt_No_Pref);
        shut(Txt_No_Mark);
        open(Txt_No);
        open(Txt_No_Eda);
    }
}

void FrmEst::selectType(const std::string& code) {
    // The layout follows the selection even when the entry was already selected.
    const int before = Cbo_Type->currentIndex();
    if (SelectComboByCode(Cbo_Type, code) && Cbo_Type->currentIndex() == before) applyKindLayout(kindOfType());
}

bool FrmEst::loadSettings() {
    return handler([this] {
        if (Cbo_Type->count() > 0) {
            if (Cbo_Type->currentIndex() == 0) applyKindLayout(kindOfType());
            else Cbo_Type->setCurrentIndex(0);
        }
        for (QLineEdit* e : {Txt_No_Pref, Txt_No_Mark, Txt_No, Txt_No_Eda, Txt_Name}) e->clear();
        Cbo_Insurance->setCurrentIndex(-1);
        Cbo_Hospitalization->setCurrentIndex(-1);
        Txt_Treatment->clear();
        Lbl_TreatmentName->clear();
        SetBackColor(Txt_Name, kWindowColour);
        Cmd_Reg->setEnabled(true);

        const auto stored = ReadStoredSettings();
        if (!stored) {
            applyKindLayout("1");
            return;
        }
        selectType(stored->type.isNull() ? "0" : stored->type.str());
        const long long type = stored->type.isNull() ? 0 : stored->type.toInt();
        if (type == 2) {
            Txt_No_Pref->clear();
            Txt_No_Mark->clear();
            Txt_No->setText(QString::fromStdString(stored->no.str()));
            Txt_No_Eda->setText(QString::fromStdString(stored->eda.str()));
            Txt_Name->setText(QString::fromStdString(stored->name.str()));
        } else if (type == 1) {
            Txt_No_Pref->setText(QString::fromStdString(stored->kencd.str()));
            Txt_No_Mark->setText(QString::fromStdString(stored->tencd.str()));
            Txt_No->setText(QString::fromStdString(stored->no.str()));
            Txt_No_Eda->clear();
            Txt_Name->setText(QString::fromStdString(stored->name.str()));
        }
        Txt_Treatment->setText(QString::fromStdString(stored->treatment.str()));
        refillTreatmentList();
        treatmentLeave();
        SelectComboByCode(Cbo_Insurance, stored->insurance.isNull() ? "0" : stored->insurance.str());
        SelectComboByCode(Cbo_Hospitalization,
                          stored->hospitalization.isNull() ? "0" : stored->hospitalization.str());
    });
}

// ---- The department code and its candidate list.

void FrmEst::refillTreatmentList() {
    Lst_Treatment->clear();
    FillCodeList("SELECT * FROM T_診療科 Where (T_診療科.code) Like ?", Lst_Treatment,
                 {PrefixPattern(Txt_Treatment->text().toStdString())});
}

void FrmEst::treatmentChange() {
    if (isLoading) return;
    if (!isPicking) Lbl_TreatmentName->clear();
    Lst_Treatment->clear();
    const bool filled = FillCodeList("SELECT * FROM T_診療科 Where (T_診療科.code) Like ?", Lst_Treatment,
                                     {PrefixPattern(Txt_Treatment->text().toStdString())});
    if (filled && Lst_Treatment->count() == 1 && !isPicking) {
        // A prefix only one department has is completed to its code.
        const std::string entry = Lst_Treatment->item(0)->text().toStdString();
        Lbl_TreatmentName->setText(QString::fromStdString(NamePart(entry)));
        Txt_Treatment->setText(QString::fromStdString(CodePart(entry)));
    }
    if (Txt_Treatment->text().size() == 2) Cmd_Reg->setFocus(Qt::OtherFocusReason);
}

void FrmEst::treatmentLeave() {
    Lst_Treatment->hide();
    if (!Txt_Treatment->text().isEmpty() && !isPicking) {
        const std::string first = Lst_Treatment->count() > 0 ? Lst_Treatment->item(0)->text().toStdString() : "";
        Lbl_TreatmentName->setText(QString::fromStdString(NamePart(first)));
    }
    if (Lbl_TreatmentName->text().isEmpty()) Txt_Treatment->clear();
}

void FrmEst::treatmentPicked(int row) {
    if (row < 0 || row >= Lst_Treatment->count()) return;
    const std::string entry = Lst_Treatment->item(row)->text().toStdString();
    isPicking = true;
    try {
        Lbl_TreatmentName->setText(QString::fromStdString(NamePart(entry)));
        Txt_Treatment->setText(QString::fromStdString(CodePart(entry)));
        Cmd_Reg->setFocus(Qt::OtherFocusReason);
    } catch (...) {
        isPicking = false;
        throw;
    }
    isPicking = false;
}

void FrmEst::nameLeave() {
    const std::string name = Txt_Name->text().toStdString();
    if (!Trim(name).empty() && !IsFullWidth(name)) {
        MsgBox("氏名は全角で入力してください\r", mbCritical, "処理確認");
        FocusBack(Txt_Name);
    }
}

// ---- Registration.

bool FrmEst::checkSettingsInput() {
    bool result = false;
    handler([&] {
        BeginInputCheck();
        if (Cbo_Type->currentIndex() < 0) MarkFailed(Cbo_Type, "ERR01", "機関種別");
        else ResetFieldColour(Cbo_Type);

        const std::string kind = kindOfType();
        auto check = [](QLineEdit* e, bool failed, const char* label) {
            if (failed) MarkFailed(e, "ERR01", label);
            else ResetFieldColour(e);
        };
        if (kind == "1") {
            check(Txt_No_Pref,
                  blankText(Txt_No_Pref) || !numericText(Txt_No_Pref) ||
                      CharCount(Trim(Txt_No_Pref->text().toStdString())) != 2,
                  "県区分");
            check(Txt_No_Mark, blankText(Txt_No_Mark) || !numericText(Txt_No_Mark), "点数区分");
            check(Txt_No, blankText(Txt_No) || !numericText(Txt_No), "機関番号");
        } else if (kind == "2") {
            check(Txt_No, blankText(Txt_No) || !numericText(Txt_No), "機関番号");
            check(Txt_No_Eda, blankText(Txt_No_Eda) || !numericText(Txt_No_Eda), "枝番号");
        }
        check(Txt_Name, blankText(Txt_Name), "名称");
        if (Cbo_Insurance->currentIndex() < 0) MarkFailed(Cbo_Insurance, "ERR01", "保険種別");
        else ResetFieldColour(Cbo_Insurance);

        if (!FinishInputCheck()) return;

        if (SelectedText(Cbo_Type).starts_with('1')) {
            const std::string no = Trim(Txt_No->text().toStdString());
            const std::string digit = ComputeCheckDigit(
                CheckDigitSource(Txt_No_Pref->text().toStdString(), Txt_No_Mark->text().toStdString(),
                                 Txt_No->text().toStdString()));
            if (no.empty() || digit != no.substr(no.size() - 1)) {
                if (MsgBox("機関番号が間違っています。\r登録してもよろしいですか？\r", mbYesNo + mbExclamation,
                           "入力チェック") != mbYes) {
                    FocusBack(Txt_No);
                    return;
                }
            }
        }
        result = true;
    });
    return result;
}

void FrmEst::cmdRegClick() {
    if (!checkSettingsInput()) return;

    const std::string joined = joinedNumber();
    bool deleteClaimRows = false;
    if (joined != recordedNumber_) {
        const int answer = MsgBox(
            "機関番号が変更されたので、入力画面にてすでに入力されているデータは削除されます。\r\nよろしいですか？",
            mbYesNo + mbExclamation + mbDefaultButton2, "処理確認");
        if (answer != mbYes) return;
        deleteClaimRows = true;
    }

    const std::string kind = kindOfType();
    InstitutionRow row;
    row.kencd = kind == "1" ? Txt_No_Pref->text().toStdString() : "";
    row.tencd = kind == "1" ? Txt_No_Mark->text().toStdString() : "";
    row.no = kind == "1" || kind == "2" ? Txt_No->text().toStdString() : "";
    row.eda = kind == "2" ? Txt_No_Eda->text().toStdString() : "";
    row.type = EntryCodeNumber(SelectedText(Cbo_Type));
    row.name = Txt_Name->text().toStdString();
    row.insurance = EntryCodeNumber(SelectedText(Cbo_Insurance));
    if (Cbo_Hospitalization->currentIndex() >= 0)
        row.hospitalization = EntryCodeNumber(SelectedText(Cbo_Hospitalization));
    if (!Lbl_TreatmentName->text().isEmpty()) row.treatment = Txt_Treatment->text().toStdString();

    BackupBeforeDeletion backup(deleteClaimRows);
    if (!backup.ready()) return;
    {
        BusyCursor busy;
        try {
            RegisterInstitution(row, deleteClaimRows);
        } catch (const std::exception& e) {
            // Nothing was kept, so the number stays the one stored and the
            // next registration asks again before it deletes.
            busy.release();
            ShowStandardError(e);
            return;
        }
    }
    backup.keep();
    if (deleteClaimRows) recordedNumber_ = joined;

    MsgBox("登録が完了しました。\r", mbInformation, "処理確認");
    // Refilled like at opening: the rules that move the focus on stay quiet.
    isLoading = true;
    const bool loaded = loadSettings();
    isLoading = false;
    if (loaded) Cbo_Type->setFocus(Qt::OtherFocusReason);
}

}  // namespace hotaru::settings
