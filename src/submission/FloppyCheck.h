#pragma once
// The floppy data check: reads the month's submission file back, checks
// every record against the federation's rules and writes each finding to
// the check list.  Window-free: the menu passes the folder that stands for
// drive "a:", the program directory for the list and a viewer to open it;
// hotaru-cli passes its options and no viewer.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "submission/Export.h"
#include "submission/SubmissionFile.h"

namespace hotaru::submission {

struct FloppyCheckOptions {
    std::filesystem::path drive;       // the folder read in place of "a:"
    std::filesystem::path listFolder;  // where the check list goes
    // Called with the list's path after a run that found something.
    std::function<void(const std::filesystem::path&)> openList;
    bool showOpening = true;   // the "insert the floppy" notice
    bool showClosing = true;   // the closing message (else only returned)
};

enum class FloppyCheckOutcome { Clean = 0, Findings = 1, Stopped = 2 };

struct FloppyCheckResult {
    FloppyCheckOutcome outcome = FloppyCheckOutcome::Stopped;
    Message closing;                  // empty when the run stopped early
    std::filesystem::path listPath;   // the check list of this submission file
    long findings = 0;                // findings made (written or lost)
    bool listIncomplete = false;      // a finding could not be written
    bool listWritten = false;         // the list holds lines of this run
};

// One run of the check (every message through MsgBox).
FloppyCheckResult RunFloppyCheck(const FloppyCheckOptions& options);

// The folder that stands for drive "a:": the folder of the last export
// (T_設定.path), or the user's home folder when none is stored.
std::filesystem::path DefaultDriveFolder();

// The check list beside the program: submission file name + "_Error.txt".
std::filesystem::path CheckListPath(const std::filesystem::path& folder, const std::string& fileName);

// The first three lines of the list (title, a full-width space, heading).
inline constexpr const char* kCheckListTitle = "乳幼児医療　ＦＤデータ確認リスト";
std::string CheckListHeading();

// The modulus-10 check digit (weights 2 and 1 from the right, last eleven
// digits) of a number given without its check digit.
std::string CheckDigitOf(const std::string& digits);

// The state of one run, as the menu window held it: the fields array, the
// current line, the record's error flag, the list-started flag and the
// counts.  lofncStrCheck and losubErrlog work on it.
class FloppyCheck {
public:
    FloppyCheck(std::string fileName, const Date& claimMonth, EraTable eras, std::filesystem::path listFolder);
    ~FloppyCheck();
    FloppyCheck(const FloppyCheck&) = delete;
    FloppyCheck& operator=(const FloppyCheck&) = delete;

    // Checks one line of the file as read (Shift_JIS bytes without the line
    // end; first = the header) and its fields.
    void checkLine(std::string_view line, bool first);
    // After the last line: compares the header count with the lines read.
    void finish();
    // Writes what is left of the list (before the closing message).
    void finishList();

    // Checks the record in the fields array; its findings go to the list.
    void lofncStrCheck(bool header);
    // Appends one line of the given kind (1 field count, 2 field finding,
    // 3 count mismatch) to the list, starting the list on the first call.
    void losubErrlog(int wkErrKind, const std::string& wkErrItem, int wkHFlg);

    FieldSlots fields;
    bool recordError = false;
    bool listStarted = false;   // the title and heading are in the file
    bool headerRead = false;    // the header had its six fields
    std::string headerCountText;            // header field 5 as read
    std::optional<long long> headerCount;   // ... when it is a whole number
    long lineCount = 0;
    long findings = 0;
    bool listFailed = false;
    const std::filesystem::path& listPath() const { return listPath_; }

private:
    // A year and month as the checks read it: the era's name, the era year
    // and the month as texts, and the Western year-month when they make one.
    struct Month {
        std::string text;      // era name + year + "年" + month + "月"
        bool valid = false;    // a real year and month of that era
        bool ordered = false;  // year and month are known (two digits each, era known)
        int year = 0, month = 0;
    };
    static Month makeMonth(std::string era, const std::string& yy, const std::string& mm);
    const Month& fieldMonth(const std::string& field);
    static Month dateMonth(const Date& d);
    static int compareMonths(const Month& a, const Month& b);
    bool checkHeader();
    bool checkDetail();
    void appendListLine(std::string& out, int kind, const std::string& item);
    void flush(bool report);
    void reportListFailure(const std::exception& e, bool show);

    std::string_view currentLine_;  // the line as read, for a field-count line
    bool currentValid_ = true;      // ... and whether its bytes are Shift_JIS
    std::string fileName_;
    Date claimMonth_;
    Date dataMonth_;
    EraTable eras_;
    Month claim_, data_, from0303_, from0302_;
    std::unordered_map<std::string, Month> months_;  // by the field's first five characters
    std::string filePrefix_;  // the file column and its "/"
    std::filesystem::path listPath_;
    int fd_ = -1;
    std::string pending_;  // encoded lines not yet written
    std::unordered_map<std::string, std::string> encoded_;  // fixed parts of the lines, encoded
    static constexpr std::size_t kListBlock = 64 * 1024;
};

}  // namespace hotaru::submission
