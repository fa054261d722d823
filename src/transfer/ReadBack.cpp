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

bool ReadBackTable(HostExchange& exchange, TableKind kind)
{
    if (!exchange.Link().FindHost())
        return false;
    const std::string path = ReadBackFilePath(exchange, kind);
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(path), ec);
    if (!GbkAvailable()) {
        // The names of the rows could not be shown: better no table than one without them.
        exchange.GetPrompter().Message(kGbkUnavailableMessage);
        return true;
    }
    WithTable(kind, [&](const auto& table) {
        exchange.ReadBack(table.readBackCommand, path, table.readBackCaption);
    });
    return true;
}

std::optional<ReadBackRows> ReadBackRowsOf(HostExchange& exchange, TableKind kind,
                                           std::string& error)
{
    if (!ReadBackTable(exchange, kind)) {
        error = "设备未连接，请连接设备！";
        return std::nullopt;
    }
    const std::string path = ReadBackFilePath(exchange, kind);
    auto rows = ReadRecordFile(kind, path);
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(path), ec);
    if (!rows)
        error = WithTable(kind, [](const auto& table) { return table.missingFileMessage; });
    return rows;
}

} // namespace px
