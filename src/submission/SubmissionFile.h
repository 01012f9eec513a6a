#pragma once
// The monthly submission file for the federation: its name, its header and
// detail records, and the reader the floppy check uses.  Plain C++: the
// export window, the floppy check and hotaru-cli all build on this.
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/Date.h"

namespace hotaru::submission {

// The settings row of T_設定 as the export and the floppy check read it.
struct SettingsRow {
    std::optional<int> type;   // institution kind: 1 (prefecture/point table/number), 2 (number/branch)
    std::string kencd;         // prefecture part (kind 1)
    std::string tencd;         // point-table part (kind 1)
    std::string no;            // institution number, seven digits
    std::string eda;           // branch part (kind 2)
    std::string name;          // institution name (trimmed)
    std::optional<Date> request;  // claim month, first day
    std::optional<std::string> path;  // folder of the last export (trimmed); nullopt when Null
};

// Reads the one row of T_設定 from gDB; nullopt when there is none.
std::optional<SettingsRow> ReadSettingsRow();

// The data month: the claim month minus one calendar month.
Date DataMonth(const Date& claimMonth);

// The file name fixed for the claim month, e.g. 4611234567-1-2002.CSV
// (kind 1) or 1234567-1-1-2002.CSV (any other kind).  Throws AppError when
// the claim month is missing.
std::string BuildSubmissionFileName(const SettingsRow& row);

// The institution number written in the records: the leading 10 (kind 1) or
// 9 (kind 2) characters of the file name, so name and records never disagree.
std::string InstitutionNumberOf(int type, const std::string& fileName);

// The era table T_元号 read once: era number <-> era name.
class EraTable {
public:
    // Reads every row of T_元号 from gDB.
    static EraTable Load();
    EraTable() = default;
    void add(int code, std::string name);
    // Era number of an era name; nullopt when the table does not know it.
    std::optional<int> codeOf(const std::string& name) const;
    // Era name of the era-number text read from a file (one character); ""
    // when the text is not a digit or no row has that number.
    std::string nameOfDigit(const std::string& digit) const;
    // The era number of the date's own era followed by the date in the given
    // pattern ("EEMM" or "EEMMDD"); the number is left out when the table does
    // not know the era.
    std::string eraDigits(const Date& date, const char* pattern) const;

private:
    std::map<int, std::string> byCode_;
    std::map<std::string, int> byName_;
};

// One claim row as the export query delivers it.
struct ClaimRow {
    std::string name;                  // T_基本.name ("" for Null)
    std::optional<Date> birthday;      // nullopt for Null
    std::string city;                  // 市町村番号
    std::string recipient;             // 受給NO, as stored
    std::optional<Date> diagnosis;     // 実診療年月
    std::string total, payment;
    std::string treatment, insurance, insuranceNo, hospitalization, ratio;
    std::string publicPay1, publicPay2;
};

// The header record (without the line end): kind, month, institution number,
// "1", count, quoted name.
std::string BuildHeaderRecord(int type, const std::string& institution, const std::string& month,
                              long long count, const std::string& name);
// One detail record (without the line end).  dataMonth is field 4 as written
// (era number + EEMM of the data month).
std::string BuildDetailRecord(int type, const std::string& institution, const std::string& dataMonth,
                              const ClaimRow& row, const EraTable& eras);
// The same, appended to out.
void AppendDetailRecord(std::string& out, int type, const std::string& institution, const std::string& dataMonth,
                        const ClaimRow& row, const EraTable& eras);

// ---- Reading ----------------------------------------------------------

// One line of a submission file.
struct FileLine {
    std::string text;       // UTF-8, without the line end; bad bytes read "?"
    bool valid = true;      // false when the line's bytes are not Shift_JIS
};

// Splits file bytes into lines at CR LF, CR or LF and decodes each from
// Shift_JIS.  A line end after the last line makes no extra line.
std::vector<FileLine> SplitSubmissionLines(const std::string& bytes);
// Reads a whole file; throws std::system_error when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// The fields array of the floppy check: field 1 in slot 0, field n in slot n;
// slots 1, 20 and 21 are never filled.
using FieldSlots = std::array<std::string, 22>;

// Deletes every double quote, then splits at commas into the slots, stopping
// at the last comma or at a field beyond `expected`.  Returns the number of
// fields found, expected + 1 meaning "more than expected".  Slots not reached
// keep their old text.
int SplitRecord(const std::string& line, int expected, FieldSlots& slots);

// The records of a file, split plainly at commas after the quotes are
// deleted (for tools and tests).
std::vector<std::vector<std::string>> ParseSubmissionFile(const std::filesystem::path& path);

}  // namespace hotaru::submission
