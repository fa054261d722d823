#include "registry/RegistryViews.h"

#include <algorithm>

namespace px {

InfoMachineView LoadInfoMachineView(Database& db, const std::string& fileName)
{
    InfoMachineView view;
    QueryResult rs(db);
    if (!rs.Open(db, "select * from Q_Device1Query where FileName=? order by DeviceNo", {fileName}))
        return view;
    for (; !rs.IsEof(); rs.MoveNext()) {
        InfoMachineListRow row;
        row.deviceNo = FieldInt(rs, "DeviceNo");
        row.address = FieldText(rs, "Address");
        row.remark = FieldText(rs, "Remark");
        row.typeName = FieldText(rs, "TypeName");
        const std::string number = std::to_string(row.deviceNo);
        view.numberList.push_back(row.deviceNo == 0 ? std::string() : number);
        view.senderEntries.push_back(number);
        view.rows.push_back(std::move(row));
    }
    return view;
}

std::vector<HandheldListRow> LoadHandheldView(Database& db, const std::string& fileName)
{
    std::vector<HandheldListRow> rows;
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_Device2 where FileName=? order by DeviceNo", {fileName}))
        return rows;
    for (; !rs.IsEof(); rs.MoveNext())
        rows.push_back(
            {FieldInt(rs, "DeviceNo"), FieldText(rs, "Address"), FieldText(rs, "Remark")});
    return rows;
}

std::vector<CallerGridRow> LoadCallerGridView(Database& db, const std::string& fileName)
{
    // Every key whose values can be read, those the rules refuse too: the grid is where they
    // are mended.
    const std::vector<CallerRow> stored = LoadRows(db, CallerTable(), fileName).asStored;
    std::vector<CallerGridRow> rows;
    rows.reserve(stored.size());
    // Descending feature code: the newest key on top, above the blank row.
    for (auto it = stored.rbegin(); it != stored.rend(); ++it)
        rows.push_back(CallerCells(*it));
    return rows;
}

std::vector<CallerType> LoadCallerTypes(Database& db)
{
    std::vector<CallerType> types{{"单键0", 1, 0}};
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_CallType order by TypeNum"))
        return types;
    for (; !rs.IsEof(); rs.MoveNext()) {
        types.push_back({FieldText(rs, "TypeName"), FieldInt(rs, "TypeNum"),
                         static_cast<unsigned>(FieldInt(rs, "TypeChoice"))});
    }
    return types;
}

std::vector<std::string> LoadKeyNames(Database& db)
{
    std::vector<std::string> names;
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_KeyName order by KeyNo"))
        return names;
    for (; !rs.IsEof(); rs.MoveNext())
        names.push_back(FieldText(rs, "KeyName"));
    return names;
}

} // namespace px
