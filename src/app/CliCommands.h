#pragma once
// The commands of hotaru-cli.  Each module that offers work from the command
// line adds its commands in RegisterCommands (CliCommands.cpp).
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hotaru::cli {

struct Args {
    std::map<std::string, std::string> options;
    std::string get(const std::string& k) const {
        auto it = options.find(k);
        return it == options.end() ? std::string() : it->second;
    }
    bool has(const std::string& k) const { return options.count(k) != 0; }
};

// options: the names of the command's options; a name ending in "?" may be left out.
using Register = std::function<void(const std::string& name, std::vector<std::string> options,
                                    std::function<int(const Args&)> run)>;
void RegisterCommands(const Register& add);

// Connects and upgrades the database named by --db as the program does at
// start-up; false after the start-up message was printed.
bool OpenDatabase(const Args& args);

}  // namespace hotaru::cli
