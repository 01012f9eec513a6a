#pragma once
// Putting a backup copy back in the place of the live database, as a clinic
// does after deleting a month by mistake (hotaru-cli restore).
#include <filesystem>

namespace hotaru {

// Throws AppError saying what is wrong unless `file` is a database with
// every table of the template `templ` and the same fields (the children
// table may also be the older layout without the two public-expense fields,
// which start-up upgrades) and passes SQLite's integrity check.
void CheckHotaruDatabase(const std::filesystem::path& file, const std::filesystem::path& templ);

// Puts the copy `from` in the place of `live`: checks it as above, keeps the
// current live file as a copy in its backup folder, writes the copy beside
// the live file, syncs it and renames it over the live file.  Refused while
// the program runs on the live file's folder (its single-instance lock),
// which is held until the end so the program cannot start meanwhile.
// Returns the path of the copy kept of the replaced file (empty when there
// was no live file).  On any failure the live file is as it was and
// AppError says why.
std::filesystem::path RestoreDatabase(const std::filesystem::path& live, const std::filesystem::path& from,
                                      const std::filesystem::path& templ);

}  // namespace hotaru
