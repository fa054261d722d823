#pragma once

#include <cstdint>

namespace px {

struct LocalTime
{
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// All waiting and every reading of the time goes through this port, so tests can run
// multi-second protocol pauses on a fake clock in no time.
class Clock
{
public:
    virtual ~Clock() = default;

    // Monotonic milliseconds.
    virtual std::int64_t NowMs() const = 0;
    virtual void SleepMs(int ms) = 0;
    // Monotonic microseconds and a sleep of that precision, for waits made of many slices:
    // rounding each slice to whole milliseconds would lengthen (or shorten) the whole.
    // A clock that only keeps milliseconds rounds a sleep up.
    virtual std::int64_t NowUs() const { return NowMs() * 1000; }
    virtual void SleepUs(std::int64_t us) { SleepMs(static_cast<int>((us + 999) / 1000)); }
    virtual LocalTime Local() const = 0;
    // Seconds since the epoch, for seeding generators.
    virtual std::int64_t EpochSeconds() const = 0;
};

class SystemClock final : public Clock
{
public:
    std::int64_t NowMs() const override;
    void SleepMs(int ms) override;
    std::int64_t NowUs() const override;
    void SleepUs(std::int64_t us) override;
    LocalTime Local() const override;
    std::int64_t EpochSeconds() const override;
};

} // namespace px
