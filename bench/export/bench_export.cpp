// The CSV export of a month's claim rows through hotaru-cli export, against
// the sqlite3 shell dumping the same join as CSV piped through iconv to
// CP932, in the same run.
//
//   bench_export [rows] [repeats]     (default 100000 rows, 5 per child; 3 repeats)
// With HOTARU_BENCH_KEEP set the files are left for a closer look.
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* kFamily[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "中村", "小林", "加藤"};
const char* kGiven[] = {"太郎", "花子", "一郎", "美咲", "翔太", "さくら", "大輝", "結衣", "蓮", "陽菜"};

void Exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", sql, err);
        std::exit(1);
    }
}

// 20,000 children for 100,000 rows: five treatment months each, in the
// claim month 平成20年03月, plus a few rows that are left out.
void Fill(const fs::path& file, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    Exec(db, "BEGIN");
    Exec(db, "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, request, path, Ver) "
             "VALUES (1, '46', '1', '1234560', '', 'ほたる小児科医院', 2, '2008-03-01', '', 1.1)");
    sqlite3_stmt* child = nullptr;
    sqlite3_stmt* claim = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO T_基本 (code, recipient, name, birthday, n_insurance, n_insurance_no, n_ratio) "
                       "VALUES (?, ?, ?, ?, 2, '12345678', 3)",
                       -1, &child, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, "
                       "insurance_no, hospitalization, ratio, treatment, PublicPay1, PublicPay2) "
                       "VALUES (?, ?, ?, 1, ?, ?, '2008-03-01', 2, '12345678', 2, 3, ?, ?, NULL)",
                       -1, &claim, nullptr);
    std::mt19937 rng(42);
    const int children = std::max(1, rows / 5);
    for (int c = 0; c < children; ++c) {
        char recipient[16], birthday[16];
        std::snprintf(recipient, sizeof recipient, "%09d", 100000 + c);
        std::snprintf(birthday, sizeof birthday, "20%02d-%02d-%02d", 3 + c % 5, 1 + c % 12, 1 + c % 28);
        std::string code = std::to_string(1 + c % 49);
        std::string name = std::string(kFamily[rng() % 10]) + kGiven[rng() % 10];
        sqlite3_bind_text(child, 1, code.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(child, 2, recipient, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(child, 3, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(child, 4, birthday, -1, SQLITE_TRANSIENT);
        sqlite3_step(child);
        sqlite3_reset(child);
        for (int m = 0; m < 5 && c * 5 + m < rows; ++m) {
            static const char* kMonths[] = {"2007-10-01", "2007-11-01", "2007-12-01", "2008-01-01", "2008-02-01"};
            const char* diagnosis = kMonths[m];
            int total = 500 + static_cast<int>(rng() % 3000);
            sqlite3_bind_text(claim, 1, code.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(claim, 2, recipient, -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(claim, 3, diagnosis, -1, SQLITE_STATIC);
            sqlite3_bind_int(claim, 4, total);
            sqlite3_bind_int(claim, 5, total * 3);
            sqlite3_bind_int(claim, 6, 10 + m);
            if (m == 4) sqlite3_bind_text(claim, 7, "81", -1, SQLITE_STATIC);
            else sqlite3_bind_null(claim, 7);
            sqlite3_step(claim);
            sqlite3_reset(claim);
        }
    }
    // Rows that stay out of the file.
    Exec(db, "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request) "
             "VALUES ('1', '999999999', '2008-02-01', 1, 0, 100, '2008-03-01'), "
             "('1', '999999998', '2008-02-01', 1, 100, 0, '2008-03-01'), "
             "('1', '999999997', '2008-01-01', 1, 100, 300, '2008-02-01')");
    sqlite3_finalize(child);
    sqlite3_finalize(claim);
    Exec(db, "COMMIT");
    sqlite3_close(db);
}

// Wall-clock and CPU seconds (user + system of the command and its children).
struct Times {
    double wall = 1e9, cpu = 1e9;
};

double ChildCpu() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

Times Time(const std::string& cmd) {
    double cpu0 = ChildCpu();
    auto start = std::chrono::steady_clock::now();
    int rc = std::system(cmd.c_str());
    Times t;
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu = ChildCpu() - cpu0;
    if (rc != 0) {
        std::fprintf(stderr, "failed (%d): %s\n", rc, cmd.c_str());
        std::exit(1);
    }
    return t;
}

long Lines(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::count(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>(), '\n');
}

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

const char* kJoin =
    "SELECT T_基本.name, T_基本.birthday, T_基本.code, T_基本.recipient, T_データ.diagnosis, T_データ.total, "
    "T_データ.payment, T_データ.treatment, T_データ.insurance, T_データ.insurance_no, T_データ.hospitalization, "
    "T_データ.ratio, T_データ.PublicPay1, T_データ.PublicPay2 FROM T_データ LEFT JOIN T_基本 "
    "ON T_データ.recipient = T_基本.recipient AND T_データ.code = T_基本.code "
    "WHERE T_データ.total <> 0 AND T_データ.payment <> 0 AND T_データ.request = '2008-03-01' "
    "ORDER BY T_データ.code, T_データ.recipient, T_データ.diagnosis, T_データ.eda";

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    const fs::path bin = HOTARU_BIN_DIR;
    const fs::path dir = fs::temp_directory_path() / ("hotaru-bench-export-" + std::to_string(::getpid()));
    fs::create_directories(dir / "out");
    const fs::path live = dir / "Medic_ins.mdb";
    fs::copy_file(bin / "Medic_ins_NEW.mdb", dir / "Medic_ins_NEW.mdb");
    fs::copy_file(bin / "Medic_ins_NEW.mdb", live);
    Fill(live, rows);

    const std::string ours = Q(bin / "hotaru-cli") + " export --db " + Q(live) + " --dir " + Q(dir / "out") +
                             " > /dev/null";
    const std::string base = "sqlite3 -csv " + Q(live) + " \"" + kJoin + "\" | iconv -f UTF-8 -t CP932 > " +
                             Q(dir / "baseline.csv");
    Times bestOurs, bestBase;
    for (int i = 0; i < repeats; ++i) {
        Times o = Time(ours);
        Times b = Time(base);
        std::printf("run %d: hotaru-cli export %.3f s (CPU %.3f s), sqlite3 | iconv %.3f s (CPU %.3f s)\n", i + 1,
                    o.wall, o.cpu, b.wall, b.cpu);
        bestOurs = {std::min(bestOurs.wall, o.wall), std::min(bestOurs.cpu, o.cpu)};
        bestBase = {std::min(bestBase.wall, b.wall), std::min(bestBase.cpu, b.cpu)};
    }
    const fs::path written = dir / "out" / "4611234560-1-2002.CSV";
    std::printf("rows %d (children %d): file %ld lines, baseline %ld lines\n", rows, std::max(1, rows / 5),
                Lines(written), Lines(dir / "baseline.csv"));
    std::printf("best: hotaru-cli export %.3f s (CPU %.3f s), sqlite3 | iconv %.3f s (CPU %.3f s)\n", bestOurs.wall,
                bestOurs.cpu, bestBase.wall, bestBase.cpu);
    std::printf("ratio %.2f wall-clock, %.2f CPU (goal <= 2)\n", bestOurs.wall / bestBase.wall,
                bestOurs.cpu / bestBase.cpu);
    if (std::getenv("HOTARU_BENCH_KEEP"))
        std::printf("kept %s\n", dir.c_str());
    else
        fs::remove_all(dir);
    return 0;
}
