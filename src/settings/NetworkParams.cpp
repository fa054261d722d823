#include "settings/NetworkParams.h"

#include "common/Hex.h"
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

constexpr std::size_t kFilledNetworkBytes = 32; // the rest of the record is 0xFF

static_assert(kNetworkFieldRows[0].spec.form == FieldForm::OffFlag,
              "an off record prints as its switch, the table's first field");

} // namespace

std::string NormaliseMac(const std::string& mac)
{
    return (mac + std::string(kMacDigits, '0')).substr(0, kMacDigits);
}

std::string CheckNetworkParams(const NetworkParams& p)
{
    if (std::string prompt = CheckFields(kNetworkFields, p); !prompt.empty())
        return prompt;
    // A pair that is not hexadecimal would otherwise go out as an arbitrary byte.
    for (const char c : NormaliseMac(p.mac)) {
        if (HexDigitValue(c) < 0)
            return "MAC地址只能由十六进制数字(0-9, A-F)组成！";
    }
    return {};
}

std::vector<PrintedField> PrintNetworkFields(const NetworkParams& params)
{
    std::vector<PrintedField> printed = PrintFields(kNetworkFields, params);
    if (!params.enabled)
        printed.resize(1);
    return printed;
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
        const int high = HexDigitValue(mac[2 * i]);
        const int low = HexDigitValue(mac[2 * i + 1]);
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

Outcome SendNetworkRecord(HostExchange& exchange, std::span<const std::uint8_t> record)
{
    std::optional<HostExchange::Lock> lock;
    if ((!exchange.IsBusy() && !(lock = exchange.Begin())) || !exchange.Link().FindHost())
        return exchange.Conclude(false);
    ProgressSink& progress = exchange.Progress();
    progress.Show();
    progress.SetRange(0, 100);
    progress.SetPosition(0);
    progress.SetProgressText("正在发送信息.....");
    if (exchange.SingleExchange(BuildNetworkFrame(record), true) == HostExchange::kFailed) {
        progress.Close();
        return exchange.Conclude(false, "设置网络参数失败！");
    }
    for (int position = 20; position <= 100; position += 20) {
        progress.SetPosition(position);
        exchange.Pause(10);
    }
    progress.Close();
    return exchange.Conclude(true);
}

Reading<Bytes> ReadBackNetworkRecord(HostExchange& exchange)
{
    std::optional<HostExchange::Lock> lock;
    if ((!exchange.IsBusy() && !(lock = exchange.Begin())) || !exchange.Link().FindHost())
        return {std::nullopt, exchange.TakeNotices()};
    auto record = ReadBackRecord(exchange, kCmdReadNetwork, kNetworkRecordFile, "读取网络参数");
    return {std::move(record), exchange.TakeNotices()};
}

} // namespace px
