#include "report/RepItiran.h"

#include "data/Connection.h"

namespace hotaru::report {

namespace {

constexpr int kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr int kCenter = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr int kRight = Qt::AlignRight | Qt::AlignVCenter;

// Grid text keeps clear of the column rules.
constexpr int kCellInset = 30;
constexpr int kThin = 12;
constexpr int kRule = 20;

// Where the columns meet: the rules of the page header and the detail.
constexpr int kBorders[] = {0, 480, 3540, 4560, 6615, 7710, 8160, 9030, 9705, 10380, 11775, 13245, 13935, 15990};
constexpr int kRight_ = 15990;  // right edge of the grid

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

RepItiran::RepItiran() {
    title = QString::fromUtf8(kPreviewTitle);
    page.paper = QPageSize::A4;
    page.orientation = QPageLayout::Landscape;
    page.marginLeft = layout::kMarginLeft;
    page.marginRight = layout::kMarginRight;
    page.marginTop = layout::kMarginTop;
    page.marginBottom = layout::kMarginBottom;
    page.fontFamily = QStringLiteral("IPAPGothic");  // for ＭＳ Ｐゴシック

    // Page header: claim month, print date and page, then the column titles
    // between two rules.
    Section& ph = pageHeader;
    ph.height = layout::kPageHeader;
    Control& month = ph.label("lbl請求月", 810, 0, 3600, 480, QString(), kLeft);
    month.pointSize = 14;
    month.bold = true;
    ph.label("lbl印刷日", 12825, 300, 1668, 300, QString(), kRight);
    ph.label("lblPage", 14850, 300, 540, 300, QStringLiteral("PAGE"), kCenter);
    ph.field("fldPage", 15375, 300, 450, 300, kRight);
    ph.line("linePHTop", 0, 645, kRight_, 645, kRule);
    ph.line("linePHBottom", 0, 1170, kRight_, 1170, kRule);
    struct Title { const char* name; int left, width; const char* caption; };
    const Title titles[] = {
        {"lblNo", 0, 480, "No"},
        {"lbl氏名", 480, 3060, "氏  名"},
        {"lbl生年月日", 3540, 1020, "生年月日"},
        {"lbl市町村", 4560, 2050, "市町村"},
        {"lbl受給NO", 6615, 1095, "乳幼児資格証受給受付"},
        {"lbl保険", 7710, 450, "保険"},
        {"lbl保険番号", 8160, 870, "保険番号"},
        {"lbl入外", 9030, 675, "入外"},
        {"lbl割合", 9705, 675, "割合"},
        {"lbl点数金額", 10380, 1395, ""},
        {"lbl自己負担", 11775, 1470, "   自己負担   支払額"},
        {"lbl年月", 13245, 690, ""},
    };
    for (const Title& t : titles) {
        Control& c = ph.label(t.name, t.left, 690, t.width, 450, Q(t.caption), kCenter);
        c.wrap = true;
        c.inset = 20;
    }
    ph.label("lbl公費", 13935, 690, 2055, 225, QStringLiteral("公費1　　公費2"), kCenter);
    ph.label("lbl診療科", 13935, 915, 2055, 225, QStringLiteral("診療科"), kCenter);
    for (int x : kBorders) ph.line(QStringLiteral("linePH%1").arg(x), x, 645, x, layout::kPageHeader, kThin);

    // Detail: one line per row, its fields between the column rules.
    Section& d = detail;
    d.height = layout::kDetail;
    struct Cell { const char* name; int left, width, align; };
    const Cell cells[] = {
        {"fldNO", 0, 480, kRight},
        {"fld氏名", 480, 3060, kLeft},
        {"fld生年月日", 3540, 1035, kCenter},
        {"fld市町村", 4560, 2050, kLeft},
        {"fld受給NO", 6615, 1095, kCenter},
        {"fld保険", 7710, 450, kCenter},
        {"fld保険番号", 8160, 870, kCenter},
        {"fld入外", 9030, 675, kCenter},
        {"fld割合", 9705, 675, kCenter},
        {"fld合計点数", 10380, 1395, kRight},
        {"fld自己負担額", 11775, 1470, kRight},
        {"fld実診療年月", 13245, 690, kCenter},
    };
    for (const Cell& c : cells) d.field(c.name, c.left, 30, c.width, 450, c.align).inset = kCellInset;
    // The last column: the two public-expense numbers side by side, each
    // centred under its half of the title, the department below them.
    for (auto* c : {&d.field("fld公費1", 13935, 0, 975, 240, kCenter), &d.field("fld公費2", 14940, 0, 975, 240, kCenter),
                    &d.field("fld診療科", 13935, 210, 2055, 270, kLeft)}) {
        c->inset = kCellInset;
        c->pointSize = 8;
    }
    d.line("lineDBottom", 0, 500, kRight_, 500, kThin);
    for (int x : kBorders) d.line(QStringLiteral("lineD%1").arg(x), x, 0, x, 515, kThin);

    // Report footer: the total count.
    Section& rf = reportFooter;
    rf.height = layout::kReportFooter;
    rf.label("lbl総件数", 14370, 135, 681, 300, QStringLiteral("総件数"), kLeft);
    rf.field("fld総件数", 15165, 135, 450, 300, kRight);
    rf.label("lbl件", 15585, 135, 258, 300, QStringLiteral("件"), kLeft);
}

void RepItiran::reportStart() {
    data::Database& db = DB();
    const std::string sql = gListSQL;
    rows_ = FetchClaimList(db, sql, gRequestText);
    next_ = 0;
    rowNo_ = 0;
    // The kind cannot change while the modal preview is open, so it is read
    // once rather than for every line.
    pointsKind_ = IsPointsKind(db);
    pageHeader["lbl点数金額"].text = Q(AmountTitle(pointsKind_));
    pageHeader["lbl年月"].text = Q(MonthTitle(pointsKind_));
}

void RepItiran::fetchData(bool& eof) {
    if (next_ >= rows_.size()) return;
    eof = false;
    ++rowNo_;
    ClaimListLine l = FormatLine(rows_[next_], rowNo_, pointsKind_);
    detail["fldNO"].text = Q(l.no);
    detail["fld市町村"].text = Q(l.city);
    detail["fld受給NO"].text = Q(l.recipient);
    detail["fld氏名"].text = Q(l.name);
    detail["fld生年月日"].text = Q(l.birthday);
    detail["fld保険"].text = Q(l.insurance);
    detail["fld保険番号"].text = Q(l.insuranceNo);
    detail["fld入外"].text = Q(l.inout);
    detail["fld割合"].text = Q(l.ratio);
    detail["fld実診療年月"].text = Q(l.month);
    detail["fld診療科"].text = Q(l.department);
    detail["fld合計点数"].text = Q(l.amount);
    detail["fld自己負担額"].text = Q(l.payment);
    detail["fld公費1"].text = Q(l.publicPay1);
    detail["fld公費2"].text = Q(l.publicPay2);
    ++next_;
}

void RepItiran::pageHeaderFormat() {
    pageHeader["lbl請求月"].text = Q(ClaimMonthCaption(gRequestText));
    pageHeader["lbl印刷日"].text = Q(PrintDateCaption(printDate_ ? *printDate_ : Date::today()));
    pageHeader["fldPage"].text = QString::number(pageNumber());
}

void RepItiran::reportFooterFormat() { reportFooter["fld総件数"].text = QString::number(rowNo_); }

void RepItiran::queryClose() {
    rows_.clear();
    rows_.shrink_to_fit();
    next_ = 0;
}

}  // namespace hotaru::report
