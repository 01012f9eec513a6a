#include "report/ClaimList.h"

#include "common/Numeric.h"

namespace hotaru {
std::string gListSQL;
std::string gRequestText;
}  // namespace hotaru

namespace hotaru::report {

namespace {

constexpr const char* kAmountFormat = "#,###,###,###";

std::string Text(const data::Value& v) { return v.str(); }

std::string DateText(const data::Value& v, const char* pattern) {
    if (v.isNull()) return {};
    auto d = v.toDate();
    return d ? FormatDate(*d, pattern) : std::string();
}

std::string Amount(const data::Value& v) {
    if (v.isNull()) return {};
    auto n = ToNumber(v.str());
    return n ? FormatNumber(*n, kAmountFormat) : v.str();
}

}  // namespace

std::string BuildListQuery() {
    static const char* const kLines[] = {
        "SELECT T_基本.name As 氏名, ",
        "       T_基本.birthday As 生年月日, ",
        "       T_市町村.name As 市町村, ",
        "       T_基本.recipient As 受給NO, ",
        "       T_保険種別.name As 保険, ",
        "       T_データ.insurance_no As 保険番号, ",
        "       T_入外区分.name As 入外, ",
        "       T_割合.name As 割合, ",
        "       T_データ.diagnosis As 実診療年月, ",
        "       T_データ.total As 合計点数, ",
        "       T_データ.payment As 自己負担額, ",
        "       T_診療科.name As 診療科, ",
        "       T_データ.PublicPay1 As 公費1, ",
        "       T_データ.PublicPay2 As 公費2  ",
        "  FROM (((((T_データ ",
        "  LEFT JOIN T_基本 ",
        "    ON T_データ.recipient = T_基本.recipient ",
        "   AND T_データ.code = T_基本.code) ",
        "  LEFT JOIN T_診療科 ",
        "    ON T_データ.treatment = T_診療科.code) ",
        "  LEFT JOIN T_入外区分 ",
        "    ON T_データ.hospitalization = T_入外区分.code) ",
        "  LEFT JOIN T_保険種別 ",
        "    ON T_データ.insurance = T_保険種別.code) ",
        "  LEFT JOIN T_割合 ",
        "    ON T_データ.ratio = T_割合.code) ",
        "  LEFT  JOIN T_市町村 ",
        "    ON T_基本.code = CStr(T_市町村.code) ",
        " WHERE T_データ.total <> 0 ",
        "   AND T_データ.payment <> 0 ",
        // The claim month text is bound here, never pasted in.
        "   AND CStr(T_データ.request) = ?",
        " ORDER BY T_データ.code, T_データ.recipient, T_データ.diagnosis, T_データ.eda",
    };
    std::string sql;
    for (const char* line : kLines) {
        if (!sql.empty()) sql += '\r';
        sql += line;
    }
    return sql;
}

std::vector<ClaimListRow> FetchClaimList(data::Database& db, const std::string& sql,
                                         const std::string& requestText) {
    data::Recordset rs = db.OpenRecordset(sql, data::dbOpenSnapshot, {data::Value(requestText)});
    std::vector<ClaimListRow> rows;
    rows.reserve(static_cast<std::size_t>(rs.RecordCount()));
    for (; !rs.isEOF(); rs.MoveNext()) {
        ClaimListRow r;
        r.name = rs["氏名"];
        r.birthday = rs["生年月日"];
        r.city = rs["市町村"];
        r.recipient = rs["受給NO"];
        r.insurance = rs["保険"];
        r.insuranceNo = rs["保険番号"];
        r.inout = rs["入外"];
        r.ratio = rs["割合"];
        r.diagnosis = rs["実診療年月"];
        r.total = rs["合計点数"];
        r.payment = rs["自己負担額"];
        r.department = rs["診療科"];
        r.publicPay1 = rs["公費1"];
        r.publicPay2 = rs["公費2"];
        rows.push_back(std::move(r));
    }
    rs.Close();
    return rows;
}

bool IsPointsKind(data::Database& db) {
    data::Recordset rs = db.OpenRecordset("SELECT type FROM T_設定", data::dbOpenSnapshot);
    bool points = false;
    if (!rs.isEOF()) {
        const data::Value& type = rs["type"];
        points = !type.isBlank() && ToNumber(type.str()) == 1.0;
    }
    rs.Close();
    return points;
}

bool PrepareClaimList(data::Database& db) {
    data::Recordset rs = db.OpenRecordset("SELECT request FROM T_設定", data::dbOpenSnapshot);
    // Without a claim month there is nothing to list: an earlier report's
    // month must not be listed again.
    if (!rs.isEOF() && !rs["request"].isNull())
        gRequestText = rs["request"].trimmed();
    else
        gRequestText.clear();
    rs.Close();

    std::string sql = BuildListQuery();
    if (gRequestText.empty()) return false;
    data::Recordset list = db.OpenRecordset(sql, data::dbOpenSnapshot, {data::Value(gRequestText)});
    bool any = !list.isEOF();
    if (any) gListSQL = sql;
    list.Close();
    return any;
}

ClaimListLine FormatLine(const ClaimListRow& row, long rowNo, bool pointsKind) {
    ClaimListLine l;
    l.no = std::to_string(rowNo);
    l.name = Text(row.name);
    l.birthday = DateText(row.birthday, "GEE.MM.DD");
    l.city = Text(row.city);
    l.recipient = Text(row.recipient);
    l.insurance = Text(row.insurance);
    l.insuranceNo = Text(row.insuranceNo);
    l.inout = Text(row.inout);
    l.ratio = Text(row.ratio);
    l.amount = Amount(row.total);
    if (!pointsKind && !row.total.isNull()) l.amount = kYen + l.amount;
    l.payment = row.payment.isNull() ? std::string() : kYen + Amount(row.payment);
    l.month = DateText(row.diagnosis, "GEE.MM");
    l.department = Text(row.department);
    l.publicPay1 = Text(row.publicPay1);
    l.publicPay2 = Text(row.publicPay2);
    return l;
}

std::string AmountTitle(bool pointsKind) { return pointsKind ? "合計点数" : "請求金額"; }

std::string MonthTitle(bool pointsKind) { return pointsKind ? "実診療 年月" : " 施術 年月"; }

std::string ClaimMonthCaption(const std::string& requestText) {
    auto d = ParseDate(requestText);
    return d ? FormatDate(*d, "GGGEE年MM月") : std::string();
}

std::string PrintDateCaption(const Date& today) { return FormatDate(today, "GGGEE年MM月DD日"); }

}  // namespace hotaru::report
