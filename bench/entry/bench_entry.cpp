// Registering claim rows the way the 登録 button does (field rules, the
// plausibility reads, master row and claim row in one transaction per row)
// against inserting the same rows with plain prepared statements, one
// transaction per row as well.
//
// Both are measured twice: as the program runs (every commit synced to
// disk, which dominates), and with syncing off on both sides, which leaves
// the cost of the code path itself.
//
//   bench_entry [rows] [--unsynced-only]     (default 10000 rows)
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "data/Connection.h"
#include "entry/EntryChecks.h"
#include "entry/EntryCore.h"

namespace fs = std::filesystem;
using namespace hotaru;
using hotaru::data::Value;

namespace {

fs::path FreshCopy(const fs::path& dir, const char* name) {
    fs::path p = dir / name;
    fs::copy_file(fs::path(HOTARU_BIN_DIR) / "Medic_ins_NEW.mdb", p, fs::copy_options::overwrite_existing);
    return p;
}

// Row i: 4,000 children, up to three branches each, in 平成20年04月.
entry::EntryRow Row(int i) {
    entry::EntryRow r;
    const int child = i % 4000, branch = i / 4000 + 1;
    char recipient[16];
    std::snprintf(recipient, sizeof recipient, "%09d", 100000 + child);
    r.city = std::to_string(1 + child % 49);
    r.cityKnown = true;
    r.recipient = recipient;
    r.diagEra = "平成";
    r.diagYear = "20";
    r.diagMonth = "04";
    r.request = Date{2008, 5, 1};
    r.eda = std::to_string(branch);
    r.name = "やまだ　たろう";
    r.bdEra = "平成";
    r.bdYear = "18";
    r.bdMonth = "07";
    r.bdDay = "15";
    r.insuranceText = "2:国保";
    r.insurance = 2;
    r.insuranceNo = "12345678";
    r.hospitalization = 2;
    r.rate = "3";
    r.rateKnown = true;
    r.total = std::to_string(1000 + i % 500);
    r.payment = std::to_string((1000 + i % 500) * 3);
    r.treatment = std::to_string(branch == 1 ? 20 : 10 + branch);
    r.treatmentKnown = true;
    r.publicPay1 = branch == 3 ? "12" : "";
    return r;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

const char* kSettings =
    "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, hospitalization, treatment, request, path, "
    "Ver) VALUES (1, '46', '1', '1234567', '', 'ベンチ医院', 2, 2, 20, '2008-05-01', '', 1.1)";

// The button's path after the confirmation: field rules, the three
// plausibility checks (their reads included), the registration.
double ThroughTheButtonPath(const fs::path& file, int n, bool synced) {
    gDB = data::Database::Open(file);
    if (!synced) sqlite3_exec(gDB->handle(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    DB().Execute(kSettings);
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
        entry::EntryRow row = Row(i);
        if (entry::CheckEntryFields(row).failed()) std::abort();
        (void)entry::InsurerNumberPlausible(row);
        auto s = entry::ReadEntrySettings();
        (void)entry::CheckCopayment(row, s->type, s->tencd);
        (void)entry::DuplicateQuestionNeeded(row, s->tencd, entry::CountSameRows(row));
        entry::RegisterEntry(row);
    }
    double t = Seconds(start);
    gDB->Close();
    gDB.reset();
    return t;
}

// Plain prepared statements: look up the master row, insert or update it,
// insert the claim row; one transaction per row.
double WithPreparedStatements(const fs::path& file, int n, bool synced) {
    sqlite3* db = nullptr;
    sqlite3_open(file.c_str(), &db);
    if (!synced) sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_exec(db, kSettings, nullptr, nullptr, nullptr);
    sqlite3_stmt *find, *addMaster, *editMaster, *addClaim;
    sqlite3_prepare_v2(db, "SELECT rowid FROM T_基本 WHERE code = ? AND recipient = ?", -1, &find, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO T_基本 (code, recipient, name, birthday, n_insurance, n_insurance_no, n_ratio, "
                       "PublicPay1, PublicPay2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &addMaster, nullptr);
    sqlite3_prepare_v2(db,
                       "UPDATE T_基本 SET name = ?, birthday = ?, n_insurance = ?, n_insurance_no = ?, n_ratio = ?, "
                       "PublicPay1 = ?, PublicPay2 = ? WHERE rowid = ?",
                       -1, &editMaster, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request, insurance, "
                       "insurance_no, hospitalization, ratio, treatment, PublicPay1, PublicPay2) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &addClaim, nullptr);
    auto text = [](sqlite3_stmt* st, int i, const std::string& s) {
        sqlite3_bind_text(st, i, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    };
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
        entry::EntryRow r = Row(i);
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        text(find, 1, r.city);
        text(find, 2, r.recipient);
        long long rowid = sqlite3_step(find) == SQLITE_ROW ? sqlite3_column_int64(find, 0) : 0;
        sqlite3_reset(find);
        if (rowid) {
            text(editMaster, 1, r.name);
            text(editMaster, 2, "2006-07-15");
            sqlite3_bind_int(editMaster, 3, *r.insurance);
            text(editMaster, 4, r.insuranceNo);
            sqlite3_bind_int(editMaster, 5, 3);
            text(editMaster, 6, r.publicPay1);
            text(editMaster, 7, r.publicPay2);
            sqlite3_bind_int64(editMaster, 8, rowid);
            sqlite3_step(editMaster);
            sqlite3_reset(editMaster);
        } else {
            text(addMaster, 1, r.city);
            text(addMaster, 2, r.recipient);
            text(addMaster, 3, r.name);
            text(addMaster, 4, "2006-07-15");
            sqlite3_bind_int(addMaster, 5, *r.insurance);
            text(addMaster, 6, r.insuranceNo);
            sqlite3_bind_int(addMaster, 7, 3);
            text(addMaster, 8, r.publicPay1);
            text(addMaster, 9, r.publicPay2);
            sqlite3_step(addMaster);
            sqlite3_reset(addMaster);
        }
        text(addClaim, 1, r.city);
        text(addClaim, 2, r.recipient);
        text(addClaim, 3, "2008-04-01");
        sqlite3_bind_int(addClaim, 4, std::stoi(r.eda));
        sqlite3_bind_int64(addClaim, 5, *entry::ParseAmount(r.total));
        sqlite3_bind_int64(addClaim, 6, *entry::ParseAmount(r.payment));
        text(addClaim, 7, "2008-05-01");
        sqlite3_bind_int(addClaim, 8, *r.insurance);
        text(addClaim, 9, r.insuranceNo);
        sqlite3_bind_int(addClaim, 10, *r.hospitalization);
        sqlite3_bind_int(addClaim, 11, 3);
        sqlite3_bind_int(addClaim, 12, std::stoi(r.treatment));
        if (r.publicPay1.empty()) sqlite3_bind_null(addClaim, 13); else text(addClaim, 13, r.publicPay1);
        sqlite3_bind_null(addClaim, 14);
        if (sqlite3_step(addClaim) != SQLITE_DONE) std::abort();
        sqlite3_reset(addClaim);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    double t = Seconds(start);
    for (auto* st : {find, addMaster, editMaster, addClaim}) sqlite3_finalize(st);
    sqlite3_close(db);
    return t;
}

long Rows(const fs::path& file, const char* table) {
    gDB = data::Database::Open(file);
    long n = static_cast<long>(DB().Scalar(std::string("SELECT count(*) FROM ") + table).toInt());
    gDB->Close();
    gDB.reset();
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 10000;
    fs::path dir = fs::temp_directory_path() / ("hotaru-bench-entry-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::printf("rows: %d, one transaction each\n", n);
    const bool unsyncedOnly = argc > 2 && std::string(argv[2]) == "--unsynced-only";
    for (bool synced : {true, false}) {
        if (synced && unsyncedOnly) continue;
        fs::path a = FreshCopy(dir, "button.mdb"), b = FreshCopy(dir, "plain.mdb");
        double plain = WithPreparedStatements(b, n, synced);
        double button = ThroughTheButtonPath(a, n, synced);
        if (Rows(a, "T_データ") != n || Rows(b, "T_データ") != n || Rows(a, "T_基本") != Rows(b, "T_基本")) {
            std::fprintf(stderr, "row counts differ\n");
            return 1;
        }
        std::printf("%s\n", synced ? "commits synced to disk (as the program runs):" : "syncing off (the code path alone):");
        std::printf("  registration path          %8.3f s  (%.3f ms/row)\n", button, button * 1000 / n);
        std::printf("  plain prepared statements  %8.3f s  (%.3f ms/row)\n", plain, plain * 1000 / n);
        std::printf("  ratio                      %8.2f\n", button / plain);
        std::fflush(stdout);
    }
    fs::remove_all(dir);
    return 0;
}
