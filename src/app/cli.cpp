// hotaru-cli: the program's work from a script, without windows.
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "app/Startup.h"
#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Text.h"

using namespace hotaru;

namespace {

const char* kUsage =
    "usage: hotaru-cli <command> [options]\n"
    "\n"
    "commands:\n"
    "  version --db FILE                   print the data version as the menu shows it\n"
    "  export  --db FILE --dir DIR         write the month's submission file into DIR\n"
    "  fdcheck --db FILE --drive DIR --out DIR2\n"
    "                                      check the submission file in DIR, list into DIR2\n"
    "  list    --db FILE --pdf OUT         write the claim list as a PDF\n"
    "  backup  --db FILE [--out DIR]       copy the database into DIR (default: the\n"
    "                                      backup folder beside FILE)\n"
    "  restore --db FILE --from BACKUP     put a copy back in the place of FILE\n"
    "  --help                              this text\n"
    "\n"
    "The database is connected (and a file of the older layout upgraded) as the\n"
    "desktop program does at start-up.\n"
    "\n"
    "version prints nothing when no version is stored; exit 1 when it cannot be\n"
    "read (the message goes to stderr).\n"
    "export prints the written file's full path on stdout and stores DIR as the\n"
    "export folder; exit 0.  Where the window would show a message instead of\n"
    "writing (no settings, nothing to export, a write failure) the message goes\n"
    "to stderr, no file is written and the exit status is 1.\n"
    "fdcheck reads DIR in place of drive a: and writes the check list into DIR2.\n"
    "It does not ask for the floppy; stdout carries only the closing message,\n"
    "every other message (and the list's path) goes to stderr.  Exit 0: no\n"
    "finding; 1: findings, see the list; 2: stopped early (no settings, no file\n"
    "of that name, unreadable file).\n"
    "backup and restore copy the files as they are, without connecting or\n"
    "upgrading.  backup prints the copy's path (Medic_ins_<yyyymmdd-hhmmss>.mdb);\n"
    "the backup folder keeps the newest 24 copies (a folder named with --out is\n"
    "not pruned).  restore checks that BACKUP is a Hotaru database passing\n"
    "SQLite's integrity check, keeps FILE as a copy in its backup folder (the\n"
    "copy's path is printed) and then replaces FILE.  It refuses while the\n"
    "program is running on FILE.  Both exit 1 when they did nothing (the reason\n"
    "on stderr).\n"
    "Exit 2 also means the database could not be opened or the usage is wrong.\n";

int cmdVersion(const cli::Args& args) {
    if (!cli::OpenDatabase(args)) return 2;
    const std::optional<std::string> label = ReadVersionLabel();
    DisconnectDatabase();
    if (!label) return 1;
    if (!label->empty()) std::cout << *label << "\n";
    return 0;
}

}  // namespace

namespace hotaru::cli {

// Messages go to stderr; questions take their default button.
class ConsoleMessages : public MessagePresenter {
public:
    int show(const std::string& prompt, int style, const std::string&) override {
        std::string text;
        for (const auto& line : MessageLines(prompt)) {
            if (!text.empty()) text += "\n";
            text += line;
        }
        while (!text.empty() && text.back() == '\n') text.pop_back();
        std::cerr << text << "\n";
        int buttons = style & 7;
        bool second = (style & mbDefaultButton2) != 0;
        switch (buttons) {
        case mbYesNo:
        case mbYesNoCancel: return second ? mbNo : mbYes;
        case mbOKCancel: return second ? mbCancel : mbOK;
        default: return mbOK;
        }
    }
};

std::optional<Args> Parse(int argc, char** argv, int first, const std::vector<std::string>& required) {
    Args a;
    for (int i = first; i < argc; ++i) {
        std::string k = argv[i];
        if (k.rfind("--", 0) != 0 || i + 1 >= argc) {
            std::cerr << "hotaru-cli: unexpected argument '" << k << "'\n";
            return std::nullopt;
        }
        a.options[k.substr(2)] = argv[++i];
    }
    auto optional = [](const std::string& r) { return !r.empty() && r.back() == '?'; };
    auto name = [&](const std::string& r) { return optional(r) ? r.substr(0, r.size() - 1) : r; };
    for (const auto& r : required) {
        if (!optional(r) && !a.options.count(r)) {
            std::cerr << "hotaru-cli: missing --" << r << "\n";
            return std::nullopt;
        }
    }
    for (const auto& [k, v] : a.options) {
        bool known = false;
        for (const auto& r : required) known = known || name(r) == k;
        if (!known) {
            std::cerr << "hotaru-cli: unknown option --" << k << "\n";
            return std::nullopt;
        }
    }
    return a;
}

bool OpenDatabase(const Args& args) {
    UseLiveDatabase(args.get("db"));
    return OpenDatabaseAtStartup();
}

}  // namespace hotaru::cli

int main(int argc, char** argv) {
    cli::ConsoleMessages console;
    SetMessagePresenter(&console);
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::cout << kUsage;
        return argc < 2 ? 2 : 0;
    }
    struct Command {
        std::vector<std::string> options;
        std::function<int(const cli::Args&)> run;
    };
    std::map<std::string, Command> commands = {
        {"version", {{"db"}, cmdVersion}},
    };
    cli::RegisterCommands([&](const std::string& name, std::vector<std::string> options,
                              std::function<int(const cli::Args&)> run) {
        commands[name] = Command{std::move(options), std::move(run)};
    });
    auto it = commands.find(argv[1]);
    if (it == commands.end()) {
        std::cerr << "hotaru-cli: unknown command '" << argv[1] << "' (see hotaru-cli --help)\n";
        return 2;
    }
    auto args = cli::Parse(argc, argv, 2, it->second.options);
    if (!args) return 2;
    try {
        return it->second.run(*args);
    } catch (const std::exception& e) {
        std::cerr << StandardErrorText(ErrorNumberOf(e), ErrorDescriptionOf(e)) << "\n";
        return 2;
    }
}
