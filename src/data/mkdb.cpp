// hotaru-mkdb: builds the shipped database template from SQL scripts.
//
//   hotaru-mkdb <out.mdb> <script.sql>...
//
// The file is built afresh as "<out>.tmp" and renamed over <out> only when
// every script ran, so a failed build never leaves a half-filled template
// where the upgrade would copy it from.
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "hotaru-mkdb: %s\n", message.c_str());
    return 1;
}

bool readFile(const fs::path& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad())
        return false;
    // Editors may save the scripts with a byte-order mark; SQLite does not accept it.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    return true;
}

// Runs SQL text; on failure fills `error` and returns false.
bool exec(sqlite3* db, const std::string& sql, std::string& error)
{
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg) == SQLITE_OK)
        return true;
    error = msg ? msg : sqlite3_errmsg(db);
    sqlite3_free(msg);
    return false;
}

void removeQuietly(const fs::path& path)
{
    std::error_code ec;
    fs::remove(path, ec);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return fail("usage: hotaru-mkdb <out.mdb> <script.sql>...");

    const fs::path out = argv[1];
    const fs::path tmp = out.string() + ".tmp";
    const fs::path tmpJournal = tmp.string() + "-journal";

    // Read every script first, so a missing one fails before anything is written.
    std::vector<std::string> scripts;
    for (int i = 2; i < argc; ++i) {
        std::string text;
        if (!readFile(argv[i], text))
            return fail(std::string("cannot read ") + argv[i]);
        scripts.push_back(std::move(text));
    }

    std::error_code ec;
    if (out.has_parent_path()) {
        fs::create_directories(out.parent_path(), ec);
        if (ec)
            return fail("cannot create " + out.parent_path().string() + ": " + ec.message());
    }
    removeQuietly(tmp);
    removeQuietly(tmpJournal);
    if (fs::exists(tmp, ec))
        return fail("cannot remove the old " + tmp.string());

    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(tmp.string().c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        std::string why = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        removeQuietly(tmp);
        return fail("cannot create " + tmp.string() + ": " + why);
    }

    std::string error;
    // The page size must be set while the file is still empty.
    bool ok = exec(db, "PRAGMA page_size=4096; PRAGMA journal_mode=DELETE;", error);
    if (!ok)
        error = "cannot prepare " + tmp.string() + ": " + error;

    if (ok) {
        ok = exec(db, "BEGIN;", error);
        if (!ok)
            error = "cannot begin a transaction: " + error;
    }
    for (std::size_t i = 0; ok && i < scripts.size(); ++i) {
        if (!exec(db, scripts[i], error)) {
            ok = false;
            error = std::string(argv[i + 2]) + ": " + error;
        }
    }
    if (ok) {
        ok = exec(db, "COMMIT;", error);
        if (!ok)
            error = "cannot commit: " + error;
    } else {
        std::string ignored;
        exec(db, "ROLLBACK;", ignored);
    }

    if (sqlite3_close(db) != SQLITE_OK && ok) {
        ok = false;
        error = "cannot close " + tmp.string() + ": " + sqlite3_errmsg(db);
    }
    if (!ok) {
        removeQuietly(tmp);
        removeQuietly(tmpJournal);
        return fail(error);
    }

    fs::rename(tmp, out, ec);
    if (ec) {
        removeQuietly(tmp);
        return fail("cannot rename " + tmp.string() + " to " + out.string() + ": " + ec.message());
    }
    return 0;
}
