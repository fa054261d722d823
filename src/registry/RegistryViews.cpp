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
    std::vector<CallerGridRow> rows;
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_Device3 where FileName=? order by CodeNo", {fileName}))
        return rows;
    rows.reserve(static_cast<std::size_t>(rs.GetRecordCount()));
    static const char* const kDeviceColumns[] = {"DeviceNo1", "DeviceNo2", "DeviceNo3",
                                                 "DeviceNo4", "DeviceNo5", "DeviceNo6",
                                                 "DeviceNo7", "DeviceNo8"};
    for (; !rs.IsEof(); rs.MoveNext()) {
        CallerGridRow row;
        row[0] = FieldText(rs, "CodeNo");
        row[1] = FieldText(rs, "CallNo");
        row[2] = FieldText(rs, "CallName");
        row[3] = FieldText(rs, "KeyName");
        for (int i = 0; i < 8; ++i) {
            const std::string value = FieldText(rs, kDeviceColumns[i]);
            row[4 + static_cast<std::size_t>(i)] = value == "-1" ? std::string() : value;
        }
        const int escalation = FieldInt(rs, "ZhuiHu");
        row[12] = escalation >= 0 && escalation < static_cast<int>(kEscalationChoices.size())
                      ? kEscalationChoices[static_cast<std::size_t>(escalation)]
                      : std::string();
        rows.push_back(std::move(row));
    }
    std::reverse(rows.begin(), rows.end());
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
