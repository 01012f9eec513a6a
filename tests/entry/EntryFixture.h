#pragma once
// A program folder with the settings row and a claim month, as the entry
// window needs them, and a look at what is stored, row by row.
#include <gtest/gtest.h>

#include <string>

#include "data/Connection.h"
#include "entry/EntryRow.h"
#include "support/TestSupport.h"

namespace hotaru::test {

// A complete, plausible entry row that tests start from and vary: a known
// child of city 1, 平成20年04月 treatment, claim month 2008/05, 国保, ratio 3,
// department 20, co-payment matching the total.
inline entry::EntryRow SampleEntryRow() {
    entry::EntryRow r;
    r.city = "1", r.cityKnown = true, r.recipient = "000012345", r.eda = "1";
    r.diagEra = "平成", r.diagYear = "20", r.diagMonth = "04", r.request = Date{2008, 5, 1};
    r.name = "やまだ　たろう";
    r.bdEra = "平成", r.bdYear = "18", r.bdMonth = "07", r.bdDay = "15";
    r.insuranceText = "2:国保", r.insurance = 2, r.insuranceNo = "12345678", r.hospitalization = 2;
    r.rate = "3", r.rateKnown = true, r.total = "1,000", r.payment = "3,000";
    r.treatment = "20", r.treatmentKnown = true;
    return r;
}

class EntryFixture : public ::testing::Test {
public:
    // Institution kind 1 (points), point table 1, default insurance 2 (国保),
    // outpatient, department 20 (小児科), claim month 2008/05.
    void SetUp() override { setSettings(1, "1", "2008-05-01"); }

    void setSettings(int type, const std::string& tencd, const std::string& request) {
        PutSettings({.type = type, .tencd = tencd, .eda = "", .name = "テスト医院", .insurance = 2, .hospitalization = 2,
                     .treatment = 20, .request = Date::fromIso(request), .path = ""});
    }

    long count(const std::string& sql) { return static_cast<long>(DB().Scalar(sql).toInt()); }

    // QuotedRows, a line each.
    std::string rows(const std::string& columns, const std::string& from) {
        std::string out;
        for (const std::string& row : QuotedRows(columns, from)) out += row + "\n";
        return out;
    }

    ProgramFolder folder;
};

}  // namespace hotaru::test
