#include "settings/NetworkParams.h"

#include "common/Random.h"
#include "settings/SettingsHost.h"

#include <cctype>
#include <cstdio>

namespace px {

namespace {

void PutLowFirst(Bytes& record, std::size_t offset, int value)
{
    record[offset] = static_cast<std::uint8_t>(value & 0xFF);
    record[offset + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

int LowFirst(std::span<const std::uint8_t> record, std::size_t offset)
{
    return record[offset] + 256 * record[offset + 1];
}

void PutIp(Bytes& record, std::size_t offset, const IpAddress& ip)
{
    std::copy(ip.begin(), ip.end(), record.begin() + static_cast<std::ptrdiff_t>(offset));
}

IpAddress IpAt(std::span<const std::uint8_t> record, std::size_t offset)
{
    return {record[offset], record[offset + 1], record[offset + 2], record[offset + 3]};
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

constexpr std::size_t kFilledNetworkBytes = 32; // the rest of the record is 0xFF

} // namespace

std::optional<IpAddress> ParseIp(std::string_view text)
{
    IpAddress ip{};
    std::size_t part = 0;
    while (part < 4) {
        const auto dot = text.find('.');
        const std::string_view piece = text.substr(0, dot);
        if (piece.empty() || piece.size() > 3)
            return std::nullopt;
        const auto value = ParseInteger(piece);
        if (!value || *value < 0 || *value > 255 || piece.front() == '+' || piece.front() == ' ')
            return std::nullopt;
        ip[part++] = static_cast<std::uint8_t>(*value);
        if (dot == std::string_view::npos)
            break;
        if (part == 4)
            return std::nullopt;
        text.remove_prefix(dot + 1);
    }
    if (part != 4)
        return std::nullopt;
    return ip;
}

std::string FormatIp(const IpAddress& ip)
{
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
           std::to_string(ip[3]);
}

std::string NormaliseMac(const std::string& mac)
{
    return (mac + std::string(kMacDigits, '0')).substr(0, kMacDigits);
}

std::string CheckNetworkParams(const NetworkParams& p)
{
    const std::pair<int, IntRange> fields[] = {
        {p.id, kNetworkIdRange},
        {p.port, kPortRange},
        {p.reconnectSeconds, kReconnectRange},
        {p.validityMinutes, kValidityRange},
        {p.hostPort, kPortRange},
        {p.role, IntRange{0, 1}},
    };
    for (const auto& [value, range] : fields) {
        std::string prompt = CheckRange(value, range);
        if (!prompt.empty())
            return prompt;
    }
    // A pair that is not hexadecimal would otherwise go out as an arbitrary byte.
    for (const char c : NormaliseMac(p.mac)) {
        if (HexDigit(c) < 0)
            return "MAC地址只能由十六进制数字(0-9, A-F)组成！";
    }
    return {};
}

Bytes BuildNetworkRecord(const NetworkParams& p)
{
    Bytes record(kNetworkRecordBytes, 0xFF);
    if (!p.enabled) {
        record[0] = 0x00;
        return record;
    }
    record[0] = 0x01;
    record[1] = static_cast<std::uint8_t>(p.role + 1);
    record[2] = static_cast<std::uint8_t>(p.id);
    PutIp(record, 3, p.hostIp);
    PutLowFirst(record, 7, p.hostPort);
    const std::string mac = NormaliseMac(p.mac);
    for (std::size_t i = 0; i < 6; ++i) {
        const int high = HexDigit(mac[2 * i]);
        const int low = HexDigit(mac[2 * i + 1]);
        record[9 + i] = static_cast<std::uint8_t>((high < 0 || low < 0) ? 0 : high * 16 + low);
    }
    PutIp(record, 15, p.ip);
    PutLowFirst(record, 19, p.port);
    PutIp(record, 21, p.mask);
    PutIp(record, 25, p.gateway);
    PutLowFirst(record, 29, p.reconnectSeconds);
    record[31] = static_cast<std::uint8_t>(p.validityMinutes);
    return record;
}

Bytes BuildNetworkFrame(std::span<const std::uint8_t> record)
{
    return frame::BuildPacket(kCmdNetwork, 1, 1, record);
}

bool ApplyNetworkRecord(std::span<const std::uint8_t> record, NetworkParams& p)
{
    if (record.empty())
        return false;
    if (record[0] == 0) {
        p.enabled = false;
        return true;
    }
    if (record.size() < kFilledNetworkBytes)
        return false;
    p.enabled = true;
    p.role = record[1] - 1 == 0 ? NetworkParams::kNetworkHost : NetworkParams::kNetworkSlave;
    p.id = record[2];
    p.hostIp = IpAt(record, 3);
    p.hostPort = LowFirst(record, 7);
    char mac[16];
    std::snprintf(mac, sizeof mac, "%02X%02X%02X%02X%02X%02X", record[9], record[10], record[11],
                  record[12], record[13], record[14]);
    p.mac = mac;
    p.ip = IpAt(record, 15);
    p.port = LowFirst(record, 19);
    p.mask = IpAt(record, 21);
    p.gateway = IpAt(record, 25);
    p.reconnectSeconds = LowFirst(record, 29);
    p.validityMinutes = record[31];
    return true;
}

std::string RandomMac(std::int64_t epochSeconds)
{
    Lcg random(static_cast<std::uint32_t>(epochSeconds & 0xFFFFFFFF));
    std::uint8_t bytes[6];
    for (int i = 0; i < 6; ++i)
        bytes[i] = static_cast<std::uint8_t>((random.Next() * (12 + 11 * i)) % 256);
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", bytes[0], bytes[1], bytes[2],
                  bytes[3], bytes[4], bytes[5]);
    return text;
}

bool SendNetworkRecord(HostExchange& exchange, std::span<const std::uint8_t> record)
{
    std::optional<HostExchange::Lock> lock;
    if (!exchange.IsBusy() && !(lock = exchange.Begin()))
        return false;
    if (!exchange.Link().FindHost())
        return false;
    ProgressSink& progress = exchange.Progress();
    progress.Show();
    progress.SetRange(0, 100);
    progress.SetPosition(0);
    progress.SetProgressText("正在发送信息.....");
    if (exchange.SingleExchange(BuildNetworkFrame(record), true) == HostExchange::kFailed) {
        progress.Close();
        exchange.GetPrompter().Message("设置网络参数失败！");
        return false;
    }
    for (int position = 20; position <= 100; position += 20) {
        progress.SetPosition(position);
        exchange.Pause(10);
    }
    progress.Close();
    return true;
}

std::optional<Bytes> ReadBackNetworkRecord(HostExchange& exchange)
{
    std::optional<HostExchange::Lock> lock;
    if (!exchange.IsBusy() && !(lock = exchange.Begin()))
        return std::nullopt;
    if (!exchange.Link().FindHost())
        return std::nullopt;
    return ReadBackRecord(exchange, kCmdReadNetwork, kNetworkRecordFile, "读取网络参数");
}

} // namespace px
