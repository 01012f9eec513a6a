#include "settings/FrmDemand.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Numeric.h"
#include "common/Text.h"
#include "settings/ClaimMonth.h"
#include "settings/SettingsStore.h"
#include "ui/CodeLists.h"
#include "ui/Fields.h"
#include "ui/InputCheck.h"
#include "ui/QtMessages.h"

namespace hotaru::settings {

using namespace hotaru::ui;

namespace {

template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(QString::fromUtf8(name));
    return w;
}

bool blankText(const QLineEdit* e) { return Trim(e->text().toStdString()).empty(); }

}  // namespace

FrmDemand::FrmDemand(QWidget* parent) : Form(parent) {
    buildControls();
    handler([this] { formLoad(); });
    // Shown with the focus on the first control in tab order.
    Cbo_Demand->setFocus(Qt::OtherFocusReason);
}

void FrmDemand::buildControls() {
    setObjectName("Frm_Demand");
    setWindowTitle(QString::fromUtf8("請求月"));
    setFont(GothicFont(11));

    Lbl_Demand = named(new QLabel(QString::fromUtf8("請求月"), this), "Lbl_Demand");
    Cbo_Demand = named(new QComboBox(this), "Cbo_Demand");
    Txt_Year = named<QLineEdit>(new DigitField(this), "Txt_Year");
    Lbl_Year = named(new QLabel(QString::fromUtf8("年"), this), "Lbl_Year");
    Txt_Month = named<QLineEdit>(new DigitField(this), "Txt_Month");
    Lbl_Month = named(new QLabel(QString::fromUtf8("月"), this), "Lbl_Month");
    Cmd_Reg = named(new QPushButton(QString::fromUtf8("登録"), this), "Cmd_Reg");
    Cmd_End = named(new QPushButton(QString::fromUtf8("終了"), this), "Cmd_End");

    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (QLineEdit* e : {Txt_Year, Txt_Month}) {
        SetMaxLength(e, 2);
        e->setFixedWidth(digit * 3 + 16);
        e->setAlignment(Qt::AlignRight);
    }
    Cbo_Demand->setMinimumWidth(fontMetrics().horizontalAdvance(QString::fromUtf8("0:令和")) + 40);

    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    line->addWidget(Lbl_Demand);
    line->addSpacing(10);
    line->addWidget(Cbo_Demand);
    line->addWidget(Txt_Year);
    line->addWidget(Lbl_Year);
    line->addWidget(Txt_Month);
    line->addWidget(Lbl_Month);
    line->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : {Cmd_Reg, Cmd_End}) {
        b->setMinimumWidth(digit * 8 + 16);
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 12);
    layout->addLayout(line);
    layout->addSpacing(16);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    int tab = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{Cbo_Demand, Txt_Year, Txt_Month, Cmd_Reg, Cmd_End})
        setTabIndex(w, tab++);

    for (QLineEdit* e : {Txt_Year, Txt_Month}) {
        SelectAllOnFocus(e);
        ReformatOnLeave(e, "00");
        OnLostFocus(e, [e] { CheckNumericField(e, "請求月"); });
    }
    AdvanceAt(Txt_Year, 2, Txt_Month);
    AdvanceAt(Txt_Month, 2, Cmd_Reg);

    connect(Cmd_Reg, &QPushButton::clicked, this, guard([this] { cmdRegClick(); }));
    connect(Cmd_End, &QPushButton::clicked, this, guard([this] { close(); }));
    SkipsLeaveRules(Cmd_End);
}

void FrmDemand::formLoad() {
    indexControls();
    if (!FillCodeList("T_元号", Cbo_Demand)) return;
    isLoading = true;
    if (initClaimMonthScreen()) isLoading = false;
}

bool FrmDemand::initClaimMonthScreen() {
    return handler([this] {
        Cbo_Demand->setCurrentIndex(Cbo_Demand->count() > 0 ? 0 : -1);
        Txt_Year->clear();
        Txt_Month->clear();
        SetBackColor(Txt_Year, kWindowColour);
        SetBackColor(Txt_Month, kWindowColour);
        showStoredClaimMonth();
    });
}

void FrmDemand::showStoredClaimMonth() {
    const auto month = StoredClaimMonth();
    if (!month) return;
    const auto shown = EraMonthOf(*month);
    if (!shown) return;
    if (const auto code = EraCodeByName(shown->era)) SelectComboByCode(Cbo_Demand, std::to_string(*code));
    Txt_Year->setText(QString::fromStdString(shown->year));
    Txt_Month->setText(QString::fromStdString(shown->month));
}

std::optional<Date> FrmDemand::validateClaimMonth() {
    std::optional<Date> claimMonth;
    handler([&] {
        BeginInputCheck();
        const bool hasYear = !blankText(Txt_Year);
        if (!hasYear) MarkFailed(Txt_Year, "ERR01", "年");
        else ResetFieldColour(Txt_Year);

        bool monthInRange = false;
        if (blankText(Txt_Month)) {
            MarkFailed(Txt_Month, "ERR01", "月");
        } else {
            ResetFieldColour(Txt_Month);
            const auto m = ToNumber(Trim(Txt_Month->text().toStdString()));
            monthInRange = m && *m != 0 && *m <= 12;
            if (!monthInRange) MarkFailed(Txt_Month, "ERR02", "月");
            else ResetFieldColour(Txt_Month);
        }

        if (hasYear && monthInRange) {
            const std::string era = NamePart(SelectedText(Cbo_Demand));
            claimMonth = ClaimMonthFromEra(era, Txt_Year->text().toStdString(), Txt_Month->text().toStdString());
            if (claimMonth) {
                ResetFieldColour(Txt_Year);
                ResetFieldColour(Txt_Month);
            } else {
                MarkFailed(Txt_Year, "ERR02", "請求月");
                SetBackColor(Txt_Month, kRed);
            }
        }
        if (!FinishInputCheck()) claimMonth.reset();
    });
    return claimMonth;
}

void FrmDemand::cmdRegClick() {
    const auto month = validateClaimMonth();
    if (!month) return;

    if (IsBeforeFirstClaimMonth(*month)) {
        MsgBox("請求月が、平成19年3月以前のものは入力できません。　\r", mbCritical, "確認");
        SetBackColor(Txt_Year, kRed);
        SetBackColor(Txt_Month, kRed);
        FocusBack(Txt_Year);
        return;
    }

    if (MsgBox("請求月を更新します。\r更新すると、過去分のデータが消えます。\rよろしいですか？\r",
               mbYesNo + mbExclamation, "確認") != mbYes)
        return;
    if (MsgBox("過去分のデータを消します。\r本当によろしいですか？\r", mbYesNo + mbExclamation, "確認") != mbYes) return;
    BackupBeforeDeletion backup;
    if (!backup.ready()) return;

    {
        BusyCursor busy;
        try {
            RegisterClaimMonth(*month);
        } catch (const std::exception& e) {
            busy.release();
            ShowStandardError(e);
            return;
        }
    }
    backup.keep();
    // Reported only once the month and the deletion are committed.
    MsgBox("登録が完了しました。", mbInformation, "処理確認");
    Cmd_End->setFocus(Qt::OtherFocusReason);
}

}  // namespace hotaru::settings
