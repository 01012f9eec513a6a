// The floppy check through hotaru-cli fdcheck, on a clean file and on one
// where every record has findings, at 25,000, 50,000 and 100,000 records,
// and on two files of rubbish (50 MB of random bytes in one line, and 50 MB
// in 1,000,000 short lines), against a single pass over the same file
// (iconv to UTF-8, one line written per record by awk; for the rubbish
// iconv -c, leaving out what is not Shift_JIS, and perl) in the same run.
// Peak memory is that of the hotaru-cli process (its maximum resident set).
//
//   bench_fdcheck [repeats]     (default 3; the best time of each is shown)
// With HOTARU_BENCH_KEEP set the files are left for a closer look.
#include <sqlite3.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
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

extern char** environ;

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

// Runs a program (no shell) with its output thrown away; its own times and
// peak resident set come from wait4.
struct Measured {
    Times t;
    long maxRssKiB = 0;
};

Measured RunMeasured(const std::vector<std::string>& args, bool stopsEarly = false) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    Measured m;
    m.t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.t.cpu = u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    m.maxRssKiB = u.ru_maxrss;
    const int rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (rc != (stopsEarly ? 2 : rc == 1 ? 1 : 0)) {
        std::fprintf(stderr, "failed (%d): %s\n", rc, argv[0]);
        std::exit(1);
    }
    return m;
}

// Random bytes without CR and LF (xorshift: the same files on every run).
void FillRubbish(std::string& out, std::size_t n, std::uint64_t& state) {
    const std::size_t start = out.size();
    out.resize(start + n);
    for (std::size_t i = 0; i < n; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        char c = static_cast<char>(state >> 32);
        if (c == '\r' || c == '\n') c = ' ';
        out[start + i] = c;
    }
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

    std::printf("best of %d; wall-clock seconds, CPU seconds in brackets; peak memory of the check (findings)\n",
                repeats);
    std::printf("%8s  %18s  %18s  %18s  %13s  %13s  %10s  %12s\n", "records", "clean", "findings", "single pass",
                "clean/x", "findings/x", "us/rec(f)", "peak / file");
    for (int n : {25000, 50000, 100000}) {
        WriteFile(dir / "clean" / name, n, false);
        WriteFile(dir / "findings" / name, n, true);
        auto check = [&](const char* which) {
            return std::vector<std::string>{(bin / "hotaru-cli").string(), "fdcheck", "--db", live.string(), "--drive",
                                            (dir / which).string(), "--out", (dir / "lists").string()};
        };
        const std::string base = "iconv -f CP932 -t UTF-8 < " + Q(dir / "findings" / name) +
                                 " | awk -F, '{ print NR \"/\" $1 \"/\" $2 \"/\" $0 }' > " + Q(dir / "baseline.txt");
        Times clean, found, single;
        long peak = 0;
        // Interleaved so that a busy machine weighs on all three alike.
        for (int r = 0; r < repeats; ++r) {
            KeepBest(clean, RunMeasured(check("clean")).t);
            Measured m = RunMeasured(check("findings"));
            KeepBest(found, m.t);
            peak = std::max(peak, m.maxRssKiB);
            KeepBest(single, Time(base, false));
        }
        const double size = static_cast<double>(fs::file_size(dir / "findings" / name));
        std::printf("%8d  %7.3f s (%5.3f)  %7.3f s (%5.3f)  %7.3f s (%5.3f)  %5.2f (%5.2f)  %5.2f (%5.2f)  %10.2f  "
                    "%5.1f / %4.1f MB\n",
                    n, clean.wall, clean.cpu, found.wall, found.cpu, single.wall, single.cpu, clean.wall / single.wall,
                    clean.cpu / single.cpu, found.wall / single.wall, found.cpu / single.cpu, found.wall / n * 1e6,
                    peak * 1024.0 / 1e6, size / 1e6);
    }
    std::ifstream list(dir / "lists" / (name + "_Error.txt"), std::ios::binary);
    long lines = std::count(std::istreambuf_iterator<char>(list), std::istreambuf_iterator<char>(), '\n');
    std::printf("check list of the last run: %ld lines (3 heading lines + 2 per record)\n", lines);

    // The program's own size: a run that stops at once (no file on the drive).
    const long resting = RunMeasured({(bin / "hotaru-cli").string(), "fdcheck", "--db", live.string(), "--drive",
                                      (dir / "lists").string(), "--out", (dir / "lists").string()},
                                 true)
                             .maxRssKiB;
    std::printf("peak memory of a run that stops at once: %.1f MB\n", resting * 1024.0 / 1e6);

    // Rubbish: every line is listed whole as a line that is not Shift_JIS
    // (or has too few fields), so the list is as large as the file.
    std::printf("\n%-30s  %18s  %18s  %13s  %12s  %10s\n", "file", "hotaru-cli", "single pass", "ratio",
                "peak memory", "/ file");
    // The files are written a megabyte at a time: a program started from this
    // one reports at least this one's own peak memory as its own (the
    // kernel hands it over at exec), so this one never holds much.
    constexpr std::size_t kSize = 50000000;
    std::uint64_t state = 88172645463325252ULL;
    for (const char* which : {"one line", "1,000,000 lines"}) {
        const fs::path file = dir / "rubbish" / name;
        fs::create_directories(file.parent_path());
        {
            std::ofstream f(file, std::ios::binary | std::ios::trunc);
            std::string chunk;
            auto put = [&] {
                f.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
                chunk.clear();
            };
            if (which[0] == 'o') {
                for (std::size_t done = 0; done < kSize; done += 1000000) {
                    FillRubbish(chunk, 1000000, state);
                    put();
                }
                chunk = "\r\n";
                put();
            } else {
                std::mt19937 lengths(7);
                for (int i = 0; i < 1000000; ++i) {
                    FillRubbish(chunk, 1 + lengths() % 95, state);  // 50 bytes on average, with the line end
                    chunk += "\r\n";
                    if (chunk.size() > (1u << 20)) put();
                }
                put();
            }
        }
        const double size = static_cast<double>(fs::file_size(file));
        const std::vector<std::string> check = {(bin / "hotaru-cli").string(), "fdcheck", "--db", live.string(),
                                                "--drive", file.parent_path().string(), "--out",
                                                (dir / "lists").string()};
        // The same pass with perl in place of awk: mawk takes more than
        // linear time on a line of many megabytes (10 MB 0.8 s, 20 MB 12 s).
        const std::string base = "iconv -c -f CP932 -t UTF-8 < " + Q(file) +
                                 " | perl -ne 'my @f = split /,/; print \"$./$f[0]/$f[1]/$_\"' > " +
                                 Q(dir / "baseline.txt");
        Times found, single;
        long peak = 0;
        for (int r = 0; r < repeats; ++r) {
            Measured m = RunMeasured(check);
            KeepBest(found, m.t);
            peak = std::max(peak, m.maxRssKiB);
            KeepBest(single, Time(base, false));
        }
        char label[64];
        std::snprintf(label, sizeof label, "%s (%.1f MB)", which, size / 1e6);
        std::printf("%-30s  %7.3f s (%5.3f)  %7.3f s (%5.3f)  %5.2f (%5.2f)  %9.1f MB  %10.2f\n", label, found.wall,
                    found.cpu, single.wall, single.cpu, found.wall / single.wall, found.cpu / single.cpu,
                    peak * 1024.0 / 1e6, peak * 1024.0 / size);
        fs::remove(file);
    }
    if (std::getenv("HOTARU_BENCH_KEEP"))
        std::printf("kept %s\n", dir.c_str());
    else
        fs::remove_all(dir);
    return 0;
}
