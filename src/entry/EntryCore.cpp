#include "entry/EntryCore.h"

#include "common/Errors.h"
#include "common/Text.h"
#include "data/Connection.h"

namespace hotaru::entry {

using data::dbOpenDynaset;
using data::dbOpenSnapshot;
using data::Params;
using data::Value;

namespace {

constexpr const char* CR = "\r";

std::optional<int> OptInt(const Value& v) {
    if (v.isBlank()) return std::nullopt;
    return static_cast<int>(v.toInt());
}

std::optional<long long> OptLong(const Value& v) {
    if (v.isBlank()) return std::nullopt;
    return v.toInt();
}

Value OrNull(const std::optional<int>& v) { return v ? Value(*v) : Value(); }

// Ratio and department: Null when the code is unknown or not given.
Value KnownCode(const std::string& text, bool known) {
    std::string t = Trim(text);
    if (!known || t.empty()) return Value();
    return Value(t);
}

Value TextOrNull(const std::string& text) { return text.empty() ? Value() : Value(text); }

Date MonthOf(const Date& d) { return Date{d.year, d.month, 1}; }

// The claim month of a row; registering without one would store a row that
// belongs to no month.
Date ClaimMonthOf(const EntryRow& row) {
    if (!row.request) throw AppError(err::TypeMismatch, "請求月が設定されていません。");
    return MonthOf(*row.request);
}

Date TreatmentMonthOf(const EntryRow& row) {
    auto d = TreatmentMonth(row);
    if (!d) throw AppError(err::TypeMismatch, "型が一致しません。");
    return *d;
}

long long BranchOf(const EntryRow& row) {
    auto b = ParseAmount(row.eda);
    if (!b) throw AppError(err::TypeMismatch, "型が一致しません。");
    return *b;
}

// Runs f in a transaction of the workspace; a failure rolls back and rethrows.
template <class F>
void InTransaction(F&& f) {
    gWS.BeginTrans();
    try {
        f();
        gWS.CommitTrans();
    } catch (...) {
        gWS.Rollback();
        throw;
    }
}

}  // namespace

std::optional<EntrySettings> ReadEntrySettings() {
    auto rs = DB().OpenRecordset("SELECT * FROM T_設定", dbOpenSnapshot);
    if (rs.isEOF()) return std::nullopt;
    EntrySettings s;
    s.type = rs["type"].isBlank() ? 0 : static_cast<int>(rs["type"].toInt());
    s.tencd = rs["tencd"].trimmed();
    s.insurance = OptInt(rs["insurance"]);
    s.hospitalization = OptInt(rs["hospitalization"]);
    s.treatment = rs["treatment"].trimmed();
    if (auto d = rs["request"].toDate()) s.request = MonthOf(*d);
    return s;
}

std::optional<MasterRow> ReadMaster(const std::string& city, const std::string& recipient) {
    auto rs = DB().OpenRecordset(std::string("SELECT * FROM T_基本 ") + CR + "WHERE code = ?" + CR +
                                     "  AND recipient = ?" + CR,
                                 dbOpenSnapshot, {Value(city), Value(recipient)});
    if (rs.isEOF()) return std::nullopt;
    MasterRow m;
    m.name = rs["name"].str();
    if (!rs["birthday"].isBlank()) m.birthday = rs["birthday"].toDate();
    m.insurance = OptInt(rs["n_insurance"]);
    m.insuranceNo = rs["n_insurance_no"].str();
    m.ratio = rs["n_ratio"].str();
    m.publicPay1 = rs["PublicPay1"].str();
    m.publicPay2 = rs["PublicPay2"].str();
    return m;
}

std::optional<ClaimRow> ReadClaim(const std::string& city, const std::string& recipient, const Date& diagnosis,
                                  const Date& request, long long eda) {
    auto rs = DB().OpenRecordset(std::string("SELECT * FROM T_データ ") + CR + "WHERE code = ?" + CR +
                                     "  AND recipient = ?" + CR + "  AND diagnosis = ?" + CR +
                                     "  AND request = ?" + CR + "  AND eda = ?" + CR,
                                 dbOpenSnapshot,
                                 {Value(city), Value(recipient), Value(MonthOf(diagnosis)), Value(MonthOf(request)),
                                  Value(eda)});
    if (rs.isEOF()) return std::nullopt;
    ClaimRow c;
    c.total = OptLong(rs["total"]);
    c.payment = OptLong(rs["payment"]);
    c.insurance = OptInt(rs["insurance"]);
    c.insuranceNo = rs["insurance_no"].str();
    c.hospitalization = OptInt(rs["hospitalization"]);
    c.ratio = rs["ratio"].str();
    c.treatment = rs["treatment"].str();
    c.publicPay1 = rs["PublicPay1"].str();
    c.publicPay2 = rs["PublicPay2"].str();
    return c;
}

BranchLoad LoadBranches(const std::string& city, const std::string& recipient, const Date& diagnosis,
                        const Date& request) {
    auto found = DB().OpenRecordset(
        std::string("SELECT * FROM T_基本 LEFT JOIN T_データ ON ") + CR +
            "(T_基本.recipient = T_データ.recipient) AND " + CR + "(T_基本.code = T_データ.code) " + CR +
            " WHERE T_基本.code= ?" + CR + "   AND T_基本.recipient = ?" + CR + "   AND T_データ.diagnosis = ?" +
            CR + "   AND T_データ.request = ?" + CR,
        dbOpenSnapshot, {Value(city), Value(recipient), Value(MonthOf(diagnosis)), Value(MonthOf(request))});
    BranchLoad load;
    if (found.isEOF()) return load;

    InTransaction([&] {
        DB().Execute(std::string("delete * ") + CR + " FROM WK_データ" + CR);
        auto wk = DB().OpenRecordset(std::string("SELECT * ") + CR + " FROM WK_データ" + CR, dbOpenDynaset);
        for (; !found.isEOF(); found.MoveNext()) {
            wk.AddNew();
            wk.set("枝番", found["eda"]);
            wk.set("氏名", found["T_基本.name"]);
            wk.set("保険者番号", found["insurance_no"]);
            wk.set("合計点数", found["total"]);
            wk.set("自己負担支払額", found["payment"]);
            wk.Update();
            ++load.found;
        }
    });
    load.nextBranch = NextBranchFromWork();
    return load;
}

std::vector<WorkRow> ReadWorkRows() {
    auto rs = DB().OpenRecordset(std::string("SELECT * ") + CR + "  FROM WK_データ" + CR + " order by 枝番",
                                 dbOpenSnapshot);
    std::vector<WorkRow> rows;
    for (; !rs.isEOF(); rs.MoveNext())
        rows.push_back({rs["枝番"], rs["氏名"], rs["保険者番号"], rs["合計点数"], rs["自己負担支払額"]});
    return rows;
}

bool WorkTableHasRows() {
    return !DB().OpenRecordset("SELECT *  FROM WK_データ", dbOpenSnapshot).isEOF();
}

long long NextBranchFromWork() {
    Value max = DB().Scalar(std::string("select Max(WK_データ.枝番) AS 枝番の最大") + CR + "  FROM WK_データ");
    // An empty work table has no highest branch: the first branch is 1.
    return (max.isBlank() ? 0 : max.toInt()) + 1;
}

long CountSameRows(const EntryRow& row) {
    std::string sql = " SELECT count(*) AS Cnt FROM T_データ WHERE code = ? AND recipient = ? AND diagnosis = ?";
    Params p{Value(row.city), Value(row.recipient), Value(TreatmentMonthOf(row))};
    Value treatment = KnownCode(row.treatment, row.treatmentKnown);
    if (treatment.isNull()) {
        sql += "    AND treatment is null";
    } else {
        sql += " AND treatment = ?";
        p.push_back(Value(treatment.toInt()));
    }
    sql += " AND insurance = ? AND insurance_no = ?";
    p.push_back(OrNull(row.insurance));
    p.push_back(Value(row.insuranceNo));
    if (row.hospitalization) {
        sql += " AND hospitalization = ?";
        p.push_back(Value(*row.hospitalization));
    } else {
        sql += " AND hospitalization is null";
    }
    sql += " AND request = ?";
    p.push_back(Value(ClaimMonthOf(row)));
    return static_cast<long>(DB().Scalar(sql, p).toInt());
}

void RegisterEntry(const EntryRow& row) {
    const Date diagnosis = TreatmentMonthOf(row);
    const Date request = ClaimMonthOf(row);
    const long long eda = BranchOf(row);
    auto birth = BirthDate(row);
    auto total = ParseAmount(row.total);
    auto payment = ParseAmount(row.payment);
    if (!birth || !total || !payment) throw AppError(err::TypeMismatch, "型が一致しません。");
    const Value ratio = KnownCode(row.rate, row.rateKnown);

    InTransaction([&] {
        auto master = DB().OpenRecordset(std::string("SELECT * FROM T_基本 ") + CR + "WHERE code = ?" + CR +
                                             "  AND recipient = ?" + CR,
                                         dbOpenDynaset, {Value(row.city), Value(row.recipient)});
        if (master.isEOF()) {
            master.AddNew();
            master.set("code", Value(row.city));
            master.set("recipient", Value(row.recipient));
        } else {
            master.Edit();
        }
        master.set("name", Value(Trim(row.name)));
        master.set("birthday", Value(*birth));
        master.set("n_insurance", OrNull(row.insurance));
        master.set("n_insurance_no", Value(row.insuranceNo));
        master.set("n_ratio", ratio);
        master.set("PublicPay1", Value(row.publicPay1));
        master.set("PublicPay2", Value(row.publicPay2));
        master.Update();

        auto claim = DB().OpenRecordset(std::string("SELECT * FROM T_データ ") + CR + "WHERE code = ?" + CR +
                                            "  AND recipient = ?" + CR + "  AND diagnosis = ?" + CR +
                                            "  AND eda = ?" + CR,
                                        dbOpenDynaset,
                                        {Value(row.city), Value(row.recipient), Value(diagnosis), Value(eda)});
        if (claim.isEOF()) {
            claim.AddNew();
            claim.set("code", Value(row.cityKnown ? row.city : std::string()));
            claim.set("recipient", Value(row.recipient));
            claim.set("diagnosis", Value(diagnosis));
            claim.set("eda", Value(eda));
        } else {
            claim.Edit();
        }
        claim.set("total", Value(*total));
        claim.set("payment", Value(*payment));
        claim.set("request", Value(request));
        claim.set("insurance", OrNull(row.insurance));
        claim.set("insurance_no", Value(row.insuranceNo));
        claim.set("hospitalization", OrNull(row.hospitalization));
        claim.set("ratio", ratio);
        claim.set("treatment", KnownCode(row.treatment, row.treatmentKnown));
        claim.set("PublicPay1", TextOrNull(row.publicPay1));
        claim.set("PublicPay2", TextOrNull(row.publicPay2));
        claim.Update();
    });
}

int DeleteBranch(const EntryRow& row) {
    const Date diagnosis = TreatmentMonthOf(row);
    const long long eda = BranchOf(row);
    int deleted = 0;
    InTransaction([&] {
        deleted = DB().Execute(std::string("DELETE * FROM T_データ ") + CR + "WHERE code = ?" + CR + "  AND recipient = ?" +
                         CR + "  AND diagnosis = ?" + CR + "  AND eda = ?" + CR,
                     {Value(row.city), Value(row.recipient), Value(diagnosis), Value(eda)});
    });
    return deleted;
}

}  // namespace hotaru::entry
