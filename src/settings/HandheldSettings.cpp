#include "settings/HandheldSettings.h"

#include "common/Gbk.h"
#include "settings/SettingsHost.h"

#include <algorithm>

namespace px {

namespace {

constexpr std::size_t kHurryOffset = 0;
constexpr std::size_t kDispatchOffset = 82;

HandheldMode LoadMode(const Profile& profile, const std::string& key)
{
    return {profile.GetInt(kHandheldSection, key, 0) != 0,
            profile.GetInt(kHandheldSection, key + "NUM", 0) != 0,
            profile.GetString(kHandheldSection, key + "FRONT", ""),
            profile.GetString(kHandheldSection, key + "BEHIND", "")};
}

void StoreMode(Profile& profile, const std::string& key, const HandheldMode& mode)
{
    profile.SetInt(kHandheldSection, key, mode.enabled ? 1 : 0);
    profile.SetInt(kHandheldSection, key + "NUM", mode.numberToChinese ? 1 : 0);
    profile.SetString(kHandheldSection, key + "FRONT", mode.prefix);
    profile.SetString(kHandheldSection, key + "BEHIND", mode.suffix);
}

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
    return {LoadMode(profile, "CUICAI"), LoadMode(profile, "DIAODU")};
}

void StoreHandheldSettings(Profile& profile, const HandheldSettings& settings)
{
    StoreMode(profile, "CUICAI", settings.hurry);
    StoreMode(profile, "DIAODU", settings.dispatch);
}

std::string CheckHandheldSettings(const HandheldSettings& s)
{
    for (const std::string* text :
         {&s.hurry.prefix, &s.hurry.suffix, &s.dispatch.prefix, &s.dispatch.suffix}) {
        GbkProblem problem = GbkProblem::None;
        if (!ToGbk(*text, &problem))
            return GbkRefusal(problem, "信息前缀或后缀含有主机无法显示的字符，请修改后再写入！");
    }
    return {};
}

std::optional<Bytes> BuildHandheldRecord(const HandheldSettings& settings)
{
    Bytes record(kHandheldRecordBytes, 0xFF);
    if (!PutMode(record, kHurryOffset, settings.hurry) ||
        !PutMode(record, kDispatchOffset, settings.dispatch))
        return std::nullopt;
    return record;
}

std::optional<HandheldSettings> DecodeHandheldRecord(std::span<const std::uint8_t> record)
{
    if (record.size() < kHandheldRecordBytes)
        return std::nullopt;
    auto hurry = ModeAt(record, kHurryOffset);
    auto dispatch = ModeAt(record, kDispatchOffset);
    if (!hurry || !dispatch)
        return std::nullopt;
    return HandheldSettings{std::move(*hurry), std::move(*dispatch)};
}

bool DownloadHandheldSettings(HostExchange& exchange, Profile& profile,
                              const HandheldSettings& settings)
{
    const auto record = BuildHandheldRecord(settings);
    if (!record) {
        exchange.GetPrompter().Message(CheckHandheldSettings(settings));
        return false;
    }
    const std::string path = exchange.RecordFilePath(kHandheldRecordFile);
    if (!HostExchange::WriteRecordFile(path, *record)) {
        exchange.GetPrompter().Message("无法写入文件 " + path);
        return false;
    }
    const bool ok = exchange.Download(kCmdHandheldSettings, path, "手持呼叫器设置信息");
    if (ok)
        StoreHandheldSettings(profile, settings);
    exchange.GetPrompter().Message(ok ? "手持呼叫器设置信息已成功设置！"
                                      : "手持呼叫器设置信息设置失败！");
    return ok;
}

std::optional<HandheldSettings> ReadBackHandheldSettings(HostExchange& exchange)
{
    const auto bytes = ReadBackRecord(exchange, kCmdReadHandheldSettings, kHandheldReadBackFile,
                                      "手持设备设置数据");
    if (!bytes)
        return std::nullopt;
    if (!GbkAvailable()) {
        exchange.GetPrompter().Message(kGbkUnavailableMessage);
        return std::nullopt;
    }
    auto settings = DecodeHandheldRecord(*bytes);
    if (!settings)
        exchange.GetPrompter().Message("回读的手持呼叫器设置信息不完整！");
    return settings;
}

} // namespace px
