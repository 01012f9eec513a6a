#include "support/TestSupport.h"

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

ProgramFolder::ProgramFolder() : presenter_(messages_) {
    std::filesystem::copy_file(BinDir() / "Medic_ins_NEW.mdb", tmp_ / "Medic_ins_NEW.mdb");
    std::filesystem::copy_file(BinDir() / "Medic_ins_NEW.mdb", tmp_ / "Medic_ins.mdb");
    SetProgramDir(tmp_.path());
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

void WriteFile(const std::filesystem::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

}  // namespace hotaru::test
