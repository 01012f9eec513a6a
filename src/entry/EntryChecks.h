#pragma once
// The checks of the entry window that need no window: the field rules of a
// row before registration, the plausibility computations, the treatment-month
// and recipient-number checks made while the key is typed.
#include <optional>
#include <string>
#include <vector>

#include "entry/EntryRow.h"

namespace hotaru::entry {

// ---- Field rules before registration.

// One rule that ran: failed or passed, with the message it collects and the
// controls (object names) it colours.
struct RuleResult {
    bool failed = false;
    std::string code;                 // ERR01 ... ERR06
    std::string label;                // first message argument
    std::vector<std::string> fields;  // marked red when failed, reset when passed
    std::string focus;                // control noted for the focus
};

struct FieldCheck {
    std::vector<RuleResult> rules;  // in the order they ran
    bool failed() const;
    // Controls to mark red: those of every failed rule.
    std::vector<std::string> redFields() const;
    // Controls to reset: those of passed rules that no failed rule marks (a
    // later passing rule must not clear an earlier rule's red).
    std::vector<std::string> clearedFields() const;
};

// Runs every field rule in its order.
FieldCheck CheckEntryFields(const EntryRow& row);

// ---- Plausibility.

// The insurer number's check digit; only insurance kind 1 carries one.
// True when there is nothing to ask.
bool InsurerNumberPlausible(const EntryRow& row);

// The co-payment expected from the total and the ratio, in 1/10000 yen.
// Points (institution kind 1 outside point table 6): total × 10 yen × ratio
// in tenths; otherwise the total is in yen: total × ratio in tenths.
struct CopaymentCheck {
    bool points = false;            // the question names 合計点数, else 請求金額
    long long expected = 0;         // 1/10000 yen
    long long difference = 0;       // payment − expected, 1/10000 yen
    bool ask = false;               // outside ±100 yen
};
CopaymentCheck CheckCopayment(const EntryRow& row, int institutionType, const std::string& tencd);

// The texts of the three questions (lines joined with CR).
std::string InsurerQuestion();
std::string CopaymentQuestion(bool points);
std::string DuplicateQuestion();

// Whether the identical-row question is asked for `count` stored matches.
bool DuplicateQuestionNeeded(const EntryRow& row, const std::string& tencd, long count);

// ---- While the key is typed.

enum class MonthVerdict {
    Ok,           // passed (or nothing to check yet)
    NotNumeric,   // the checked field holds something other than a number
    NotDate,      // not a month
    Future,       // later than allowed
    TooOld,       // before 平成19年3月
    AskOld,       // 37 or more months back: ask
};
// The treatment-month check of the year field (monthField false) or the month
// field (true).  The month field allows up to the month before the claim
// month, the year field up to the claim month itself.
MonthVerdict CheckTreatmentMonthTexts(const std::string& era, const std::string& year, const std::string& month,
                                      const std::optional<Date>& request, bool monthField);
// The message of a rejection (CR at its end); "" for Ok, NotNumeric, AskOld.
std::string MonthVerdictMessage(MonthVerdict v, bool monthField);
std::string OldMonthQuestion();

// The recipient number's check digit: city as two digits + "1" + the first
// eight digits.  True when it matches (or there is nothing to check).
bool RecipientNumberPlausible(const std::string& city, const std::string& recipient);
std::string RecipientQuestion();

}  // namespace hotaru::entry
