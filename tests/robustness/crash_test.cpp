#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "data/Connection.h"
#include "entry/EntryCore.h"
#include "support/SampleEntry.h"
#include "support/TestSupport.h"

using namespace hotaru;

// A registration run killed hard: every committed row is there, at most the
// one in flight besides, each with its child row, and the file is sound.
TEST(Crash, KilledDuringRegistrationsKeepsEveryCommittedRow) {
    test::ProgramFolder folder;
    test::PutSettings({.name = "医院", .request = Date{2008, 5, 1}});
    folder.disconnect();
    auto recipient = [](int i) { return std::string(9 - std::to_string(i).size(), '0') + std::to_string(i); };
    int pipefd[2];
    ASSERT_EQ(pipe(pipefd), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipefd[0]);
        gDB = data::Database::Open(folder.live());
        for (int i = 1;; ++i) {
            entry::EntryRow r = test::SampleEntryRow();
            r.city = std::to_string(1 + i % 49);
            r.recipient = recipient(i);
            r.total = std::to_string(100 + i);
            entry::RegisterEntry(r);
            if (write(pipefd[1], &i, sizeof i) != sizeof i) _exit(1);
        }
    }
    close(pipefd[1]);
    int committed = 0, n = 0;
    while (committed < 300 && read(pipefd[0], &n, sizeof n) == sizeof n) committed = n;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    while (read(pipefd[0], &n, sizeof n) == sizeof n) committed = n;  // reported before it died
    close(pipefd[0]);
    ASSERT_TRUE(WIFSIGNALED(status));

    folder.reconnect();
    EXPECT_EQ(DB().Scalar("SELECT * FROM pragma_integrity_check").str(), "ok");
    for (int i = 1; i <= committed; ++i)
        ASSERT_EQ(DB().Scalar("SELECT count(*) FROM T_データ WHERE recipient = ?", {recipient(i)}).toInt(), 1) << i;
    EXPECT_LE(DB().Scalar("SELECT count(*) FROM T_データ").toInt(), committed + 1);
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_データ d LEFT JOIN T_基本 b ON d.code = b.code AND "
                          "d.recipient = b.recipient WHERE b.recipient IS NULL")
                  .toInt(),
              0);
}
