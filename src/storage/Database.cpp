#include "storage/Database.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>
#include <sqlite3.h>
#include <utility>

namespace px {

namespace {

// Who reports the error: the connection or a query's result.
constexpr const char* kConnectionReport = "CADODataBase";
constexpr const char* kRecordsetReport = "QueryResult";

std::string FormatReport(const char* reporter, int code, const std::string& description)
{
    const auto print = [&](char* out, std::size_t size) {
        return std::snprintf(out, size,
                             "%s Error\n\tCode = %08lx\n\tCode meaning = %s\n\tSource = %s\n"
                             "\tDescription = %s\n",
                             reporter, static_cast<unsigned long>(code), sqlite3_errstr(code),
                             "SQLite", description.c_str());
    };
    std::string text(static_cast<std::size_t>(std::max(print(nullptr, 0), 0)), '\0');
    print(text.data(), text.size() + 1);
    return text;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string_view TrimLeft(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    return text;
}

// Prepares and runs every statement of sql, binding the parameters in order of appearance.
// Calls onRow for each result row of each statement. Returns an SQLite result code.
template <typename OnColumns, typename OnRow>
int RunStatements(sqlite3* db, const std::string& sql, const SqlParams& params, int& changes,
                  OnColumns&& onColumns, OnRow&& onRow)
{
    const char* tail = sql.c_str();
    const char* const end = sql.c_str() + sql.size();
    std::size_t nextParam = 0;
    changes = 0;
    while (tail < end) {
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(db, tail, static_cast<int>(end - tail), &raw, &tail);
        if (rc != SQLITE_OK)
            return rc;
        if (raw == nullptr) // only blanks or a comment were left
            continue;
        std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
        const int count = sqlite3_bind_parameter_count(raw);
        for (int i = 1; i <= count; ++i) {
            if (nextParam >= params.size())
                return SQLITE_RANGE;
            const SqlValue& value = params[nextParam++];
            if (const auto* n = std::get_if<std::int64_t>(&value))
                rc = sqlite3_bind_int64(raw, i, *n);
            else if (const auto* d = std::get_if<double>(&value))
                rc = sqlite3_bind_double(raw, i, *d);
            else if (const auto* s = std::get_if<std::string>(&value))
                rc = sqlite3_bind_text(raw, i, s->data(), static_cast<int>(s->size()),
                                       SQLITE_TRANSIENT);
            else
                rc = sqlite3_bind_null(raw, i);
            if (rc != SQLITE_OK)
                return rc;
        }
        onColumns(raw);
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
            onRow(raw);
        if (rc != SQLITE_DONE)
            return rc;
        changes = sqlite3_changes(db);
    }
    if (nextParam != params.size())
        return SQLITE_RANGE;
    return SQLITE_OK;
}

std::string ErrorText(sqlite3* db, int rc)
{
    if (rc == SQLITE_RANGE)
        return "the number of values does not match the statement's placeholders";
    return db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
}

} // namespace

std::string DescribeDatabaseFailure(const DatabaseFailure& failure, const std::string& path)
{
    switch (failure.code & 0xFF) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return "数据库文件已损坏或不是数据库：" + path + "（文件未作任何修改）";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "数据库正被其他程序使用，请稍后再试：" + path;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return "数据库无法写入（只读）：" + path;
    case SQLITE_FULL:
        return "磁盘已满，无法写入数据库：" + path;
    case SQLITE_CANTOPEN:
        return "无法打开数据库：" + path;
    case SQLITE_IOERR:
        return "读写数据库出错：" + path + "（" + failure.text + "）";
    default:
        return "数据库操作失败：" + failure.text;
    }
}

namespace detail {

Connection::~Connection()
{
    Close();
}

void Connection::Record(int code, const std::string& text)
{
    if (!failure)
        failure = DatabaseFailure{code, text};
}

void Connection::Close()
{
    if (db != nullptr) {
        sqlite3_close_v2(db);
        db = nullptr;
    }
}

} // namespace detail

// ---------------------------------------------------------------------------------------------

Database::Database() : connection_(std::make_shared<detail::Connection>()) {}

Database::~Database()
{
    Close();
}

bool Database::Open(const std::string& path)
{
    if (IsOpen())
        Close();
    if (!path.empty())
        path_ = path;
    sqlite3* db = nullptr;
    // The database must exist: opening never creates an empty file.
    const int rc = sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        RecordError(rc, db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, busyTimeoutMs_);
    connection_->db = db;
    return true;
}

bool Database::Execute(const std::string& sql, const SqlParams& params)
{
    recordsAffected_ = 0;
    if (!IsOpen()) {
        RecordError(SQLITE_MISUSE, "the connection is closed");
        return false;
    }
    int changes = 0;
    const int rc = RunStatements(
        connection_->db, sql, params, changes, [](sqlite3_stmt*) {}, [](sqlite3_stmt*) {});
    if (rc != SQLITE_OK) {
        RecordError(rc, ErrorText(connection_->db, rc));
        return false;
    }
    recordsAffected_ = changes;
    return true;
}

std::optional<Database::Rows> Database::Query(const std::string& sql, const SqlParams& params)
{
    QueryResult result(*this);
    if (!result.Open(*this, sql, params)) {
        // The connection keeps the failure (TakeFailure); its text is this object's last too.
        if (connection_->failure) {
            errorDescription_ = connection_->failure->text;
            lastErrorCode_ = static_cast<std::uint32_t>(connection_->failure->code);
        }
        return std::nullopt;
    }
    return result.Rows();
}

bool Database::IsOpen() const
{
    return connection_ && connection_->db != nullptr;
}

void Database::Close()
{
    if (connection_)
        connection_->Close();
}

bool Database::BeginTransaction()
{
    return Execute("BEGIN IMMEDIATE");
}

bool Database::CommitTransaction()
{
    return Execute("COMMIT");
}

bool Database::RollbackTransaction()
{
    if (!IsOpen() || sqlite3_get_autocommit(connection_->db) != 0)
        return true; // nothing to roll back: SQLite already ended it
    return Execute("ROLLBACK");
}

std::optional<DatabaseFailure> Database::TakeFailure()
{
    return std::exchange(connection_->failure, std::nullopt);
}

void Database::RecordError(int code, const std::string& description)
{
    connection_->Record(code, description);
    errorDescription_ = description;
    lastErrorCode_ = static_cast<std::uint32_t>(code);
    lastError_ =
        "Connection String = " + path_ + "\n" + FormatReport(kConnectionReport, code, description);
}

// ---------------------------------------------------------------------------------------------

QueryResult::QueryResult() = default;

QueryResult::QueryResult(Database& database) : connection_(database.connection_) {}

QueryResult::~QueryResult() = default;

const std::vector<std::vector<SqlValue>>& QueryResult::Rows() const
{
    static const std::vector<std::vector<SqlValue>> kNone;
    return result_ ? result_->rows : kNone;
}

bool QueryResult::Open(Database& database, const std::string& sql, const SqlParams& params)
{
    if (!connection_)
        connection_ = database.connection_;
    return Open(sql, params);
}

bool QueryResult::Open(const std::string& sql, const SqlParams& params)
{
    Close();
    if (!sql.empty())
        query_ = std::string(TrimLeft(sql));
    if (!connection_ || connection_->db == nullptr) {
        RecordError(SQLITE_MISUSE, "the connection is closed");
        return false;
    }
    auto result = std::make_shared<Result>();
    int changes = 0;
    const int rc = RunStatements(
        connection_->db, query_, params, changes,
        [&](sqlite3_stmt* stmt) {
            result->columns.clear();
            const int n = sqlite3_column_count(stmt);
            for (int i = 0; i < n; ++i) {
                const char* decl = sqlite3_column_decltype(stmt, i);
                result->columns.push_back(
                    {sqlite3_column_name(stmt, i), decl != nullptr ? Upper(decl) : std::string()});
            }
            result->rows.clear();
        },
        [&](sqlite3_stmt* stmt) {
            Row row;
            row.reserve(result->columns.size());
            for (int i = 0; i < static_cast<int>(result->columns.size()); ++i) {
                switch (sqlite3_column_type(stmt, i)) {
                case SQLITE_INTEGER:
                    row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
                    break;
                case SQLITE_FLOAT:
                    row.emplace_back(sqlite3_column_double(stmt, i));
                    break;
                case SQLITE_TEXT:
                    row.emplace_back(
                        std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, i)),
                                    static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
                    break;
                case SQLITE_BLOB: // no column of ours holds one; it reads as nothing
                case SQLITE_NULL:
                default:
                    row.emplace_back(std::monostate{});
                    break;
                }
            }
            result->rows.push_back(std::move(row));
        });
    if (rc != SQLITE_OK) {
        RecordError(rc, ErrorText(connection_->db, rc));
        // The connection keeps it for whoever reports failures of the database.
        connection_->Record(rc, ErrorText(connection_->db, rc));
        return false;
    }
    result_ = std::move(result);
    position_ = 0;
    open_ = true;
    return true;
}

bool QueryResult::IsOpen() const
{
    return open_ && connection_ && connection_->db != nullptr;
}

bool QueryResult::IsEof() const
{
    return !result_ || position_ >= result_->rows.size();
}

void QueryResult::MoveNext()
{
    if (result_ && position_ < result_->rows.size())
        ++position_;
}

int QueryResult::GetRecordCount() const
{
    return result_ ? static_cast<int>(result_->rows.size()) : 0;
}

int QueryResult::GetFieldCount() const
{
    return result_ ? static_cast<int>(result_->columns.size()) : 0;
}

std::string QueryResult::GetFieldName(int index) const
{
    if (!result_ || index < 0 || index >= GetFieldCount())
        return {};
    return result_->columns[static_cast<std::size_t>(index)].name;
}

void QueryResult::Close()
{
    open_ = false;
    result_.reset();
    position_ = 0;
}

int QueryResult::ColumnIndex(const std::string& field)
{
    if (result_) {
        const std::string wanted = Upper(field);
        for (std::size_t i = 0; i < result_->columns.size(); ++i) {
            if (Upper(result_->columns[i].name) == wanted)
                return static_cast<int>(i);
        }
    }
    RecordError(SQLITE_ERROR, "Item cannot be found in the collection: " + field);
    return -1;
}

const SqlValue* QueryResult::Current(int index, const char* fieldForError)
{
    if (!result_ || IsEof()) {
        RecordError(SQLITE_MISUSE, "no current record");
        return nullptr;
    }
    if (index < 0 || index >= GetFieldCount()) {
        RecordError(SQLITE_RANGE, std::string("no such field: ") + fieldForError);
        return nullptr;
    }
    return &result_->rows[position_][static_cast<std::size_t>(index)];
}

bool QueryResult::TextOf(int index, std::string& value)
{
    const SqlValue* cell = Current(index, std::to_string(index).c_str());
    if (cell == nullptr)
        return false;
    const std::string& declared = result_->columns[static_cast<std::size_t>(index)].declaredType;
    if (std::holds_alternative<std::monostate>(*cell)) {
        value.clear();
        return true;
    }
    if (const auto* n = std::get_if<std::int64_t>(cell)) {
        if (declared.find("BOOL") != std::string::npos)
            value = *n != 0 ? "T" : "F";
        else
            value = std::to_string(*n);
        return true;
    }
    if (const auto* d = std::get_if<double>(cell)) {
        const bool single = declared.find("SINGLE") != std::string::npos ||
                            declared.find("FLOAT") != std::string::npos;
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, single ? "%.10g" : "%.12g", *d);
        value = buffer;
        return true;
    }
    const auto& text = std::get<std::string>(*cell);
    value = text;
    return true;
}

bool QueryResult::IntOf(int index, int& value)
{
    const SqlValue* cell = Current(index, std::to_string(index).c_str());
    if (cell == nullptr)
        return false;
    constexpr auto lo = std::numeric_limits<int>::min();
    constexpr auto hi = std::numeric_limits<int>::max();
    if (std::holds_alternative<std::monostate>(*cell)) {
        value = 0;
        return true;
    }
    if (const auto* n = std::get_if<std::int64_t>(cell)) {
        const std::string& declared =
            result_->columns[static_cast<std::size_t>(index)].declaredType;
        if (declared.find("BOOL") != std::string::npos) {
            value = *n != 0 ? 1 : 0;
            return true;
        }
        if (*n < lo || *n > hi) {
            RecordError(SQLITE_RANGE, "value does not fit an integer");
            return false;
        }
        value = static_cast<int>(*n);
        return true;
    }
    if (const auto* d = std::get_if<double>(cell)) {
        if (!(*d >= lo && *d <= hi)) {
            RecordError(SQLITE_RANGE, "value does not fit an integer");
            return false;
        }
        value = static_cast<int>(*d);
        return true;
    }
    const auto& text = std::get<std::string>(*cell);
    const std::string_view trimmed = TrimLeft(text);
    int parsed = 0;
    const auto [ptr, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), parsed);
    if (ec != std::errc() || ptr != trimmed.data() + trimmed.size()) {
        RecordError(SQLITE_MISMATCH, "text is not an integer: " + text);
        return false;
    }
    value = parsed;
    return true;
}

bool QueryResult::GetFieldValue(const std::string& field, std::string& value)
{
    const int index = ColumnIndex(field);
    return index >= 0 && TextOf(index, value);
}

bool QueryResult::GetFieldValue(int index, std::string& value)
{
    return TextOf(index, value);
}

bool QueryResult::GetFieldValue(const std::string& field, int& value)
{
    const int index = ColumnIndex(field);
    return index >= 0 && IntOf(index, value);
}

bool QueryResult::GetFieldValue(int index, int& value)
{
    return IntOf(index, value);
}

bool QueryResult::IsFieldNull(const std::string& field)
{
    const int index = ColumnIndex(field);
    const SqlValue* cell = index >= 0 ? Current(index, field.c_str()) : nullptr;
    return cell == nullptr || std::holds_alternative<std::monostate>(*cell);
}

void QueryResult::RecordError(int code, const std::string& description)
{
    lastErrorCode_ = static_cast<std::uint32_t>(code);
    lastError_ = "Query = " + query_ + "\n" + FormatReport(kRecordsetReport, code, description);
}

// ---------------------------------------------------------------------------------------------

std::string FieldText(QueryResult& rs, const std::string& field)
{
    std::string value;
    rs.GetFieldValue(field, value);
    return value;
}

int FieldInt(QueryResult& rs, const std::string& field)
{
    int value = 0;
    rs.GetFieldValue(field, value);
    return value;
}

int NextNumber(Database& db, const std::string& field, const std::string& condition,
               const std::string& table, const SqlParams& params)
{
    std::string sql = "select max(" + field + ") from " + table;
    if (!condition.empty())
        sql += " where " + condition;
    int value = 0;
    QueryResult result(db);
    if (result.Open(db, sql, params) && result.GetRecordCount() == 1)
        result.GetFieldValue(0, value);
    return value + 1;
}

} // namespace px
