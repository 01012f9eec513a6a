#pragma once
// A program folder with the settings row and a claim month, as the entry
// window needs them, and a few helpers to look at what is stored.
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

    void setSettings(int type, const std::string& tencd, const std::string& request, int insurance = 2) {
        DB().Execute("DELETE FROM T_設定");
        DB().Execute(
            "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, hospitalization, treatment, request, "
            "path, Ver) VALUES (?, '46', ?, '1234567', '', 'テスト医院', ?, 2, 20, ?, '', 1.1)",
            {data::Value(type), data::Value(tencd), data::Value(insurance), data::Value::date(request)});
    }

    long count(const std::string& sql, const data::Params& p = {}) {
        return static_cast<long>(DB().Scalar(sql, p).toInt());
    }

    // A complete, plausible row: 平成20年04月 treatment, claim month 2008/05.
    static entry::EntryRow SampleRow() { return test::SampleEntryRow(); }

    ProgramFolder folder;
};

}  // namespace hotaru::test
