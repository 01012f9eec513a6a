#pragma once
// The monthly submission file for the federation: its name, its header and
// detail records, and the reader the floppy check uses.  Plain C++: the
// export window, the floppy check and hotaru-cli all build on this.
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
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
    // Dates already written: a month's rows repeat a few hundred birth dates
    // and a handful of treatment months, each formatted once.
    mutable std::map<std::tuple<int, int, int, std::string>, std::string> written_;
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

// Shift_JIS as the files hold it, read in one pass: every character is
// looked up in a table made once from the system's converter, so a line of
// any length, or of any rubbish, costs the same per byte.

// True when every byte of raw belongs to a Shift_JIS character.
bool IsShiftJis(std::string_view raw);
// Appends raw decoded to UTF-8; a byte that starts no Shift_JIS character
// reads "?".  With dropQuotes the double quotes are left out.
void AppendDecoded(std::string& utf8, std::string_view raw, bool dropQuotes = false);
// Appends raw as it is, but for each byte that starts no Shift_JIS
// character, which reads "?": the bytes are Shift_JIS afterwards.
void AppendCleaned(std::string& sjis, std::string_view raw);

// Calls fn with each line of the file, read in blocks so that only the line
// in hand is held whole (ends: CR LF, CR or LF; a line end after the last
// line makes no extra line).  Bytes 0x0D and 0x0A never occur inside a
// two-byte Shift_JIS character, so the lines are those of the text.
// Throws AppError saying that the file cannot be read.
void ForEachFileLine(const std::filesystem::path& path, const std::function<void(std::string_view line)>& fn);

// The fields array of the floppy check: field 1 in slot 0, field n in slot n;
// slots 1, 20 and 21 are never filled.
using FieldSlots = std::array<std::string, 22>;

// Counts the fields of a line of Shift_JIS bytes, split at commas (a comma
// or a quote is never part of a two-byte character), stopping at the last
// comma or at a field beyond `expected`.  Returns the number of fields,
// expected + 1 meaning "more than expected".  Only when the count is the
// expected one are the fields decoded into the slots, their double quotes
// deleted; otherwise the slots keep their old text.
int SplitRecord(std::string_view sjisLine, int expected, FieldSlots& slots);

// The records of a file, split plainly at commas after the quotes are
// deleted (for tools and tests).
std::vector<std::vector<std::string>> ParseSubmissionFile(const std::filesystem::path& path);

}  // namespace hotaru::submission
