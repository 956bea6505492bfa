// The request pacing wait keeps consecutive requests at least 3 ms of program time apart. Its
// upper bound and CPU use are measured by bench/sys/pacing_bench.
#include <gtest/gtest.h>

#include "sys/Clock.h"
#include "sys/Pacing.h"

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

} // namespace
