#pragma once

// Database access: one connection (Database) and one result set on it (QueryResult),
// over SQLite. No operation throws; a failure is a false result with the error kept in the
// object. Values always travel as bound parameters, never inside the SQL text.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;

namespace px {

// A value bound to a '?' placeholder.
using SqlValue = std::variant<std::monostate, std::int64_t, double, std::string>;
using SqlParams = std::vector<SqlValue>;

// A failed statement or query of a connection: SQLite's result code and text.
struct DatabaseFailure
{
    int code = 0;
    std::string text;
};

// What a user is told about a failure of the database file at path: damaged or not a
// database, busy with another program, read-only, disk full, ... Never suggests that a
// configuration file does not exist.
std::string DescribeDatabaseFailure(const DatabaseFailure& failure, const std::string& path);

namespace detail {
// The connection is shared between a database object and the recordsets opened on it, so a
// recordset sees its database being closed or reopened, and the database sees the failures of
// its recordsets.
struct Connection
{
    sqlite3* db = nullptr;
    std::optional<DatabaseFailure> failure; // the first one not yet taken
    ~Connection();
    void Close();
    void Record(int code, const std::string& text);
};
} // namespace detail

class Database
{
public:
    Database();
    virtual ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the database file at path (UTF-8), which must exist; closes the connection first
    // when it is open. Without a path, reopens the file opened last.
    bool Open(const std::string& path = {});
    bool Execute(const std::string& sql, const SqlParams& params = {});
    // The rows of a query, each a value per selected column in order; nothing when it failed
    // (the failure is kept, as for Execute).
    using Rows = std::vector<std::vector<SqlValue>>;
    std::optional<Rows> Query(const std::string& sql, const SqlParams& params = {});
    bool IsOpen() const;
    void Close();

    int GetRecordsAffected() const { return recordsAffected_; }
    const std::string& GetLastErrorString() const { return lastError_; }
    const std::string& GetErrorDescription() const { return errorDescription_; }
    std::uint32_t GetLastError() const { return lastErrorCode_; }
    // How long a statement waits for another program's lock on the file before it fails as
    // busy (5 seconds unless set; takes effect at the next Open).
    void SetBusyTimeout(int milliseconds) { busyTimeoutMs_ = milliseconds; }
    // The database file this object opens.
    const std::string& Path() const { return path_; }

    // The first failure of a statement or query on this connection (its recordsets included)
    // since the last call; nothing when all went well. Lets a caller tell "no such row" from
    // "the database could not be read".
    std::optional<DatabaseFailure> TakeFailure();

private:
    friend class QueryResult;
    // A unit of work is begun and ended only by a Transaction, which cannot be left open.
    friend class Transaction;
    bool BeginTransaction();
    bool CommitTransaction();
    bool RollbackTransaction();
    void RecordError(int code, const std::string& description);

    std::shared_ptr<detail::Connection> connection_;
    std::string path_;
    std::string lastError_;
    std::string errorDescription_;
    std::uint32_t lastErrorCode_ = 0;
    int recordsAffected_ = 0;
    int busyTimeoutMs_ = 5000;
};

class QueryResult
{
public:
    QueryResult();
    explicit QueryResult(Database& database);
    virtual ~QueryResult();
    // Copies share the connection and the rows already read.
    QueryResult(const QueryResult&) = default;
    QueryResult& operator=(const QueryResult&) = default;

    // Runs the query and keeps its whole result (a static, client-side cursor).
    bool Open(Database& database, const std::string& sql, const SqlParams& params = {});
    bool Open(const std::string& sql, const SqlParams& params = {});
    bool IsOpen() const;
    bool IsEof() const;
    void MoveNext();
    int GetRecordCount() const;
    int GetFieldCount() const;
    std::string GetFieldName(int index) const;

    // Text of a field.
    bool GetFieldValue(const std::string& field, std::string& value);
    bool GetFieldValue(int index, std::string& value);
    // Integer of a field, its full value whatever the column's width.
    bool GetFieldValue(const std::string& field, int& value);
    bool GetFieldValue(int index, int& value);
    bool IsFieldNull(const std::string& field);

    void Close();

    // Every row read, a value per column.
    const std::vector<std::vector<SqlValue>>& Rows() const;

    const std::string& GetQuery() const { return query_; }
    const std::string& GetLastErrorString() const { return lastError_; }
    std::uint32_t GetLastError() const { return lastErrorCode_; }

private:
    struct Column
    {
        std::string name;
        std::string declaredType; // upper case, as the table declares it
    };
    using Row = std::vector<SqlValue>;
    struct Result
    {
        std::vector<Column> columns;
        std::vector<Row> rows;
    };

    int ColumnIndex(const std::string& field);
    const SqlValue* Current(int index, const char* fieldForError);
    void RecordError(int code, const std::string& description);
    bool TextOf(int index, std::string& value);
    bool IntOf(int index, int& value);

    std::shared_ptr<detail::Connection> connection_;
    std::shared_ptr<const Result> result_;
    std::size_t position_ = 0;
    bool open_ = false;
    std::string query_;
    std::string lastError_;
    std::uint32_t lastErrorCode_ = 0;
};

// A field of the current record as text or integer; "" and 0 when it cannot be read.
std::string FieldText(QueryResult& rs, const std::string& field);
int FieldInt(QueryResult& rs, const std::string& field);

// The highest value of an integer column plus one (1 when the selection is empty). The
// condition may use '?' placeholders bound to the given parameters. The table and field
// names come from the program, never from user input.
int NextNumber(Database& db, const std::string& field, const std::string& condition,
               const std::string& table, const SqlParams& params = {});

} // namespace px
