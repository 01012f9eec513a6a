// The floppy check through hotaru-cli fdcheck, on a clean file and on one
// where every record has findings, at 25,000, 50,000 and 100,000 records,
// against a single pass over the same file (iconv to UTF-8, one line
// written per record by awk) in the same run.
//
//   bench_fdcheck [repeats]     (default 3; the best time of each is shown)
// With HOTARU_BENCH_KEEP set the files are left for a closer look.
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* kFamily[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "中村", "小林", "加藤"};
const char* kGiven[] = {"太郎", "花子", "一郎", "美咲", "翔太", "さくら", "大輝", "結衣", "蓮", "陽菜"};

std::string Q(const fs::path& p) { return "'" + p.string() + "'"; }

void Run(const std::string& cmd, bool findingsAllowed = false) {
    int status = std::system(cmd.c_str());
    int rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (rc != 0 && !(findingsAllowed && rc == 1)) {
        std::fprintf(stderr, "failed (%d): %s\n", rc, cmd.c_str());
        std::exit(1);
    }
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

Times Time(const std::string& cmd, bool findingsAllowed) {
    double cpu0 = ChildCpu();
    auto start = std::chrono::steady_clock::now();
    Run(cmd, findingsAllowed);
    Times t;
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu = ChildCpu() - cpu0;
    return t;
}

void KeepBest(Times& best, const Times& t) {
    best.wall = std::min(best.wall, t.wall);
    best.cpu = std::min(best.cpu, t.cpu);
}

// A submission file of n detail records for 平成20年02月, in Shift_JIS.  With
// findings, every record has a wrong check digit (a warning that goes on)
// and a co-payment outside the expected range.
void WriteFile(const fs::path& file, int n, bool findings) {
    const fs::path utf8 = file.string() + ".utf8";
    {
        std::ofstream f(utf8, std::ios::binary);
        f << "1,42002,4611234560,1," << n << ",\"ほたる小児科医院\"\r\n";
        char line[256];
        for (int i = 0; i < n; ++i) {
            int total = 500 + i % 3000;
            std::snprintf(line, sizeof line,
                          "2,%s,%d,4200%d,%d,1,%09d,\"%s%s\",4%02d%02d%02d,2,12345678,2,3,,%d,%d,42%03d,%s,\r\n",
                          findings ? "4611234567" : "4611234560", 10 + i % 20, 2, 1 + i % 49, 100000 + i,
                          kFamily[i % 10], kGiven[(i / 10) % 10], 15 + i % 5, 1 + i % 12, 1 + i % 28, total,
                          findings ? total * 5 : total * 3, 1 + i % 2, i % 7 == 0 ? "81" : "");
            f << line;
        }
    }
    Run("iconv -f UTF-8 -t CP932 < " + Q(utf8) + " > " + Q(file));
    fs::remove(utf8);
}

}  // namespace

int main(int argc, char** argv) {
    const int repeats = argc > 1 ? std::atoi(argv[1]) : 3;
    const fs::path bin = HOTARU_BIN_DIR;
    const fs::path dir = fs::temp_directory_path() / ("hotaru-bench-fdcheck-" + std::to_string(::getpid()));
    fs::create_directories(dir / "clean");
    fs::create_directories(dir / "findings");
    fs::create_directories(dir / "lists");
    const fs::path live = dir / "Medic_ins.mdb";
    fs::copy_file(bin / "Medic_ins_NEW.mdb", dir / "Medic_ins_NEW.mdb");
    fs::copy_file(bin / "Medic_ins_NEW.mdb", live);
    sqlite3* db = nullptr;
    sqlite3_open(live.c_str(), &db);
    sqlite3_exec(db,
                 "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, request, path, Ver) "
                 "VALUES (1, '46', '1', '1234560', '', 'ほたる小児科医院', 2, '2008-03-01', '', 1.1)",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const std::string name = "4611234560-1-2002.CSV";

    std::printf("best of %d; wall-clock seconds, CPU seconds in brackets\n", repeats);
    std::printf("%8s  %18s  %18s  %18s  %13s  %13s  %10s\n", "records", "clean", "findings", "single pass",
                "clean/x", "findings/x", "us/rec(f)");
    for (int n : {25000, 50000, 100000}) {
        WriteFile(dir / "clean" / name, n, false);
        WriteFile(dir / "findings" / name, n, true);
        auto check = [&](const char* which) {
            return Q(bin / "hotaru-cli") + " fdcheck --db " + Q(live) + " --drive " + Q(dir / which) + " --out " +
                   Q(dir / "lists") + " > /dev/null 2>&1";
        };
        const std::string base = "iconv -f CP932 -t UTF-8 < " + Q(dir / "findings" / name) +
                                 " | awk -F, '{ print NR \"/\" $1 \"/\" $2 \"/\" $0 }' > " + Q(dir / "baseline.txt");
        Times clean, found, single;
        // Interleaved so that a busy machine weighs on all three alike.
        for (int r = 0; r < repeats; ++r) {
            KeepBest(clean, Time(check("clean"), false));
            KeepBest(found, Time(check("findings"), true));
            KeepBest(single, Time(base, false));
        }
        std::printf("%8d  %7.3f s (%5.3f)  %7.3f s (%5.3f)  %7.3f s (%5.3f)  %5.2f (%5.2f)  %5.2f (%5.2f)  %10.2f\n", n,
                    clean.wall, clean.cpu, found.wall, found.cpu, single.wall, single.cpu, clean.wall / single.wall,
                    clean.cpu / single.cpu, found.wall / single.wall, found.cpu / single.cpu, found.wall / n * 1e6);
    }
    std::ifstream list(dir / "lists" / (name + "_Error.txt"), std::ios::binary);
    long lines = std::count(std::istreambuf_iterator<char>(list), std::istreambuf_iterator<char>(), '\n');
    std::printf("check list of the last run: %ld lines (3 heading lines + 2 per record)\n", lines);
    if (std::getenv("HOTARU_BENCH_KEEP"))
        std::printf("kept %s\n", dir.c_str());
    else
        fs::remove_all(dir);
    return 0;
}
