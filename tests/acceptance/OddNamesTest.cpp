// Quotes, percent signs and backslashes in every name the program handles:
// the program folder, the export folder, the institution's and children's
// names (data/odd-names.plan).  They go through storing, export, the floppy
// check (clean and with a finding) and the list unharmed.
#include <gtest/gtest.h>

#include <filesystem>

#include "Staff.h"
#include "data/Connection.h"
#include "submission/CheckListViewer.h"
#include "support/TestSupport.h"

namespace hotaru::acceptance {
namespace {

namespace fs = std::filesystem;

TEST(OddNames, GoThroughStoringExportCheckAndList) {
    test::ProgramFolder folder("prog it's 100%\\x");
    test::TempDir out;
    const fs::path exportDir = out / "it's 100%\\dir";
    fs::create_directory(exportDir);
    Staff staff(folder.messages(), exportDir);
    ASSERT_NO_FATAL_FAILURE(staff.follow("odd-names.plan", 0));

    // A finding (ratio 7 in the first detail): the list goes beside the live
    // database in the odd program folder and opens in the viewer.
    const fs::path file = exportDir / "4612345670-1-0811.CSV";
    std::string bytes = test::ReadFile(file);
    std::size_t at = bytes.find("\r\n") + 2;  // a comma byte is never part of a Shift_JIS character
    for (int field = 1; field < 13; ++field) at = bytes.find(',', at) + 1;
    ASSERT_EQ(bytes.substr(at, 2), "3,");
    bytes[at] = '7';
    test::WriteFile(file, bytes);
    ASSERT_NO_FATAL_FAILURE(staff.follow("odd-names.plan", 1));
    const fs::path list = folder.dir() / "4612345670-1-0811.CSV_Error.txt";
    const std::string listText = FromCp932(test::ReadFile(list));
    EXPECT_NE(listText.find("割合値不正"), std::string::npos) << listText;
    EXPECT_NE(listText.find("ダン＇ス　５０％"), std::string::npos) << listText;
    auto* viewer = test::FindWindow<submission::CheckListViewer>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->listPath(), list);
    viewer->close();
    ASSERT_NO_FATAL_FAILURE(staff.follow("odd-names.plan", 2));

    // The institution's name in plain ASCII (the settings window only warns
    // about half-width names; they are stored).
    DB().Execute("UPDATE T_設定 SET name = ?", {"Hotaru's 100% \\ clinic"});
    fs::remove(file);
    ASSERT_NO_FATAL_FAILURE(staff.follow("odd-names.plan", 3));
}

}  // namespace
}  // namespace hotaru::acceptance
