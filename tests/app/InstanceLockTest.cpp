#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "app/InstanceLock.h"
#include "support/TestSupport.h"

using namespace hotaru;

TEST(InstanceLock, ASecondCopyIsRefusedWhileTheFirstRuns) {
    test::TempDir dir;
    InstanceLock first;
    ASSERT_TRUE(first.acquire(dir.path()));
    // The lock belongs to one open of the file: another holder in the same
    // process is refused as well.
    InstanceLock second;
    EXPECT_FALSE(second.acquire(dir.path()));
    EXPECT_FALSE(second.held());
    first.release();
    EXPECT_TRUE(second.acquire(dir.path()));
}

TEST(InstanceLock, AnotherProcessIsRefusedUntilTheHolderEnds) {
    test::TempDir dir;
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock;
        char ok = lock.acquire(dir.path()) ? '1' : '0';
        (void)!write(toParent[1], &ok, 1);
        char go;
        (void)!read(toChild[0], &go, 1);  // hold the lock until told
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(toParent[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    InstanceLock mine;
    EXPECT_FALSE(mine.acquire(dir.path()));

    // The holder ends without releasing (as a crash would): the lock goes with it.
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(mine.acquire(dir.path()));
    close(toParent[0]); close(toParent[1]); close(toChild[0]); close(toChild[1]);
}

TEST(InstanceLock, ALockFileLeftBehindDoesNotBlock) {
    test::TempDir dir;
    test::WriteFile(dir / ".hotaru.lock", "12345\n");
    InstanceLock lock;
    EXPECT_TRUE(lock.acquire(dir.path()));
}
