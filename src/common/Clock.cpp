#include "common/Clock.h"

#include "common/System.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace px {

std::int64_t SystemClock::NowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t SystemClock::NowUs() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SystemClock::SleepUs(std::int64_t us)
{
    sys::RequestPunctualWakeups();
    if (us > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

LocalTime SystemClock::Local() const
{
    const std::tm tm = sys::LocalTimeOf(std::time(nullptr));
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::int64_t SystemClock::EpochSeconds() const
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace px
