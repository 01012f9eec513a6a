// hotaru-cli export and fdcheck: the CSV export and the floppy check without
// windows.  Messages the windows would show go to stderr; stdout carries
// only the result (the written file's path, the check's closing message).
#include <iostream>
#include <string>

#include "app/CliCommands.h"
#include "app/Startup.h"
#include "common/Messages.h"
#include "submission/Export.h"
#include "submission/FloppyCheck.h"

namespace hotaru::cli {

namespace {

std::string PlainText(const std::string& prompt) {
    std::string text;
    for (const auto& line : MessageLines(prompt)) {
        if (!text.empty()) text += "\n";
        text += line;
    }
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// 0: written; 1: a message instead of the file (or `path` not stored);
// 2: the database could not be opened.
int CmdExport(const Args& args) {
    if (!OpenDatabase(args)) return 2;
    const submission::ExportResult r = submission::RunExport(args.get("dir"));
    DisconnectDatabase();
    if (r.wroteFile()) std::cout << r.written.string() << "\n";
    if (r.status == submission::ExportStatus::Written) return 0;
    std::cerr << PlainText(r.message.prompt) << "\n";
    return 1;
}

// 0: no finding; 1: findings, the list was started; 2: stopped early.
int CmdFdcheck(const Args& args) {
    if (!OpenDatabase(args)) return 2;
    submission::FloppyCheckOptions options;
    options.drive = args.get("drive");
    options.listFolder = args.get("out");
    // There is no floppy to put in: the notice is not shown.  The closing
    // message is printed on stdout below instead of through the message box.
    options.showOpening = false;
    options.showClosing = false;
    const submission::FloppyCheckResult r = submission::RunFloppyCheck(options);
    DisconnectDatabase();
    if (!r.closing.empty()) std::cout << PlainText(r.closing.prompt) << "\n";
    if (r.listWritten) std::cerr << "チェックリスト: " << r.listPath.string() << "\n";
    return static_cast<int>(r.outcome);
}

}  // namespace

void RegisterSubmissionCommands(const Register& add) {
    add("export", {"db", "dir"}, CmdExport);
    add("fdcheck", {"db", "drive", "out"}, CmdFdcheck);
}

}  // namespace hotaru::cli
