#pragma once
// Whole-database and whole-folder pictures, to show that a failed step
// changed nothing: every row of every table read through a connection of its
// own, and every file of a folder with its bytes.
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace hotaru::test {

// Runs statements on a file through a connection of its own.
inline void ExecFile(const std::filesystem::path& file, const std::string& statements) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    char* err = nullptr;
    const std::string what = sqlite3_exec(db, statements.c_str(), nullptr, nullptr, &err) == SQLITE_OK ? "" : err ? err : "?";
    sqlite3_free(err);
    sqlite3_close(db);
    if (!what.empty()) throw std::runtime_error(what);
}

// Every table of the file, row by row in storage order, each value quoted
// by SQLite (so Null, text and numbers stay apart), one line per row.
inline std::string DumpDatabase(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    const bool opened = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK;
    sqlite3_busy_timeout(db, 5000);
    auto column = [&](const std::string& sql) {  // the first column of each row
        std::vector<std::string> values;
        const auto add = [](void* to, int, char** v, char**) {
            static_cast<std::vector<std::string>*>(to)->push_back(v[0] ? v[0] : "");
            return 0;
        };
        if (!opened || sqlite3_exec(db, sql.c_str(), add, &values, nullptr) != SQLITE_OK) {
            sqlite3_close(db);
            throw std::runtime_error("cannot read " + file.string() + ": " + sql);
        }
        return values;
    };
    std::string out;
    for (const std::string& name : column("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")) {
        std::string cols;
        for (const std::string& c : column("SELECT name FROM pragma_table_info('" + name + "')"))
            cols += (cols.empty() ? "quote(\"" : " || '|' || quote(\"") + c + "\")";
        out += "== " + name + "\n";
        for (const std::string& row : column("SELECT " + cols + " FROM \"" + name + "\" ORDER BY rowid")) out += row + "\n";
    }
    sqlite3_close(db);
    return out;
}

// Every file under a folder with its bytes (sub-folders by their path).
inline std::map<std::string, std::string> DumpFolder(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string rel = std::filesystem::relative(e.path(), folder).string();
        files[rel] = e.is_regular_file() ? ReadFile(e.path()) : std::string("(folder)");
    }
    return files;
}

}  // namespace hotaru::test
