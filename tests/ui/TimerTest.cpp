// Timers: repetition, kill, restart, destroyed windows, and not being starved by posts.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sys/Clock.h"
#include "tests/ui/LoopThread.h"
#include "tests/ui/TestWindow.h"
#include "ui/MessageLoop.h"

namespace ui::test {
namespace {

// Program time runs 50x: a 100 ms timer ticks every 2 ms of real time.
class TimerTest : public ::testing::Test {
protected:
    void SetUp() override { sys::SetTimeScale(50); }
    void TearDown() override { sys::SetTimeScale(1); }
};

constexpr uintptr_t kGuard = 99; // ends the loop

TEST_F(TimerTest, RepeatsWithItsIdUntilKilled) {
    int ticks = 0;
    bool badParams = false;
    TestWindow window;
    window.SetHandler([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != WM_TIMER) {
            return 0;
        }
        if (wParam == kGuard) {
            PostQuit(0);
            return 0;
        }
        badParams |= wParam != 7 || lParam != 0;
        if (++ticks == 3) {
            EXPECT_TRUE(KillTimer(window.Handle(), 7));
            // Long enough for several more ticks, had the kill not taken.
            SetTimer(window.Handle(), kGuard, 1000);
        }
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    ASSERT_TRUE(SetTimer(window.Handle(), 7, 100));
    RunMessageLoop();
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(badParams);
    EXPECT_FALSE(KillTimer(window.Handle(), 7)); // already gone
}

TEST_F(TimerTest, AKilledTimerNeverFiresAndOthersKeepGoing) {
    std::vector<WPARAM> fired;
    TestWindow window;
    window.SetHandler([&](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
        if (msg == WM_TIMER) {
            fired.push_back(wParam);
            if (fired.size() == 3) {
                PostQuit(0);
            }
        }
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    ASSERT_TRUE(SetTimer(window.Handle(), 1, 50));
    ASSERT_TRUE(SetTimer(window.Handle(), 2, 200));
    EXPECT_TRUE(KillTimer(window.Handle(), 1));
    EXPECT_FALSE(KillTimer(window.Handle(), 1));
    EXPECT_FALSE(KillTimer(window.Handle(), 3)); // never set
    RunMessageLoop();
    EXPECT_EQ(fired, (std::vector<WPARAM>{2, 2, 2}));
}

TEST_F(TimerTest, SettingAnExistingIdRestartsItWithTheNewPeriod) {
    struct Case {
        const char* name;
        uint32_t firstMs;
        uint32_t secondMs;
        bool firesBeforeGuard;
    };
    const Case cases[] = {
        {"long then short", 1000000, 50, true},
        {"short then long", 50, 1000000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int ticks = 0;
        TestWindow window;
        window.SetHandler([&](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            if (msg == WM_TIMER) {
                if (wParam == kGuard) {
                    PostQuit(0);
                } else {
                    ++ticks;
                }
            }
            return 0;
        });
        ASSERT_TRUE(window.CreateHidden());
        ASSERT_TRUE(SetTimer(window.Handle(), 4, c.firstMs));
        ASSERT_TRUE(SetTimer(window.Handle(), 4, c.secondMs));
        ASSERT_TRUE(SetTimer(window.Handle(), kGuard, 1000));
        RunMessageLoop();
        if (c.firesBeforeGuard) {
            EXPECT_GE(ticks, 2);
        } else {
            EXPECT_EQ(ticks, 0);
        }
    }
}

TEST_F(TimerTest, TimersOfADestroyedWindowVanish) {
    int doomedTicks = 0;
    TestWindow doomed([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        doomedTicks += msg == WM_TIMER ? 1 : 0;
        return 0;
    });
    TestWindow guard([](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TIMER) {
            PostQuit(0);
        }
        return 0;
    });
    ASSERT_TRUE(doomed.CreateHidden());
    ASSERT_TRUE(guard.CreateHidden());
    const WindowHandle handle = doomed.Handle();
    ASSERT_TRUE(SetTimer(handle, 1, 50));
    doomed.Destroy();
    EXPECT_FALSE(KillTimer(handle, 1));
    EXPECT_FALSE(SetTimer(handle, 1, 50));
    ASSERT_TRUE(SetTimer(guard.Handle(), 1, 500));
    RunMessageLoop();
    EXPECT_EQ(doomedTicks, 0);
}

// Timers rank below posted messages, but a window that keeps posting to itself must not stop them.
TEST_F(TimerTest, AFloodOfPostsDoesNotStarveATimer) {
    constexpr int kGiveUp = 200000;
    int posts = 0;
    bool timerFired = false;
    TestWindow window;
    window.SetHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TEST) {
            if (++posts < kGiveUp && !timerFired) {
                Post(window.Handle(), WM_TEST);
            } else if (!timerFired) {
                PostQuit(1);
            }
        } else if (msg == WM_TIMER) {
            timerFired = true;
            PostQuit(0);
        }
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    ASSERT_TRUE(SetTimer(window.Handle(), 1, 50));
    Post(window.Handle(), WM_TEST);
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_TRUE(timerFired);
    EXPECT_GT(posts, 0);
}

TEST_F(TimerTest, TimerSetFromAnotherThreadTicksOnTheOwnerThread) {
    std::atomic<int> ticks{0};
    std::atomic<bool> wrongThread{false};
    std::thread::id ownerId;
    std::atomic<bool> ownerKnown{false};
    LoopThread owner([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TIMER && ownerKnown) {
            wrongThread = wrongThread || std::this_thread::get_id() != ownerId;
            ++ticks;
        }
        return 0;
    });
    ownerId = owner.Id();
    ownerKnown = true;
    ASSERT_TRUE(SetTimer(owner.Handle(), 5, 50));
    while (ticks.load() < 3) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(KillTimer(owner.Handle(), 5));
    owner.Stop();
    EXPECT_FALSE(wrongThread);
}

} // namespace
} // namespace ui::test
