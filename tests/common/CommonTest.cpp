// Shift_JIS (CP932) for the federation's files, text counted in characters,
// dates and eras, numbers as typed; message boxes behind their interface,
// the standard error message, and the program's folders.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/Date.h"
#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Numeric.h"
#include "common/Paths.h"
#include "common/Sjis.h"
#include "common/Text.h"

using namespace hotaru;

TEST(Sjis, RoundTripsAndTheWindowsFormsOfTypedCharacters) {
    const std::string title = "乳幼児医療　ＦＤデータ確認リスト";
    EXPECT_EQ(ToSjis(title).substr(0, 4), "\x93\xFB\x97\x63");  // 乳幼
    EXPECT_EQ(ToSjis(title).size(), 32u);
    for (const std::string& text : {title, std::string("ﾜｰﾆﾝｸﾞ"), std::string("1,平成20年04月,\\~\r\n"), std::string()})
        EXPECT_EQ(FromSjis(ToSjis(text)), text);
    EXPECT_EQ(ToSjis("ﾜｰﾆﾝｸﾞ"), "\xDC\xB0\xC6\xDD\xB8\xDE");
    // Code points an input method types that CP932 lacks take the Windows forms.
    EXPECT_EQ(ToSjis("\u301C\u2212\u2016\u2014\u00A2\u00A3\u00AC"),
              "\x81\x60\x81\x7C\x81\x61\x81\x5C\x81\x91\x81\x92\x81\xCA");
    EXPECT_EQ(NormalizeForSjis("a\u301Cb\u00A2"), "a\uFF5Eb\uFFE0");
    EXPECT_EQ(FromSjis(ToSjis("1\u301C2")), "1\uFF5E2");
}

// The failing character and its offset in the caller's text are named, and
// a failure leaves the converters usable.
TEST(Sjis, UnencodableCharactersAndBadBytesAreNamed) {
    auto failure = [](auto convert) {
        try {
            convert();
        } catch (const SjisError& e) {
            return e.character() + " at " + std::to_string(e.offset()) + ": " + e.what();
        }
        return std::string("no error");
    };
    // ¢ grows by a byte when normalised; the offset is still the caller's.
    EXPECT_EQ(failure([] { ToSjis("山田\u00A2𠮷子"); }), "𠮷 at 8: Shift_JISで表せない文字があります（8バイト目: 𠮷）");
    EXPECT_EQ(failure([] { FromSjis(std::string("ab\x81", 3)); }),  // a lead byte without its trail byte
              "0x81 at 2: Shift_JISとして読めないバイトがあります（2バイト目: 0x81）");
    // é has no form either; the second time it is known without asking.
    for (int time = 0; time < 2; ++time)
        EXPECT_EQ(failure([] { ToSjis("Aé"); }), "é at 1: Shift_JISで表せない文字があります（1バイト目: é）");
    EXPECT_EQ(failure([] { ToSjis("a\x80"); }),  // not UTF-8
              "0x80 at 1: 文字コードが正しくありません（1バイト目: 0x80）");
    EXPECT_EQ(failure([] { FromSjis("\xA0z"); }),  // no lead byte: named alone
              "0xA0 at 0: Shift_JISとして読めないバイトがあります（0バイト目: 0xA0）");
    EXPECT_THROW(FromSjis("\x81\x20"), SjisError);
    EXPECT_EQ(FromSjis("\x88\xE3"), "医");
    EXPECT_EQ(ToSjis("医"), "\x88\xE3");
}

TEST(Sjis, FullWidthIsTwoBytesEach) {
    for (const char* text : {"", "山田　太郎", "ＡＢＣ１２３", "ヤマダ", "やまだ", "髙", "\u301C"})
        EXPECT_TRUE(IsFullWidth(text)) << text;
    for (const char* text : {"ｱ", "A", "山田 太郎", "山田ﾀﾛｳ", "𠮷", "山😀"})
        EXPECT_FALSE(IsFullWidth(text)) << text;
}

TEST(Text, CharactersNotBytes) {
    EXPECT_EQ(Trim("  abc  ") + "|" + Trim("　abc　") + "|" + Trim("\tabc\t") + "|" + Trim("  "),
              "abc|　abc　|\tabc\t|");
    const std::string s = "乳幼児abc";
    EXPECT_EQ(CharCount(s), 6u);
    EXPECT_EQ(CharCount("𠮷"), 1u);
    EXPECT_EQ(LeftChars(s, 2) + "|" + LeftChars(s, 10), "乳幼|" + s);
    EXPECT_EQ(RightChars(s, 4) + "|" + RightChars(s, 10) + "|" + RightChars(s, 0), "児abc|" + s + "|");
    EXPECT_EQ(MidChars(s, 2, 3) + "|" + MidChars(s, 3) + "|" + MidChars(s, 7) + "|" + MidChars(s, 0, 1),
              "幼児a|児abc||乳");
    EXPECT_EQ(PadLeft("医療", 4) + "|" + PadRight("医療", 4) + "|" + PadLeft("医療費", 2) + "|" + PadRight("医療費", 2),
              "  医療|医療  |医療費|医療費");
    EXPECT_EQ(SplitChars("aあ𠮷"), (std::vector<std::string>{"a", "あ", "𠮷"}));
    EXPECT_EQ(ReplaceAll("a,b,,c", ",", ";") + "|" + ReplaceAll("aaa", "aa", "b") + "|" + ReplaceAll("abc", "", "x"),
              "a;b;;c|ba|abc");
    EXPECT_EQ(ToLowerAscii("AbCZ@[平成"), "abcz@[平成");
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Medic_INS.mdb", "medic_ins.MDB"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("abc", "abcd"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("abc", "abd"));
}

namespace {
Date D(int y, int m, int d) { return Date{y, m, d}; }
std::string Parsed(const char* text) {
    const auto d = ParseDate(text);
    return d ? d->iso() : "-";
}
}  // namespace

// Every pattern the windows and files use, the era boundaries (first years
// written 01), and dates no era or calendar holds.
TEST(FormatDate, PatternsAndEraBoundaries) {
    const struct { Date d; const char* pattern; const char* text; } cases[] = {
        {D(2008, 4, 1), "GGGEE年MM月DD日", "平成20年04月01日"}, {D(2008, 4, 1), "gggee年mm月", "平成20年04月"},
        {D(2008, 4, 1), "GEE.MM.DD", "H20.04.01"}, {D(2008, 4, 1), "GGGEEMM", "平成2004"},
        {D(2008, 4, 1), "EEMMDD", "200401"}, {D(2008, 4, 1), "yyyy/mm/dd", "2008/04/01"},
        {D(2008, 4, 17), "YYYY/MM/01", "2008/04/01"}, {D(2008, 4, 1), "GG/yy/y", "平/08/2008"},
        {D(2019, 4, 30), "GGGEE年MM月DD日", "平成31年04月30日"}, {D(2019, 5, 1), "GGGEE年MM月DD日", "令和01年05月01日"},
        {D(2026, 12, 1), "GEE.MM", "R08.12"}, {D(1989, 1, 7), "GEE.MM.DD", "S64.01.07"},
        {D(1989, 1, 8), "GEE.MM.DD", "H01.01.08"}, {D(1926, 12, 24), "GGGEE", "大正15"},
        {D(1926, 12, 25), "GGGEE", "昭和01"}, {D(1912, 7, 29), "GEE", "M45"}, {D(1912, 7, 30), "GEE", "T01"},
        {D(2008, 2, 30), "yyyy/mm/dd", ""}, {Date{}, "GGGEE年MM月", ""}, {D(1800, 1, 1), "GGGEE年", ""},
        {D(1800, 1, 1), "yyyy/mm/dd", "1800/01/01"}, {D(1800, 1, 1), "ee", ""}};
    for (const auto& c : cases) EXPECT_EQ(FormatDate(c.d, c.pattern), c.text) << c.d.iso() << " " << c.pattern;
}

TEST(EraLookup, NamesCodesAndDates) {
    EXPECT_EQ(EraByName("平成")->code, 4);
    EXPECT_EQ(EraByCode(5)->letter, 'R');
    EXPECT_EQ(EraByName("令和")->first, D(2019, 5, 1));
    EXPECT_TRUE(!EraByName("H") && !EraByCode(6) && !EraOf(D(1868, 1, 24)));
    EXPECT_STREQ(EraOf(D(1868, 1, 25))->name, "明治");
    EXPECT_STREQ(EraOf(D(2019, 4, 30))->name, "平成");
}

// Era texts (a month belongs to an era that covers one of its days, a day
// must lie in it), y/m/d texts (two-digit years 1930-2029), and near misses.
TEST(ParseDate, TextsAndNearMisses) {
    const std::pair<const char*, const char*> cases[] = {
        {"平成20年04月", "2008-04-01"}, {"平成20年4月15日", "2008-04-15"}, {"令和8年12月", "2026-12-01"},
        {"平成元年02月", "1989-02-01"}, {"平成31年04月", "2019-04-01"}, {"令和01年05月", "2019-05-01"},
        {"平成01年01月", "1989-01-01"}, {"昭和64年01月", "1989-01-01"}, {"平成31年04月30日", "2019-04-30"},
        {"昭和64年01月07日", "1989-01-07"}, {"平成31年05月", "-"}, {"令和01年04月", "-"}, {"平成32年01月", "-"},
        {"平成31年05月01日", "-"}, {"令和01年04月30日", "-"}, {"平成01年01月07日", "-"},
        {"2008/4/1", "2008-04-01"}, {" 2008/04/01 ", "2008-04-01"}, {"2008-04-01", "2008-04-01"},
        {"29/12/31", "2029-12-31"}, {"30/01/01", "1930-01-01"}, {"00/01/01", "2000-01-01"},
        {"2008/02/29", "2008-02-29"}, {"2000/02/29", "2000-02-29"}, {"2100/02/29", "-"}};
    for (const auto& [text, iso] : cases) EXPECT_EQ(Parsed(text), iso) << text;
    for (const char* text : {"", "   ", "abc", "平成20年13月", "平成20年00月", "平成00年04月", "平成20年04月32日",
                             "平成20年02月30日", "平成20年04", "平成20年04月01", "平成年04月", "平成200年04月",
                             "未来20年04月", "平成20年04月01日x", "2008/02/30", "2008/13/01", "2008/04",
                             "2008/04/01/02", "208/04/01", "2008/04-01", "2008/004/01", "2008／04／01"})
        EXPECT_FALSE(IsDate(text)) << text;
}

TEST(DateText, IsoAndShortForms) {
    EXPECT_EQ(D(2008, 4, 1).iso() + " " + D(2008, 4, 1).shortDate(), "2008-04-01 2008/04/01");
    for (const char* text : {"2008-04-01", "2008/04/01", "2008-04-01 00:00:00", "2008-04-01T10:00"})
        EXPECT_EQ(Date::fromIso(text), D(2008, 4, 1)) << text;
    for (const char* text : {"2008-4-1", "2008-02-30", "2008-04/01", "", "2008-0a-01"})
        EXPECT_FALSE(Date::fromIso(text)) << text;
    EXPECT_TRUE(Date::today().isValid());
}

TEST(DateArithmetic, AddMonthsClampsAndMonthsBetweenCountsBoundaries) {
    const std::tuple<Date, int, Date> adds[] = {
        {D(2008, 1, 1), -1, D(2007, 12, 1)}, {D(2007, 12, 1), 1, D(2008, 1, 1)}, {D(2008, 3, 31), -1, D(2008, 2, 29)},
        {D(2007, 3, 31), -1, D(2007, 2, 28)}, {D(2008, 1, 31), 3, D(2008, 4, 30)}, {D(2008, 5, 15), -25, D(2006, 4, 15)}};
    for (const auto& [from, months, to] : adds) EXPECT_EQ(AddMonths(from, months), to) << from.iso() << months;
    EXPECT_EQ((std::vector{MonthsBetween(D(2008, 1, 31), D(2008, 2, 1)), MonthsBetween(D(2008, 2, 1), D(2008, 2, 29)),
                           MonthsBetween(D(2008, 4, 1), D(2007, 4, 1)), MonthsBetween(D(2019, 4, 1), D(2026, 12, 1))}),
              (std::vector{1, 0, -12, 92}));
}

// The numbers the windows have always accepted: signs at either end, ","
// grouping between digits, one point, an exponent; nothing full-width.
TEST(IsNumeric, AcceptedAndRejected) {
    for (const char* text : {"0", "123", " 123 ", "+5", "-5", "5-", "5+", "1,234", "1,2,3", "1,234,567.89", "1.5",
                             ".5", "1.", "1e5", "1.5E-3", "2E+2", "-1.5e3", "007", "  -0.25  "})
        EXPECT_TRUE(IsNumeric(text)) << "'" << text << "'";
    for (const char* text : {"", "  ", ".", "&H10", "１２", "1 2", "--1", "+-1", "-1-", "1e", "1e+", "e5", "abc",
                             "12a", ",1", "1,", "1,,2", "1.2.3", "1..2", "$1", "\t1", "1e400", "- 1", "１"})
        EXPECT_FALSE(IsNumeric(text)) << "'" << text << "'";
    EXPECT_EQ((std::vector{*ToNumber("1,2,3"), *ToNumber(" 12.5- "), *ToNumber("-1.5E-3"), *ToNumber("1e-400")}),
              (std::vector{123.0, -12.5, -0.0015, 0.0}));
}

TEST(Rounding, HalfEvenAndWholePart) {
    const std::pair<double, double> halfEven[] = {{2.5, 2},    {3.5, 4},     {-2.5, -2},   {-3.5, -4}, {1234.5, 1234},
                                                  {0.5, 0},    {2.4999, 2},  {2.5001, 3},  {-2.6, -3}};
    for (auto [value, rounded] : halfEven) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
    EXPECT_EQ((std::vector{WholePart(3.9), WholePart(-3.9), WholePart(1e30), WholePart(-1e30)}),
              (std::vector<long long>{3, -3, LLONG_MAX, LLONG_MIN}));
}

// The patterns in use; decimals round half away from zero on the decimal
// digits (2.345 -> 2.35), zero under an all-"#" pattern is empty.
TEST(FormatNumber, Patterns) {
    const struct { double value; const char* pattern; const char* text; } cases[] = {
        {5, "00", "05"}, {12345, "000000000", "000012345"}, {12345678, "0000000", "12345678"}, {0, "00", "00"},
        {1234567, "#,###,###,###", "1,234,567"}, {123, "#,###,###,###", "123"}, {1234, "###,###,###", "1,234"},
        {0, "#,###,###,###", ""}, {1.1, "#.00", "1.10"}, {0.5, "#.00", ".50"}, {-1234, "#,###", "-1,234"},
        {1234567890123, "#,###,###,###,###", "1,234,567,890,123"}, {1234, "#,##0.0#", "1,234.0"},
        {1234.567, "#,##0.0#", "1,234.57"}, {2.345, "#.00", "2.35"}, {-2.345, "#.00", "-2.35"},
        {1.005, "0.00", "1.01"}, {2.5, "0", "3"}, {0.5, "0", "1"}, {9.995, "0.00", "10.00"}, {999.5, "#,###", "1,000"},
        {0.001, "0.00", "0.00"}, {-0.001, "0.00", "0.00"}, {0.1 + 0.2, "0.0000000", "0.3000000"},
        {12, "第00号", "第12号"}, {1234, "", "1234"}, {-0.25, "", "-0.25"}, {0, "", "0"}, {1e20, "", "1E+20"}};
    for (const auto& c : cases) EXPECT_EQ(FormatNumber(c.value, c.pattern), c.text) << c.value << " " << c.pattern;
}

TEST(FormatText, NumericTextsAreFormattedOthersKept) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"", "0000000", ""}, {"123", "0000000", "0000123"}, {"1,234", "00000", "01234"}, {"0", "#,###", ""},
        {"abc", "0000000", "abc"}, {"１２", "00", "１２"}, {"5", "00", "05"}};
    for (const auto& [text, pattern, out] : cases) EXPECT_EQ(FormatText(text, pattern), out) << text;
}

// Answers come from the script, then from the style's default button (one
// beyond the buttons falls back to the first); an empty title is the program's.
TEST(Messages, ScriptedAnswersThenDefaultButtons) {
    ScriptedMessages script;
    ScopedPresenter scope(script);
    script.answer(mbNo);
    script.answer(mbCancel);
    const std::pair<int, int> answers[] = {
        {mbYesNo + mbQuestion, mbNo}, {mbOKCancel, mbCancel}, {mbYesNo + mbExclamation, mbYes},
        {mbYesNo + mbDefaultButton2, mbNo}, {mbOKCancel + mbDefaultButton2, mbCancel},
        {mbYesNoCancel + mbDefaultButton3, mbCancel}, {mbAbortRetryIgnore + mbDefaultButton2, mbRetry},
        {mbRetryCancel, mbRetry}, {mbOKOnly + mbDefaultButton2 + mbCritical + mbSystemModal, mbOK}, {7, mbOK}};
    for (auto [style, answer] : answers) EXPECT_EQ(MsgBox("q", style, "確認"), answer) << style;
    MsgBox("untitled");
    ASSERT_EQ(script.shown.size(), 11u);
    EXPECT_EQ(std::to_string(script.shown[0].style) + script.shown[0].title + script.shown[10].title, "36確認Hotaru");
    EXPECT_EQ(MessageLines("a\rb\r\nc\nd\r\n\r\ne"), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
}

// Without a presenter (no window, no console of its own) a message is
// written to standard error, a line per line, and the default button answers.
TEST(Messages, WithoutAPresenterMessagesGoToStandardError) {
    SetMessagePresenter(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(MsgBox("一行目\r二行目\r\n三行目", mbYesNo + mbDefaultButton2, "確認"), mbNo);
    Beep();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[確認]\n一行目\n二行目\n三行目\n\a");
}

// The standard message's bytes, and the number and description each kind of
// failure gives.
TEST(Errors, StandardErrorTextAndNumbers) {
    EXPECT_EQ(StandardErrorText(0, ""), "予期せぬエラーです。\r\nエラーコード： 0\r\n");
    EXPECT_EQ(StandardErrorText(-2147467259, "x"), "予期せぬエラーです。\r\nエラーコード：-2147467259\r\nx");
    auto fs = [](int e) { return std::filesystem::filesystem_error("op", "/x", std::make_error_code(std::errc(e))); };
    auto said = [](const std::exception& e) { return std::to_string(ErrorNumberOf(e)) + " " + ErrorDescriptionOf(e); };
    EXPECT_EQ(said(AppError(err::PathNotFound, "パスが見つかりません。")), "76 パスが見つかりません。");
    EXPECT_EQ(said(std::bad_alloc()), "7 メモリが不足しています。");
    EXPECT_EQ(said(SjisError("bad", "𠮷", 0)), "13 bad");
    EXPECT_EQ(said(std::runtime_error("boom")), "5 boom");
    EXPECT_EQ(said(fs(ENOSPC)), "61 ディスクの空き容量が不足しています。");
    EXPECT_EQ(said(std::system_error(ENOSPC, std::system_category())), "61 ディスクの空き容量が不足しています。");
    EXPECT_EQ(said(fs(ENOENT)), "53 ファイルが見つかりません。");
    for (int e : {EACCES, EROFS, EPERM}) EXPECT_EQ(said(fs(e)), "70 書き込みできません。") << e;
    EXPECT_EQ(said(fs(EIO)), std::string("57 ") + fs(EIO).what());
    // The trap that shows it, title and icon: the floppy check's disk-full list and the menu's failures.
}

// The program's folder is the executable's until one is set (every fixture
// sets one); without HOME the home folder comes from the password file.
TEST(Paths, ProgramDirAndHome) {
    EXPECT_TRUE(std::filesystem::exists(ProgramDir() / "hotaru_common_tests"));
    const std::string home = HomeDir();
    unsetenv("HOME");
    EXPECT_EQ(HomeDir(), std::filesystem::path(getpwuid(getuid())->pw_dir));
    setenv("HOME", home.c_str(), 1);
}

// Where the live database lives: beside the program only when the database
// files are there and the folder can be written; an installed copy (no
// files beside it) uses the user's data folder even when root runs it.
TEST(Paths, DataFolderBesideTheProgramOnlyWithItsFiles) {
    const auto dir = std::filesystem::temp_directory_path() / ("hotaru-paths-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "data");
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    SetProgramDir(dir);
    EXPECT_EQ(DataDir(), dir / "data" / "hotaru");
    std::ofstream(dir / "Medic_ins_NEW.mdb") << "x";
    EXPECT_EQ(DataDir(), dir);
    SetProgramDir({});
    ::unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(dir);
}
