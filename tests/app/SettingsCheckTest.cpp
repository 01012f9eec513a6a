#include <gtest/gtest.h>

#include "app/SettingsCheck.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

using namespace hotaru;
using data::Value;

namespace {

const std::string kMonth = "請求月更新機能にて、請求月を設定してください。\r";
const std::string kItems = "設定機能にて、項目を設定してください。\r";

struct Row {
    Value type = 1, kencd = "46", tencd = "1", no = "0123459", eda = Value(), name = "ホタル医院", insurance = 2,
          request = Value::date("2008-04-01");
};

}  // namespace

// Which settings rows remind of the claim month, of the settings, or of
// both: every reminder is an exclamation titled 処理確認, and blank counts
// as missing.  Kind 1 needs its prefecture and table parts, kind 2 its
// branch, any other kind nothing more.  (A complete row, and one without
// the claim month alone: the menu's tests.)
TEST(SettingsCheck, RemindersOfWhatIsMissing) {
    const struct Case {
        const char* why;
        std::optional<Row> row;
        std::vector<std::string> prompts;
    } cases[] = {
        {"no row", std::nullopt, {kMonth + kItems}},
        {"no month, blank name", Row{.name = "   ", .request = Value()}, {kMonth, kItems}},
        {"no kind", Row{.type = Value()}, {kItems}},
        {"no number", Row{.no = Value()}, {kItems}},
        {"no name", Row{.name = Value()}, {kItems}},
        {"no insurance", Row{.insurance = Value()}, {kItems}},
        {"kind 1 without table part", Row{.tencd = ""}, {kItems}},
        {"kind 1 without prefecture", Row{.kencd = " "}, {kItems}},
        {"kind 2 with a branch", Row{.type = 2, .kencd = Value(), .tencd = "", .eda = "1"}, {}},
        {"kind 2 with a blank branch", Row{.type = 2, .eda = " "}, {kItems}},
        {"kind 3", Row{.type = 3, .kencd = Value(), .tencd = Value()}, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        test::ProgramFolder f;
        if (const auto& r = c.row)
            DB().Execute("INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, request) "
                         "VALUES (?,?,?,?,?,?,?,?)",
                         {r->type, r->kencd, r->tencd, r->no, r->eda, r->name, r->insurance, r->request});
        EXPECT_EQ(RemindMissingSettings(), !c.prompts.empty());
        std::vector<std::string> shown;
        for (const auto& m : f.messages().shown)
            shown.push_back(test::Msg(m));
        std::vector<std::string> expected;
        for (const auto& p : c.prompts) expected.push_back("処理確認|48|" + p);
        EXPECT_EQ(shown, expected);
    }
}
