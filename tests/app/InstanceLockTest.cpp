#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "app/InstanceLock.h"
#include "support/TestSupport.h"

using namespace hotaru;

// Another process is refused until its holder ends, however it ends.
TEST(InstanceLock, RefusedUntilTheHolderEnds) {
    test::TempDir dir;
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstanceLock lock;
        char ok = lock.acquire(dir.path()) ? '1' : '0';
        (void)!write(toParent[1], &ok, 1);
        (void)!read(toChild[0], &ok, 1);  // holds the lock until killed
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(toParent[0], &ok, 1), 1);
    ASSERT_EQ(ok, '1');
    InstanceLock mine;
    EXPECT_FALSE(mine.acquire(dir.path()));
    EXPECT_FALSE(mine.held());
    kill(child, SIGKILL);  // as a crash would: the lock goes with it
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(mine.acquire(dir.path()));
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
}
