#include "common/Date.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>

namespace hotaru {
namespace {

// Oldest first; an era ends the day before the next one begins.
constexpr std::array<EraInfo, 5> kEras{{
    {"明治", 'M', 1, {1868, 1, 25}},
    {"大正", 'T', 2, {1912, 7, 30}},
    {"昭和", 'S', 3, {1926, 12, 25}},
    {"平成", 'H', 4, {1989, 1, 8}},
    {"令和", 'R', 5, {2019, 5, 1}},
}};

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads 1..maxDigits digits at pos; -1 when there are none.
int ReadNumber(std::string_view s, std::size_t& pos, std::size_t maxDigits) {
    std::size_t start = pos;
    int value = 0;
    while (pos < s.size() && IsDigit(s[pos]) && pos - start < maxDigits) {
        value = value * 10 + (s[pos] - '0');
        ++pos;
    }
    if (pos == start) return -1;
    // More digits than allowed: not this form.
    if (pos < s.size() && IsDigit(s[pos])) return -1;
    return value;
}

bool Consume(std::string_view s, std::size_t& pos, std::string_view token) {
    if (s.substr(pos, token.size()) != token) return false;
    pos += token.size();
    return true;
}

// Appends value in decimal, padded with zeros to width, as "%0*d" would
// (without printf's cost: an export formats half a million of them).
void AppendDigits(std::string& out, int value, int width) {
    char buf[16];
    if (value < 0) {
        std::snprintf(buf, sizeof buf, "%0*d", width, value);
        out += buf;
        return;
    }
    const int n = static_cast<int>(std::to_chars(buf, buf + sizeof buf, value).ptr - buf);
    if (width > n) out.append(static_cast<std::size_t>(width - n), '0');
    out.append(buf, static_cast<std::size_t>(n));
}

std::string Digits(int value, int width) {
    std::string out;
    AppendDigits(out, value, width);
    return out;
}

// The era after e, or nullptr for the current one.
const EraInfo* NextEra(const EraInfo* e) {
    const EraInfo* next = e + 1;
    return next == kEras.data() + kEras.size() ? nullptr : next;
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::optional<Date> ParseEraText(std::string_view s) {
    const EraInfo* era = nullptr;
    std::size_t pos = 0;
    for (const EraInfo& e : kEras) {
        if (Consume(s, pos, e.name)) {
            era = &e;
            break;
        }
    }
    if (!era) return std::nullopt;
    int eraYear = Consume(s, pos, "元") ? 1 : ReadNumber(s, pos, 2);
    if (eraYear < 1 || !Consume(s, pos, "年")) return std::nullopt;
    int month = ReadNumber(s, pos, 2);
    if (month < 1 || month > 12 || !Consume(s, pos, "月")) return std::nullopt;
    int day = 0;
    if (pos < s.size()) {
        day = ReadNumber(s, pos, 2);
        if (day < 1 || !Consume(s, pos, "日") || pos != s.size()) return std::nullopt;
    }
    const int year = era->first.year + eraYear - 1;
    const EraInfo* next = NextEra(era);
    if (day == 0) {
        Date first{year, month, 1};
        Date last{year, month, DaysInMonth(year, month)};
        if (last < era->first || (next && first >= next->first)) return std::nullopt;
        return first;
    }
    Date d{year, month, day};
    if (!d.isValid() || d < era->first || (next && d >= next->first)) return std::nullopt;
    return d;
}

// y/m/d with one separator throughout ("/" or "-").
std::optional<Date> ParseNumericText(std::string_view s) {
    std::size_t pos = 0;
    std::size_t start = pos;
    int year = ReadNumber(s, pos, 4);
    std::size_t yearDigits = pos - start;
    if (year < 0 || yearDigits == 3 || pos >= s.size()) return std::nullopt;
    char sep = s[pos];
    if (sep != '/' && sep != '-') return std::nullopt;
    ++pos;
    int month = ReadNumber(s, pos, 2);
    if (month < 0 || pos >= s.size() || s[pos] != sep) return std::nullopt;
    ++pos;
    int day = ReadNumber(s, pos, 2);
    if (day < 0 || pos != s.size()) return std::nullopt;
    if (yearDigits <= 2) year += year < 30 ? 2000 : 1900;
    Date d{year, month, day};
    if (!d.isValid()) return std::nullopt;
    return d;
}

}  // namespace

bool Date::isValid() const {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

std::optional<Date> Date::fromIso(std::string_view text) {
    // A stored value may carry a time of day after the date; it is dropped.
    if (text.size() > 10 && (text[10] == ' ' || text[10] == 'T')) text = text.substr(0, 10);
    if (text.size() != 10) return std::nullopt;
    char sep = text[4];
    if ((sep != '-' && sep != '/') || text[7] != sep) return std::nullopt;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!IsDigit(text[i])) return std::nullopt;
    auto num = [&](std::size_t at, std::size_t len) {
        int v = 0;
        for (std::size_t i = at; i < at + len; ++i) v = v * 10 + (text[i] - '0');
        return v;
    };
    Date d{num(0, 4), num(5, 2), num(8, 2)};
    if (!d.isValid()) return std::nullopt;
    return d;
}

std::string Date::iso() const {
    return Digits(year, 4) + "-" + Digits(month, 2) + "-" + Digits(day, 2);
}

std::string Date::shortDate() const {
    return Digits(year, 4) + "/" + Digits(month, 2) + "/" + Digits(day, 2);
}

Date Date::today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return Date{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

const EraInfo* EraOf(const Date& date) {
    const EraInfo* found = nullptr;
    for (const EraInfo& e : kEras)
        if (date >= e.first) found = &e;
    return found;
}

const EraInfo* EraByName(std::string_view name) {
    for (const EraInfo& e : kEras)
        if (name == e.name) return &e;
    return nullptr;
}

const EraInfo* EraByCode(int code) {
    for (const EraInfo& e : kEras)
        if (e.code == code) return &e;
    return nullptr;
}

std::string FormatDate(const Date& date, std::string_view pattern) {
    if (!date.isValid()) return {};
    const EraInfo* era = EraOf(date);
    const int eraYear = era ? date.year - era->first.year + 1 : 0;
    std::string out;
    out.reserve(pattern.size() + 8);
    std::size_t i = 0;
    while (i < pattern.size()) {
        char c = pattern[i];
        char lower = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
        if (lower != 'g' && lower != 'e' && lower != 'y' && lower != 'm' && lower != 'd') {
            out += c;
            ++i;
            continue;
        }
        // A run of the same letter in either case ("gggee", "GGGEE").
        std::size_t run = 0;
        while (i + run < pattern.size() && (pattern[i + run] | 0x20) == lower) ++run;
        switch (lower) {
        case 'g':
            if (!era) return {};  // before the first era nothing sensible can be written
            if (run >= 3) {
                out += era->name;
                run = 3;
            } else if (run == 2) {
                // The first character of the name (平 for 平成).
                out += std::string_view(era->name).substr(0, 3);
            } else {
                out += era->letter;
            }
            break;
        case 'e':
            if (!era) return {};
            run = std::min<std::size_t>(run, 2);
            AppendDigits(out, eraYear, int(run));
            break;
        case 'y':
            if (run >= 4) {
                AppendDigits(out, date.year, 4);
                run = 4;
            } else if (run >= 2) {
                AppendDigits(out, date.year % 100, 2);
                run = 2;
            } else {
                out += std::to_string(date.year);
            }
            break;
        case 'm':
            run = std::min<std::size_t>(run, 2);
            AppendDigits(out, date.month, int(run));
            break;
        case 'd':
            run = std::min<std::size_t>(run, 2);
            AppendDigits(out, date.day, int(run));
            break;
        }
        i += run;
    }
    return out;
}

std::optional<Date> ParseDate(std::string_view text) {
    std::string_view s = TrimSpaces(text);
    if (s.empty()) return std::nullopt;
    if (IsDigit(s.front())) return ParseNumericText(s);
    return ParseEraText(s);
}

Date AddMonths(const Date& date, int months) {
    long total = long(date.year) * 12 + (date.month - 1) + months;
    Date r;
    r.year = int(total / 12);
    r.month = int(total % 12) + 1;
    if (r.month < 1) {  // negative totals
        r.month += 12;
        r.year -= 1;
    }
    r.day = date.day;
    if (r.month >= 1 && r.month <= 12 && r.day > DaysInMonth(r.year, r.month))
        r.day = DaysInMonth(r.year, r.month);
    return r;
}

int MonthsBetween(const Date& a, const Date& b) {
    return (b.year - a.year) * 12 + (b.month - a.month);
}

}  // namespace hotaru
