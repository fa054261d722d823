#include "storage/ConfigFiles.h"

#include "storage/RegistrationTables.h"
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
        bool ok = db.Execute("Delete from T_FileName where FileName=?", {name});
        ForEachTable([&](const auto& table) {
            ok = ok &&
                 db.Execute(std::string("Delete from ") + table.databaseTable + " where FileName=?",
                            {name});
        });
        return ok;
    });
}

bool CopyConfigFileRows(Database& db, const std::string& from, const std::string& to)
{
    bool ok = true;
    ForEachTable([&](const auto& table) { ok = ok && CopyRows(db, table, from, to); });
    return ok;
}

namespace {

FileOutcome Refused(std::string message, FileOutcome::Status status = FileOutcome::Status::Refused)
{
    return {status, std::move(message)};
}

bool IsListed(const std::vector<std::string>& listed, const std::string& name)
{
    return std::find(listed.begin(), listed.end(), name) != listed.end();
}

constexpr const char* kNoName = "请填写文件名称再进行操作！";
constexpr const char* kPxFileOnQxHost =
    "当前连接的主机为QX主机，试图打开的文件是PX文件，请核对后再进行操作！";

} // namespace

FileOutcome CheckNewFileName(const std::string& name, const std::vector<std::string>& listed)
{
    if (name.empty())
        return Refused(kNoName);
    if (IsListed(listed, name))
        return Refused("所起的文件名已存在，请重新设置！", FileOutcome::Status::NameTaken);
    return {};
}

FileOutcome CreateConfigFile(Database& db, const std::string& name, FileType deviceType,
                             HostModel hostModel)
{
    if (name.empty())
        return Refused(kNoName);
    if (hostModel == HostModel::QX && deviceType == FileType::PX)
        return Refused(kPxFileOnQxHost);
    if (FindConfigFile(db, name))
        return Refused("所起的文件名已存在，请重新设置！", FileOutcome::Status::NameTaken);
    if (!InsertConfigFile(db, name, deviceType))
        return Refused("新建文件失败，请检查后重试！");
    return {};
}

FileOutcome CheckFileToOpen(const std::string& name, const std::vector<std::string>& listed)
{
    if (name.empty())
        return Refused(kNoName);
    if (!IsListed(listed, name))
        return Refused("要打开的文件在 已存在文件 列表中不存在，请核对后再打开！",
                       FileOutcome::Status::NameTaken);
    return {};
}

FileOutcome CheckOpenFile(HostModel hostModel, const std::string& name, FileType deviceType,
                          const std::string& currentName)
{
    if (hostModel == HostModel::QX && deviceType == FileType::PX)
        return Refused(kPxFileOnQxHost);
    if (name == currentName)
        return Refused("当前要打开的文件已打开，请认真操作！");
    return {};
}

FileOutcome DeleteConfigFileNamed(Database& db, const std::string& name)
{
    if (name.empty())
        return Refused(kNoName);
    if (!DeleteConfigFile(db, name)) {
        const auto failure = db.TakeFailure();
        return Refused(failure ? DescribeDatabaseFailure(*failure, db.Path()) : std::string());
    }
    return {FileOutcome::Status::Done, "成功删除"};
}

FileOutcome RequireCurrentFile(const std::string& currentName)
{
    if (currentName.empty())
        return Refused("当前没有编辑的文件，请核对后再进行操作！");
    return {};
}

FileOutcome CopyConfigFile(Database& db, const std::string& newName, FileType newType,
                           const std::string& currentName, FileType currentType)
{
    if (FileOutcome current = RequireCurrentFile(currentName); !current.Done())
        return current;
    if (newName.empty())
        return Refused(kNoName);
    if (FindConfigFile(db, newName))
        return Refused("所起的文件名已存在，请重新设置！", FileOutcome::Status::NameTaken);
    if (newType != currentType)
        return Refused("当前编辑的文件类型和要另存为的文件类型不匹配，请核对后再进行操作！");
    if (!InTransaction(db, [&] {
            return InsertConfigFile(db, newName, newType) &&
                   CopyConfigFileRows(db, currentName, newName);
        }))
        return Refused("另存为文件失败，请检查后重试！");
    return {FileOutcome::Status::Done, "成功另存为文件！"};
}

} // namespace px
