// The two updates that delete claim rows, driven through both windows: a new
// claim month and a new institution number.  Either the deleted rows are in
// a copy of the database taken before, or nothing at all changes.
#include <sqlite3.h>

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

using UpdatesThatDeleteClaimRows = SettingsFixture<QWidget>;

// How the update goes: through; with no copy made, as "backup" is a file
// (so for root too); with its first or second write failing; with another
// program holding the write lock.
enum How { Through, NoCopy, FirstWriteFails, SecondWriteFails, Locked };

TEST_F(UpdatesThatDeleteClaimRows, TheDeletedRowsAreInTheCopyOrNothingChanges) {
    const auto backups = folder.dir() / "backup";
    for (bool claimMonth : {true, false})
        for (How how : {Through, NoCopy, FirstWriteFails, SecondWriteFails, Locked}) {
            SCOPED_TRACE(std::string(claimMonth ? "claim month, case " : "number, case ") + std::to_string(how));
            DB().Execute("DELETE FROM T_設定");
            DB().Execute("DELETE FROM T_データ");
            std::filesystem::remove_all(backups);
            messages().clear();
            seedSettings("2008-04-01");
            addClaimRows({"2008-03-01", "2008-04-01"});
            if (how == NoCopy) WriteFile(backups, "not a folder");
            const std::string before = DumpDatabase(folder.live());
            const auto files = DumpFolder(folder.dir());

            settings::FrmDemand demand;
            settings::FrmEst est;
            QWidget* w = claimMonth ? static_cast<QWidget*>(&demand) : &est;
            ASSERT_TRUE(ShowActive(*w));
            w->findChild<QLineEdit*>(claimMonth ? "Txt_Year" : "Txt_No")->setFocus();
            Type(claimMonth ? "20" : "1111115");  // a right check digit
            if (claimMonth) Type("05");           // 平成20年05月
            sqlite3* other = nullptr;
            if (how == Locked) {
                ASSERT_EQ(sqlite3_open(folder.live().c_str(), &other), SQLITE_OK);
                ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
            }
            if (how == FirstWriteFails || how == SecondWriteFails) gDB->InjectWriteFailure(how == FirstWriteFails ? 0 : 1);
            messages().answer(mbYes);  // every question answered Yes
            messages().answer(mbYes);
            Click(w->findChild<QPushButton*>("Cmd_Reg"));
            gDB->InjectWriteFailure(-1);
            if (other) {
                sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
                sqlite3_close(other);
            }

            ASSERT_FALSE(messages().shown.empty());
            const auto& m = messages().shown.back();
            const std::string last = Msg(m);
            EXPECT_FALSE(gWS.inTransaction());
            if (how == Through) {
                EXPECT_TRUE(last.starts_with("処理確認|64|登録が完了しました。")) << last;
                EXPECT_EQ(count("SELECT count(*) FROM T_データ"), 0);
                const auto copies = data::ListBackups(backups);
                ASSERT_EQ(copies.size(), 1u);
                EXPECT_EQ(DumpDatabase(copies[0]), before);
                continue;
            }
            if (how == NoCopy)
                EXPECT_EQ(last, Msg("処理確認", mbCritical,
                                    "データベースのバックアップを作成できませんでした。\rフォルダー '" +
                                        backups.string() + "' を作成できません。\r登録は行いませんでした。\r"));
            else
                EXPECT_TRUE(last.starts_with("エラー|48|予期せぬエラーです。\r\nエラーコード： ")) << last;
            EXPECT_EQ(DumpDatabase(folder.live()), before);
            EXPECT_EQ(DumpFolder(folder.dir()), files);  // no copy left behind
            EXPECT_EQ(est.recordedNumber(), "4611234560");  // so the next registration asks again
        }
}

}  // namespace
