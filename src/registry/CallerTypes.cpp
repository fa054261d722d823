#include "registry/CallerTypes.h"

namespace px {

std::vector<CallerTypeRow> ListCallerTypesByName(Database& db)
{
    std::vector<CallerTypeRow> rows;
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_CallType order by TypeName"))
        return rows;
    for (; !rs.IsEof(); rs.MoveNext()) {
        CallerTypeRow row;
        int selection = 0;
        rs.GetFieldValue("TypeName", row.name);
        rs.GetFieldValue("TypeNum", row.keyCount);
        rs.GetFieldValue("TypeChoice", selection);
        row.keySelection = static_cast<unsigned>(selection);
        rows.push_back(std::move(row));
    }
    return rows;
}

unsigned KeySelection(const std::array<bool, 5>& keys)
{
    unsigned selection = 0;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (keys[k])
            selection |= 1u << k;
    }
    return selection;
}

int KeyCount(const std::array<bool, 5>& keys)
{
    int count = 0;
    for (bool key : keys)
        count += key ? 1 : 0;
    return count;
}

bool AddOrUpdateCallerType(Database& db, Prompter& prompter, const std::string& name,
                           const std::array<bool, 5>& keys)
{
    const std::int64_t count = KeyCount(keys);
    const std::int64_t selection = KeySelection(keys);
    if (db.Execute("Insert into T_CallType (TypeName,TypeNum,TypeChoice) values (?,?,?)",
                   {name, count, selection}))
        return true;
    if (!prompter.AskOkCancel("当前要添加的<呼叫器类型>已存在，更新选择'确定'，退出选择'取消' ",
                              "提示"))
        return false;
    return db.Execute("update T_CallType set TypeNum=?,TypeChoice=? where TypeName=?",
                      {count, selection, name});
}

bool DeleteCallerType(Database& db, const std::string& name)
{
    return db.Execute("delete from T_CallType where TypeName=?", {name});
}

} // namespace px
