#include "transfer/Verify.h"

#include "storage/ConfigFiles.h"
#include "transfer/ReadBack.h"
#include "transfer/TableDownload.h"

#include <filesystem>
#include <map>

namespace px {

namespace {

const char* TableName(BrowserMode mode)
{
    switch (mode) {
    case BrowserMode::InfoMachines:
        return "im";
    case BrowserMode::Callers:
        return "callers";
    case BrowserMode::Handhelds:
        return "handhelds";
    }
    return "";
}

// The column a row is known by: pager number, feature code, handheld number.
std::size_t KeyColumn(BrowserMode mode)
{
    return mode == BrowserMode::Callers ? 1 : 0;
}

template <typename Record>
void Append(Bytes& bytes, const Record& record)
{
    bytes.insert(bytes.end(), record.begin(), record.end());
}

} // namespace

const char* KindName(Difference::Kind kind)
{
    switch (kind) {
    case Difference::Kind::Missing:
        return "missing on the host";
    case Difference::Kind::Extra:
        return "extra on the host";
    case Difference::Kind::Different:
        return "different";
    case Difference::Kind::Unread:
        return "could not be read back";
    }
    return "";
}

std::vector<BrowserRow> ExpectedRows(CADODatabase& db, BrowserMode mode, const std::string& fileName,
                                     std::string& error)
{
    Bytes records;
    CADORecordset rs(db);
    switch (mode) {
    case BrowserMode::InfoMachines:
        if (rs.Open(db, "select * from Q_Device1Query where FileName=? order by DeviceNo", {fileName})) {
            for (; !rs.IsEof(); rs.MoveNext())
                Append(records, MakeInfoMachineRecord(FieldInt(rs, "DeviceNo"), FieldText(rs, "Address"),
                                                      FieldText(rs, "MachineType"), FieldText(rs, "Rate"),
                                                      FieldText(rs, "Polarity")));
        }
        break;
    case BrowserMode::Callers:
        if (rs.Open(db, "select * from T_Device3 where FileName=? order by CodeNo", {fileName})) {
            for (; !rs.IsEof(); rs.MoveNext()) {
                const CallerRow row = ReadCallerRow(rs);
                const auto record = MakeCallerRecord(row, error);
                if (record)
                    Append(records, *record);
            }
        }
        break;
    case BrowserMode::Handhelds:
        if (rs.Open(db, "select * from T_Device2 where FileName=? order by DeviceNo", {fileName})) {
            for (; !rs.IsEof(); rs.MoveNext())
                Append(records, MakeHandheldRecord(FieldInt(rs, "DeviceNo"), FieldText(rs, "Address")));
        }
        break;
    }
    return DecodeRecords(mode, records);
}

std::vector<Difference> CompareRows(BrowserMode mode, const std::vector<BrowserRow>& expected,
                                    const std::vector<BrowserRow>& host)
{
    const std::size_t keyColumn = KeyColumn(mode);
    const auto titles = BrowserColumns(mode);
    std::map<std::string, const BrowserRow*> onHost;
    for (const BrowserRow& row : host)
        onHost.emplace(row.size() > keyColumn ? row[keyColumn] : std::string(), &row);
    std::vector<Difference> differences;
    std::map<std::string, bool> seen;
    for (const BrowserRow& row : expected) {
        const std::string key = row.size() > keyColumn ? row[keyColumn] : std::string();
        seen[key] = true;
        const auto it = onHost.find(key);
        if (it == onHost.end()) {
            differences.push_back({TableName(mode), key, Difference::Kind::Missing, "", "", ""});
            continue;
        }
        const BrowserRow& other = *it->second;
        for (std::size_t c = 0; c < std::max(row.size(), other.size()); ++c) {
            const std::string mine = c < row.size() ? row[c] : std::string();
            const std::string theirs = c < other.size() ? other[c] : std::string();
            if (mine != theirs) {
                const std::string field = c < titles.size() ? titles[c].title : std::to_string(c);
                differences.push_back({TableName(mode), key, Difference::Kind::Different, field, mine, theirs});
            }
        }
    }
    for (const BrowserRow& row : host) {
        const std::string key = row.size() > keyColumn ? row[keyColumn] : std::string();
        if (!seen.contains(key))
            differences.push_back({TableName(mode), key, Difference::Kind::Extra, "", "", ""});
    }
    return differences;
}

std::optional<std::vector<Difference>> VerifyConfigFile(HostExchange& exchange, CADODatabase& db,
                                                        const std::string& fileName, std::string& error)
{
    if (!FindConfigFile(db, fileName)) {
        error = "配置文件 \"" + fileName + "\" 不存在！";
        return std::nullopt;
    }
    std::vector<Difference> differences;
    for (BrowserMode mode : {BrowserMode::InfoMachines, BrowserMode::Callers, BrowserMode::Handhelds}) {
        if (!ReadBackTable(exchange, mode)) {
            error = "设备未连接，请连接设备！";
            return std::nullopt;
        }
        const std::string path = exchange.RecordFilePath(RecordFileName(mode));
        const auto host = ReadRecordFile(mode, path);
        std::error_code ec;
        std::filesystem::remove(path, ec);
        if (!host) {
            differences.push_back({TableName(mode), "", Difference::Kind::Unread, "", "", ""});
            continue;
        }
        std::string rowError;
        const auto expected = ExpectedRows(db, mode, fileName, rowError);
        const auto found = CompareRows(mode, expected, *host);
        differences.insert(differences.end(), found.begin(), found.end());
    }
    return differences;
}

} // namespace px
