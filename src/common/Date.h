#pragma once
// Calendar dates and the Japanese era formats the windows show and read.
#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace hotaru {

struct Date {
    int year = 0;
    int month = 0;
    int day = 0;

    // A real calendar day (Gregorian, year 1..9999).
    bool isValid() const;
    // 'YYYY-MM-DD', the stored form; also accepts 'YYYY/MM/DD'.
    static std::optional<Date> fromIso(std::string_view text);
    std::string iso() const;        // 2008-04-01
    std::string shortDate() const;  // 2008/04/01 (what CStr of a date gives)
    static Date today();

    auto operator<=>(const Date&) const = default;
};

struct EraInfo {
    const char* name;   // 平成
    char letter;        // H
    int code;           // era number of the submission file (平成 = 4, 令和 = 5)
    Date first;         // first day of the era
};

// The era a date falls in (明治 onwards); nullptr before 明治.
const EraInfo* EraOf(const Date& date);
// Looked up by name (平成) or by era number; nullptr when unknown.
const EraInfo* EraByName(std::string_view name);
const EraInfo* EraByCode(int code);

// Formats with the patterns the windows use: "ggg"/"GGG" era name, "G" era
// letter, "ee"/"EE" two-digit era year, "yyyy"/"YYYY", "mm"/"MM", "dd"/"DD";
// any other character is copied.  An invalid date gives "".
std::string FormatDate(const Date& date, std::string_view pattern);

// Reads an era text (平成20年04月, 平成20年04月01日, 令和01年05月) or a
// y/m/d text (2008/04/01, 2008/4/1, 20/04/01 with a two-digit year taken as
// 1930-2029).  An era month without a day is a date when the era covers at
// least one day of that month; its value is the first day of the month.
std::optional<Date> ParseDate(std::string_view text);
inline bool IsDate(std::string_view text) { return ParseDate(text).has_value(); }

// Adds whole months; the day is clamped to the end of the resulting month.
Date AddMonths(const Date& date, int months);
// Number of month boundaries from a to b (negative when b is earlier).
int MonthsBetween(const Date& a, const Date& b);

}  // namespace hotaru
