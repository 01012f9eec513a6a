// Quotes, percent signs and backslashes in every name the program handles:
// the program folder, the export folder, the institution's and children's
// names.  They go through storing, export, the floppy check (clean and with
// a finding) and the list unharmed.
#include <gtest/gtest.h>

#include <filesystem>

#include "Files.h"
#include "MonthPlan.h"
#include "Staff.h"
#include "common/Paths.h"
#include "data/Connection.h"
#include "submission/CheckListViewer.h"
#include "support/TestSupport.h"

namespace hotaru::acceptance {
namespace {

namespace fs = std::filesystem;

// A program folder whose own name holds the characters, with a fresh copy of
// the shipped database connected.
class OddFolder {
public:
    OddFolder() : presenter_(messages_) {
        dir_ = base_ / "prog it's 100%\\x";
        fs::create_directory(dir_);
        fs::copy_file(test::BinDir() / "Medic_ins_NEW.mdb", dir_ / "Medic_ins_NEW.mdb");
        fs::copy_file(test::BinDir() / "Medic_ins_NEW.mdb", dir_ / "Medic_ins.mdb");
        SetProgramDir(dir_);
        gDB = data::Database::Open(dir_ / "Medic_ins.mdb");
    }
    ~OddFolder() { gDB.reset(); }
    const fs::path& dir() const { return dir_; }
    ScriptedMessages& messages() { return messages_; }

private:
    test::TempDir base_;
    fs::path dir_;
    ScriptedMessages messages_;
    ScopedPresenter presenter_;
};

class OddNames : public ::testing::Test {
protected:
    OddFolder folder;
    test::TempDir out;
    Staff staff{folder.messages()};
};

TEST_F(OddNames, GoThroughStoringExportCheckAndList) {
    MonthPlan plan(1);
    plan.inst.name = "ほたる＇１００％＼医院";
    // Three children of the plan, with full-width quote, percent and yen/backslash signs in their names.
    const char* names[] = {"オ＇ハラ　１００％＼", "＼＼　％ｓ＇＇", "ダン＇ス　５０％"};
    std::vector<Slip> slips;
    for (int i = 0; i < 3; ++i) {
        plan.children[static_cast<std::size_t>(i)].name = names[i];
        slips.push_back(plan.slips[plan.firstSlipOf(i)]);
    }
    const fs::path exportDir = out / "it's 100%\\dir";
    fs::create_directory(exportDir);

    ASSERT_NO_FATAL_FAILURE(staff.startMenu());
    staff.messages().clear();
    ASSERT_NO_FATAL_FAILURE(staff.registerSettings(plan.inst));
    ASSERT_NO_FATAL_FAILURE(staff.setClaimMonth(1, "08", "12"));
    ASSERT_NE(staff.openEntry(), nullptr);
    for (const Slip& s : slips) {
        ASSERT_NO_FATAL_FAILURE(staff.typeSlip(plan, s));
        plan.apply(s);
    }
    ASSERT_NO_FATAL_FAILURE(staff.closeEntry());
    plan.slips = slips;
    for (const auto& [key, m] : plan.masters)
        EXPECT_EQ(DB().Scalar("SELECT name FROM T_基本 WHERE code = ? AND recipient = ?", {m.city, m.recipient}).str(),
                  m.name);
    EXPECT_EQ(DB().Scalar("SELECT name FROM T_設定").str(), plan.inst.name);

    // Export into the odd folder: the folder is stored as it is.
    const std::string name = staff.exportTo(exportDir);
    EXPECT_EQ(DB().Scalar("SELECT path FROM T_設定").str(), exportDir.string());
    std::string framing;
    const auto lines = CrLfLines(FromCp932(test::ReadFile(exportDir / name)), &framing);
    EXPECT_EQ(framing, "");
    EXPECT_EQ(lines, plan.records());

    // The check reads the folder back from the stored path.
    ASSERT_NO_FATAL_FAILURE(staff.pressMenu("Cmd_fdChk"));
    ASSERT_EQ(staff.prompts().back(), "ＦＤデータにエラーはありませんでした。");

    // A finding: the list goes beside the live database in the odd program
    // folder and opens in the viewer.
    std::string bytes = test::ReadFile(exportDir / name);
    std::size_t at = bytes.find("\r\n") + 2;  // the first detail; a comma byte is never part of a Shift_JIS character
    for (int field = 1; field < 13; ++field) at = bytes.find(',', at) + 1;
    ASSERT_EQ(bytes[at + 1], ',');
    bytes[at] = '7';  // ratio 7: not 1, 2 or 3
    test::WriteFile(exportDir / name, bytes);
    ASSERT_NO_FATAL_FAILURE(staff.pressMenu("Cmd_fdChk"));
    EXPECT_EQ(staff.prompts().back(), "ＦＤデータにエラーがあります。\r内容を確認して下さい。");
    const fs::path list = folder.dir() / (name + "_Error.txt");
    ASSERT_TRUE(fs::exists(list));
    const std::string listText = FromCp932(test::ReadFile(list));
    EXPECT_NE(listText.find("割合値不正"), std::string::npos);
    EXPECT_NE(listText.find(plan.masters.begin()->second.name.substr(0, 9)), std::string::npos) << listText;
    auto* viewer = test::FindWindow<submission::CheckListViewer>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->listPath(), list);
    viewer->close();

    // The list, into the odd folder under an odd name.
    const fs::path pdf = exportDir / "一覧 it's 100%\\.pdf";
    EXPECT_EQ(staff.listToPdf(pdf), 1);
    ASSERT_TRUE(fs::exists(pdf));
    if (HavePdfTools()) {
        const auto pdfLines = PdfLines(pdf);
        for (const auto& l : plan.listLines()) {
            bool found = false;
            for (const auto& line : pdfLines) found = found || InOrder(line, {l.texts[0], l.texts[1], l.texts[2], l.texts[3], l.texts[4]});
            EXPECT_TRUE(found) << l.texts[1];
        }
    }

    // An institution name with plain ASCII quote, percent and backslash (the
    // settings window only warns about half-width names; they are stored).
    DB().Execute("UPDATE T_設定 SET name = ?", {"Hotaru's 100% \\ clinic"});
    fs::remove(exportDir / name);
    staff.exportTo(exportDir);
    const auto again = CrLfLines(FromCp932(test::ReadFile(exportDir / name)), &framing);
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(again[0].substr(again[0].find('"')), "\"Hotaru's 100% \\ clinic\"");
    ASSERT_NO_FATAL_FAILURE(staff.pressMenu("Cmd_fdChk"));
    EXPECT_EQ(staff.prompts().back(), "ＦＤデータにエラーはありませんでした。");
}

}  // namespace
}  // namespace hotaru::acceptance
