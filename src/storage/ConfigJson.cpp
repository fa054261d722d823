#include "storage/ConfigJson.h"

#include "storage/ConfigFiles.h"

#include <nlohmann/json.hpp>

#include <array>
#include <cctype>
#include <climits>

namespace px {

namespace {

using nlohmann::json;

enum class Kind
{
    Integer,
    Text,
};

struct ColumnRule
{
    const char* name;
    Kind kind;
    long long low = LLONG_MIN; // integers only
    long long high = LLONG_MAX;
    bool required = false;
};

struct TableRule
{
    const char* key;   // in the document
    const char* table; // in the database
    std::vector<ColumnRule> columns;
};

// What each table's rows may hold: the registrations' own ranges.
const std::array<TableRule, 3>& Tables()
{
    static const std::array<TableRule, 3> tables = {{
        {"infoMachines",
         "T_Device1",
         {{"DeviceNo", Kind::Integer, 0, 499, true},
          {"Address", Kind::Text},
          {"Remark", Kind::Text},
          {"TypeNo", Kind::Integer, -1, 4, true}}},
        {"handhelds",
         "T_Device2",
         {{"DeviceNo", Kind::Integer, 0, 255, true}, {"Address", Kind::Text}, {"Remark", Kind::Text}}},
        {"callers",
         "T_Device3",
         {{"CodeNo", Kind::Text, 0, 0, true},
          {"CallNo", Kind::Integer, 0, 99999},
          {"CallName", Kind::Text},
          {"KeyName", Kind::Text},
          {"DeviceNo1", Kind::Integer, -1, 499},
          {"DeviceNo2", Kind::Integer, -1, 499},
          {"DeviceNo3", Kind::Integer, -1, 499},
          {"DeviceNo4", Kind::Integer, -1, 499},
          {"DeviceNo5", Kind::Integer, -1, 499},
          {"DeviceNo6", Kind::Integer, -1, 499},
          {"DeviceNo7", Kind::Integer, -1, 499},
          {"DeviceNo8", Kind::Integer, -1, 499},
          {"ZhuiHu", Kind::Integer, 0, 255, true},
          {"CodeType", Kind::Integer, 0, 1}}},
    }};
    return tables;
}

json ReadRows(CADODatabase& db, const TableRule& rule, const std::string& name)
{
    json rows = json::array();
    CADORecordset rs(db);
    std::string columns;
    for (const ColumnRule& column : rule.columns)
        columns += std::string(columns.empty() ? "" : ",") + column.name;
    // rowid keeps the rows in the order they were made.
    if (!rs.Open(db, "select " + columns + " from " + rule.table + " where FileName=? order by rowid",
                 {name}))
        return rows;
    for (; !rs.IsEof(); rs.MoveNext()) {
        json row = json::object();
        for (const ColumnRule& column : rule.columns) {
            if (rs.IsFieldNull(column.name)) {
                row[column.name] = nullptr;
            } else if (column.kind == Kind::Integer) {
                int value = 0;
                rs.GetFieldValue(column.name, value);
                row[column.name] = value;
            } else {
                std::string value;
                rs.GetFieldValue(column.name, value);
                row[column.name] = value;
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

bool IsHex(const std::string& text)
{
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// Checks one row; on failure the error names the field.
bool CheckRow(const TableRule& rule, const json& row, std::size_t index, std::string& error)
{
    const std::string where = std::string(rule.key) + "[" + std::to_string(index) + "]";
    if (!row.is_object()) {
        error = where + ": a row must be an object";
        return false;
    }
    for (auto it = row.begin(); it != row.end(); ++it) {
        bool known = false;
        for (const ColumnRule& column : rule.columns)
            known = known || it.key() == column.name;
        if (!known) {
            error = where + "." + it.key() + ": unknown field";
            return false;
        }
    }
    for (const ColumnRule& column : rule.columns) {
        const std::string field = where + "." + column.name;
        if (!row.contains(column.name)) {
            error = field + ": missing";
            return false;
        }
        const json& value = row.at(column.name);
        if (value.is_null()) {
            if (column.required) {
                error = field + ": must not be null";
                return false;
            }
            continue;
        }
        if (column.kind == Kind::Integer) {
            if (!value.is_number_integer()) {
                error = field + ": must be a whole number, not " + value.dump();
                return false;
            }
            const long long n = value.get<long long>();
            if (n < column.low || n > column.high) {
                error = field + ": " + std::to_string(n) + " is out of range " +
                        std::to_string(column.low) + ".." + std::to_string(column.high);
                return false;
            }
        } else if (!value.is_string()) {
            error = field + ": must be a text, not " + value.dump();
            return false;
        }
    }
    if (std::string(rule.key) == "callers") {
        const std::string code = row.at("CodeNo").get<std::string>();
        if ((code.size() != 6 && code.size() != 12) || !IsHex(code)) {
            error = where + ".CodeNo: \"" + code + "\" is not 6 or 12 hexadecimal digits";
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
        return std::int64_t{value.get<long long>()};
    return value.get<std::string>();
}

} // namespace

std::optional<std::string> ExportConfigFile(CADODatabase& db, const std::string& name)
{
    const auto file = FindConfigFile(db, name);
    if (!file)
        return std::nullopt;
    json document = {{"format", kConfigJsonFormat},
                     {"name", name},
                     {"model", file->deviceType == kFileTypeQX ? "qx" : "px"}};
    for (const TableRule& rule : Tables())
        document[rule.key] = ReadRows(db, rule, name);
    return document.dump(2);
}

JsonImportResult ImportConfigFile(CADODatabase& db, const std::string& text, const std::string& asName,
                                  bool replace, std::string& error, std::string* importedName)
{
    const json document = json::parse(text, nullptr, false);
    if (document.is_discarded() || !document.is_object()) {
        error = "not a JSON object";
        return JsonImportResult::Invalid;
    }
    if (!document.contains("format")) {
        error = "format: missing";
        return JsonImportResult::Invalid;
    }
    if (document["format"] != kConfigJsonFormat) {
        error = "format: " + document["format"].dump() + " is not a known format (this program reads " +
                std::to_string(kConfigJsonFormat) + ")";
        return JsonImportResult::Invalid;
    }
    for (const char* key : {"name", "model"}) {
        if (!document.contains(key) || !document[key].is_string()) {
            error = std::string(key) + ": missing or not a text";
            return JsonImportResult::Invalid;
        }
    }
    const std::string model = document["model"].get<std::string>();
    if (model != "px" && model != "qx") {
        error = "model: \"" + model + "\" is neither px nor qx";
        return JsonImportResult::Invalid;
    }
    const std::string name = asName.empty() ? document["name"].get<std::string>() : asName;
    if (name.empty()) {
        error = "name: empty";
        return JsonImportResult::Invalid;
    }
    for (const TableRule& rule : Tables()) {
        if (!document.contains(rule.key) || !document[rule.key].is_array()) {
            error = std::string(rule.key) + ": missing or not a list";
            return JsonImportResult::Invalid;
        }
        const json& rows = document[rule.key];
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (!CheckRow(rule, rows[i], i, error))
                return JsonImportResult::Invalid;
        }
    }
    for (auto it = document.begin(); it != document.end(); ++it) {
        const std::string& key = it.key();
        if (key != "format" && key != "name" && key != "model" && key != "infoMachines" &&
            key != "handhelds" && key != "callers") {
            error = key + ": unknown field";
            return JsonImportResult::Invalid;
        }
    }

    const bool exists = FindConfigFile(db, name).has_value();
    if (exists && !replace) {
        error = "a configuration file named \"" + name + "\" exists";
        return JsonImportResult::Exists;
    }
    if (!db.BeginTransaction()) {
        error = db.GetErrorDescription();
        return JsonImportResult::Failed;
    }
    const std::int64_t type = model == "qx" ? kFileTypeQX : kFileTypePX;
    bool ok = exists ? db.Execute("update T_FileName set DeviceType=? where FileName=?", {type, name})
                     : db.Execute("insert into T_FileName (FileName,DeviceType) values (?,?)", {name, type});
    for (const TableRule& rule : Tables()) {
        if (!ok)
            break;
        ok = db.Execute(std::string("delete from ") + rule.table + " where FileName=?", {name});
        std::string columns;
        std::string marks;
        for (const ColumnRule& column : rule.columns) {
            columns += std::string(column.name) + ",";
            marks += "?,";
        }
        const std::string insert = std::string("insert into ") + rule.table + " (" + columns +
                                   "FileName) values (" + marks + "?)";
        for (const json& row : document[rule.key]) {
            if (!ok)
                break;
            SqlParams params;
            for (const ColumnRule& column : rule.columns)
                params.push_back(ToSql(row.at(column.name)));
            params.emplace_back(name);
            ok = db.Execute(insert, params);
        }
    }
    if (ok && db.CommitTransaction()) {
        if (importedName != nullptr)
            *importedName = name;
        return JsonImportResult::Imported;
    }
    error = db.GetErrorDescription();
    db.RollbackTransaction();
    return JsonImportResult::Failed;
}

} // namespace px
