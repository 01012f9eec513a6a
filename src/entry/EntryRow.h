#pragma once
// The claim row on the entry window, as the texts and codes of its fields.
// Everything the checks and the registration need is here, so that they run
// without a window (tests, benchmark, the window itself).
#include <optional>
#include <string>

#include "common/Date.h"

namespace hotaru::entry {

struct EntryRow {
    // Key.
    std::string city;              // Txt_City
    bool cityKnown = false;        // Lbl_CityName shows a name
    std::string recipient;         // Txt_Recipient
    std::string diagEra;           // Txt_Diagonosis (era name of the treatment month)
    std::string diagYear;          // Txt_Diagonosis_Y
    std::string diagMonth;         // Txt_Diagonosis_M
    std::optional<Date> request;   // claim month shown in Txt_Request
    std::string eda;               // Txt_Eda: branch number as text

    // Detail.
    std::string name;              // Txt_Name
    std::string bdEra;             // Txt_BD (era name of the birth date)
    std::string bdYear, bdMonth, bdDay;
    std::string insuranceText;     // text of Cbo_Insurance ("" when none chosen)
    std::optional<int> insurance;  // its code
    std::string insuranceNo;       // Txt_InsuranceNo
    std::optional<int> hospitalization;  // code of Cbo_Hospitalization
    std::string rate;              // Txt_Rate
    bool rateKnown = false;        // Lbl_RateName shows a name
    std::string total;             // Txt_Total, separators included
    std::string payment;           // Txt_Payment
    std::string treatment;         // Txt_Treatment
    bool treatmentKnown = false;   // Lbl_TreatmentName shows a name
    std::string publicPay1, publicPay2;

    bool correcting = false;       // Lbl_EditMode reads 修正 (a stored branch is loaded)
    std::string totalCaption = "合計点数";  // Lbl_Mark
};

// The era date era + year + "年" + month + "月", first day of the month.
std::optional<Date> EraMonth(const std::string& era, const std::string& year, const std::string& month);
// The treatment month of the row; nullopt when the texts give no date.
std::optional<Date> TreatmentMonth(const EntryRow& row);
// The birth date era + y + "年" + m + "月" + d + "日"; nullopt when not a date.
std::optional<Date> BirthDate(const EntryRow& row);

// The value of an amount field: digits with optional thousands separators
// (surrounding spaces allowed).  nullopt when blank or anything else is in
// it.  Values beyond 18 digits read as the largest 64-bit number.
std::optional<long long> ParseAmount(const std::string& text);

// The largest total or co-payment a claim row holds.
inline constexpr long long kMaxAmount = 2147483647LL;

}  // namespace hotaru::entry
