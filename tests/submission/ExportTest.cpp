// The submission file's name and records, and the export that writes them,
// from the window's core and from hotaru-cli.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <tuple>

#include "common/Errors.h"
#include "common/Messages.h"
#include "submission/Export.h"
#include "submission/SubmissionFile.h"
#include "SubmissionData.h"

using namespace hotaru;
using namespace hotaru::submission;
using test::Msg;
namespace fs = std::filesystem;

namespace {

class ExportTest : public ::testing::Test {
protected:
    test::ProgramFolder program;
    test::TempDir out;

    std::string written() { return test::ReadFile(out / kName); }
    std::string storedPath() { return DB().Scalar("SELECT path FROM T_設定").str(); }
    std::set<std::string> files() {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(out.path())) names.insert(e.path().filename().string());
        return names;
    }
    static constexpr const char* kName = "4611234567-1-2002.CSV";
};

// The detail record of the hand-worked example, with its child; and with the settings of its month.
void PutExampleRow() {
    test::PutChild("12", "123456", "山田太郎", Date{2006, 5, 3});
    test::PutClaim({});
}
void PutExampleMonth() { test::PutSettings({}); PutExampleRow(); }

}  // namespace

TEST(SubmissionFileName, KindsMonthsAndEras) {
    struct Case {
        std::optional<int> type;
        const char *kencd, *no, *eda;
        std::optional<Date> request;
        const char* name;
    } cases[] = {
        {1, "4", "1234", "", Date{2008, 3, 1}, "0410001234-1-2002.CSV"},  // padded
        {std::nullopt, "46", "1234567", "12", Date{2008, 3, 1}, "1234567-12-1-2002.CSV"},  // not 1: kind 2
        {1, "46", "1234567", "", Date{2019, 5, 1}, "4611234567-1-3104.CSV"},  // 平成31年4月
    };
    for (const Case& c : cases) {
        SettingsRow row{c.type, c.kencd, "1", c.no, c.eda, "", c.request, std::nullopt};
        EXPECT_EQ(BuildSubmissionFileName(row), c.name);
    }
    EXPECT_EQ(InstitutionNumberOf(2, "1234567-12-1-2002.CSV"), "1234567-1");
    EXPECT_THROW(BuildSubmissionFileName(SettingsRow{1, "46", "1", "1234567", "", "", std::nullopt, std::nullopt}),
                 AppError);
}

TEST(EraTable, LeavesOutTheNumberOfAnEraItDoesNotKnow) {
    EraTable eras;
    eras.add(4, "平成");
    const Date showa{1988, 12, 1};
    EXPECT_EQ(eras.eraDigits(showa, "EEMMDD"), "631201");
    // Once the table knows it, the same date carries it; another pattern is another text.
    eras.add(3, "昭和");
    EXPECT_EQ(eras.eraDigits(showa, "EEMMDD") + " " + eras.eraDigits(showa, "EEMM"), "3631201 36312");
}

TEST_F(ExportTest, OrderZeroRowsOtherMonthsNullsAndMissingChild) {
    const Date jan{2009, 1, 1};  // data month 平成20年12月
    test::PutSettings({.request = jan});
    test::PutChild("12", "000000002", "佐藤花子", Date{2007, 11, 20});
    test::PutChild("50", "000000009", "山田次郎", std::nullopt);  // no birth date: the lone era number
    test::PutClaim({.recipient = "000000002", .diagnosis = {2008, 12, 1}, .eda = 2, .request = jan, .insurance = {},
                    .insuranceNo = {}, .hospitalization = {}, .ratio = {}, .treatment = {}, .publicPay1 = "81",
                    .publicPay2 = "9"});
    // Stored out of order: the file follows city, recipient, month, branch.
    // Left out: total 0, payment 0, another claim month.
    const std::tuple<const char*, const char*, int, long long, long long, Date> rows[] = {
        {"12", "000000002", 1, 1234, 3700, jan},
        {"50", "000000009", 1, 1234, 3700, jan},
        {"03", "777", 1, 1234, 3700, jan},  // a child without a row in T_基本 (left join)
        {"40", "1", 1, 0, 3700, jan},
        {"40", "1", 2, 100, 0, jan},
        {"40", "1", 3, 100, 100, Date{2008, 12, 1}}};
    for (const auto& [code, recipient, eda, total, payment, request] : rows)
        test::PutClaim({.code = code, .recipient = recipient, .diagnosis = {2008, 11, 1}, .eda = eda, .total = total,
                        .payment = payment, .request = request});

    ExportResult r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written) << r.message.prompt;
    EXPECT_EQ(r.written.filename(), "4611234567-1-2012.CSV");
    EXPECT_EQ(test::ReadFile(r.written),
              test::SjisLines({
                  "1,42012,4611234567,1,4,\"蛍クリニック\"",
                  "2,4611234567,10,42012,,1,,\"\",4,1,12345678,2,3,,1234,3700,42011,,",
                  "2,4611234567,10,42012,12,1,000000002,\"佐藤花子\",4191120,1,12345678,2,3,,1234,3700,42011,,",
                  "2,4611234567,,42012,12,1,000000002,\"佐藤花子\",4191120,,,,,,1234,3700,42012,81,9",
                  "2,4611234567,10,42012,50,1,000000009,\"山田次郎\",4,1,12345678,2,3,,1234,3700,42011,,",
              }));
}

TEST_F(ExportTest, MoreThan32767RowsAreCountedAndWritten) {
    test::PutSettings({});
    DB().Execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
        "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, insurance_no, "
        "hospitalization, ratio) SELECT '12', printf('%09d', i), '2008-02-01', 1, 1000, 3000, '2008-03-01', 1, "
        "'12345678', 2, 3 FROM n");
    ExportResult r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written) << r.message.prompt;
    EXPECT_EQ(r.count, 40000);
    auto records = ParseSubmissionFile(r.written);
    ASSERT_EQ(records.size(), 40001u);
    EXPECT_EQ(records[0][4], "40000");
    EXPECT_EQ(records[40000].size(), 19u);
}

TEST_F(ExportTest, MessagesInsteadOfAFile) {
    test::WriteFile(out / kName, "earlier file");
    const std::string fix = "」があります。\r市町村番号 = 12　受給者番号 = 123456\r入力画面で修正してください。";
    const std::string bad = "ＣＳＶファイルへ出力できない文字「";
    struct Case {
        std::string sql, value;  // a change to the example month
        ExportStatus status;
        std::string message;  // title|style|prompt, or the prompt's start after "*"
    };
    std::vector<Case> cases = {
        {"UPDATE T_データ SET total = 0", "", ExportStatus::NoData,
         Msg("該当件数チェック", mbInformation, "該当データがありません。")},
        {"UPDATE T_設定 SET type = 3", "", ExportStatus::KindNotSet,
         Msg("処理確認", mbExclamation, "設定機能にて、項目を設定してください。")},
        {"UPDATE T_設定 SET request = NULL", "", ExportStatus::NoClaimMonth, "*処理確認"},
        {"UPDATE T_基本 SET name = ?", "𠮷田一", ExportStatus::Unencodable,
         "*処理確認|" + std::to_string(mbExclamation) + "|ＣＳＶファイルへ出力できない文字「𠮷」があります。"},
        {"UPDATE T_データ SET insurance_no = ?", "1234,5678", ExportStatus::Unencodable, "処理確認|48|" + bad + "," + fix},
        {"UPDATE T_設定 SET name = ?", "蛍\"クリニック", ExportStatus::Unencodable,
         "処理確認|48|名称に" + bad + "\"」があります。\r設定機能にて、名称を修正してください。"},
    };
    for (const auto& [name, shown] : std::vector<std::pair<std::string, std::string>>{
             {"山田\"太郎", "\""}, {"山田,太郎", ","}, {"山田\r太郎", "改行（CR）"}, {"山田\n太郎", "改行（LF）"},
             {"山田\t太郎", "タブ"}, {std::string("山田\0太郎", 13), "NUL"}})
        cases.push_back({"UPDATE T_基本 SET name = ?", name, ExportStatus::Unencodable, "処理確認|48|" + bad + shown + fix});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        DB().Execute("DELETE FROM T_基本");
        DB().Execute("DELETE FROM T_データ");
        PutExampleMonth();
        if (c.value.empty())
            DB().Execute(c.sql);
        else
            DB().Execute(c.sql, {c.value});
        ExportResult r = RunExport(out.path());
        EXPECT_EQ(r.status, c.status);
        if (c.message[0] == '*')
            EXPECT_TRUE(Msg(r.message).starts_with(c.message.substr(1))) << Msg(r.message);
        else
            EXPECT_EQ(Msg(r.message), c.message);
        EXPECT_EQ(files(), std::set<std::string>{kName});
        EXPECT_EQ(written(), "earlier file");
        EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_設定 WHERE path IS NOT NULL").toInt(), 0);
    }
    EXPECT_TRUE(program.messages().shown.empty());  // the caller shows them
}

TEST_F(ExportTest, TheHeaderCountAlwaysMatchesTheRecords) {
    // A file of the current layout made before its keys were unique may hold
    // a child twice: the join would bring the claim row twice under a header
    // that counts it once, so nothing is written.
    DB().Execute("DROP INDEX IX_T_基本_key");
    PutExampleMonth();
    test::PutChild("13", "654321", "佐藤一郎", Date{2006, 5, 3});
    test::PutChild("13", "654321", "佐藤一朗", Date{2006, 5, 3});
    test::PutClaim({.code = "13", .recipient = "654321"});
    ExportResult r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::Inconsistent);
    EXPECT_EQ(r.message.prompt,
              "同じ受給者が２件以上登録されているため、ＣＳＶファイルを出力できません。\r市町村番号 = 13　受給者番号 = 654321");
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_EQ(storedPath(), "");
}

TEST_F(ExportTest, StaleTemporaryFilesOfAnExportKilledHardAreRemoved) {
    PutExampleMonth();
    const pid_t gone = fork();  // a process id that is surely not running
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone), alive = std::to_string(getppid());
    const std::vector<std::string> stale = {"." + std::string(kName) + "." + dead + ".0.tmp",
                                            ".1234567-1-1-2001.CSV." + dead + ".3.tmp"};
    std::set<std::string> kept = {"." + std::string(kName) + "." + alive + ".0.tmp",  // being written
                                  ".notes." + dead + ".0.tmp", "a.CSV." + dead + ".0.tmp", "notes.txt"};
    for (const auto& n : stale) test::WriteFile(out / n, "partial");
    for (const auto& n : kept) test::WriteFile(out / n, "keep");
    ASSERT_EQ(RunExport(out.path()).status, ExportStatus::Written);
    kept.insert(kName);
    EXPECT_EQ(files(), kept);
}

TEST_F(ExportTest, FailedWritesLeaveNoFileAndTheEarlierOneUntouched) {
    PutExampleMonth();
    test::WriteFile(out / kName, "earlier file");
    InjectWriteFailure(ENOSPC);
    ExportResult r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::WriteFailed);
    EXPECT_EQ(Msg(r.message), Msg("ﾒｯｾｰｼﾞ", mbExclamation,
                                  out.path().string() + "\r\nの容量が不足しています。\r\n不要なものを削除してください。"));
    // (Any other failure shows the standard error message: Failures, a folder gone.)
    EXPECT_EQ(files(), std::set<std::string>{kName});
    EXPECT_EQ(written(), "earlier file");

    // A database failure after writing keeps the file.
    gDB->InjectWriteFailure(0);
    r = RunExport(out.path());
    gDB->InjectWriteFailure(-1);
    EXPECT_EQ(r.status, ExportStatus::PathNotStored);
    EXPECT_TRUE(r.wroteFile());
    EXPECT_EQ(r.message.title, "エラー");
    EXPECT_EQ(written().substr(0, 6), "1,4200");  // replaced without asking
    EXPECT_EQ(storedPath(), "");
}

// The export's query (its rows, names, dates and nulls are in the files above).
TEST(ForEachRow, FailuresLeaveTheDatabaseUsable) {
    test::ProgramFolder program;
    test::PutClaim({});
    EXPECT_THROW(DB().ForEachRow("SELECT nothing FROM T_データ", {}, [](const std::vector<data::Value>&) {}),
                 AppError);
    EXPECT_THROW(DB().ForEachRow("SELECT * FROM T_データ", {},
                                 [](const std::vector<data::Value>&) { throw std::runtime_error("stop"); }),
                 std::runtime_error);
    // The statement was finalised: the table can be written and read again.
    DB().Execute("DELETE FROM T_データ");
    int rows = 0;
    DB().ForEachRow("SELECT * FROM T_データ", {}, [&](const std::vector<data::Value>&) { ++rows; });
    EXPECT_EQ(rows, 0);
}

// hotaru-cli export and fdcheck, run as a script would.
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
    PutExampleRow();
    EXPECT_EQ(exportTo(out.path()), "0|" + (out / "4611234560-1-2002.CSV").string() + "\n|");
    EXPECT_EQ(DB().Scalar("SELECT path FROM T_設定").str(), out.path().string());
    EXPECT_EQ(fdcheck(), "0|ＦＤデータにエラーはありませんでした。\n|");  // only the closing message
    test::WriteFile(out / "4611234560-1-2002.CSV", test::SjisLines({test::Header(1), test::Detail({{5, "x"}})}));
    EXPECT_EQ(fdcheck(), "1|ＦＤデータにエラーがあります。\n内容を確認して下さい。\n|チェックリスト: " +
                             (lists / "4611234560-1-2002.CSV_Error.txt").string() + "\n");
    DB().Execute("DELETE FROM T_設定");
    EXPECT_TRUE(fdcheck().starts_with("2|"));
}
