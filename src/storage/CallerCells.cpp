#include "storage/CallerCells.h"

#include <algorithm>
#include <charconv>

namespace px {

const TableColumn<CallerRow>* CallerColumnNamed(std::string_view name)
{
    const auto& columns = CallerTable().columns;
    const auto it = std::find_if(columns.begin(), columns.end(),
                                 [&](const TableColumn<CallerRow>& c) { return c.name == name; });
    return it != columns.end() ? &*it : nullptr;
}

std::optional<CellStyle> CellStyleOf(std::string_view column)
{
    for (const CallerCellColumn& cell : kCallerCellColumns) {
        if (cell.name == column)
            return cell.style;
    }
    return std::nullopt;
}

std::string EscalationName(int zhuiHu)
{
    return zhuiHu >= 0 && zhuiHu < static_cast<int>(kEscalationNames.size())
               ? kEscalationNames[static_cast<std::size_t>(zhuiHu)]
               : std::to_string(zhuiHu);
}

std::string CallerCell(const CallerRow& row, const CallerCellColumn& column)
{
    const SqlValue value = CallerColumnNamed(column.name)->get(row);
    const auto* number = std::get_if<std::int64_t>(&value);
    if (number == nullptr)
        return std::get<std::string>(value);
    if (column.style == CellStyle::Target && *number == kNoTarget)
        return {};
    if (column.style == CellStyle::Escalation)
        return EscalationName(static_cast<int>(*number));
    return std::to_string(*number);
}

CallerCellTexts CallerCells(const CallerRow& row)
{
    CallerCellTexts cells;
    for (std::size_t c = 0; c < cells.size(); ++c)
        cells[c] = CallerCell(row, kCallerCellColumns[c]);
    return cells;
}

namespace {

// A whole number as typed: an optional minus and decimal digits, nothing else.
std::optional<long long> WholeNumber(const std::string& text)
{
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end)
        return std::nullopt;
    return value;
}

} // namespace

std::string TakeCallerCell(CallerRow& row, const CallerCellColumn& column, const std::string& text)
{
    const TableColumn<CallerRow>& target = *CallerColumnNamed(column.name);
    SqlValue value = text;
    if (!target.text) {
        std::optional<long long> number = WholeNumber(text);
        if (column.style == CellStyle::Target && text.empty())
            number = kNoTarget;
        if (column.style == CellStyle::Escalation) {
            const auto named = std::find(kEscalationNames.begin(), kEscalationNames.end(), text);
            if (named != kEscalationNames.end())
                number = named - kEscalationNames.begin();
        }
        if (!number)
            return "\"" + text + "\" is not a whole number";
        value = std::int64_t{*number};
    }
    std::string why;
    if (!target.set(row, value, why))
        return why;
    if (std::string_view(column.name) == "CodeNo")
        row.codeType = CodeTypeOf(row.codeNo);
    return {};
}

} // namespace px
