#include "common/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

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
#if defined(__linux__)
    // Linux lets a sleeper wake up to 50 us late by default, to batch wake-ups. A download
    // pauses after every one of its thousands of packets, and each pause ends in a sleep: ask
    // for the wake-up on time, once per thread that sleeps here.
    thread_local const bool punctual = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)punctual;
#endif
    if (us > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

LocalTime SystemClock::Local() const
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

std::int64_t SystemClock::EpochSeconds() const
{
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace px
