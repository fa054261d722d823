#include "storage/ConfigJson.h"

#include "common/BoundedJson.h"
#include "common/FileIo.h"
#include "common/Gbk.h"
#include "storage/ConfigFiles.h"
#include "storage/RegistrationTables.h"
#include "storage/RowRules.h"
#include "storage/Transaction.h"

#include <cctype>
#include <climits>
#include <map>
#include <nlohmann/json.hpp>

namespace px {

namespace {

using nlohmann::json;

// The key as the host tells rows apart: feature codes in either case are the same code.
std::string KeyOf(const json& value)
{
    if (value.is_string()) {
        std::string text = value.get<std::string>();
        for (char& c : text)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return text;
    }
    return value.dump();
}

// A document is an object of lists of flat rows: anything nested deeper is refused before
// it is parsed.
constexpr JsonLimits kImportLimits{kMaxConfigJsonBytes, 3};

// Reads the rows of a table as they are stored; false with the reason when a value cannot be
// written as JSON.
template <typename Row>
bool ReadRows(Database& db, const RegistrationTable<Row>& table, const std::string& name,
              json& rows, std::string& error)
{
    rows = json::array();
    std::string columns;
    for (const TableColumn<Row>& column : table.columns)
        columns += std::string(columns.empty() ? "" : ",") + column.name;
    // rowid keeps the rows in the order they were made.
    const auto result = db.Query("select " + columns + " from " + table.databaseTable +
                                     " where FileName=? order by rowid",
                                 {name});
    if (!result) {
        error = "cannot read " + std::string(table.databaseTable) + ": " + db.GetErrorDescription();
        return false;
    }
    for (std::size_t index = 0; index < result->size(); ++index) {
        json row = json::object();
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            const TableColumn<Row>& column = table.columns[c];
            const SqlValue& value = (*result)[index][c];
            const std::string field =
                std::string(table.jsonKey) + "[" + std::to_string(index) + "]." + column.name;
            if (std::holds_alternative<std::monostate>(value)) {
                row[column.name] = nullptr;
            } else if (!column.text) {
                const auto* n = std::get_if<std::int64_t>(&value);
                if (n == nullptr || *n < INT_MIN || *n > INT_MAX) {
                    error = field + ": the value in the database is not a whole number";
                    return false;
                }
                row[column.name] = static_cast<int>(*n);
            } else {
                const auto* text = std::get_if<std::string>(&value);
                std::string textValue = text != nullptr ? *text
                                        : std::holds_alternative<std::int64_t>(value)
                                            ? std::to_string(std::get<std::int64_t>(value))
                                            : std::string();
                if (!IsValidUtf8(textValue)) {
                    error = field + ": the database holds a text that is not valid UTF-8";
                    return false;
                }
                row[column.name] = std::move(textValue);
            }
        }
        rows.push_back(std::move(row));
    }
    return true;
}

// The integer of a JSON value, if it is one a long long holds.
std::optional<long long> IntegerOf(const json& value)
{
    if (value.is_number_unsigned()) {
        const auto n = value.get<std::uint64_t>();
        if (n > static_cast<std::uint64_t>(LLONG_MAX))
            return std::nullopt;
        return static_cast<long long>(n);
    }
    if (value.is_number_integer())
        return value.get<long long>();
    return std::nullopt;
}

// Checks one row by the table's columns; on failure the error names the field.
template <typename Row>
bool CheckRow(const RegistrationTable<Row>& table, const json& row, std::size_t index,
              std::string& error)
{
    const std::string where = std::string(table.jsonKey) + "[" + std::to_string(index) + "]";
    if (!row.is_object()) {
        error = where + ": a row must be an object";
        return false;
    }
    for (auto it = row.begin(); it != row.end(); ++it) {
        bool known = false;
        for (const TableColumn<Row>& column : table.columns)
            known = known || it.key() == column.name;
        if (!known) {
            error = where + "." + it.key() + ": unknown field";
            return false;
        }
    }
    for (const TableColumn<Row>& column : table.columns) {
        const std::string field = where + "." + column.name;
        if (!row.contains(column.name)) {
            error = field + ": missing";
            return false;
        }
        const json& value = row.at(column.name);
        if (value.is_null()) {
            if (!column.nullable) {
                error = field + ": must not be null";
                return false;
            }
            continue;
        }
        std::string problem;
        SqlValue sql;
        if (!column.text) {
            if (!value.is_number_integer())
                problem = "must be a whole number, not " + JsonSnippet(value);
            else if (const std::optional<long long> n = IntegerOf(value))
                sql = std::int64_t{*n};
            else
                problem = JsonSnippet(value) + " is out of range";
        } else if (value.is_string()) {
            sql = value.get<std::string>();
        } else {
            problem = "must be a text, not " + JsonSnippet(value);
        }
        // The column's own rule, on a row that holds the value.
        Row probe;
        if (problem.empty() && column.set(probe, sql, problem))
            problem = column.check(probe);
        if (!problem.empty()) {
            error = field + ": " + problem;
            return false;
        }
    }
    return true;
}

// Checks the rows of a table: each row, no key twice, no more rows than the model holds.
template <typename Row>
bool CheckTable(const RegistrationTable<Row>& table, const json& rows, const Capacity& capacity,
                const std::string& model, std::string& error)
{
    const int limit = capacity.*table.capacity;
    if (rows.size() > static_cast<std::size_t>(limit)) {
        error = std::string(table.jsonKey) + ": " + std::to_string(rows.size()) +
                " rows, more than the " + std::to_string(limit) + " a " + model + " file holds";
        return false;
    }
    const char* keyColumn = table.columns.front().name;
    std::map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!CheckRow(table, rows[i], i, error))
            return false;
        const json& key = rows[i].at(keyColumn);
        const auto [it, added] = seen.emplace(KeyOf(key), i);
        if (!added) {
            error = std::string(table.jsonKey) + "[" + std::to_string(i) + "]." + keyColumn + ": " +
                    JsonSnippet(key) + " is already in " + table.jsonKey + "[" +
                    std::to_string(it->second) + "]";
            return false;
        }
    }
    return true;
}

SqlValue ToSql(const json& value)
{
    if (value.is_null())
        return std::monostate{};
    if (value.is_number_integer())
        return std::int64_t{*IntegerOf(value)};
    return value.get<std::string>();
}

} // namespace

std::optional<std::string> ReadConfigJsonFile(const std::string& path, std::string& error)
{
    return ReadFileUpTo(path, kMaxConfigJsonBytes, error);
}

bool WriteConfigJsonFile(const std::string& path, const std::string& document, std::string& error)
{
    return WriteFileWhole(path, document + "\n", error);
}

std::optional<std::string> ExportConfigFile(Database& db, const std::string& name,
                                            std::string& error)
{
    const auto file = FindConfigFile(db, name);
    if (!file) {
        error = FileNotFoundMessage(db, name);
        return std::nullopt;
    }
    if (!IsValidUtf8(name)) {
        error = "the name of the configuration file is not valid UTF-8";
        return std::nullopt;
    }
    json document = {
        {"format", kConfigJsonFormat}, {"name", name}, {"model", FileModelName(file->deviceType)}};
    bool read = true;
    ForEachTable([&](const auto& table) {
        read = read && ReadRows(db, table, name, document[table.jsonKey], error);
    });
    if (!read)
        return std::nullopt;
    return document.dump(2);
}

JsonImportResult ImportConfigFile(Database& db, const std::string& text, const std::string& asName,
                                  bool replace, std::string& error, std::string* importedName)
{
    const std::optional<json> parsed = ParseBoundedJson(text, kImportLimits, error);
    if (!parsed)
        return JsonImportResult::Invalid;
    const json& document = *parsed;
    if (!document.is_object()) {
        error = "not a JSON object";
        return JsonImportResult::Invalid;
    }
    if (!document.contains("format")) {
        error = "format: missing";
        return JsonImportResult::Invalid;
    }
    if (document["format"] != kConfigJsonFormat) {
        error = "format: " + JsonSnippet(document["format"]) +
                " is not a known format (this program reads " + std::to_string(kConfigJsonFormat) +
                ")";
        return JsonImportResult::Invalid;
    }
    for (auto it = document.begin(); it != document.end(); ++it) {
        const std::string& key = it.key();
        bool table = false;
        ForEachTable([&](const auto& t) { table = table || key == t.jsonKey; });
        if (key != "format" && key != "name" && key != "model" && !table) {
            error = key + ": unknown field";
            return JsonImportResult::Invalid;
        }
    }
    for (const char* key : {"name", "model"}) {
        if (!document.contains(key) || !document[key].is_string()) {
            error = std::string(key) + ": missing or not a text";
            return JsonImportResult::Invalid;
        }
    }
    const std::string model = document["model"].get<std::string>();
    if (model != "px" && model != "qx") {
        error = "model: " + JsonSnippet(document["model"]) + " is neither px nor qx";
        return JsonImportResult::Invalid;
    }
    const std::string name = asName.empty() ? document["name"].get<std::string>() : asName;
    if (name.empty()) {
        error = "name: empty";
        return JsonImportResult::Invalid;
    }
    if (const std::string problem = CheckStoredText(name); !problem.empty()) {
        error = "name: " + problem;
        return JsonImportResult::Invalid;
    }
    const Capacity capacity = CapacityFor(model == "qx");
    bool valid = true;
    ForEachTable([&](const auto& table) {
        if (!valid)
            return;
        if (!document.contains(table.jsonKey) || !document[table.jsonKey].is_array()) {
            error = std::string(table.jsonKey) + ": missing or not a list";
            valid = false;
            return;
        }
        valid = CheckTable(table, document[table.jsonKey], capacity, model, error);
    });
    if (!valid)
        return JsonImportResult::Invalid;

    const bool exists = FindConfigFile(db, name).has_value();
    if (exists && !replace) {
        error = "a configuration file named \"" + name + "\" exists";
        return JsonImportResult::Exists;
    }
    Transaction transaction(db);
    if (!transaction.Began()) {
        error = db.GetErrorDescription();
        return JsonImportResult::Failed;
    }
    const std::int64_t type = StoredFileType(model == "qx" ? FileType::QX : FileType::PX);
    bool ok =
        exists
            ? db.Execute("update T_FileName set DeviceType=? where FileName=?", {type, name})
            : db.Execute("insert into T_FileName (FileName,DeviceType) values (?,?)", {name, type});
    ForEachTable([&](const auto& table) {
        if (!ok)
            return;
        ok = db.Execute(std::string("delete from ") + table.databaseTable + " where FileName=?",
                        {name});
        std::string columns;
        std::string marks;
        for (const auto& column : table.columns) {
            columns += std::string(column.name) + ",";
            marks += "?,";
        }
        // The values as the document holds them, NULLs included.
        const std::string insert = std::string("insert into ") + table.databaseTable + " (" +
                                   columns + "FileName) values (" + marks + "?)";
        for (const json& row : document[table.jsonKey]) {
            if (!ok)
                return;
            SqlParams params;
            for (const auto& column : table.columns)
                params.push_back(ToSql(row.at(column.name)));
            params.emplace_back(name);
            ok = db.Execute(insert, params);
        }
    });
    if (ok && transaction.Commit()) {
        if (importedName != nullptr)
            *importedName = name;
        return JsonImportResult::Imported;
    }
    error = db.GetErrorDescription();
    db.TakeFailure(); // said in error
    return JsonImportResult::Failed;
}

} // namespace px
