#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// The millisecond tick count of the check engine: 64-bit and monotonic, so a start tick and its
// deadline compare without wrap-around. Tests pass their own clock.
using TTickClock = std::function<std::uint64_t()>;

inline std::uint64_t SystemTickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
