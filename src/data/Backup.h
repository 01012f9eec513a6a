#pragma once
// Copies of the live database: taken before the updates that delete claim
// rows (a new claim month, a new institution number) and on demand from
// hotaru-cli.  A copy is made with SQLite's online backup, so it is a
// consistent picture of the file even while another connection uses it.
#include <cstddef>
#include <filesystem>
#include <vector>

struct sqlite3;

namespace hotaru::data {

class Database;

// Two years of monthly claim-month updates.
inline constexpr std::size_t kBackupsKept = 24;

// <folder of the live file>/backup
std::filesystem::path BackupFolderOf(const std::filesystem::path& live);

// Copies the database open on `db` into `folder` (made when missing) as
// Medic_ins_<yyyymmdd-hhmmss>.mdb, with "_2", "_3"... added when a copy of
// that second exists.  The copy is written under a temporary name, synced
// and renamed when complete, so a failure leaves no partial copy behind.
// Returns the copy's path; throws AppError saying why it failed.
std::filesystem::path WriteBackup(sqlite3* db, const std::filesystem::path& folder);
std::filesystem::path WriteBackup(Database& db, const std::filesystem::path& folder);
// The same from a database file that is not open here.
std::filesystem::path WriteBackupOfFile(const std::filesystem::path& database, const std::filesystem::path& folder);

// A free name for a new copy in `folder` (the folder must exist).
std::filesystem::path NextBackupName(const std::filesystem::path& folder);

// The copies in a folder, oldest first; other files are not listed.
std::vector<std::filesystem::path> ListBackups(const std::filesystem::path& folder);
// Removes all but the newest `keep` copies; a copy that cannot be removed
// stays (the next pruning tries again).
void PruneBackups(const std::filesystem::path& folder, std::size_t keep = kBackupsKept);

// Writes the database open on `from` into `to` (replaced when present)
// through the online backup, then syncs the file.  Throws AppError.
void CopyDatabaseTo(sqlite3* from, const std::filesystem::path& to);

// Syncs a folder, so a rename in it survives a power cut.
void SyncFolder(const std::filesystem::path& folder);

}  // namespace hotaru::data
