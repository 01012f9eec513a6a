// hotaru-cli export and fdcheck, run as a script would.
#include <gtest/gtest.h>

#include <filesystem>

#include "SubmissionData.h"

using namespace hotaru;
namespace fs = std::filesystem;

namespace {

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

class CliTest : public ::testing::Test {
protected:
    test::ProgramFolder program;
    test::TempDir out, lists;

    // Exit status, stdout and stderr of a run as one record.
    std::string cli(const std::string& args) {
        program.disconnect();  // the command opens the file itself
        const std::string run = test::RunCli(args).record();
        program.reconnect();
        return run;
    }
    std::string exportTo(const fs::path& dir) { return cli("export --db " + Quote(program.live()) + " --dir " + Quote(dir)); }
    std::string fdcheck() {
        return cli("fdcheck --db " + Quote(program.live()) + " --drive " + Quote(out.path()) + " --out " +
                   Quote(lists.path()));
    }
};

}  // namespace

TEST_F(CliTest, ExportMessagesGoToStderrWithoutAFile) {
    EXPECT_EQ(exportTo(out.path()),  // no settings row
              "1||請求月更新機能にて、請求月を設定してください。\n設定機能にて、項目を設定してください。\n");
    test::PutSettings({});
    EXPECT_EQ(exportTo(out.path()), "1||該当データがありません。\n");
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_EQ(DB().Scalar("SELECT path FROM T_設定").str(), "");
    EXPECT_TRUE(cli("export --db " + Quote(program.live())).starts_with("2|"));  // --dir missing
}

TEST_F(CliTest, ExportAndFdcheckExitCodes) {
    test::PutSettings({.no = "1234560"});
    // No file of that name, and no request to insert a floppy.
    EXPECT_EQ(fdcheck(), "2||ＣＳＶファイルが登録されていないか、名称が正しくありません。\n"
                         "当月のＣＳＶファイル名 = [ 4611234560-1-2002.CSV ]\n");
    test::PutChild("12", "123456", "山田太郎", Date{2006, 5, 3});
    test::PutClaim({});
    EXPECT_EQ(exportTo(out.path()), "0|" + (out / "4611234560-1-2002.CSV").string() + "\n|");
    EXPECT_EQ(DB().Scalar("SELECT path FROM T_設定").str(), out.path().string());
    EXPECT_EQ(fdcheck(), "0|ＦＤデータにエラーはありませんでした。\n|");  // only the closing message
    test::WriteFile(out / "4611234560-1-2002.CSV",
                    test::SjisLines({"1,42002,4611234560,1,1,\"蛍クリニック\"",
                                     "2,4611234560,10,42002,x,1,000123456,\"山田太郎\",4180503,1,12345678,2,3,,"
                                     "1234,3700,42002,,"}));
    EXPECT_EQ(fdcheck(), "1|ＦＤデータにエラーがあります。\n内容を確認して下さい。\n|チェックリスト: " +
                             (lists / "4611234560-1-2002.CSV_Error.txt").string() + "\n");
    DB().Execute("DELETE FROM T_設定");
    EXPECT_TRUE(fdcheck().starts_with("2|"));
}
