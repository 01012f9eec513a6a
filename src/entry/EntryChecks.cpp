#include "entry/EntryChecks.h"

#include <algorithm>
#include <climits>

#include "common/Numeric.h"
#include "common/Text.h"
#include "ui/CheckDigit.h"

namespace hotaru::entry {

namespace {

constexpr char CR = '\r';

bool Blank(const std::string& s) { return Trim(s).empty(); }

bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

std::string Ym(const Date& d) { return FormatDate(d, "yyyy/mm"); }

// The month before the claim month, or the claim month itself.
std::optional<Date> LatestAllowed(const std::optional<Date>& request, bool monthField) {
    if (!request) return std::nullopt;
    Date first{request->year, request->month, 1};
    return monthField ? AddMonths(first, -1) : first;
}

}  // namespace

// ---- Row values ------------------------------------------------------------

std::optional<Date> EraMonth(const std::string& era, const std::string& year, const std::string& month) {
    if (era.empty()) return std::nullopt;
    return ParseDate(era + year + "年" + month + "月");
}

std::optional<Date> TreatmentMonth(const EntryRow& row) {
    return EraMonth(row.diagEra, Trim(row.diagYear), Trim(row.diagMonth));
}

std::optional<Date> BirthDate(const EntryRow& row) {
    if (row.bdEra.empty()) return std::nullopt;
    return ParseDate(row.bdEra + row.bdYear + "年" + row.bdMonth + "月" + row.bdDay + "日");
}

std::optional<long long> ParseAmount(const std::string& text) {
    std::string t = Trim(text);
    long long value = 0;
    bool digits = false, huge = false;
    for (char c : t) {
        if (c == ',') continue;
        if (c < '0' || c > '9') return std::nullopt;
        digits = true;
        if (value > (LLONG_MAX - 9) / 10) huge = true;
        if (!huge) value = value * 10 + (c - '0');
    }
    if (!digits) return std::nullopt;
    return huge ? LLONG_MAX : value;
}

// ---- Field rules -------------------------------------------------------------

bool FieldCheck::failed() const {
    return std::any_of(rules.begin(), rules.end(), [](const RuleResult& r) { return r.failed; });
}

std::vector<std::string> FieldCheck::redFields() const {
    std::vector<std::string> out;
    for (const auto& r : rules)
        if (r.failed)
            for (const auto& f : r.fields)
                if (!Contains(out, f)) out.push_back(f);
    return out;
}

std::vector<std::string> FieldCheck::clearedFields() const {
    std::vector<std::string> red = redFields(), out;
    for (const auto& r : rules)
        if (!r.failed)
            for (const auto& f : r.fields)
                if (!Contains(red, f) && !Contains(out, f)) out.push_back(f);
    return out;
}

FieldCheck CheckEntryFields(const EntryRow& row) {
    FieldCheck check;
    auto rule = [&](bool fails, const char* code, const std::string& label, std::vector<std::string> fields,
                    const char* focus) {
        check.rules.push_back({fails, code, label, std::move(fields), focus});
        return !fails;
    };
    const std::vector<std::string> birthFields{"Txt_BD_Y", "Txt_BD_M", "Txt_BD_D"};

    rule(Blank(row.name), "ERR01", "氏名", {"Txt_Name"}, "Txt_Name");
    bool y = rule(Blank(row.bdYear), "ERR01", "生年月日(年)", {"Txt_BD_Y"}, "Txt_BD_Y");
    bool m = rule(Blank(row.bdMonth), "ERR01", "生年月日(月)", {"Txt_BD_M"}, "Txt_BD_M");
    bool d = rule(Blank(row.bdDay), "ERR01", "生年月日(日)", {"Txt_BD_D"}, "Txt_BD_D");
    if (y && m && d) {
        auto birth = BirthDate(row);
        if (rule(!birth, "ERR02", "生年月日", birthFields, "Txt_BD_Y")) {
            const std::string born = Ym(*birth);
            if (row.request) rule(born > Ym(*row.request), "ERR03", "生年月日", birthFields, "Txt_BD_Y");
            if (auto treated = TreatmentMonth(row))
                rule(Ym(*treated) < born, "ERR06", "", birthFields, "Txt_BD_Y");
        }
    }
    rule(Blank(row.insuranceText), "ERR01", "保険", {"Cbo_Insurance"}, "Cbo_Insurance");
    rule(Blank(row.insuranceNo), "ERR01", "保険者番号", {"Txt_InsuranceNo"}, "Txt_InsuranceNo");
    rule(Blank(row.rate), "ERR01", "割合", {"Txt_Rate"}, "Txt_Rate");

    // The amounts: required, numbers, and within what a claim row holds (a
    // larger value would wrap or fail half-way through the registration).
    auto amount = [&](const std::string& text, const std::string& label, const char* field) {
        if (!rule(Blank(text), "ERR01", label, {field}, field)) return;
        auto v = ParseAmount(text);
        if (!rule(!v, "ERR02", label, {field}, field)) return;
        rule(*v > kMaxAmount, "ERR05", label, {field}, field);
    };
    amount(row.total, row.totalCaption, "Txt_Total");
    amount(row.payment, "自己負担支払額", "Txt_Payment");

    auto publicPay = [&](const std::string& text, const char* label, const char* field) {
        rule(CharCount(text) >= 3, "ERR02", label, {field}, field);
        rule(!text.empty() && !IsNumeric(text), "ERR02", label, {field}, field);
    };
    publicPay(row.publicPay1, "公費1", "Txt_PublicPay1");
    publicPay(row.publicPay2, "公費2", "Txt_PublicPay2");
    rule(row.publicPay1.empty() && !row.publicPay2.empty(), "ERR02", "公費2",
         {"Txt_PublicPay1", "Txt_PublicPay2"}, "Txt_PublicPay2");
    return check;
}

// ---- Plausibility ----------------------------------------------------------

bool InsurerNumberPlausible(const EntryRow& row) {
    if (!row.insurance || *row.insurance != 1) return true;
    const std::string n = Trim(row.insuranceNo);
    if (n.empty()) return true;
    std::string body = "00000000000" + n.substr(0, n.size() - 1);
    body = body.substr(body.size() - 10);
    return ui::ComputeCheckDigit(body) == n.substr(n.size() - 1);
}

CopaymentCheck CheckCopayment(const EntryRow& row, int institutionType, const std::string& tencd) {
    CopaymentCheck c;
    c.points = institutionType == 1 && Trim(tencd) != "6";
    auto total = ParseAmount(row.total);
    auto payment = ParseAmount(row.payment);
    auto rate = ParseAmount(row.rate);
    if (!total || !payment || !rate) return c;
    // points × 10 yen × ratio × 10 ÷ 100 = points × ratio yen;
    // yen × ratio × 10 ÷ 100 = yen × ratio ÷ 10.  In 1/10000 yen both are exact.
    __int128 expected = static_cast<__int128>(*total) * *rate * (c.points ? 10000 : 1000);
    __int128 diff = static_cast<__int128>(*payment) * 10000 - expected;
    const __int128 band = 100 * 10000;
    c.ask = diff > band || diff < -band;
    auto clamp = [](__int128 v) {
        return static_cast<long long>(std::clamp<__int128>(v, LLONG_MIN, LLONG_MAX));
    };
    c.expected = clamp(expected);
    c.difference = clamp(diff);
    return c;
}

std::string InsurerQuestion() {
    return std::string("保険者番号が間違っています。") + CR + "登録してもよろしいですか？" + CR;
}

std::string CopaymentQuestion(bool points) {
    return std::string(points ? "合計点数" : "請求金額") + "より求めた金額と自己負担支払額に差額が発生しています。" + CR +
           "登録してもよろしいですか？" + CR;
}

std::string DuplicateQuestion() {
    return std::string("同一の診療データが存在します。このまま登録してもよろしいですか？") + CR + "\n" +
           "（参照ボタンで確認できます。）" + CR;
}

bool DuplicateQuestionNeeded(const EntryRow& row, const std::string& tencd, long count) {
    if (Trim(tencd) == "4") return false;
    return count >= 2 || (count == 1 && !row.correcting);
}

// ---- Key checks ----------------------------------------------------------------

MonthVerdict CheckTreatmentMonthTexts(const std::string& era, const std::string& year, const std::string& month,
                                      const std::optional<Date>& request, bool monthField) {
    const std::string y = Trim(year), m = Trim(month);
    const std::string& own = monthField ? m : y;
    if (!own.empty() && !IsNumeric(own)) return MonthVerdict::NotNumeric;
    if (y.empty() || m.empty()) return MonthVerdict::Ok;
    auto treated = EraMonth(era, y, m);
    // The year field checks the era month as well: "yy/mm/01" alone lets
    // through months that the era does not have (令和1年4月).
    if (!treated || (!monthField && !IsDate(y + "/" + m + "/01"))) return MonthVerdict::NotDate;
    const std::string t = Ym(*treated);
    auto latest = LatestAllowed(request, monthField);
    if (latest && t > Ym(*latest)) return MonthVerdict::Future;
    if (t < "2007/03") return MonthVerdict::TooOld;
    if (latest && MonthsBetween(*treated, *latest) >= 37) return MonthVerdict::AskOld;
    return MonthVerdict::Ok;
}

std::string MonthVerdictMessage(MonthVerdict v, bool monthField) {
    switch (v) {
    case MonthVerdict::NotDate:
        return std::string(monthField ? "実診療年月の入力に誤りがあります。　" : "実診療年月の入力に誤りがあります") + CR;
    case MonthVerdict::Future: return std::string("実診療年月に請求月より未来の年月が入力されています。　") + CR;
    case MonthVerdict::TooOld: return std::string("実診療年月が、平成19年2月以前のものは入力できません。　") + CR;
    default: return {};
    }
}

std::string OldMonthQuestion() {
    return std::string("請求月より37ヶ月以上過去の年月が入力されていますが、") + CR + "登録してもよろしいですか？" + CR;
}

bool RecipientNumberPlausible(const std::string& city, const std::string& recipient) {
    const std::string r = Trim(recipient);
    if (r.empty()) return true;
    const std::string text = FormatText(city, "00") + "1" + r.substr(0, std::min<std::size_t>(8, r.size()));
    return ui::ComputeCheckDigit(text) == r.substr(r.size() - 1);
}

std::string RecipientQuestion() {
    return std::string("受給者番号が間違っています。") + CR + "継続してもよろしいですか？" + CR;
}

}  // namespace hotaru::entry
