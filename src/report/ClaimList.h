#pragma once
// The claim list (一覧表): its query, its rows, how each row reads on the
// list, and the page geometry the list is laid out on.  Plain C++: the
// painting lives in RepItiran, the window in ShowClaimList.
#include <optional>
#include <string>
#include <vector>

#include "common/Date.h"
#include "data/Database.h"
#include "report/Pagination.h"

namespace hotaru {
// Handed from the menu to the report: the list query and the claim month
// text it is run with (bound to the query's one "?"), e.g. 2008/04/01.
extern std::string gListSQL;
extern std::string gRequestText;
}  // namespace hotaru

namespace hotaru::report {

// The list query, one clause per line ended with CR (but the last); the
// claim month text is its one parameter.
std::string BuildListQuery();

// One row of the list query, as stored.
struct ClaimListRow {
    data::Value name;         // 氏名
    data::Value birthday;     // 生年月日
    data::Value city;         // 市町村
    data::Value recipient;    // 受給NO
    data::Value insurance;    // 保険
    data::Value insuranceNo;  // 保険番号
    data::Value inout;        // 入外
    data::Value ratio;        // 割合
    data::Value diagnosis;    // 実診療年月
    data::Value total;        // 合計点数
    data::Value payment;      // 自己負担額
    data::Value department;   // 診療科
    data::Value publicPay1;   // 公費1
    data::Value publicPay2;   // 公費2
};

// Runs the list query with the claim month text bound.
std::vector<ClaimListRow> FetchClaimList(data::Database& db, const std::string& sql,
                                         const std::string& requestText);

// True when the institution is of kind 1 (its rows carry points); any other
// kind, a Null kind or no settings row means amounts in yen.
bool IsPointsKind(data::Database& db);

// What the menu routine does before it shows anything: reads the claim
// month into gRequestText, builds the query and tells whether it has rows;
// the query is kept in gListSQL only when there are rows.
bool PrepareClaimList(data::Database& db);

inline constexpr const char* kNothingToList = "該当データがありません。";
inline constexpr const char* kNothingToListTitle = "該当件数チェック";
inline constexpr const char* kPreviewTitle = "一覧表";

// The texts of one detail line.
struct ClaimListLine {
    std::string no, name, birthday, city, recipient, insurance, insuranceNo, inout, ratio;
    std::string amount, payment, month, department, publicPay1, publicPay2;
};
// rowNo is the running number; pointsKind chooses bare points over yen.
ClaimListLine FormatLine(const ClaimListRow& row, long rowNo, bool pointsKind);

// Column titles that depend on the institution kind.
std::string AmountTitle(bool pointsKind);  // 合計点数 / 請求金額
std::string MonthTitle(bool pointsKind);   // 実診療 年月 /  施術 年月
// The page header's claim month (平成20年04月) from the claim month text.
std::string ClaimMonthCaption(const std::string& requestText);
// The page header's print date (平成20年04月01日).
std::string PrintDateCaption(const Date& today);

// Drawn before amounts in yen: the yen sign itself, so that it reads as one
// in every font (a backslash only looks like a yen sign in Japanese fonts).
inline constexpr const char* kYen = "\u00A5";

// Page geometry of the list, in twips (1,440 to the inch): A4 landscape
// with the 16,005-twip layout centred across the sheet.
namespace layout {
inline constexpr int kPaperWidth = 16838;   // 297 mm
inline constexpr int kPaperHeight = 11906;  // 210 mm
inline constexpr int kWidth = 16005;        // the layout's width
inline constexpr int kMarginLeft = (kPaperWidth - kWidth) / 2;
inline constexpr int kMarginRight = kPaperWidth - kWidth - kMarginLeft;
inline constexpr int kMarginTop = 567;      // 10 mm
inline constexpr int kMarginBottom = 567;
inline constexpr int kPrintableHeight = kPaperHeight - kMarginTop - kMarginBottom;

inline constexpr int kPageHeader = 1200;
// The detail's bottom rule lies at 500 and its column rules run 515 down,
// so one line takes 515 and the rules of consecutive lines meet.
inline constexpr int kDetail = 515;
inline constexpr int kReportFooter = 540;

inline SectionHeights Sections() {
    SectionHeights h;
    h.pageHeader = kPageHeader;
    h.detail = kDetail;
    h.reportFooter = kReportFooter;
    return h;
}
// Detail lines that fit under the page header of one page.
inline constexpr int kLinesPerPage = (kPrintableHeight - kPageHeader) / kDetail;
}  // namespace layout

}  // namespace hotaru::report
