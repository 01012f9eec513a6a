#include "entry/FrmSubEntry.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Messages.h"
#include "common/Numeric.h"
#include "common/Text.h"
#include "entry/EntryCore.h"
#include "entry/FrmEntry.h"
#include "ui/CodeLists.h"
#include "ui/Fields.h"
#include "ui/QtMessages.h"

namespace hotaru::entry {

using namespace hotaru::ui;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Amounts in the grid: a zero shows as an empty cell.
std::string GridAmount(const data::Value& v) {
    if (v.isBlank()) return {};
    return FormatNumber(v.toDouble(), "###,###,###");
}

// Amounts loaded for correction; a stored zero stays 0 so that registering
// the branch again keeps it.
std::string FieldAmount(const std::optional<long long>& v) {
    if (!v) return {};
    if (*v == 0) return "0";
    return FormatNumber(static_cast<double>(*v), "#,###,###,###");
}

}  // namespace

FrmSubEntry::FrmSubEntry(FrmEntry* entry) : Form(nullptr), entry_(entry) {
    setObjectName("Frm_SubEntry");
    setWindowTitle(QString::fromUtf8("参照"));
    build();
    connect(this, &Form::closed, this, [this] { finish(focusTotal_); });
    handler([this] { fill(); });
}

void FrmSubEntry::build() {
    setFont(GothicFont(11));
    const QFontMetrics fm(font());
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(2);
    const char* headings[] = {"枝番", "氏　　名", "保険者番号", "合計点数", "自己負担支払額"};
    const int widths[] = {fm.horizontalAdvance("0000") + 14, fm.horizontalAdvance(QString::fromUtf8("あ").repeated(15)) + 14,
                          fm.horizontalAdvance("000000000000") + 14, fm.horizontalAdvance("999,999,999") + 18,
                          fm.horizontalAdvance("999,999,999") + 18};
    for (int c = 0; c < 5; ++c) {
        auto* h = new QLabel(QString::fromUtf8(headings[c]), this);
        h->setAlignment(Qt::AlignCenter);
        h->setFrameShape(QFrame::Box);
        h->setMinimumWidth(widths[c]);
        // 自己負担支払額 is wider than the amounts under it.
        h->setMinimumWidth(std::max(widths[c], fm.horizontalAdvance(h->text()) + 12));
        grid->addWidget(h, 0, c);
    }
    std::array<std::array<QLineEdit*, kRows>*, 5> columns{&Txt_edaban, &Txt_simei, &Txt_hoken, &Txt_goukei, &Txt_jiko};
    const char* names[] = {"Txt_edaban", "Txt_simei", "Txt_hoken", "Txt_goukei", "Txt_jiko"};
    for (int r = 0; r < kRows; ++r) {
        for (int c = 0; c < 5; ++c) {
            auto* cell = new QLineEdit(this);
            cell->setObjectName(QString("%1_%2").arg(names[c]).arg(r));
            cell->setReadOnly(true);
            cell->setAlignment(c == 1 ? Qt::AlignLeft : Qt::AlignRight);
            cell->setMinimumWidth(widths[c]);
            if (c != 0) cell->setFocusPolicy(Qt::NoFocus);
            (*columns[c])[r] = cell;
            grid->addWidget(cell, r + 1, c);
        }
        SetBackColor(Txt_edaban[r], 0x00C0FFFF);
        Txt_edaban[r]->installEventFilter(this);
        Txt_edaban[r]->setCursor(Qt::PointingHandCursor);
    }
    Cmd_tuika = new QPushButton(QString::fromUtf8("追加"), this);
    Cmd_tuika->setObjectName("Cmd_tuika");
    Cmd_modoru = new QPushButton(QString::fromUtf8("戻る"), this);
    Cmd_modoru->setObjectName("Cmd_modoru");
    for (QPushButton* b : {Cmd_tuika, Cmd_modoru}) {
        b->setAutoDefault(true);
        b->setMinimumWidth(96);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Cmd_tuika);
    buttons->addWidget(Cmd_modoru);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 14);
    layout->setSpacing(12);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabIndex(Cmd_tuika, 0);
    setTabIndex(Cmd_modoru, 1);
    for (int r = 0; r < kRows; ++r) setTabIndex(Txt_edaban[r], 2 + r);
    indexControls();

    connect(Cmd_tuika, &QPushButton::clicked, this, guard([this] { addBranch(); }));
    connect(Cmd_modoru, &QPushButton::clicked, this, guard([this] { goBack(); }));
}

void FrmSubEntry::fill() {
    for (auto* column : {&Txt_edaban, &Txt_simei, &Txt_hoken, &Txt_goukei, &Txt_jiko})
        for (QLineEdit* cell : *column) {
            cell->clear();
            cell->hide();
        }
    Cmd_tuika->show();
    const std::vector<WorkRow> rows = ReadWorkRows();
    for (std::size_t n = 0; n < rows.size(); ++n) {
        if (n == kRows) {
            MsgBox("枝番が１０を超えています。", mbOKOnly);
            break;
        }
        const WorkRow& w = rows[n];
        Txt_edaban[n]->setText(Q(w.branch.str()));
        Txt_simei[n]->setText(Q(w.name.str()));
        Txt_hoken[n]->setText(Q(w.insuranceNo.str()));
        Txt_goukei[n]->setText(Q(GridAmount(w.total)));
        Txt_jiko[n]->setText(Q(GridAmount(w.payment)));
        for (auto* column : {&Txt_edaban, &Txt_simei, &Txt_hoken, &Txt_goukei, &Txt_jiko}) (*column)[n]->show();
        if (n + 1 == kRows) Cmd_tuika->hide();
    }
}

int FrmSubEntry::rowOf(const QWidget* w) const {
    for (int r = 0; r < kRows; ++r)
        if (Txt_edaban[r] == w) return r;
    return -1;
}

void FrmSubEntry::pickBranch(int row) {
    if (row < 0 || row >= kRows || !entry_) return;
    FrmEntry& e = *entry_;
    const std::string b = Trim(Txt_edaban[row]->text().toStdString());
    auto eda = ParseAmount(b);
    if (!eda || *eda == 0) return;

    const std::string city = e.Txt_City->text().toStdString();
    const std::string recipient = Trim(e.Txt_Recipient->text().toStdString());
    auto diagnosis = TreatmentMonth(e.currentRow());
    const auto& request = e.claimMonth();

    e.isLoading = true;
    struct Done {
        FrmEntry& e;
        ~Done() { e.isLoading = false; }
    } done{e};
    e.Txt_Eda->setText(Q(b));
    if (auto master = ReadMaster(city, recipient)) {
        e.Txt_Name->setText(Q(master->name));
        e.showBirthday(master->birthday);
    }
    std::optional<ClaimRow> claim;
    if (diagnosis && request) claim = ReadClaim(city, recipient, *diagnosis, *request, *eda);
    if (!claim) {
        e.Txt_Total->clear();
        e.Txt_Payment->clear();
    } else {
        e.Txt_Total->setText(Q(FieldAmount(claim->total)));
        e.Txt_Payment->setText(Q(FieldAmount(claim->payment)));
        e.selectByCode(e.Cbo_Insurance, claim->insurance);
        e.Txt_InsuranceNo->setText(Q(claim->insuranceNo));
        e.selectByCode(e.Cbo_Hospitalization, claim->hospitalization);
        e.showRate(claim->ratio, true);
        e.showTreatment(claim->treatment);
        // The branch's own public-expense numbers, not the child's latest.
        e.Txt_PublicPay1->setText(Q(claim->publicPay1));
        e.Txt_PublicPay2->setText(Q(claim->publicPay2));
    }
    e.setEditMode(true);
    focusTotal_ = true;
    close();
}

void FrmSubEntry::addBranch() {
    if (!entry_) return;
    FrmEntry& e = *entry_;
    e.isLoading = true;
    struct Done {
        FrmEntry& e;
        ~Done() { e.isLoading = false; }
    } done{e};
    e.Txt_Eda->setText(QString::number(NextBranchFromWork()));
    const std::string city = e.Txt_City->text().toStdString();
    const std::string recipient = Trim(e.Txt_Recipient->text().toStdString());
    if (auto master = ReadMaster(city, recipient)) {
        e.Txt_Name->setText(Q(master->name));
        e.showBirthday(master->birthday);
        e.selectByCode(e.Cbo_Insurance, master->insurance);
        e.Txt_InsuranceNo->setText(Q(master->insuranceNo));
        e.showRate(master->ratio, false);
    }
    e.Txt_Total->clear();
    e.Txt_Payment->clear();
    if (auto s = ReadEntrySettings()) {
        if (s->insurance) e.selectByCode(e.Cbo_Insurance, s->insurance);
        else if (e.Cbo_Insurance->count() > 0) e.Cbo_Insurance->setCurrentIndex(0);
        if (s->hospitalization) e.selectByCode(e.Cbo_Hospitalization, s->hospitalization);
        else if (e.Cbo_Hospitalization->count() > 0) e.Cbo_Hospitalization->setCurrentIndex(0);
        e.showTreatment(s->treatment);
    }
    focusTotal_ = true;
    close();
}

void FrmSubEntry::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    // 追加 first, 戻る when there is no room for another branch.
    (Cmd_tuika->isVisibleTo(this) ? Cmd_tuika : Cmd_modoru)->setFocus(Qt::OtherFocusReason);
}

void FrmSubEntry::goBack() {
    focusTotal_ = false;
    close();
}

void FrmSubEntry::finish(bool focusTotal) {
    if (entry_) entry_->restoreFromReference(focusTotal);
}

bool FrmSubEntry::formKeyDown(QKeyEvent* event) {
    const int row = rowOf(QApplication::focusWidget());
    if (row >= 0) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: handler([&] { pickBranch(row); }); return true;
        case Qt::Key_Down:
        case Qt::Key_Up: {
            const int next = row + (event->key() == Qt::Key_Down ? 1 : -1);
            if (next >= 0 && next < kRows && Txt_edaban[next]->isVisible()) Txt_edaban[next]->setFocus();
            return true;
        }
        default: break;
        }
    }
    return Form::formKeyDown(event);
}

bool FrmSubEntry::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        const int row = rowOf(qobject_cast<QWidget*>(watched));
        if (row >= 0) {
            handler([&] { pickBranch(row); });
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

}  // namespace hotaru::entry
