#include "transfer/ReadBack.h"

#include "common/Gbk.h"
#include "common/Utf8Path.h"

#include <filesystem>

namespace px {

ReadBackSpec ReadBackFor(BrowserMode mode)
{
    switch (mode) {
    case BrowserMode::InfoMachines:
        return {0x84, "读取信息机信息"};
    case BrowserMode::Callers:
        return {0x85, "读取呼叫器信息"};
    case BrowserMode::Handhelds:
        return {0x87, "读取手持呼叫器信息"};
    }
    return {0x84, ""};
}

bool ReadBackTable(HostExchange& exchange, BrowserMode mode)
{
    if (!exchange.Link().FindHost())
        return false;
    const std::string path = exchange.RecordFilePath(RecordFileName(mode));
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(path), ec);
    if (!GbkAvailable()) {
        // The names of the rows could not be shown: better no table than one without them.
        exchange.GetPrompter().Message(kGbkUnavailableMessage);
        return true;
    }
    const ReadBackSpec spec = ReadBackFor(mode);
    exchange.ReadBack(spec.command, path, spec.caption);
    return true;
}

} // namespace px
