#include "app/Restore.h"

#include <sqlite3.h>
#include <unistd.h>

#include <map>
#include <optional>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/InstanceLock.h"
#include "common/Errors.h"
#include "common/Text.h"
#include "data/Backup.h"
#include "data/Database.h"

namespace fs = std::filesystem;

namespace hotaru {

namespace dberr = data::dberr;

namespace {

// The older layout of the children table: the current one without its last two fields.
constexpr std::size_t kOldChildrenFields = 7;

struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Handle = std::unique_ptr<sqlite3, Closer>;

Handle openReadOnly(const fs::path& file) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    Handle h(db);
    if (rc != SQLITE_OK)
        throw AppError(dberr::CannotOpen, "ファイル '" + file.string() + "' を開くことができません。");
    sqlite3_busy_timeout(db, 5000);
    return h;
}

// Runs a query of one text column; false when SQLite refuses it.
bool texts(sqlite3* db, const char* sql, const std::string& arg, std::vector<std::string>& out) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return false;
    }
    if (!arg.empty()) sqlite3_bind_text(st, 1, arg.c_str(), static_cast<int>(arg.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const unsigned char* t = sqlite3_column_text(st, 0);
        out.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
    }
    sqlite3_finalize(st);
    return rc == SQLITE_DONE;
}

// Tables and their fields (names in lower case, as the engine compares them).
using Layout = std::map<std::string, std::vector<std::string>>;
std::optional<Layout> layoutOf(sqlite3* db) {
    std::vector<std::string> tables;
    if (!texts(db, "SELECT name FROM sqlite_master WHERE type = 'table'", "", tables)) return std::nullopt;
    Layout layout;
    for (const auto& t : tables) {
        std::vector<std::string> fields;
        if (!texts(db, "SELECT name FROM pragma_table_info(?)", t, fields)) return std::nullopt;
        for (auto& f : fields) f = ToLowerAscii(f);
        layout[ToLowerAscii(t)] = std::move(fields);
    }
    return layout;
}

bool knownLayout(const Layout& file, const Layout& templ) {
    for (const auto& [table, fields] : templ) {
        auto it = file.find(table);
        if (it == file.end()) return false;
        if (it->second == fields) continue;
        const bool olderChildren =
            table == "t_基本" && fields.size() > kOldChildrenFields &&
            it->second == std::vector<std::string>(fields.begin(), fields.begin() + kOldChildrenFields);
        if (!olderChildren) return false;
    }
    return true;
}

// Keeps the live file as a copy in its backup folder.  A live file that is
// no longer readable as a database is kept byte for byte: it is what the
// clinic had.
fs::path keepLive(const fs::path& live) {
    const fs::path folder = data::BackupFolderOf(live);
    try {
        return data::WriteBackupOfFile(live, folder);
    } catch (const AppError& e) {
        if (e.number() != dberr::NotADatabase)
            throw AppError(e.number(), "現在のデータベースの控えを作成できないため、復元できません。\r" + e.description());
    }
    std::error_code ec;
    const fs::path target = data::NextBackupName(folder);
    fs::copy_file(live, target, ec);
    if (ec)
        throw AppError(err::PermissionDenied, "現在のデータベースの控えを作成できないため、復元できません。\r"
                                              "ファイル '" + target.string() + "' を作成できません。");
    data::SyncFolder(folder);
    return target;
}

}  // namespace

void CheckHotaruDatabase(const fs::path& file, const fs::path& templ) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        throw AppError(dberr::FileNotFound, "ファイル '" + file.string() + "' が見つかりません。");
    const std::string notOurs = "'" + file.string() + "' はホタルのデータベースではありません。";
    auto db = openReadOnly(file);
    auto layout = layoutOf(db.get());
    if (!layout) throw AppError(dberr::NotADatabase, notOurs);

    auto t = openReadOnly(templ);
    auto expected = layoutOf(t.get());
    if (!expected || expected->empty())
        throw AppError(dberr::NotADatabase, "データベースの形式 '" + templ.string() + "' を認識できません。");
    if (!knownLayout(*layout, *expected)) throw AppError(dberr::NotADatabase, notOurs);

    std::vector<std::string> verdict;
    if (!texts(db.get(), "PRAGMA integrity_check", "", verdict) || verdict != std::vector<std::string>{"ok"})
        throw AppError(dberr::NotADatabase, "'" + file.string() + "' は壊れています。");
}

fs::path RestoreDatabase(const fs::path& live, const fs::path& from, const fs::path& templ) {
    const fs::path dir = live.parent_path().empty() ? fs::path(".") : live.parent_path();
    if (::access(dir.c_str(), W_OK) != 0)
        throw AppError(err::PermissionDenied, "フォルダー '" + dir.string() + "' に書き込めません。");
    InstanceLock lock;
    if (!lock.acquire(dir))
        throw AppError(dberr::Locked, "ホタルがこのデータベースを使用中のため、復元できません。\r"
                                      "ホタルを終了してから、もう一度実行してください。");
    std::error_code ec;
    if (fs::equivalent(live, from, ec))
        throw AppError(err::Unexpected, "復元するファイルが現在のデータベースと同じです。");
    CheckHotaruDatabase(from, templ);

    fs::path kept;
    if (fs::exists(live, ec)) kept = keepLive(live);

    const fs::path work = live.string() + ".restore";
    try {
        fs::remove(work);
        auto src = openReadOnly(from);
        data::CopyDatabaseTo(src.get(), work);
    } catch (...) {
        fs::remove(work, ec);
        fs::remove(work.string() + "-journal", ec);
        throw;
    }
    // A journal left beside the replaced file by a crash would be played
    // back into the restored one; the replaced file is kept above.
    for (const char* s : {"-journal", "-wal", "-shm"}) fs::remove(live.string() + s, ec);
    fs::rename(work, live, ec);
    if (ec) {
        fs::remove(work, ec);
        throw AppError(err::PermissionDenied, "ファイル '" + live.string() + "' を置き換えることができません。");
    }
    data::SyncFolder(dir);
    data::PruneBackups(data::BackupFolderOf(live));
    return kept;
}

}  // namespace hotaru
