// The copies kept of the live database: the newest 24, oldest removed first.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "data/Backup.h"
#include "support/TestSupport.h"

using namespace hotaru;
namespace fs = std::filesystem;

TEST(Backups, TheTwentyFifthCopyRemovesTheOldestAndNothingElse) {
    test::ProgramFolder folder;
    const fs::path backups = data::BackupFolderOf(folder.live());
    fs::create_directory(backups);
    // Files that are no copy of ours, and the upgrade's backup, stay.
    test::WriteFile(folder.dir() / "Medic_ins_OLD.mdb", "upgrade backup");
    // A name of the copies' shape whose stamp is not digits is no copy either.
    for (const char* name : {"Medic_ins_old-notes.mdb", "Medic_ins_0000abcd-000000.mdb", "readme.txt"})
        test::WriteFile(backups / name, "kept");

    std::vector<fs::path> made;
    for (int i = 0; i < 25; ++i) {
        made.push_back(data::WriteBackup(*gDB, backups));
        data::PruneBackups(backups);
        // Copies within one second are numbered, and listed in the order made.
        EXPECT_EQ(data::ListBackups(backups),
                  std::vector<fs::path>(made.begin() + (made.size() > 24 ? 1 : 0), made.end()));
    }
    EXPECT_FALSE(fs::exists(made.front()));
    EXPECT_EQ(test::ReadFile(folder.dir() / "Medic_ins_OLD.mdb"), "upgrade backup");
    for (const char* name : {"Medic_ins_old-notes.mdb", "Medic_ins_0000abcd-000000.mdb", "readme.txt"})
        EXPECT_EQ(test::ReadFile(backups / name), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(backups), fs::directory_iterator()), 27);
}
