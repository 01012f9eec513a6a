#include "submission/FloppyCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <system_error>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Numeric.h"
#include "common/Paths.h"
#include "common/Sjis.h"
#include "common/Text.h"
#include "data/Connection.h"
#include "ui/CheckDigit.h"

namespace hotaru::submission {

namespace {

std::string Repeat(const char* s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::string Sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }
std::string Fw(int n) { return Repeat("　", n); }

bool IsAsciiDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The decimal text of a number's whole-number part.
std::string WholeText(double v) { return std::to_string(WholePart(v)); }

// The whole-number part of the number a text begins with ("0" when it
// begins with none), as the list shows amounts that are not numbers.
std::string LeadingWholeText(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    std::string digits;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') digits += s[i++];
    std::size_t nz = digits.find_first_not_of('0');
    if (nz == std::string::npos) return "0";
    return (negative ? "-" : "") + digits.substr(nz);
}

// Fields 15 and 16 as the list shows them: the whole-number part, "0" when empty.
std::string ListAmount(const std::string& s, bool isTotal) {
    if (s.empty()) return "0";
    if (auto v = ToNumber(s); v && IsNumeric(s)) return WholeText(*v);
    return isTotal ? std::string("0") : LeadingWholeText(s);
}

std::optional<long long> WholeNumber(const std::string& s) {
    if (!IsNumeric(s)) return std::nullopt;
    auto v = ToNumber(s);
    if (!v || std::trunc(*v) != *v || std::fabs(*v) > 9.0e15) return std::nullopt;
    return static_cast<long long>(*v);
}

double NumberOf(const std::string& s) {
    auto v = ToNumber(s);
    return v ? *v : 0.0;
}

}  // namespace

std::string CheckDigitOf(const std::string& digits) {
    // Counted in characters: a character that is not an ASCII digit counts 0.
    std::string ascii;
    for (const std::string& c : SplitChars(digits)) ascii += c.size() == 1 ? c : std::string("x");
    return ui::ComputeCheckDigit(ascii);
}

std::string CheckListHeading() {
    return "ファイル名" + Sp(12) + "/種類" + Sp(2) + "/内容" + Fw(8) + Sp(6) + Fw(1) + Sp(2) + Fw(5) + "/" + Sp(4) +
           "送付" + Sp(2) + Fw(1) + "機関番号" + Sp(5) + "科" + Sp(2) + "診療年月" + Sp(1) + "市町村" + Sp(3) +
           "受給者番号" + Sp(3) + "氏名" + Sp(17) + "生年月日" + Sp(1) + "保区" + Sp(1) + "保険番号" + Sp(3) + "入外" +
           Sp(1) + "負担" + Sp(1) + "日数" + Sp(4) + "点数" + Sp(7) + "自己負担額" + Sp(2) + "実診療" + Sp(2) +
           "公１" + Sp(1) + "公２" + Sp(1) + "返戻" + Sp(2) + "備考";
}

std::filesystem::path CheckListPath(const std::filesystem::path& folder, const std::string& fileName) {
    return folder / (fileName + "_Error.txt");
}

std::filesystem::path DefaultDriveFolder() {
    auto row = ReadSettingsRow();
    if (row && row->path && !row->path->empty()) return *row->path;
    return HomeDir();
}

// ---- One run ----------------------------------------------------------------

FloppyCheck::FloppyCheck(std::string fileName, const Date& claimMonth, EraTable eras,
                         std::filesystem::path listFolder)
    : fileName_(std::move(fileName)),
      claimMonth_(claimMonth),
      dataMonth_(DataMonth(claimMonth)),
      eras_(std::move(eras)),
      listPath_(CheckListPath(listFolder, fileName_)) {}

FloppyCheck::~FloppyCheck() {
    if (fd_ >= 0) ::close(fd_);
}

void FloppyCheck::checkLine(const FileLine& line, bool first) {
    recordError = false;
    currentLine = line.text;
    const int hflg = first ? 1 : 0;
    if (!line.valid) {
        // Bytes that are not Shift_JIS: the record cannot be read as fields.
        recordError = true;
        losubErrlog(1, "文字コードが正しくありません", hflg);
    } else {
        const int expected = first ? 6 : 19;
        const int found = SplitRecord(line.text, expected, fields);
        if (found < expected) {
            recordError = true;
            losubErrlog(1, first ? "ヘッダーの項目数が不足です" : "明細の項目数が不足です　　", hflg);
        } else if (found > expected) {
            recordError = true;
            losubErrlog(1, first ? "ヘッダーの項目数が多いです" : "明細の項目数が多いです　　", hflg);
        } else {
            if (first) headerCount = WholeNumber(fields[5]);
            lofncStrCheck(first);
        }
    }
    ++lineCount;
}

void FloppyCheck::finish() {
    if (!headerCount) return;
    if (*headerCount != lineCount - 1) losubErrlog(3, "ヘッダー件数確認", 1);
}

FloppyCheck::MonthText FloppyCheck::fieldMonth(const std::string& field) const {
    return {eras_.nameOfDigit(LeftChars(field, 1)), MidChars(field, 2, 2), MidChars(field, 4, 2)};
}

FloppyCheck::MonthText FloppyCheck::dateMonth(const Date& d) {
    return {FormatDate(d, "ggg"), FormatDate(d, "EE"), FormatDate(d, "MM")};
}

bool FloppyCheck::isValidMonth(const MonthText& m) { return !m.era.empty() && IsDate(m.text()); }

// Year-months in real calendar order: the era's first Western year plus the
// era year, then the month, so 平成31年04月 comes before 令和01年05月.  Texts
// that do not read as an era year and month compare as text, as they
// always have (an unknown era sorts before every era name).
int FloppyCheck::compareMonths(const MonthText& a, const MonthText& b) {
    const EraInfo* ea = EraByName(a.era);
    const EraInfo* eb = EraByName(b.era);
    if (ea && eb && IsAsciiDigits(a.yy) && a.yy.size() == 2 && IsAsciiDigits(a.mm) && a.mm.size() == 2 &&
        IsAsciiDigits(b.yy) && b.yy.size() == 2 && IsAsciiDigits(b.mm) && b.mm.size() == 2) {
        int ya = ea->first.year + std::stoi(a.yy) - 1, yb = eb->first.year + std::stoi(b.yy) - 1;
        if (ya != yb) return ya < yb ? -1 : 1;
        int ma = std::stoi(a.mm), mb = std::stoi(b.mm);
        return ma == mb ? 0 : (ma < mb ? -1 : 1);
    }
    int c = a.text().compare(b.text());
    return c == 0 ? 0 : (c < 0 ? -1 : 1);
}

namespace {

enum class Cls { EStop, EGo, WStop, WGo, NStop };

}  // namespace

void FloppyCheck::lofncStrCheck(bool header) {
    Trap([&] {
        if (header)
            checkHeader();
        else
            checkDetail();
    });
}

// Each check returns from the routine when its class ends the record.
#define HOTARU_FINDING(cls, text)                                               \
    do {                                                                        \
        if ((cls) == Cls::EStop || (cls) == Cls::EGo) recordError = true;       \
        losubErrlog(2, (text), hflg);                                           \
        if ((cls) == Cls::EStop || (cls) == Cls::WStop || (cls) == Cls::NStop)  \
            return false;                                                       \
    } while (0)

bool FloppyCheck::checkHeader() {
    const int hflg = 1;
    const MonthText claim = dateMonth(claimMonth_);
    const MonthText current = dateMonth(dataMonth_);
    const MonthText floor{"平成", "19", "03"};
    auto f = [this](int n) -> std::string& { return fields[static_cast<std::size_t>(n == 1 ? 0 : n)]; };

    if (!IsNumeric(f(1))) HOTARU_FINDING(Cls::EStop, "レコード区分が数値ではない");
    {
        double v = NumberOf(f(1));
        if ((v != 1 && v != 3) || CharCount(f(1)) != 1) HOTARU_FINDING(Cls::EStop, "レコード区分の文字数不正");
    }
    if (!IsNumeric(f(2))) HOTARU_FINDING(Cls::EStop, "診療年月が数値ではない");
    if (CharCount(f(2)) != 5) HOTARU_FINDING(Cls::EStop, "診療年月の文字数不正");
    const MonthText month = fieldMonth(f(2));
    if (!isValidMonth(month)) HOTARU_FINDING(Cls::EStop, "診療年月の年月不正");
    if (compareMonths(month, claim) > 0) HOTARU_FINDING(Cls::EStop, "診療年月が未来年月");
    if (compareMonths(month, floor) < 0) HOTARU_FINDING(Cls::WStop, "診療年月が１９年２月以前");
    if (compareMonths(month, current) != 0) HOTARU_FINDING(Cls::WGo, "診療年月が当月でない");

    const bool kind1 = f(1) == "1";
    const bool kind3 = f(1) == "3";
    if (kind1 && CharCount(f(3)) != 10) HOTARU_FINDING(Cls::EStop, "医療機関番号の文字数不正");
    if (kind1) {
        const std::string t = Trim(f(3));
        if (RightChars(t, 1) != CheckDigitOf(LeftChars(t, 9))) HOTARU_FINDING(Cls::WGo, "★★★医療機関番号の番号不正");
    }
    if (kind3 && !IsNumeric(LeftChars(f(3), 7)) && !IsNumeric(RightChars(f(3), 1)))
        HOTARU_FINDING(Cls::EStop, "施術機関番号が数値ではない");
    if (kind3 && CharCount(f(3)) != 9) HOTARU_FINDING(Cls::EStop, "施術機関番号の文字数不正");
    if (!IsNumeric(f(4))) HOTARU_FINDING(Cls::EStop, "事業番号が数値ではない");
    if (NumberOf(f(4)) != 1 || CharCount(f(4)) != 1) HOTARU_FINDING(Cls::EStop, "事業番号の文字数不正");
    return true;
}

bool FloppyCheck::checkDetail() {
    const int hflg = 0;
    const MonthText claim = dateMonth(claimMonth_);
    const MonthText current = dateMonth(dataMonth_);
    auto f = [this](int n) -> std::string& { return fields[static_cast<std::size_t>(n == 1 ? 0 : n)]; };
    auto len = [&](int n) { return CharCount(f(n)); };

    // Record kind.
    if (!IsNumeric(f(1))) HOTARU_FINDING(Cls::EStop, "レコード区分が数値ではない");
    {
        double v = NumberOf(f(1));
        if ((v != 2 && v != 4) || len(1) != 1) HOTARU_FINDING(Cls::EStop, "レコード区分の文字数不正");
    }
    const bool kind2 = f(1) == "2";
    const bool kind4 = f(1) == "4";

    // Institution number.
    if (kind2 && !IsNumeric(f(2))) HOTARU_FINDING(Cls::EStop, "医療機関番号が数値ではない");
    if (kind2 && len(2) != 10) HOTARU_FINDING(Cls::EStop, "医療機関番号の文字数不正");
    if (kind2) {
        const std::string t = Trim(f(2));
        if (RightChars(t, 1) != CheckDigitOf(LeftChars(t, 9))) HOTARU_FINDING(Cls::WGo, "★★★医療機関番号の番号不正");
    }
    if (kind4 && !IsNumeric(LeftChars(f(2), 7)) && !IsNumeric(RightChars(f(2), 1)))
        HOTARU_FINDING(Cls::EStop, "施術機関番号が数値ではない");
    if (kind4 && len(2) != 9) HOTARU_FINDING(Cls::EStop, "施術機関番号の文字数不正");
    if ((kind4 && !f(3).empty()) || (kind2 && len(3) >= 3)) HOTARU_FINDING(Cls::EStop, "診療科コードの文字数不正");

    // Month of the data.
    if (!IsNumeric(f(4))) HOTARU_FINDING(Cls::EStop, "診療年月が数値ではない");
    if (len(4) != 5) HOTARU_FINDING(Cls::EStop, "診療年月の文字数不正");
    const MonthText month = fieldMonth(f(4));
    if (!isValidMonth(month)) HOTARU_FINDING(Cls::EStop, "診療年月の年月不正");
    if (compareMonths(month, claim) > 0) HOTARU_FINDING(Cls::EGo, "診療年月が未来年月");
    if (compareMonths(month, MonthText{"平成", "19", "03"}) < 0) HOTARU_FINDING(Cls::WGo, "診療年月が19年2月以前");
    if (compareMonths(month, current) != 0) HOTARU_FINDING(Cls::WGo, "診療年月が当月でない");

    // City, business, recipient, name.
    if (!IsNumeric(f(5))) HOTARU_FINDING(Cls::EStop, "市町村番号が数値ではない");
    if (len(5) > 2) HOTARU_FINDING(Cls::EStop, "市町村番号の文字数不正");
    if (!IsNumeric(f(6))) HOTARU_FINDING(Cls::EStop, "事業番号が数値ではない");
    if (NumberOf(f(6)) != 1 || len(6) != 1) HOTARU_FINDING(Cls::EStop, "事業番号の文字数不正");
    if (len(7) > 9) HOTARU_FINDING(Cls::EStop, "受給者番号の文字数不正");
    f(8) = Trim(f(8));
    if (len(8) > 15) {
        f(8) = LeftChars(f(8), 15);
        HOTARU_FINDING(Cls::WGo, "氏名の文字数不正（１５桁以上）");
    }

    // Birth date.
    if (!IsNumeric(f(9))) HOTARU_FINDING(Cls::EStop, "生年月日が数値ではない");
    if (len(9) != 7) HOTARU_FINDING(Cls::EStop, "生年月日の文字数不正");
    const MonthText birth = fieldMonth(f(9));
    if (!isValidMonth(birth)) HOTARU_FINDING(Cls::WStop, "生年月日の年月不正");
    if (compareMonths(birth, month) > 0) HOTARU_FINDING(Cls::WStop, "生年月日が未来年月");

    // Insurance, inpatient/outpatient, ratio, days.
    if (!IsNumeric(f(10))) HOTARU_FINDING(Cls::EStop, "保険区分が数値ではない");
    if (len(10) > 1) HOTARU_FINDING(Cls::EStop, "保険区分の文字数不正");
    if (!IsNumeric(f(11))) HOTARU_FINDING(Cls::EStop, "保険者番号が数値ではない");
    if (len(11) > 8) HOTARU_FINDING(Cls::EStop, "保険者番号の文字数不正");
    if (!IsNumeric(f(12))) HOTARU_FINDING(Cls::EStop, "入外区分が数値ではない");
    if (len(12) > 1) HOTARU_FINDING(Cls::EStop, "入外区分の文字数不正");
    if (!IsNumeric(f(13))) HOTARU_FINDING(Cls::EStop, "割合が数値ではない");
    if (len(13) > 1) HOTARU_FINDING(Cls::WStop, "割合の文字数不正");
    if (f(13) != "1" && f(13) != "2" && f(13) != "3") HOTARU_FINDING(Cls::EStop, "割合値不正");
    if (len(14) >= 3) HOTARU_FINDING(Cls::EStop, "実日数の文字数不正");

    // Points or amount, co-payment.
    if (!IsNumeric(f(15))) {
        f(15) = "0";
        HOTARU_FINDING(Cls::EStop, kind2 ? "合計点数が数値ではない" : "請求金が数値ではない");
    }
    if (len(15) > 10) HOTARU_FINDING(Cls::EStop, kind2 ? "合計点数の文字数不正" : "請求金の文字数不正");
    if (WholePart(NumberOf(f(15))) == 0) HOTARU_FINDING(Cls::EStop, "合計点数なし");
    if (!IsNumeric(f(16))) HOTARU_FINDING(Cls::EStop, "自己負担支払額が数値ではない");
    if (len(16) > 10) HOTARU_FINDING(Cls::EStop, "自己負担支払額の文字数不正");
    if (WholePart(NumberOf(f(16))) == 0) HOTARU_FINDING(Cls::EStop, "自己負担支払額なし");
    {
        // Double precision holds every ten-digit amount times the ratio digit exactly.
        const double r = static_cast<double>(WholePart(NumberOf(f(13))));
        const double p = static_cast<double>(WholePart(NumberOf(f(15))));
        const double c = static_cast<double>(WholePart(NumberOf(f(16))));
        double lower, upper;
        if (kind2) {
            lower = RoundHalfEven(r * p - r * p * 0.1);
            upper = RoundHalfEven(r * p + r * p * 0.1);
        } else {
            const double tenth = r * p * 0.1;
            lower = RoundHalfEven(tenth - tenth);
            upper = RoundHalfEven(tenth + tenth);
        }
        if (c < lower || c > upper) HOTARU_FINDING(Cls::NStop, "自己負担支払額確認");
    }

    // Treatment month.
    if (f(17).empty() || FormatText(f(17), "00000") == "00000") f(17) = f(4);
    if (len(17) != 5) HOTARU_FINDING(Cls::EStop, "実診療年月の文字数不正");
    const MonthText treated = fieldMonth(f(17));
    if (compareMonths(treated, month) > 0) HOTARU_FINDING(Cls::EStop, "実診療年月が未来年月");
    if (compareMonths(treated, MonthText{"平成", "19", "02"}) < 0)
        HOTARU_FINDING(Cls::EStop, "実診療年月が１９年２月以前");

    // Public-expense numbers.
    if (len(18) >= 3) HOTARU_FINDING(Cls::EStop, "公費番号１の文字数不正");
    if (len(19) >= 3) HOTARU_FINDING(Cls::EStop, "公費番号２の文字数不正");
    return true;
}

#undef HOTARU_FINDING

// ---- The check list -----------------------------------------------------------

std::string FloppyCheck::listLine(int kind, const std::string& item) const {
    const std::string file = PadRight(fileName_, 22) + "/";
    if (kind == 3) {
        const long details = lineCount > 0 ? lineCount - 1 : 0;
        return file + "ﾜｰﾆﾝｸﾞ/ﾍｯﾀﾞｰ件数" + Sp(10) + PadLeft(std::to_string(headerCount.value_or(0)), 3) +
               "件と明細件数" + PadLeft(std::to_string(details), 3) + "件の不一致 /" + item;
    }
    const std::string label = recordError ? "エラー/" : "ﾜｰﾆﾝｸﾞ/";
    if (kind == 1) return file + "エラー/" + PadRight(item, 31) + "/" + currentLine;

    std::string line = file + label + LeftChars(item + Fw(25), 20) + "/";
    auto f = [this](int n) -> const std::string& { return fields[static_cast<std::size_t>(n == 1 ? 0 : n)]; };
    auto col = [&line](const std::string& value, std::size_t width, const char* after = "|") {
        line += PadLeft(" " + value, width);
        line += after;
    };
    if (f(1) == "1" || f(1) == "3") {
        col(f(1), 3);
        col(fields[1], 7);
        col(f(2), 12);
        col(f(3), 12);
        col(f(4), 4, "| ");
        line += PadRight(" " + ListAmount(f(5), false), 15) + "|";
        line += f(6);
        return line;
    }
    // Fields 15 and 16 are shown as whole numbers; the checks still see them as read.
    col(f(1), 3);
    col(fields[1], 7);
    col(f(2), 12);
    col(f(3), 4);
    col(f(4), 7);
    col(f(5), 4);
    col(f(6), 3);
    col(f(7), 12);
    line += LeftChars(f(8) + Fw(15), 10) + "|";
    line += PadLeft(f(9), 9) + "|";
    col(f(10), 3);
    col(f(11), 10);
    col(f(12), 4);
    col(f(13), 4);
    col(f(14), 4);
    col(ListAmount(f(15), true), 12);
    col(ListAmount(f(16), false), 12);
    col(f(17), 7);
    col(f(18), 4);
    col(f(19), 4);
    col(fields[20], 4);
    line += fields[21] + " ";
    return line;
}

void FloppyCheck::writeList(const std::string& utf8) {
    const std::string bytes = ToSjis(utf8);
    if (int injected = TakeInjectedWriteFailure()) throw std::system_error(injected, std::generic_category(), "write");
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), listPath_.string());
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void FloppyCheck::losubErrlog(int wkErrKind, const std::string& wkErrItem, int /*wkHFlg*/) {
    ++findings;
    try {
        const std::string line = listLine(wkErrKind, wkErrItem) + "\r\n";
        if (!listStarted) {
            // The list of an earlier run for the same file is replaced.
            if (fd_ >= 0) {
                ::close(fd_);
                fd_ = -1;
            }
            std::error_code ec;
            std::filesystem::remove(listPath_, ec);
            if (ec) throw std::system_error(ec, listPath_.string());
            fd_ = ::open(listPath_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
            if (fd_ < 0) throw std::system_error(errno, std::generic_category(), listPath_.string());
            writeList(std::string(kCheckListTitle) + "\r\n" + "　\r\n" + CheckListHeading() + "\r\n" + line);
            listStarted = true;
        } else {
            // One write per line: whatever happens later, the lines so far are in the file.
            writeList(line);
        }
    } catch (const std::exception& e) {
        if (!listFailed) ShowStandardError(e);
        listFailed = true;
    }
}

// ---- The run ------------------------------------------------------------------

FloppyCheckResult RunFloppyCheck(const FloppyCheckOptions& options) {
    FloppyCheckResult result;
    try {
        if (options.showOpening)
            MsgBox("国保連合会提出用フロッピーのチェックを行います。\rフロッピーをセットして下さい。", vbInformation,
                   "確認");

        auto settings = ReadSettingsRow();
        std::string fileName;
        if (settings) {
            if (!settings->request) {
                MsgBox("請求月更新機能にて、請求月を設定してください。\r", vbExclamation, "処理確認");
                return result;
            }
            fileName = BuildSubmissionFileName(*settings);
        }
        const std::filesystem::path filePath = options.drive / fileName;
        std::error_code ec;
        if (!settings || !std::filesystem::is_regular_file(filePath, ec)) {
            MsgBox("ＣＳＶファイルが登録されていないか、名称が正しくありません。\r当月のＣＳＶファイル名 = [ " +
                       fileName + " ]",
                   vbExclamation, "エラー");
            return result;
        }

        const std::vector<FileLine> lines = SplitSubmissionLines(ReadFileBytes(filePath));
        FloppyCheck run(fileName, *settings->request, EraTable::Load(), options.listFolder);
        result.listPath = run.listPath();
        if (lines.empty()) {
            // No line at all: the header is missing its fields.
            run.recordError = true;
            run.losubErrlog(1, "ヘッダーの項目数が不足です", 1);
        }
        bool first = true;
        for (const FileLine& line : lines) {
            run.checkLine(line, first);
            first = false;
        }
        run.finish();

        result.findings = run.findings;
        result.listIncomplete = run.listFailed;
        if (run.findings == 0) {
            result.outcome = FloppyCheckOutcome::Clean;
            result.closing = {"ＦＤデータにエラーはありませんでした。", vbInformation, "エラーなし"};
        } else {
            result.outcome = FloppyCheckOutcome::Findings;
            result.closing = {run.listFailed ? "ＦＤデータにエラーがあります。\r"
                                               "チェックリストを書き込めなかったため、リストは不完全です。\r"
                                               "内容を確認して下さい。"
                                             : "ＦＤデータにエラーがあります。\r内容を確認して下さい。",
                              vbExclamation, "エラー"};
        }
        if (options.showClosing) ShowMessage(result.closing);
        if (result.outcome == FloppyCheckOutcome::Findings && run.listStarted && options.openList)
            options.openList(result.listPath);
        return result;
    } catch (const std::exception& e) {
        ShowStandardError(e);
        result = FloppyCheckResult{};
        return result;
    }
}

}  // namespace hotaru::submission
