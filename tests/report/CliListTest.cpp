// hotaru-cli list: the claim list into a PDF from a script, without a display.
#include <gtest/gtest.h>

#include "report/ListData.h"

using namespace hotaru;

TEST(CliList, WritesTheListAsPdfOrSaysThereIsNothing) {
    test::ProgramFolder folder;
    test::SetSettings(1, "2008-04-01");
    folder.disconnect();
    test::TempDir out;
    const std::string list = "list --db '" + folder.live().string() + "' --pdf '" + (out / "list.pdf").string() + "'";
    EXPECT_EQ(test::RunCli(list).record(), "1||該当データがありません。\n");
    EXPECT_FALSE(std::filesystem::exists(out / "list.pdf"));
    folder.reconnect();
    test::FillMonth(45);
    folder.disconnect();
    const test::CliRun r = test::RunCli(list);
    EXPECT_EQ(r.rc, 0) << r.err;  // Qt may warn on stderr about the environment
    EXPECT_EQ(test::PdfPageCount(out / "list.pdf"), 3);
    EXPECT_NE(test::ReadFile(out / "list.pdf").find("IPAPGothic"), std::string::npos);  // the Japanese font
}
