#pragma once
// A program folder with the settings row and a claim month, as the entry
// window needs them, and a look at what is stored, row by row.
#include <gtest/gtest.h>

#include <string>

#include "data/Connection.h"
#include "entry/EntryRow.h"
#include "support/SampleEntry.h"
#include "support/TestSupport.h"

namespace hotaru::test {

class EntryFixture : public ::testing::Test {
public:
    // Institution kind 1 (points), point table 1, default insurance 2 (国保),
    // outpatient, department 20 (小児科), claim month 2008/05.
    void SetUp() override { setSettings(1, "1", "2008-05-01"); }

    void setSettings(int type, const std::string& tencd, const std::string& request) {
        PutSettings({.type = type, .tencd = tencd, .eda = "", .name = "テスト医院", .insurance = 2, .hospitalization = 2,
                     .treatment = 20, .request = Date::fromIso(request), .path = ""});
    }

    // QuotedRows, a line each.
    std::string rows(const std::string& columns, const std::string& from) {
        std::string out;
        for (const std::string& row : QuotedRows(columns, from)) out += row + "\n";
        return out;
    }

    ProgramFolder folder;
};

}  // namespace hotaru::test
