// The request pacing wait keeps consecutive requests at least 3 ms of program time apart; the
// spun tail follows how late sleeps wake. Its upper bound and CPU use are measured by
// bench/sys/pacing_bench.
#include <vector>

#include <gtest/gtest.h>

#include "sys/Clock.h"
#include "sys/Pacing.h"
#include "sys/PacingPlan.h"

namespace {

TEST(PacingTest, ConsecutiveWaitsAreAtLeastThreeProgramMillisecondsApart) {
    for (const double factor : {1.0, 10.0, 100.0}) {
        sys::SetTimeScale(factor);
        int64_t previous = sys::NowMicros();
        for (int i = 0; i < 50; ++i) {
            sys::PacingWait();
            const int64_t now = sys::NowMicros();
            ASSERT_GE(now - previous, 3000) << "factor " << factor << ", wait " << i;
            previous = now;
        }
    }
    sys::SetTimeScale(1.0);
}

TEST(PacingTest, SpunTailFollowsTheLatenessOfSleeps) {
    using Tail = sys::PacingTail;
    const struct {
        const char* what;
        std::vector<std::pair<int64_t, int>> lateness; // (lateness, times), in order
        int64_t minTail;
        int64_t maxTail;
    } cases[] = {
        {"nothing seen yet", {}, Tail::kFloorMicros, Tail::kFloorMicros + Tail::kMarginMicros},
        {"prompt wakes sink to the floor", {{50, 500}}, Tail::kFloorMicros, Tail::kFloorMicros},
        {"early wakes count as prompt", {{-400, 500}}, Tail::kFloorMicros, Tail::kFloorMicros},
        {"steady lateness is covered", {{600, 100}}, 600 + Tail::kMarginMicros - 10, 600 + Tail::kMarginMicros},
        {"a long stall is capped", {{20000, 100}}, Tail::kCeilingMicros, Tail::kCeilingMicros},
        {"one late wake raises the tail at once", {{50, 500}, {900, 1}}, Tail::kFloorMicros + 100, Tail::kCeilingMicros},
        {"and it sinks again", {{50, 500}, {900, 1}, {50, 500}}, Tail::kFloorMicros, Tail::kFloorMicros},
    };
    for (const auto& c : cases) {
        Tail tail;
        for (const auto& [late, times] : c.lateness) {
            for (int i = 0; i < times; ++i) {
                tail.Observe(late);
            }
        }
        EXPECT_GE(tail.TailMicros(), c.minTail) << c.what;
        EXPECT_LE(tail.TailMicros(), c.maxTail) << c.what;
    }
}

} // namespace
