// Internal to sys: the numbers of the request pacing wait, shared by the platform files.
#pragma once

#include <chrono>
#include <cstdint>

namespace sys {

// The pause after a request, in program time.
inline constexpr uint32_t kPacingMillis = 3;
inline constexpr int64_t kPacingMicros = kPacingMillis * 1000;

// The real-time tail that is spun instead of slept: long enough to absorb a timer's wake-up
// latency, short enough to keep a core mostly idle during the wait.
inline constexpr std::chrono::microseconds kPacingSpinTail{500};

} // namespace sys
