#include "settings/SettingsHost.h"

#include "common/Utf8Path.h"
#include "settings/NetworkParams.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace px {

namespace {

struct ReadBackRequest
{
    std::uint8_t command;
    const char* caption;
    const char* what; // for the notice after it: "已回读" + what
};

ReadBackRequest RequestFor(ParamReadBack kind)
{
    switch (kind) {
    case ParamReadBack::MachineParameters:
        return {0x83, "读取机器参数", "设备参数"};
    case ParamReadBack::Frequencies:
        return {0x88, "读取频率参数", "频率参数"};
    case ParamReadBack::Lw21:
        return {0x8A, "读取LW2/1参数", "LW2/LW1接收机提示设置"};
    case ParamReadBack::Lw3:
        break;
    }
    return {0x8B, "读取LW3参数", "LW3接收机提示设置"};
}

} // namespace

std::optional<Bytes> ReadWholeFile(const std::string& path)
{
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::optional<Bytes> ReadBackRecord(HostExchange& exchange, std::uint8_t command,
                                    std::string_view fileName, std::string_view caption)
{
    const std::string path = exchange.RecordFilePath(fileName);
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(path), ec);
    if (!exchange.ReadBack(command, path, caption))
        return std::nullopt;
    return ReadWholeFile(path);
}

Reading<Bytes> ExchangeSettingsHost::ReadBackParams(ParamReadBack kind)
{
    const ReadBackRequest request = RequestFor(kind);
    auto record = ReadBackRecord(exchange_, request.command, "machine.txt", request.caption);
    if (record && notice_)
        notice_(request.what);
    return {std::move(record), exchange_.TakeNotices()};
}

Outcome ExchangeSettingsHost::SendNetwork(std::span<const std::uint8_t> record)
{
    return SendNetworkRecord(exchange_, record);
}

Reading<Bytes> ExchangeSettingsHost::ReadBackNetwork()
{
    auto reading = ReadBackNetworkRecord(exchange_);
    if (reading.value && notice_)
        notice_("网络参数");
    return reading;
}

} // namespace px
