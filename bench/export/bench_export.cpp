// The CSV export of a month's claim rows through hotaru-cli export, against
// the physical limit measured in the same run on the same database: the
// sqlite3 shell dumping the same join as CSV, piped through iconv to CP932
// into a file that is then synced to disk (the export syncs its file too).
//
//   bench_export [--repeat R] [--also HOTARU_CLI] [ROWS ...]
//
// Defaults: 10,000 and 100,000 rows (5 per child), best of 5 interleaved
// runs.  --also times another build's hotaru-cli (an earlier commit's, say)
// in the same runs, for a before and after under the same load.  With
// HOTARU_BENCH_KEEP set the files are left for a closer look.
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
#include <vector>

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

std::string ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

const char* kJoin =
    "SELECT T_基本.name, T_基本.birthday, T_基本.code, T_基本.recipient, T_データ.diagnosis, T_データ.total, "
    "T_データ.payment, T_データ.treatment, T_データ.insurance, T_データ.insurance_no, T_データ.hospitalization, "
    "T_データ.ratio, T_データ.PublicPay1, T_データ.PublicPay2 FROM T_データ LEFT JOIN T_基本 "
    "ON T_データ.recipient = T_基本.recipient AND T_データ.code = T_基本.code "
    "WHERE T_データ.total <> 0 AND T_データ.payment <> 0 AND T_データ.request = '2008-03-01' "
    "ORDER BY T_データ.code, T_データ.recipient, T_データ.diagnosis, T_データ.eda";

struct Best {
    Times t;
    void add(const Times& x) { t = {std::min(t.wall, x.wall), std::min(t.cpu, x.cpu)}; }
};

// The totals, then the time per row beyond the bare start of the programs
// (loading them costs the same whatever the rows).
void Report(const char* what, const Times& t, const Times& start, int rows) {
    std::printf("  %-24s %7.3f s  %7.3f s   %5.2f us  %5.2f us\n", what, t.wall, t.cpu,
                (t.wall - start.wall) / rows * 1e6, (t.cpu - start.cpu) / rows * 1e6);
}

// Fills a database of rows claim rows and times the export against the
// synced pipeline (and the other hotaru-cli, when given).
void Measure(int rows, int repeats, const fs::path& also) {
    const fs::path bin = HOTARU_BIN_DIR;
    const fs::path dir = fs::temp_directory_path() /
                         ("hotaru-bench-export-" + std::to_string(::getpid()) + "-" + std::to_string(rows));
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "also");
    const fs::path live = dir / "Medic_ins.mdb";
    fs::copy_file(bin / "Medic_ins_NEW.mdb", dir / "Medic_ins_NEW.mdb");
    fs::copy_file(bin / "Medic_ins_NEW.mdb", live);
    Fill(live, rows);

    auto exportWith = [&](const fs::path& cli, const fs::path& out) {
        return Q(cli) + " export --db " + Q(live) + " --dir " + Q(out) + " > /dev/null";
    };
    const std::string ours = exportWith(bin / "hotaru-cli", dir / "out");
    const std::string other = also.empty() ? std::string() : exportWith(also, dir / "also");
    const fs::path baseline = dir / "baseline.csv";
    const std::string base = "sqlite3 -csv " + Q(live) + " \"" + kJoin + "\" | iconv -f UTF-8 -t CP932 > " +
                             Q(baseline) + " && sync " + Q(baseline);
    // The programs started with nothing to do.
    const fs::path empty = dir / "empty.csv";
    const std::string oursStart = Q(bin / "hotaru-cli") + " --help > /dev/null";
    const std::string otherStart = also.empty() ? std::string() : Q(also) + " --help > /dev/null";
    const std::string baseStart =
        "sqlite3 :memory: 'SELECT 1' | iconv -f UTF-8 -t CP932 > " + Q(empty) + " && sync " + Q(empty);
    Best startOurs, startOther, startBase;
    for (int i = 0; i < repeats; ++i) {
        startOurs.add(Time(oursStart));
        startBase.add(Time(baseStart));
        if (!otherStart.empty()) startOther.add(Time(otherStart));
    }
    Best bestOurs, bestOther, bestBase;
    for (int i = 0; i < repeats; ++i) {
        Times o = Time(ours);
        Times b = Time(base);
        bestOurs.add(o);
        bestBase.add(b);
        std::printf("  run %d: hotaru-cli export %.3f s (CPU %.3f s), synced pipeline %.3f s (CPU %.3f s)", i + 1,
                    o.wall, o.cpu, b.wall, b.cpu);
        if (!other.empty()) {
            Times a = Time(other);
            bestOther.add(a);
            std::printf(", other hotaru-cli %.3f s (CPU %.3f s)", a.wall, a.cpu);
        }
        std::printf("\n");
    }
    const fs::path written = dir / "out" / "4611234560-1-2002.CSV";
    std::printf("%d rows (%d children): file %ld lines, baseline %ld lines; best of %d, wall-clock and CPU, "
                "then per row beyond the bare start\n",
                rows, std::max(1, rows / 5), Lines(written), Lines(baseline), repeats);
    Report("hotaru-cli export", bestOurs.t, startOurs.t, rows);
    if (!other.empty()) Report("other hotaru-cli export", bestOther.t, startOther.t, rows);
    Report("synced pipeline", bestBase.t, startBase.t, rows);
    std::printf("  bare start: hotaru-cli %.1f ms (CPU %.1f ms), pipeline %.1f ms (CPU %.1f ms)\n",
                startOurs.t.wall * 1e3, startOurs.t.cpu * 1e3, startBase.t.wall * 1e3, startBase.t.cpu * 1e3);
    std::printf("  ratio %.2f wall-clock, %.2f CPU (goal <= 1.5)", bestOurs.t.wall / bestBase.t.wall,
                bestOurs.t.cpu / bestBase.t.cpu);
    if (!other.empty())
        std::printf("; other: %.2f wall-clock, %.2f CPU", bestOther.t.wall / bestBase.t.wall,
                    bestOther.t.cpu / bestBase.t.cpu);
    std::printf("\n");
    if (!other.empty() && ReadAll(written) != ReadAll(dir / "also" / written.filename()))
        std::printf("  the two programs wrote different files!\n");
    if (std::getenv("HOTARU_BENCH_KEEP"))
        std::printf("  kept %s\n", dir.c_str());
    else
        fs::remove_all(dir);
}

}  // namespace

int main(int argc, char** argv) {
    int repeats = 5;
    fs::path also;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--repeat" && i + 1 < argc) repeats = std::max(1, std::atoi(argv[++i]));
        else if (a == "--also" && i + 1 < argc) also = fs::absolute(argv[++i]);
        else sizes.push_back(std::atoi(a.c_str()));
    }
    if (sizes.empty()) sizes = {10000, 100000};
    double load[3] = {};
    if (getloadavg(load, 3) > 0) std::printf("load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
    for (int rows : sizes) Measure(rows, repeats, also);
    return 0;
}
