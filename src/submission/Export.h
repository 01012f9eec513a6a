#pragma once
// The CSV export: writes the claim rows of the current claim month into the
// submission file and remembers the folder.  The window shows the message
// of the result; hotaru-cli prints it.
#include <filesystem>
#include <string>

namespace hotaru::submission {

// A message box as the window would show it.
struct Message {
    std::string prompt;
    int style = 0;
    std::string title;
    bool empty() const { return prompt.empty(); }
};
// Shows the message with MsgBox (nothing when it is empty).
void ShowMessage(const Message& m);

enum class ExportStatus {
    Written,        // the file is complete and `path` holds the folder
    PathNotStored,  // the file is complete but `path` could not be updated
    NoSettings,     // no settings row
    NoClaimMonth,   // the settings row has no claim month
    NoData,         // nothing to submit for the claim month
    KindNotSet,     // institution kind other than 1 or 2
    Unencodable,    // a text has no Shift_JIS form, or a character the file cannot carry
    Inconsistent,   // the records would disagree with the header's count (a child stored twice)
    WriteFailed,    // the file could not be written (no file left behind)
    Failed,         // any other failure (standard error message)
};

struct ExportResult {
    ExportStatus status = ExportStatus::Failed;
    std::filesystem::path written;  // full path of the file (Written, PathNotStored)
    long long count = 0;            // detail records written
    Message message;                // the completion notice or what went wrong
    bool wroteFile() const { return status == ExportStatus::Written || status == ExportStatus::PathNotStored; }
};

// Writes the submission file of the claim month into folder (which must
// exist) under its fixed name, then stores the folder in T_設定.path.  The
// file appears under its name only when it is complete; an earlier file of
// the same name stays untouched when anything fails.
ExportResult RunExport(const std::filesystem::path& folder);

// The folder as it is stored: absolute, without a trailing separator.
std::string FolderText(const std::filesystem::path& folder);

// For tests: the next write of an export or a check list stops half-way with
// this errno (0 switches it off).
void InjectWriteFailure(int errnoValue);
// Takes the injected failure, if any (used by the writers).
int TakeInjectedWriteFailure();

}  // namespace hotaru::submission
