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

using BackupBeforeUpdateTest = SettingsFixture<QWidget>;

// A new claim month or a new institution number; a copy made, or none
// because "backup" is a file (so for root too).
TEST_F(BackupBeforeUpdateTest, TheDeletedRowsAreInTheCopyOrNothingChanges) {
    const auto backups = folder.dir() / "backup";
    for (bool claimMonth : {true, false})
        for (bool folderBroken : {false, true}) {
            SCOPED_TRACE(std::string(claimMonth ? "claim month" : "number") + (folderBroken ? ", broken" : ""));
            DB().Execute("DELETE FROM T_設定");
            DB().Execute("DELETE FROM T_データ");
            std::filesystem::remove_all(backups);
            messages().clear();
            seedSettings("2008-04-01");
            addClaimRows({"2008-03-01", "2008-04-01"});
            if (folderBroken) WriteFile(backups, "not a folder");
            const std::string before = DumpDatabase(folder.live());
            const auto files = DumpFolder(folder.dir());

            // Every question answered Yes.
            std::unique_ptr<QWidget> w(claimMonth ? static_cast<QWidget*>(new settings::FrmDemand)
                                                    : new settings::FrmEst);
            ASSERT_TRUE(ShowActive(*w));
            w->findChild<QLineEdit*>(claimMonth ? "Txt_Year" : "Txt_No")->setFocus();
            Type(claimMonth ? "20" : "1111115");  // a right check digit
            if (claimMonth) Type("05");           // 平成20年05月
            messages().answer(mbYes);
            messages().answer(mbYes);
            Click(w->findChild<QPushButton*>("Cmd_Reg"));

            ASSERT_FALSE(messages().shown.empty());
            const auto& last = messages().shown.back();
            EXPECT_FALSE(gWS.inTransaction());
            if (folderBroken) {
                EXPECT_EQ(Msg(last.title, last.style, last.prompt),
                          Msg("処理確認", mbCritical,
                              "データベースのバックアップを作成できませんでした。\rフォルダー '" + backups.string() +
                                  "' を作成できません。\r登録は行いませんでした。\r"));
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
}

}  // namespace
