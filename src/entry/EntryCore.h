#pragma once
// The database work of the entry window and the branch-number reference:
// reading the settings and a child's rows, refilling WK_データ for a key,
// registering a row (master row and claim row in one transaction) and
// deleting one branch.  No windows here; failures throw AppError.
#include <optional>
#include <string>
#include <vector>

#include "common/Date.h"
#include "data/Value.h"
#include "entry/EntryRow.h"

namespace hotaru::entry {

// The parts of the settings row the entry window uses.
struct EntrySettings {
    int type = 0;                        // 1 points, 2 amounts
    std::string tencd;                   // point-table part
    std::optional<int> insurance;        // default insurance kind
    std::optional<int> hospitalization;  // default inpatient/outpatient kind
    std::string treatment;               // default department ("" when Null)
    std::optional<Date> request;         // claim month
};
std::optional<EntrySettings> ReadEntrySettings();

// A child's master row of T_基本.
struct MasterRow {
    std::string name;
    std::optional<Date> birthday;        // nullopt when Null or blank
    std::optional<int> insurance;        // n_insurance
    std::string insuranceNo;             // n_insurance_no
    std::string ratio;                   // n_ratio as text ("" when Null)
    std::string publicPay1, publicPay2;
};
std::optional<MasterRow> ReadMaster(const std::string& city, const std::string& recipient);

// A stored claim row of T_データ.
struct ClaimRow {
    std::optional<long long> total, payment;
    std::optional<int> insurance;
    std::string insuranceNo;
    std::optional<int> hospitalization;
    std::string ratio;                   // "" when Null
    std::string treatment;               // "" when Null
    std::string publicPay1, publicPay2;  // "" when Null
};
// The branch `eda` of the child, treatment month and claim month.
std::optional<ClaimRow> ReadClaim(const std::string& city, const std::string& recipient, const Date& diagnosis,
                                  const Date& request, long long eda);

// Looks for the child's stored branches of the treatment month in the claim
// month.  When there are any, WK_データ is refilled with them and the next
// branch number is the highest + 1; otherwise the work table keeps what it
// held and the next branch is 1.
struct BranchLoad {
    long found = 0;
    long long nextBranch = 1;
};
BranchLoad LoadBranches(const std::string& city, const std::string& recipient, const Date& diagnosis,
                        const Date& request);

// The rows of WK_データ in branch order.
struct WorkRow {
    data::Value branch, name, insuranceNo, total, payment;
};
std::vector<WorkRow> ReadWorkRows();
bool WorkTableHasRows();
// Highest branch of WK_データ + 1 (1 for an empty table).
long long NextBranchFromWork();

// Stored rows identical to the row in key, department, insurance, insurer
// number, inpatient/outpatient kind and claim month.
long CountSameRows(const EntryRow& row);

// Writes the master row and the claim row in one transaction.  Any failure
// rolls back and rethrows: neither row is half written.
void RegisterEntry(const EntryRow& row);
// Deletes the one branch of the row's key, in a transaction; the number of
// rows deleted (0 when the branch is not stored).
int DeleteBranch(const EntryRow& row);

}  // namespace hotaru::entry
