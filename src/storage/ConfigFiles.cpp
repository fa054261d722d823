#include "storage/ConfigFiles.h"

#include "storage/Transaction.h"

#include <algorithm>
#include <array>

namespace px {

namespace {

// Runs the statements as one unit: all or nothing.
template <typename Body> bool InTransaction(Database& db, Body&& body)
{
    Transaction transaction(db);
    return transaction.Began() && body() && transaction.Commit();
}

} // namespace

std::vector<ConfigFile> ListConfigFiles(Database& db)
{
    std::vector<ConfigFile> files;
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_FileName "))
        return files;
    for (; !rs.IsEof(); rs.MoveNext()) {
        ConfigFile file;
        rs.GetFieldValue("FileName", file.name);
        file.deviceType = FileTypeFromStored(FieldInt(rs, "DeviceType"));
        files.push_back(std::move(file));
    }
    return files;
}

std::optional<ConfigFile> FindConfigFile(Database& db, const std::string& name)
{
    // A failure left from an earlier statement must not be taken for this lookup's.
    db.TakeFailure();
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_FileName where FileName=?", {name}) || rs.IsEof())
        return std::nullopt;
    ConfigFile file{name, FileType::PX};
    file.deviceType = FileTypeFromStored(FieldInt(rs, "DeviceType"));
    return file;
}

std::string FileNotFoundMessage(Database& db, const std::string& name)
{
    if (const auto failure = db.TakeFailure())
        return DescribeDatabaseFailure(*failure, db.Path());
    return "配置文件 \"" + name + "\" 不存在！";
}

bool InsertConfigFile(Database& db, const std::string& name, FileType deviceType)
{
    return db.Execute("Insert into T_FileName (FileName,DeviceType) values (?,?)",
                      {name, std::int64_t{StoredFileType(deviceType)}});
}

bool DeleteConfigFile(Database& db, const std::string& name)
{
    return InTransaction(db, [&] {
        for (const char* table : {"T_FileName", "T_Device1", "T_Device2", "T_Device3"}) {
            if (!db.Execute(std::string("Delete from ") + table + " where FileName=?", {name}))
                return false;
        }
        return true;
    });
}

bool CopyConfigFileRows(Database& db, const std::string& from, const std::string& to)
{
    return db.Execute("Insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) "
                      "select DeviceNo,Address,Remark,?,TypeNo from T_Device1 "
                      "where FileName=? order by DeviceNo",
                      {to, from}) &&
           db.Execute("Insert into T_Device2 (DeviceNo,Address,Remark,FileName) "
                      "select DeviceNo,Address,Remark,? from T_Device2 "
                      "where FileName=? order by DeviceNo",
                      {to, from}) &&
           db.Execute("Insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,"
                      "DeviceNo2,DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,"
                      "ZhuiHu,CodeType,FileName) select CodeNo,CallNo,CallName,KeyName,"
                      "DeviceNo1,DeviceNo2,DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,"
                      "DeviceNo8,ZhuiHu,CodeType,? from T_Device3 where FileName=? "
                      "order by CallNo",
                      {to, from});
}

FileDialogTexts TextsFor(FileDialogMode mode)
{
    static constexpr std::array<FileDialogTexts, 5> kTexts = {{
        {"新建文件", "新建"},
        {"打开文件", "打开"},
        {"删除文件", "删除"},
        {"另存为文件", "另存为"},
        {"选择覆盖文件名或新建", "覆盖"},
    }};
    return kTexts[static_cast<std::size_t>(mode)];
}

FileDialogStep ConfirmFileDialog(Database& db, Prompter& prompter, FileDialogMode mode,
                                 const std::string& name, FileType deviceType,
                                 const std::vector<std::string>& listed)
{
    if (name.empty()) {
        prompter.Message("请填写文件名称再进行操作！");
        return FileDialogStep::Stay;
    }
    const bool isListed = std::find(listed.begin(), listed.end(), name) != listed.end();
    switch (mode) {
    case FileDialogMode::New:
    case FileDialogMode::SaveAs:
        if (isListed) {
            prompter.Message("所起的文件名已存在，请重新设置！");
            return FileDialogStep::StayClearName;
        }
        // A copy's name is written together with its rows (CompleteSaveAs), so no moment
        // exists in which an empty copy holds the name.
        if (mode == FileDialogMode::New && !InsertConfigFile(db, name, deviceType)) {
            prompter.Message("新建文件失败，请检查后重试！");
            return FileDialogStep::Stay;
        }
        return FileDialogStep::Accept;
    case FileDialogMode::Open:
        if (isListed)
            return FileDialogStep::Accept;
        prompter.Message("要打开的文件在 已存在文件 列表中不存在，请核对后再打开！");
        return FileDialogStep::StayClearName;
    case FileDialogMode::Delete:
        if (!DeleteConfigFile(db, name))
            return FileDialogStep::Stay;
        prompter.Message("成功删除");
        return FileDialogStep::Deleted;
    case FileDialogMode::Import:
        return FileDialogStep::Accept;
    }
    return FileDialogStep::Stay;
}

bool CompleteNewFile(Database& db, Prompter& prompter, HostModel hostModel, const std::string& name,
                     FileType deviceType)
{
    if (hostModel == HostModel::QX && deviceType == FileType::PX) {
        prompter.Message("当前连接的主机为QX主机，试图打开的文件是PX文件，请核对后再进行操作！");
        db.Execute("Delete from T_FileName where FileName=?", {name});
        return false;
    }
    return true;
}

OpenStep CompleteOpenFile(Prompter& prompter, HostModel hostModel, const std::string& name,
                          FileType deviceType, const std::string& currentName)
{
    if (hostModel == HostModel::QX && deviceType == FileType::PX) {
        prompter.Message("当前连接的主机为QX主机，试图打开的文件是PX文件，请核对后再进行操作！");
        return OpenStep::Refused;
    }
    if (name == currentName) {
        prompter.Message("当前要打开的文件已打开，请认真操作！");
        return OpenStep::AlreadyOpen;
    }
    return OpenStep::MakeCurrent;
}

bool CanSaveAs(Prompter& prompter, const std::string& currentName)
{
    if (currentName.empty()) {
        prompter.Message("当前没有编辑的文件，请核对后再进行操作！");
        return false;
    }
    return true;
}

bool CompleteSaveAs(Database& db, Prompter& prompter, const std::string& newName, FileType newType,
                    const std::string& currentName, FileType currentType)
{
    if (newType != currentType) {
        prompter.Message("当前编辑的文件类型和要另存为的文件类型不匹配，请核对后再进行操作！");
        return false;
    }
    if (!InTransaction(db, [&] {
            return InsertConfigFile(db, newName, newType) &&
                   CopyConfigFileRows(db, currentName, newName);
        })) {
        prompter.Message("另存为文件失败，请检查后重试！");
        return false;
    }
    prompter.Message("成功另存为文件！");
    return true;
}

} // namespace px
