#pragma once
// Fixtures shared by the tests.
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/Date.h"
#include "common/Messages.h"
#include "data/Connection.h"

namespace hotaru::test {

// The build's bin folder (programs and shipped databases).
std::filesystem::path BinDir();
// A fresh temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
private:
    std::filesystem::path path_;
};

// A program folder of its own holding a copy of the shipped template as the
// live database, with gDB connected to it and scripted message boxes; given a
// name, the folder is one of that name inside the temporary folder.
class ProgramFolder {
public:
    ProgramFolder();
    explicit ProgramFolder(const std::string& name);
    ~ProgramFolder();
    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path live() const { return dir_ / "Medic_ins.mdb"; }
    ScriptedMessages& messages() { return messages_; }
    // Reopens gDB on the live file.
    void reconnect();
    void disconnect();
    // Disconnects and opens the folder and its files to everybody, as a
    // shared folder would be, for a run as nobody.
    void share();
private:
    TempDir tmp_;
    std::filesystem::path dir_;
    ScriptedMessages messages_;
    ScopedPresenter presenter_;
};

template <class T>
data::Value Opt(const std::optional<T>& v) {
    return v ? data::Value(*v) : data::Value();
}

// The one settings row, Null where a field is left empty.
struct SettingsData {
    std::optional<int> type = 1;
    std::string kencd = "46", tencd = "1", no = "1234567", eda = "1", name = "蛍クリニック";
    int insurance = 1;
    std::optional<int> hospitalization = std::nullopt, treatment = std::nullopt;
    std::optional<Date> request = Date{2008, 3, 1};
    std::optional<std::string> path = std::nullopt;
    std::optional<double> ver = 1.1;
};
inline void PutSettings(const SettingsData& s) {
    DB().Execute("DELETE FROM T_設定");
    DB().Execute("INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, hospitalization, treatment, "
                 "request, path, Ver) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {Opt(s.type), s.kencd, s.tencd, s.no, s.eda, s.name, s.insurance, Opt(s.hospitalization),
                  Opt(s.treatment), Opt(s.request), Opt(s.path), Opt(s.ver)});
}

inline void PutChild(const std::string& code, const std::string& recipient, const std::string& name,
                     std::optional<Date> birthday) {
    DB().Execute("INSERT INTO T_基本 (code, recipient, name, birthday, n_insurance) VALUES (?, ?, ?, ?, 1)",
                 {code, recipient, name, Opt(birthday)});
}

// The rows of "SELECT <columns> <from>" (columns split at commas), each
// field as SQLite's quote() writes it, so Null, text and numbers stay apart,
// joined with '|'.
inline std::vector<std::string> QuotedRows(const std::string& columns, const std::string& from) {
    std::string select;
    std::istringstream list(columns);
    for (std::string c; std::getline(list, c, ',');) select += (select.empty() ? "quote(" : " || '|' || quote(") + c + ")";
    auto rs = DB().OpenRecordset("SELECT " + select + " AS line " + from, data::dbOpenSnapshot);
    std::vector<std::string> rows;
    for (; !rs.isEOF(); rs.MoveNext()) rows.push_back(rs["line"].str());
    return rows;
}

// The number a counting query gives.
inline long Count(const std::string& sql) { return static_cast<long>(DB().Scalar(sql).toInt()); }

// Writes bytes to a file.
void WriteFile(const std::filesystem::path& p, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& p);

// A message as one record: title|style|prompt.
inline std::string Msg(const std::string& title, int style, const std::string& prompt) {
    return title + "|" + std::to_string(style) + "|" + prompt;
}
template <class M>
std::string Msg(const M& m) {
    return Msg(m.title, m.style, m.prompt);
}
// The messages shown, "title:prompt" a line.
inline std::string Said(const ScriptedMessages& messages) {
    std::string s;
    for (const auto& m : messages.shown) s += m.title + ":" + m.prompt + "\n";
    return s;
}

// A run of hotaru-cli as a script runs it, without a display.
struct CliRun {
    int rc;
    std::string out, err;
    std::string record() const { return std::to_string(rc) + "|" + out + "|" + err; }
    // The path printed on the one line of out.
    std::filesystem::path printed() const { return out.substr(0, out.size() - 1); }
};
CliRun RunCli(const std::string& args);

// Read and list rights only, for a folder that cannot be written.
inline constexpr auto kReadOnly = std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                  std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                  std::filesystem::perms::others_read | std::filesystem::perms::others_exec;
// Runs fn in a child process as the unprivileged user nobody (root ignores
// file permissions); returns what fn returned.
std::string AsNobody(const std::function<std::string()>& fn);

}  // namespace hotaru::test
