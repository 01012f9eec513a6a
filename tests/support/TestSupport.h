#pragma once
// Fixtures shared by the tests.
#include <filesystem>
#include <string>

#include "common/Messages.h"
#include "data/Connection.h"

namespace hotaru::test {

// The build's bin folder (programs and shipped databases).
std::filesystem::path BinDir();
// A fresh temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
private:
    std::filesystem::path path_;
};

// A program folder of its own holding a copy of the shipped template as the
// live database, with gDB connected to it and scripted message boxes.
class ProgramFolder {
public:
    ProgramFolder();
    ~ProgramFolder();
    const std::filesystem::path& dir() const { return tmp_.path(); }
    std::filesystem::path live() const { return tmp_ / "Medic_ins.mdb"; }
    ScriptedMessages& messages() { return messages_; }
    // Reopens gDB on the live file.
    void reconnect();
    void disconnect();
private:
    TempDir tmp_;
    ScriptedMessages messages_;
    ScopedPresenter presenter_;
};

// Writes bytes to a file.
void WriteFile(const std::filesystem::path& p, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& p);

}  // namespace hotaru::test
