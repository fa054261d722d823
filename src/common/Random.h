#pragma once

#include <cstdint>

namespace px {

// The classic linear congruential generator (seed * 214013 + 2531011, bits 16..30), so that a
// seed always gives the same draws.
class Lcg
{
public:
    explicit Lcg(std::uint32_t seed = 1) : state_(seed) {}
    void Seed(std::uint32_t seed) { state_ = seed; }
    // 0 .. 32767
    int Next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t state_;
};

} // namespace px
