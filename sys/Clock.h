// The clock seam: every sleep, event wait, timer and time-out of the program goes through here.
//
// Program time runs at real time times a speed factor. The product always runs at 1x; tests and the
// simulated keyboard raise the factor so that retry budgets of many seconds pass in a fraction of that.
#pragma once

#include <chrono>
#include <cstdint>

namespace sys {

// Waits of "forever", as the platform's INFINITE.
inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

// Sets the speed factor (>= 1; smaller values are taken as 1). Thread-safe; takes effect for waits
// that start afterwards.
void SetTimeScale(double factor);
double TimeScale();

// Program time since an arbitrary fixed start, in microseconds (monotonic, scaled).
int64_t NowMicros();
inline int64_t NowMillis() { return NowMicros() / 1000; }

// The real duration that a wait of `ms` program milliseconds lasts at the current factor.
std::chrono::steady_clock::duration RealDuration(uint32_t ms);

// The real-time deadline `ms` program milliseconds from now (time_point::max() for kInfinite).
std::chrono::steady_clock::time_point RealDeadline(uint32_t ms);

// Sleeps `ms` program milliseconds.
void Sleep(uint32_t ms);

} // namespace sys
