#include "settings/HandheldSettings.h"

#include "common/Gbk.h"
#include "settings/SettingsHost.h"

#include <algorithm>

namespace px {

namespace {

// The record holds the modes back to back, in the order of kHandheldModes: two switches,
// then the two texts.
constexpr std::size_t kModeBytes = 2 + 2 * kHandheldTextBytes;
static_assert(std::size(kHandheldModes) * kModeBytes == kHandheldRecordBytes);

bool PutText(Bytes& record, std::size_t offset, const std::string& text)
{
    const auto gbk = ToGbk(text);
    if (!gbk)
        return false;
    const GbkBytes cut = CutGbk(*gbk, kHandheldTextBytes);
    std::copy(cut.begin(), cut.end(), record.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

bool PutMode(Bytes& record, std::size_t offset, const HandheldMode& mode)
{
    record[offset] = mode.enabled ? 1 : 0;
    record[offset + 1] = mode.numberToChinese ? 1 : 0;
    return PutText(record, offset + 2, mode.prefix) &&
           PutText(record, offset + 2 + kHandheldTextBytes, mode.suffix);
}

std::optional<std::string> TextAt(std::span<const std::uint8_t> record, std::size_t offset)
{
    GbkBytes bytes;
    for (const std::uint8_t byte : record.subspan(offset, kHandheldTextBytes)) {
        if (byte != 0xFF)
            bytes.push_back(byte);
    }
    return FromGbk(bytes);
}

std::optional<HandheldMode> ModeAt(std::span<const std::uint8_t> record, std::size_t offset)
{
    auto prefix = TextAt(record, offset + 2);
    auto suffix = TextAt(record, offset + 2 + kHandheldTextBytes);
    if (!prefix || !suffix)
        return std::nullopt;
    return HandheldMode{record[offset] != 0, record[offset + 1] != 0, std::move(*prefix),
                        std::move(*suffix)};
}

} // namespace

HandheldSettings LoadHandheldSettings(const Profile& profile)
{
    HandheldSettings settings;
    for (const auto& [mode, scope] : kHandheldModes)
        LoadFields(kHandheldModeFields, profile, settings.*mode, scope);
    return settings;
}

void StoreHandheldSettings(Profile& profile, const HandheldSettings& settings)
{
    for (const auto& [mode, scope] : kHandheldModes)
        StoreFields(kHandheldModeFields, profile, settings.*mode, scope);
}

std::string CheckHandheldSettings(const HandheldSettings& s)
{
    for (const auto& part : kHandheldModes) {
        const HandheldMode& mode = s.*part.mode;
        for (const std::string* text : {&mode.prefix, &mode.suffix}) {
            GbkProblem problem = GbkProblem::None;
            if (!ToGbk(*text, &problem))
                return GbkRefusal(problem,
                                  "信息前缀或后缀含有主机无法显示的字符，请修改后再写入！");
        }
    }
    return {};
}

std::optional<Bytes> BuildHandheldRecord(const HandheldSettings& settings)
{
    Bytes record(kHandheldRecordBytes, 0xFF);
    std::size_t offset = 0;
    for (const auto& part : kHandheldModes) {
        if (!PutMode(record, offset, settings.*part.mode))
            return std::nullopt;
        offset += kModeBytes;
    }
    return record;
}

std::optional<HandheldSettings> DecodeHandheldRecord(std::span<const std::uint8_t> record)
{
    if (record.size() < kHandheldRecordBytes)
        return std::nullopt;
    HandheldSettings settings;
    std::size_t offset = 0;
    for (const auto& part : kHandheldModes) {
        auto mode = ModeAt(record, offset);
        if (!mode)
            return std::nullopt;
        settings.*part.mode = std::move(*mode);
        offset += kModeBytes;
    }
    return settings;
}

Outcome DownloadHandheldSettings(HostExchange& exchange, Profile& profile,
                                 const HandheldSettings& settings)
{
    const auto record = BuildHandheldRecord(settings);
    if (!record)
        return exchange.Conclude(false, CheckHandheldSettings(settings));
    const std::string path = exchange.RecordFilePath(kHandheldRecordFile);
    if (!HostExchange::WriteRecordFile(path, *record))
        return exchange.Conclude(false, "无法写入文件 " + path);
    const bool ok = exchange.Download(kCmdHandheldSettings, path, "手持呼叫器设置信息");
    if (ok)
        StoreHandheldSettings(profile, settings);
    return exchange.Conclude(ok, ok ? "手持呼叫器设置信息已成功设置！"
                                    : "手持呼叫器设置信息设置失败！");
}

Reading<HandheldSettings> ReadBackHandheldSettings(HostExchange& exchange)
{
    const auto bytes = ReadBackRecord(exchange, kCmdReadHandheldSettings, kHandheldReadBackFile,
                                      "手持设备设置数据");
    Reading<HandheldSettings> reading{std::nullopt, exchange.TakeNotices()};
    if (!bytes)
        return reading;
    if (!GbkAvailable()) {
        reading.notices.Add(kGbkUnavailableMessage);
        return reading;
    }
    reading.value = DecodeHandheldRecord(*bytes);
    if (!reading.value)
        reading.notices.Add("回读的手持呼叫器设置信息不完整！");
    return reading;
}

} // namespace px
