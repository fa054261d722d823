#pragma once

// The rows a read-back brought from the host: the records of its record file decoded into the
// table's typed rows. The read-back browser and pxctl show them as text; an import writes them.

#include "storage/RegistrationTables.h"

#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace px {

// Every whole record of the bytes as a row, in order; a trailing part record is ignored and a
// slot the host holds empty is left out. Texts need the GBK converter.
template <typename Row>
std::vector<Row> DecodeRecords(const RegistrationTable<Row>& table,
                               std::span<const std::uint8_t> bytes)
{
    std::vector<Row> rows;
    for (std::size_t at = 0; at + table.recordSize <= bytes.size(); at += table.recordSize) {
        if (auto row = table.decode(bytes.subspan(at, table.recordSize)))
            rows.push_back(std::move(*row));
    }
    return rows;
}

// The rows of one table, whichever it is.
class ReadBackRows
{
public:
    using Rows =
        std::variant<std::vector<InfoMachineRow>, std::vector<HandheldRow>, std::vector<CallerRow>>;

    // Rows of one table, as they were read.
    template <typename Row>
    explicit ReadBackRows(std::vector<Row> rows)
        : kind_(TableOf<Row>().kind), rows_(std::move(rows))
    {}

    // The rows of a table's records.
    static ReadBackRows Decode(TableKind kind, std::span<const std::uint8_t> bytes);

    TableKind Kind() const { return kind_; }
    const Rows& Typed() const { return rows_; }
    std::size_t Count() const;
    // Each row's cells as the read-back browser shows them.
    std::vector<std::vector<std::string>> ShownCells() const;

private:
    TableKind kind_;
    Rows rows_;
};

// The rows of a record file; nothing when the file cannot be read or the system cannot
// convert the texts of its rows.
std::optional<ReadBackRows> ReadRecordFile(TableKind kind, const std::string& path);

} // namespace px
