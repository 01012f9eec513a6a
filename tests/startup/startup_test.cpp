// Start-up: the upgrade of an old file, the city patch, the live files it
// refuses and a program folder it cannot write; and hotaru-cli backup,
// restore and version.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/InstanceLock.h"
#include "app/Startup.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "data/Connection.h"
#include "support/TableDump.h"
#include "support/TestSupport.h"

using namespace hotaru;
using namespace hotaru::data;
namespace fs = std::filesystem;

namespace {

const auto sql = test::ExecFile;

// A live file of the old layout (children table without the two public-expense
// fields) holding settings, two children and two claim rows.
void makeOldLayout(const fs::path& live) {
    sql(live,
        "DROP INDEX IX_T_基本_key; DROP INDEX IX_T_データ_key;"  // the old layout had no unique keys
        "ALTER TABLE T_基本 DROP COLUMN PublicPay2; ALTER TABLE T_基本 DROP COLUMN PublicPay1;"
        "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, hospitalization, treatment, request, path, Ver)"
        " VALUES (1, '46', '1', '0123456', '', '蛍医院', 1, NULL, 10, '2008-03-01', '/media/fd', 1.01);"
        "INSERT INTO T_基本 VALUES ('1', '000012345', '山田　花子', '2006-05-03', 1, '01234567', 3);"
        "INSERT INTO T_基本 VALUES ('2', '000000001', 'O''Neil', NULL, 2, NULL, NULL);"
        "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, insurance_no,"
        " hospitalization, ratio, treatment, PublicPay1, PublicPay2)"
        " VALUES ('1', '000012345', '2008-02-01', 1, 1234, 3700, '2008-03-01', 1, '01234567', 2, 3, 10, '05', NULL),"
        "        ('1', '000012345', '2008-02-01', 2, 10, 30, '2008-03-01', 1, '01234567', 2, 3, NULL, NULL, NULL);");
}

}  // namespace

class Startup : public ::testing::Test {
protected:
    test::ProgramFolder folder;
    void SetUp() override {
        folder.disconnect();
        ResetDatabaseFiles();
    }
    void TearDown() override { ResetDatabaseFiles(); }
    std::string said() { return test::Said(folder.messages()); }
};

// Every row of a table, each value quoted, rows joined by '/'.
std::string Rows(const std::string& table, const std::string& order = "rowid") {
    std::string cols;
    auto rs = DB().OpenRecordset("SELECT name FROM pragma_table_info('" + table + "')", dbOpenSnapshot);
    for (; !rs.isEOF(); rs.MoveNext()) cols += (cols.empty() ? "quote(" : "||','||quote(") + rs["name"].str() + ")";
    return DB().Scalar("SELECT group_concat(r, '/') FROM (SELECT " + cols + " AS r FROM " + table + " ORDER BY " +
                       order + ")").str();
}

TEST_F(Startup, OldFileBreakingTheKeysLosesNoRowUnsaid) {
    // The same child twice, saying the same; the same child twice, saying
    // something else; the same claim key twice; two rows without a branch
    // (no whole key: carried as they are).
    makeOldLayout(folder.live());
    sql(folder.live(),
        "INSERT INTO T_基本 VALUES ('1', '000012345', '山田　花子', '2006-05-03', 1, '01234567', 3);"
        "INSERT INTO T_基本 VALUES ('2', '000000001', 'オニール', '2007-01-02', 2, NULL, NULL);"
        "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request)"
        " VALUES ('1', '000012345', '2008-02-01', 1, 500, 1500, '2008-03-01'),"
        "        ('2', '000000001', '2008-02-01', NULL, 7, 8, '2008-03-01'),"
        "        ('2', '000000001', '2008-02-01', NULL, 7, 8, '2008-03-01');");
    const std::string before = test::ReadFile(folder.live());
    ASSERT_TRUE(OpenDatabaseAtStartup());
    EXPECT_EQ(said(),
              "処理確認:データベースをアップデートしました。\r次の行はそのままでは移せませんでした（元のデータは "
              "Medic_ins_OLD.mdb に残っています）。\r"
              "T_基本（code = 1, recipient = 000012345）：同じ内容の行が重なっていたため、１行にまとめました。\r"
              "T_基本（code = 2, recipient = 000000001）：内容の異なる行が重なっていたため、最初の行を移し、次の行"
              "（name = オニール, birthday = 2007/01/02, n_insurance = 2, n_insurance_no = , n_ratio = ）は移していません。\r"
              "T_データ（code = 1, recipient = 000012345, diagnosis = 2008/02/01）：枝番 1 が重なっていたため、枝番 3 "
              "として移しました。\n");
    EXPECT_EQ(folder.messages().shown.at(0).style, mbExclamation);
    // Every value of the rows it could move is kept (an upgrade with nothing to say says nothing: below).
    EXPECT_EQ(VersionLabelText(), "Ver.1.10");
    EXPECT_EQ(Rows("T_設定"), "1,'46','1','0123456','','蛍医院',1,NULL,10,'2008-03-01','/media/fd',1.1");
    EXPECT_EQ(Rows("T_基本", "code"),
              "'1','000012345','山田　花子','2006-05-03',1,'01234567',3,NULL,NULL/"
              "'2','000000001','O''Neil',NULL,2,NULL,NULL,NULL,NULL");
    EXPECT_EQ(Rows("T_データ", "code, eda"),
              "'1','000012345','2008-02-01',1,1234,3700,'2008-03-01',1,'01234567',2,3,10,'05',NULL/"
              "'1','000012345','2008-02-01',2,10,30,'2008-03-01',1,'01234567',2,3,NULL,NULL,NULL/"
              "'1','000012345','2008-02-01',3,500,1500,'2008-03-01',NULL,NULL,NULL,NULL,NULL,NULL,NULL/"
              "'2','000000001','2008-02-01',NULL,7,8,'2008-03-01',NULL,NULL,NULL,NULL,NULL,NULL,NULL/"
              "'2','000000001','2008-02-01',NULL,7,8,'2008-03-01',NULL,NULL,NULL,NULL,NULL,NULL,NULL");
    EXPECT_EQ(test::ReadFile(folder.dir() / kBackupName), before);
    DisconnectDatabase();
}

TEST_F(Startup, UpgradeCarriesEmptyValuesAsNullAndNamesAValueThatDoesNotFit) {
    makeOldLayout(folder.live());
    sql(folder.live(),
        "UPDATE T_基本 SET birthday = '' WHERE code = '1';"
        "UPDATE T_データ SET treatment = ' ', total = '', PublicPay1 = '' WHERE eda = 2;"
        "UPDATE T_設定 SET hospitalization = '';");
    ASSERT_TRUE(OpenDatabaseAtStartup());
    EXPECT_TRUE(folder.messages().shown.empty());
    EXPECT_EQ(DB().Scalar("SELECT (SELECT quote(birthday) FROM T_基本 WHERE code = '1') || (SELECT quote(treatment) || "
                          "quote(total) || quote(PublicPay1) FROM T_データ WHERE eda = 2) || "
                          "(SELECT quote(hospitalization) FROM T_設定)").str(),
              "NULLNULLNULL''NULL");
    DisconnectDatabase();

    for (const auto& [change, named] : std::vector<std::pair<std::string, std::string>>{
             {"UPDATE T_基本 SET birthday = 'abc' WHERE code = '1'",
              "T_基本 の行（code = 1, recipient = 000012345）の項目 birthday の値「abc」を移せません。"
              "データ型の変換エラーです。"},
             {"UPDATE T_データ SET total = '12a' WHERE eda = 2",
              "T_データ の行（code = 1, recipient = 000012345, diagnosis = 2008/02/01, eda = 2）の項目 total の値"
              "「12a」を移せません。データ型の変換エラーです。"},
             {"UPDATE T_設定 SET request = '2008-13-45'",
              "T_設定 の行（1 行目）の項目 request の値「2008-13-45」を移せません。データ型の変換エラーです。"}}) {
        SCOPED_TRACE(change);
        fs::copy_file(test::BinDir() / kTemplateName, folder.live(), fs::copy_options::overwrite_existing);
        makeOldLayout(folder.live());
        sql(folder.live(), change);
        const std::string before = test::ReadFile(folder.live());
        folder.messages().clear();
        EXPECT_FALSE(OpenDatabaseAtStartup());
        EXPECT_EQ(said(), "エラー:予期せぬエラーです。\r\nエラーコード： 3421\r\n" + named +
                              "\n処理確認:データベースのアップデートに失敗しました。\r\n");
        EXPECT_EQ(test::ReadFile(folder.live()), before);
    }
}

// Only a children table of seven fields is upgraded: the current layout, or
// eight or six fields, open as they are and no copy is made.
TEST_F(Startup, OtherFieldCountsSkipTheUpgrade) {
    for (const char* change : {"",  // nine fields
                               "ALTER TABLE T_基本 DROP COLUMN PublicPay2;",  // 8 fields
                               "ALTER TABLE T_基本 DROP COLUMN PublicPay2; ALTER TABLE T_基本 DROP COLUMN PublicPay1;"
                               "ALTER TABLE T_基本 DROP COLUMN n_ratio;"}) {  // 6 fields
        SCOPED_TRACE(change);
        fs::copy_file(test::BinDir() / kTemplateName, folder.live(), fs::copy_options::overwrite_existing);
        sql(folder.live(), change);
        ASSERT_TRUE(OpenDatabaseAtStartup());
        EXPECT_TRUE(folder.messages().shown.empty());
        EXPECT_FALSE(fs::exists(folder.dir() / kBackupName));
        DisconnectDatabase();
    }
    // An old file without a settings row upgrades to empty settings.
    fs::copy_file(test::BinDir() / kTemplateName, folder.live(), fs::copy_options::overwrite_existing);
    makeOldLayout(folder.live());
    sql(folder.live(), "DELETE FROM T_設定");
    ASSERT_TRUE(OpenDatabaseAtStartup());
    EXPECT_EQ(Rows("T_設定"), "");
    EXPECT_EQ(VersionLabelText(), "");
    DisconnectDatabase();
}

TEST_F(Startup, CityPatchIsIdempotentAndAtomic) {
    ASSERT_TRUE(ConnectDatabase());
    // Without a settings row: the cities are added once, no message, no row made.
    PatchCityMaster();
    PatchCityMaster();
    EXPECT_TRUE(folder.messages().shown.empty());
    EXPECT_EQ(DB().Scalar("SELECT (SELECT count(*) FROM T_市町村) || ' ' || (SELECT name FROM T_市町村 WHERE code = 51)"
                          " || ' ' || (SELECT count(*) FROM T_設定)").str(),
              "51 南九州市 0");

    // With a row, the version becomes 1.01 whatever it held.
    DB().Execute("DELETE FROM T_市町村 WHERE code >= 50");
    DB().Execute("INSERT INTO T_設定 (name, Ver) VALUES ('医院', 1.10)");
    PatchCityMaster();
    EXPECT_EQ(VersionLabelText(), "Ver.1.01");

    // A failure half-way leaves the old table whole.
    DB().Execute("DELETE FROM T_市町村 WHERE code >= 50");
    DB().InjectWriteFailure(1);
    PatchCityMaster();
    DB().InjectWriteFailure(-1);
    EXPECT_EQ(folder.messages().shown.size(), 1u);
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_市町村").toInt(), 49);
    PatchCityMaster();
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_市町村").toInt(), 51);
    DisconnectDatabase();
}

// Runs the start-up as nobody: "opened <live file>" or "refused", then what it said.
std::string StartUp(test::ProgramFolder& folder) {
    return test::AsNobody([&] {
        ResetDatabaseFiles();
        folder.messages().clear();
        std::string s = OpenDatabaseAtStartup() ? "opened " + CurrentDatabaseFiles().live.string() : "refused";
        for (const auto& m : folder.messages().shown) s += "|" + m.title + ":" + m.prompt;
        if (s.starts_with("refused") && gDB) s += "|still connected";
        gDB.reset();  // the program ends here
        return s;
    });
}

// Live files the start-up refuses: read-only, damaged, missing, held by
// another program, or of the old layout with an upgrade that cannot
// complete.  The message says why; nothing in the program folder is written,
// renamed or left behind, but for a copy of the old file kept by the upgrade.
TEST_F(Startup, RefusedLiveFilesChangeNothing) {
    folder.share();
    const std::string good = test::ReadFile(folder.live()), templ = test::ReadFile(folder.dir() / kTemplateName);
    const std::string live = folder.live().string(), upgrade = "|処理確認:データベースのアップデートに失敗しました。\r";
    const auto refused = [](int number, const std::string& why) {
        return "refused|エラー:予期せぬエラーです。\r\nエラーコード： " + std::to_string(number) + "\r\n" + why +
               "|処理確認:データベースの接続に失敗しました。\r";
    };
    const std::string notADatabase = refused(3343, "データベースの形式 '" + live + "' を認識できません。");
    auto oldLayout = [&] {
        test::WriteFile(folder.live(), good);
        test::ExecFile(folder.live(), "ALTER TABLE T_基本 DROP COLUMN PublicPay2; ALTER TABLE T_基本 DROP COLUMN PublicPay1;");
    };
    sqlite3* other = nullptr;  // another program's connection
    // Either the whole of what is said, or (an upgrade) a part of its error.
    const struct { const char* why; std::function<void()> arrange; std::string said, holds; } cases[] = {
        {"read-only",
         [&] { fs::permissions(folder.live(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read); },
         refused(3051, "ファイル '" + live + "' は読み取り専用のため開けません。"), ""},
        {"truncated", [&] { test::WriteFile(folder.live(), good.substr(0, good.size() / 3)); }, notADatabase, ""},
        {"not a database",
         [&] { test::WriteFile(folder.live(), std::string("PK\3\4\24\0\0\0\10\0", 10) + good.substr(10, 4096)); },
         notADatabase, ""},
        {"empty", [&] { test::WriteFile(folder.live(), ""); }, notADatabase, ""},
        {"missing (not made)", [&] { fs::remove(folder.live()); }, refused(3024, "ファイル '" + live + "' が見つかりません。"),
         ""},
        {"held by another program",
         [&] {
             sqlite3_open(live.c_str(), &other);
             sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
         },
         refused(3260, "ファイル '" + live + "' はほかのプログラムが使用中です。"), ""},
        {"backup not writable (its name taken by a folder)",
         [&] {
             oldLayout();
             fs::create_directory(folder.dir() / kBackupName);
         },
         "", "cannot copy file"},
        {"template not a database",
         [&] {
             oldLayout();
             test::WriteFile(folder.dir() / kTemplateName, "not a database");
         },
         "", "エラーコード： 3343"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        c.arrange();
        const auto files = test::DumpFolder(folder.dir());
        const std::string said = StartUp(folder);
        if (c.holds.empty()) {
            EXPECT_EQ(said, c.said);
        } else {
            EXPECT_TRUE(said.starts_with("refused|エラー:予期せぬエラーです。") && said.ends_with(upgrade) &&
                        said.find(c.holds) != std::string::npos)
                << said;
        }
        auto after = test::DumpFolder(folder.dir());
        if (!files.count(kBackupName) && after.count(kBackupName)) {
            EXPECT_EQ(after[kBackupName], files.at(kLiveName));
            after.erase(kBackupName);
        }
        EXPECT_EQ(after, files);
        sqlite3_close(other);
        other = nullptr;
        fs::remove_all(folder.dir() / kBackupName);
        test::WriteFile(folder.dir() / kTemplateName, templ);
        test::WriteFile(folder.live(), good);
        fs::permissions(folder.live(), fs::perms::all);
    }
}

// A program folder that cannot be written: with a live file in it, that file
// is the clinic's data and the start-up says why it cannot be used, instead
// of starting on an empty file in the user's data folder; without one (an
// installed copy), the data folder holds the live file.
TEST_F(Startup, ReadOnlyProgramFolder) {
    folder.share();
    test::TempDir out;
    const fs::path data = out / "data";
    fs::create_directory(data);
    fs::permissions(out.path(), fs::perms::all);
    fs::permissions(data, fs::perms::all);
    const auto start = [&] {
        fs::permissions(folder.dir(), test::kReadOnly);
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        const std::string said = StartUp(folder);
        ::unsetenv("XDG_DATA_HOME");
        fs::permissions(folder.dir(), fs::perms::all);
        return said;
    };
    const auto files = test::DumpFolder(folder.dir());
    EXPECT_EQ(start(), "refused|エラー:予期せぬエラーです。\r\nエラーコード： 3051\r\nフォルダー '" +
                           folder.dir().string() + "' に書き込めないため、ファイル '" + folder.live().string() +
                           "' を開けません。|処理確認:データベースの接続に失敗しました。\r");
    EXPECT_EQ(test::DumpFolder(folder.dir()), files);
    EXPECT_FALSE(fs::exists(data / "hotaru" / kLiveName));

    fs::rename(folder.live(), out / kLiveName);
    EXPECT_EQ(start(), "opened " + (data / "hotaru" / kLiveName).string());
    fs::rename(out / kLiveName, folder.live());
}

// hotaru-cli backup, restore and version, run as a script would: a month
// deleted by mistake comes back, whatever restore refuses leaves every file as
// it was, and version prints what the menu shows.
namespace {

using Outcome = test::CliRun;

class BackupCli : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy_file(test::BinDir() / "Medic_ins_NEW.mdb", live);
        sql(live,
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
    sql(live, "UPDATE T_設定 SET request = '2008-05-01'; DELETE FROM T_データ WHERE request <= '2008-04-01';");
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
    sql(foreign, "CREATE TABLE accounts (id INTEGER, name TEXT);");
    fs::copy_file(live, unknown);
    sql(unknown, "ALTER TABLE T_データ DROP COLUMN PublicPay2;");
    // The claim-month index redefined over another field: it no longer holds what it should.
    fs::copy_file(live, damaged);
    sql(damaged,
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
    sql(live, "ALTER TABLE T_基本 DROP COLUMN PublicPay2; ALTER TABLE T_基本 DROP COLUMN PublicPay1;"
              "UPDATE T_設定 SET Ver = 1.01;");
    EXPECT_EQ(version(), "0:Ver.1.10\n");
    EXPECT_TRUE(fs::exists(dir / "Medic_ins_OLD.mdb"));
    // Bad files and arguments fail with an exit status.
    sql(live, "DROP TABLE T_設定");
    EXPECT_EQ(version(), "1:");
    for (const char* args : {"version --db none.mdb", "version", "version --db x --bogus y", "frobnicate"})
        EXPECT_NE(run(args).rc, 0) << args;
    EXPECT_EQ(run("--help").rc, 0);
}
