// Internal to sys: the estimate of how late a sleep wakes, shared by the platform files of the
// request pacing wait.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "sys/Pacing.h"

namespace sys {

// How much of the wait is spun instead of slept. A sleep wakes late by the timer's and the
// scheduler's latency (about 0.1 ms on an idle Linux, about 1 ms for wine's timers), so the tail
// follows the lateness seen so far: it rises fast after a late wake and sinks slowly, and stays
// between a floor and a ceiling so that neither a lucky run nor one stall under load decides the
// CPU cost of the following waits.
class PacingTail {
public:
    static constexpr int64_t kFloorMicros = 300;
    static constexpr int64_t kCeilingMicros = 1000;
    static constexpr int64_t kMarginMicros = 150;

    // The real time to spin at the end of a wait.
    int64_t TailMicros() const { return std::clamp(m_lateMicros + kMarginMicros, kFloorMicros, kCeilingMicros); }

    // Feeds how late (real microseconds, negative when early) the last sleep woke.
    void Observe(int64_t lateMicros) {
        lateMicros = std::clamp<int64_t>(lateMicros, 0, kCeilingMicros);
        if (lateMicros > m_lateMicros) {
            m_lateMicros += (lateMicros - m_lateMicros + 3) / 4;
        } else {
            m_lateMicros -= (m_lateMicros - lateMicros) / 64;
        }
    }

private:
    int64_t m_lateMicros = kFloorMicros;
};

} // namespace sys
