#include "data/Backup.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <optional>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>

#include "common/Errors.h"
#include "common/Text.h"
#include "data/Database.h"

namespace fs = std::filesystem;

namespace hotaru::data {

namespace {

constexpr const char* kPrefix = "Medic_ins_";
constexpr const char* kExtension = ".mdb";
constexpr int kBusyTimeoutMs = 5000;

// Medic_ins_<yyyymmdd-hhmmss>[_<n>].mdb: the stamp and the number within
// the second (1 for the first copy).
struct CopyName {
    std::string stamp;
    long n = 1;
    bool operator<(const CopyName& o) const { return std::tie(stamp, n) < std::tie(o.stamp, o.n); }
};

bool allDigits(const std::string& s) { return !s.empty() && OnlyAsciiDigits(s); }

std::optional<CopyName> parseName(const std::string& name) {
    const std::string prefix = kPrefix, ext = kExtension;
    if (name.size() < prefix.size() + 15 + ext.size() || name.rfind(prefix, 0) != 0 ||
        name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
        return std::nullopt;
    const std::string mid = name.substr(prefix.size(), name.size() - prefix.size() - ext.size());
    CopyName c{mid.substr(0, 15)};
    if (!allDigits(c.stamp.substr(0, 8)) || c.stamp[8] != '-' || !allDigits(c.stamp.substr(9))) return std::nullopt;
    const std::string rest = mid.substr(15);
    if (rest.empty()) return c;
    if (rest[0] != '_' || rest.size() > 10 || !allDigits(rest.substr(1))) return std::nullopt;
    c.n = std::stol(rest.substr(1));
    return c;
}

std::string stampNow() {
    const std::time_t t = std::time(nullptr);
    std::tm lt{};
    localtime_r(&t, &lt);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &lt);
    return buf;
}

int errorNumberOf(const std::error_code& ec) {
    if (ec == std::errc::no_space_on_device) return err::DiskFull;
    if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
        ec == std::errc::read_only_file_system)
        return err::PermissionDenied;
    return err::PathNotFound;
}

void removeQuietly(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
    fs::remove(p.string() + "-journal", ec);
}

// The error of a failed copy in the program's words: `file` is the file
// the fault lies with, `db` the connection that holds SQLite's own message.
AppError copyError(int rc, sqlite3* db, const fs::path& file) {
    const std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    switch (rc & 0xff) {
    case SQLITE_FULL: return AppError(dberr::DiskFull, "ディスクの空き容量が不足しています。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return AppError(dberr::Locked, "ファイル '" + file.string() + "' はほかのプログラムが使用中です。");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return AppError(dberr::NotADatabase, "データベースの形式 '" + file.string() + "' を認識できません。");
    default:
        return AppError(dberr::IoFailure, "ファイル '" + file.string() + "' をコピーできません。(" + detail + ")");
    }
}

}  // namespace

fs::path BackupFolderOf(const fs::path& live) {
    const fs::path dir = live.parent_path();
    return (dir.empty() ? fs::path(".") : dir) / "backup";
}

void SyncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void CopyDatabaseTo(sqlite3* from, const fs::path& to) {
    sqlite3* dst = nullptr;
    int rc = sqlite3_open_v2(to.c_str(), &dst, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const std::string detail = dst ? sqlite3_errmsg(dst) : sqlite3_errstr(rc);
        sqlite3_close(dst);
        throw AppError(err::PathNotFound, "ファイル '" + to.string() + "' を作成できません。(" + detail + ")");
    }
    sqlite3_backup* b = sqlite3_backup_init(dst, "main", from, "main");
    if (!b) {
        const AppError e = copyError(sqlite3_errcode(dst), dst, to);
        sqlite3_close(dst);
        throw e;
    }
    // The whole file in one step; another program writing to it makes the
    // step wait (busy handler of `from`) and, at worst, try again.
    for (int tries = 0;; ++tries) {
        rc = sqlite3_backup_step(b, -1);
        if (rc == SQLITE_DONE || tries >= 10 || ((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED)) break;
        sqlite3_sleep(200);
    }
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) {
        // A source that is in use or no database is named, not the copy.
        const int base = rc & 0xff;
        const char* source = sqlite3_db_filename(from, "main");
        const bool sourceFault = source && *source && (base == SQLITE_NOTADB || base == SQLITE_CORRUPT ||
                                                       base == SQLITE_BUSY || base == SQLITE_LOCKED);
        const AppError e = copyError(rc, dst, sourceFault ? fs::path(source) : to);
        sqlite3_close(dst);
        throw e;
    }
    if (sqlite3_close(dst) != SQLITE_OK)
        throw AppError(dberr::IoFailure, "ファイル '" + to.string() + "' を閉じることができません。");
    int fd = ::open(to.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0) ::close(fd);
    if (!synced) throw AppError(dberr::IoFailure, "ファイル '" + to.string() + "' を書き込めません。");
}

fs::path NextBackupName(const fs::path& folder) {
    const std::string stamp = stampNow();
    std::error_code ec;
    fs::path candidate = folder / (kPrefix + stamp + kExtension);
    for (long n = 2; fs::exists(candidate, ec) || fs::is_symlink(candidate, ec); ++n)
        candidate = folder / (kPrefix + stamp + "_" + std::to_string(n) + kExtension);
    return candidate;
}

fs::path WriteBackup(sqlite3* db, const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder))
        throw AppError(ec ? errorNumberOf(ec) : err::PathNotFound,
                       "フォルダー '" + folder.string() + "' を作成できません。");
    // Written under a name no listing takes for a copy, and renamed only when whole.
    const fs::path part = folder / (".Medic_ins_" + std::to_string(::getpid()) + ".part");
    removeQuietly(part);
    try {
        CopyDatabaseTo(db, part);
    } catch (...) {
        removeQuietly(part);
        throw;
    }
    const fs::path target = NextBackupName(folder);
    fs::rename(part, target, ec);
    if (ec) {
        removeQuietly(part);
        throw AppError(errorNumberOf(ec), "ファイル '" + target.string() + "' を作成できません。");
    }
    SyncFolder(folder);
    return target;
}

fs::path WriteBackup(Database& db, const fs::path& folder) { return WriteBackup(db.handle(), folder); }

fs::path WriteBackupOfFile(const fs::path& database, const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_regular_file(database, ec))
        throw AppError(dberr::FileNotFound, "ファイル '" + database.string() + "' が見つかりません。");
    // Read-write when possible, so that a change a crash left half done is
    // rolled back before the copy is taken.
    sqlite3* src = nullptr;
    int rc = sqlite3_open_v2(database.c_str(), &src, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(src);
        src = nullptr;
        rc = sqlite3_open_v2(database.c_str(), &src, SQLITE_OPEN_READONLY, nullptr);
    }
    if (rc != SQLITE_OK) {
        sqlite3_close(src);
        throw AppError(dberr::CannotOpen, "ファイル '" + database.string() + "' を開くことができません。");
    }
    sqlite3_busy_timeout(src, kBusyTimeoutMs);
    // A file that is not a database, or one without any table, is no
    // database to keep a copy of.
    rc = sqlite3_exec(src, "SELECT 1 FROM sqlite_master LIMIT 1", [](void*, int, char**, char**) { return 1; },
                      nullptr, nullptr);
    if (rc != SQLITE_ABORT) {
        sqlite3_close(src);
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
            throw AppError(dberr::Locked, "ファイル '" + database.string() + "' はほかのプログラムが使用中です。");
        throw AppError(dberr::NotADatabase, "データベースの形式 '" + database.string() + "' を認識できません。");
    }
    try {
        fs::path copy = WriteBackup(src, folder);
        sqlite3_close(src);
        return copy;
    } catch (...) {
        sqlite3_close(src);
        throw;
    }
}

std::vector<fs::path> ListBackups(const fs::path& folder) {
    std::vector<std::pair<CopyName, fs::path>> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (auto name = parseName(it->path().filename().string())) found.emplace_back(*name, it->path());
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<fs::path> out;
    for (auto& f : found) out.push_back(std::move(f.second));
    return out;
}

void PruneBackups(const fs::path& folder, std::size_t keep) {
    const auto copies = ListBackups(folder);
    if (copies.size() <= keep) return;
    std::error_code ec;
    for (std::size_t i = 0; i < copies.size() - keep; ++i) fs::remove(copies[i], ec);
}

}  // namespace hotaru::data
