#include "transfer/Verify.h"

#include "common/Utf8Path.h"
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
    case Difference::Kind::CannotSend:
        return "cannot be sent";
    case Difference::Kind::DuplicateInFile:
        return "more than once in the file";
    case Difference::Kind::DuplicateOnHost:
        return "more than once on the host";
    }
    return "";
}

ExpectedTable ExpectedRows(Database& db, BrowserMode mode, const std::string& fileName)
{
    TableRecords table;
    switch (mode) {
    case BrowserMode::InfoMachines:
        table = CollectInfoMachineRecords(db, fileName);
        break;
    case BrowserMode::Callers:
        table = CollectCallerRecords(db, fileName);
        break;
    case BrowserMode::Handhelds:
        table = CollectHandheldRecords(db, fileName);
        break;
    }
    return {table.read, DecodeRecords(mode, table.records), std::move(table.refused)};
}

std::vector<Difference> CompareRows(BrowserMode mode, const std::vector<BrowserRow>& expected,
                                    const std::vector<BrowserRow>& host)
{
    const std::size_t keyColumn = KeyColumn(mode);
    const auto keyOf = [keyColumn](const BrowserRow& row) {
        return row.size() > keyColumn ? row[keyColumn] : std::string();
    };
    const auto titles = BrowserColumns(mode);
    std::vector<Difference> differences;
    // The first row of each key is compared; every further one is a difference of its own.
    const auto index = [&](const std::vector<BrowserRow>& rows, Difference::Kind duplicate) {
        std::map<std::string, const BrowserRow*> byKey;
        for (const BrowserRow& row : rows) {
            if (!byKey.emplace(keyOf(row), &row).second)
                differences.push_back({TableName(mode), keyOf(row), duplicate, "", "", ""});
        }
        return byKey;
    };
    const auto inFile = index(expected, Difference::Kind::DuplicateInFile);
    const auto onHost = index(host, Difference::Kind::DuplicateOnHost);

    for (const auto& [key, row] : inFile) {
        const auto it = onHost.find(key);
        if (it == onHost.end()) {
            differences.push_back({TableName(mode), key, Difference::Kind::Missing, "", "", ""});
            continue;
        }
        const BrowserRow& other = *it->second;
        for (std::size_t c = 0; c < std::max(row->size(), other.size()); ++c) {
            const std::string mine = c < row->size() ? (*row)[c] : std::string();
            const std::string theirs = c < other.size() ? other[c] : std::string();
            if (mine != theirs) {
                const std::string field = c < titles.size() ? titles[c].title : std::to_string(c);
                differences.push_back(
                    {TableName(mode), key, Difference::Kind::Different, field, mine, theirs});
            }
        }
    }
    for (const auto& [key, row] : onHost) {
        if (!inFile.contains(key))
            differences.push_back({TableName(mode), key, Difference::Kind::Extra, "", "", ""});
    }
    return differences;
}

std::optional<std::vector<Difference>> VerifyConfigFile(HostExchange& exchange, Database& db,
                                                        const std::string& fileName,
                                                        std::string& error)
{
    if (!FindConfigFile(db, fileName)) {
        error = FileNotFoundMessage(db, fileName);
        return std::nullopt;
    }
    std::vector<Difference> differences;
    for (BrowserMode mode :
         {BrowserMode::InfoMachines, BrowserMode::Callers, BrowserMode::Handhelds}) {
        const ExpectedTable expected = ExpectedRows(db, mode, fileName);
        if (!expected.read) {
            error = "cannot read the table \"" + std::string(TableName(mode)) + "\" of \"" +
                    fileName + "\" from the database";
            return std::nullopt;
        }
        if (!ReadBackTable(exchange, mode)) {
            error = "设备未连接，请连接设备！";
            return std::nullopt;
        }
        const std::string path = exchange.RecordFilePath(RecordFileName(mode));
        const auto host = ReadRecordFile(mode, path);
        std::error_code ec;
        std::filesystem::remove(PathFromUtf8(path), ec);
        for (const RefusedRow& row : expected.refused)
            differences.push_back(
                {TableName(mode), row.key, Difference::Kind::CannotSend, "", row.reason, ""});
        if (!host) {
            differences.push_back({TableName(mode), "", Difference::Kind::Unread, "", "", ""});
            continue;
        }
        const auto found = CompareRows(mode, expected.rows, *host);
        differences.insert(differences.end(), found.begin(), found.end());
    }
    return differences;
}

} // namespace px
