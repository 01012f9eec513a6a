// hotaru-cli export and fdcheck, run as a script would.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "SubmissionData.h"

using namespace hotaru;
namespace fs = std::filesystem;

namespace {

struct CliRun {
    int rc;
    std::string out;
    std::string err;
};

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

class CliTest : public ::testing::Test {
protected:
    test::ProgramFolder program;
    test::TempDir out;
    test::TempDir lists;

    CliRun cli(const std::string& args) {
        program.disconnect();  // the command opens the file itself
        const fs::path errFile = lists / "stderr.txt";
        std::string cmd = Quote(test::BinDir() / "hotaru-cli") + " " + args + " 2>" + Quote(errFile);
        FILE* p = popen(cmd.c_str(), "r");
        std::string text;
        std::array<char, 512> buf{};
        while (fgets(buf.data(), buf.size(), p)) text += buf.data();
        int status = pclose(p);
        std::string err = test::ReadFile(errFile);
        fs::remove(errFile);
        program.reconnect();
        return {WEXITSTATUS(status), text, err};
    }
    CliRun exportTo(const fs::path& dir) { return cli("export --db " + Quote(program.live()) + " --dir " + Quote(dir)); }
    CliRun fdcheck() {
        return cli("fdcheck --db " + Quote(program.live()) + " --drive " + Quote(out.path()) + " --out " +
                   Quote(lists.path()));
    }
};

}  // namespace

// Exit status, stdout and stderr of a run as one record.
std::string Said(const CliRun& r) { return std::to_string(r.rc) + "|" + r.out + "|" + r.err; }

TEST_F(CliTest, ExportWritesPrintsThePathAndTheFileChecksClean) {
    test::PutSettings({.no = "1234560"});
    test::PutChild("12", "123456", "山田太郎", Date{2006, 5, 3});
    test::PutClaim({});
    EXPECT_EQ(Said(exportTo(out.path())), "0|" + (out / "4611234560-1-2002.CSV").string() + "\n|");
    EXPECT_TRUE(fs::exists(out / "4611234560-1-2002.CSV"));
    EXPECT_EQ(DB().Scalar("SELECT path FROM T_設定").str(), out.path().string());
    EXPECT_EQ(Said(fdcheck()), "0|ＦＤデータにエラーはありませんでした。\n|");  // only the closing message
}

TEST_F(CliTest, ExportMessagesGoToStderrWithoutAFile) {
    CliRun r = exportTo(out.path());  // no settings row
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("設定機能にて、項目を設定してください。"), std::string::npos);
    test::PutSettings({});
    EXPECT_EQ(Said(exportTo(out.path())), "1||該当データがありません。\n");
    test::PutClaim({});
    r = exportTo(out / "missing");
    EXPECT_EQ(r.rc, 1);
    EXPECT_NE(r.err.find("予期せぬエラーです。"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_EQ(DB().Scalar("SELECT path FROM T_設定").str(), "");
    EXPECT_EQ(cli("export --db " + Quote(program.live())).rc, 2);  // --dir missing
}

TEST_F(CliTest, FdcheckExitCodes) {
    test::PutSettings({.no = "1234560"});
    CliRun r = fdcheck();  // no file of that name, and no request to insert a floppy
    EXPECT_EQ(r.rc, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("当月のＣＳＶファイル名 = [ 4611234560-1-2002.CSV ]"), std::string::npos);
    EXPECT_EQ(r.err.find("国保連合会"), std::string::npos);

    test::WriteFile(out / "4611234560-1-2002.CSV",
                    test::SjisLines({"1,42002,4611234560,1,1,\"蛍クリニック\"",
                                     "2,4611234560,10,42002,x,1,000123456,\"山田太郎\",4180503,1,12345678,2,3,,"
                                     "1234,3700,42002,,"}));
    r = fdcheck();
    EXPECT_EQ(r.rc, 1);
    EXPECT_EQ(r.out, "ＦＤデータにエラーがあります。\n内容を確認して下さい。\n");
    EXPECT_TRUE(fs::exists(lists / "4611234560-1-2002.CSV_Error.txt"));
    EXPECT_NE(r.err.find("4611234560-1-2002.CSV_Error.txt"), std::string::npos);
    DB().Execute("DELETE FROM T_設定");
    EXPECT_EQ(fdcheck().rc, 2);
}
