#pragma once

#include "common/Clock.h"

namespace px::test {

// Time moves only when someone sleeps or the test advances it.
class FakeClock final : public Clock
{
public:
    std::int64_t NowMs() const override { return now_; }
    void SleepMs(int ms) override
    {
        if (ms > 0)
            now_ += ms;
        slept_ += ms > 0 ? ms : 0;
    }
    LocalTime Local() const override { return local_; }
    std::int64_t EpochSeconds() const override { return epoch_ + now_ / 1000; }

    void Advance(std::int64_t ms) { now_ += ms; }
    void SetLocal(const LocalTime& time) { local_ = time; }
    void SetEpochSeconds(std::int64_t seconds) { epoch_ = seconds; }
    std::int64_t TotalSleptMs() const { return slept_; }

private:
    std::int64_t now_ = 1'000'000;
    std::int64_t slept_ = 0;
    std::int64_t epoch_ = 1'700'000'000;
    LocalTime local_{2026, 12, 10, 9, 5, 7};
};

} // namespace px::test
