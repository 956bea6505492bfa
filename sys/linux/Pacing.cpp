// The request pacing wait on Linux: an absolute clock_nanosleep for the bulk of the 3 ms, then a
// spin on the steady clock for the tail, so the wait is neither stretched by the wake-up latency
// nor a core burnt for its whole length.
#include "sys/Pacing.h"

#include <cerrno>
#include <chrono>
#include <ctime>

#include "sys/Clock.h"
#include "sys/PacingPlan.h"

namespace sys {
namespace {

using SteadyClock = std::chrono::steady_clock;

void SleepUntil(SteadyClock::time_point deadline) {
    // steady_clock is CLOCK_MONOTONIC in libstdc++ on Linux.
    const auto since = deadline.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
    timespec target{};
    target.tv_sec = static_cast<time_t>(seconds.count());
    target.tv_nsec = static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr) == EINTR) {
    }
}

} // namespace

void PacingWait() {
    PacingWaitSince(NowMicros());
}

// The thread that wrote the request; each such thread keeps its own lateness estimate.
void PacingWaitSince(int64_t programStart) {
    thread_local PacingTail tail;
    const int64_t left = kPacingMicros - (NowMicros() - programStart);
    if (left <= 0) {
        return;
    }
    const SteadyClock::time_point realStart = SteadyClock::now();
    const auto total = std::chrono::duration_cast<SteadyClock::duration>(
        std::chrono::duration<double, std::micro>(static_cast<double>(left) / TimeScale()));
    const std::chrono::microseconds spin(tail.TailMicros());
    if (total > spin) {
        const SteadyClock::time_point wake = realStart + total - spin;
        SleepUntil(wake);
        tail.Observe(std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - wake).count());
    }
    const SteadyClock::time_point deadline = realStart + total;
    while (SteadyClock::now() < deadline) {
    }
    // The lower bound holds in program time, also across rounding and a factor change meanwhile.
    while (NowMicros() - programStart < kPacingMicros) {
    }
}

} // namespace sys
