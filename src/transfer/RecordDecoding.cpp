#include "transfer/RecordDecoding.h"

#include "common/Gbk.h"
#include "common/Utf8Path.h"

#include <fstream>
#include <iterator>

namespace px {

ReadBackRows ReadBackRows::Decode(TableKind kind, std::span<const std::uint8_t> bytes)
{
    return WithTable(kind,
                     [&](const auto& table) { return ReadBackRows(DecodeRecords(table, bytes)); });
}

std::size_t ReadBackRows::Count() const
{
    return std::visit([](const auto& rows) { return rows.size(); }, rows_);
}

std::vector<std::vector<std::string>> ReadBackRows::ShownCells() const
{
    return std::visit(
        [](const auto& rows) {
            using Row = typename std::decay_t<decltype(rows)>::value_type;
            std::vector<std::vector<std::string>> cells;
            cells.reserve(rows.size());
            for (const Row& row : rows)
                cells.push_back(TableOf<Row>().shownCells(row));
            return cells;
        },
        rows_);
}

std::optional<ReadBackRows> ReadRecordFile(TableKind kind, const std::string& path)
{
    if (!GbkAvailable())
        return std::nullopt;
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    if (!file)
        return std::nullopt;
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    if (file.bad())
        return std::nullopt;
    return ReadBackRows::Decode(kind, bytes);
}

} // namespace px
