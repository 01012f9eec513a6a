// hotaru-cli list: the claim list into a PDF from a script.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

#include "report/ListData.h"
#include "report/ReportTestUtil.h"

using namespace hotaru;

namespace {

// Runs hotaru-cli without a display, as from a script; returns its exit code.
int RunList(const std::filesystem::path& db, const std::filesystem::path& pdf, const std::filesystem::path& err) {
    std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + (test::BinDir() / "hotaru-cli").string() +
                      "' list --db '" + db.string() + "' --pdf '" + pdf.string() + "' 2>'" + err.string() + "'";
    int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(CliList, WritesTheListAsPdf) {
    test::ProgramFolder folder;
    test::FillMonth(45);
    folder.disconnect();
    test::TempDir out;
    EXPECT_EQ(RunList(folder.live(), out / "list.pdf", out / "err.txt"), 0) << test::ReadFile(out / "err.txt");
    EXPECT_EQ(test::PdfPageCount(out / "list.pdf"), 3);
}

TEST(CliList, NothingToListExitsOneWithTheMessage) {
    test::ProgramFolder folder;
    test::SetSettings(1, "2008-04-01");
    folder.disconnect();
    test::TempDir out;
    EXPECT_EQ(RunList(folder.live(), out / "list.pdf", out / "err.txt"), 1);
    EXPECT_EQ(test::ReadFile(out / "err.txt"), "該当データがありません。\n");
    EXPECT_FALSE(std::filesystem::exists(out / "list.pdf"));
}
