// The request pacing wait on Windows: a high-resolution waitable timer for the bulk of the 3 ms
// (the plain Sleep would round up to the 15.6 ms tick), then a spin on the performance counter for
// the tail. Where the system has no high-resolution timer, the whole wait spins, yielding.
#include "sys/Pacing.h"

#include <cmath>

#include "sys/Clock.h"
#include "sys/PacingPlan.h"
#include "sys/win32/Windows.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace sys {
namespace {

// One timer per thread that paces requests, closed when the thread ends.
class PacingTimer {
public:
    PacingTimer()
        : m_timer(::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS)) {}
    PacingTimer(const PacingTimer&) = delete;
    PacingTimer& operator=(const PacingTimer&) = delete;
    ~PacingTimer() {
        if (m_timer != nullptr) {
            ::CloseHandle(m_timer);
        }
    }

    // Sleeps `micros` real microseconds; false when there is no timer to sleep on.
    bool SleepMicros(int64_t micros) {
        if (m_timer == nullptr) {
            return false;
        }
        LARGE_INTEGER due;
        due.QuadPart = -micros * 10; // relative, in 100 ns units
        if (!::SetWaitableTimer(m_timer, &due, 0, nullptr, nullptr, FALSE)) {
            return false;
        }
        return ::WaitForSingleObject(m_timer, INFINITE) == WAIT_OBJECT_0;
    }

private:
    HANDLE m_timer;
};

int64_t Counter() {
    LARGE_INTEGER value;
    ::QueryPerformanceCounter(&value);
    return value.QuadPart;
}

} // namespace

void PacingWait() {
    PacingWaitSince(NowMicros());
}

// The thread that wrote the request; each such thread keeps its own timer and lateness estimate.
void PacingWaitSince(int64_t programStart) {
    thread_local PacingTimer timer;
    thread_local PacingTail tail;
    const int64_t left = kPacingMicros - (NowMicros() - programStart);
    if (left <= 0) {
        return;
    }
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    const int64_t c0 = Counter();
    const double realMicros = static_cast<double>(left) / TimeScale();
    const int64_t target = c0 + static_cast<int64_t>(std::ceil(static_cast<double>(frequency.QuadPart) * realMicros / 1e6));

    const int64_t sleepMicros = static_cast<int64_t>(realMicros) - tail.TailMicros();
    const bool slept = sleepMicros > 0 && timer.SleepMicros(sleepMicros);
    if (slept) {
        const int64_t sleptMicros = (Counter() - c0) * 1000000 / frequency.QuadPart;
        tail.Observe(sleptMicros - sleepMicros);
    }
    while (Counter() < target) {
        if (!slept) {
            ::SwitchToThread();
        }
    }
    // The lower bound holds in program time, also across rounding and a factor change meanwhile.
    while (NowMicros() - programStart < kPacingMicros) {
    }
}

} // namespace sys
