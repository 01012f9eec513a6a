// hotaru-cli backup, restore and version, run as a script would: a month
// deleted by mistake comes back, whatever restore refuses leaves every file as
// it was, and version prints what the menu shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/InstanceLock.h"
#include "support/TableDump.h"
#include "support/TestSupport.h"

using namespace hotaru;
namespace fs = std::filesystem;

namespace {

using Outcome = test::CliRun;
const auto exec = test::ExecFile;

class BackupCli : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(test::BinDir() / "Medic_ins_NEW.mdb", live);
        exec(live,
             "INSERT INTO T_設定 (type, no, name, request) VALUES (1, '1234560', 'ほたる医院', '2008-04-01');"
             "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request) VALUES"
             " ('1', '000000001', '2008-03-01', 1, 100, 300, '2008-04-01'),"
             " ('1', '000000002', '2008-04-01', 1, 200, 600, '2008-04-01');");
    }
    static Outcome run(const std::string& args) { return test::RunCli(args); }
    std::string db() const { return "--db '" + live.string() + "'"; }
    std::string restoreFrom(const fs::path& copy) const { return "restore " + db() + " --from '" + copy.string() + "'"; }

    test::TempDir dir, scratch;
    fs::path live = dir / "Medic_ins.mdb";
};

}  // namespace

TEST_F(BackupCli, RestoreBringsBackAMonthDeletedByMistake) {
    const std::string april = test::DumpDatabase(live);
    const Outcome backup = run("backup " + db());
    ASSERT_EQ(backup.rc, 0) << backup.err;
    const fs::path copy = backup.printed();
    EXPECT_EQ(copy.parent_path(), dir / "backup");

    // The claim-month update to 2008/05 was answered Yes by mistake.
    exec(live, "UPDATE T_設定 SET request = '2008-05-01'; DELETE FROM T_データ WHERE request <= '2008-04-01';");
    const std::string may = test::DumpDatabase(live);

    const Outcome restore = run(restoreFrom(copy));
    ASSERT_EQ(restore.rc, 0) << restore.err;
    EXPECT_EQ(test::DumpDatabase(live), april);
    // The file it replaced is kept as the newest copy, and its path printed.
    const fs::path kept = restore.printed();
    EXPECT_EQ(kept.parent_path(), dir / "backup");
    EXPECT_EQ(test::DumpDatabase(kept), may);
    EXPECT_FALSE(fs::exists(live.string() + ".restore"));

    // A live file damaged beyond reading is replaced too, and kept as it was.
    test::WriteFile(live, "damaged");
    const Outcome again = run(restoreFrom(copy));
    ASSERT_EQ(again.rc, 0) << again.err;
    EXPECT_EQ(test::DumpDatabase(live), april);
    EXPECT_EQ(test::ReadFile(again.printed()), "damaged");

    // A copy written elsewhere on demand.
    const Outcome elsewhere = run("backup " + db() + " --out '" + (scratch / "usb").string() + "'");
    ASSERT_EQ(elsewhere.rc, 0);
    EXPECT_EQ(test::DumpDatabase(elsewhere.printed()), april);
}

TEST_F(BackupCli, RefusalsChangeNoFileAndSayWhy) {
    const fs::path good = scratch / "good.mdb";
    fs::copy_file(live, good);
    const fs::path text = scratch / "notes.txt", foreign = scratch / "other.mdb", unknown = scratch / "layout.mdb",
                   damaged = scratch / "damaged.mdb";
    test::WriteFile(text, "T_設定,T_基本\r\n");
    exec(foreign, "CREATE TABLE accounts (id INTEGER, name TEXT);");
    fs::copy_file(live, unknown);
    exec(unknown, "ALTER TABLE T_データ DROP COLUMN PublicPay2;");
    // The claim-month index redefined over another field: it no longer holds what it should.
    fs::copy_file(live, damaged);
    exec(damaged,
         "PRAGMA writable_schema = ON;"
         "UPDATE sqlite_master SET sql = 'CREATE INDEX IX_T_データ_request ON T_データ (payment)'"
         " WHERE name = 'IX_T_データ_request';");
    struct Case {
        std::string args, says;
        bool inUse = false;
    } cases[] = {
        {restoreFrom(text), "はホタルのデータベースではありません。"},
        {restoreFrom(foreign), "はホタルのデータベースではありません。"},
        {restoreFrom(unknown), "はホタルのデータベースではありません。"},
        {restoreFrom(damaged), "は壊れています。"},
        {restoreFrom(scratch / "none.mdb"), "が見つかりません。"},
        {restoreFrom(good), "ホタルがこのデータベースを使用中のため、復元できません。", true},
        {restoreFrom(live), "現在のデータベースと同じです。"},
        {"backup --db '" + (dir / "none.mdb").string() + "'", "が見つかりません。"},
        {"backup " + db() + " --out '" + text.string() + "'", "を作成できません。"},
    };
    test::WriteFile(dir / ".hotaru.lock", "");  // as the program leaves it
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        InstanceLock program;
        if (c.inUse) {
            ASSERT_TRUE(program.acquire(dir.path()));
        }
        const auto before = test::DumpFolder(dir.path());
        const Outcome r = run(c.args);
        EXPECT_EQ(r.rc, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(test::DumpFolder(dir.path()), before);
    }
}

TEST_F(BackupCli, VersionPrintsWhatTheMenuShows) {
    const auto version = [&] {
        const Outcome r = run("version " + db());
        return std::to_string(r.rc) + ":" + r.out;
    };
    EXPECT_EQ(version(), "0:");  // no version in the settings row
    // A file of the older layout is upgraded first, as at start-up.
    exec(live, "ALTER TABLE T_基本 DROP COLUMN PublicPay2; ALTER TABLE T_基本 DROP COLUMN PublicPay1;"
               "UPDATE T_設定 SET Ver = 1.01;");
    EXPECT_EQ(version(), "0:Ver.1.10\n");
    EXPECT_TRUE(fs::exists(dir / "Medic_ins_OLD.mdb"));
    // Bad files and arguments fail with an exit status.
    exec(live, "DROP TABLE T_設定");
    EXPECT_EQ(version(), "1:");
    for (const char* args : {"version --db none.mdb", "version", "version --db x --bogus y", "frobnicate"})
        EXPECT_NE(run(args).rc, 0) << args;
    EXPECT_EQ(run("--help").rc, 0);
}
