#include "transfer/Import.h"

#include "storage/Transaction.h"

namespace px {

namespace {

template <typename Row>
ImportResult ImportTable(Database& db, const std::vector<Row>& rows, HostModel hostModel,
                         const std::string& fileName, FileType chosenType, bool overwriteConfirmed)
{
    const RegistrationTable<Row>& table = TableOf<Row>();
    const bool fits = chosenType == FileType::QX
                          ? hostModel == HostModel::QX
                          : hostModel == HostModel::PX || hostModel == HostModel::QX;
    if (!fits) {
        return {ImportOutcome::ModelMismatch, "连接的机器型号与文件类型不匹配，请检查重试！"};
    }
    if (!db.IsOpen())
        return {ImportOutcome::NoDatabase, {}};
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_FileName where FileName=?", {fileName}))
        return {ImportOutcome::NoDatabase, {}};
    const bool isNew = rs.IsEof();
    const auto createFile = [&] {
        return db.Execute("Insert into T_FileName (FileName,DeviceType) values (?,?)",
                          {fileName, std::int64_t{StoredFileType(chosenType)}});
    };
    if (rows.empty()) {
        // Nothing to write but the new file itself.
        if (isNew && !createFile()) {
            return {ImportOutcome::Failed, "无法建立文件 " + fileName + "，没有写入任何数据！"};
        }
        return {ImportOutcome::EmptyList, {}};
    }

    if (!overwriteConfirmed) {
        int existing = 0;
        if (rs.Open(db, std::string("select * from ") + table.databaseTable + " where FileName=?",
                    {fileName}))
            existing = rs.GetRecordCount();
        const char* unit = table.importUnit;
        return {ImportOutcome::NeedsConfirmation,
                "当前数据库中存在" + std::to_string(existing) + unit + "，确定要用当前显示的" +
                    std::to_string(rows.size()) + unit + "覆盖？"};
    }

    Transaction transaction(db);
    if (!transaction.Began()) {
        return {ImportOutcome::Failed, "数据库忙，没有写入任何数据，请稍后重试！"};
    }
    // A new file is created with its rows, so it never exists without them.
    bool ok = (!isNew || createFile()) &&
              db.Execute(std::string("Delete from ") + table.databaseTable + " where FileName=?",
                         {fileName});
    std::size_t failedRow = 0;
    std::string refusal;
    for (std::size_t i = 0; ok && i < rows.size(); ++i) {
        // A row the host holds is not always one the file may keep (a type code no download
        // writes, an escalation past 2): refused with its reason rather than stored as another.
        refusal = CheckRow(table, rows[i]);
        if (!refusal.empty() || !InsertRows(db, table, fileName, std::span(&rows[i], 1))) {
            ok = false;
            failedRow = i + 1;
        }
    }
    if (ok && transaction.Commit())
        return {ImportOutcome::Imported, {}};
    return {ImportOutcome::Failed,
            "写入数据库失败" +
                (failedRow > 0 ? "（第" + std::to_string(failedRow) + "行" +
                                     (refusal.empty() ? "" : "：" + refusal) + "）"
                               : std::string()) +
                "，文件 " + fileName + " 保持原样！"};
}

} // namespace

ImportResult ImportRows(Database& db, const ReadBackRows& rows, HostModel hostModel,
                        const std::string& fileName, FileType chosenType, bool overwriteConfirmed)
{
    return std::visit(
        [&](const auto& typed) {
            return ImportTable(db, typed, hostModel, fileName, chosenType, overwriteConfirmed);
        },
        rows.Typed());
}

} // namespace px
