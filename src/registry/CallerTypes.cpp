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

CallerTypeAdded AddCallerType(Database& db, const std::string& name,
                              const std::array<bool, 5>& keys)
{
    const auto taken = db.Query("select 1 from T_CallType where TypeName=?", {name});
    if (!taken)
        return CallerTypeAdded::Failed;
    if (!taken->empty())
        return CallerTypeAdded::NameTaken;
    return db.Execute("Insert into T_CallType (TypeName,TypeNum,TypeChoice) values (?,?,?)",
                      {name, std::int64_t{KeyCount(keys)}, std::int64_t{KeySelection(keys)}})
               ? CallerTypeAdded::Added
               : CallerTypeAdded::Failed;
}

bool UpdateCallerType(Database& db, const std::string& name, const std::array<bool, 5>& keys)
{
    return db.Execute("update T_CallType set TypeNum=?,TypeChoice=? where TypeName=?",
                      {std::int64_t{KeyCount(keys)}, std::int64_t{KeySelection(keys)}, name});
}

bool DeleteCallerType(Database& db, const std::string& name)
{
    return db.Execute("delete from T_CallType where TypeName=?", {name});
}

} // namespace px
