// The claim list of a large month written to PDF: the list query, the page
// layout (events and page breaking), the PDF painting and one preview
// page image, timed apart: wall-clock and, beside it, the process's CPU
// time, which other programs running at the same time disturb less.
//
//   bench_report [--rows N] [--kind 1|2] [--pdf OUT] [--repeat R] [--keep DB]
//
// Defaults: 10,000 rows, kind 1, the PDF into a temporary folder, 3 runs
// (the best run is reported).  --keep leaves the filled database at DB, for
// looking at the list in the program or with hotaru-cli list.
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "data/Connection.h"
#include "report/ClaimList.h"
#include "report/RepItiran.h"
#include "ui/CheckDigit.h"

namespace fs = std::filesystem;
using namespace hotaru;
using hotaru::data::Value;

namespace {

// A moment: wall-clock and the CPU time this process has used so far.
struct Stamp {
    std::chrono::steady_clock::time_point wall;
    double cpu;
};
Stamp Now() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return {std::chrono::steady_clock::now(), ts.tv_sec + ts.tv_nsec / 1e9};
}

// Wall-clock and CPU seconds, the best of several runs.
struct Best {
    double wall = 1e9, cpu = 1e9;
    void add(const Stamp& a, const Stamp& b, int divisor = 1) {
        wall = std::min(wall, std::chrono::duration<double>(b.wall - a.wall).count() / divisor);
        cpu = std::min(cpu, (b.cpu - a.cpu) / divisor);
    }
};

const char* const kFamily[] = {"山田", "鈴木", "佐藤", "田中", "高橋", "渡辺", "伊藤", "中村", "小林", "加藤",
                               "吉田", "山口", "松本", "井上", "木村", "林", "清水", "西郷", "東郷", "大久保"};
const char* const kGiven[] = {"太郎", "花子", "翔太", "さくら", "陽菜", "蓮", "結衣", "大翔", "美咲", "悠真",
                              "ひまり", "湊", "芽依", "颯太", "凛"};
const int kDepartments[] = {10, 20, 20, 20, 21, 30, 31, 10, 20, 20};

// A number with its modulus-10 check digit appended.
std::string WithCheckDigit(const std::string& base) { return base + ui::ComputeCheckDigit(base); }

// The recipient number as the entry window accepts it: eight digits and the
// check digit computed over the city code ("00"), "1" and those eight.
std::string RecipientNumber(int city, int serial) {
    char city2[16], first8[16];
    std::snprintf(city2, sizeof city2, "%02d", city);
    std::snprintf(first8, sizeof first8, "%08d", serial);
    return first8 + ui::ComputeCheckDigit(std::string(city2) + "1" + first8);
}

// count claim rows of 平成20年04月: children spread over the cities, one to
// three branches each, with some rows that the list leaves out.  Every value
// is one the entry window lets through: check digits on recipient and
// insurer numbers, two-digit public-expense numbers (the second only with
// the first), the co-payment that the points or the amount and the ratio give.
void Fill(int count, int kind) {
    DB().Execute("DELETE FROM T_設定");
    DB().Execute("INSERT INTO T_設定 (type, no, name, insurance, request) VALUES (?, '1234567', '蛍クリニック', 1, '2008-04-01')",
                 {Value(kind)});
    DB().BeginTrans();
    unsigned seed = 12345;
    auto rnd = [&](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    const char* const publicPay[] = {"12", "51", "54", "10", "05"};
    int child = 0;
    for (int i = 0; i < count;) {
        ++child;
        int city = 1 + static_cast<int>(rnd(49));
        std::string code = std::to_string(city);
        std::string rec = RecipientNumber(city, 100000 + child);
        std::string name = std::string(kFamily[rnd(20)]) + "　" + kGiven[rnd(15)];
        char birthday[48];
        std::snprintf(birthday, sizeof birthday, "%04d-%02d-%02d", 2002 + static_cast<int>(rnd(6)),
                      1 + static_cast<int>(rnd(12)), 1 + static_cast<int>(rnd(28)));
        DB().Execute("INSERT INTO T_基本 (code, recipient, name, birthday) VALUES (?, ?, ?, ?)",
                     {Value(code), Value(rec), Value(name), Value(birthday)});
        int branches = 1 + static_cast<int>(rnd(3));
        for (int b = 1; b <= branches && i < count; ++b, ++i) {
            // 社保 (1): eight digits; 国保 (2): six; the last is the check digit.
            int insurance = 1 + static_cast<int>(rnd(2));
            std::string insurerNo = insurance == 1 ? WithCheckDigit("06" + std::to_string(46000 + rnd(999)))
                                                   : WithCheckDigit(std::to_string(46001 + rnd(80)));
            int total = kind == 1 ? 120 + static_cast<int>(rnd(4000)) : 1500 + static_cast<int>(rnd(40000));
            // Ratio 3: points x 10 yen x 3/10, or the amount x 3/10.
            int payment = kind == 1 ? total * 3 : total * 3 / 10;
            Value pub1, pub2;
            if (rnd(4) == 0) {
                pub1 = Value(publicPay[rnd(5)]);
                if (rnd(3) == 0) pub2 = Value(publicPay[rnd(5)]);
            }
            char diag[32];
            std::snprintf(diag, sizeof diag, "2008-%02d-01", 1 + static_cast<int>(rnd(3)));
            DB().Execute(
                "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, insurance_no, "
                "hospitalization, ratio, treatment, PublicPay1, PublicPay2) "
                "VALUES (?, ?, ?, ?, ?, ?, '2008-04-01', ?, ?, ?, 3, ?, ?, ?)",
                {Value(code), Value(rec), Value(diag), Value(b), Value(total), Value(payment), Value(insurance),
                 Value(insurerNo), Value(rnd(12) == 0 ? 1 : 2), Value(kDepartments[rnd(10)]), pub1, pub2});
        }
    }
    // Rows the list leaves out: no co-payment, and the month before.
    const std::string other = RecipientNumber(1, 99999999);
    DB().Execute("INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request) "
                 "VALUES ('1', ?, '2008-03-01', 1, 100, 0, '2008-04-01')", {Value(other)});
    DB().Execute("INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request) "
                 "VALUES ('1', ?, '2008-02-01', 1, 100, 300, '2008-03-01')", {Value(other)});
    DB().CommitTrans();
}

}  // namespace

int main(int argc, char** argv) {
    int rows = 10000, kind = 1, repeat = 3;
    std::string pdf, keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string k = argv[i];
        if (k == "--rows") rows = std::atoi(argv[i + 1]);
        else if (k == "--kind") kind = std::atoi(argv[i + 1]);
        else if (k == "--pdf") pdf = argv[i + 1];
        else if (k == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
        else if (k == "--keep") keep = argv[i + 1];
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    fs::path dir = fs::temp_directory_path() / ("hotaru-bench-report-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::path db = keep.empty() ? dir / "Medic_ins.mdb" : fs::path(keep);
    fs::copy_file(fs::path(HOTARU_BIN_DIR) / "Medic_ins_NEW.mdb", db, fs::copy_options::overwrite_existing);
    if (pdf.empty()) pdf = (dir / "list.pdf").string();
    gDB = data::Database::Open(db);
    Fill(rows, kind);
    if (!report::PrepareClaimList(DB())) {
        std::fprintf(stderr, "nothing to list\n");
        return 1;
    }

    Best query, layout, painting, total, image;
    const int kImages = 20;
    int pages = 0;
    for (int r = 0; r < repeat; ++r) {
        Stamp t0 = Now();
        auto listed = report::FetchClaimList(DB(), gListSQL, gRequestText);
        Stamp t1 = Now();
        report::RepItiran rep;
        rep.run();  // runs the query again at report start, as the preview does
        Stamp t2 = Now();
        QString error;
        if (!rep.writePdf(QString::fromStdString(pdf), &error)) {
            std::fprintf(stderr, "%s\n", error.toStdString().c_str());
            return 2;
        }
        Stamp t3 = Now();
        // The preview shows one page at a time, drawn at screen resolution.
        const int images = std::min(kImages, rep.pageCount());
        for (int p = 0; p < images; ++p) rep.pageImage(p, 96);
        Stamp t4 = Now();
        pages = rep.pageCount();
        query.add(t0, t1);
        layout.add(t1, t2);
        painting.add(t2, t3);
        total.add(t1, t3);
        image.add(t3, t4, images);
        if (r == 0 && listed.size() != static_cast<std::size_t>(rows)) {
            std::fprintf(stderr, "listed %zu rows of %d\n", listed.size(), rows);
            return 2;
        }
    }
    gDB->Close();
    std::printf("claim list, %d rows, kind %d: %d pages, PDF %.1f MiB (best of %d; wall-clock, CPU)\n", rows, kind,
                pages, fs::file_size(pdf) / 1048576.0, repeat);
    std::printf("  list query alone      %8.3f s  %8.3f s\n", query.wall, query.cpu);
    std::printf("  layout (query + pages)%8.3f s  %8.3f s\n", layout.wall, layout.cpu);
    std::printf("  PDF painting          %8.3f s  %8.3f s\n", painting.wall, painting.cpu);
    std::printf("  report to PDF         %8.3f s  %8.3f s  = %.0f pages/s (%.0f per CPU second)\n", total.wall,
                total.cpu, pages / total.wall, pages / total.cpu);
    std::printf("  one preview page      %8.1f ms %8.1f ms (96 dpi)\n", image.wall * 1000, image.cpu * 1000);
    if (keep.empty()) fs::remove_all(dir);
    else std::printf("database kept at %s, PDF at %s\n", db.c_str(), pdf.c_str());
    return 0;
}
