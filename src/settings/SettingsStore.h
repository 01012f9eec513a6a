#pragma once
// The institution's identity in the settings row of T_設定, apart from any
// window: reading it, writing it and the deletion of the claim rows that a
// change of institution number brings.
#include <filesystem>
#include <optional>
#include <string>

#include "data/Database.h"

#include "data/Value.h"

namespace hotaru::settings {

// The fields of the settings row that the institution settings own.
struct InstitutionRow {
    std::string kencd;     // prefecture part (kind 1), else ""
    std::string tencd;     // point-table part (kind 1), else ""
    std::string no;        // seven-digit number (kinds 1 and 2), else ""
    std::string eda;       // branch part (kind 2), else ""
    int type = 0;          // institution kind
    std::string name;
    int insurance = 0;     // default insurance kind
    std::optional<int> hospitalization;     // Null when not chosen
    std::optional<std::string> treatment;   // department code, Null when none
};

// The stored row as the window loads it; nullopt when there is no row.
struct StoredSettings {
    data::Value type, kencd, tencd, no, eda, name, insurance, hospitalization, treatment;
};
std::optional<StoredSettings> ReadStoredSettings();

// Writes the identity into the one settings row (adding it when there is
// none), in one transaction of gWS together with the deletion of every claim
// row when deleteClaimRows is set.  The claim month and the export folder
// are left as they are.  On any failure everything is rolled back and the
// error is passed on.
void RegisterInstitution(const InstitutionRow& row, bool deleteClaimRows);

// The copy of the live database taken, into the backup folder beside it,
// before an update that deletes claim rows (a new claim month, a new
// institution number).  The copy is made on construction when `needed`;
// when it cannot be made the user is told and ready() is false: the update
// must then not run.  keep() once the update went through removes the copies
// beyond the newest 24; a copy not kept (the update failed) is removed
// again, so a failed update leaves the files as they were.
class BackupBeforeDeletion {
public:
    explicit BackupBeforeDeletion(bool needed = true);
    ~BackupBeforeDeletion();
    BackupBeforeDeletion(const BackupBeforeDeletion&) = delete;
    BackupBeforeDeletion& operator=(const BackupBeforeDeletion&) = delete;
    // The update may run: the copy was made, or none was needed.
    bool ready() const { return ready_; }
    void keep();
private:
    bool ready_ = true;
    bool madeFolder_ = false;
    std::filesystem::path folder_, copy_;
};

// The one settings row opened for writing: a new row added when the table
// has none, else the first row in edit.  Set the fields, then Update().
data::Recordset OpenSettingsRowForWrite();

// The joined institution number as the window compares it: the four parts
// in the order prefecture, point table, number, branch.
inline std::string JoinInstitutionNumber(const std::string& pref, const std::string& mark,
                                         const std::string& no, const std::string& eda) {
    return pref + mark + no + eda;
}

// The eleven characters the check digit of a kind 1 number is computed over:
// prefecture part, point-table part, "00" and the first six characters of
// the number.
std::string CheckDigitSource(const std::string& pref, const std::string& mark, const std::string& no);

// A LIKE pattern for the codes that begin with the typed text; the text is
// bound, and its own wildcard characters match only themselves.
std::string PrefixPattern(const std::string& typed);

}  // namespace hotaru::settings
