#pragma once
// The claim month (請求月) in the settings row, apart from any window.
#include <optional>
#include <string>

#include "common/Date.h"

namespace hotaru::settings {

// The month typed as era name, era year and month (平成 + "20" + "04");
// nullopt when the text era + year + "年" + month + "月" is no date.  The
// result is the first day of the month.
std::optional<Date> ClaimMonthFromEra(const std::string& eraName, const std::string& year,
                                      const std::string& month);

// Claim months before 2007/04 are not taken.
bool IsBeforeFirstClaimMonth(const Date& month);

// A month as the window shows it: its own era's name and the two-digit era
// year and month (2008-04-01 -> 平成, 20, 04; 2019-05-01 -> 令和, 01, 05).
struct EraMonthText {
    std::string era;
    std::string year;
    std::string month;
};
std::optional<EraMonthText> EraMonthOf(const Date& month);

// The stored claim month; nullopt when there is no settings row or its
// claim month is empty.
std::optional<Date> StoredClaimMonth();

// The code of an era in T_元号; nullopt when the table has no such name.
std::optional<int> EraCodeByName(const std::string& name);

// Stores the claim month in the settings row (adding a row that holds only
// the month when there is none) and deletes every claim row of the month
// before it or earlier, in one transaction of gWS.  On any failure
// everything is rolled back and the error is passed on.
void RegisterClaimMonth(const Date& month);

}  // namespace hotaru::settings
