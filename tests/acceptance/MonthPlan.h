#pragma once
// A month of claims as the staff have it on paper: the institution, the
// children and every row they type, and what the program must make of it —
// the stored rows, the submission file's records and the list's lines —
// worked out here from the paper alone, without the program's own routines.
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace hotaru::acceptance {

struct Day {
    int y = 0, m = 0, d = 1;
    auto operator<=>(const Day&) const = default;
    std::string iso() const {
        char b[16];
        std::snprintf(b, sizeof b, "%04d-%02d-%02d", y, m, d);
        return b;
    }
};

// The era a day falls in, as the forms and the file write it.
struct EraOfDay {
    const char* name;
    char letter;
    int digit;
    int year;
};
inline EraOfDay EraFor(const Day& d) {
    if (d.y * 100 + d.m >= 201905) return {"令和", 'R', 5, d.y - 2018};
    return {"平成", 'H', 4, d.y - 1988};
}
inline std::string Two(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}
// Era number + era year + month (+ day): 50811, 5030405.
inline std::string EraDigits(const Day& d, bool withDay) {
    const EraOfDay e = EraFor(d);
    return std::to_string(e.digit) + Two(e.year) + Two(d.m) + (withDay ? Two(d.d) : "");
}

// Modulus 10, weights 2 and 1 from the right, over the last eleven digits.
inline std::string Luhn(const std::string& digits) {
    int sum = 0, pos = 0;
    for (auto it = digits.rbegin(); it != digits.rend() && pos < 11; ++it, ++pos) {
        int v = *it - '0';
        if (pos % 2 == 0) v *= 2;
        sum += v / 10 + v % 10;
    }
    return std::to_string((10 - sum % 10) % 10);
}

inline std::string Thousands(long long n) {
    std::string s = std::to_string(n), out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i > 0 && (s.size() - i) % 3 == 0) out += ',';
        out += s[i];
    }
    return out;
}

struct Institution {
    int kind = 1;
    std::string pref, mark, number, branch;  // the number parts as typed
    std::string name;
    int insurance = 2;        // default insurance kind, picked in 初期設定
    int hospitalization = 2;  // default inpatient/outpatient kind
    std::string treatment;    // default department ("" = none)

    // The submission file's institution number and name for a data month.
    std::string institutionNumber() const { return kind == 1 ? pref + mark + number : number + "-" + branch.substr(0, 1); }
    std::string fileName(const Day& dataMonth) const {
        const std::string eemm = Two(EraFor(dataMonth).year) + Two(dataMonth.m);
        return (kind == 1 ? pref + mark + number : number + "-" + branch) + "-1-" + eemm + ".CSV";
    }
};

// A child as the certificate and the first slip give it.
struct Child {
    std::string city;            // as typed (the stored code)
    std::string cityName;
    std::string recipientTyped;  // as typed
    std::string recipient;       // nine digits, as stored
    bool wrongCheckDigit = false;
    std::string name;
    Day birth;
    Day diagnosis;  // treatment month (first day)
    int insurance = 2;
    std::string insuranceNo;
    int hospitalization = 2;
    int ratio = 1;
};

// One registration: what is typed into the detail fields (empty = the field
// is passed with Enter, keeping what the window shows).
struct Slip {
    int child = 0;
    int eda = 1;
    enum class How { New, Add, Correct } how = How::New;
    long long total = 0, payment = 0;
    std::string treatmentTyped, publicPay1Typed, publicPay2Typed;
    bool copaymentQuestion = false;  // the co-payment differs by more than 100 yen
    bool duplicateQuestion = false;  // an identical row is stored already
};

// A stored claim row, as T_データ must hold it.
struct Row {
    std::string city, recipient;
    Day diagnosis;
    int eda = 1;
    long long total = 0, payment = 0;
    int insurance = 0;
    std::string insuranceNo;
    int hospitalization = 0;
    int ratio = 0;
    std::optional<std::string> treatment, publicPay1, publicPay2;
};
// A stored child, as T_基本 must hold it.
struct Master {
    std::string city, recipient, name;
    Day birth;
    int insurance = 0;
    std::string insuranceNo;
    int ratio = 0;
    std::string publicPay1, publicPay2;
};
using RowKey = std::tuple<std::string, std::string, Day, int>;

inline const char* CityName(const std::string& code) {
    static const std::map<std::string, const char*> names{
        {"1", "鹿児島市"}, {"2", "鹿屋市"}, {"5", "出水市"}, {"7", "指宿市"}, {"12", "曽於市"},
        {"23", "さつま町"}, {"34", "肝付町"}, {"45", "天城町"}, {"50", "屋久島町"}, {"51", "南九州市"}};
    return names.at(code);
}
inline const char* InsuranceName(int c) { return c == 1 ? "社保" : c == 2 ? "国保" : c == 3 ? "退職" : "その他"; }
inline const char* HospitalizationName(int c) { return c == 1 ? "入院" : "外来"; }
inline const char* DepartmentName(const std::string& c) {
    static const std::map<std::string, const char*> names{{"10", "内科"}, {"12", "消化器科"}, {"20", "小児科"},
                                                          {"31", "整形外科"}, {"44", "耳鼻咽喉科"}};
    return names.at(c);
}

class MonthPlan {
public:
    static constexpr int kChildren = 40;
    Institution inst;
    Day claimMonth{2026, 12, 1};
    Day dataMonth{2026, 11, 1};
    std::vector<Child> children;
    std::vector<Slip> slips;  // in the order they are typed
    int corrected = 10;       // child whose first branch is corrected through 参照
    int deleted = 17;         // child whose second branch is deleted
    Slip correction;

    explicit MonthPlan(int kind) {
        inst.kind = kind;
        if (kind == 1) {
            inst.pref = "46";
            inst.mark = "1";
            inst.number = "234567";
            inst.number += Luhn(inst.pref + inst.mark + "00" + inst.number);
            inst.name = "ほたる小児科医院";
            inst.treatment = "20";
        } else {
            inst.number = "7654321";
            inst.branch = "3";
            inst.name = "ほたる整骨院";
        }
        const char* cities[] = {"7", "12", "1", "23", "50", "34", "5", "45", "51", "2"};
        const char* surnames[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "中村", "小林", "加藤"};
        const char* given[] = {"はなこ", "たろう", "さくら", "ゆうと", "ひなた", "そうた", "めい", "りく"};
        const Day months[] = {{2026, 11, 1}, {2026, 10, 1}, {2026, 9, 1}, {2026, 6, 1}};
        for (int i = 0; i < kChildren; ++i) {
            Child c;
            c.city = cities[i % 10];
            c.cityName = CityName(c.city);
            char body[24];
            std::snprintf(body, sizeof body, "%08d", i == 8 ? 1208 : 20000 + i * 137);
            c.recipient = std::string(body) + Luhn(Two(std::stoi(c.city)) + "1" + body);
            if (i == 5) {  // a misprinted certificate number, kept after the warning
                c.recipient.back() = static_cast<char>('0' + (c.recipient.back() - '0' + 1) % 10);
                c.wrongCheckDigit = true;
            }
            c.recipientTyped = c.recipient;
            if (i == 8) c.recipientTyped = c.recipient.substr(c.recipient.find_first_not_of('0'));  // padded when left
            c.name = std::string(surnames[i % 10]) + "　" + given[i % 8];
            c.birth = i == 4 ? Day{2018, 7, 15} : i == 27 ? Day{2019, 3, 20} : Day{2020 + i % 6, 1 + i % 12, 1 + i % 28};
            c.diagnosis = i == 13 ? Day{2025, 12, 1} : months[i % 4];
            c.insurance = i % 5 == 1 ? 1 : i % 5 == 3 ? 3 : 2;
            if (c.insurance == 1) {
                char n[24];
                std::snprintf(n, sizeof n, "06%05d", 10000 + i);
                c.insuranceNo = std::string(n) + Luhn(n);
            } else if (i % 2) {
                c.insuranceNo = "46" + std::to_string(2000 + i);
            } else {
                char n[24];
                std::snprintf(n, sizeof n, "3146%04d", i);
                c.insuranceNo = n;
            }
            c.hospitalization = i % 6 == 2 ? 1 : 2;
            c.ratio = 1 + i % 3;
            children.push_back(c);

            Slip s;
            s.child = i;
            s.total = kind == 1 ? 1500 + i * 97 : 3000 + i * 1230;  // yen amounts in tens: the expected co-payment is whole
            const long long expected = kind == 1 ? s.total * c.ratio : s.total * c.ratio / 10;
            const long long deltas[] = {0, 100, -100, 37};
            s.payment = expected + deltas[i % 4];
            if (i == 20) {  // a slip the insurer will query: registered after the warning
                s.payment = expected + 101;
                s.copaymentQuestion = true;
            }
            s.treatmentTyped = i % 4 == 0 ? "10" : i % 4 == 1 ? "31" : "";
            s.publicPay1Typed = i == 9 ? "5" : i % 9 == 0 ? "12" : "";
            s.publicPay2Typed = i % 18 == 0 ? "21" : "";
            slips.push_back(s);

            const int branches = i == 10 ? 3 : (i == 3 || i == 17 || i == 24 || i == 31 || i == 38) ? 2 : 1;
            for (int b = 2; b <= branches; ++b) {
                Slip more;
                more.child = i;
                more.eda = b;
                more.how = Slip::How::Add;
                more.total = s.total + 500 * b;
                more.payment = kind == 1 ? more.total * c.ratio : more.total * c.ratio / 10;
                more.treatmentTyped = b == 3 ? "12" : s.treatmentTyped == "31" ? "10" : "31";
                if (i == 24) {  // the same treatment again: the duplicate warning, answered Yes
                    more.treatmentTyped = s.treatmentTyped;
                    more.duplicateQuestion = true;
                }
                slips.push_back(more);
            }
        }
        const Child& c = children[corrected];
        correction.child = corrected;
        correction.eda = 1;
        correction.how = Slip::How::Correct;
        correction.total = slips[firstSlipOf(corrected)].total + 11;
        correction.payment = (kind == 1 ? correction.total * c.ratio : correction.total * c.ratio / 10) + 50;
        correction.treatmentTyped = "44";
        correction.publicPay1Typed = "07";
    }

    std::size_t firstSlipOf(int child) const {
        for (std::size_t k = 0; k < slips.size(); ++k)
            if (slips[k].child == child) return k;
        return slips.size();
    }
    const Child& childOf(const Slip& s) const { return children[static_cast<std::size_t>(s.child)]; }
    RowKey keyOf(int child, int eda) const {
        const Child& c = children[static_cast<std::size_t>(child)];
        return {c.city, c.recipient, c.diagnosis, eda};
    }

    // ---- What the windows show, and so what is stored -------------------

    // Applies one registration to the expected tables.
    void apply(const Slip& s) {
        const Child& c = childOf(s);
        const RowKey key = keyOf(s.child, s.eda);
        Row r;
        r.city = c.city;
        r.recipient = c.recipient;
        r.diagnosis = c.diagnosis;
        r.eda = s.eda;
        r.total = s.total;
        r.payment = s.payment;
        const auto known = masters.find({c.city, c.recipient});
        // What the window showed before anything was typed into the field.
        std::string treatmentShown = inst.treatment, pp1Shown, pp2Shown;
        switch (s.how) {
        case Slip::How::New:
            r.insurance = c.insurance;
            r.insuranceNo = c.insuranceNo;
            r.hospitalization = c.hospitalization;
            r.ratio = c.ratio;
            break;
        case Slip::How::Add:  // the child's master row, the institution's defaults
            r.insurance = inst.insurance;
            r.insuranceNo = known->second.insuranceNo;
            r.hospitalization = inst.hospitalization;
            r.ratio = known->second.ratio;
            pp1Shown = known->second.publicPay1;
            pp2Shown = known->second.publicPay2;
            break;
        case Slip::How::Correct: {  // the stored branch
            const Row& old = rows.at(key);
            r.insurance = old.insurance;
            r.insuranceNo = old.insuranceNo;
            r.hospitalization = old.hospitalization;
            r.ratio = old.ratio;
            treatmentShown = old.treatment.value_or("");
            pp1Shown = old.publicPay1.value_or("");
            pp2Shown = old.publicPay2.value_or("");
            break;
        }
        }
        const std::string treatment = s.treatmentTyped.empty() ? treatmentShown : s.treatmentTyped;
        std::string pp1 = s.publicPay1Typed.empty() ? pp1Shown : s.publicPay1Typed;
        if (pp1.size() == 1) pp1 = "0" + pp1;  // one digit is padded when left
        const std::string pp2 = s.publicPay2Typed.empty() ? pp2Shown : s.publicPay2Typed;
        if (!treatment.empty()) r.treatment = treatment;
        if (!pp1.empty()) r.publicPay1 = pp1;
        if (!pp2.empty()) r.publicPay2 = pp2;
        rows[key] = r;

        Master m;
        m.city = c.city;
        m.recipient = c.recipient;
        m.name = c.name;
        m.birth = c.birth;
        m.insurance = r.insurance;
        m.insuranceNo = r.insuranceNo;
        m.ratio = r.ratio;
        m.publicPay1 = pp1;
        m.publicPay2 = pp2;
        masters[{c.city, c.recipient}] = m;
    }
    void applyDeletion(int child, int eda) { rows.erase(keyOf(child, eda)); }

    std::map<RowKey, Row> rows;  // ordered as the file and the list order them
    std::map<std::pair<std::string, std::string>, Master> masters;

    // ---- The submission file and the list -----------------------------------

    std::vector<std::string> records() const {
        std::vector<std::string> out;
        const std::string number = inst.institutionNumber();
        const std::string month = EraDigits(dataMonth, false);
        out.push_back(std::string(inst.kind == 1 ? "1" : "3") + "," + month + "," + number + ",1," +
                      std::to_string(rows.size()) + ",\"" + inst.name + "\"");
        for (const auto& [key, r] : rows) {
            const Master& m = masters.at({r.city, r.recipient});
            std::string line = inst.kind == 1 ? "2," : "4,";
            line += number + ",";
            line += (inst.kind == 1 ? r.treatment.value_or("") : std::string()) + ",";
            line += month + "," + r.city + ",1," + r.recipient + ",\"" + m.name + "\",";
            line += EraDigits(m.birth, true) + ",";
            line += std::to_string(r.insurance) + "," + r.insuranceNo + "," + std::to_string(r.hospitalization) + ",";
            line += std::to_string(r.ratio) + ",,";
            line += std::to_string(r.total) + "," + std::to_string(r.payment) + ",";
            line += EraDigits(r.diagnosis, false) + ",";
            line += r.publicPay1.value_or("") + "," + r.publicPay2.value_or("");
            out.push_back(line);
        }
        return out;
    }

    // One line of the list: its texts left to right, and the public-expense
    // numbers that stand above them in the last column.
    struct ListLine {
        std::vector<std::string> texts;
        std::string publicPay;
    };
    std::vector<ListLine> listLines() const {
        std::vector<ListLine> out;
        int no = 0;
        for (const auto& [key, r] : rows) {
            const Master& m = masters.at({r.city, r.recipient});
            const EraOfDay be = EraFor(m.birth), de = EraFor(r.diagnosis);
            ListLine l;
            l.texts = {std::to_string(++no), m.name,
                       std::string(1, be.letter) + Two(be.year) + "." + Two(m.birth.m) + "." + Two(m.birth.d),
                       CityName(r.city), r.recipient, InsuranceName(r.insurance), r.insuranceNo,
                       HospitalizationName(r.hospitalization),
                       // Points are bare, yen amounts carry the yen sign.
                       std::to_string(r.ratio) + "割" + (inst.kind == 1 ? "" : "¥") + Thousands(r.total),
                       "¥" + Thousands(r.payment),
                       std::string(1, de.letter) + Two(de.year) + "." + Two(r.diagnosis.m)};
            if (r.treatment) l.texts.push_back(DepartmentName(*r.treatment));
            l.publicPay = r.publicPay1.value_or("") + r.publicPay2.value_or("");
            out.push_back(l);
        }
        return out;
    }
};

}  // namespace hotaru::acceptance
