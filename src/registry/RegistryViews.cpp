#include "registry/RegistryViews.h"

#include <algorithm>

namespace px {

namespace {

std::string Text(CADORecordset& rs, const char* field)
{
    std::string value;
    rs.GetFieldValue(field, value);
    return value;
}

int Int(CADORecordset& rs, const char* field)
{
    int value = 0;
    rs.GetFieldValue(field, value);
    return value;
}

} // namespace

InfoMachineView LoadInfoMachineView(CADODatabase& db, const std::string& fileName)
{
    InfoMachineView view;
    CADORecordset rs(db);
    if (!rs.Open(db, "select * from Q_Device1Query where FileName=? order by DeviceNo",
                 {fileName}))
        return view;
    for (; !rs.IsEof(); rs.MoveNext()) {
        InfoMachineListRow row;
        row.deviceNo = Int(rs, "DeviceNo");
        row.address = Text(rs, "Address");
        row.remark = Text(rs, "Remark");
        row.typeName = Text(rs, "TypeName");
        const std::string number = std::to_string(row.deviceNo);
        view.numberList.push_back(row.deviceNo == 0 ? std::string() : number);
        view.senderEntries.push_back(number);
        view.rows.push_back(std::move(row));
    }
    return view;
}

std::vector<HandheldListRow> LoadHandheldView(CADODatabase& db, const std::string& fileName)
{
    std::vector<HandheldListRow> rows;
    CADORecordset rs(db);
    if (!rs.Open(db, "select * from T_Device2 where FileName=? order by DeviceNo", {fileName}))
        return rows;
    for (; !rs.IsEof(); rs.MoveNext())
        rows.push_back({Int(rs, "DeviceNo"), Text(rs, "Address"), Text(rs, "Remark")});
    return rows;
}

std::vector<CallerGridRow> LoadCallerGridView(CADODatabase& db, const std::string& fileName)
{
    std::vector<CallerGridRow> rows;
    CADORecordset rs(db);
    if (!rs.Open(db, "select * from T_Device3 where FileName=? order by CodeNo", {fileName}))
        return rows;
    rows.reserve(static_cast<std::size_t>(rs.GetRecordCount()));
    static const char* const kDeviceColumns[] = {"DeviceNo1", "DeviceNo2", "DeviceNo3",
                                                 "DeviceNo4", "DeviceNo5", "DeviceNo6",
                                                 "DeviceNo7", "DeviceNo8"};
    for (; !rs.IsEof(); rs.MoveNext()) {
        CallerGridRow row;
        row[0] = Text(rs, "CodeNo");
        row[1] = Text(rs, "CallNo");
        row[2] = Text(rs, "CallName");
        row[3] = Text(rs, "KeyName");
        for (int i = 0; i < 8; ++i) {
            const std::string value = Text(rs, kDeviceColumns[i]);
            row[static_cast<std::size_t>(4 + i)] = value == "-1" ? std::string() : value;
        }
        const int escalation = Int(rs, "ZhuiHu");
        row[12] = escalation >= 0 && escalation < static_cast<int>(kEscalationChoices.size())
                      ? kEscalationChoices[static_cast<std::size_t>(escalation)]
                      : std::string();
        rows.push_back(std::move(row));
    }
    std::reverse(rows.begin(), rows.end());
    return rows;
}

std::vector<CallerType> LoadCallerTypes(CADODatabase& db)
{
    std::vector<CallerType> types{{"单键0", 1, 0}};
    CADORecordset rs(db);
    if (!rs.Open(db, "select * from T_CallType order by TypeNum"))
        return types;
    for (; !rs.IsEof(); rs.MoveNext()) {
        types.push_back(
            {Text(rs, "TypeName"), Int(rs, "TypeNum"), static_cast<unsigned>(Int(rs, "TypeChoice"))});
    }
    return types;
}

std::vector<std::string> LoadKeyNames(CADODatabase& db)
{
    std::vector<std::string> names;
    CADORecordset rs(db);
    if (!rs.Open(db, "select * from T_KeyName order by KeyNo"))
        return names;
    for (; !rs.IsEof(); rs.MoveNext())
        names.push_back(Text(rs, "KeyName"));
    return names;
}

} // namespace px
