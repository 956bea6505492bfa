// Posted messages, quit and pumping.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "sys/Event.h"
#include "tests/ui/TestWindow.h"
#include "ui/MessageLoop.h"

namespace ui::test {
namespace {

TEST(PostTest, MessagesArriveInPostingOrderAndQuitEndsTheLoop) {
    std::vector<WPARAM> seen;
    TestWindow window([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_TEST) {
            seen.push_back(wParam);
            EXPECT_EQ(lParam, static_cast<LPARAM>(wParam) * 10);
        }
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    for (WPARAM i = 0; i < 50; ++i) {
        ASSERT_TRUE(Post(window.Handle(), WM_TEST, i, static_cast<LPARAM>(i) * 10));
    }
    PostQuit(17);
    EXPECT_EQ(RunMessageLoop(), 17);
    ASSERT_EQ(seen.size(), 50u);
    for (WPARAM i = 0; i < 50; ++i) {
        EXPECT_EQ(seen[i], i);
    }
}

TEST(PostTest, PostsFromOtherThreadsRunOnTheOwnerThreadInEachSendersOrder) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 200;
    const auto owner = std::this_thread::get_id();
    std::vector<std::vector<int>> seen(kThreads);
    int total = 0;
    bool wrongThread = false;
    TestWindow window([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg == WM_TEST) {
            wrongThread |= std::this_thread::get_id() != owner;
            seen[wParam].push_back(static_cast<int>(lParam));
            if (++total == kThreads * kPerThread) {
                PostQuit(0);
            }
        }
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                Post(window.Handle(), WM_TEST, static_cast<WPARAM>(t), i);
            }
        });
    }
    RunMessageLoop();
    for (auto& poster : posters) {
        poster.join();
    }
    EXPECT_FALSE(wrongThread);
    for (const auto& fromOne : seen) {
        ASSERT_EQ(fromOne.size(), static_cast<size_t>(kPerThread));
        for (int i = 0; i < kPerThread; ++i) {
            EXPECT_EQ(fromOne[i], i);
        }
    }
}

TEST(PostTest, PostToADestroyedWindowFailsAndNothingRuns) {
    int handled = 0;
    TestWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        handled += msg == WM_TEST ? 1 : 0;
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    const WindowHandle handle = window.Handle();
    ASSERT_TRUE(Post(handle, WM_TEST));  // queued while alive ...
    window.Destroy();                    // ... and dropped with the window
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(Post(handle, WM_TEST)); // a dead handle takes nothing
    EXPECT_FALSE(Post(WindowHandle{}, WM_TEST));
    EXPECT_TRUE(PumpPending());
    EXPECT_EQ(handled, 0);

    // A new window never gets the old handle, so the stale one stays dead.
    TestWindow next;
    ASSERT_TRUE(next.CreateHidden());
    EXPECT_NE(next.Handle(), handle);
    EXPECT_FALSE(Post(handle, WM_TEST));
}

TEST(PostTest, PostFromAnotherThreadToADeadWindowFails) {
    TestWindow window;
    ASSERT_TRUE(window.CreateHidden());
    const WindowHandle handle = window.Handle();
    window.Destroy();
    bool posted = true;
    std::thread([&] { posted = Post(handle, WM_TEST); }).join();
    EXPECT_FALSE(posted);
}

TEST(PumpTest, HandlesWhatIsQueuedAndLeavesAQuitForTheLoop) {
    int handled = 0;
    TestWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        handled += msg == WM_TEST ? 1 : 0;
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    Post(window.Handle(), WM_TEST);
    Post(window.Handle(), WM_TEST);
    EXPECT_TRUE(PumpPending());
    EXPECT_EQ(handled, 2);

    Post(window.Handle(), WM_TEST);
    PostQuit(5);
    Post(window.Handle(), WM_TEST);
    EXPECT_FALSE(PumpPending());
    EXPECT_EQ(handled, 3); // stopped at the quit
    // The quit is still there for the enclosing loop, behind the message that followed it.
    EXPECT_EQ(RunMessageLoop(), 5);
    EXPECT_EQ(handled, 4);
}

TEST(PumpTest, AWindowPostingToItselfDoesNotKeepPumpGoing) {
    int handled = 0;
    TestWindow window;
    window.SetHandler([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TEST) {
            ++handled;
            Post(window.Handle(), WM_TEST);
        }
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    Post(window.Handle(), WM_TEST);
    EXPECT_TRUE(PumpPending());
    EXPECT_EQ(handled, 1);
    EXPECT_TRUE(PumpPending());
    EXPECT_EQ(handled, 2);
    window.Destroy(); // drops the last self-post
    EXPECT_TRUE(PumpPending());
    EXPECT_EQ(handled, 2);
}

TEST(QuitTest, LoopOnAnotherThreadEndsWithItsOwnCode) {
    sys::Event created;
    WindowHandle handle;
    int code = -1;
    std::thread worker([&] {
        TestWindow window([](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            if (msg == WM_TEST_QUIT) {
                PostQuit(static_cast<int>(wParam));
            }
            return 0;
        });
        window.CreateHidden();
        handle = window.Handle();
        created.Set();
        code = RunMessageLoop();
    });
    created.Wait();
    ASSERT_TRUE(Post(handle, WM_TEST_QUIT, 9));
    worker.join();
    EXPECT_EQ(code, 9);
}

} // namespace
} // namespace ui::test
