#include "transfer/TableDownload.h"

namespace px {

namespace {

template <typename Row>
TableRecords Collect(Database& db, const RegistrationTable<Row>& table, const std::string& fileName)
{
    TableRecords records;
    const auto types = LoadReceiverTypes(db);
    StoredRows<Row> stored = LoadRows(db, table, fileName);
    if (!types || !stored.read)
        return records;
    records.read = true;
    records.rows = stored.Count();
    records.refused = std::move(stored.refused);
    for (const Row& row : stored.rows) {
        std::string why;
        if (const auto record = table.encode(row, *types, why))
            records.records.insert(records.records.end(), record->begin(), record->end());
        else
            records.refused.push_back({table.key(row), why});
    }
    return records;
}

} // namespace

TableRecords CollectRecords(Database& db, TableKind kind, const std::string& fileName)
{
    return WithTable(kind, [&](const auto& table) { return Collect(db, table, fileName); });
}

DownloadReport DownloadTable(HostExchange& exchange, Database& db, TableKind kind,
                             const std::string& fileName)
{
    return WithTable(kind, [&](const auto& table) {
        DownloadReport report;
        const TableRecords records = Collect(db, table, fileName);
        if (!records.read) {
            report.outcome = DownloadOutcome::NoDatabase;
            return report;
        }
        if (records.rows == 0) {
            report.outcome = DownloadOutcome::Empty;
            if (table.emptyMessage != nullptr)
                report.notices.Add(table.emptyMessage);
            return report;
        }
        if (!records.refused.empty()) {
            const RefusedRow& row = records.refused.front();
            std::string text =
                std::string(table.keyTitle) + " " + row.key + " 无法下载：" + row.reason;
            if (table.failedMessage != nullptr)
                text += std::string("\n") + table.failedMessage;
            report.outcome = DownloadOutcome::Failed;
            report.notices.Add(std::move(text));
            return report;
        }
        // The records go straight from memory: nothing outlives the command.
        const bool sent =
            exchange.Download(table.downloadCommand, records.records, table.downloadCaption);
        report.outcome = sent ? DownloadOutcome::Sent : DownloadOutcome::Failed;
        const char* said = table.sentMessage == nullptr ? nullptr
                           : sent                       ? table.sentMessage
                                                        : table.failedMessage;
        report.notices = exchange.Conclude(sent, said != nullptr ? said : "").notices;
        return report;
    });
}

} // namespace px
