// Folders that cannot be written, files that cannot be read, and live files
// the start-up refuses: each said once, in the program's words, and nothing
// stored is lost.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "app/Startup.h"
#include "common/Paths.h"
#include "data/Connection.h"
#include "submission/FloppyCheck.h"
#include "support/TableDump.h"
#include "support/TestSupport.h"

namespace hotaru::test {
namespace {

namespace fs = std::filesystem;

const fs::perms kReadOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;

// Runs fn in a child process as the unprivileged user nobody (root ignores
// file permissions); returns what fn returned.
std::string AsNobody(const std::function<std::string()>& fn) {
    int pipefd[2];
    if (pipe(pipefd) != 0) return "pipe failed";
    if (fork() == 0) {
        close(pipefd[0]);
        const bool nobody = geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
        const std::string result = nobody ? fn() : "cannot become nobody";
        FILE* pipe = fdopen(pipefd[1], "w");
        fwrite(result.data(), 1, result.size(), pipe);
        fclose(pipe);
        _exit(0);
    }
    close(pipefd[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = read(pipefd[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    close(pipefd[0]);
    wait(nullptr);
    return out;
}

class Failures : public ::testing::Test {
protected:
    ProgramFolder folder;
    TempDir out;

    void SetUp() override { PutSettings({}); }

    // Closes the connection and opens the program folder to everybody, as a
    // shared folder would be, for a run as nobody.
    void shareFolder() {
        folder.disconnect();
        fs::permissions(folder.dir(), fs::perms::all);
        for (const auto& e : fs::directory_iterator(folder.dir())) fs::permissions(e.path(), fs::perms::all);
    }
};

// A submission file that cannot be read, and a list folder that cannot be
// written (empty, or holding the list of an earlier run): each says what
// went wrong once, in the right words, and leaves the folders as they were.
TEST_F(Failures, FloppyCheckOnFilesItCannotReadOrWrite) {
    DB().Execute("UPDATE T_設定 SET no = '1234560', request = '2008-03-01'");
    const std::string name = "4611234560-1-2002.CSV";
    const fs::path drive = out / "drive", lists = out / "lists";
    const fs::path file = drive / name, list = lists / (name + "_Error.txt");
    fs::create_directories(drive);
    fs::create_directories(lists);
    WriteFile(file, "1,42002,4611234560,1,1,x\r\n2,x\r\n");
    shareFolder();
    for (const fs::path& p : {out.path(), drive, lists, file}) fs::permissions(p, fs::perms::all);
    const std::string opening = "確認:国保連合会提出用フロッピーのチェックを行います。\rフロッピーをセットして下さい。\n";
    const std::string listFailed = "エラー:予期せぬエラーです。\r\nエラーコード： 70\r\nチェックリスト '" +
                                   list.string() + "'：書き込みできません。リストは不完全です。\n"
                                   "エラー:ＦＤデータにエラーがあります。\r内容を確認して下さい。\n";
    const std::tuple<const char*, std::function<void()>, std::string> cases[] = {
        {"unreadable file", [&] { fs::permissions(file, fs::perms::none); },
         "エラー:予期せぬエラーです。\r\nエラーコード： 70\r\nファイル '" + file.string() +
             "' を読み込めません。（読み取りの権限がありません）\n"},
        {"read-only list folder", [&] { fs::permissions(lists, kReadOnly); }, listFailed},
        {"read-only list folder with an older list",
         [&] {
             WriteFile(list, "older");
             fs::permissions(lists, kReadOnly);
         },
         listFailed}};
    for (const auto& [why, arrange, said] : cases) {
        SCOPED_TRACE(why);
        arrange();
        const auto drives = DumpFolder(drive), listed = DumpFolder(lists);
        EXPECT_EQ(AsNobody([&] {
                      gDB = data::Database::Open(folder.live());
                      folder.messages().clear();
                      submission::RunFloppyCheck({.drive = drive, .listFolder = lists, .openList = {}});
                      return Said(folder.messages());
                  }),
                  opening + said);
        EXPECT_EQ(DumpFolder(drive), drives);
        EXPECT_EQ(DumpFolder(lists), listed);
        fs::permissions(file, fs::perms::all);
        fs::permissions(lists, fs::perms::all);
        fs::remove(list);
    }
    folder.reconnect();
}

// ---- Start-up -----------------------------------------------------------------------

// Runs the start-up as nobody: "opened <live file>" or "refused", then what it said.
std::string StartUp(ProgramFolder& folder) {
    return AsNobody([&] {
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
TEST_F(Failures, RefusedLiveFilesChangeNothing) {
    shareFolder();
    const std::string good = ReadFile(folder.live()), templ = ReadFile(folder.dir() / kTemplateName);
    const std::string live = folder.live().string(), upgrade = "|処理確認:データベースのアップデートに失敗しました。\r";
    const auto refused = [](int number, const std::string& why) {
        return "refused|エラー:予期せぬエラーです。\r\nエラーコード： " + std::to_string(number) + "\r\n" + why +
               "|処理確認:データベースの接続に失敗しました。\r";
    };
    const std::string notADatabase = refused(3343, "データベースの形式 '" + live + "' を認識できません。");
    auto oldLayout = [&] {
        WriteFile(folder.live(), good);
        ExecFile(folder.live(), "ALTER TABLE T_基本 DROP COLUMN PublicPay2; ALTER TABLE T_基本 DROP COLUMN PublicPay1;");
    };
    sqlite3* other = nullptr;  // another program's connection
    // Either the whole of what is said, or (an upgrade) a part of its error.
    const struct { const char* why; std::function<void()> arrange; std::string said, holds; } cases[] = {
        {"read-only",
         [&] { fs::permissions(folder.live(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read); },
         refused(3051, "ファイル '" + live + "' は読み取り専用のため開けません。"), ""},
        {"truncated", [&] { WriteFile(folder.live(), good.substr(0, good.size() / 3)); }, notADatabase, ""},
        {"not a database",
         [&] { WriteFile(folder.live(), std::string("PK\3\4\24\0\0\0\10\0", 10) + good.substr(10, 4096)); },
         notADatabase, ""},
        {"empty", [&] { WriteFile(folder.live(), ""); }, notADatabase, ""},
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
             WriteFile(folder.dir() / kTemplateName, "not a database");
         },
         "", "エラーコード： 3343"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        c.arrange();
        const auto files = DumpFolder(folder.dir());
        const std::string said = StartUp(folder);
        if (c.holds.empty()) {
            EXPECT_EQ(said, c.said);
        } else {
            EXPECT_TRUE(said.starts_with("refused|エラー:予期せぬエラーです。") && said.ends_with(upgrade) &&
                        said.find(c.holds) != std::string::npos)
                << said;
        }
        auto after = DumpFolder(folder.dir());
        if (!files.count(kBackupName) && after.count(kBackupName)) {
            EXPECT_EQ(after[kBackupName], files.at(kLiveName));
            after.erase(kBackupName);
        }
        EXPECT_EQ(after, files);
        sqlite3_close(other);
        other = nullptr;
        fs::remove_all(folder.dir() / kBackupName);
        WriteFile(folder.dir() / kTemplateName, templ);
        WriteFile(folder.live(), good);
        fs::permissions(folder.live(), fs::perms::all);
    }
    folder.reconnect();
}

// A program folder that cannot be written: with a live file in it, that file
// is the clinic's data and the start-up says why it cannot be used, instead
// of starting on an empty file in the user's data folder; without one (an
// installed copy), the data folder holds the live file.
TEST_F(Failures, ReadOnlyProgramFolder) {
    shareFolder();
    const fs::path data = out / "data";
    fs::create_directory(data);
    fs::permissions(out.path(), fs::perms::all);
    fs::permissions(data, fs::perms::all);
    const auto start = [&] {
        fs::permissions(folder.dir(), kReadOnly);
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        const std::string said = StartUp(folder);
        ::unsetenv("XDG_DATA_HOME");
        fs::permissions(folder.dir(), fs::perms::all);
        return said;
    };
    const auto files = DumpFolder(folder.dir());
    EXPECT_EQ(start(), "refused|エラー:予期せぬエラーです。\r\nエラーコード： 3051\r\nフォルダー '" +
                           folder.dir().string() + "' に書き込めないため、ファイル '" + folder.live().string() +
                           "' を開けません。|処理確認:データベースの接続に失敗しました。\r");
    EXPECT_EQ(DumpFolder(folder.dir()), files);
    EXPECT_FALSE(fs::exists(data / "hotaru" / kLiveName));

    fs::rename(folder.live(), out / kLiveName);
    EXPECT_EQ(start(), "opened " + (data / "hotaru" / kLiveName).string());
    fs::rename(out / kLiveName, folder.live());
    ResetDatabaseFiles();
    folder.reconnect();
}

}  // namespace
}  // namespace hotaru::test
