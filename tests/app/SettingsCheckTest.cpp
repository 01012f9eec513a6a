#include <gtest/gtest.h>

#include "app/SettingsCheck.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

using namespace hotaru;
using data::Value;

namespace {

struct Row {
    Value type, kencd, tencd, no, eda, name, insurance, request;
};

void WriteSettings(const Row& r) {
    DB().Execute("DELETE * FROM T_設定");
    DB().Execute("INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, request) VALUES (?,?,?,?,?,?,?,?)",
                 {r.type, r.kencd, r.tencd, r.no, r.eda, r.name, r.insurance, r.request});
}

Row Complete() {
    return {1, "46", "1", "0123459", Value(), "ホタル医院", 2, Value::date("2008-04-01")};
}

std::vector<std::string> Prompts(test::ProgramFolder& f) {
    std::vector<std::string> out;
    for (auto& s : f.messages().shown) {
        EXPECT_EQ(s.title, "処理確認");
        EXPECT_EQ(s.style, 48);
        out.push_back(s.prompt);
    }
    return out;
}

const std::string kMonth = "請求月更新機能にて、請求月を設定してください。\r";
const std::string kItems = "設定機能にて、項目を設定してください。\r";

}  // namespace

TEST(SettingsCheck, NoRowGivesOneMessageOfTwoLines) {
    test::ProgramFolder f;
    EXPECT_TRUE(RemindMissingSettings());
    EXPECT_EQ(Prompts(f), std::vector<std::string>{kMonth + kItems});
}

TEST(SettingsCheck, CompleteRowSaysNothing) {
    test::ProgramFolder f;
    WriteSettings(Complete());
    EXPECT_FALSE(RemindMissingSettings());
    EXPECT_TRUE(f.messages().shown.empty());
}

TEST(SettingsCheck, MissingClaimMonthAlone) {
    test::ProgramFolder f;
    Row r = Complete();
    r.request = Value();
    WriteSettings(r);
    EXPECT_TRUE(RemindMissingSettings());
    EXPECT_EQ(Prompts(f), std::vector<std::string>{kMonth});
}

TEST(SettingsCheck, MissingMonthAndIdentityGiveTwoMessagesInOrder) {
    test::ProgramFolder f;
    Row r = Complete();
    r.request = Value();
    r.name = "   ";  // blank counts as empty
    WriteSettings(r);
    EXPECT_TRUE(RemindMissingSettings());
    EXPECT_EQ(Prompts(f), (std::vector<std::string>{kMonth, kItems}));
}

TEST(SettingsCheck, EachIdentityFieldIsNeeded) {
    for (int field = 0; field < 4; ++field) {
        test::ProgramFolder f;
        Row r = Complete();
        Value* v[] = {&r.type, &r.no, &r.name, &r.insurance};
        *v[field] = Value();
        WriteSettings(r);
        EXPECT_TRUE(RemindMissingSettings()) << field;
        EXPECT_EQ(Prompts(f), std::vector<std::string>{kItems}) << field;
    }
}

TEST(SettingsCheck, KindOneNeedsItsNumberPartsKindTwoItsBranch) {
    {
        test::ProgramFolder f;
        Row r = Complete();
        r.tencd = "";
        WriteSettings(r);
        EXPECT_TRUE(RemindMissingSettings());
        EXPECT_EQ(Prompts(f), std::vector<std::string>{kItems});
    }
    {
        test::ProgramFolder f;
        Row r = Complete();  // kind 1 with an empty branch: nothing
        WriteSettings(r);
        EXPECT_FALSE(RemindMissingSettings());
    }
    {
        test::ProgramFolder f;
        Row r = Complete();
        r.type = 2;
        r.kencd = Value();
        r.tencd = "";
        r.eda = "1";
        WriteSettings(r);
        EXPECT_FALSE(RemindMissingSettings());  // kind 2 without prefecture and table parts: nothing
        r.eda = " ";
        WriteSettings(r);
        EXPECT_TRUE(RemindMissingSettings());
        EXPECT_EQ(Prompts(f), std::vector<std::string>{kItems});
    }
    {
        test::ProgramFolder f;
        Row r = Complete();
        r.type = 3;
        r.kencd = Value();
        r.tencd = Value();
        WriteSettings(r);
        EXPECT_FALSE(RemindMissingSettings());  // any other kind needs nothing more
    }
}

TEST(SettingsCheck, ADatabaseFailureIsThrownToTheCaller) {
    test::ProgramFolder f;
    f.disconnect();
    EXPECT_ANY_THROW(RemindMissingSettings());
}
