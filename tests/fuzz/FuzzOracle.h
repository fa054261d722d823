#pragma once

// What the fuzz targets hold the tool to, written from the byte layout, not from its code.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace px::fuzz {

// A broken property is a crash, so libFuzzer keeps the input.
inline void Check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

// The 64 data bytes of an answer: 55 AA 02, command, L, payload, then at 5 + L the one's
// complement of the sum from the start byte on, which must lie inside the report.
inline bool AnswerChecksumFits(std::span<const std::uint8_t, 64> answer)
{
    const std::size_t at = 5 + static_cast<std::size_t>(answer[4]);
    if (at >= answer.size())
        return false;
    unsigned sum = 0;
    for (std::size_t i = 2; i < at; ++i)
        sum += answer[i];
    return answer[at] == static_cast<std::uint8_t>(~sum);
}

} // namespace px::fuzz
