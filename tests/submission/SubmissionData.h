#pragma once
// Rows for the submission tests, written straight into gDB.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/Date.h"
#include "common/Sjis.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

namespace hotaru::test {

struct ClaimData {
    std::string code = "12", recipient = "123456";
    Date diagnosis{2008, 2, 1};
    int eda = 1;
    long long total = 1234, payment = 3700;
    Date request{2008, 3, 1};
    std::optional<int> insurance = 1;
    std::optional<std::string> insuranceNo = std::string("12345678");
    std::optional<int> hospitalization = 2, ratio = 3, treatment = 10;
    std::optional<std::string> publicPay1 = std::nullopt, publicPay2 = std::nullopt;
};

inline void PutClaim(const ClaimData& c) {
    DB().Execute("INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, "
                 "insurance_no, hospitalization, ratio, treatment, PublicPay1, PublicPay2) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {c.code, c.recipient, c.diagnosis, c.eda, c.total, c.payment, c.request, Opt(c.insurance),
                  Opt(c.insuranceNo), Opt(c.hospitalization), Opt(c.ratio), Opt(c.treatment), Opt(c.publicPay1),
                  Opt(c.publicPay2)});
}

// Text as the federation's files hold it: Shift_JIS with CR LF after each line.
inline std::string SjisLines(std::initializer_list<std::string> lines) {
    std::string out;
    for (const auto& l : lines) out += ToSjis(l) + "\r\n";
    return out;
}

// A record of the hand-worked file with some fields (numbered as in the record) replaced.
using Changes = std::vector<std::pair<int, std::string>>;
inline std::string Record(std::vector<std::string> f, const Changes& changes) {
    for (const auto& [n, v] : changes) f[static_cast<std::size_t>(n - 1)] = v;
    std::string s;
    for (std::size_t i = 0; i < f.size(); ++i) s += (i ? "," : "") + f[i];
    return s;
}
inline std::string Detail(const Changes& changes = {}) {
    return Record({"2", "4611234560", "10", "42002", "12", "1", "000123456", "\"山田太郎\"", "4180503", "1",
                   "12345678", "2", "3", "", "1234", "3700", "42002", "", ""},
                  changes);
}
inline std::string Header(long count, const Changes& changes = {}) {
    return Record({"1", "42002", "4611234560", "1", std::to_string(count), "\"蛍クリニック\""}, changes);
}

}  // namespace hotaru::test
