#include "common/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <vector>

namespace hotaru {
namespace {

std::mutex gDirMutex;
std::filesystem::path gProgramDir;

}  // namespace

std::filesystem::path ProgramDir() {
    {
        std::lock_guard lock(gDirMutex);
        if (!gProgramDir.empty()) return gProgramDir;
    }
    return ExecutableDir();
}

void SetProgramDir(const std::filesystem::path& dir) {
    std::lock_guard lock(gDirMutex);
    gProgramDir = dir;
}

std::filesystem::path ExecutableDir() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.empty()) return exe.parent_path();
    // Without /proc the working folder is the best remaining guess.
    return std::filesystem::current_path(ec);
}

std::filesystem::path HomeDir() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? std::size_t(size) : 16384);
    passwd pw{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && result->pw_dir)
        return result->pw_dir;
    return "/";
}

bool UsesUserDataDir() {
    // A program folder holds its data only when the database files sit
    // beside the program (the build tree, a copied folder).  An installed
    // copy keeps its template under share/, and its folder (/usr/bin) is no
    // place for a clinic's data even when root can write it.
    const auto dir = ProgramDir();
    std::error_code ec;
    const bool filesBeside = std::filesystem::exists(dir / "Medic_ins.mdb", ec) ||
                             std::filesystem::exists(dir / "Medic_ins_NEW.mdb", ec);
    return !filesBeside || ::access(dir.c_str(), W_OK) != 0;
}

std::filesystem::path DataDir() {
    if (!UsesUserDataDir()) return ProgramDir();
    std::filesystem::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && std::filesystem::path(xdg).is_absolute())
        base = xdg;
    else
        base = HomeDir() / ".local" / "share";
    auto dir = base / "hotaru";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}

std::filesystem::path TemplateDatabase() {
    auto beside = ProgramDir() / "Medic_ins_NEW.mdb";
    std::error_code ec;
    if (std::filesystem::exists(beside, ec)) return beside;
    auto shared = ProgramDir().parent_path() / "share" / "hotaru" / "Medic_ins_NEW.mdb";
    if (std::filesystem::exists(shared, ec)) return shared;
    return beside;
}

}  // namespace hotaru
