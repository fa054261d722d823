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

DownloadOutcome DownloadTable(HostExchange& exchange, Database& db, TableKind kind,
                              const std::string& fileName)
{
    return WithTable(kind, [&](const auto& table) {
        Prompter& prompter = exchange.GetPrompter();
        const TableRecords records = Collect(db, table, fileName);
        if (!records.read)
            return DownloadOutcome::NoDatabase;
        if (records.rows == 0) {
            if (table.emptyMessage != nullptr)
                prompter.Message(table.emptyMessage);
            return DownloadOutcome::Empty;
        }
        if (!records.refused.empty()) {
            const RefusedRow& row = records.refused.front();
            std::string text =
                std::string(table.keyTitle) + " " + row.key + " 无法下载：" + row.reason;
            if (table.failedMessage != nullptr)
                text += std::string("\n") + table.failedMessage;
            prompter.Message(text);
            return DownloadOutcome::Failed;
        }
        // The records go straight from memory: nothing outlives the command.
        const DownloadOutcome outcome =
            exchange.Download(table.downloadCommand, records.records, table.downloadCaption)
                ? DownloadOutcome::Sent
                : DownloadOutcome::Failed;
        if (table.sentMessage != nullptr)
            prompter.Message(outcome == DownloadOutcome::Sent ? table.sentMessage
                                                              : table.failedMessage);
        return outcome;
    });
}

} // namespace px
