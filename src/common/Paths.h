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

}  // namespace hotaru
