#include "storage/Schema.h"

#include "common/SharedFile.h"
#include "common/Utf8Path.h"
#include "storage/Database.h"
#include "storage/SchemaSql.h"
#include "storage/Transaction.h"

#include <algorithm>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>
#include <vector>

namespace px {

std::string DatabasePath(const std::string& dataFolder)
{
    return dataFolder + "Database/DADE.db";
}

const std::string& DatabaseSchemaSql()
{
    static const std::string sql(kSchemaSql);
    return sql;
}

bool CheckDatabase(Database& db, std::string& error)
{
    static const char* const kNeeded[] = {"T_FileName", "T_Device1", "T_Device2", "T_Device3",
                                          "T_CallType", "T_KeyName", "T_Type",    "Q_Device1Query"};
    db.TakeFailure();
    QueryResult rs(db);
    if (!rs.Open(db, "select name from sqlite_master where type in ('table','view')")) {
        const auto failure = db.TakeFailure();
        error = DescribeDatabaseFailure(failure.value_or(DatabaseFailure{}), db.Path());
        return false;
    }
    std::vector<std::string> names;
    for (; !rs.IsEof(); rs.MoveNext())
        names.push_back(FieldText(rs, "name"));
    for (const char* needed : kNeeded) {
        if (std::find(names.begin(), names.end(), needed) == names.end()) {
            error = "数据库 " + db.Path() + " 不是本程序的配置数据库（缺少 " + needed +
                    "），文件未作任何修改";
            return false;
        }
    }
    return true;
}

bool EnsureDatabase(const std::string& databasePath, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path path = PathFromUtf8(databasePath);
    if (fs::exists(path, ec))
        return true;
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path(), ec);
        if (ec) {
            error =
                "cannot create folder " + Utf8FromPath(path.parent_path()) + ": " + ec.message();
            return false;
        }
    }
    // Build the new database under a temporary name and move it into place when complete.
    const std::string partialName = databasePath + ".new";
    const fs::path partial = PathFromUtf8(partialName);
    fs::remove(partial, ec);
    {
        // SQLite takes file names in UTF-8 on every system.
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(partialName.c_str(), &raw,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_close_v2(raw);
        if (rc != SQLITE_OK) {
            error = "cannot create " + partialName;
            fs::remove(partial, ec);
            return false;
        }
    }
    Database database;
    bool ok = database.Open(partialName);
    if (ok) {
        Transaction transaction(database);
        ok = transaction.Began() && database.Execute(DatabaseSchemaSql()) && transaction.Commit();
    }
    if (!ok)
        error = database.GetLastErrorString();
    database.Close();
    if (ok)
        ok = RenameOver(partial, path, error);
    if (!ok)
        fs::remove(partial, ec);
    return ok;
}

} // namespace px
