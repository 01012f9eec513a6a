#pragma once
// Start-up: the connection to the live database, the upgrade of a file of
// the older layout, and the city patch run before entry.
#include <filesystem>
#include <optional>
#include <string>

namespace hotaru {

// The database files: the live file, the shipped template of the current
// layout and the backup the upgrade writes.  By default all three sit in
// the program directory; the live file and the backup are in the user's
// data folder when the program folder cannot be written and holds no live
// file.
struct DatabaseFiles {
    std::filesystem::path live;
    std::filesystem::path templ;
    std::filesystem::path backup;
};
DatabaseFiles CurrentDatabaseFiles();
// Points the program at a live file elsewhere (the command line); the
// backup goes beside it, the template is the one beside it or the program's.
void UseLiveDatabase(const std::filesystem::path& live);
void ResetDatabaseFiles();

// Opens the live file into gDB; false (after the standard error message) on failure.
bool ConnectDatabase();
bool DisconnectDatabase();
// Rebuilds the live file in the current layout, keeping settings, children and
// claim rows; the old file stays as the backup.  The live file is replaced only
// once the new one is complete.
bool UpgradeDatabase();
// Adds the two cities formed in late 2007 to a city table of the old size.
void PatchCityMaster();

// The whole start-up of the database: connect, upgrade a 7-field children
// table.  Shows the start-up messages; false means the program must end.
bool OpenDatabaseAtStartup();

// "Ver." + the stored data version as "#.00", or "" without one.
std::string VersionLabelText();
// The same; nullopt (after the standard error message) when it cannot be read.
std::optional<std::string> ReadVersionLabel();

inline constexpr const char* kLiveName = "Medic_ins.mdb";
inline constexpr const char* kTemplateName = "Medic_ins_NEW.mdb";
inline constexpr const char* kBackupName = "Medic_ins_OLD.mdb";

}  // namespace hotaru
