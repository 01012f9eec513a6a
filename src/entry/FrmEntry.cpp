#include "entry/FrmEntry.h"

#include <algorithm>

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
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
#include "entry/EntryChecks.h"
#include "entry/EntryCore.h"
#include "entry/FrmSubEntry.h"
#include "ui/CodeLists.h"
#include "ui/Fields.h"
#include "ui/InputCheck.h"
#include "ui/QtMessages.h"

namespace hotaru::entry {

using namespace hotaru::ui;

namespace {

constexpr char CR = '\r';
constexpr long kBlue = 0xFF0000;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Q(const char* s) { return QString::fromUtf8(s); }

std::string Str(const QLineEdit* e) { return e->text().toStdString(); }

// A field wide enough for `chars` characters like `sample`.
void FitWidth(QLineEdit* e, int chars, const QString& sample = QStringLiteral("0")) {
    const QFontMetrics fm(e->font());
    e->setFixedWidth(fm.horizontalAdvance(sample.repeated(chars)) + 14);
}

QLabel* Caption(QWidget* parent, const char* text) {
    auto* l = new QLabel(Q(text), parent);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

// The name part of a list's first entry ("" for an empty list).
std::string FirstName(const QListWidget* list) {
    return list->count() > 0 ? NamePart(list->item(0)->text().toStdString()) : std::string();
}

}  // namespace

FrmEntry::FrmEntry(QWidget* parent) : Form(parent) {
    setObjectName("Frm_Entry");
    setWindowTitle(Q("入力"));
    build();
    wire();
    load();
}

// ---- Layout ------------------------------------------------------------------

void FrmEntry::build() {
    setFont(GothicFont(11));
    auto named = [](QLineEdit* e, const char* name, int maxLength) {
        e->setObjectName(name);
        e->setMaxLength(maxLength);
        return e;
    };
    auto edit = [&](const char* name, int maxLength) { return named(new QLineEdit(this), name, maxLength); };
    auto digits = [&](const char* name, int maxLength) { return named(new DigitField(this), name, maxLength); };
    auto combo = [this](const char* name) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->setEditable(false);
        return c;
    };
    auto list = [this](const char* name) {
        auto* l = new QListWidget(this);
        l->setObjectName(name);
        // A click picks an entry without taking the focus from the code field.
        l->setFocusPolicy(Qt::NoFocus);
        l->setFrameShape(QFrame::Box);
        l->hide();
        return l;
    };
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(Q(caption), this);
        b->setObjectName(name);
        b->setAutoDefault(true);
        b->setMinimumWidth(96);
        return b;
    };
    auto label = [this](const char* name) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        return l;
    };

    Txt_City = digits("Txt_City", 5);
    Lst_City = list("Lst_City");
    Lbl_CityName = label("Lbl_CityName");
    Txt_Recipient = digits("Txt_Recipient", 13);
    Cbo_Diagonosis = combo("Cbo_Diagonosis");
    Txt_Diagonosis_Y = digits("Txt_Diagonosis_Y", 5);
    Txt_Diagonosis_M = digits("Txt_Diagonosis_M", 5);
    Cmd_Link = button("Cmd_Link", "参照");
    Txt_Name = edit("Txt_Name", 15);
    Cbo_BD = combo("Cbo_BD");
    Txt_BD_Y = digits("Txt_BD_Y", 5);
    Txt_BD_M = digits("Txt_BD_M", 5);
    Txt_BD_D = digits("Txt_BD_D", 5);
    Cbo_Insurance = combo("Cbo_Insurance");
    Txt_InsuranceNo = digits("Txt_InsuranceNo", 15);
    Cbo_Hospitalization = combo("Cbo_Hospitalization");
    Txt_Rate = digits("Txt_Rate", 20);
    Lst_Rate = list("Lst_Rate");
    Lbl_RateName = label("Lbl_RateName");
    Lbl_Mark = label("Lbl_Mark");
    Lbl_Mark->setText(Q("合計点数"));
    Lbl_Mark->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Txt_Total = digits("Txt_Total", 13);
    Txt_Payment = digits("Txt_Payment", 13);
    Txt_Treatment = digits("Txt_Treatment", 2);
    Lst_Treatment = list("Lst_Treatment");
    Lbl_TreatmentName = label("Lbl_TreatmentName");
    Txt_PublicPay1 = digits("Txt_PublicPay1", 2);
    Txt_PublicPay2 = digits("Txt_PublicPay2", 2);
    Cmd_Reg = button("Cmd_Reg", "登録");
    Cmd_Can = button("Cmd_Can", "ｷｬﾝｾﾙ");
    Cmd_End = button("Cmd_End", "終了");
    Cmd_Del = button("Cmd_Del", "削除");
    Txt_Request = edit("Txt_Request", 20);
    Lbl_EditMode = label("Lbl_EditMode");
    Lbl_EditMode->setText(Q("追加"));
    Lbl_DataAri = label("Lbl_DataAri");
    Lbl_DataAri->setText(Q("参照データあり"));
    Lbl_DataAri->hide();
    for (auto** carrier : {&Txt_Diagonosis, &Txt_BD, &Txt_Insurance, &Txt_Hospitalization, &Txt_Eda}) {
        *carrier = new QLineEdit(this);
        (*carrier)->hide();
        (*carrier)->setReadOnly(true);
        (*carrier)->setFocusPolicy(Qt::NoFocus);
    }
    Txt_Diagonosis->setObjectName("Txt_Diagonosis");
    Txt_BD->setObjectName("Txt_BD");
    Txt_Insurance->setObjectName("Txt_Insurance");
    Txt_Hospitalization->setObjectName("Txt_Hospitalization");
    Txt_Eda->setObjectName("Txt_Eda");

    // Widths for the content the fields hold in use.
    const QString wide = Q("あ");
    FitWidth(Txt_City, 5);
    FitWidth(Txt_Recipient, 13);
    for (QLineEdit* e : {Txt_Diagonosis_Y, Txt_Diagonosis_M, Txt_BD_Y, Txt_BD_M, Txt_BD_D, Txt_Treatment,
                         Txt_PublicPay1, Txt_PublicPay2})
        FitWidth(e, 3);
    FitWidth(Txt_Rate, 3);
    FitWidth(Txt_Name, 15, wide);
    FitWidth(Txt_InsuranceNo, 10);
    FitWidth(Txt_Total, 14);
    FitWidth(Txt_Payment, 14);
    FitWidth(Txt_Request, 7, wide);
    for (QComboBox* c : {Cbo_Diagonosis, Cbo_BD})
        c->setMinimumContentsLength(6);
    Cbo_Insurance->setMinimumContentsLength(8);
    Cbo_Hospitalization->setMinimumContentsLength(8);
    for (QLineEdit* e : {Txt_Total, Txt_Payment}) e->setAlignment(Qt::AlignRight);
    Lbl_EditMode->setMinimumWidth(QFontMetrics(Lbl_EditMode->font()).horizontalAdvance(Q("修正")) + 8);

    auto row = [](std::initializer_list<QWidget*> ws, const std::vector<QString>& units = {}) {
        auto* h = new QHBoxLayout;
        h->setSpacing(4);
        std::size_t u = 0;
        int i = 0;
        for (QWidget* w : ws) {
            h->addWidget(w);
            // Units after the era year and month fields.
            if (i > 0 && u < units.size() && qobject_cast<QLineEdit*>(w)) {
                auto* l = new QLabel(units[u++]);
                h->addWidget(l);
            }
            ++i;
        }
        h->addStretch(1);
        return h;
    };

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(7);
    int r = 0;
    auto put = [&](const char* caption, QLayout* content) {
        grid->addWidget(Caption(this, caption), r, 0);
        grid->addLayout(content, r, 1);
        ++r;
    };
    put("市町村", row({Txt_City, Lbl_CityName}));
    put("乳幼児資格証受給者番号", row({Txt_Recipient}));
    put("実診療年月", row({Cbo_Diagonosis, Txt_Diagonosis_Y, Txt_Diagonosis_M, Cmd_Link}, {Q("年"), Q("月")}));
    put("氏　名", row({Txt_Name}));
    put("生年月日", row({Cbo_BD, Txt_BD_Y, Txt_BD_M, Txt_BD_D}, {Q("年"), Q("月"), Q("日")}));
    {
        auto* h = row({Cbo_Insurance});
        h->insertSpacing(h->count() - 1, 16);
        h->insertWidget(h->count() - 1, Caption(this, "保険者番号"));
        h->insertWidget(h->count() - 1, Txt_InsuranceNo);
        put("保　険", h);
    }
    put("入　外", row({Cbo_Hospitalization}));
    put("割　合", row({Txt_Rate, Lbl_RateName}));
    grid->addWidget(Lbl_Mark, r, 0);
    grid->addLayout(row({Txt_Total}), r++, 1);
    put("自己負担支払額", row({Txt_Payment}));
    put("診療科", row({Txt_Treatment, Lbl_TreatmentName}));
    {
        auto* h = row({Txt_PublicPay1});
        h->insertSpacing(h->count() - 1, 16);
        h->insertWidget(h->count() - 1, Caption(this, "公費2"));
        h->insertWidget(h->count() - 1, Txt_PublicPay2);
        put("公費1", h);
    }
    grid->setColumnStretch(1, 1);
    // The candidate lists open in a column of their own beside the fields, so
    // that they never hide a field being filled (the amounts just typed above
    // 診療科, the recipient number below 市町村).
    const int listWidth = QFontMetrics(font()).horizontalAdvance(Q("00:リハビリテーション科")) + 30;
    listRoom_ = new QSpacerItem(listWidth, 0, QSizePolicy::Fixed, QSizePolicy::Minimum);
    grid->addItem(listRoom_, 0, 2, r, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(Q("請求月")));
    top->addWidget(Txt_Request);
    top->addSpacing(24);
    top->addWidget(Lbl_EditMode);
    top->addSpacing(24);
    top->addWidget(Lbl_DataAri);
    top->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {Cmd_Reg, Cmd_Can, Cmd_Del, Cmd_End}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 14, 20, 14);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QFont bold = Lbl_EditMode->font();
    bold.setBold(true);
    Lbl_EditMode->setFont(bold);
    Lbl_DataAri->setFont(bold);

    int tab = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{
             Txt_City, Lst_City, Txt_Recipient, Cbo_Diagonosis, Txt_Diagonosis_Y, Txt_Diagonosis_M, Cmd_Link,
             Txt_Name, Cbo_BD, Txt_BD_Y, Txt_BD_M, Txt_BD_D, Cbo_Insurance, Txt_InsuranceNo, Cbo_Hospitalization,
             Txt_Rate, Lst_Rate, Txt_Total, Txt_Payment, Txt_Treatment, Lst_Treatment, Txt_PublicPay1, Txt_PublicPay2,
             Cmd_Reg, Cmd_Can, Cmd_End, Cmd_Del, Txt_Request}) {
        // The candidate lists answer to Up, Down and Enter from their code
        // field; the claim month is shown only.
        const bool stop = w != Lst_City && w != Lst_Rate && w != Lst_Treatment && w != Txt_Request;
        setTabIndex(w, tab++, stop);
    }
    Txt_Request->setFocusPolicy(Qt::NoFocus);
}

// ---- Field rules ---------------------------------------------------------------

void FrmEntry::wire() {
    city_ = {Txt_City, Lst_City, Lbl_CityName, "T_市町村", 2, Txt_Recipient, false};
    treatment_ = {Txt_Treatment, Lst_Treatment, Lbl_TreatmentName, "T_診療科", 2, Txt_PublicPay1, false};
    rate_ = {Txt_Rate, Lst_Rate, Lbl_RateName, "T_割合", 1, Txt_Total, true};

    // The key fields select their text only while the key is open.
    auto whileOpen = [this] { return !keyLocked; };
    for (QLineEdit* e : {Txt_City, Txt_Recipient, Txt_Diagonosis_Y, Txt_Diagonosis_M}) SelectAllOnFocus(e, whileOpen);
    for (QLineEdit* e : {Txt_Name, Txt_BD_Y, Txt_BD_M, Txt_BD_D, Txt_InsuranceNo, Txt_Rate, Txt_Total, Txt_Payment,
                         Txt_Treatment, Txt_PublicPay1, Txt_PublicPay2})
        SelectAllOnFocus(e);

    // Moving on at full length (the code fields do it in their change rule).
    AdvanceAt(Txt_Recipient, 9, Cbo_Diagonosis);
    AdvanceAt(Txt_Diagonosis_Y, 2, Txt_Diagonosis_M);
    AdvanceAt(Txt_Name, 15, Cbo_BD);
    AdvanceAt(Txt_BD_Y, 2, Txt_BD_M);
    AdvanceAt(Txt_BD_M, 2, Txt_BD_D);
    AdvanceAt(Txt_BD_D, 2, Cbo_Insurance);
    AdvanceAt(Txt_InsuranceNo, 8, Cbo_Hospitalization);
    AdvanceAt(Txt_Total, 10, Txt_Payment);
    AdvanceAt(Txt_Payment, 10, Txt_Treatment);
    AdvanceAt(Txt_PublicPay1, 2, Txt_PublicPay2);
    AdvanceAt(Txt_PublicPay2, 2, Cmd_Reg);

    ReformatOnLeave(Txt_Recipient, "000000000");
    for (QLineEdit* e : {Txt_Diagonosis_Y, Txt_Diagonosis_M, Txt_BD_Y, Txt_BD_M, Txt_BD_D, Txt_PublicPay1,
                         Txt_PublicPay2})
        ReformatOnLeave(e, "00");
    ReformatOnLeave(Txt_Total, "#,###,###,###,###");
    ReformatOnLeave(Txt_Payment, "#,###,###,###,###");

    // Amounts: ten digits at most until the separators are in.
    auto tenDigits = [](QLineEdit* field, const QString&) {
        return field->text().contains(',') || field->text().size() < 10 || field->hasSelectedText();
    };
    SetKeyFilter(Txt_Total, tenDigits);
    SetKeyFilter(Txt_Payment, tenDigits);

    // Names are full-width; Enter never reaches the field.
    SetKeyFilter(Txt_Name, [](QLineEdit*, const QString& typed) { return typed != "\r" && typed != "\n"; });
    OnValidate(Txt_Name, [this] {
        const std::string name = Str(Txt_Name);
        if (Trim(name).empty() || IsFullWidth(name)) return true;
        MsgBox(std::string("氏名は全角で入力してください") + CR, mbCritical, "処理確認");
        return false;
    });
    for (QLineEdit* e : {Txt_BD_Y, Txt_BD_M, Txt_BD_D})
        OnLostFocus(e, [e] { CheckNumericField(e, "生年月日"); });

    // Code fields with candidate lists.
    for (CodeField* c : {&city_, &treatment_, &rate_}) {
        connect(c->field, &QLineEdit::textChanged, this, guard([this, c] { codeChanged(*c); }));
        OnGotFocus(c->field, [this, c] { codeGotFocus(*c); });
    }
    OnLostFocus(Txt_City, [this] { cityLostFocus(); });
    OnLostFocus(Txt_Treatment, [this] { treatmentLostFocus(); });
    OnLostFocus(Txt_Rate, [this] { rateLostFocus(); });
    connect(Lst_City, &QListWidget::itemClicked, this, guard([this](QListWidgetItem* i) { cityPicked(i); }));
    connect(Lst_Treatment, &QListWidget::itemClicked, this,
            guard([this](QListWidgetItem* i) { treatmentPicked(i); }));

    // Recipient number and treatment month.
    OnLostFocus(Txt_Recipient, [this] { recipientLeft(); });
    OnValidate(Txt_Diagonosis_Y, [this] { return validateMonth(Txt_Diagonosis_Y); });
    OnValidate(Txt_Diagonosis_M, [this] { return validateMonth(Txt_Diagonosis_M); });
    // A key typed into a full month field checks the month at once (a
    // selection would be replaced: that is ordinary typing).
    SetKeyFilter(Txt_Diagonosis_M, [this](QLineEdit* field, const QString&) {
        if (keyLocked || field->hasSelectedText() || field->text().size() < 2) return true;
        validateMonth(field);
        return false;
    });
    Txt_Diagonosis_Y->installEventFilter(this);
    Txt_Diagonosis_M->installEventFilter(this);

    // Drop-downs: a change, typed or made by the program, runs the click rule.
    connect(Cbo_Diagonosis, &QComboBox::currentIndexChanged, this, guard([this](int) { diagnosisEraClicked(); }));
    connect(Cbo_BD, &QComboBox::currentIndexChanged, this, guard([this](int) { birthEraClicked(); }));
    connect(Cbo_Insurance, &QComboBox::currentIndexChanged, this, guard([this](int) { insuranceClicked(); }));
    connect(Cbo_Hospitalization, &QComboBox::currentIndexChanged, this,
            guard([this](int) { hospitalizationClicked(); }));

    connect(Cmd_Link, &QPushButton::clicked, this, guard([this] { OpenBranchReference(); }));
    connect(Cmd_Reg, &QPushButton::clicked, this, guard([this] { registerClicked(); }));
    connect(Cmd_Del, &QPushButton::clicked, this, guard([this] { deleteClicked(); }));
    connect(Cmd_Can, &QPushButton::clicked, this, guard([this] { cancelClicked(); }));
    connect(Cmd_End, &QPushButton::clicked, this, guard([this] { endClicked(); }));
    // The row is thrown away: no leave check of the field being left stops them.
    SkipsLeaveRules(Cmd_Can);
    SkipsLeaveRules(Cmd_End);
}

void FrmEntry::load() {
    handler([this] {
        indexControls();
        struct Fill {
            const char* table;
            QWidget* list;
        };
        for (const Fill& f : {Fill{"T_市町村", Lst_City}, Fill{"T_元号", Cbo_Diagonosis}, Fill{"T_元号", Cbo_BD},
                              Fill{"T_保険種別", Cbo_Insurance}, Fill{"T_入外区分", Cbo_Hospitalization},
                              Fill{"T_診療科", Lst_Treatment}}) {
            const std::string sql = std::string("SELECT * FROM ") + f.table;
            bool ok = qobject_cast<QComboBox*>(f.list) ? FillCodeList(sql, qobject_cast<QComboBox*>(f.list))
                                                        : FillCodeList(sql, qobject_cast<QListWidget*>(f.list));
            if (!ok) return;
        }
        ClearEntry();
    });
}

void FrmEntry::codeChanged(const CodeField& c) {
    if (c.isRate || !isPicking) c.label->clear();
    c.list->clear();
    const std::string text = Str(c.field);
    if (OnlyAsciiDigits(text))
        FillCodeList(std::string("SELECT * FROM ") + c.table + " Where (" + c.table + ".code) Like ?", c.list,
                     {data::Value(text + "*")});
    c.list->setCurrentRow(-1);
    // The open list follows its entries.
    if (c.field->hasFocus()) codeGotFocus(c);
    if (!c.isRate && !isPicking && c.list->count() == 1) {
        const std::string entry = c.list->item(0)->text().toStdString();
        c.label->setText(Q(NamePart(entry)));
        c.field->setText(Q(CodePart(entry)));
    }
    if (!isLoading && !isPicking && static_cast<int>(CharCount(Str(c.field))) == c.fullLength)
        c.next->setFocus(Qt::OtherFocusReason);
}

void FrmEntry::codeGotFocus(const CodeField& c) {
    if (c.isRate) return;
    if (c.field == Txt_City && keyLocked) return;
    showList(c);
}

// Shown while its code field has the focus, as tall as its entries; a list
// with no entry shows nothing.
void FrmEntry::showList(const CodeField& c) {
    placeList(c.list, c.field);
    c.list->setVisible(c.list->count() > 0);
    c.list->raise();
}

// In the list column, level with its field as far as the column reaches.
void FrmEntry::placeList(QListWidget* list, QLineEdit* beside) {
    const QRect room = listRoom_->geometry();
    const int frame = 2 * list->frameWidth();
    const int rowHeight = std::max(1, list->count() > 0 ? list->sizeHintForRow(0) : list->fontMetrics().height());
    // Whole entries only: a longer list scrolls.
    const int rows = std::clamp(list->count(), 1, std::max(1, (room.height() - frame) / rowHeight));
    const int height = rows * rowHeight + frame;
    const int top = std::max(room.top(), std::min(beside->mapTo(this, QPoint(0, 0)).y(), room.bottom() + 1 - height));
    list->setGeometry(room.left(), top, room.width(), height);
}

void FrmEntry::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    // The first field gets the focus with the window, when the focus rules
    // do not run: show its candidates here.
    if (!shown_ && !keyLocked) {
        shown_ = true;
        Txt_City->setFocus(Qt::OtherFocusReason);
        codeGotFocus(city_);
    }
}

void FrmEntry::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    if (Lst_City->isVisible()) placeList(Lst_City, Txt_City);
    if (Lst_Treatment->isVisible()) placeList(Lst_Treatment, Txt_Treatment);
}

// The focus given to a code field while a message box was up (after 登録 or
// キャンセル) arrives only with the window's activation, when the field's own
// got-focus rule does not run: show its candidates here.
void FrmEntry::changeEvent(QEvent* event) {
    Form::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) return;
    handler([this] {
        if (focusWidget() == Txt_City) codeGotFocus(city_);
        else if (focusWidget() == Txt_Treatment) codeGotFocus(treatment_);
    });
}

void FrmEntry::cityLostFocus() {
    Lst_City->hide();
    if (keyLocked) return;
    if (isPicking) {
        isPicking = false;
    } else if (!Txt_City->text().isEmpty()) {
        Lbl_CityName->setText(Q(FirstName(Lst_City)));
    }
    if (Lbl_CityName->text().isEmpty()) Txt_City->clear();
    if (Txt_City->text().isEmpty()) {
        EnableDetailFields(false, kButtonFaceColour);
    } else if (!monthRejected) {
        tryKeyCompletion();
    }
}

void FrmEntry::treatmentLostFocus() {
    Lst_Treatment->hide();
    if (!Txt_Treatment->text().isEmpty() && !isPicking) Lbl_TreatmentName->setText(Q(FirstName(Lst_Treatment)));
    if (Lbl_TreatmentName->text().isEmpty()) Txt_Treatment->clear();
}

void FrmEntry::rateLostFocus() {
    Lst_Rate->hide();
    if (!Txt_Rate->text().isEmpty()) Lbl_RateName->setText(Q(FirstName(Lst_Rate)));
    if (Lbl_RateName->text().isEmpty()) Txt_Rate->clear();
}

void FrmEntry::cityPicked(QListWidgetItem* item) {
    if (!item || keyLocked) return;
    const std::string entry = item->text().toStdString();
    isPicking = true;
    Lbl_CityName->setText(Q(NamePart(entry)));
    Txt_City->setText(Q(CodePart(entry)));
    // Txt_City's lost-focus rule clears isPicking.
    Txt_Recipient->setFocus(Qt::OtherFocusReason);
}

void FrmEntry::treatmentPicked(QListWidgetItem* item) {
    if (!item) return;
    const std::string entry = item->text().toStdString();
    isPicking = true;
    Lbl_TreatmentName->setText(Q(NamePart(entry)));
    Txt_Treatment->setText(Q(CodePart(entry)));
    Cmd_Reg->setFocus(Qt::OtherFocusReason);
    isPicking = false;
}

// Up and Down walk a candidate list from its code field; Enter picks the
// highlighted entry.
bool FrmEntry::listKey(QListWidget* list, QKeyEvent* event, void (FrmEntry::*pick)(QListWidgetItem*)) {
    if (!list->isVisible() || list->count() == 0) return false;
    const int row = list->currentRow();
    switch (event->key()) {
    case Qt::Key_Down: list->setCurrentRow(std::min(row + 1, list->count() - 1)); return true;
    case Qt::Key_Up: list->setCurrentRow(std::max(row - 1, 0)); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (row < 0) return false;
        (this->*pick)(list->item(row));
        return true;
    default: return false;
    }
}

bool FrmEntry::formKeyDown(QKeyEvent* event) {
    QWidget* focused = QApplication::focusWidget();
    if (focused == Txt_City && listKey(Lst_City, event, &FrmEntry::cityPicked)) return true;
    if (focused == Txt_Treatment && listKey(Lst_Treatment, event, &FrmEntry::treatmentPicked)) return true;
    return Form::formKeyDown(event);
}

bool FrmEntry::eventFilter(QObject* watched, QEvent* event) {
    // A key other than Enter released in the year or month field lets the
    // month be checked (and loaded) again.
    if (event->type() == QEvent::KeyRelease && (watched == Txt_Diagonosis_Y || watched == Txt_Diagonosis_M)) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter && !k->isAutoRepeat()) monthRejected = false;
    }
    return Form::eventFilter(watched, event);
}

// ---- Drop-downs ------------------------------------------------------------------

void FrmEntry::setIndex(QComboBox* combo, int index) {
    if (combo->currentIndex() != index) {
        combo->setCurrentIndex(index);  // runs the click rule
        return;
    }
    // The click rule runs even when the entry stays the same.
    if (combo == Cbo_Diagonosis) diagnosisEraClicked();
    else if (combo == Cbo_BD) birthEraClicked();
    else if (combo == Cbo_Insurance) insuranceClicked();
    else if (combo == Cbo_Hospitalization) hospitalizationClicked();
}

void FrmEntry::selectEra(QComboBox* combo, const std::string& era) {
    int found = -1;
    for (int i = 0; i < combo->count() && found < 0; ++i)
        if (NamePart(combo->itemText(i).toStdString()) == era) found = i;
    setIndex(combo, found);
}

// The era of the claim month, so that a month of the current era needs no
// change of the drop-down.
void FrmEntry::selectClaimMonthEra(QComboBox* combo) {
    const EraInfo* era = request_ ? EraOf(*request_) : nullptr;
    int found = -1;
    if (era)
        for (int i = 0; i < combo->count() && found < 0; ++i)
            if (NamePart(combo->itemText(i).toStdString()) == era->name) found = i;
    setIndex(combo, found >= 0 ? found : (combo->count() > 0 ? 0 : -1));
}

void FrmEntry::selectByCode(QComboBox* combo, const std::optional<int>& code) {
    if (!code) return;
    for (int i = 0; i < combo->count(); ++i) {
        if (ItemCode(combo, i) == code) {
            setIndex(combo, i);
            return;
        }
    }
}

void FrmEntry::diagnosisEraClicked() {
    // The hidden era always follows the drop-down, so a row never carries a
    // previous era.
    Txt_Diagonosis->setText(Q(NamePart(SelectedText(Cbo_Diagonosis))));
    if (keyLocked || !keyComplete()) return;
    // Another era changes the month: check it before anything loads.
    monthRejected = false;
    const MonthVerdict v = CheckTreatmentMonthTexts(Str(Txt_Diagonosis), Str(Txt_Diagonosis_Y),
                                                    Str(Txt_Diagonosis_M), request_, true);
    if (v == MonthVerdict::NotDate || v == MonthVerdict::Future || v == MonthVerdict::TooOld) {
        rejectMonth(MonthVerdictMessage(v, true));
        return;
    }
    if (v == MonthVerdict::AskOld && MsgBox(OldMonthQuestion(), mbYesNo + mbExclamation, "入力チェック") == mbNo) {
        rejectMonth({});
        return;
    }
    if (v == MonthVerdict::NotNumeric) return;
    tryKeyCompletion();
}

void FrmEntry::birthEraClicked() { Txt_BD->setText(Q(NamePart(SelectedText(Cbo_BD)))); }

void FrmEntry::insuranceClicked() {
    auto code = SelectedCode(Cbo_Insurance);
    Txt_Insurance->setText(code ? QString::number(*code) : QString());
}

void FrmEntry::hospitalizationClicked() {
    auto code = SelectedCode(Cbo_Hospitalization);
    Txt_Hospitalization->setText(code ? QString::number(*code) : QString());
}

// ---- States ------------------------------------------------------------------------

void FrmEntry::showSettingsRequest() {
    auto s = ReadEntrySettings();
    if (!s) return;
    request_ = s->request;
    Txt_Request->setText(request_ ? Q(FormatDate(*request_, "gggee年mm月")) : QString());
    if (s->type == 1) Lbl_Mark->setText(Q("合計点数"));
    else if (s->type == 2) Lbl_Mark->setText(Q("請求金額"));
}

bool FrmEntry::ClearEntry() {
    bool ok = false;
    handler([&] {
        // A reference window still open lists the branches of the row being
        // cleared: a pick or 追加 there would land on the next key typed.
        closeReference();
        isPicking = false;
        isLoading = true;
        struct Done {
            FrmEntry* w;
            ~Done() { w->isLoading = false; }
        } done{this};
        showSettingsRequest();
        Txt_City->clear();
        Lbl_CityName->clear();
        Txt_Recipient->clear();
        // The year is emptied before the era is set, so setting it completes no key.
        Txt_Diagonosis_Y->clear();
        Txt_Diagonosis_M->clear();
        selectClaimMonthEra(Cbo_Diagonosis);
        Txt_Name->clear();
        setIndex(Cbo_BD, -1);
        for (QLineEdit* e : {Txt_BD_Y, Txt_BD_M, Txt_BD_D}) e->clear();
        setIndex(Cbo_Insurance, -1);
        Txt_InsuranceNo->clear();
        setIndex(Cbo_Hospitalization, -1);
        Txt_Rate->clear();
        Lbl_RateName->clear();
        Txt_Total->clear();
        Txt_Payment->clear();
        Txt_Treatment->clear();
        Lbl_TreatmentName->clear();
        // Also when the department field was left for キャンセル without its leave rules.
        Lst_Treatment->hide();
        Txt_PublicPay1->clear();
        Txt_PublicPay2->clear();
        Lbl_DataAri->hide();
        setEditMode(false);
        ok = LockKeyFields(false, kWindowColour) && EnableDetailFields(false, kButtonFaceColour);
        if (ok) Cmd_Link->setEnabled(false);
    });
    return ok;
}

bool FrmEntry::LockKeyFields(bool locked, long colour) {
    return handler([&] {
        for (QLineEdit* e : {Txt_City, Txt_Recipient, Txt_Diagonosis_Y, Txt_Diagonosis_M}) {
            e->setReadOnly(locked);
            SetBackColor(e, colour);
        }
        // A drop-down cannot be read-only: a locked one is disabled.
        Cbo_Diagonosis->setEnabled(!locked);
        SetBackColor(Cbo_Diagonosis, colour);
        keyLocked = locked;
    });
}

bool FrmEntry::EnableDetailFields(bool enabled, long colour) {
    return handler([&] {
        Txt_Request->setReadOnly(true);
        SetBackColor(Txt_Request, kButtonFaceColour);
        Cmd_Del->setEnabled(false);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 Txt_Name, Cbo_BD, Txt_BD_Y, Txt_BD_M, Txt_BD_D, Cbo_Insurance, Txt_InsuranceNo, Cbo_Hospitalization,
                 Txt_Rate, Txt_Total, Txt_Payment, Txt_Treatment, Txt_PublicPay1, Txt_PublicPay2}) {
            w->setEnabled(enabled);
            SetBackColor(w, colour);
        }
        Cmd_Reg->setEnabled(enabled);
        Cmd_Can->setEnabled(enabled);
    });
}

void FrmEntry::setEditMode(bool correcting) {
    Lbl_EditMode->setText(Q(correcting ? "修正" : "新規"));
    SetForeColor(Lbl_EditMode, correcting ? kBlue : kRed);
    if (correcting) Cmd_Del->setEnabled(true);
}

// ---- Key completion --------------------------------------------------------------

bool FrmEntry::keyComplete() const {
    for (const std::string& s : {Str(Txt_City), Str(Txt_Recipient), SelectedText(Cbo_Diagonosis),
                                 Str(Txt_Diagonosis_Y), Str(Txt_Diagonosis_M)})
        if (Trim(s).empty()) return false;
    return true;
}

void FrmEntry::tryKeyCompletion() {
    if (keyLocked || !keyComplete()) return;
    // A month that is no date is reported by its own field; nothing locks on it.
    if (!TreatmentMonth(currentRow())) return;
    if (LockKeyFields(true, kButtonFaceColour) && EnableDetailFields(true, kWindowColour)) LoadClaimKey();
}

bool FrmEntry::recipientLeft() {
    if (keyLocked) return true;
    if (!Trim(Str(Txt_Recipient)).empty() && !RecipientNumberPlausible(Str(Txt_City), Str(Txt_Recipient))) {
        if (MsgBox(RecipientQuestion(), mbYesNo + mbExclamation, "入力チェック") == mbNo) {
            FocusBack(Txt_Recipient);
            return false;
        }
    }
    if (!monthRejected) tryKeyCompletion();
    return true;
}

void FrmEntry::rejectMonth(const std::string& message) {
    if (!message.empty()) MsgBox(message, mbExclamation, "処理確認");
    FocusBack(Txt_Diagonosis_Y);
    monthRejected = true;
}

// The check of the year or month field when it is left, when Enter is
// pressed in it, or when a key is typed into a full month field.  False keeps
// the focus in the field.
bool FrmEntry::validateMonth(QLineEdit* field) {
    if (keyLocked || monthRejected) return true;
    const bool monthField = field == Txt_Diagonosis_M;
    const MonthVerdict v = CheckTreatmentMonthTexts(Str(Txt_Diagonosis), Str(Txt_Diagonosis_Y),
                                                    Str(Txt_Diagonosis_M), request_, monthField);
    switch (v) {
    case MonthVerdict::NotNumeric:
        CheckNumericField(field, "実診療年月");
        return false;
    case MonthVerdict::NotDate:
    case MonthVerdict::Future:
    case MonthVerdict::TooOld:
        rejectMonth(MonthVerdictMessage(v, monthField));
        // The focus is on the year field now; the month field may be left.
        return field != Txt_Diagonosis_Y;
    case MonthVerdict::AskOld:
        if (MsgBox(OldMonthQuestion(), mbYesNo + mbExclamation, "入力チェック") == mbNo) {
            rejectMonth({});
            return field != Txt_Diagonosis_Y;
        }
        break;
    case MonthVerdict::Ok: break;
    }
    tryKeyCompletion();
    return true;
}

void FrmEntry::ShowReferenceMark() {
    handler([this] { Lbl_DataAri->setVisible(WorkTableHasRows()); });
}

bool FrmEntry::LoadClaimKey() {
    if (Trim(Str(Txt_City)).empty() || Trim(Str(Txt_Recipient)).empty()) return false;
    return handler([this] {
        BusyCursor busy;
        isLoading = true;
        struct Done {
            FrmEntry* w;
            ~Done() { w->isLoading = false; }
        } done{this};
        const std::string city = Str(Txt_City);
        const std::string recipient = Trim(Str(Txt_Recipient));
        Cmd_Link->setEnabled(false);
        const EntryRow row = currentRow();
        auto diagnosis = TreatmentMonth(row);
        if (!diagnosis || !request_) throw AppError(err::TypeMismatch, "型が一致しません。");

        const BranchLoad branches = LoadBranches(city, recipient, *diagnosis, *request_);
        if (branches.found > 0) {
            ShowReferenceMark();
            Cmd_Del->setEnabled(true);
            Cmd_Link->setEnabled(true);
        }
        Txt_Eda->setText(QString::number(branches.nextBranch));

        auto settings = ReadEntrySettings();
        if (auto master = ReadMaster(city, recipient)) {
            Txt_Name->setText(Q(master->name));
            showBirthday(master->birthday);
            selectByCode(Cbo_Insurance, master->insurance);
            Txt_InsuranceNo->setText(Q(master->insuranceNo));
            showRate(master->ratio, true);
            Txt_PublicPay1->setText(Q(master->publicPay1));
            Txt_PublicPay2->setText(Q(master->publicPay2));
        } else {
            Txt_Name->clear();
            selectClaimMonthEra(Cbo_BD);
            for (QLineEdit* e : {Txt_BD_Y, Txt_BD_M, Txt_BD_D}) e->clear();
            setIndex(Cbo_Insurance, -1);
            setIndex(Cbo_Hospitalization, -1);
            for (QLineEdit* e : {Txt_Rate, Txt_PublicPay1, Txt_PublicPay2, Txt_Total, Txt_Payment, Txt_Treatment})
                e->clear();
            Lbl_RateName->clear();
            Lbl_TreatmentName->clear();
            if (settings) {
                if (settings->insurance) selectByCode(Cbo_Insurance, settings->insurance);
                else if (Cbo_Insurance->count() > 0) setIndex(Cbo_Insurance, 0);
            }
        }
        Txt_Total->clear();
        Txt_Payment->clear();
        if (settings) {
            if (settings->hospitalization) selectByCode(Cbo_Hospitalization, settings->hospitalization);
            else if (Cbo_Hospitalization->count() > 0) setIndex(Cbo_Hospitalization, 0);
            showTreatment(settings->treatment);
        }
        Cmd_Del->setEnabled(false);

        isLoading = false;
        if (branches.nextBranch < 2)
            (Txt_Name->text().isEmpty() ? static_cast<QWidget*>(Txt_Name) : Txt_Total)->setFocus(Qt::OtherFocusReason);
        else
            Cmd_Link->setFocus(Qt::OtherFocusReason);
        busy.release();
    });
}

void FrmEntry::showBirthday(const std::optional<Date>& birthday) {
    if (!birthday) {
        for (QLineEdit* e : {Txt_BD_Y, Txt_BD_M, Txt_BD_D}) e->clear();
        return;
    }
    const EraInfo* era = EraOf(*birthday);
    selectEra(Cbo_BD, era ? era->name : "");
    Txt_BD_Y->setText(Q(FormatDate(*birthday, "ee")));
    Txt_BD_M->setText(Q(FormatDate(*birthday, "mm")));
    Txt_BD_D->setText(Q(FormatDate(*birthday, "dd")));
}

void FrmEntry::showRate(const std::string& code, bool emptyUnknown) {
    Txt_Rate->setText(Q(code));
    if (!Txt_Rate->text().isEmpty()) Lbl_RateName->setText(Q(FirstName(Lst_Rate)));
    if (emptyUnknown && Lbl_RateName->text().isEmpty()) Txt_Rate->clear();
}

void FrmEntry::showTreatment(const std::string& code) {
    Txt_Treatment->setText(Q(code));
    treatmentLostFocus();
}

// ---- The row -------------------------------------------------------------------------

EntryRow FrmEntry::currentRow() const {
    EntryRow r;
    r.city = Str(Txt_City);
    r.cityKnown = !Lbl_CityName->text().isEmpty();
    r.recipient = Str(Txt_Recipient);
    r.diagEra = Str(Txt_Diagonosis);
    r.diagYear = Str(Txt_Diagonosis_Y);
    r.diagMonth = Str(Txt_Diagonosis_M);
    r.request = request_;
    r.eda = Str(Txt_Eda);
    r.name = Str(Txt_Name);
    r.bdEra = Str(Txt_BD);
    r.bdYear = Str(Txt_BD_Y);
    r.bdMonth = Str(Txt_BD_M);
    r.bdDay = Str(Txt_BD_D);
    r.insuranceText = SelectedText(Cbo_Insurance);
    r.insurance = SelectedCode(Cbo_Insurance);
    r.insuranceNo = Str(Txt_InsuranceNo);
    r.hospitalization = SelectedCode(Cbo_Hospitalization);
    r.rate = Str(Txt_Rate);
    r.rateKnown = !Lbl_RateName->text().isEmpty();
    r.total = Str(Txt_Total);
    r.payment = Str(Txt_Payment);
    r.treatment = Str(Txt_Treatment);
    r.treatmentKnown = !Lbl_TreatmentName->text().isEmpty();
    r.publicPay1 = Str(Txt_PublicPay1);
    r.publicPay2 = Str(Txt_PublicPay2);
    r.correcting = Lbl_EditMode->text() == Q("修正");
    r.totalCaption = Lbl_Mark->text().toStdString();
    return r;
}

// ---- Check and the buttons ---------------------------------------------------------

bool FrmEntry::CheckEntry() {
    bool pass = false;
    handler([&] {
        const EntryRow row = currentRow();
        const FieldCheck check = CheckEntryFields(row);
        BeginInputCheck();
        for (const RuleResult& r : check.rules) {
            if (!r.failed) continue;
            InputCheckMessage(r.code, gErrMsg, false, {r.label, ""});
            NoteFirstError(gErrFocus, findChild<QWidget*>(Q(r.focus)), r.code);
            gErrFlag = 1;
        }
        for (const std::string& name : check.redFields()) SetBackColor(findChild<QWidget*>(Q(name)), kRed);
        for (const std::string& name : check.clearedFields()) ResetFieldColour(findChild<QWidget*>(Q(name)));
        if (!FinishInputCheck()) return;

        auto ask = [](const std::string& question) {
            return MsgBox(question, mbYesNo + mbExclamation, "入力チェック") != mbNo;
        };
        if (!InsurerNumberPlausible(row) && !ask(InsurerQuestion())) {
            FocusBack(Txt_InsuranceNo);
            return;
        }
        auto settings = ReadEntrySettings();
        const int type = settings ? settings->type : 0;
        const std::string tencd = settings ? settings->tencd : std::string();
        const CopaymentCheck copay = CheckCopayment(row, type, tencd);
        if (copay.ask && !ask(CopaymentQuestion(copay.points))) {
            FocusBack(Txt_Total);
            return;
        }
        if (Trim(tencd) != "4" && DuplicateQuestionNeeded(row, tencd, CountSameRows(row)) &&
            !ask(DuplicateQuestion())) {
            Cmd_Link->setFocus(Qt::OtherFocusReason);
            return;
        }
        pass = true;
    });
    return pass;
}

void FrmEntry::registerClicked() {
    if (MsgBox(std::string("データを登録します。") + CR + "よろしいですか？" + CR, mbYesNo + mbQuestion, "登録確認") == mbNo)
        return;
    if (!CheckEntry()) return;
    {
        BusyCursor busy;
        // A failure rolls everything back and leaves the typed row on the
        // screen; the guard around this handler shows the standard error.
        RegisterEntry(currentRow());
        busy.release();
        MsgBox(std::string("登録が完了しました。") + CR, mbInformation, "処理確認");
    }
    if (ClearEntry()) {
        Cmd_Link->setEnabled(false);
        Txt_City->setFocus(Qt::OtherFocusReason);
    }
}

void FrmEntry::deleteClicked() {
    if (MsgBox(std::string("データを削除します。") + CR + "よろしいですか？" + CR, mbYesNo + mbQuestion, "削除確認") == mbNo)
        return;
    {
        BusyCursor busy;
        const int deleted = DeleteBranch(currentRow());
        busy.release();
        // A branch prepared by 追加 is not stored yet: nothing was deleted,
        // and the row on the screen stays as it is.
        if (deleted == 0) {
            MsgBox(std::string("削除するデータがありません。") + CR, mbExclamation, "削除確認");
            return;
        }
        MsgBox(std::string("削除しました。") + CR, mbInformation, "処理確認");
    }
    if (ClearEntry()) {
        Cmd_Link->setEnabled(false);
        Txt_City->setFocus(Qt::OtherFocusReason);
    }
}

void FrmEntry::cancelClicked() {
    if (MsgBox(std::string("表示されているデータをキャンセルします。") + CR + "よろしいですか？" + CR,
               mbYesNo + mbQuestion, "キャンセル確認") == mbNo) {
        ReturnToFieldLeftUnchecked();
        return;
    }
    if (ClearEntry() && LockKeyFields(false, kWindowColour)) {
        Cmd_Link->setEnabled(false);
        Txt_City->setFocus(Qt::OtherFocusReason);
    }
}

void FrmEntry::endClicked() {
    if (MsgBox("終了してもよろしいですか？", mbYesNo + mbQuestion, "確認") == mbNo) {
        ReturnToFieldLeftUnchecked();
        return;
    }
    close();
}

// ---- The reference window ------------------------------------------------------------

void FrmEntry::closeReference() {
    if (FrmSubEntry* ref = reference()) {
        ref->detach();
        ref->close();
    }
}

void FrmEntry::OpenBranchReference() {
    closeReference();
    auto* ref = new FrmSubEntry(this);
    reference_ = ref;
    ref->show();
    ref->activateWindow();
    showMinimized();
}

FrmSubEntry* FrmEntry::reference() const { return qobject_cast<FrmSubEntry*>(reference_.data()); }

bool FrmEntry::queryUnload() {
    closeReference();
    return true;
}

void FrmEntry::restoreFromReference(bool focusTotal) {
    showNormal();
    activateWindow();
    // The window is not active again yet, so the field's own got-focus rule
    // does not run: select here, or a corrected total typed in would be
    // appended to the loaded one.
    if (focusTotal) FocusBack(Txt_Total);
}

ui::Form* OpenEntryWindow() { return new FrmEntry; }

}  // namespace hotaru::entry
