// hotaru-cli version, run as a script would.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "support/TestSupport.h"

using namespace hotaru;
namespace fs = std::filesystem;

namespace {
struct Run {
    int rc;
    std::string out;
};
Run cli(const std::string& args) {
    std::string cmd = (test::BinDir() / "hotaru-cli").string() + " " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    std::array<char, 256> buf{};
    while (fgets(buf.data(), buf.size(), p)) out += buf.data();
    int status = pclose(p);
    return {WEXITSTATUS(status), out};
}
}  // namespace

TEST(CliVersion, PrintsWhatTheMenuShows) {
    test::TempDir dir;
    fs::copy_file(test::BinDir() / "Medic_ins_NEW.mdb", dir / "Medic_ins.mdb");
    auto shipped = cli("version --db '" + (dir / "Medic_ins.mdb").string() + "'");
    EXPECT_EQ(shipped.rc, 0);
    EXPECT_EQ(shipped.out, "");  // no settings row

    // A file of the older layout is upgraded first, as at start-up.
    sqlite3* db = nullptr;
    sqlite3_open((dir / "Medic_ins.mdb").c_str(), &db);
    sqlite3_exec(db,
                 "ALTER TABLE T_基本 DROP COLUMN PublicPay2; ALTER TABLE T_基本 DROP COLUMN PublicPay1;"
                 "INSERT INTO T_設定 (name, Ver) VALUES ('医院', 1.01);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    auto upgraded = cli("version --db '" + (dir / "Medic_ins.mdb").string() + "'");
    EXPECT_EQ(upgraded.rc, 0);
    EXPECT_EQ(upgraded.out, "Ver.1.10\n");
    EXPECT_TRUE(fs::exists(dir / "Medic_ins_OLD.mdb"));
}

TEST(CliVersion, BadArgumentsAndFilesFail) {
    test::TempDir dir;
    EXPECT_NE(cli("version --db '" + (dir / "none.mdb").string() + "'").rc, 0);
    // A file whose settings table is missing: the error is an exit status too.
    fs::copy_file(test::BinDir() / "Medic_ins_NEW.mdb", dir / "Medic_ins.mdb");
    sqlite3* db = nullptr;
    sqlite3_open((dir / "Medic_ins.mdb").c_str(), &db);
    sqlite3_exec(db, "DROP TABLE T_設定", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_EQ(cli("version --db '" + (dir / "Medic_ins.mdb").string() + "'").rc, 1);
    EXPECT_NE(cli("version").rc, 0);
    EXPECT_NE(cli("version --db x --bogus y").rc, 0);
    EXPECT_NE(cli("frobnicate").rc, 0);
    EXPECT_EQ(cli("--help").rc, 0);
}
