#pragma once
// Fills the tables the claim list reads, straight through SQL, and reads
// the PDFs written from it.
#include <string>

#include "data/Connection.h"
#include "support/TestSupport.h"

namespace hotaru::test {

using data::Value;

// A claim row of claim month 2008/04 with every code known.
struct ClaimRow {
    std::string code = "1", recipient = "100000001", diagnosis = "2008-03-01";
    int eda = 1;
    Value total = 1234, payment = 500;
    std::string request = "2008-04-01";
    Value insurance = 2;
    std::string insuranceNo = "460014";
    Value hospitalization = 2, ratio = 3, treatment = 20, publicPay1 = "12", publicPay2 = Value();
};

inline void AddRow(const ClaimRow& r) {
    DB().Execute(
        "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, insurance_no, "
        "hospitalization, ratio, treatment, PublicPay1, PublicPay2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {Value(r.code), Value(r.recipient), Value(r.diagnosis), Value(r.eda), r.total, r.payment, Value(r.request),
         r.insurance, Value(r.insuranceNo), r.hospitalization, r.ratio, r.treatment, r.publicPay1, r.publicPay2});
}

// count children of city 1 with one claim row each in the claim month
// 2008/04 (kind 1 institution); recipients 100000001, 100000002, ...
inline void FillMonth(int count) {
    PutSettings({.request = Date{2008, 4, 1}});
    DB().BeginTrans();
    for (int i = 1; i <= count; ++i) {
        const std::string rec = std::to_string(100000000 + i);
        PutChild("1", rec, "蛍 太郎" + std::to_string(i), Date{2005, 6, 15});
        AddRow({.recipient = rec, .total = 1000 + i});
    }
    DB().CommitTrans();
}

// Pages of a PDF written by Qt: its page objects ("/Type /Page", not "/Pages").
inline int PdfPageCount(const std::filesystem::path& pdf) {
    const std::string bytes = ReadFile(pdf), key = "/Type /Page";
    int n = 0;
    for (std::size_t at = bytes.find(key); at != std::string::npos; at = bytes.find(key, at + 1))
        n += at + key.size() >= bytes.size() || bytes[at + key.size()] != 's';
    return n;
}

}  // namespace hotaru::test
