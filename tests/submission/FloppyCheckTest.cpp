// The floppy data check and its check list, from hand-worked files.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "common/Messages.h"
#include "common/Sjis.h"
#include "submission/Export.h"
#include "submission/FloppyCheck.h"
#include "SubmissionData.h"

using namespace hotaru;
using namespace hotaru::submission;
namespace fs = std::filesystem;

namespace {

// 4611234560 carries the right check digit (4611234567 does not).
const char* kName = "4611234560-1-2002.CSV";

std::vector<std::string> DetailFields() {
    return {"2", "4611234560", "10", "42002", "12", "1", "000123456", "\"山田太郎\"", "4180503", "1",
            "12345678", "2", "3", "", "1234", "3700", "42002", "", ""};
}

std::string Join(const std::vector<std::string>& f) {
    std::string s;
    for (std::size_t i = 0; i < f.size(); ++i) s += (i ? "," : "") + f[i];
    return s;
}

// A detail line with some fields (numbered as in the record) replaced.
std::string Detail(std::initializer_list<std::pair<int, std::string>> changes = {}) {
    auto f = DetailFields();
    for (const auto& [n, v] : changes) f[static_cast<std::size_t>(n - 1)] = v;
    return Join(f);
}

std::string Header(long count, std::initializer_list<std::pair<int, std::string>> changes = {}) {
    std::vector<std::string> f = {"1", "42002", "4611234560", "1", std::to_string(count), "\"蛍クリニック\""};
    for (const auto& [n, v] : changes) f[static_cast<std::size_t>(n - 1)] = v;
    return Join(f);
}

class FloppyCheckTest : public ::testing::Test {
protected:
    test::ProgramFolder program;
    test::TempDir drive;
    test::TempDir lists;
    std::vector<fs::path> opened;

    void SetUp() override {
        test::SettingsData s;
        s.no = "1234560";
        test::PutSettings(s);
    }

    FloppyCheckResult check(const std::string& bytes, const std::string& name = kName) {
        fs::remove(listPath(name));  // a clean run would leave the last list behind
        test::WriteFile(drive / name, bytes);
        return run();
    }
    FloppyCheckResult run() {
        FloppyCheckOptions o;
        o.drive = drive.path();
        o.listFolder = lists.path();
        o.openList = [this](const fs::path& p) { opened.push_back(p); };
        program.messages().clear();
        return RunFloppyCheck(o);
    }
    fs::path listPath(const std::string& name = kName) { return lists / (name + "_Error.txt"); }
    std::vector<std::string> listLines(const std::string& name = kName) {
        std::string text = FromSjis(test::ReadFile(listPath(name)));
        std::vector<std::string> lines;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t e = text.find("\r\n", pos);
            lines.push_back(text.substr(pos, e - pos));
            pos = e + 2;
        }
        return lines;
    }
    // Each finding as "label:message" (the message without its filling).
    std::vector<std::string> findings(const std::string& name = kName) {
        std::vector<std::string> out;
        auto lines = listLines(name);
        for (std::size_t i = 3; i < lines.size(); ++i) {
            std::string l = lines[i].substr(lines[i].find('/') + 1);
            std::string msg = l.substr(l.find('/') + 1);
            msg = msg.substr(0, msg.find('/'));
            while (msg.ends_with(' ') || msg.ends_with("　")) msg.resize(msg.size() - (msg.ends_with(' ') ? 1 : 3));
            out.push_back((l.starts_with("エラー") ? "E:" : "W:") + msg);
        }
        return out;
    }
    std::vector<std::string> findingsOf(const std::string& header, const std::string& line) {
        check(test::SjisLines({header, line}));
        return fs::exists(listPath()) ? findings() : std::vector<std::string>{};
    }
    std::vector<std::string> detailFindings(const std::string& line) { return findingsOf(Header(1), line); }
    std::vector<std::string> headerFindings(const std::string& header) { return findingsOf(header, Detail()); }
    using F = std::vector<std::string>;
};

}  // namespace

TEST(CheckList, HeadingAndCheckDigit) {
    EXPECT_EQ(CheckListHeading(),
              "ファイル名            /種類  /内容　　　　　　　　      　  　　　　　/    送付  　機関番号     科  診療年月 市町村   受給者番号   氏名                 生年月日 保区 保険番号   入外 負担 日数    点数       自己負担額  実診療  公１ 公２ 返戻  備考");
    EXPECT_EQ(CheckDigitOf("1234567"), "4");
    EXPECT_EQ(CheckDigitOf("461123456"), "0");
}

TEST(SubmissionLines, ReadInBlocksAsFromMemory) {
    // Line ends (CR LF, CR, LF) on each side of the 256 KiB reading block,
    // a CR LF split by it, lines longer than a block, no end after the last.
    const std::size_t block = 256 * 1024;
    test::TempDir dir;
    auto lines = [](auto&& each) {
        std::vector<std::string> out;
        each([&](std::string_view l) { out.emplace_back(l); });
        return out;
    };
    for (std::size_t at : {block - 2, block - 1, block, block + 1})
        for (const char* end : {"\r\n", "\r", "\n", "\r\n\r\n"})
            for (const char* tail : {"", "x", "x\r\n", "\n"}) {
                const std::string bytes = std::string(at, 'a') + end + std::string(2 * block, 'b') + "\r\nc" + tail;
                test::WriteFile(dir / "f", bytes);
                EXPECT_EQ(lines([&](auto fn) { ForEachFileLine(dir / "f", fn); }),
                          lines([&](auto fn) { ForEachSubmissionLine(bytes, fn); }))
                    << at << " " << end << " " << tail;
            }
    EXPECT_EQ(lines([&](auto fn) { ForEachSubmissionLine("a\r\n\rb\n\nc", fn); }),
              (std::vector<std::string>{"a", "", "b", "", "c"}));
}

TEST_F(FloppyCheckTest, NoFileNoSettingsStopEarly) {
    FloppyCheckResult r = run();
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Stopped);
    ASSERT_EQ(program.messages().shown.size(), 2u);
    EXPECT_EQ(test::Msg(program.messages().shown[1]),
              test::Msg("エラー", mbExclamation,
                        "ＣＳＶファイルが登録されていないか、名称が正しくありません。\r当月のＣＳＶファイル名 = [ "
                        "4611234560-1-2002.CSV ]"));

    // A file of another name (lower-case extension) is not the month's file.
    r = check(test::SjisLines({Header(1), Detail()}), "4611234560-1-2002.csv");
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Stopped);

    DB().Execute("DELETE FROM T_設定");
    r = check(test::SjisLines({Header(1), Detail()}));
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Stopped);
    EXPECT_FALSE(fs::exists(listPath()));
}

TEST_F(FloppyCheckTest, EveryHeaderCheck) {
    EXPECT_EQ(headerFindings(Header(1, {{1, "x"}})), F{"E:レコード区分が数値ではない"});
    EXPECT_EQ(headerFindings(Header(1, {{1, "2"}})), F{"E:レコード区分の文字数不正"});
    EXPECT_EQ(headerFindings(Header(1, {{1, "01"}})), F{"E:レコード区分の文字数不正"});
    EXPECT_EQ(headerFindings(Header(1, {{2, "4200a"}})), F{"E:診療年月が数値ではない"});
    EXPECT_EQ(headerFindings(Header(1, {{2, "2002"}})), F{"E:診療年月の文字数不正"});
    EXPECT_EQ(headerFindings(Header(1, {{2, "42013"}})), F{"E:診療年月の年月不正"});
    EXPECT_EQ(headerFindings(Header(1, {{2, "92002"}})), F{"E:診療年月の年月不正"});  // unknown era
    EXPECT_EQ(headerFindings(Header(1, {{2, "42004"}})), F{"E:診療年月が未来年月"});
    // A warning that ends the record: the bad business number is not reached.
    EXPECT_EQ(headerFindings(Header(1, {{2, "41902"}, {4, "x"}})), F{"W:診療年月が１９年２月以前"});
    // A warning that goes on.
    EXPECT_EQ(headerFindings(Header(1, {{2, "42001"}, {4, "x"}})),
              (F{"W:診療年月が当月でない", "E:事業番号が数値ではない"}));
    EXPECT_EQ(headerFindings(Header(1, {{3, "461123456"}})), F{"E:医療機関番号の文字数不正"});
    EXPECT_EQ(headerFindings(Header(1, {{3, "4611234567"}})), F{"W:★★★医療機関番号の番号不正"});
    EXPECT_EQ(headerFindings(Header(1, {{1, "3"}, {3, "abcdefg-x"}})), F{"E:施術機関番号が数値ではない"});
    EXPECT_EQ(headerFindings(Header(1, {{1, "3"}, {3, "abcdefg-1"}})), F{});  // last character numeric
    EXPECT_EQ(headerFindings(Header(1, {{1, "3"}, {3, "1234567-12"}})), F{"E:施術機関番号の文字数不正"});
    EXPECT_EQ(headerFindings(Header(1, {{4, "a"}})), F{"E:事業番号が数値ではない"});
    EXPECT_EQ(headerFindings(Header(1, {{4, "2"}})), F{"E:事業番号の文字数不正"});
    EXPECT_EQ(headerFindings(Header(1, {{4, "01"}})), F{"E:事業番号の文字数不正"});
    // Field 6 is not examined.
    EXPECT_EQ(headerFindings(Header(1, {{6, ""}})), F{});
}

TEST_F(FloppyCheckTest, DetailChecksAcrossClasses) {
    // One record collecting several findings: W-go, E-go, then a warning
    // labelled as an error because the record already has one, and an N-stop.
    EXPECT_EQ(detailFindings(Detail({{2, "4611234567"},
                                     {4, "42004"},
                                     {8, "\"あいうえおかきくけこさしすせそた\""},
                                     {16, "3331"},
                                     {13, "3"},
                                     {17, "42002"}})),
              (F{"W:★★★医療機関番号の番号不正", "E:診療年月が未来年月", "E:診療年月が当月でない",
                 "E:氏名の文字数不正（１５桁以上）", "E:自己負担支払額確認"}));
    // An E-stop ends the record: the bad ratio is never reached.
    EXPECT_EQ(detailFindings(Detail({{5, "ab"}, {13, "9"}})), F{"E:市町村番号が数値ではない"});
    // A W-go goes on to the ratio.
    EXPECT_EQ(detailFindings(Detail({{4, "42001"}, {17, "42001"}, {13, "9"}})),
              (F{"W:診療年月が当月でない", "E:割合値不正"}));
    // W-stop: birth date.
    EXPECT_EQ(detailFindings(Detail({{9, "4181305"}, {13, "9"}})), F{"W:生年月日の年月不正"});
    EXPECT_EQ(detailFindings(Detail({{9, "9180503"}})), F{"W:生年月日の年月不正"});
    EXPECT_EQ(detailFindings(Detail({{9, "+418050"}})), F{"W:生年月日の年月不正"});  // era not a digit
    EXPECT_EQ(detailFindings(Detail({{9, "4200315"}})), F{"W:生年月日が未来年月"});
    EXPECT_EQ(detailFindings(Detail({{9, "4200201"}})), F{});  // same month is not later
    EXPECT_EQ(detailFindings(Detail({{13, "03"}})), F{"W:割合の文字数不正"});
}

TEST_F(FloppyCheckTest, EveryDetailFieldRule) {
    EXPECT_EQ(detailFindings(Detail({{1, "a"}})), F{"E:レコード区分が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{1, "3"}})), F{"E:レコード区分の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{2, "461123456x"}})), F{"E:医療機関番号が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{2, "461123456"}})), F{"E:医療機関番号の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{3, "100"}})), F{"E:診療科コードの文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{4, "4200x"}})), F{"E:診療年月が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{4, "420021"}})), F{"E:診療年月の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{4, "42000"}})), F{"E:診療年月の年月不正"});
    EXPECT_EQ(detailFindings(Detail({{4, "41902"}, {17, "41902"}})),
              (F{"W:診療年月が19年2月以前", "W:診療年月が当月でない"}));
    EXPECT_EQ(detailFindings(Detail({{5, "123"}})), F{"E:市町村番号の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{6, "x"}})), F{"E:事業番号が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{6, "2"}})), F{"E:事業番号の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{7, "0001234567"}})), F{"E:受給者番号の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{9, "418053"}})), F{"E:生年月日の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{9, ""}})), F{"E:生年月日が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{10, "a"}})), F{"E:保険区分が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{10, "12"}})), F{"E:保険区分の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{11, "1234567a"}})), F{"E:保険者番号が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{11, "123456789"}})), F{"E:保険者番号の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{12, ""}})), F{"E:入外区分が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{12, "12"}})), F{"E:入外区分の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{13, "x"}})), F{"E:割合が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{14, "100"}})), F{"E:実日数の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{15, "12a"}})), F{"E:合計点数が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{15, "12345678901"}})), F{"E:合計点数の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{15, "0"}})), F{"E:合計点数なし"});
    EXPECT_EQ(detailFindings(Detail({{16, ""}})), F{"E:自己負担支払額が数値ではない"});
    EXPECT_EQ(detailFindings(Detail({{16, "12345678901"}})), F{"E:自己負担支払額の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{16, "0.5"}})), F{"E:自己負担支払額なし"});
    EXPECT_EQ(detailFindings(Detail({{17, "4200"}})), F{"E:実診療年月の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{17, "42003"}})), F{"E:実診療年月が未来年月"});
    EXPECT_EQ(detailFindings(Detail({{17, "41901"}})), F{"E:実診療年月が１９年２月以前"});
    EXPECT_EQ(detailFindings(Detail({{17, "41902"}})), F{});
    EXPECT_EQ(detailFindings(Detail({{17, "92002"}})), F{"E:実診療年月が１９年２月以前"});  // unknown era
    EXPECT_EQ(detailFindings(Detail({{18, "123"}})), F{"E:公費番号１の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{19, "123"}})), F{"E:公費番号２の文字数不正"});
    EXPECT_EQ(detailFindings(Detail({{18, "12"}, {19, "12"}, {14, "31"}})), F{});
}

TEST_F(FloppyCheckTest, KindFourRecords) {
    auto kind4 = [](std::initializer_list<std::pair<int, std::string>> more) {
        auto f = DetailFields();
        f[0] = "4";
        f[1] = "1234567-1";
        f[2] = "";
        for (const auto& [n, v] : more) f[static_cast<std::size_t>(n - 1)] = v;
        return Join(f);
    };
    auto run4 = [&](const std::string& line) { return findingsOf(Header(1, {{1, "3"}, {3, "1234567-1"}}), line); };
    EXPECT_EQ(run4(kind4({{15, "5000"}, {13, "2"}, {16, "2000"}})), F{});
    EXPECT_EQ(run4(kind4({{15, "5000"}, {13, "2"}, {16, "1"}})), F{});
    EXPECT_EQ(run4(kind4({{15, "5000"}, {13, "2"}, {16, "2001"}})), F{"W:自己負担支払額確認"});
    EXPECT_EQ(run4(kind4({{15, "5000"}, {13, "2"}, {16, "0"}})), F{"E:自己負担支払額なし"});
    EXPECT_EQ(run4(kind4({{3, "10"}})), F{"E:診療科コードの文字数不正"});
    EXPECT_EQ(run4(kind4({{2, "abcdefg-x"}})), F{"E:施術機関番号が数値ではない"});
    EXPECT_EQ(run4(kind4({{2, "1234567-12"}})), F{"E:施術機関番号の文字数不正"});
    EXPECT_EQ(run4(kind4({{15, "x"}})), F{"E:請求金が数値ではない"});
    EXPECT_EQ(run4(kind4({{15, "12345678901"}})), F{"E:請求金の文字数不正"});
    // Amounts beyond 32 bits never overflow the range check.
    EXPECT_EQ(run4(kind4({{15, "9999999999"}, {13, "3"}, {16, "5999999999"}})), F{});
    EXPECT_EQ(run4(kind4({{15, "9999999999"}, {13, "3"}, {16, "6000000000"}})), F{"W:自己負担支払額確認"});
}

TEST_F(FloppyCheckTest, CoPaymentEdges) {
    // Ratio 3, 1234 points: 3702 ± 370.2, rounded: 3332 to 4072.
    EXPECT_EQ(detailFindings(Detail({{16, "3332"}})), F{});
    EXPECT_EQ(detailFindings(Detail({{16, "4072"}})), F{});
    EXPECT_EQ(detailFindings(Detail({{16, "3331"}})), F{"W:自己負担支払額確認"});
    EXPECT_EQ(detailFindings(Detail({{16, "4073"}})), F{"W:自己負担支払額確認"});
    // Halves round to even: ratio 1, 5 points: 5 ± 0.5 -> 4 (4.5) to 6 (5.5).
    EXPECT_EQ(detailFindings(Detail({{15, "5"}, {13, "1"}, {16, "4"}})), F{});
    EXPECT_EQ(detailFindings(Detail({{15, "5"}, {13, "1"}, {16, "3"}})), F{"W:自己負担支払額確認"});
    EXPECT_EQ(detailFindings(Detail({{15, "5"}, {13, "1"}, {16, "6"}})), F{});
    EXPECT_EQ(detailFindings(Detail({{15, "5"}, {13, "1"}, {16, "7"}})), F{"W:自己負担支払額確認"});
    // The check's label follows the record: without an earlier error it is a warning.
    detailFindings(Detail({{16, "4073"}}));
    EXPECT_NE(listLines()[3].find("/ﾜｰﾆﾝｸﾞ/自己負担支払額確認"), std::string::npos);
}

TEST_F(FloppyCheckTest, FieldCountsCommasAndEmptyLines) {
    auto fields18 = DetailFields();
    fields18.pop_back();
    auto fields20 = DetailFields();
    fields20.push_back("x");
    check(test::SjisLines({Header(5), Join(fields18), Join(fields20),
                           Detail({{8, "\"山田,太郎\""}}), "", Detail()}));
    EXPECT_EQ(findings(), (F{"E:明細の項目数が不足です", "E:明細の項目数が多いです", "E:明細の項目数が多いです",
                             "E:明細の項目数が不足です"}));
    auto lines = listLines();
    // The body is the line as read, quotes included, after the message left in 31.
    EXPECT_EQ(lines[5], "4611234560-1-2002.CSV /エラー/明細の項目数が多いです　　" + std::string(18, ' ') + "/" +
                            Detail({{8, "\"山田,太郎\""}}));
    EXPECT_EQ(lines[6], "4611234560-1-2002.CSV /エラー/明細の項目数が不足です　　" + std::string(18, ' ') + "/");

    check(test::SjisLines({"1,42002,4611234560,1,1", Detail()}));
    EXPECT_EQ(findings(), F{"E:ヘッダーの項目数が不足です"});
    EXPECT_EQ(check("").outcome, FloppyCheckOutcome::Findings);  // an empty file
    EXPECT_EQ(findings(), F{"E:ヘッダーの項目数が不足です"});
    check(test::SjisLines({Header(1) + ",x", Detail()}));
    EXPECT_EQ(findings(), F{"E:ヘッダーの項目数が多いです"});
}

TEST_F(FloppyCheckTest, TreatmentMonthEmptyOrZerosIsTheDataMonth) {
    for (const char* f17 : {"", "00000", "0"}) {
        EXPECT_EQ(detailFindings(Detail({{17, f17}})), F{}) << f17;
        // A finding after the replacement shows field 17 in its changed form.
        EXPECT_EQ(detailFindings(Detail({{17, f17}, {18, "123"}})), F{"E:公費番号１の文字数不正"}) << f17;
        EXPECT_NE(listLines()[3].find("|  42002| 123|    |    | "), std::string::npos) << listLines()[3];
    }
    // A finding before it shows the field as read.
    EXPECT_EQ(detailFindings(Detail({{2, "4611234567"}, {17, ""}})), F{"W:★★★医療機関番号の番号不正"});
    EXPECT_NE(listLines()[3].find("|        3700|       |"), std::string::npos) << listLines()[3];
}

TEST_F(FloppyCheckTest, SixteenCharacterNameIsCutInTheList) {
    check(test::SjisLines({Header(1), Detail({{8, "\"あいうえおかきくけこさしすせそた\""}, {16, "4073"}})}));
    EXPECT_EQ(findings(), (F{"W:氏名の文字数不正（１５桁以上）", "W:自己負担支払額確認"}));
    auto lines = listLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_NE(lines[3].find("|   000123456|あいうえおかきくけこ|  4180503|"), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find("|   000123456|あいうえおかきくけこ|  4180503|"), std::string::npos) << lines[4];
    // A short name is filled with full-width spaces to ten characters.
    check(test::SjisLines({Header(1), Detail({{8, "\"山田\""}, {16, "4073"}})}));
    EXPECT_NE(listLines()[3].find("|山田　　　　　　　　|"), std::string::npos);
}

TEST_F(FloppyCheckTest, AmountsAreListedAsWholeNumbersButCheckedAsRead) {
    // A warning first, then a non-numeric total: still "not numeric" (the
    // list's whole-number form does not reach the checks).
    check(test::SjisLines({Header(1), Detail({{2, "4611234567"}, {15, "12a"}, {16, "37.9x"}})}));
    EXPECT_EQ(findings(), (F{"W:★★★医療機関番号の番号不正", "E:合計点数が数値ではない"}));
    auto lines = listLines();
    EXPECT_NE(lines[3].find("|           0|          37|"), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find("|           0|          37|"), std::string::npos) << lines[4];

    check(test::SjisLines({Header(1), Detail({{2, "4611234567"}, {15, "1234.7"}, {16, ""}})}));
    lines = listLines();
    EXPECT_NE(lines[3].find("|        1234|           0|"), std::string::npos) << lines[3];

    // Wider than any machine number: the digits as read.
    check(test::SjisLines({Header(1), Detail({{15, "99999999999999999999"}, {16, "1234567890123456789.5"}})}));
    EXPECT_NE(listLines()[3].find("| 99999999999999999999| 1234567890123456789|"), std::string::npos) << listLines()[3];
}

TEST_F(FloppyCheckTest, ExactListAgainstAHandWorkedFile) {
    test::WriteFile(listPath(), "an older list");
    test::WriteFile(drive / kName, test::SjisLines({Header(3), Detail({{4, "42001"}, {17, "42001"}}),
                                                    Detail({{5, "ab"}}), ""}));
    FloppyCheckResult r = run();
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Findings);
    EXPECT_EQ(r.findings, 3);
    const std::string expected =
        "乳幼児医療　ＦＤデータ確認リスト\r\n"
        "　\r\n"
        "ファイル名            /種類  /内容　　　　　　　　      　  　　　　　/    送付  　機関番号     科  診療年月 市町村   受給者番号   氏名                 生年月日 保区 保険番号   入外 負担 日数    点数       自己負担額  実診療  公１ 公２ 返戻  備考\r\n"
        "4611234560-1-2002.CSV /ﾜｰﾆﾝｸﾞ/診療年月が当月でない　　　　　　　　　　/  2|       |  4611234560|  10|  42001|  12|  1|   000123456|山田太郎　　　　　　|  4180503|  1|  12345678|   2|   3|    |        1234|        3700|  42001|    |    |    | \r\n"
        "4611234560-1-2002.CSV /エラー/市町村番号が数値ではない　　　　　　　　/  2|       |  4611234560|  10|  42002|  ab|  1|   000123456|山田太郎　　　　　　|  4180503|  1|  12345678|   2|   3|    |        1234|        3700|  42002|    |    |    | \r\n"
        "4611234560-1-2002.CSV /エラー/明細の項目数が不足です　　                  /\r\n";
    EXPECT_EQ(test::ReadFile(listPath()), ToSjis(expected));
    ASSERT_EQ(program.messages().shown.size(), 2u);
    EXPECT_EQ(test::Msg(program.messages().shown[1]),
              test::Msg("エラー", mbExclamation, "ＦＤデータにエラーがあります。\r内容を確認して下さい。"));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], listPath());

    // A clean run leaves the list of the earlier run alone.
    test::WriteFile(drive / kName, test::SjisLines({Header(1), Detail()}));
    EXPECT_EQ(run().outcome, FloppyCheckOutcome::Clean);
    EXPECT_EQ(test::ReadFile(listPath()), ToSjis(expected));
}

TEST_F(FloppyCheckTest, HeaderLayoutFollowsFieldOne) {
    // A first line whose field 1 is 2 is listed in the detail layout; a
    // detail line whose field 1 is 3 in the header layout.
    check(test::SjisLines({Header(1, {{1, "2"}}), Detail({{1, "3"}})}));
    auto lines = listLines();
    ASSERT_EQ(lines.size(), 5u);
    // The message is filled with eight full-width spaces to twenty characters.
    const std::string fill = "　　　　　　　　";
    EXPECT_EQ(lines[3], "4611234560-1-2002.CSV /エラー/レコード区分の文字数不正" + fill +
                            "/  2|       |       42002| 4611234560|      1|   1| 蛍クリニック|            |"
                            "　　　　　　　　　　|         |   |          |    |    |    |           0|           0|"
                            "       |    |    |    | ");
    EXPECT_EQ(lines[4], "4611234560-1-2002.CSV /エラー/レコード区分の文字数不正" + fill +
                            "/  3|       |  4611234560|          10| 42002|  12            |1");
}

TEST_F(FloppyCheckTest, HeaderCountIsComparedWithTheLines) {
    // Header field 5 against two detail lines: a count that differs or is no
    // whole number is a finding (shown as read), and the run goes on.
    for (const auto& [count, shown] : std::vector<std::pair<std::string, std::string>>{
             {"3", "  3"}, {"2.5", "2.5"}, {"abc", "abc"}, {"５", "  ５"}, {"", "   "},
             {"99999999999999999999", "99999999999999999999"}}) {
        FloppyCheckResult r = check(test::SjisLines({Header(0, {{5, count}}), Detail(), Detail({{5, "x"}})}));
        EXPECT_EQ(r.outcome, FloppyCheckOutcome::Findings) << count;
        ASSERT_EQ(listLines().size(), 5u) << count;
        EXPECT_EQ(listLines()[4], "4611234560-1-2002.CSV /ﾜｰﾆﾝｸﾞ/ﾍｯﾀﾞｰ件数" + std::string(10, ' ') + shown +
                                         "件と明細件数  2件の不一致 /ヘッダー件数確認")
            << count;
    }
    EXPECT_EQ(check(test::SjisLines({Header(0, {{5, "2"}}), Detail(), Detail()})).outcome, FloppyCheckOutcome::Clean);
}

TEST_F(FloppyCheckTest, LongGarbageLinesAreListedWhole) {
    // A megabyte of rubbish on one line: a byte that starts no character
    // (with a space after it), a two-byte character, a byte that is never
    // Shift_JIS; then a megabyte of half-width ｱ without a comma.  Each is
    // listed whole, and the lines after them are still checked.
    std::string garbage, shown;
    for (int i = 0; i < 200000; ++i) {
        garbage += "\x85\x20" + ToSjis("山") + "\xFF";
        shown += "? 山?";
    }
    const std::string kana(1 << 20, '\xB1');
    std::string longKana;
    for (int i = 0; i < (1 << 20); ++i) longKana += "ｱ";
    check(ToSjis(Header(3)) + "\r\n" + garbage + "\r\n" + kana + "\r\n" + ToSjis(Detail({{5, "x"}})) + "\r\n");
    EXPECT_EQ(findings(), (F{"E:文字コードが正しくありません", "E:明細の項目数が不足です", "E:市町村番号が数値ではない"}));
    auto lines = listLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_TRUE(lines[3] == "4611234560-1-2002.CSV /エラー/文字コードが正しくありません" + std::string(17, ' ') + "/" + shown);
    EXPECT_TRUE(lines[4] == "4611234560-1-2002.CSV /エラー/明細の項目数が不足です　　" + std::string(18, ' ') + "/" + longKana);
}

TEST_F(FloppyCheckTest, ListWriteFailuresAreReportedOnce) {
    // The disk is full for the first block of lines; later blocks are written.
    std::string file = ToSjis(Header(3000)) + "\r\n";
    for (int i = 0; i < 3000; ++i) file += ToSjis(Detail({{5, "x"}})) + "\r\n";
    InjectWriteFailure(ENOSPC);
    FloppyCheckResult r = check(file);
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Findings);
    EXPECT_EQ(r.findings, 3000);
    EXPECT_TRUE(r.listIncomplete);
    auto lines = listLines();
    ASSERT_GT(lines.size(), 3u);
    EXPECT_EQ(lines[0], kCheckListTitle);  // the list that was written starts properly
    EXPECT_EQ(lines[2], CheckListHeading());
    EXPECT_LT(lines.size() - 3, 3000u);
    EXPECT_GT(lines.size() - 3, 2000u);
    const auto closing = [](const ScriptedMessages::Shown& m) { return m.title + ":" + m.prompt; };
    auto& shown = program.messages().shown;
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(closing(shown[1]), "エラー:予期せぬエラーです。\r\nエラーコード： 61\r\nチェックリスト '" +
                                     listPath().string() + "'：ディスクの空き容量が不足しています。リストは不完全です。");
    EXPECT_EQ(closing(shown[2]), "エラー:ＦＤデータにエラーがあります。\r内容を確認して下さい。");
    EXPECT_EQ(opened.size(), 1u);

    // A list folder that cannot be written at all: the same, never "エラーなし".
    check(test::SjisLines({Header(2), Detail({{5, "x"}}), Detail({{6, "x"}})}));
    FloppyCheckOptions o;
    o.drive = drive.path();
    o.listFolder = lists / "missing";
    program.messages().clear();
    opened.clear();
    r = RunFloppyCheck(o);
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Findings);
    EXPECT_TRUE(r.listIncomplete);
    EXPECT_FALSE(r.listWritten);
    EXPECT_EQ(r.findings, 2);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(closing(shown[1]), "エラー:予期せぬエラーです。\r\nエラーコード： 53\r\nチェックリスト '" +
                                     (lists / "missing" / (std::string(kName) + "_Error.txt")).string() +
                                     "'：ファイルが見つかりません。リストは不完全です。");
    EXPECT_EQ(closing(shown[2]), "エラー:ＦＤデータにエラーがあります。\r内容を確認して下さい。");
    EXPECT_TRUE(opened.empty());
}

TEST_F(FloppyCheckTest, ABlockCutShortByAFullDiskLeavesNoTornLine) {
    // Lines go to the list in blocks; the disk fills half-way through the
    // second block.  The lines after it must not continue a torn line.
    FloppyCheck run(kName, Date{2008, 3, 1}, EraTable::Load(), lists.path());
    std::string line = ToSjis(Header(1));
    run.checkLine(line, true);
    line = ToSjis(Detail({{5, "x"}}));
    const auto listed = [&] { return fs::exists(listPath()) ? fs::file_size(listPath()) : 0; };
    while (listed() == 0) run.checkLine(line, false);
    InjectWriteFailure(ENOSPC);
    while (!run.listFailed) run.checkLine(line, false);
    for (int i = 0; i < 10; ++i) run.checkLine(line, false);
    run.finish();
    run.finishList();

    const std::string bytes = test::ReadFile(listPath());
    ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    auto lines = listLines();
    ASSERT_GT(lines.size(), 13u);
    EXPECT_EQ(lines[2], CheckListHeading());
    const std::string expected = "4611234560-1-2002.CSV /エラー/市町村番号が数値ではない　　　　　　　　/  2|"
                                 "       |  4611234560|  10|  42002|   x|  1|   000123456|山田太郎　　　　　　|"
                                 "  4180503|  1|  12345678|   2|   3|    |        1234|        3700|  42002|    |    |    | ";
    for (std::size_t i = 3; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i], expected) << "line " << i + 1;
    // The header count (1) against the lines read comes last.
    EXPECT_NE(lines.back().find("件の不一致 /ヘッダー件数確認"), std::string::npos);
    EXPECT_LT(static_cast<long>(lines.size()) - 3, run.findings);
}

TEST_F(FloppyCheckTest, AFileTestThatFailsIsAnErrorNotAMissingFile) {
    // A drive that cannot be read is not reported as a wrongly named file.
    fs::create_symlink(drive / kName, drive / kName);  // stat fails (ELOOP)
    FloppyCheckResult r = run();
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Stopped);
    ASSERT_EQ(program.messages().shown.size(), 2u);
    EXPECT_EQ(program.messages().shown[1].title, "エラー");
    EXPECT_EQ(program.messages().shown[1].prompt.rfind("予期せぬエラーです。\r\n", 0), 0u)
        << program.messages().shown[1].prompt;
}

TEST_F(FloppyCheckTest, ReiwaFile) {
    test::SettingsData s;
    s.no = "1234560";
    s.request = Date{2019, 6, 1};
    test::PutSettings(s);
    const std::string name = "4611234560-1-0105.CSV";
    auto reiwa = [](std::initializer_list<std::pair<int, std::string>> more) {
        auto f = DetailFields();
        f[3] = "50105";
        f[8] = "4310430";
        f[16] = "43104";  // treated in 平成31年4月: before the data month
        for (const auto& [n, v] : more) f[static_cast<std::size_t>(n - 1)] = v;
        return Join(f);
    };
    FloppyCheckResult r = check(test::SjisLines({Header(2, {{2, "50105"}}), reiwa({}), reiwa({{17, "50105"}})}), name);
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Clean);

    r = check(test::SjisLines({Header(4, {{2, "43104"}}), reiwa({{4, "43104"}}), reiwa({{4, "50107"}}),
                               reiwa({{17, "50106"}}), reiwa({{9, "5010601"}})}),
              name);
    EXPECT_EQ(findings(name), (F{"W:診療年月が当月でない", "W:診療年月が当月でない", "E:診療年月が未来年月",
                                 "E:診療年月が当月でない", "E:実診療年月が未来年月", "W:生年月日が未来年月"}));
}
