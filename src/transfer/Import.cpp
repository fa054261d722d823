#include "transfer/Import.h"

#include "storage/Transaction.h"

namespace px {

namespace {

const char* TableOf(BrowserMode mode)
{
    switch (mode) {
    case BrowserMode::InfoMachines:
        return "T_Device1";
    case BrowserMode::Callers:
        return "T_Device3";
    case BrowserMode::Handhelds:
        return "T_Device2";
    }
    return "T_Device1";
}

// The insert of one row; false when the row cannot be imported.
bool InsertRow(Database& db, BrowserMode mode, const std::string& fileName, const BrowserRow& row)
{
    switch (mode) {
    case BrowserMode::InfoMachines: {
        const auto values = InfoMachineFromRow(row);
        return values &&
               db.Execute("Insert Into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                          "(?,?,'',?,?)",
                          {std::int64_t{values->deviceNo}, values->address, fileName,
                           std::int64_t{values->typeNo}});
    }
    case BrowserMode::Callers: {
        const auto values = CallerFromRow(row);
        if (!values)
            return false;
        SqlParams params = {values->codeNo, std::int64_t{values->callNo}, values->callName,
                            values->keyName};
        for (int device : values->deviceNo)
            params.emplace_back(std::int64_t{device});
        params.emplace_back(std::int64_t{values->zhuiHu});
        params.emplace_back(std::int64_t{values->codeType});
        params.emplace_back(fileName);
        return db.Execute("Insert Into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,"
                          "DeviceNo2,DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,"
                          "ZhuiHu,CodeType,FileName) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                          params);
    }
    case BrowserMode::Handhelds: {
        const auto values = HandheldFromRow(row);
        return values && db.Execute("Insert Into T_Device2 (DeviceNo,Address,Remark,FileName) "
                                    "values (?,?,'',?)",
                                    {std::int64_t{values->deviceNo}, values->address, fileName});
    }
    }
    return false;
}

} // namespace

ImportOutcome ImportRows(Database& db, Prompter& prompter, BrowserMode mode, HostModel hostModel,
                         const std::string& fileName, FileType chosenType,
                         const std::vector<BrowserRow>& rows)
{
    const bool fits = chosenType == FileType::QX
                          ? hostModel == HostModel::QX
                          : hostModel == HostModel::PX || hostModel == HostModel::QX;
    if (!fits) {
        prompter.Message("连接的机器型号与文件类型不匹配，请检查重试！");
        return ImportOutcome::ModelMismatch;
    }
    if (!db.IsOpen())
        return ImportOutcome::NoDatabase;
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_FileName where FileName=?", {fileName}))
        return ImportOutcome::NoDatabase;
    const bool isNew = rs.IsEof();
    const auto createFile = [&] {
        return db.Execute("Insert into T_FileName (FileName,DeviceType) values (?,?)",
                          {fileName, std::int64_t{StoredFileType(chosenType)}});
    };
    if (rows.empty()) {
        // Nothing to write but the new file itself.
        if (isNew && !createFile()) {
            prompter.Message("无法建立文件 " + fileName + "，没有写入任何数据！");
            return ImportOutcome::Failed;
        }
        return ImportOutcome::EmptyList;
    }

    const std::string table = TableOf(mode);
    int existing = 0;
    if (rs.Open(db, "select * from " + table + " where FileName=?", {fileName}))
        existing = rs.GetRecordCount();
    const char* unit = mode == BrowserMode::Handhelds ? "个记录" : "个设备";
    if (!prompter.AskOkCancel("当前数据库中存在" + std::to_string(existing) + unit +
                                  "，确定要用当前显示的" + std::to_string(rows.size()) + unit +
                                  "覆盖？",
                              "提示"))
        return ImportOutcome::NotConfirmed;

    Transaction transaction(db);
    if (!transaction.Began()) {
        prompter.Message("数据库忙，没有写入任何数据，请稍后重试！");
        return ImportOutcome::Failed;
    }
    // A new file is created with its rows, so it never exists without them.
    bool ok = (!isNew || createFile()) &&
              db.Execute("Delete from " + table + " where FileName=?", {fileName});
    std::size_t failedRow = 0;
    for (std::size_t i = 0; ok && i < rows.size(); ++i) {
        if (!InsertRow(db, mode, fileName, rows[i])) {
            ok = false;
            failedRow = i + 1;
        }
    }
    if (ok && transaction.Commit())
        return ImportOutcome::Imported;
    prompter.Message("写入数据库失败" +
                     (failedRow > 0 ? "（第" + std::to_string(failedRow) + "行）" : std::string()) +
                     "，文件 " + fileName + " 保持原样！");
    return ImportOutcome::Failed;
}

} // namespace px
