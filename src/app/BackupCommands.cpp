// hotaru-cli backup and restore: a copy of the live database on demand, and
// a copy put back in its place.  stdout carries only the path of the copy
// written; messages go to stderr.
#include <filesystem>
#include <iostream>
#include <string>

#include "app/CliCommands.h"
#include "app/Restore.h"
#include "app/Startup.h"
#include "common/Errors.h"
#include "common/Messages.h"
#include "data/Backup.h"

namespace fs = std::filesystem;

namespace hotaru::cli {

namespace {

void PrintMessage(const std::string& prompt) {
    std::string text;
    for (const auto& line : MessageLines(prompt)) {
        if (line.empty()) continue;
        if (!text.empty()) text += "\n";
        text += line;
    }
    std::cerr << text << "\n";
}

// 0: the copy's path on stdout; 1: no copy, the reason on stderr.  Copies
// in the backup folder beside the database are pruned as the program
// prunes them; a folder named with --out is left as it is.
int CmdBackup(const Args& args) {
    const fs::path live = fs::absolute(args.get("db"));
    const bool own = !args.has("out");
    const fs::path folder = own ? data::BackupFolderOf(live) : fs::absolute(args.get("out"));
    try {
        const fs::path copy = data::WriteBackupOfFile(live, folder);
        if (own) data::PruneBackups(folder);
        std::cout << copy.string() << "\n";
        return 0;
    } catch (const std::exception& e) {
        PrintMessage("データベースのバックアップを作成できませんでした。\r" + ErrorDescriptionOf(e));
        return 1;
    }
}

// 0: restored, the path of the copy kept of the replaced file on stdout;
// 1: refused or failed, the live file unchanged.
int CmdRestore(const Args& args) {
    const fs::path live = fs::absolute(args.get("db"));
    UseLiveDatabase(live);
    try {
        const fs::path kept = RestoreDatabase(live, fs::absolute(args.get("from")), CurrentDatabaseFiles().templ);
        if (!kept.empty()) std::cout << kept.string() << "\n";
        PrintMessage("データベースを復元しました。" +
                     (kept.empty() ? std::string() : "\r復元前のデータベースは '" + kept.string() + "' に保存しました。"));
        return 0;
    } catch (const std::exception& e) {
        PrintMessage("データベースを復元できませんでした。\r" + ErrorDescriptionOf(e));
        return 1;
    }
}

}  // namespace

void RegisterBackupCommands(const Register& add) {
    add("backup", {"db", "out?"}, CmdBackup);
    add("restore", {"db", "from"}, CmdRestore);
}

}  // namespace hotaru::cli
