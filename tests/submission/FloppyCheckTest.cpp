// The floppy data check and its check list, from hand-worked files.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <regex>
#include <tuple>
#include <vector>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Sjis.h"
#include "submission/Export.h"
#include "submission/FloppyCheck.h"
#include "SubmissionData.h"
#include "support/TableDump.h"

using namespace hotaru;
using namespace hotaru::submission;
namespace fs = std::filesystem;

using test::Changes;
using test::Detail;
using test::Header;

namespace {

// 4611234560 carries the right check digit (4611234567 does not).
const char* kName = "4611234560-1-2002.CSV";
using F = std::vector<std::string>;

class FloppyCheckTest : public ::testing::Test {
protected:
    test::ProgramFolder program;
    test::TempDir drive;
    test::TempDir lists;
    std::vector<fs::path> opened;

    void SetUp() override { test::PutSettings({.no = "1234560", .request = Date{2008, 3, 1}}); }
    FloppyCheckResult check(const std::string& bytes, const std::string& name = kName) {
        fs::remove(listPath(name));  // a clean run would leave the last list behind
        test::WriteFile(drive / name, bytes);
        return run();
    }
    FloppyCheckResult run(const fs::path& listFolder = {}) {
        program.messages().clear();
        opened.clear();
        return RunFloppyCheck({.drive = drive.path(),
                               .listFolder = listFolder.empty() ? lists.path() : listFolder,
                               .openList = [this](const fs::path& p) { opened.push_back(p); }});
    }
    // The messages after the opening one, each as title|style|prompt.
    std::string said() {
        std::string s;
        const auto& shown = program.messages().shown;
        for (std::size_t i = 1; i < shown.size(); ++i) s += test::Msg(shown[i]) + "\n";
        return s;
    }
    fs::path listPath(const std::string& name = kName) { return lists / (name + "_Error.txt"); }
    std::vector<std::string> listLines(const std::string& name = kName) {
        auto lines = MessageLines(FromSjis(test::ReadFile(listPath(name))));
        if (lines.back().empty()) lines.pop_back();  // after the last line's end
        return lines;
    }
    // Each finding as "label:message" (the message without its filling), none without a list.
    F findings(const std::string& name = kName) {
        static const std::regex finding("/(エラー|ﾜｰﾆﾝｸﾞ)/(.*?)(?:　| )*/");
        F out;
        const auto lines = fs::exists(listPath(name)) ? listLines(name) : F{};
        for (std::size_t i = 3; i < lines.size(); ++i) {
            std::smatch m;
            const std::string head = lines[i].substr(0, 400);  // a line listed whole may be very long
            EXPECT_TRUE(std::regex_search(head, m, finding)) << head;
            out.push_back((m[1] == "エラー" ? "E:" : "W:") + m[2].str());
        }
        return out;
    }
    // A file of a header and one detail line; every finding line shows `listed` when given.
    struct Case {
        Changes header, detail;
        F found;
        std::string listed = {};
    };
    void expectFindings(const std::vector<Case>& cases, const Changes& header = {}, const Changes& detail = {}) {
        for (const Case& c : cases) {
            Changes h = header, d = detail;
            h.insert(h.end(), c.header.begin(), c.header.end());
            d.insert(d.end(), c.detail.begin(), c.detail.end());
            const std::string line = Detail(d);
            SCOPED_TRACE(Header(1, h) + " / " + line);
            check(test::SjisLines({Header(1, h), line}));
            EXPECT_EQ(findings(), c.found);
            if (c.listed.empty()) continue;
            const auto lines = listLines();
            for (std::size_t i = 3; i < lines.size(); ++i) EXPECT_NE(lines[i].find(c.listed), std::string::npos) << lines[i];
        }
    }
    // Field n of the header (or of the detail line) alone set to each value.
    using Values = std::vector<std::pair<std::string, F>>;
    void expectFieldFindings(bool header, const std::vector<std::pair<int, Values>>& fields) {
        std::vector<Case> cases;
        for (const auto& [n, values] : fields)
            for (const auto& [v, found] : values)
                cases.push_back({header ? Changes{{n, v}} : Changes{}, header ? Changes{} : Changes{{n, v}}, found});
        expectFindings(cases);
    }
};

}  // namespace

TEST(SubmissionLines, ReadInBlocks) {
    // Line ends (CR LF, CR, LF) on each side of the 256 KiB reading block,
    // a CR LF split by it, lines longer than a block, no end after the last.
    const std::size_t block = 256 * 1024;
    test::TempDir dir;
    auto lines = [&](const std::string& bytes) {
        test::WriteFile(dir / "f", bytes);
        std::vector<std::string> out;
        ForEachFileLine(dir / "f", [&](std::string_view l) { out.emplace_back(l); });
        return out;
    };
    for (std::size_t at : {block - 2, block - 1, block, block + 1})
        for (const char* end : {"\r\n", "\r", "\n", "\r\n\r\n"})
            for (std::string tail : {"", "x", "x\r\n", "\n"}) {
                std::vector<std::string> expected{std::string(at, 'a'), std::string(2 * block, 'b'),
                                                  tail.starts_with('x') ? "cx" : "c"};
                if (std::string(end).size() == 4) expected.insert(expected.begin() + 1, "");
                EXPECT_EQ(lines(std::string(at, 'a') + end + std::string(2 * block, 'b') + "\r\nc" + tail), expected)
                    << at << " " << end << " " << tail;
            }
    EXPECT_EQ(lines("a\r\n\rb\n\nc"), (std::vector<std::string>{"a", "", "b", "", "c"}));
    // A folder or a missing file in place of the file is named as such.
    const struct { fs::path path; int number; const char* why; } cases[] = {
        {dir.path(), err::IoError, "（フォルダーです）"}, {dir / "none", err::FileNotFound, "（ファイルが見つかりません）"}};
    for (const auto& c : cases) {
        std::string said;
        try {
            ForEachFileLine(c.path, [](std::string_view) {});
        } catch (const AppError& e) {
            said = std::to_string(e.number()) + ":" + e.what();
        }
        EXPECT_EQ(said, std::to_string(c.number) + ":ファイル '" + c.path.string() + "' を読み込めません。" + c.why);
    }
}

TEST_F(FloppyCheckTest, StopsWithoutTheMonthsFileOrSettings) {
    const std::string missing = "エラー|48|ＣＳＶファイルが登録されていないか、名称が正しくありません。\r"
                                "当月のＣＳＶファイル名 = [ 4611234560-1-2002.CSV ]\n";
    EXPECT_EQ(run().outcome, FloppyCheckOutcome::Stopped);
    EXPECT_EQ(said(), missing);
    // A file of another name (lower-case extension) is not the month's file.
    EXPECT_EQ(check(test::SjisLines({Header(1), Detail()}), "4611234560-1-2002.csv").outcome, FloppyCheckOutcome::Stopped);
    EXPECT_EQ(said(), missing);

    // A drive that cannot be read is not reported as a wrongly named file.
    fs::create_symlink(drive / kName, drive / kName);  // stat fails (ELOOP)
    EXPECT_EQ(run().outcome, FloppyCheckOutcome::Stopped);
    EXPECT_TRUE(said().starts_with("エラー|48|予期せぬエラーです。\r\n")) << said();

    fs::remove(drive / kName);
    DB().Execute("DELETE FROM T_設定");
    EXPECT_EQ(check(test::SjisLines({Header(1), Detail()})).outcome, FloppyCheckOutcome::Stopped);
    EXPECT_FALSE(fs::exists(listPath()));
}

TEST_F(FloppyCheckTest, EveryHeaderCheck) {
    expectFieldFindings(true, {
        {1, {{"x", {"E:レコード区分が数値ではない"}}, {"2", {"E:レコード区分の文字数不正"}}, {"01", {"E:レコード区分の文字数不正"}}}},
        {2, {{"4200a", {"E:診療年月が数値ではない"}}, {"2002", {"E:診療年月の文字数不正"}}, {"42013", {"E:診療年月の年月不正"}},
             {"92002", {"E:診療年月の年月不正"}} /* unknown era */, {"42004", {"E:診療年月が未来年月"}},
             {"41903", {"W:診療年月が当月でない"}} /* 平成19年3月 is not before it */}},
        {3, {{"461123456", {"E:医療機関番号の文字数不正"}}, {"4611234567", {"W:★★★医療機関番号の番号不正"}}}},
        {4, {{"a", {"E:事業番号が数値ではない"}}, {"2", {"E:事業番号の文字数不正"}}, {"01", {"E:事業番号の文字数不正"}}}},
        {6, {{"", {}}}},  // not examined
    });
    expectFindings({
        // A warning that ends the record (the bad business number is not reached), one that goes on.
        {{{2, "41902"}, {4, "x"}}, {}, {"W:診療年月が１９年２月以前"}},
        {{{2, "42001"}, {4, "x"}}, {}, {"W:診療年月が当月でない", "E:事業番号が数値ではない"}},
        {{{1, "3"}, {3, "abcdefg-x"}}, {}, {"E:施術機関番号が数値ではない"}},
        {{{1, "3"}, {3, "abcdefg-1"}}, {}, {}},  // last character numeric
        {{{1, "3"}, {3, "1234567-12"}}, {}, {"E:施術機関番号の文字数不正"}},
    });
}

TEST_F(FloppyCheckTest, EveryDetailCheck) {
    expectFieldFindings(false, {
        {1, {{"a", {"E:レコード区分が数値ではない"}}, {"3", {"E:レコード区分の文字数不正"}}}},
        {2, {{"461123456x", {"E:医療機関番号が数値ではない"}}, {"461123456", {"E:医療機関番号の文字数不正"}}}},
        {3, {{"100", {"E:診療科コードの文字数不正"}}}},
        {4, {{"4200x", {"E:診療年月が数値ではない"}}, {"420021", {"E:診療年月の文字数不正"}}, {"42000", {"E:診療年月の年月不正"}}}},
        {5, {{"123", {"E:市町村番号の文字数不正"}}}},
        {6, {{"x", {"E:事業番号が数値ではない"}}, {"2", {"E:事業番号の文字数不正"}}}},
        {7, {{"0001234567", {"E:受給者番号の文字数不正"}}}},
        {9, {{"418053", {"E:生年月日の文字数不正"}}, {"", {"E:生年月日が数値ではない"}}, {"9180503", {"W:生年月日の年月不正"}},
             {"+418050", {"W:生年月日の年月不正"}} /* era not a digit */, {"4200315", {"W:生年月日が未来年月"}},
             {"4200201", {}} /* the same month is not later */}},
        {10, {{"a", {"E:保険区分が数値ではない"}}, {"12", {"E:保険区分の文字数不正"}}}},
        {11, {{"1234567a", {"E:保険者番号が数値ではない"}}, {"123456789", {"E:保険者番号の文字数不正"}}}},
        {12, {{"", {"E:入外区分が数値ではない"}}, {"12", {"E:入外区分の文字数不正"}}}},
        {13, {{"x", {"E:割合が数値ではない"}}, {"03", {"W:割合の文字数不正"}}}},
        {14, {{"100", {"E:実日数の文字数不正"}}}},
        {15, {{"12345678901", {"E:合計点数の文字数不正"}}, {"0", {"E:合計点数なし"}}}},
        {16, {{"", {"E:自己負担支払額が数値ではない"}}, {"12345678901", {"E:自己負担支払額の文字数不正"}},
              {"0.5", {"E:自己負担支払額なし"}},
              // Ratio 3, 1234 points: 3702 ± 370.2, rounded: 3332 to 4072.
              {"3332", {}}, {"4072", {}}, {"3331", {"W:自己負担支払額確認"}}, {"4073", {"W:自己負担支払額確認"}}}},
        // An empty or zero treatment month is the data month.
        {17, {{"", {}}, {"00000", {}}, {"0", {}}, {"4200", {"E:実診療年月の文字数不正"}}, {"42003", {"E:実診療年月が未来年月"}},
              {"41902", {}},
              {"41901", {"E:実診療年月が１９年２月以前"}}, {"92002", {"E:実診療年月が１９年２月以前"}} /* unknown era */}},
        {18, {{"123", {"E:公費番号１の文字数不正"}}}},
        {19, {{"123", {"E:公費番号２の文字数不正"}}}},
    });
    const std::string name16 = "\"あいうえおかきくけこさしすせそた\"";
    expectFindings({
        {{}, {{4, "41902"}, {17, "41902"}}, {"W:診療年月が19年2月以前", "W:診療年月が当月でない"}},
        {{}, {{4, "41903"}, {17, "41903"}}, {"W:診療年月が当月でない"}},
        // W-go, E-go, then a warning labelled as an error because the record already has one, and an N-stop.
        {{},
         {{2, "4611234567"}, {4, "42004"}, {8, name16}, {16, "3331"}, {13, "3"}, {17, "42002"}},
         {"W:★★★医療機関番号の番号不正", "E:診療年月が未来年月", "E:診療年月が当月でない",
          "E:氏名の文字数不正（１５桁以上）", "E:自己負担支払額確認"}},
        // An E-stop ends the record: the bad ratio is never reached; a W-go goes on to it; a W-stop ends it.
        {{}, {{5, "ab"}, {13, "9"}}, {"E:市町村番号が数値ではない"}},
        {{}, {{4, "42001"}, {17, "42001"}, {13, "9"}}, {"W:診療年月が当月でない", "E:割合値不正"}},
        {{}, {{9, "4181305"}, {13, "9"}}, {"W:生年月日の年月不正"}},
        // Halves round to even: ratio 1, 5 points: 5 ± 0.5 -> 4 (4.5) to 6 (5.5).
        {{}, {{15, "5"}, {13, "1"}, {16, "4"}}, {}},
        {{}, {{15, "5"}, {13, "1"}, {16, "3"}}, {"W:自己負担支払額確認"}},
        {{}, {{15, "5"}, {13, "1"}, {16, "6"}}, {}},
        {{}, {{15, "5"}, {13, "1"}, {16, "7"}}, {"W:自己負担支払額確認"}},
        // A finding after the treatment month's replacement lists it so, one before it lists the field as read.
        {{}, {{17, ""}, {18, "123"}}, {"E:公費番号１の文字数不正"}, "|  42002| 123|    |    | "},
        {{}, {{2, "4611234567"}, {17, ""}}, {"W:★★★医療機関番号の番号不正"}, "|        3700|       |"},
        // A long name is cut to ten characters in the list, a short one filled with full-width spaces.
        {{}, {{8, name16}, {16, "4073"}}, {"W:氏名の文字数不正（１５桁以上）", "W:自己負担支払額確認"},
         "|   000123456|あいうえおかきくけこ|  4180503|"},
        // Amounts are listed as whole numbers but checked as read; wider than any
        // machine number, the digits as read.
        {{}, {{2, "4611234567"}, {15, "12a"}, {16, "39.9x"}}, {"W:★★★医療機関番号の番号不正", "E:合計点数が数値ではない"},
         "|           0|          39|"},
        {{}, {{2, "4611234567"}, {15, "1234.7"}, {16, ""}}, {"W:★★★医療機関番号の番号不正", "E:自己負担支払額が数値ではない"},
         "|        1234|           0|"},
        {{}, {{15, "99999999999999999999"}, {16, "1234567890123456789.5"}}, {"E:合計点数の文字数不正"},
         "| 99999999999999999999| 1234567890123456789|"},
    });
}

TEST_F(FloppyCheckTest, KindFourRecords) {
    expectFindings({{{}, {{15, "5000"}, {13, "2"}, {16, "2000"}}, {}},
                    {{}, {{15, "5000"}, {13, "2"}, {16, "2001"}}, {"W:自己負担支払額確認"}},
                    {{}, {{15, "5000"}, {13, "2"}, {16, "0"}}, {"E:自己負担支払額なし"}},
                    {{}, {{3, "10"}}, {"E:診療科コードの文字数不正"}},
                    {{}, {{2, "abcdefg-x"}}, {"E:施術機関番号が数値ではない"}},
                    {{}, {{2, "1234567-12"}}, {"E:施術機関番号の文字数不正"}},
                    {{}, {{15, "x"}}, {"E:請求金が数値ではない"}},
                    {{}, {{15, "12345678901"}}, {"E:請求金の文字数不正"}},
                    // Amounts beyond 32 bits never overflow the range check.
                    {{}, {{15, "9999999999"}, {13, "3"}, {16, "5999999999"}}, {}},
                    {{}, {{15, "9999999999"}, {13, "3"}, {16, "6000000000"}}, {"W:自己負担支払額確認"}}},
                   {{1, "3"}, {3, "1234567-1"}}, {{1, "4"}, {2, "1234567-1"}, {3, ""}});
}

TEST_F(FloppyCheckTest, FieldCountsCommasAndEmptyLines) {
    const std::string fields18 = Detail().substr(0, Detail().rfind(','));
    check(test::SjisLines({Header(5), fields18, Detail() + ",x", Detail({{8, "\"山田,太郎\""}}), "", Detail()}));
    EXPECT_EQ(findings(), (F{"E:明細の項目数が不足です", "E:明細の項目数が多いです", "E:明細の項目数が多いです",
                             "E:明細の項目数が不足です"}));
    auto lines = listLines();
    // The body is the line as read, quotes included, after the message left in 31.
    EXPECT_EQ(lines[5], "4611234560-1-2002.CSV /エラー/明細の項目数が多いです　　" + std::string(18, ' ') + "/" +
                            Detail({{8, "\"山田,太郎\""}}));

    for (const auto& [bytes, found] : std::vector<std::pair<std::string, std::string>>{
             {test::SjisLines({"1,42002,4611234560,1,1", Detail()}), "E:ヘッダーの項目数が不足です"},
             {"", "E:ヘッダーの項目数が不足です"},  // an empty file
             {test::SjisLines({Header(1) + ",x", Detail()}), "E:ヘッダーの項目数が多いです"}}) {
        EXPECT_EQ(check(bytes).outcome, FloppyCheckOutcome::Findings);
        EXPECT_EQ(findings(), F{found});
    }
}

TEST_F(FloppyCheckTest, ExactListAgainstAHandWorkedFile) {
    // A first line whose field 1 is 2 is listed in the detail layout, a detail
    // line whose field 1 is 3 in the header layout.
    test::WriteFile(listPath(), "an older list");
    test::WriteFile(drive / kName, test::SjisLines({Header(4, {{1, "2"}}), Detail({{4, "42001"}, {17, "42001"}}),
                                                    Detail({{5, "ab"}}), Detail({{1, "3"}}), ""}));
    FloppyCheckResult r = run();
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Findings);
    EXPECT_EQ(r.findings, 5);
    const std::string expected =
        "乳幼児医療　ＦＤデータ確認リスト\r\n"
        "　\r\n"
        "ファイル名            /種類  /内容　　　　　　　　      　  　　　　　/    送付  　機関番号     科  診療年月 市町村   受給者番号   氏名                 生年月日 保区 保険番号   入外 負担 日数    点数       自己負担額  実診療  公１ 公２ 返戻  備考\r\n"
        "4611234560-1-2002.CSV /エラー/レコード区分の文字数不正　　　　　　　　/  2|       |       42002| 4611234560|      1|   4| 蛍クリニック|            |　　　　　　　　　　|         |   |          |    |    |    |           0|           0|       |    |    |    | \r\n"
        "4611234560-1-2002.CSV /ﾜｰﾆﾝｸﾞ/診療年月が当月でない　　　　　　　　　　/  2|       |  4611234560|  10|  42001|  12|  1|   000123456|山田太郎　　　　　　|  4180503|  1|  12345678|   2|   3|    |        1234|        3700|  42001|    |    |    | \r\n"
        "4611234560-1-2002.CSV /エラー/市町村番号が数値ではない　　　　　　　　/  2|       |  4611234560|  10|  42002|  ab|  1|   000123456|山田太郎　　　　　　|  4180503|  1|  12345678|   2|   3|    |        1234|        3700|  42002|    |    |    | \r\n"
        "4611234560-1-2002.CSV /エラー/レコード区分の文字数不正　　　　　　　　/  3|       |  4611234560|          10| 42002|  12            |1\r\n"
        "4611234560-1-2002.CSV /エラー/明細の項目数が不足です　　                  /\r\n";
    EXPECT_EQ(test::ReadFile(listPath()), ToSjis(expected));
    EXPECT_EQ(said(), "エラー|48|ＦＤデータにエラーがあります。\r内容を確認して下さい。\n");
    EXPECT_EQ(opened, std::vector<fs::path>{listPath()});

    // A clean run leaves the list of the earlier run alone.
    test::WriteFile(drive / kName, test::SjisLines({Header(1), Detail()}));
    EXPECT_EQ(run().outcome, FloppyCheckOutcome::Clean);
    EXPECT_EQ(test::ReadFile(listPath()), ToSjis(expected));
}

TEST_F(FloppyCheckTest, HeaderCountIsComparedWithTheLines) {
    // Header field 5 against two detail lines: a count that differs or is no
    // whole number is a finding (shown as read), and the run goes on.
    for (const auto& [count, shown] : std::vector<std::pair<std::string, std::string>>{
             {"3", "  3"}, {"2.5", "2.5"}, {"abc", "abc"}, {"５", "  ５"}, {"", "   "},
             {"99999999999999999999", "99999999999999999999"}}) {
        EXPECT_EQ(check(test::SjisLines({Header(0, {{5, count}}), Detail(), Detail({{5, "x"}})})).outcome,
                  FloppyCheckOutcome::Findings);
        ASSERT_EQ(listLines().size(), 5u) << count;
        EXPECT_EQ(listLines()[4], "4611234560-1-2002.CSV /ﾜｰﾆﾝｸﾞ/ﾍｯﾀﾞｰ件数" + std::string(10, ' ') + shown +
                                      "件と明細件数  2件の不一致 /ヘッダー件数確認");
    }
    EXPECT_EQ(check(test::SjisLines({Header(2), Detail(), Detail()})).outcome, FloppyCheckOutcome::Clean);
}

TEST_F(FloppyCheckTest, LongGarbageLinesAreListedWhole) {
    // A megabyte of rubbish on one line: a byte that starts no character
    // (with a space after it), a two-byte character, a byte that is never
    // Shift_JIS; then a megabyte of half-width ｱ without a comma.  Each is
    // listed whole, and the lines after them are still checked.
    std::string garbage, shown, longKana;
    for (int i = 0; i < 200000; ++i) {
        garbage += "\x85\x20" + ToSjis("山") + "\xFF";
        shown += "? 山?";
    }
    for (int i = 0; i < (1 << 20); ++i) longKana += "ｱ";
    check(ToSjis(Header(3)) + "\r\n" + garbage + "\r\n" + std::string(1 << 20, '\xB1') + "\r\n" +
          ToSjis(Detail({{5, "x"}})) + "\r\n");
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
    const std::string closing = "エラー|48|ＦＤデータにエラーがあります。\r内容を確認して下さい。\n";
    EXPECT_EQ(said(), "エラー|48|予期せぬエラーです。\r\nエラーコード： 61\r\nチェックリスト '" + listPath().string() +
                          "'：ディスクの空き容量が不足しています。リストは不完全です。\n" + closing);
    EXPECT_EQ(opened.size(), 1u);

    // A list folder that cannot be written at all: no list to open (what it says: Failures).
    r = run(lists / "missing");
    EXPECT_EQ(r.outcome, FloppyCheckOutcome::Findings);
    EXPECT_TRUE(r.listIncomplete);
    EXPECT_FALSE(r.listWritten);
    EXPECT_EQ(r.findings, 3000);
    EXPECT_TRUE(opened.empty());
}

// Run by another user: a file that cannot be read, and a list folder that
// cannot be written (empty, or holding the list of an earlier run).  Each is
// said once, in the right words, and the folders stay as they were.
TEST_F(FloppyCheckTest, FilesItCannotReadOrWrite) {
    const fs::path file = drive / kName, list = listPath();
    test::WriteFile(file, "1,42002,4611234560,1,1,x\r\n2,x\r\n");
    program.share();
    for (const fs::path& p : {drive.path(), lists.path(), file}) fs::permissions(p, fs::perms::all);
    const std::string listFailed = "エラー|48|予期せぬエラーです。\r\nエラーコード： 70\r\nチェックリスト '" + list.string() +
                                   "'：書き込みできません。リストは不完全です。\nエラー|48|ＦＤデータにエラーがあります。\r内容を確認して下さい。\n";
    const std::tuple<const char*, std::function<void()>, std::string> cases[] = {
        {"unreadable file", [&] { fs::permissions(file, fs::perms::none); },
         "エラー|48|予期せぬエラーです。\r\nエラーコード： 70\r\nファイル '" + file.string() +
             "' を読み込めません。（読み取りの権限がありません）\n"},
        {"read-only list folder", [&] { fs::permissions(lists.path(), test::kReadOnly); }, listFailed},
        {"read-only list folder with an older list",
         [&] {
             test::WriteFile(list, "older");
             fs::permissions(lists.path(), test::kReadOnly);
         },
         listFailed}};
    for (const auto& [why, arrange, expected] : cases) {
        SCOPED_TRACE(why);
        arrange();
        const auto drives = test::DumpFolder(drive.path()), listed = test::DumpFolder(lists.path());
        EXPECT_EQ(test::AsNobody([&] {
                      gDB = data::Database::Open(program.live());
                      run();
                      return said();
                  }),
                  expected);
        EXPECT_EQ(test::DumpFolder(drive.path()), drives);
        EXPECT_EQ(test::DumpFolder(lists.path()), listed);
        fs::permissions(file, fs::perms::all);
        fs::permissions(lists.path(), fs::perms::all);
        fs::remove(list);
    }
    program.reconnect();
}

TEST_F(FloppyCheckTest, ABlockCutShortByAFullDiskLeavesNoTornLine) {
    // Lines go to the list in blocks; the disk fills half-way through the
    // second block.  The lines after it must not continue a torn line.
    FloppyCheck run(kName, Date{2008, 3, 1}, EraTable::Load(), lists.path());
    run.checkLine(ToSjis(Header(1)), true);
    const std::string line = ToSjis(Detail({{5, "x"}}));
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

TEST_F(FloppyCheckTest, ReiwaFile) {
    test::PutSettings({.no = "1234560", .request = Date{2019, 6, 1}});
    const std::string name = "4611234560-1-0105.CSV";
    // Treated in 平成31年4月: before the data month.
    const Changes reiwa = {{4, "50105"}, {9, "4310430"}, {17, "43104"}};
    auto detail = [&](Changes more) {
        more.insert(more.begin(), reiwa.begin(), reiwa.end());
        return Detail(more);
    };
    EXPECT_EQ(check(test::SjisLines({Header(2, {{2, "50105"}}), detail({}), detail({{17, "50105"}})}), name).outcome,
              FloppyCheckOutcome::Clean);
    check(test::SjisLines({Header(4, {{2, "43104"}}), detail({{4, "43104"}}), detail({{4, "50107"}}),
                           detail({{17, "50106"}}), detail({{9, "5010601"}})}),
          name);
    EXPECT_EQ(findings(name), (F{"W:診療年月が当月でない", "W:診療年月が当月でない", "E:診療年月が未来年月",
                                 "E:診療年月が当月でない", "E:実診療年月が未来年月", "W:生年月日が未来年月"}));
}
