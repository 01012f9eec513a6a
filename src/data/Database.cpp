#include "data/Database.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "common/Errors.h"
#include "common/Numeric.h"
#include "common/Text.h"

namespace hotaru::data {

namespace {

constexpr int kBusyTimeoutMs = 500;

// CStr() inside statements: a stored date reads as the short date
// (2008/04/01), a number as its decimal text.
void sqlCStr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: sqlite3_result_null(ctx); return;
    case SQLITE_INTEGER: {
        std::string s = std::to_string(sqlite3_value_int64(v));
        sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return;
    }
    case SQLITE_FLOAT: {
        std::string s = Value(sqlite3_value_double(v)).str();
        sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const char* t = reinterpret_cast<const char*>(sqlite3_value_text(v));
        int n = sqlite3_value_bytes(v);
        if (n == 10 && t[4] == '-' && t[7] == '-') {
            char buf[11];
            std::memcpy(buf, t, 10);
            buf[4] = buf[7] = '/';
            sqlite3_result_text(ctx, buf, 10, SQLITE_TRANSIENT);
        } else {
            sqlite3_result_text(ctx, t, n, SQLITE_TRANSIENT);
        }
    }
    }
}

enum class FieldKind { Text, Small, Long, Real, Date, Other };

FieldKind kindOf(const std::string& declType) {
    std::string t = ToLowerAscii(declType);
    if (t.find("date") != std::string::npos) return FieldKind::Date;
    if (t.find("smallint") != std::string::npos) return FieldKind::Small;
    if (t.find("int") != std::string::npos) return FieldKind::Long;
    if (t.find("dec") != std::string::npos || t.find("real") != std::string::npos ||
        t.find("double") != std::string::npos || t.find("num") != std::string::npos ||
        t.find("currency") != std::string::npos)
        return FieldKind::Real;
    if (t.find("text") != std::string::npos || t.find("char") != std::string::npos) return FieldKind::Text;
    return FieldKind::Other;
}

[[noreturn]] void conversionError() {
    throw AppError(dberr::TypeConversion, "データ型の変換エラーです。");
}

long long wholeIn(double v, long long lo, long long hi) {
    double r = RoundHalfEven(v);
    if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi)))
        throw AppError(err::Overflow, "オーバーフローしました。");
    return static_cast<long long>(r);
}

bool isWriteStatement(const std::string& sql) {
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
    std::string head = ToLowerAscii(sql.substr(i, 6));
    return head != "select" && head.rfind("pragma", 0) != 0;
}

}  // namespace

// ---- Database ------------------------------------------------------------

Database::Database(std::filesystem::path path) : path_(std::move(path)) {}

Database::~Database() { Close(); }

std::unique_ptr<Database> Database::Open(const std::filesystem::path& path) {
    const std::string shown = path.string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw AppError(dberr::FileNotFound, "ファイル '" + shown + "' が見つかりません。");

    std::unique_ptr<Database> db(new Database(path));
    // The connection lives on the one thread that runs the program, so it
    // goes without the lock SQLite would otherwise take around every call
    // (a tenth of an export's time, reading a value at a time).
    int rc = sqlite3_open_v2(shown.c_str(), &db->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(db->db_);
        db->db_ = nullptr;
        throw AppError(dberr::CannotOpen, "ファイル '" + shown + "' を開くことができません。");
    }
    sqlite3_extended_result_codes(db->db_, 1);
    sqlite3_busy_timeout(db->db_, kBusyTimeoutMs);
    // Pages stay in memory once read (SQLite keeps 2 MB by default): the
    // export and the list walk the claim rows in key order, which jumps
    // about the file, and would otherwise read the same pages again and again.
    sqlite3_exec(db->db_, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
    sqlite3_create_function(db->db_, "CStr", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlCStr, nullptr,
                            nullptr);

    auto refuse = [&](int number, const std::string& text) {
        sqlite3_close(db->db_);
        db->db_ = nullptr;
        throw AppError(number, text);
    };
    // A file that cannot be written, or whose folder cannot hold the journal,
    // would fail at the first change and lose what the user typed: refuse it now.
    if (sqlite3_db_readonly(db->db_, "main") == 1 || ::access(shown.c_str(), W_OK) != 0)
        refuse(dberr::CannotOpen, "ファイル '" + shown + "' は読み取り専用のため開けません。");
    auto dir = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    if (::access(dir.c_str(), W_OK) != 0)
        refuse(dberr::CannotOpen, "フォルダー '" + dir.string() + "' に書き込めないため、ファイル '" + shown +
                                      "' を開けません。");

    // Read the whole file once: a file that is not a database, or a damaged
    // one, is refused here rather than at some later statement.
    sqlite3_stmt* st = nullptr;
    rc = sqlite3_prepare_v2(db->db_, "PRAGMA quick_check(1)", -1, &st, nullptr);
    std::string verdict;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(st);
        if (rc == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(st, 0);
            verdict = t ? reinterpret_cast<const char*>(t) : "";
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(st);
    if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        refuse(dberr::Locked, "ファイル '" + shown + "' はほかのプログラムが使用中です。");
    if (rc != SQLITE_OK || verdict != "ok")
        refuse(dberr::NotADatabase, "データベースの形式 '" + shown + "' を認識できません。");
    // An empty file reads as a database without tables: it is no database of ours.
    if (sqlite3_exec(db->db_, "SELECT 1 FROM sqlite_master LIMIT 1", [](void*, int, char**, char**) { return 1; },
                     nullptr, nullptr) != SQLITE_ABORT)
        refuse(dberr::NotADatabase, "データベースの形式 '" + shown + "' を認識できません。");

    // Another program holding a write lock: fail at opening, not mid-way.
    rc = sqlite3_exec(db->db_, "BEGIN IMMEDIATE; ROLLBACK;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_exec(db->db_, "ROLLBACK", nullptr, nullptr, nullptr);
        refuse(dberr::Locked, "ファイル '" + shown + "' はほかのプログラムが使用中です。");
    }
    return db;
}

void Database::Close() {
    if (!db_) return;
    for (auto& [text, st] : stmtCache_) sqlite3_finalize(st);
    stmtCache_.clear();
    if (transDepth_ > 0) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    transDepth_ = 0;
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

void Database::fail(int rc, const std::string& context) {
    std::string msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    int base = rc & 0xff;
    switch (base) {
    case SQLITE_FULL: throw AppError(dberr::DiskFull, "ディスクの空き容量が不足しています。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw AppError(dberr::Locked, "データベースはほかのプログラムが使用中のため更新できません。");
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        throw AppError(dberr::CannotOpen, "データベースに書き込めません。(" + msg + ")");
    case SQLITE_IOERR:
        throw AppError(dberr::IoFailure, "ディスクまたはネットワークのエラーです。(" + msg + ")");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        throw AppError(dberr::NotADatabase, "データベースの形式を認識できません。(" + msg + ")");
    case SQLITE_CONSTRAINT: throw AppError(dberr::Constraint, "重複した値は登録できません。(" + msg + ")");
    default: throw AppError(dberr::SyntaxError, msg + ": " + context);
    }
}

Database::Stmt Database::prepare(const std::string& translated) {
    if (!db_) throw AppError(3420, "オブジェクトが無効か、設定されていません。");
    auto it = stmtCache_.find(translated);
    if (it != stmtCache_.end()) {
        // Taken out while in use, so a nested use of the same text gets its own.
        sqlite3_stmt* st = it->second;
        stmtCache_.erase(it);
        return Stmt(this, st);
    }
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db_, translated.c_str(), static_cast<int>(translated.size()), &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        fail(rc, translated);
    }
    return Stmt(this, st);
}

void Database::release(sqlite3_stmt* st) {
    if (!st) return;
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    constexpr std::size_t kMaxCached = 64;
    const char* text = sqlite3_sql(st);
    if (db_ && text && stmtCache_.size() < kMaxCached && !stmtCache_.count(text)) {
        stmtCache_.emplace(text, st);
    } else {
        sqlite3_finalize(st);
    }
}

Database::Stmt::~Stmt() {
    if (st_) db_->release(st_);
}

void Database::bindAll(sqlite3_stmt* st, const Params& params) {
    int expected = sqlite3_bind_parameter_count(st);
    if (expected != static_cast<int>(params.size()))
        throw AppError(dberr::SyntaxError, "パラメーターの数が一致しません。");
    for (int i = 0; i < expected; ++i) {
        const Value& v = params[i];
        int rc = SQLITE_OK;
        switch (v.kind()) {
        case Value::Kind::Null: rc = sqlite3_bind_null(st, i + 1); break;
        case Value::Kind::Integer: rc = sqlite3_bind_int64(st, i + 1, v.rawInt()); break;
        case Value::Kind::Real: rc = sqlite3_bind_double(st, i + 1, v.rawReal()); break;
        case Value::Kind::Text:
            rc = sqlite3_bind_text(st, i + 1, v.rawText().data(), static_cast<int>(v.rawText().size()),
                                   SQLITE_TRANSIENT);
            break;
        }
        if (rc != SQLITE_OK) fail(rc, "bind");
    }
}

void Database::checkInjected(bool writes) {
    if (!writes || injectAfter_ < 0) return;
    if (injectAfter_ == 0) throw AppError(dberr::IoFailure, "ディスクまたはネットワークのエラーです。");
    --injectAfter_;
}

void Database::InjectWriteFailure(int afterStatements) { injectAfter_ = afterStatements; }

int Database::step(sqlite3_stmt* st) {
    int rc = sqlite3_step(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        std::string sql = sqlite3_sql(st) ? sqlite3_sql(st) : "";
        fail(rc, sql);
    }
    return rc;
}

int Database::Execute(const std::string& sql, const Params& params) {
    std::string t = TranslateSql(sql);
    checkInjected(isWriteStatement(t));
    Stmt st = prepare(t);
    bindAll(st, params);
    while (step(st) == SQLITE_ROW) {
    }
    return sqlite3_changes(db_);
}

Value Database::columnValue(sqlite3_stmt* st, int i, bool dateColumn) {
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return Value(static_cast<long long>(sqlite3_column_int64(st, i)));
    case SQLITE_FLOAT: return Value(sqlite3_column_double(st, i));
    default: {
        const char* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
        std::string s(t ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(st, i)));
        if (dateColumn) return Value::date(std::move(s));
        return Value(std::move(s));
    }
    }
}

void Database::ForEachRow(const std::string& sql, const Params& params,
                          const std::function<void(const std::vector<Value>& row)>& fn,
                          std::vector<std::string>* columns) {
    Stmt st = prepare(TranslateSql(sql));
    bindAll(st.get(), params);
    const int n = sqlite3_column_count(st.get());
    std::vector<bool> dateColumn;
    for (int i = 0; i < n; ++i) {
        const char* dt = sqlite3_column_decltype(st.get(), i);
        dateColumn.push_back(kindOf(dt ? dt : "") == FieldKind::Date);
        const char* name = sqlite3_column_name(st.get(), i);
        if (columns) columns->push_back(name ? name : "");
    }
    std::vector<Value> row(static_cast<std::size_t>(n));
    for (;;) {
        int rc = sqlite3_step(st.get());
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) {
            std::string text = sqlite3_sql(st.get()) ? sqlite3_sql(st.get()) : "";
            fail(rc, text);
        }
        for (int i = 0; i < n; ++i)
            row[static_cast<std::size_t>(i)] = columnValue(st.get(), i, dateColumn[static_cast<std::size_t>(i)]);
        fn(row);
    }
}

Value Database::Scalar(const std::string& sql, const Params& params) {
    Recordset rs = OpenRecordset(sql, dbOpenSnapshot, params);
    if (rs.isEOF() || rs.FieldCount() == 0) return {};
    return rs.field(0);
}

namespace {
// The table a dynaset updates: the source itself, or the one table after FROM.
std::string dynasetTable(const std::string& translated, bool& isTable) {
    std::string s = Trim(translated);
    auto lower = ToLowerAscii(s);
    isTable = lower.rfind("select", 0) != 0;
    if (isTable) return s;
    auto pos = lower.find("from");
    while (pos != std::string::npos) {
        bool before = pos == 0 || std::isspace(static_cast<unsigned char>(lower[pos - 1]));
        bool after = pos + 4 < lower.size() && std::isspace(static_cast<unsigned char>(lower[pos + 4]));
        if (before && after) break;
        pos = lower.find("from", pos + 4);
    }
    if (pos == std::string::npos) return {};
    std::size_t b = pos + 4;
    while (b < s.size() && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    std::size_t e = b;
    while (e < s.size() && !std::isspace(static_cast<unsigned char>(s[e])) && s[e] != ';' && s[e] != ',') ++e;
    std::string table = s.substr(b, e - b);
    if (lower.find(" join ") != std::string::npos || lower.find("\rjoin") != std::string::npos ||
        table.find('(') != std::string::npos)
        return {};
    return table;
}
}  // namespace

Recordset Database::OpenRecordset(const std::string& source, RecordsetType type, const Params& params) {
    std::string t = TranslateSql(source);
    Recordset rs;
    rs.db_ = this;
    rs.type_ = type;
    bool isTable = false;
    std::string table = dynasetTable(t, isTable);
    std::string sql;
    if (isTable) {
        sql = "SELECT " + std::string(type == dbOpenDynaset ? "rowid AS __rowid__, " : "") + "* FROM \"" + table + "\"";
    } else if (type == dbOpenDynaset) {
        if (table.empty())
            throw AppError(dberr::ReadOnlyRecordset, "このレコードセットは更新できません。");
        auto lower = ToLowerAscii(t);
        auto sel = lower.find("select");
        sql = t.substr(0, sel + 6) + " rowid AS __rowid__," + t.substr(sel + 6);
    } else {
        sql = t;
    }
    rs.table_ = type == dbOpenDynaset ? table : std::string();

    Stmt st = prepare(sql);
    bindAll(st, params);
    int n = sqlite3_column_count(st);
    int first = type == dbOpenDynaset ? 1 : 0;
    for (int i = first; i < n; ++i) {
        Recordset::Column c;
        c.name = sqlite3_column_name(st, i) ? sqlite3_column_name(st, i) : "";
        const char* tb = sqlite3_column_table_name(st, i);
        const char* og = sqlite3_column_origin_name(st, i);
        const char* dt = sqlite3_column_decltype(st, i);
        c.table = tb ? tb : "";
        c.origin = og ? og : c.name;
        c.declType = dt ? dt : "";
        rs.columns_.push_back(std::move(c));
    }
    // The declared types are read once per column, not once per value.
    std::vector<bool> dateColumn;
    for (const auto& c : rs.columns_) dateColumn.push_back(kindOf(c.declType) == FieldKind::Date);
    while (step(st) == SQLITE_ROW) {
        std::vector<Value> row;
        row.reserve(n - first);
        if (type == dbOpenDynaset) rs.rowids_.push_back(sqlite3_column_int64(st, 0));
        for (int i = first; i < n; ++i) row.push_back(columnValue(st, i, dateColumn[i - first]));
        rs.rows_.push_back(std::move(row));
    }
    return rs;
}

void Database::BeginTrans() {
    if (transDepth_ == 0) {
        int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) fail(rc, "BEGIN");
    } else {
        std::string sp = "SAVEPOINT t" + std::to_string(transDepth_);
        int rc = sqlite3_exec(db_, sp.c_str(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) fail(rc, sp);
    }
    ++transDepth_;
}

void Database::CommitTrans() {
    if (transDepth_ == 0) throw AppError(3034, "トランザクションが開始されていません。");
    if (transDepth_ == 1) {
        int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            // A commit that cannot be written leaves nothing half-done.
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            transDepth_ = 0;
            fail(rc, "COMMIT");
        }
    } else {
        std::string sp = "RELEASE t" + std::to_string(transDepth_ - 1);
        sqlite3_exec(db_, sp.c_str(), nullptr, nullptr, nullptr);
    }
    --transDepth_;
}

void Database::Rollback() {
    if (transDepth_ == 0 || !db_) return;
    if (transDepth_ == 1) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        std::string sp = "ROLLBACK TO t" + std::to_string(transDepth_ - 1) + "; RELEASE t" +
                         std::to_string(transDepth_ - 1);
        sqlite3_exec(db_, sp.c_str(), nullptr, nullptr, nullptr);
    }
    --transDepth_;
}

std::vector<std::string> Database::TableFields(const std::string& table) {
    auto it = tableInfo_.find(table);
    if (it == tableInfo_.end()) {
        Stmt st = prepare("SELECT name, type FROM pragma_table_info(?)");
        bindAll(st, {Value(table)});
        std::vector<std::pair<std::string, std::string>> info;
        while (step(st) == SQLITE_ROW) {
            info.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)),
                              reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        }
        if (info.empty()) throw AppError(3078, "テーブル '" + table + "' が見つかりません。");
        it = tableInfo_.emplace(table, std::move(info)).first;
    }
    std::vector<std::string> names;
    for (auto& [n, t] : it->second) names.push_back(n);
    return names;
}

std::string Database::FieldType(const std::string& table, const std::string& field) {
    TableFields(table);
    for (auto& [n, t] : tableInfo_[table])
        if (EqualsIgnoreAsciiCase(n, field)) return t;
    return {};
}

Value Database::coerce(const Value& v, const std::string& declType) {
    if (v.isNull()) return v;
    switch (kindOf(declType)) {
    case FieldKind::Small:
    case FieldKind::Long: {
        long long lo = kindOf(declType) == FieldKind::Small ? -32768 : -2147483648LL;
        long long hi = kindOf(declType) == FieldKind::Small ? 32767 : 2147483647LL;
        if (v.kind() == Value::Kind::Integer) return Value(wholeIn(static_cast<double>(v.rawInt()), lo, hi));
        if (v.kind() == Value::Kind::Real) return Value(wholeIn(v.rawReal(), lo, hi));
        auto n = ToNumber(v.rawText());
        if (!n) conversionError();
        return Value(wholeIn(*n, lo, hi));
    }
    case FieldKind::Real: {
        if (v.isNumber()) return Value(v.toDouble());
        auto n = ToNumber(v.rawText());
        if (!n) conversionError();
        return Value(*n);
    }
    case FieldKind::Date: {
        if (v.kind() != Value::Kind::Text) conversionError();
        auto d = Date::fromIso(v.rawText());
        if (!d) d = ParseDate(Trim(v.rawText()));
        if (!d) conversionError();
        return Value(*d);
    }
    case FieldKind::Text:
        if (v.kind() == Value::Kind::Text) return Value(v.rawText());
        return Value(v.str());
    case FieldKind::Other: return v;
    }
    return v;
}

// ---- Recordset -----------------------------------------------------------

Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

void Recordset::MoveFirst() {
    if (rows_.empty()) throw AppError(dberr::NoCurrentRecord, "カレント レコードがありません。");
    pos_ = 0;
}
void Recordset::MoveNext() {
    if (pos_ >= rows_.size()) throw AppError(dberr::NoCurrentRecord, "カレント レコードがありません。");
    ++pos_;
}
void Recordset::MoveLast() {
    if (rows_.empty()) throw AppError(dberr::NoCurrentRecord, "カレント レコードがありません。");
    pos_ = rows_.size() - 1;
}

int Recordset::columnIndex(const std::string& name) const {
    auto dot = name.find('.');
    if (dot != std::string::npos) {
        std::string tb = name.substr(0, dot), fl = name.substr(dot + 1);
        for (std::size_t i = 0; i < columns_.size(); ++i)
            if (EqualsIgnoreAsciiCase(columns_[i].table, tb) && EqualsIgnoreAsciiCase(columns_[i].name, fl))
                return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (EqualsIgnoreAsciiCase(columns_[i].name, name)) return static_cast<int>(i);
    return -1;
}

bool Recordset::hasField(const std::string& name) const { return columnIndex(name) >= 0; }

const Value& Recordset::field(int index) const {
    if (pos_ >= rows_.size()) throw AppError(dberr::NoCurrentRecord, "カレント レコードがありません。");
    if (index < 0 || index >= static_cast<int>(columns_.size()))
        throw AppError(dberr::ItemNotFound, "このコレクションには項目がありません。");
    return rows_[pos_][index];
}

const Value& Recordset::field(const std::string& name) const {
    if (mode_ == EditMode::Add) {
        // Reading back a field of the row being added.
        auto it = pending_.find(ToLowerAscii(name));
        static const Value null;
        return it != pending_.end() ? it->second : null;
    }
    int i = columnIndex(name);
    if (i < 0) throw AppError(dberr::ItemNotFound, "このコレクションには項目 '" + name + "' がありません。");
    return field(i);
}

void Recordset::AddNew() {
    if (type_ != dbOpenDynaset) throw AppError(dberr::ReadOnlyRecordset, "このレコードセットは更新できません。");
    mode_ = EditMode::Add;
    pending_.clear();
}

void Recordset::Edit() {
    if (type_ != dbOpenDynaset) throw AppError(dberr::ReadOnlyRecordset, "このレコードセットは更新できません。");
    if (pos_ >= rows_.size()) throw AppError(dberr::NoCurrentRecord, "カレント レコードがありません。");
    mode_ = EditMode::Edit;
    pending_.clear();
}

void Recordset::set(const std::string& name, const Value& value) {
    if (mode_ == EditMode::None)
        throw AppError(dberr::UpdateWithoutEdit, "AddNew または Edit を実行せずに値を設定しようとしました。");
    std::string type = db_->FieldType(table_, name);
    if (type.empty()) throw AppError(dberr::ItemNotFound, "このコレクションには項目 '" + name + "' がありません。");
    pending_[ToLowerAscii(name)] = db_->coerce(value, type);
}

void Recordset::Update() {
    if (mode_ == EditMode::None)
        throw AppError(dberr::UpdateWithoutEdit, "AddNew または Edit を実行せずに更新しようとしました。");
    // Field names as the table spells them.
    std::vector<std::string> names;
    Params params;
    for (const auto& f : db_->TableFields(table_)) {
        auto it = pending_.find(ToLowerAscii(f));
        if (it == pending_.end()) continue;
        names.push_back(f);
        params.push_back(it->second);
    }
    std::string sql;
    if (mode_ == EditMode::Add) {
        if (names.empty()) {
            sql = "INSERT INTO \"" + table_ + "\" DEFAULT VALUES";
        } else {
            sql = "INSERT INTO \"" + table_ + "\" (";
            std::string qs;
            for (std::size_t i = 0; i < names.size(); ++i) {
                sql += (i ? ", \"" : "\"") + names[i] + "\"";
                qs += i ? ", ?" : "?";
            }
            sql += ") VALUES (" + qs + ")";
        }
    } else {
        if (names.empty()) {
            mode_ = EditMode::None;
            return;
        }
        sql = "UPDATE \"" + table_ + "\" SET ";
        for (std::size_t i = 0; i < names.size(); ++i) sql += (i ? ", \"" : "\"") + names[i] + "\" = ?";
        sql += " WHERE rowid = ?";
        params.push_back(Value(rowids_[pos_]));
    }
    db_->checkInjected(true);
    {
        Database::Stmt st = db_->prepare(sql);
        db_->bindAll(st, params);
        db_->step(st);
    }
    if (mode_ == EditMode::Edit) {
        for (std::size_t c = 0; c < columns_.size(); ++c) {
            if (!EqualsIgnoreAsciiCase(columns_[c].table, table_) && !columns_[c].table.empty()) continue;
            auto it = pending_.find(ToLowerAscii(columns_[c].origin));
            if (it != pending_.end()) rows_[pos_][c] = it->second;
        }
    }
    mode_ = EditMode::None;
    pending_.clear();
}

void Recordset::CancelUpdate() {
    mode_ = EditMode::None;
    pending_.clear();
}

void Recordset::Close() {
    rows_.clear();
    rowids_.clear();
    columns_.clear();
    pending_.clear();
    mode_ = EditMode::None;
    pos_ = 0;
}

}  // namespace hotaru::data
