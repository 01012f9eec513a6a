// A registration run killed hard, and a database held by another process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "app/Startup.h"
#include "common/Paths.h"
#include "data/Connection.h"
#include "entry/EntryCore.h"
#include "support/SampleEntry.h"
#include "support/TestSupport.h"

using namespace hotaru;
namespace fs = std::filesystem;

namespace {

entry::EntryRow rowFor(int i) {
    entry::EntryRow r = test::SampleReiwaEntryRow();
    r.city = std::to_string(1 + i % 49);
    char rec[16];
    std::snprintf(rec, sizeof rec, "%09d", i);
    r.recipient = rec;
    r.name = "試験　太郎";
    r.insuranceText = "1:社保";
    r.insurance = 1;
    r.insuranceNo = "06123456";
    r.total = std::to_string(100 + i);
    r.payment = std::to_string(300 + i * 3);
    r.treatment.clear();
    r.treatmentKnown = false;
    return r;
}

}  // namespace

TEST(Crash, KilledDuringRegistrationsKeepsEveryCommittedRow) {
    test::ProgramFolder folder;
    DB().Execute("INSERT INTO T_設定 (type, kencd, tencd, no, name, insurance, request) "
                 "VALUES (1, '46', '1', '1234567', '医院', 1, '2026-12-01')");
    folder.disconnect();

    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The child registers rows until it is killed, reporting each commit.
        close(pipefd[0]);
        gDB = data::Database::Open(folder.live());
        for (int i = 1;; ++i) {
            entry::RegisterEntry(rowFor(i));
            if (write(pipefd[1], &i, sizeof i) != sizeof i) _exit(1);
        }
    }
    close(pipefd[1]);
    int committed = 0, n = 0;
    while (committed < 300 && read(pipefd[0], &n, sizeof n) == sizeof n) committed = n;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    // Drain what the child reported before it died.
    while (read(pipefd[0], &n, sizeof n) == sizeof n) committed = n;
    close(pipefd[0]);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_GE(committed, 300);

    folder.reconnect();
    EXPECT_EQ(DB().Scalar("SELECT * FROM pragma_integrity_check").str(), "ok");
    auto rows = DB().OpenRecordset("SELECT recipient, total FROM T_データ", data::dbOpenSnapshot);
    std::set<std::string> stored;
    while (!rows.isEOF()) {
        stored.insert(rows["recipient"].str());
        rows.MoveNext();
    }
    for (int i = 1; i <= committed; ++i) {
        char rec[16];
        std::snprintf(rec, sizeof rec, "%09d", i);
        EXPECT_TRUE(stored.count(rec)) << "committed row " << i << " lost";
    }
    // At most the one registration in flight may be missing or present.
    EXPECT_LE(stored.size(), static_cast<std::size_t>(committed) + 1);
    // Every child row has its master row (both written in one transaction).
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_データ d LEFT JOIN T_基本 b ON d.code = b.code AND "
                          "d.recipient = b.recipient WHERE b.recipient IS NULL")
                  .toInt(),
              0);
}

TEST(Crash, DatabaseLockedByAnotherProcessGivesTheStartupMessage) {
    test::ProgramFolder folder;
    folder.disconnect();
    std::string before = test::ReadFile(folder.live());

    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* db = nullptr;
        sqlite3_open(folder.live().c_str(), &db);
        sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        char c = 1;
        if (write(ready[1], &c, 1) != 1) _exit(1);
        if (read(done[0], &c, 1) != 1) _exit(1);
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);

    ResetDatabaseFiles();
    EXPECT_FALSE(OpenDatabaseAtStartup());
    ASSERT_EQ(folder.messages().shown.size(), 2u);
    EXPECT_EQ(folder.messages().shown[0].title, "エラー");
    EXPECT_EQ(folder.messages().shown[1].prompt, "データベースの接続に失敗しました。\r");

    c = 1;
    ASSERT_EQ(write(done[1], &c, 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(test::ReadFile(folder.live()), before);
}
