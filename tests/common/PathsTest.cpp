#include <gtest/gtest.h>

#include <cstdlib>

#include "common/Paths.h"

using namespace hotaru;

TEST(Paths, ProgramDirDefaultsToTheExecutablesFolder) {
    const auto exeDir = ExecutableDir();
    EXPECT_TRUE(std::filesystem::exists(exeDir / "hotaru_common_tests"));
    EXPECT_EQ(ProgramDir(), exeDir);
    SetProgramDir("/tmp/somewhere");
    EXPECT_EQ(ProgramDir(), std::filesystem::path("/tmp/somewhere"));
    SetProgramDir({});
    EXPECT_EQ(ProgramDir(), exeDir);
}

TEST(Paths, HomeDirFromEnvironmentOrPasswordFile) {
    const char* saved = std::getenv("HOME");
    std::string savedHome = saved ? saved : "";
    setenv("HOME", "/home/tester", 1);
    EXPECT_EQ(HomeDir(), std::filesystem::path("/home/tester"));
    unsetenv("HOME");
    EXPECT_FALSE(HomeDir().empty());
    if (saved) setenv("HOME", savedHome.c_str(), 1);
}
