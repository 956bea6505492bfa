// Events: manual versus auto reset, time limits, wake-ups from other threads.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "sys/Clock.h"
#include "sys/Event.h"

namespace {

using Mode = sys::Event::ResetMode;

class EventTest : public testing::Test {
protected:
    void SetUp() override { sys::SetTimeScale(10.0); }
    void TearDown() override { sys::SetTimeScale(1.0); }
};

TEST_F(EventTest, StateAfterConstructionAndWait) {
    const struct {
        Mode mode;
        bool initiallySet;
        bool firstWait;
        bool secondWait; // an auto-reset event is cleared by the wait that took it
    } cases[] = {
        {Mode::Manual, false, false, false},
        {Mode::Manual, true, true, true},
        {Mode::Auto, false, false, false},
        {Mode::Auto, true, true, false},
    };
    for (const auto& c : cases) {
        sys::Event event(c.mode, c.initiallySet);
        EXPECT_EQ(event.IsSet(), c.initiallySet);
        EXPECT_EQ(event.Wait(0), c.firstWait) << "initially " << c.initiallySet;
        EXPECT_EQ(event.Wait(0), c.secondWait) << "initially " << c.initiallySet;
    }
}

TEST_F(EventTest, SettingASetAutoEventAddsNothing) {
    sys::Event event(Mode::Auto);
    event.Set();
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST_F(EventTest, ResetClearsAManualEvent) {
    sys::Event event(Mode::Manual);
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    event.Reset();
    EXPECT_FALSE(event.IsSet());
    EXPECT_FALSE(event.Wait(0));
}

TEST_F(EventTest, WaitTimesOutAfterItsProgramTime) {
    sys::Event event;
    const int64_t start = sys::NowMicros();
    EXPECT_FALSE(event.Wait(300));
    EXPECT_GE(sys::NowMicros() - start, 300 * 1000);
}

TEST_F(EventTest, SetFromAnotherThreadWakesAWaiter) {
    for (const Mode mode : {Mode::Manual, Mode::Auto}) {
        sys::Event event(mode);
        std::thread setter([&event] {
            sys::Sleep(100);
            event.Set();
        });
        const int64_t start = sys::NowMicros();
        EXPECT_TRUE(event.Wait(60000));
        EXPECT_LT(sys::NowMicros() - start, 30000 * 1000) << "woken by the time limit, not by Set";
        setter.join();
    }
}

// Counts how many of `waiters` threads return from Wait after one Set.
int ReleasedBySet(sys::Event& event, int waiters, std::atomic<int>& released, std::vector<std::thread>& threads) {
    for (int i = 0; i < waiters; ++i) {
        threads.emplace_back([&event, &released] {
            if (event.Wait(100000)) {
                ++released;
            }
        });
    }
    sys::Sleep(500); // let every waiter block
    event.Set();
    sys::Sleep(1000); // let the released ones run
    return released.load();
}

TEST_F(EventTest, AutoResetReleasesOneWaiterPerSet) {
    sys::Event event(Mode::Auto);
    std::atomic<int> released{0};
    std::vector<std::thread> threads;
    EXPECT_EQ(ReleasedBySet(event, 3, released, threads), 1);
    EXPECT_FALSE(event.IsSet());
    event.Set();
    sys::Sleep(1000);
    EXPECT_EQ(released.load(), 2);
    event.Set();
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(released.load(), 3);
}

TEST_F(EventTest, ManualResetReleasesEveryWaiterAndStaysSet) {
    sys::Event event(Mode::Manual);
    std::atomic<int> released{0};
    std::vector<std::thread> threads;
    EXPECT_EQ(ReleasedBySet(event, 3, released, threads), 3);
    EXPECT_TRUE(event.IsSet());
    for (std::thread& thread : threads) {
        thread.join();
    }
}

} // namespace
