#include "submission/FloppyCheck.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <system_error>
#include <unordered_map>

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

// The numeric test and value; plain digit texts, nearly every field of a
// good file, skip the general number reader.
struct Number {
    bool ok = false;
    double value = 0;
};

Number ReadNumber(const std::string& s) {
    if (!s.empty() && s.size() <= 15) {
        double v = 0;
        bool digits = true;
        for (char c : s) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            v = v * 10 + (c - '0');
        }
        if (digits) return {true, v};
    }
    auto v = ToNumber(s);
    return {v.has_value(), v.value_or(0)};
}

bool Numeric(const std::string& s) { return ReadNumber(s).ok; }
double NumberOf(const std::string& s) { return ReadNumber(s).value; }

std::optional<long long> WholeNumber(const std::string& s) {
    Number n = ReadNumber(s);
    if (!n.ok || std::trunc(n.value) != n.value || std::fabs(n.value) > 9.0e15) return std::nullopt;
    return static_cast<long long>(n.value);
}

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

// The whole-number part of a numeric text in digits as read, so that an
// amount wider than a machine number is listed as it stands: "1,234.7"
// reads 1234.  Only a text with an exponent goes through its value.
std::string WholeDigits(const std::string& s, double value) {
    if (s.find_first_of("eE") != std::string::npos) {
        const double whole = std::trunc(value);
        return std::fabs(whole) < 9.0e18 ? std::to_string(static_cast<long long>(whole)) : FormatNumber(whole, "0");
    }
    std::string digits;
    for (char c : s) {
        if (c == '.') break;
        if (c >= '0' && c <= '9' && !(digits.empty() && c == '0')) digits += c;
    }
    if (digits.empty()) return "0";
    return (value < 0 ? "-" : "") + digits;
}

// Fields 15 and 16 as the list shows them: the whole-number part, "0" when
// empty; a total that is not a number reads "0".
std::string ListAmount(const std::string& s, bool isTotal) {
    if (s.empty()) return "0";
    if (Number n = ReadNumber(s); n.ok) return WholeDigits(s, n.value);
    return isTotal ? std::string("0") : LeadingWholeText(s);
}

// True when a text of digits reads 00000 in the five-digit format.
bool IsZeroMonth(const std::string& s) {
    if (!s.empty() && OnlyAsciiDigits(s)) return s.find_first_not_of('0') == std::string::npos;
    return FormatText(s, "00000") == "00000";
}

int TwoDigits(const std::string& s) {
    if (s.size() != 2 || s[0] < '0' || s[0] > '9' || s[1] < '0' || s[1] > '9') return -1;
    return (s[0] - '0') * 10 + (s[1] - '0');
}

// The first n characters; plain ASCII texts are cut without counting.
std::string Leading(const std::string& s, std::size_t n) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return LeftChars(s, n);
    return s.substr(0, n);
}

// The message column of a field finding: the text and 25 full-width spaces,
// cut to 20 characters (the few message texts are worked out once each).
const std::string& MessageColumn(const std::string& item) {
    thread_local std::unordered_map<std::string, std::string> done;
    auto it = done.find(item);
    if (it == done.end()) it = done.emplace(item, LeftChars(item + Fw(25), 20)).first;
    return it->second;
}


}  // namespace

std::string CheckDigitOf(const std::string& digits) {
    // Counted in characters: a character that is not an ASCII digit counts 0.
    bool plain = true;
    for (char c : digits) plain = plain && static_cast<unsigned char>(c) < 0x80;
    if (plain) return ui::ComputeCheckDigit(digits);
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
      claim_(dateMonth(claimMonth)),
      data_(dateMonth(dataMonth_)),
      from0303_(makeMonth("平成", "19", "03")),
      from0302_(makeMonth("平成", "19", "02")),
      filePrefix_(PadRight(fileName_, 22) + "/"),
      listPath_(CheckListPath(listFolder, fileName_)) {}

FloppyCheck::~FloppyCheck() {
    // A run that ends early still leaves every line found so far in the list.
    try {
        flush(false);
    } catch (...) {
    }
    if (fd_ >= 0) ::close(fd_);
}

void FloppyCheck::checkLine(std::string_view line, bool first) {
    recordError = false;
    currentLine_ = line;
    currentValid_ = IsShiftJis(line);
    const int hflg = first ? 1 : 0;
    if (!currentValid_) {
        // Bytes that are not Shift_JIS: the record cannot be read as fields.
        recordError = true;
        losubErrlog(1, "文字コードが正しくありません", hflg);
    } else {
        const int expected = first ? 6 : 19;
        const int found = SplitRecord(line, expected, fields);
        if (found < expected) {
            recordError = true;
            losubErrlog(1, first ? "ヘッダーの項目数が不足です" : "明細の項目数が不足です　　", hflg);
        } else if (found > expected) {
            recordError = true;
            losubErrlog(1, first ? "ヘッダーの項目数が多いです" : "明細の項目数が多いです　　", hflg);
        } else {
            if (first) {
                headerRead = true;
                headerCountText = fields[5];
                headerCount = WholeNumber(fields[5]);
            }
            lofncStrCheck(first);
        }
    }
    currentLine_ = {};
    ++lineCount;
}

void FloppyCheck::finish() {
    // A count that is no whole number is refused by the federation as
    // surely as one that differs.
    if (headerRead && (!headerCount || *headerCount != lineCount - 1)) losubErrlog(3, "ヘッダー件数確認", 1);
}

FloppyCheck::Month FloppyCheck::makeMonth(std::string era, const std::string& yy, const std::string& mm) {
    Month m;
    m.text = era + yy + "年" + mm + "月";
    m.valid = !era.empty() && IsDate(m.text);
    const EraInfo* info = EraByName(era);
    const int y = TwoDigits(yy), mo = TwoDigits(mm);
    if (info && y >= 0 && mo >= 0) {
        m.ordered = true;
        m.year = info->first.year + y - 1;
        m.month = mo;
    }
    return m;
}

const FloppyCheck::Month& FloppyCheck::fieldMonth(const std::string& field) {
    // The month depends on the first five characters only (era, year, month).
    const std::string key = Leading(field, 5);
    auto it = months_.find(key);
    if (it != months_.end()) return it->second;
    Month m = makeMonth(eras_.nameOfDigit(LeftChars(key, 1)), MidChars(key, 2, 2), MidChars(key, 4, 2));
    return months_.emplace(key, std::move(m)).first->second;
}

FloppyCheck::Month FloppyCheck::dateMonth(const Date& d) {
    return makeMonth(FormatDate(d, "ggg"), FormatDate(d, "EE"), FormatDate(d, "MM"));
}

// Year-months in real calendar order: the era's first Western year plus the
// era year, then the month, so 平成31年04月 comes before 令和01年05月.  Texts
// that do not read as an era year and month compare as text, as they
// always have (an unknown era sorts before every era name).
int FloppyCheck::compareMonths(const Month& a, const Month& b) {
    if (a.ordered && b.ordered) {
        if (a.year != b.year) return a.year < b.year ? -1 : 1;
        return a.month == b.month ? 0 : (a.month < b.month ? -1 : 1);
    }
    int c = a.text.compare(b.text);
    return c == 0 ? 0 : (c < 0 ? -1 : 1);
}

namespace {

enum class Cls { EStop, EGo, WStop, WGo, NStop };

}  // namespace

void FloppyCheck::lofncStrCheck(bool header) {
    Trap([&] {
        try {
            if (header)
                checkHeader();
            else
                checkDetail();
        } catch (...) {
            flush(true);  // the lines so far are in the file while the message shows
            throw;
        }
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
    auto f = [this](int n) -> std::string& { return fields[static_cast<std::size_t>(n == 1 ? 0 : n)]; };

    if (!Numeric(f(1))) HOTARU_FINDING(Cls::EStop, "レコード区分が数値ではない");
    {
        double v = NumberOf(f(1));
        if ((v != 1 && v != 3) || CharCount(f(1)) != 1) HOTARU_FINDING(Cls::EStop, "レコード区分の文字数不正");
    }
    if (!Numeric(f(2))) HOTARU_FINDING(Cls::EStop, "診療年月が数値ではない");
    if (CharCount(f(2)) != 5) HOTARU_FINDING(Cls::EStop, "診療年月の文字数不正");
    const Month& month = fieldMonth(f(2));
    if (!month.valid) HOTARU_FINDING(Cls::EStop, "診療年月の年月不正");
    if (compareMonths(month, claim_) > 0) HOTARU_FINDING(Cls::EStop, "診療年月が未来年月");
    if (compareMonths(month, from0303_) < 0) HOTARU_FINDING(Cls::WStop, "診療年月が１９年２月以前");
    if (compareMonths(month, data_) != 0) HOTARU_FINDING(Cls::WGo, "診療年月が当月でない");

    const bool kind1 = f(1) == "1";
    const bool kind3 = f(1) == "3";
    if (kind1 && CharCount(f(3)) != 10) HOTARU_FINDING(Cls::EStop, "医療機関番号の文字数不正");
    if (kind1) {
        const std::string t = Trim(f(3));
        if (RightChars(t, 1) != CheckDigitOf(Leading(t, 9))) HOTARU_FINDING(Cls::WGo, "★★★医療機関番号の番号不正");
    }
    if (kind3 && !Numeric(LeftChars(f(3), 7)) && !Numeric(RightChars(f(3), 1)))
        HOTARU_FINDING(Cls::EStop, "施術機関番号が数値ではない");
    if (kind3 && CharCount(f(3)) != 9) HOTARU_FINDING(Cls::EStop, "施術機関番号の文字数不正");
    if (!Numeric(f(4))) HOTARU_FINDING(Cls::EStop, "事業番号が数値ではない");
    if (NumberOf(f(4)) != 1 || CharCount(f(4)) != 1) HOTARU_FINDING(Cls::EStop, "事業番号の文字数不正");
    return true;
}

bool FloppyCheck::checkDetail() {
    const int hflg = 0;
    auto f = [this](int n) -> std::string& { return fields[static_cast<std::size_t>(n == 1 ? 0 : n)]; };
    auto len = [&](int n) { return CharCount(f(n)); };

    // Record kind.
    if (!Numeric(f(1))) HOTARU_FINDING(Cls::EStop, "レコード区分が数値ではない");
    {
        double v = NumberOf(f(1));
        if ((v != 2 && v != 4) || len(1) != 1) HOTARU_FINDING(Cls::EStop, "レコード区分の文字数不正");
    }
    const bool kind2 = f(1) == "2";
    const bool kind4 = f(1) == "4";

    // Institution number.
    if (kind2 && !Numeric(f(2))) HOTARU_FINDING(Cls::EStop, "医療機関番号が数値ではない");
    if (kind2 && len(2) != 10) HOTARU_FINDING(Cls::EStop, "医療機関番号の文字数不正");
    if (kind2) {
        const std::string t = Trim(f(2));
        if (RightChars(t, 1) != CheckDigitOf(Leading(t, 9))) HOTARU_FINDING(Cls::WGo, "★★★医療機関番号の番号不正");
    }
    if (kind4 && !Numeric(LeftChars(f(2), 7)) && !Numeric(RightChars(f(2), 1)))
        HOTARU_FINDING(Cls::EStop, "施術機関番号が数値ではない");
    if (kind4 && len(2) != 9) HOTARU_FINDING(Cls::EStop, "施術機関番号の文字数不正");
    if ((kind4 && !f(3).empty()) || (kind2 && len(3) >= 3)) HOTARU_FINDING(Cls::EStop, "診療科コードの文字数不正");

    // Month of the data.
    if (!Numeric(f(4))) HOTARU_FINDING(Cls::EStop, "診療年月が数値ではない");
    if (len(4) != 5) HOTARU_FINDING(Cls::EStop, "診療年月の文字数不正");
    const Month& month = fieldMonth(f(4));
    if (!month.valid) HOTARU_FINDING(Cls::EStop, "診療年月の年月不正");
    if (compareMonths(month, claim_) > 0) HOTARU_FINDING(Cls::EGo, "診療年月が未来年月");
    if (compareMonths(month, from0303_) < 0) HOTARU_FINDING(Cls::WGo, "診療年月が19年2月以前");
    if (compareMonths(month, data_) != 0) HOTARU_FINDING(Cls::WGo, "診療年月が当月でない");

    // City, business, recipient, name.
    if (!Numeric(f(5))) HOTARU_FINDING(Cls::EStop, "市町村番号が数値ではない");
    if (len(5) > 2) HOTARU_FINDING(Cls::EStop, "市町村番号の文字数不正");
    if (!Numeric(f(6))) HOTARU_FINDING(Cls::EStop, "事業番号が数値ではない");
    if (NumberOf(f(6)) != 1 || len(6) != 1) HOTARU_FINDING(Cls::EStop, "事業番号の文字数不正");
    if (len(7) > 9) HOTARU_FINDING(Cls::EStop, "受給者番号の文字数不正");
    f(8) = Trim(f(8));
    if (len(8) > 15) {
        f(8) = LeftChars(f(8), 15);
        HOTARU_FINDING(Cls::WGo, "氏名の文字数不正（１５桁以上）");
    }

    // Birth date.
    if (!Numeric(f(9))) HOTARU_FINDING(Cls::EStop, "生年月日が数値ではない");
    if (len(9) != 7) HOTARU_FINDING(Cls::EStop, "生年月日の文字数不正");
    const Month& birth = fieldMonth(f(9));
    if (!birth.valid) HOTARU_FINDING(Cls::WStop, "生年月日の年月不正");
    if (compareMonths(birth, month) > 0) HOTARU_FINDING(Cls::WStop, "生年月日が未来年月");

    // Insurance, inpatient/outpatient, ratio, days.
    if (!Numeric(f(10))) HOTARU_FINDING(Cls::EStop, "保険区分が数値ではない");
    if (len(10) > 1) HOTARU_FINDING(Cls::EStop, "保険区分の文字数不正");
    if (!Numeric(f(11))) HOTARU_FINDING(Cls::EStop, "保険者番号が数値ではない");
    if (len(11) > 8) HOTARU_FINDING(Cls::EStop, "保険者番号の文字数不正");
    if (!Numeric(f(12))) HOTARU_FINDING(Cls::EStop, "入外区分が数値ではない");
    if (len(12) > 1) HOTARU_FINDING(Cls::EStop, "入外区分の文字数不正");
    if (!Numeric(f(13))) HOTARU_FINDING(Cls::EStop, "割合が数値ではない");
    if (len(13) > 1) HOTARU_FINDING(Cls::WStop, "割合の文字数不正");
    if (f(13) != "1" && f(13) != "2" && f(13) != "3") HOTARU_FINDING(Cls::EStop, "割合値不正");
    if (len(14) >= 3) HOTARU_FINDING(Cls::EStop, "実日数の文字数不正");

    // Points or amount, co-payment.
    if (!Numeric(f(15))) {
        f(15) = "0";
        HOTARU_FINDING(Cls::EStop, kind2 ? "合計点数が数値ではない" : "請求金が数値ではない");
    }
    if (len(15) > 10) HOTARU_FINDING(Cls::EStop, kind2 ? "合計点数の文字数不正" : "請求金の文字数不正");
    if (WholePart(NumberOf(f(15))) == 0) HOTARU_FINDING(Cls::EStop, "合計点数なし");
    if (!Numeric(f(16))) HOTARU_FINDING(Cls::EStop, "自己負担支払額が数値ではない");
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
    if (f(17).empty() || IsZeroMonth(f(17))) f(17) = f(4);
    if (len(17) != 5) HOTARU_FINDING(Cls::EStop, "実診療年月の文字数不正");
    const Month& treated = fieldMonth(f(17));
    if (compareMonths(treated, month) > 0) HOTARU_FINDING(Cls::EStop, "実診療年月が未来年月");
    if (compareMonths(treated, from0302_) < 0)
        HOTARU_FINDING(Cls::EStop, "実診療年月が１９年２月以前");

    // Public-expense numbers.
    if (len(18) >= 3) HOTARU_FINDING(Cls::EStop, "公費番号１の文字数不正");
    if (len(19) >= 3) HOTARU_FINDING(Cls::EStop, "公費番号２の文字数不正");
    return true;
}

#undef HOTARU_FINDING

// ---- The check list -----------------------------------------------------------

// One finding line in Shift_JIS, appended to out.  The fixed parts (file
// column, labels, message columns) are converted once; only the record's
// values go through the converter for each line, and a line that is listed
// whole is copied as read.
void FloppyCheck::appendListLine(std::string& line, int kind, const std::string& item) {
    if (kind == 3) {
        const long details = lineCount > 0 ? lineCount - 1 : 0;
        AppendSjis(line, filePrefix_ + "ﾜｰﾆﾝｸﾞ/ﾍｯﾀﾞｰ件数" + Sp(10) +
                             PadLeft(headerCount ? std::to_string(*headerCount) : headerCountText, 3) + "件と明細件数" +
                             PadLeft(std::to_string(details), 3) + "件の不一致 /" + item);
        return;
    }
    if (kind == 1) {
        // A line of any length is listed whole: room for it is made at once,
        // not by doubling (which would hold it twice for a moment).
        if (currentLine_.size() > kListBlock) line.reserve(line.size() + currentLine_.size() + 256);
        AppendSjis(line, filePrefix_ + "エラー/" + PadRight(item, 31) + "/");
        if (currentValid_)
            line.append(currentLine_);
        else
            AppendCleaned(line, currentLine_);
        return;
    }
    auto fixed = [&](const std::string& text) -> const std::string& {
        auto it = encoded_.find(text);
        if (it == encoded_.end()) {
            std::string bytes;
            AppendSjis(bytes, text);
            it = encoded_.emplace(text, std::move(bytes)).first;
        }
        return it->second;
    };
    line += fixed(filePrefix_);
    line += fixed(recordError ? "エラー/" : "ﾜｰﾆﾝｸﾞ/");
    line += fixed(MessageColumn(item));
    line += '/';
    auto f = [this](int n) -> const std::string& { return fields[static_cast<std::size_t>(n == 1 ? 0 : n)]; };
    // " " + value, filled with spaces on the left to width characters.
    auto col = [&](std::string_view value, std::size_t width, const char* after = "|") {
        std::size_t count = 1 + CharCount(value);
        if (count < width) line.append(width - count, ' ');
        line += ' ';
        AppendSjis(line, value);
        line += after;
    };
    if (f(1) == "1" || f(1) == "3") {
        col(f(1), 3);
        col(fields[1], 7);
        col(f(2), 12);
        col(f(3), 12);
        col(f(4), 4, "| ");
        AppendSjis(line, PadRight(" " + ListAmount(f(5), false), 15));
        line += '|';
        AppendSjis(line, f(6));
        return;
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
    const std::size_t nameChars = CharCount(f(8));
    if (nameChars >= 10) {
        AppendSjis(line, LeftChars(f(8), 10));
    } else {
        AppendSjis(line, f(8));
        for (std::size_t i = nameChars; i < 10; ++i) line += "\x81\x40";  // full-width space
    }
    line += '|';
    const std::size_t birthChars = CharCount(f(9));
    if (birthChars < 9) line.append(9 - birthChars, ' ');
    AppendSjis(line, f(9));
    line += '|';
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
    AppendSjis(line, fields[21]);
    line += ' ';
}

// Shown once, at the first failure, with what it means for the list; the
// closing message does not say it again.
void FloppyCheck::reportListFailure(const std::exception& e, bool show) {
    if (!listFailed && show)
        MsgBox(StandardErrorText(ErrorNumberOf(e), "チェックリスト '" + listPath_.string() + "'：" +
                                                       ErrorDescriptionOf(e) + "リストは不完全です。"),
               mbExclamation, "エラー");
    listFailed = true;
}

// Writes the lines kept so far.  The first write of a run replaces the list
// of an earlier run and starts with the title and the heading; a write that
// fails loses its lines (reported once) and the next one starts the file
// afresh when the heading never reached it.
void FloppyCheck::flush(bool report) {
    if (pending_.empty()) return;
    std::string bytes;
    bytes.swap(pending_);
    std::string heading;
    off_t whole = -1;  // the list's size before this block: whole lines only
    try {
        if (fd_ < 0) {
            std::error_code ec;
            std::filesystem::remove(listPath_, ec);
            if (ec) throw std::system_error(ec, listPath_.string());
            fd_ = ::open(listPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0666);
            if (fd_ < 0) throw std::system_error(errno, std::generic_category(), listPath_.string());
        }
        if (!listStarted) {
            if (::ftruncate(fd_, 0) != 0) throw std::system_error(errno, std::generic_category(), listPath_.string());
            AppendSjis(heading, std::string(kCheckListTitle) + "\r\n" + "　\r\n" + CheckListHeading() + "\r\n");
        }
        whole = ::lseek(fd_, 0, SEEK_END);
        if (int injected = TakeInjectedWriteFailure()) {
            // Half the block reaches the disk before it fills, as a real failure would.
            (void)!::write(fd_, heading.data(), heading.size());
            (void)!::write(fd_, bytes.data(), bytes.size() / 2);
            throw std::system_error(injected, std::generic_category(), listPath_.string());
        }
        // The heading goes first, then the block as it is (a block may hold a
        // whole file's worth of one line, so it is not copied again).
        for (std::string_view part : {std::string_view(heading), std::string_view(bytes)}) {
            while (!part.empty()) {
                ssize_t n = ::write(fd_, part.data(), part.size());
                if (n < 0) {
                    if (errno == EINTR) continue;
                    throw std::system_error(errno, std::generic_category(), listPath_.string());
                }
                part.remove_prefix(static_cast<std::size_t>(n));
            }
        }
        listStarted = true;
    } catch (const std::exception& e) {
        // A block cut short must not leave a torn line for the next one to follow.
        if (fd_ >= 0 && whole >= 0) (void)!::ftruncate(fd_, whole);
        reportListFailure(e, report);
    }
}

void FloppyCheck::finishList() { flush(true); }

void FloppyCheck::losubErrlog(int wkErrKind, const std::string& wkErrItem, int /*wkHFlg*/) {
    ++findings;
    const std::size_t before = pending_.size();
    try {
        appendListLine(pending_, wkErrKind, wkErrItem);
        pending_ += "\r\n";
    } catch (const std::exception& e) {
        pending_.resize(before);
        flush(true);  // the lines so far are in the file while the message shows
        reportListFailure(e, true);
        return;
    }
    // The lines go out in blocks; every way out of the run writes the rest.
    if (pending_.size() >= kListBlock) flush(true);
}

// ---- The run ------------------------------------------------------------------

FloppyCheckResult RunFloppyCheck(const FloppyCheckOptions& options) {
    FloppyCheckResult result;
    try {
        if (options.showOpening)
            MsgBox("国保連合会提出用フロッピーのチェックを行います。\rフロッピーをセットして下さい。", mbInformation,
                   "確認");

        auto settings = ReadSettingsRow();
        std::string fileName;
        if (settings) {
            if (!settings->request) {
                MsgBox("請求月更新機能にて、請求月を設定してください。\r", mbExclamation, "処理確認");
                return result;
            }
            fileName = BuildSubmissionFileName(*settings);
        }
        const std::filesystem::path filePath = options.drive / fileName;
        std::filesystem::file_status found;
        if (settings) {
            std::error_code ec;
            found = std::filesystem::status(filePath, ec);
            // A drive or disk that cannot be read is an error, not a missing file.
            if (ec && found.type() != std::filesystem::file_type::not_found)
                throw std::system_error(ec, filePath.string());
        }
        if (!settings || !std::filesystem::is_regular_file(found)) {
            MsgBox("ＣＳＶファイルが登録されていないか、名称が正しくありません。\r当月のＣＳＶファイル名 = [ " +
                       fileName + " ]",
                   mbExclamation, "エラー");
            return result;
        }

        // Line by line as the file is read: every step takes time in
        // proportion to the file's size, and memory to its longest line.
        FloppyCheck run(fileName, *settings->request, EraTable::Load(), options.listFolder);
        result.listPath = run.listPath();
        bool first = true;
        ForEachFileLine(filePath, [&](std::string_view line) {
            run.checkLine(line, first);
            first = false;
        });
        if (first) {
            // No line at all: the header is missing its fields.
            run.recordError = true;
            run.losubErrlog(1, "ヘッダーの項目数が不足です", 1);
        }
        run.finish();
        run.finishList();

        result.findings = run.findings;
        result.listIncomplete = run.listFailed;
        result.listWritten = run.listStarted;
        if (run.findings == 0) {
            result.outcome = FloppyCheckOutcome::Clean;
            result.closing = {"ＦＤデータにエラーはありませんでした。", mbInformation, "エラーなし"};
        } else {
            result.outcome = FloppyCheckOutcome::Findings;
            result.closing = {"ＦＤデータにエラーがあります。\r内容を確認して下さい。", mbExclamation, "エラー"};
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
