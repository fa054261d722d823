#include "storage/ConfigJson.h"

#include "common/BoundedJson.h"
#include "common/FileIo.h"
#include "common/Gbk.h"
#include "storage/ConfigFiles.h"
#include "storage/RowRules.h"
#include "storage/Transaction.h"

#include <array>
#include <cctype>
#include <climits>
#include <map>
#include <nlohmann/json.hpp>

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
    bool required; // null is refused
    std::string (*integerRule)(long long) = nullptr;
    std::string (*textRule)(std::string_view) = nullptr;
};

struct TableRule
{
    const char* key;   // in the document
    const char* table; // in the database
    std::vector<ColumnRule> columns;
    int Capacity::*limit;
};

ColumnRule Number(const char* name, bool required, std::string (*rule)(long long))
{
    return {name, Kind::Integer, required, rule, nullptr};
}

ColumnRule Text(const char* name, bool required, std::string (*rule)(std::string_view))
{
    return {name, Kind::Text, required, nullptr, rule};
}

// What each table's rows may hold: what registration accepts and the host's records carry.
const std::array<TableRule, 3>& Tables()
{
    static const std::array<TableRule, 3> tables = {{
        {"infoMachines",
         "T_Device1",
         {Number("DeviceNo", true, CheckPagerNumber), Text("Address", true, CheckAddress),
          Text("Remark", false, CheckStoredText), Number("TypeNo", true, CheckReceiverType)},
         &Capacity::infoMachines},
        {"handhelds",
         "T_Device2",
         {Number("DeviceNo", true, CheckHandheldNumber), Text("Address", true, CheckHandheldCode),
          Text("Remark", false, CheckStoredText)},
         &Capacity::handhelds},
        {"callers",
         "T_Device3",
         {Text("CodeNo", true, CheckCallerCode), Number("CallNo", false, CheckCallerNumber),
          Text("CallName", false, CheckHostText), Text("KeyName", false, CheckHostText),
          Number("DeviceNo1", false, CheckTargetPager),
          Number("DeviceNo2", false, CheckTargetPager),
          Number("DeviceNo3", false, CheckTargetPager),
          Number("DeviceNo4", false, CheckTargetPager),
          Number("DeviceNo5", false, CheckTargetPager),
          Number("DeviceNo6", false, CheckTargetPager),
          Number("DeviceNo7", false, CheckTargetPager),
          Number("DeviceNo8", false, CheckTargetPager), Number("ZhuiHu", true, CheckEscalation),
          Number("CodeType", false, CheckCodeType)},
         &Capacity::callerRows},
    }};
    return tables;
}

// The column a row is known by; two rows of a file may not share it.
const char* KeyColumn(const TableRule& rule)
{
    return rule.columns.front().name;
}

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

// Reads the rows of a table; false with the reason when a value cannot be written as JSON.
bool ReadRows(Database& db, const TableRule& rule, const std::string& name, json& rows,
              std::string& error)
{
    rows = json::array();
    QueryResult rs(db);
    std::string columns;
    for (const ColumnRule& column : rule.columns)
        columns += std::string(columns.empty() ? "" : ",") + column.name;
    // rowid keeps the rows in the order they were made.
    if (!rs.Open(db,
                 "select " + columns + " from " + rule.table + " where FileName=? order by rowid",
                 {name})) {
        error = "cannot read " + std::string(rule.table) + ": " + rs.GetLastErrorString();
        return false;
    }
    for (std::size_t index = 0; !rs.IsEof(); rs.MoveNext(), ++index) {
        json row = json::object();
        for (const ColumnRule& column : rule.columns) {
            const std::string field =
                std::string(rule.key) + "[" + std::to_string(index) + "]." + column.name;
            if (rs.IsFieldNull(column.name)) {
                row[column.name] = nullptr;
            } else if (column.kind == Kind::Integer) {
                int value = 0;
                if (!rs.GetFieldValue(column.name, value)) {
                    error = field + ": \"" + FieldText(rs, column.name) +
                            "\" in the database is not a whole number";
                    return false;
                }
                row[column.name] = value;
            } else {
                std::string value;
                rs.GetFieldValue(column.name, value);
                if (!IsValidUtf8(value)) {
                    error = field + ": the database holds a text that is not valid UTF-8";
                    return false;
                }
                row[column.name] = std::move(value);
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
        std::string problem;
        if (column.kind == Kind::Integer) {
            if (value.is_number_integer()) {
                const std::optional<long long> n = IntegerOf(value);
                problem = n ? column.integerRule(*n) : JsonSnippet(value) + " is out of range";
            } else {
                problem = "must be a whole number, not " + JsonSnippet(value);
            }
        } else if (value.is_string()) {
            problem = column.textRule(value.get_ref<const std::string&>());
        } else {
            problem = "must be a text, not " + JsonSnippet(value);
        }
        if (!problem.empty()) {
            error = field + ": " + problem;
            return false;
        }
    }
    return true;
}

// Checks the rows of a table: each row, no key twice, no more rows than the model holds.
bool CheckTable(const TableRule& rule, const json& rows, const Capacity& capacity,
                const std::string& model, std::string& error)
{
    const int limit = capacity.*rule.limit;
    if (rows.size() > static_cast<std::size_t>(limit)) {
        error = std::string(rule.key) + ": " + std::to_string(rows.size()) +
                " rows, more than the " + std::to_string(limit) + " a " + model + " file holds";
        return false;
    }
    std::map<std::string, std::size_t> seen;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!CheckRow(rule, rows[i], i, error))
            return false;
        const json& key = rows[i].at(KeyColumn(rule));
        const auto [it, added] = seen.emplace(KeyOf(key), i);
        if (!added) {
            error = std::string(rule.key) + "[" + std::to_string(i) + "]." + KeyColumn(rule) +
                    ": " + JsonSnippet(key) + " is already in " + rule.key + "[" +
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
    for (const TableRule& rule : Tables()) {
        if (!ReadRows(db, rule, name, document[rule.key], error))
            return std::nullopt;
    }
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
        if (key != "format" && key != "name" && key != "model" && key != "infoMachines" &&
            key != "handhelds" && key != "callers") {
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
    for (const TableRule& rule : Tables()) {
        if (!document.contains(rule.key) || !document[rule.key].is_array()) {
            error = std::string(rule.key) + ": missing or not a list";
            return JsonImportResult::Invalid;
        }
        if (!CheckTable(rule, document[rule.key], capacity, model, error))
            return JsonImportResult::Invalid;
    }

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
