// The submission file's name and records, and the export that writes them.
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
namespace fs = std::filesystem;

namespace {

class ExportTest : public ::testing::Test {
protected:
    test::ProgramFolder program;
    test::TempDir out;

    std::string written() { return test::ReadFile(out / kName); }
    std::string storedPath() { return DB().Scalar("SELECT path FROM T_設定").str(); }
    static constexpr const char* kName = "4611234567-1-2002.CSV";
};

// The detail record of the hand-worked example, with its child.
void PutExampleRow() {
    test::PutChild("12", "123456", "山田太郎", Date{2006, 5, 3});
    test::PutClaim({});
}

}  // namespace

// ---- File name ------------------------------------------------------------

TEST(SubmissionFileName, KindOneAndKindTwo) {
    SettingsRow row;
    row.type = 1;
    row.kencd = "46";
    row.tencd = "1";
    row.no = "1234567";
    row.request = Date{2008, 3, 1};
    EXPECT_EQ(BuildSubmissionFileName(row), "4611234567-1-2002.CSV");
    row.kencd = "4";  // two digits
    row.no = "1234";  // seven digits
    EXPECT_EQ(BuildSubmissionFileName(row), "0410001234-1-2002.CSV");

    row.type = 2;
    row.no = "1234567";
    row.eda = "1";
    EXPECT_EQ(BuildSubmissionFileName(row), "1234567-1-1-2002.CSV");
    row.eda = "12";  // the name keeps both characters, the records only the first
    EXPECT_EQ(BuildSubmissionFileName(row), "1234567-12-1-2002.CSV");
    EXPECT_EQ(InstitutionNumberOf(2, BuildSubmissionFileName(row)), "1234567-1");
    row.type.reset();  // anything but 1 gives the kind-2 name
    EXPECT_EQ(BuildSubmissionFileName(row), "1234567-12-1-2002.CSV");
}

TEST(SubmissionFileName, JanuaryAndReiwaAndNoClaimMonth) {
    SettingsRow row;
    row.type = 1;
    row.kencd = "46";
    row.tencd = "1";
    row.no = "1234567";
    row.request = Date{2009, 1, 1};  // data month December of the year before
    EXPECT_EQ(BuildSubmissionFileName(row), "4611234567-1-2012.CSV");
    row.request = Date{2019, 6, 1};  // data month 令和元年5月
    EXPECT_EQ(BuildSubmissionFileName(row), "4611234567-1-0105.CSV");
    row.request = Date{2019, 5, 1};  // data month 平成31年4月
    EXPECT_EQ(BuildSubmissionFileName(row), "4611234567-1-3104.CSV");
    row.request.reset();
    EXPECT_THROW(BuildSubmissionFileName(row), AppError);
}

// ---- Records ----------------------------------------------------------------

TEST(SubmissionRecords, HeaderAndDetailOfTheHandWorkedExample) {
    EXPECT_EQ(BuildHeaderRecord(1, "4611234567", "42002", 27, "蛍クリニック"),
              "1,42002,4611234567,1,27,\"蛍クリニック\"");
    EXPECT_EQ(BuildHeaderRecord(2, "1234567-1", "42002", 40000, "整骨院"), "3,42002,1234567-1,1,40000,\"整骨院\"");

    EraTable eras;
    eras.add(4, "平成");
    eras.add(5, "令和");
    ClaimRow r;
    r.name = "山田太郎";
    r.birthday = Date{2006, 5, 3};
    r.city = "12";
    r.recipient = "123456";
    r.diagnosis = Date{2008, 2, 1};
    r.total = "1234";
    r.payment = "3700";
    r.treatment = "10";
    r.insurance = "1";
    r.insuranceNo = "12345678";
    r.hospitalization = "2";
    r.ratio = "3";
    EXPECT_EQ(BuildDetailRecord(1, "4611234567", "42002", r, eras),
              "2,4611234567,10,42002,12,1,000123456,\"山田太郎\",4180503,1,12345678,2,3,,1234,3700,42002,,");
    // Kind 2: record kind 4 and never a department.
    EXPECT_EQ(BuildDetailRecord(2, "1234567-1", "42002", r, eras),
              "4,1234567-1,,42002,12,1,000123456,\"山田太郎\",4180503,1,12345678,2,3,,1234,3700,42002,,");
    // Each date carries its own era's number.
    r.birthday = Date{2019, 4, 30};
    r.diagnosis = Date{2019, 5, 1};
    EXPECT_EQ(BuildDetailRecord(1, "4611234567", "50105", r, eras),
              "2,4611234567,10,50105,12,1,000123456,\"山田太郎\",4310430,1,12345678,2,3,,1234,3700,50105,,");
    // An era the table does not know leaves the number out.
    r.birthday = Date{1988, 12, 1};
    EXPECT_EQ(eras.eraDigits(*r.birthday, "EEMMDD"), "631201");
    // Once the table knows it, the same date carries it; another pattern is another text.
    eras.add(3, "昭和");
    EXPECT_EQ(eras.eraDigits(*r.birthday, "EEMMDD") + " " + eras.eraDigits(*r.birthday, "EEMM"), "3631201 36312");
}

// ---- The export --------------------------------------------------------------

TEST_F(ExportTest, WritesTheKindOneFileAndStoresTheFolder) {
    test::PutSettings({});
    PutExampleRow();
    ExportResult r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written) << r.message.prompt;
    EXPECT_EQ(r.written, out / kName);
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.message.prompt, "ＣＳＶ出力終了しました。\r");
    EXPECT_EQ(r.message.style, mbInformation);
    EXPECT_EQ(r.message.title, "処理確認");
    EXPECT_EQ(written(), test::SjisLines({
                             "1,42002,4611234567,1,1,\"蛍クリニック\"",
                             "2,4611234567,10,42002,12,1,000123456,\"山田太郎\",4180503,1,12345678,2,3,,1234,3700,42002,,",
                         }));
    EXPECT_EQ(storedPath(), out.path().string());
    // Nothing else is left in the folder (no temporary file).
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
}

TEST_F(ExportTest, KindTwoTakesTheFirstBranchCharacterAndNoDepartment) {
    test::SettingsData s;
    s.type = 2;
    s.eda = "12";
    test::PutSettings(s);
    PutExampleRow();
    ExportResult r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written) << r.message.prompt;
    EXPECT_EQ(r.written.filename(), "1234567-12-1-2002.CSV");
    EXPECT_EQ(test::ReadFile(r.written),
              test::SjisLines({
                  "3,42002,1234567-1,1,1,\"蛍クリニック\"",
                  "4,1234567-1,,42002,12,1,000123456,\"山田太郎\",4180503,1,12345678,2,3,,1234,3700,42002,,",
              }));
}

TEST_F(ExportTest, OrderZeroRowsOtherMonthsNullsAndMissingChild) {
    test::SettingsData s;
    s.request = Date{2009, 1, 1};  // January: data month 平成20年12月
    test::PutSettings(s);
    test::PutChild("12", "000000002", "佐藤花子", Date{2007, 11, 20});
    test::ClaimData c;
    c.request = Date{2009, 1, 1};
    c.diagnosis = Date{2008, 12, 1};
    // Stored out of order: the file follows city, recipient, month, branch.
    c.code = "12";
    c.recipient = "000000002";
    c.eda = 2;
    c.insurance.reset();
    c.insuranceNo.reset();
    c.hospitalization.reset();
    c.ratio.reset();
    c.treatment.reset();
    c.publicPay1 = "81";
    c.publicPay2 = "9";
    test::PutClaim(c);
    c = test::ClaimData{};
    c.request = Date{2009, 1, 1};
    c.diagnosis = Date{2008, 11, 1};
    c.code = "12";
    c.recipient = "000000002";
    c.eda = 1;
    test::PutClaim(c);
    // A child without a row in T_基本 (left join).
    c.code = "03";
    c.recipient = "777";
    test::PutClaim(c);
    // Left out: total 0, payment 0, another claim month.
    c.code = "40";
    c.recipient = "1";
    c.total = 0;
    test::PutClaim(c);
    c.total = 100;
    c.payment = 0;
    c.eda = 2;
    test::PutClaim(c);
    c.payment = 100;
    c.request = Date{2008, 12, 1};
    c.eda = 3;
    test::PutClaim(c);

    ExportResult r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written) << r.message.prompt;
    EXPECT_EQ(r.written.filename(), "4611234567-1-2012.CSV");
    EXPECT_EQ(test::ReadFile(r.written),
              test::SjisLines({
                  "1,42012,4611234567,1,3,\"蛍クリニック\"",
                  "2,4611234567,10,42012,,1,,\"\",4,1,12345678,2,3,,1234,3700,42011,,",
                  "2,4611234567,10,42012,12,1,000000002,\"佐藤花子\",4191120,1,12345678,2,3,,1234,3700,42011,,",
                  "2,4611234567,,42012,12,1,000000002,\"佐藤花子\",4191120,,,,,,1234,3700,42012,81,9",
              }));
}

TEST_F(ExportTest, NullBirthDateLeavesTheLoneFour) {
    test::PutSettings({});
    test::PutChild("12", "123456", "山田太郎", std::nullopt);
    test::PutClaim({});
    ExportResult r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written);
    EXPECT_NE(written().find(",\"" + ToSjis("山田太郎") + "\",4,1,"), std::string::npos);
}

TEST_F(ExportTest, ReiwaMonthsCarryEraFive) {
    test::SettingsData s;
    s.request = Date{2019, 6, 1};
    test::PutSettings(s);
    test::PutChild("12", "123456", "令和一郎", Date{2019, 4, 30});
    test::ClaimData c;
    c.request = Date{2019, 6, 1};
    c.diagnosis = Date{2019, 4, 1};  // treated in the last month of 平成
    test::PutClaim(c);
    c.diagnosis = Date{2019, 5, 1};
    test::PutClaim(c);
    ExportResult r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written) << r.message.prompt;
    EXPECT_EQ(r.written.filename(), "4611234567-1-0105.CSV");
    EXPECT_EQ(test::ReadFile(r.written),
              test::SjisLines({
                  "1,50105,4611234567,1,2,\"蛍クリニック\"",
                  "2,4611234567,10,50105,12,1,000123456,\"令和一郎\",4310430,1,12345678,2,3,,1234,3700,43104,,",
                  "2,4611234567,10,50105,12,1,000123456,\"令和一郎\",4310430,1,12345678,2,3,,1234,3700,50105,,",
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
    EXPECT_EQ(records[40000][15], "3000");
}

TEST_F(ExportTest, MessagesInsteadOfAFile) {
    // No settings row.
    ExportResult r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::NoSettings);
    EXPECT_EQ(r.message.title, "処理確認");

    // Nothing to submit: every row has total or payment 0.
    test::PutSettings({});
    test::ClaimData c;
    c.total = 0;
    c.eda = 2;
    test::PutClaim(c);
    r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::NoData);
    EXPECT_EQ(r.message.prompt, "該当データがありません。");
    EXPECT_EQ(r.message.style, mbInformation);
    EXPECT_EQ(r.message.title, "該当件数チェック");

    // An institution kind other than 1 or 2.
    test::SettingsData s;
    s.type = 3;
    test::PutSettings(s);
    PutExampleRow();
    r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::KindNotSet);
    EXPECT_EQ(r.message.prompt, "設定機能にて、項目を設定してください。");
    EXPECT_EQ(r.message.style, mbExclamation);
    EXPECT_EQ(r.message.title, "処理確認");

    // No claim month.
    s.type = 1;
    s.request.reset();
    test::PutSettings(s);
    r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::NoClaimMonth);

    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_EQ(storedPath(), "");
    EXPECT_TRUE(program.messages().shown.empty());  // the caller shows them
}

TEST_F(ExportTest, ANameWithoutShiftJisFormNamesTheChild) {
    test::PutSettings({});
    test::PutChild("12", "123456", "山田太郎", Date{2006, 5, 3});
    test::PutChild("13", "654321", "𠮷田一", Date{2006, 5, 3});
    test::PutClaim({});
    test::ClaimData c;
    c.code = "13";
    c.recipient = "654321";
    test::PutClaim(c);
    ExportResult r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::Unencodable);
    EXPECT_NE(r.message.prompt.find("𠮷"), std::string::npos);
    EXPECT_NE(r.message.prompt.find("市町村番号 = 13"), std::string::npos);
    EXPECT_NE(r.message.prompt.find("受給者番号 = 654321"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_EQ(storedPath(), "");
}

TEST_F(ExportTest, ValuesThatWouldBreakTheRecordNameTheChild) {
    // Such values come only from stored data (an old file, a hand edit); the
    // file is refused as for a character without a Shift_JIS form.
    test::PutSettings({});
    test::PutChild("12", "123456", "山田太郎", Date{2006, 5, 3});
    test::PutClaim({});
    test::WriteFile(out / kName, "earlier file");
    const std::string fix = "」があります。\r市町村番号 = 12　受給者番号 = 123456\r入力画面で修正してください。";
    for (const auto& [sql, value, shown] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"UPDATE T_基本 SET name = ?", "山田\"太郎", "ＣＳＶファイルへ出力できない文字「\"" + fix},
             {"UPDATE T_基本 SET name = ?", "山田,太郎", "ＣＳＶファイルへ出力できない文字「," + fix},
             {"UPDATE T_基本 SET name = ?", "山田\r太郎", "ＣＳＶファイルへ出力できない文字「改行（CR）" + fix},
             {"UPDATE T_基本 SET name = ?", "山田\n太郎", "ＣＳＶファイルへ出力できない文字「改行（LF）" + fix},
             {"UPDATE T_基本 SET name = ?", "山田\t太郎", "ＣＳＶファイルへ出力できない文字「タブ" + fix},
             {"UPDATE T_基本 SET name = ?", std::string("山田\0太郎", 13), "ＣＳＶファイルへ出力できない文字「NUL" + fix},
             {"UPDATE T_データ SET insurance_no = ?", "1234,5678", "ＣＳＶファイルへ出力できない文字「," + fix},
             {"UPDATE T_設定 SET name = ?", "蛍\"クリニック",
              "名称にＣＳＶファイルへ出力できない文字「\"」があります。\r設定機能にて、名称を修正してください。"}}) {
        SCOPED_TRACE(shown);
        DB().Execute("UPDATE T_基本 SET name = '山田太郎'");
        DB().Execute("UPDATE T_データ SET insurance_no = '12345678'");
        DB().Execute("UPDATE T_設定 SET name = '蛍クリニック'");
        DB().Execute(sql, {value});
        ExportResult r = RunExport(out.path());
        EXPECT_EQ(r.status, ExportStatus::Unencodable);
        EXPECT_EQ(r.message.prompt, shown);
        EXPECT_EQ(r.message.title, "処理確認");
        EXPECT_EQ(written(), "earlier file");
        EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
        EXPECT_EQ(storedPath(), "");
    }
}

TEST_F(ExportTest, TheHeaderCountAlwaysMatchesTheRecords) {
    // A file of the current layout made before its keys were unique may hold
    // a child twice: the join would bring the claim row twice under a header
    // that counts it once, so nothing is written.
    DB().Execute("DROP INDEX IX_T_基本_key");
    test::PutSettings({});
    PutExampleRow();
    test::PutChild("13", "654321", "佐藤一郎", Date{2006, 5, 3});
    test::PutChild("13", "654321", "佐藤一朗", Date{2006, 5, 3});
    test::ClaimData c;
    c.code = "13";
    c.recipient = "654321";
    test::PutClaim(c);
    ExportResult r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::Inconsistent);
    EXPECT_EQ(r.message.prompt,
              "同じ受給者が２件以上登録されているため、ＣＳＶファイルを出力できません。\r市町村番号 = 13　受給者番号 = 654321");
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_EQ(storedPath(), "");

    DB().Execute("DELETE FROM T_基本 WHERE name = '佐藤一朗'");
    r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written);
    auto records = ParseSubmissionFile(r.written);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0][4], "2");
}

TEST_F(ExportTest, StaleTemporaryFilesOfAnExportKilledHardAreRemoved) {
    test::PutSettings({});
    PutExampleRow();
    const pid_t gone = fork();  // a process id that is surely not running
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string dead = std::to_string(gone), alive = std::to_string(getppid());
    const std::vector<std::string> stale = {"." + std::string(kName) + "." + dead + ".0.tmp",
                                            ".1234567-1-1-2001.CSV." + dead + ".3.tmp"};
    const std::vector<std::string> kept = {"." + std::string(kName) + "." + alive + ".0.tmp",  // being written
                                           ".notes." + dead + ".0.tmp", "a.CSV." + dead + ".0.tmp", "notes.txt"};
    for (const auto& n : stale) test::WriteFile(out / n, "partial");
    for (const auto& n : kept) test::WriteFile(out / n, "keep");
    ASSERT_EQ(RunExport(out.path()).status, ExportStatus::Written);
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(out.path())) left.insert(e.path().filename().string());
    std::set<std::string> expected(kept.begin(), kept.end());
    expected.insert(kName);
    EXPECT_EQ(left, expected);
}

TEST_F(ExportTest, AFailedWriteLeavesNoFileAndTheEarlierOneUntouched) {
    test::PutSettings({});
    PutExampleRow();
    test::WriteFile(out / kName, "earlier file");

    InjectWriteFailure(ENOSPC);
    ExportResult r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::WriteFailed);
    EXPECT_EQ(r.message.prompt,
              out.path().string() + "\r\nの容量が不足しています。\r\n不要なものを削除してください。");
    EXPECT_EQ(r.message.style, mbExclamation);
    EXPECT_EQ(r.message.title, "ﾒｯｾｰｼﾞ");
    EXPECT_EQ(written(), "earlier file");
    EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(storedPath(), "");

    // Any other failure shows the standard error message.
    InjectWriteFailure(EIO);
    r = RunExport(out.path());
    EXPECT_EQ(r.status, ExportStatus::WriteFailed);
    EXPECT_EQ(r.message.title, "エラー");
    EXPECT_EQ(r.message.prompt.rfind("予期せぬエラーです。\r\nエラーコード： 57\r\n", 0), 0u) << r.message.prompt;
    EXPECT_EQ(written(), "earlier file");

    // A folder that does not exist.
    r = RunExport(out / "missing");
    EXPECT_EQ(r.status, ExportStatus::WriteFailed);
    EXPECT_FALSE(fs::exists(out / "missing"));

    // The next export replaces the earlier file without asking.
    r = RunExport(out.path());
    ASSERT_EQ(r.status, ExportStatus::Written);
    EXPECT_EQ(written().substr(0, 6), "1,4200");
}

TEST_F(ExportTest, AFolderWithASingleQuoteIsStored) {
    test::PutSettings({});
    PutExampleRow();
    fs::path folder = out / "O'Brien's files";
    fs::create_directory(folder);
    ExportResult r = RunExport(folder);
    ASSERT_EQ(r.status, ExportStatus::Written) << r.message.prompt;
    EXPECT_TRUE(fs::exists(folder / kName));
    EXPECT_EQ(storedPath(), folder.string());
}

TEST_F(ExportTest, ADatabaseFailureAfterWritingKeepsTheFile) {
    test::PutSettings({});
    PutExampleRow();
    gDB->InjectWriteFailure(0);
    ExportResult r = RunExport(out.path());
    gDB->InjectWriteFailure(-1);
    EXPECT_EQ(r.status, ExportStatus::PathNotStored);
    EXPECT_TRUE(r.wroteFile());
    EXPECT_EQ(r.message.title, "エラー");
    EXPECT_TRUE(fs::exists(out / kName));
    EXPECT_EQ(storedPath(), "");
}
