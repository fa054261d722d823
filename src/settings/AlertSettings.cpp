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

} // namespace

Lw3Settings LoadLw3Settings(const Profile& profile)
{
    return Remembered(kLw3Fields, profile);
}

Lw21Settings LoadLw21Settings(const Profile& profile)
{
    return Remembered(kLw21Fields, profile);
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

Outcome WriteLw3Settings(HostExchange& exchange, Profile& profile, const Lw3Settings& settings)
{
    const bool ok = exchange.SendCommand(kCmdLw3, BuildLw3Record(settings), "LW3参数设置", true);
    if (ok)
        StoreFields(kLw3Fields, profile, settings);
    return exchange.Conclude(ok, ok ? "LW3参数设置成功！" : "LW3参数设置失败！");
}

Outcome WriteLw21Settings(HostExchange& exchange, Profile& profile, const Lw21Settings& settings)
{
    const bool ok =
        exchange.SendCommand(kCmdLw21, BuildLw21Record(settings), "LW2/1参数设置", true);
    if (ok)
        StoreFields(kLw21Fields, profile, settings);
    return exchange.Conclude(ok, ok ? "LW2/1参数设置成功！" : "LW2/1参数设置失败！");
}

} // namespace px
