#pragma once
// The clock the benchmarks time their yardsticks with, beside what the library times itself.
#include <chrono>

namespace bench {

using Clock = std::chrono::steady_clock;

// Seconds since a.
inline double seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

} // namespace bench
