#include "transfer/Verify.h"

#include "common/Utf8Path.h"
#include "storage/ConfigFiles.h"
#include "transfer/ReadBack.h"

#include <filesystem>
#include <map>

namespace px {

namespace {

template <typename Row> class TableComparison
{
public:
    TableComparison(const RegistrationTable<Row>& table, std::vector<Difference>& differences)
        : table_(table), differences_(differences)
    {}

    // The file's rows as they would come back; the rows no download can send are differences
    // of their own.
    std::vector<Row> Expected(const StoredRows<Row>& stored, const ReceiverTypes& types)
    {
        std::vector<Row> expected;
        for (const RefusedRow& row : stored.refused)
            Add(row.key, Difference::Kind::CannotSend, "", row.reason);
        for (const Row& row : stored.rows) {
            std::string why;
            if (auto kept = AsTheHostKeepsIt(table_, row, types, why))
                expected.push_back(std::move(*kept));
            else
                Add(table_.key(row), Difference::Kind::CannotSend, "", why);
        }
        return expected;
    }

    void Compare(const std::vector<Row>& expected, const std::vector<Row>& host)
    {
        const auto inFile = Index(expected, Difference::Kind::DuplicateInFile);
        const auto onHost = Index(host, Difference::Kind::DuplicateOnHost);
        for (const auto& [key, row] : inFile) {
            const auto it = onHost.find(key);
            if (it == onHost.end()) {
                Add(key, Difference::Kind::Missing);
                continue;
            }
            const std::vector<std::string> mine = table_.shownCells(*row);
            const std::vector<std::string> theirs = table_.shownCells(*it->second);
            for (std::size_t c = 0; c < table_.shownColumns.size(); ++c) {
                if (mine[c] != theirs[c])
                    Add(key, Difference::Kind::Different, table_.shownColumns[c].title, mine[c],
                        theirs[c]);
            }
        }
        for (const auto& [key, row] : onHost) {
            if (!inFile.contains(key))
                Add(key, Difference::Kind::Extra);
        }
    }

    void Add(std::string key, Difference::Kind kind, std::string field = {},
             std::string fileValue = {}, std::string hostValue = {})
    {
        differences_.push_back({table_.cliName, std::move(key), kind, std::move(field),
                                std::move(fileValue), std::move(hostValue)});
    }

private:
    // The first row of each key is compared; every further one is a difference of its own.
    std::map<std::string, const Row*> Index(const std::vector<Row>& rows,
                                            Difference::Kind duplicate)
    {
        std::map<std::string, const Row*> byKey;
        for (const Row& row : rows) {
            if (!byKey.emplace(table_.key(row), &row).second)
                Add(table_.key(row), duplicate);
        }
        return byKey;
    }

    const RegistrationTable<Row>& table_;
    std::vector<Difference>& differences_;
};

template <typename Row>
std::string CannotReadMessage(const RegistrationTable<Row>& table, const std::string& fileName)
{
    return "cannot read the table \"" + std::string(table.cliName) + "\" of \"" + fileName +
           "\" from the database";
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

Reading<std::vector<Difference>> VerifyConfigFile(HostExchange& exchange, Database& db,
                                                  const std::string& fileName)
{
    Reading<std::vector<Difference>> reading;
    if (!FindConfigFile(db, fileName)) {
        reading.notices.Add(FileNotFoundMessage(db, fileName));
        return reading;
    }
    std::vector<Difference> differences;
    bool failed = false;
    ForEachTable([&](const auto& table) {
        using Row = typename std::decay_t<decltype(table)>::RowType;
        if (failed)
            return;
        const auto types = LoadReceiverTypes(db);
        const StoredRows<Row> stored = LoadRows(db, table, fileName);
        if (!types || !stored.read) {
            reading.notices.Add(CannotReadMessage(table, fileName));
            failed = true;
            return;
        }
        const Outcome read = ReadBackTable(exchange, table.kind);
        reading.notices.Append(read.notices);
        if (!read.ok) {
            reading.notices.Add(kNoHostMessage);
            failed = true;
            return;
        }
        const std::string path = ReadBackFilePath(exchange, table.kind);
        const auto host = ReadRecordFile(table.kind, path);
        std::error_code ec;
        std::filesystem::remove(PathFromUtf8(path), ec);
        TableComparison<Row> comparison(table, differences);
        const std::vector<Row> expected = comparison.Expected(stored, *types);
        if (!host) {
            comparison.Add("", Difference::Kind::Unread);
            return;
        }
        comparison.Compare(expected, std::get<std::vector<Row>>(host->Typed()));
    });
    if (!failed)
        reading.value = std::move(differences);
    return reading;
}

} // namespace px
