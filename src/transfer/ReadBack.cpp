#include "transfer/ReadBack.h"

#include "common/Gbk.h"
#include "common/Utf8Path.h"

#include <filesystem>

namespace px {

std::string ReadBackFilePath(const HostExchange& exchange, TableKind kind)
{
    return exchange.RecordFilePath(
        WithTable(kind, [](const auto& table) { return table.recordFile; }));
}

Outcome ReadBackTable(HostExchange& exchange, TableKind kind)
{
    if (!exchange.Link().FindHost())
        return exchange.Conclude(false);
    const std::string path = ReadBackFilePath(exchange, kind);
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(path), ec);
    if (!GbkAvailable()) {
        // The names of the rows could not be shown: better no table than one without them.
        return exchange.Conclude(true, kGbkUnavailableMessage);
    }
    WithTable(kind, [&](const auto& table) {
        exchange.ReadBack(table.readBackCommand, path, table.readBackCaption);
    });
    return exchange.Conclude(true);
}

Reading<ReadBackRows> ReadBackRowsOf(HostExchange& exchange, TableKind kind)
{
    Outcome read = ReadBackTable(exchange, kind);
    Reading<ReadBackRows> reading{std::nullopt, std::move(read.notices)};
    if (!read.ok) {
        reading.notices.Add(kNoHostMessage);
        return reading;
    }
    const std::string path = ReadBackFilePath(exchange, kind);
    reading.value = ReadRecordFile(kind, path);
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(path), ec);
    if (!reading.value)
        reading.notices.Add(
            WithTable(kind, [](const auto& table) { return table.missingFileMessage; }));
    return reading;
}

} // namespace px
