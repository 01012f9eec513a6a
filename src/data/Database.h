#pragma once
// The record-access layer over SQLite.  Statements are written in the dialect
// the program has always used (DELETE * FROM, #y/m/d# dates, Like with *,
// CStr(), nested left joins, CR as white space) and translated here.
// Values typed by the user are passed as parameters ("?") and bound, never
// pasted into the statement.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <string>
#include <vector>

#include "data/Value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace hotaru::data {

using Params = std::vector<Value>;

enum RecordsetType { dbOpenDynaset = 2, dbOpenSnapshot = 4 };

// Error numbers of the record layer (those of the old engine where the
// program's messages relied on them).
namespace dberr {
inline constexpr int FileNotFound = 3024;      // database file missing
inline constexpr int CannotOpen = 3051;        // locked, read-only, no permission
inline constexpr int NotADatabase = 3343;      // unrecognised database format
inline constexpr int SyntaxError = 3075;       // statement the engine cannot run
inline constexpr int NoCurrentRecord = 3021;
inline constexpr int UpdateWithoutEdit = 3020;
inline constexpr int ReadOnlyRecordset = 3027;
inline constexpr int ItemNotFound = 3265;      // no such field
inline constexpr int TypeConversion = 3421;
inline constexpr int Locked = 3260;            // locked by another process
inline constexpr int DiskFull = 3035;
inline constexpr int IoFailure = 3043;         // disk or network error
inline constexpr int Constraint = 3022;
inline constexpr int Injected = 3197;          // failure injected by a test
}

class Database;

class Recordset {
public:
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

    bool EOF_() const { return pos_ >= rows_.size(); }
    bool isEOF() const { return EOF_(); }
    bool BOF() const { return rows_.empty(); }
    void MoveFirst();
    void MoveNext();
    void MoveLast();
    // Rows of the result (all rows are known once the set is open).
    long RecordCount() const { return static_cast<long>(rows_.size()); }
    int FieldCount() const { return static_cast<int>(columns_.size()); }
    const std::string& FieldName(int i) const { return columns_[i].name; }

    // Field of the current row by name or alias, case-insensitive; "Table.field"
    // picks that table's field where a join returns two of the same name.
    const Value& operator[](const std::string& name) const { return field(name); }
    const Value& field(const std::string& name) const;
    const Value& field(int index) const;
    bool hasField(const std::string& name) const;

    // Dynaset row operations.
    void AddNew();
    void Edit();
    // Assigns a field of the row being added or edited; the value is converted
    // to the field's type as the engine would (a "1,234" text into a whole-number
    // field is 1234; an impossible conversion throws).
    void set(const std::string& name, const Value& value);
    void Update();
    void CancelUpdate();
    void Close();

private:
    friend class Database;
    struct Column {
        std::string name;      // name or alias as delivered
        std::string table;     // originating table ("" for expressions)
        std::string origin;    // originating column
        std::string declType;  // declared type of the originating column
    };
    enum class EditMode { None, Add, Edit };
    Recordset() = default;
    int columnIndex(const std::string& name) const;

    Database* db_ = nullptr;
    RecordsetType type_ = dbOpenSnapshot;
    std::string table_;                  // dynaset: the one table it updates
    std::vector<Column> columns_;
    std::vector<std::vector<Value>> rows_;
    std::vector<long long> rowids_;      // dynaset: rowid of each row
    std::size_t pos_ = 0;
    EditMode mode_ = EditMode::None;
    std::map<std::string, Value> pending_;  // field (origin name, lower case) -> value
};

class Database {
public:
    // Opens an existing database file read-write.  A missing file, a file that
    // is not a database, a read-only file or one locked by another program fails
    // here (AppError), never at the first statement.
    static std::unique_ptr<Database> Open(const std::filesystem::path& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void Close();
    bool isOpen() const { return db_ != nullptr; }

    // Runs a statement that returns no rows; returns the number of rows changed.
    int Execute(const std::string& sql, const Params& params = {});
    // Opens a record set on a table name or a SELECT statement.
    Recordset OpenRecordset(const std::string& source, RecordsetType type = dbOpenDynaset,
                            const Params& params = {});
    // First field of the first row (Null when there is none).
    Value Scalar(const std::string& sql, const Params& params = {});
    // Reads a SELECT row by row without keeping the rows, for statements
    // that return many rows (the export): fn gets each row's values in column
    // order.  columns, when given, receives the column names or aliases first.
    void ForEachRow(const std::string& sql, const Params& params,
                    const std::function<void(const std::vector<Value>& row)>& fn,
                    std::vector<std::string>* columns = nullptr);

    void BeginTrans();
    void CommitTrans();
    void Rollback();
    bool inTransaction() const { return transDepth_ > 0; }

    // The field names of a table, in order.
    std::vector<std::string> TableFields(const std::string& table);
    // Declared type of a field ("" when unknown).
    std::string FieldType(const std::string& table, const std::string& field);

    // Tests only: every statement that writes fails once n more have run
    // (n = 0: the next one fails); -1 switches it off.
    void InjectWriteFailure(int afterStatements);

    sqlite3* handle() const { return db_; }

private:
    friend class Recordset;
    explicit Database(std::filesystem::path path);
    // A prepared statement borrowed from the cache; back (reset) when destroyed.
    class Stmt {
    public:
        Stmt(Database* db, sqlite3_stmt* st) : db_(db), st_(st) {}
        Stmt(Stmt&& o) noexcept : db_(o.db_), st_(o.st_) { o.st_ = nullptr; }
        Stmt(const Stmt&) = delete;
        Stmt& operator=(const Stmt&) = delete;
        Stmt& operator=(Stmt&&) = delete;
        ~Stmt();
        sqlite3_stmt* get() const { return st_; }
        operator sqlite3_stmt*() const { return st_; }
    private:
        Database* db_;
        sqlite3_stmt* st_;
    };
    Stmt prepare(const std::string& translated);
    void release(sqlite3_stmt* st);
    void bindAll(sqlite3_stmt* st, const Params& params);
    void checkInjected(bool writes);
    [[noreturn]] void fail(int rc, const std::string& context);
    Value columnValue(sqlite3_stmt* st, int i, bool dateColumn);
    Value coerce(const Value& v, const std::string& declType);
    int step(sqlite3_stmt* st);

    std::filesystem::path path_;
    sqlite3* db_ = nullptr;
    int transDepth_ = 0;
    int injectAfter_ = -1;
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> tableInfo_;
    // Statements prepared once and reused: the windows run the same few
    // statements for every row.
    std::unordered_map<std::string, sqlite3_stmt*> stmtCache_;
};

// Translates a statement of the program's dialect into SQLite's.
std::string TranslateSql(const std::string& statement);

}  // namespace hotaru::data
