#include "settings/AlertSettings.h"

namespace px {

namespace {

std::uint8_t Digit(int value)
{
    return static_cast<std::uint8_t>('0' + value);
}

// Two characters as a decimal number; conversion stops at the first non-digit.
int TwoDigitNumber(std::uint8_t tens, std::uint8_t units)
{
    const auto isDigit = [](std::uint8_t c) { return c >= '0' && c <= '9'; };
    if (!isDigit(tens))
        return 0;
    if (!isDigit(units))
        return tens - '0';
    return (tens - '0') * 10 + (units - '0');
}

std::string FirstPrompt(std::initializer_list<std::pair<int, IntRange>> fields)
{
    for (const auto& [value, range] : fields) {
        std::string prompt = CheckRange(value, range);
        if (!prompt.empty())
            return prompt;
    }
    return {};
}

} // namespace

Lw3Settings LoadLw3Settings(const Profile& profile)
{
    const Lw3Settings d;
    return {profile.GetInt(kAlertSection, "SHAKE", d.shake),
            profile.GetInt(kAlertSection, "RING", d.ring),
            profile.GetInt(kAlertSection, "SHINE", d.shine),
            profile.GetInt(kAlertSection, "INTERVAL", d.interval),
            profile.GetInt(kAlertSection, "METHOD", d.method)};
}

Lw21Settings LoadLw21Settings(const Profile& profile)
{
    const Lw21Settings d;
    return {profile.GetInt(kAlertSection, "SHAKE1", d.count),
            profile.GetInt(kAlertSection, "INTERVAL1", d.interval),
            profile.GetInt(kAlertSection, "METHOD1", d.method)};
}

void StoreLw3Settings(Profile& profile, const Lw3Settings& s)
{
    profile.SetInt(kAlertSection, "SHAKE", s.shake);
    profile.SetInt(kAlertSection, "RING", s.ring);
    profile.SetInt(kAlertSection, "SHINE", s.shine);
    profile.SetInt(kAlertSection, "INTERVAL", s.interval);
    profile.SetInt(kAlertSection, "METHOD", s.method);
}

void StoreLw21Settings(Profile& profile, const Lw21Settings& s)
{
    profile.SetInt(kAlertSection, "SHAKE1", s.count);
    profile.SetInt(kAlertSection, "INTERVAL1", s.interval);
    profile.SetInt(kAlertSection, "METHOD1", s.method);
}

std::string CheckLw3Settings(const Lw3Settings& s)
{
    return FirstPrompt({{s.shake, kAlertCountRange},
                        {s.ring, kAlertCountRange},
                        {s.shine, kAlertCountRange},
                        {s.interval, kAlertIntervalRange},
                        {s.method, kAlertMethodRange}});
}

std::string CheckLw21Settings(const Lw21Settings& s)
{
    return FirstPrompt({{s.count, kAlertCountRange},
                        {s.interval, kAlertIntervalRange},
                        {s.method, kAlertMethodRange}});
}

Bytes BuildLw3Record(const Lw3Settings& s)
{
    return {Digit(s.shake),
            Digit(s.ring),
            Digit(s.shine),
            Digit(s.interval / 10),
            Digit(s.interval % 10),
            Digit(s.method),
            0x5A};
}

Bytes BuildLw21Record(const Lw21Settings& s)
{
    return {Digit(s.count), Digit(s.interval / 10), Digit(s.interval % 10), Digit(s.method), 0x5A};
}

std::optional<Lw3Settings> DecodeLw3Record(std::span<const std::uint8_t> r)
{
    if (r.size() < 6)
        return std::nullopt;
    return Lw3Settings{r[0] - '0', r[1] - '0', r[2] - '0', TwoDigitNumber(r[3], r[4]), r[5] - '0'};
}

std::optional<Lw21Settings> DecodeLw21Record(std::span<const std::uint8_t> r)
{
    if (r.size() < 4)
        return std::nullopt;
    return Lw21Settings{r[0] - '0', TwoDigitNumber(r[1], r[2]), r[3] - '0'};
}

bool WriteLw3Settings(HostExchange& exchange, Profile& profile, const Lw3Settings& settings)
{
    const bool ok = exchange.SendCommand(kCmdLw3, BuildLw3Record(settings), "LW3参数设置", true);
    if (ok)
        StoreLw3Settings(profile, settings);
    exchange.GetPrompter().Message(ok ? "LW3参数设置成功！" : "LW3参数设置失败！");
    return ok;
}

bool WriteLw21Settings(HostExchange& exchange, Profile& profile, const Lw21Settings& settings)
{
    const bool ok =
        exchange.SendCommand(kCmdLw21, BuildLw21Record(settings), "LW2/1参数设置", true);
    if (ok)
        StoreLw21Settings(profile, settings);
    exchange.GetPrompter().Message(ok ? "LW2/1参数设置成功！" : "LW2/1参数设置失败！");
    return ok;
}

} // namespace px
