#pragma once
// Whole-database and whole-folder pictures, to show that a failed step
// changed nothing: every row of every table read through a connection of its
// own, and every file of a folder with its bytes.
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

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
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file.string());
    }
    sqlite3_busy_timeout(db, 5000);
    std::string out;
    auto run = [&](const std::string& sql, auto&& row) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) { sqlite3_close(db); throw std::runtime_error(sql); }
        while (sqlite3_step(st) == SQLITE_ROW) row(st);
        sqlite3_finalize(st);
    };
    auto text = [](sqlite3_stmt* st) {
        const unsigned char* t = sqlite3_column_text(st, 0);
        return std::string(t ? reinterpret_cast<const char*>(t) : "");
    };
    std::map<std::string, std::string> tables;  // name -> its rows
    run("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name", [&](sqlite3_stmt* st) { tables[text(st)]; });
    for (auto& [name, rows] : tables) {
        // The columns of the table, each through quote().
        std::string cols;
        run("SELECT name FROM pragma_table_info('" + name + "')", [&](sqlite3_stmt* st) {
            cols += (cols.empty() ? "quote(\"" : " || '|' || quote(\"") + text(st) + "\")";
        });
        out += "== " + name + "\n";
        run("SELECT " + cols + " FROM \"" + name + "\" ORDER BY rowid", [&](sqlite3_stmt* st) { out += text(st) + "\n"; });
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
