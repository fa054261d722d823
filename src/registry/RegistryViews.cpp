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

CallerGridRow CallerCells(const CallerRow& row)
{
    CallerGridRow cells;
    // The grid shows the description's columns in order, all but the last (CodeType).
    static_assert(kCallerGridColumns == kCallerTargets + 5);
    const auto& columns = CallerTable().columns;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const SqlValue value = columns[c].get(row);
        if (const auto* text = std::get_if<std::string>(&value))
            cells[c] = *text;
        else if (const auto* number = std::get_if<std::int64_t>(&value))
            cells[c] = std::to_string(*number);
    }
    for (std::size_t k = 0; k < kCallerTargets; ++k) {
        if (row.devices[k] < 0)
            cells[4 + k].clear();
    }
    if (row.zhuiHu >= 0 && row.zhuiHu < static_cast<int>(kEscalationChoices.size()))
        cells.back() = kEscalationChoices[static_cast<std::size_t>(row.zhuiHu)];
    return cells;
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
