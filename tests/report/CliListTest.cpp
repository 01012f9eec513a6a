// hotaru-cli list: the claim list into a PDF from a script, without a display.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

#include "report/ListData.h"

using namespace hotaru;

TEST(CliList, WritesTheListAsPdfOrSaysThereIsNothing) {
    test::ProgramFolder folder;
    test::SetSettings(1, "2008-04-01");
    folder.disconnect();
    test::TempDir out;
    auto run = [&] {
        const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                (test::BinDir() / "hotaru-cli").string() + "' list --db '" + folder.live().string() +
                                "' --pdf '" + (out / "list.pdf").string() + "' 2>'" + (out / "err.txt").string() + "'";
        const int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(), 1);
    EXPECT_EQ(test::ReadFile(out / "err.txt"), "該当データがありません。\n");
    EXPECT_FALSE(std::filesystem::exists(out / "list.pdf"));
    folder.reconnect();
    test::FillMonth(45);
    folder.disconnect();
    EXPECT_EQ(run(), 0) << test::ReadFile(out / "err.txt");
    EXPECT_EQ(test::PdfPageCount(out / "list.pdf"), 3);
    EXPECT_NE(test::ReadFile(out / "list.pdf").find("IPAPGothic"), std::string::npos);  // the Japanese font
}
