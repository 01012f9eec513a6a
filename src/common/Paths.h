#pragma once
// Where the program keeps its files.
#include <filesystem>

namespace hotaru {

// The program directory: the folder of the running executable unless a test
// or the start-up has set another one.
std::filesystem::path ProgramDir();
void SetProgramDir(const std::filesystem::path& dir);
// The executable's own folder (read from /proc/self/exe).
std::filesystem::path ExecutableDir();
// The user's home folder.
std::filesystem::path HomeDir();

// The folder that holds the live database, its backup and the check lists:
// the program directory when it can be written (run from the build tree),
// else the user's data folder ($XDG_DATA_HOME/hotaru, by default
// ~/.local/share/hotaru), as for a program installed into a read-only place.
std::filesystem::path DataDir();
// True when DataDir() is not the program directory.
bool UsesUserDataDir();
// The shipped empty database of the current layout: beside the program, or
// in the installed share folder (<prefix>/share/hotaru).
std::filesystem::path TemplateDatabase();

}  // namespace hotaru
