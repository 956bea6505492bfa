// Program time: real steady time times the speed factor, kept continuous across factor changes by
// remembering where program time stood when the factor last changed.
#include "sys/Clock.h"

#include <mutex>
#include <thread>

namespace sys {
namespace {

using SteadyClock = std::chrono::steady_clock;

struct TimeBase {
    std::mutex lock;
    SteadyClock::time_point realAnchor = SteadyClock::now();
    double programAnchorMicros = 0.0; // program time at realAnchor
    double factor = 1.0;
};

TimeBase& Base() {
    static TimeBase base;
    return base;
}

double RealMicrosSince(SteadyClock::time_point anchor, SteadyClock::time_point now) {
    return std::chrono::duration<double, std::micro>(now - anchor).count();
}

} // namespace

// Any thread.
void SetTimeScale(double factor) {
    if (!(factor >= 1.0)) { // also catches NaN
        factor = 1.0;
    }
    TimeBase& base = Base();
    std::lock_guard guard(base.lock);
    const SteadyClock::time_point now = SteadyClock::now();
    base.programAnchorMicros += RealMicrosSince(base.realAnchor, now) * base.factor;
    base.realAnchor = now;
    base.factor = factor;
}

// Any thread.
double TimeScale() {
    TimeBase& base = Base();
    std::lock_guard guard(base.lock);
    return base.factor;
}

// Any thread.
int64_t NowMicros() {
    TimeBase& base = Base();
    std::lock_guard guard(base.lock);
    const double micros = base.programAnchorMicros + RealMicrosSince(base.realAnchor, SteadyClock::now()) * base.factor;
    return static_cast<int64_t>(micros);
}

// Any thread.
SteadyClock::duration RealDuration(uint32_t ms) {
    if (ms == kInfinite) {
        return SteadyClock::duration::max();
    }
    const double realMicros = static_cast<double>(ms) * 1000.0 / TimeScale();
    return std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double, std::micro>(realMicros));
}

// Any thread.
SteadyClock::time_point RealDeadline(uint32_t ms) {
    if (ms == kInfinite) {
        return SteadyClock::time_point::max();
    }
    return SteadyClock::now() + RealDuration(ms);
}

// Any thread. A wait of kInfinite never returns, as the platform's Sleep(INFINITE).
void Sleep(uint32_t ms) {
    if (ms == kInfinite) {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::hours(24));
        }
    }
    const SteadyClock::time_point deadline = RealDeadline(ms);
    // sleep_until may wake early on some platforms; loop until the deadline has really passed.
    while (SteadyClock::now() < deadline) {
        std::this_thread::sleep_until(deadline);
    }
}

} // namespace sys
