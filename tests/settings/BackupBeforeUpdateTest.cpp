// The copy of the live database taken before the two updates that delete
// claim rows, driven through both windows: a new claim month and a new
// institution number.
#include <QLineEdit>
#include <QPushButton>

#include "SettingsFixture.h"
#include "data/Backup.h"
#include "settings/FrmDemand.h"
#include "settings/FrmEst.h"
#include "support/TableDump.h"

using namespace hotaru;
using namespace hotaru::test;

namespace {

struct Case {
    const char* name;
    bool claimMonth;     // else the institution number
    bool folderBroken;   // "backup" is a file: no copy can be made (for root too)
};

class BackupBeforeUpdateTest : public SettingsFixture<QWidget>, public ::testing::WithParamInterface<Case> {
protected:
    // Answers every question Yes and registers.
    void registerUpdate() {
        if (GetParam().claimMonth) {
            settings::FrmDemand win;
            ASSERT_TRUE(ShowActive(win));
            win.Txt_Year->setFocus();
            Type("20");  // 平成20年05月
            Type("05");
            messages().answer(mbYes);
            messages().answer(mbYes);
            Click(win.Cmd_Reg);
        } else {
            settings::FrmEst win;
            ASSERT_TRUE(ShowActive(win));
            win.Txt_No->setFocus();
            Type("1111115");  // a right check digit: the only question is the deletion
            messages().answer(mbYes);
            Click(win.Cmd_Reg);
        }
    }
};

TEST_P(BackupBeforeUpdateTest, TheDeletedRowsAreInTheCopyOrNothingChanges) {
    seedSettings("2008-04-01");
    addClaimRows({"2008-03-01", "2008-04-01"});
    const auto backups = folder.dir() / "backup";
    if (GetParam().folderBroken) WriteFile(backups, "not a folder");
    const std::string before = DumpDatabase(folder.live());
    const auto files = DumpFolder(folder.dir());

    registerUpdate();

    ASSERT_FALSE(messages().shown.empty());
    const auto& last = messages().shown.back();
    EXPECT_FALSE(gWS.inTransaction());
    if (GetParam().folderBroken) {
        EXPECT_EQ(last.title, "処理確認");
        EXPECT_EQ(last.style, mbCritical);
        EXPECT_EQ(last.prompt, "データベースのバックアップを作成できませんでした。\rフォルダー '" + backups.string() +
                                   "' を作成できません。\r登録は行いませんでした。\r");
        EXPECT_EQ(DumpDatabase(folder.live()), before);
        EXPECT_EQ(DumpFolder(folder.dir()), files);
    } else {
        EXPECT_TRUE(last.prompt.starts_with("登録が完了しました。")) << last.prompt;
        EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
        const auto copies = data::ListBackups(backups);
        ASSERT_EQ(copies.size(), 1u);
        EXPECT_EQ(DumpDatabase(copies[0]), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Updates, BackupBeforeUpdateTest,
                         ::testing::Values(Case{"ClaimMonth", true, false}, Case{"InstitutionNumber", false, false},
                                           Case{"ClaimMonthFolderBroken", true, true},
                                           Case{"InstitutionNumberFolderBroken", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
