#include "core/platform.h"

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
const Clock::time_point PROGRAM_START = Clock::now();

} // namespace

i32 ClockMs()
{
    return static_cast<i32>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - PROGRAM_START)
            .count());
}
