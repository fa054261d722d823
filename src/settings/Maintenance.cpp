#include "settings/Maintenance.h"

#include "common/Gbk.h"
#include "common/Utf8Path.h"
#include "storage/Database.h"

#include <charconv>
#include <cstdio>
#include <filesystem>

namespace px {

namespace {

// The bar walks to 100 in five steps after a single exchange succeeded.
void WalkProgress(HostExchange& exchange, int pauseMs)
{
    for (int position = 20; position <= 100; position += 20) {
        exchange.Progress().SetPosition(position);
        exchange.Progress().Show();
        exchange.Pause(pauseMs);
    }
}

void ShowProgress(HostExchange& exchange, const char* text)
{
    ProgressSink& progress = exchange.Progress();
    progress.Show();
    progress.SetRange(0, 100);
    progress.SetPosition(0);
    progress.SetProgressText(text);
}

int ParseAddress(const std::string& text)
{
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace

Outcome InitialiseHost(HostExchange& exchange)
{
    ShowProgress(exchange, "正在初始化设备.....");
    const Bytes frame = frame::Build(kCmdInitialise, {});
    if (exchange.SingleExchange(frame, true) == HostExchange::kFailed) {
        exchange.Progress().Close();
        return exchange.Conclude(false, "初始化主机失败！");
    }
    WalkProgress(exchange, 100);
    exchange.Progress().Close();
    return exchange.Conclude(true, "成功初始化主机！");
}

Bytes ClockPayload(std::uint32_t address, const LocalTime& time)
{
    Bytes payload = {static_cast<std::uint8_t>((address >> 16) & 0xFF),
                     static_cast<std::uint8_t>((address >> 8) & 0xFF),
                     static_cast<std::uint8_t>(address & 0xFF)};
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d%02d%02d", time.hour % 100, time.minute % 100,
                  time.second % 100);
    payload.insert(payload.end(), digits, digits + 6);
    const GbkBytes mark = ToGbk("#时").value_or(GbkBytes{0x23, 0xCA, 0xB1});
    payload.insert(payload.end(), mark.begin(), mark.end());
    return payload;
}

std::optional<Outcome> CalibrateClock(HostExchange& exchange, Database& db)
{
    QueryResult rs(db);
    if (!rs.Open(db, "select * from T_Device1 where DeviceNo=0") || rs.IsEof())
        return std::nullopt;
    std::string address;
    rs.GetFieldValue("Address", address);
    const Bytes payload = ClockPayload(static_cast<std::uint32_t>(ParseAddress(address)),
                                       exchange.GetClock().Local());
    const bool ok = exchange.SendCommand(kCmdClock, payload, "", false);
    return exchange.Conclude(ok, ok ? "时钟校准成功！" : "时钟校准失败！");
}

Outcome UpgradeFirmware(HostExchange& exchange, const std::string& imagePath)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(PathFromUtf8(imagePath), ec);
    if (!ec && size > HostExchange::kMaxRecordBytes)
        return exchange.Conclude(false, "升级文件太大（" + std::to_string(size) +
                                            " 字节），最多只能下载3000000字节！");
    ShowProgress(exchange, "");
    const bool ok = exchange.Download(kCmdFirmware, imagePath, "下载升级程序");
    exchange.Pause(1000);
    exchange.Progress().Close();
    return exchange.Conclude(ok);
}

std::optional<std::string> VersionText(std::span<const std::uint8_t> data)
{
    std::string text;
    for (std::size_t i = 0; i < data.size() && i < 15 && data[i] != 0xFF; ++i)
        text += static_cast<char>(data[i]);
    return FromGbk(GbkBytes(text.begin(), text.end()));
}

Reading<std::string> ReadProgramVersion(HostExchange& exchange)
{
    if (!exchange.SendCommand(kCmdVersion, {}, "", false))
        return {std::nullopt, exchange.Conclude(false, "读取版本号失败！").notices};
    Reading<std::string> reading{VersionText(exchange.AnswerPayload()), exchange.TakeNotices()};
    if (!reading.value) {
        reading.notices.Add(std::string("读取版本号失败！") + kGbkUnavailableMessage);
        return reading;
    }
    const std::string text = "当前设备版本号: " + *reading.value;
    reading.notices.Add(text);
    exchange.Monitor().AddLine(text + "\n");
    return reading;
}

Outcome SendPreamble(HostExchange& exchange)
{
    ShowProgress(exchange, "前导发送中.....");
    const bool ok =
        exchange.SingleExchange(frame::Build(kCmdPreamble, {}), true) != HostExchange::kFailed;
    exchange.Progress().Close();
    return exchange.Conclude(ok, ok ? "前导设置成功!" : "前导设置失败!");
}

} // namespace px
