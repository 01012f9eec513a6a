#include "support/TestSupport.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include "common/Paths.h"

namespace hotaru::test {

std::filesystem::path BinDir() { return HOTARU_BIN_DIR; }

TempDir::TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    do {
        path_ = base / ("hotaru-test-" + std::to_string(rd()));
    } while (!std::filesystem::create_directory(path_));
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

ProgramFolder::ProgramFolder() : ProgramFolder(std::string()) {}

ProgramFolder::ProgramFolder(const std::string& name)
    : dir_(name.empty() ? tmp_.path() : tmp_ / name), presenter_(messages_) {
    std::filesystem::create_directories(dir_);
    for (const char* file : {"Medic_ins_NEW.mdb", "Medic_ins.mdb"})
        std::filesystem::copy_file(BinDir() / "Medic_ins_NEW.mdb", dir_ / file);
    SetProgramDir(dir_);
    reconnect();
}

ProgramFolder::~ProgramFolder() { disconnect(); }

void ProgramFolder::reconnect() {
    disconnect();
    gDB = data::Database::Open(live());
}

void ProgramFolder::disconnect() {
    if (gDB) {
        gDB->Close();
        gDB.reset();
    }
}

void ProgramFolder::share() {
    disconnect();
    std::filesystem::permissions(dir_, std::filesystem::perms::all);
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        std::filesystem::permissions(e.path(), std::filesystem::perms::all);
}

std::string AsNobody(const std::function<std::string()>& fn) {
    int pipefd[2];
    if (pipe(pipefd) != 0) return "pipe failed";
    if (fork() == 0) {
        close(pipefd[0]);
        const bool nobody = geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
        const std::string result = nobody ? fn() : "cannot become nobody";
        FILE* pipe = fdopen(pipefd[1], "w");
        fwrite(result.data(), 1, result.size(), pipe);
        fclose(pipe);
        _exit(0);
    }
    close(pipefd[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = read(pipefd[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
    close(pipefd[0]);
    wait(nullptr);
    return out;
}

CliRun RunCli(const std::string& args) {
    TempDir io;
    const std::string cmd = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + (BinDir() / "hotaru-cli").string() +
                            "' " + args + " 2>'" + (io / "err").string() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[256];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, ReadFile(io / "err")};
}

void WriteFile(const std::filesystem::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace hotaru::test
