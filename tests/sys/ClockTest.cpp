// The clock seam: scaled sleeps, program time continuous across factor changes, factor limits.
#include <chrono>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "sys/Clock.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

class ClockTest : public testing::Test {
protected:
    void TearDown() override { sys::SetTimeScale(1.0); }
};

TEST_F(ClockTest, SleepRunsInScaledRealTime) {
    sys::SetTimeScale(100.0);
    const int64_t programStart = sys::NowMicros();
    const auto realStart = steady_clock::now();
    sys::Sleep(2000);
    const auto real = steady_clock::now() - realStart;
    EXPECT_GE(sys::NowMicros() - programStart, 2000 * 1000);
    EXPECT_GE(real, milliseconds(20));
    // Unscaled it would take 2 s; a loaded machine may stretch 20 ms, but not by that much.
    EXPECT_LT(real, milliseconds(1000));
}

TEST_F(ClockTest, ProgramTimeIsContinuousAcrossFactorChanges) {
    int64_t previous = sys::NowMicros();
    for (const double factor : {50.0, 1.0, 1000.0, 1.0}) {
        sys::SetTimeScale(factor);
        const int64_t now = sys::NowMicros();
        EXPECT_GE(now, previous) << "factor " << factor;
        // No jump: a restart from zero or a rescaled past would move program time by far more.
        EXPECT_LT(now - previous, 50 * 1000) << "factor " << factor;
        sys::Sleep(10);
        previous = sys::NowMicros();
    }
}

TEST_F(ClockTest, FactorBelowOneOrInvalidIsTakenAsOne) {
    const struct {
        double requested;
        double expected;
    } cases[] = {
        {10.0, 10.0}, {1.0, 1.0}, {0.5, 1.0}, {0.0, 1.0}, {-3.0, 1.0}, {std::nan(""), 1.0},
    };
    for (const auto& c : cases) {
        sys::SetTimeScale(c.requested);
        EXPECT_EQ(sys::TimeScale(), c.expected) << "requested " << c.requested;
    }
}

TEST_F(ClockTest, RealDurationAndDeadlineFollowTheFactor) {
    sys::SetTimeScale(10.0);
    EXPECT_EQ(std::chrono::duration_cast<milliseconds>(sys::RealDuration(1000)), milliseconds(100));
    EXPECT_EQ(sys::RealDuration(0), steady_clock::duration::zero());
    EXPECT_EQ(sys::RealDuration(sys::kInfinite), steady_clock::duration::max());
    EXPECT_EQ(sys::RealDeadline(sys::kInfinite), steady_clock::time_point::max());

    const auto before = steady_clock::now();
    const auto deadline = sys::RealDeadline(5000);
    EXPECT_GE(deadline - before, milliseconds(500));
    EXPECT_LE(deadline - steady_clock::now(), milliseconds(500));
}

} // namespace
