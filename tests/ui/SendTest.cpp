// Sent messages: direct calls on the owner thread, blocking sends across threads, sends in both
// directions at once, and senders whose target goes away.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "sys/Event.h"
#include "tests/ui/LoopThread.h"
#include "tests/ui/TestWindow.h"
#include "ui/MessageLoop.h"

namespace ui::test {
namespace {

using namespace std::chrono_literals;

// Long enough for a sender to have queued its message in practice; the checks hold either way.
constexpr auto kLetSenderQueue = 30ms;

TEST(SendTest, SameThreadSendIsADirectCallAheadOfQueuedPosts) {
    std::vector<UINT> order;
    TestWindow window([&](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
        order.push_back(msg);
        return msg == WM_TEST ? static_cast<LRESULT>(wParam) + 1 : 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    order.clear(); // WM_CREATE
    Post(window.Handle(), WM_TEST_QUIT);
    EXPECT_EQ(Send(window.Handle(), WM_TEST, 41), 42);
    ASSERT_EQ(order.size(), 1u);
    EXPECT_EQ(order[0], WM_TEST);
}

TEST(SendTest, CrossThreadSendWaitsForTheOwnersResult) {
    std::atomic<bool> onOwner{true};
    std::thread::id ownerId;
    LoopThread owner([&](UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != WM_TEST) {
            return 0;
        }
        if (std::this_thread::get_id() == ownerId) {
            return static_cast<LRESULT>(wParam) * 1000 + lParam;
        }
        onOwner = false;
        return -1;
    });
    ownerId = owner.Id();
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(Send(owner.Handle(), WM_TEST, static_cast<WPARAM>(i), 7), i * 1000 + 7);
    }
    EXPECT_TRUE(onOwner);
}

TEST(SendTest, SendToADeadHandleReturnsZeroAtOnce) {
    TestWindow window([](UINT, WPARAM, LPARAM) -> LRESULT { return 5; });
    ASSERT_TRUE(window.CreateHidden());
    const WindowHandle handle = window.Handle();
    window.Destroy();
    EXPECT_EQ(Send(handle, WM_TEST), 0);
    LRESULT fromOther = -1;
    std::thread([&] { fromOther = Send(handle, WM_TEST); }).join();
    EXPECT_EQ(fromOther, 0);
}

// A handles B's send while A itself waits in a send to B.
TEST(SendTest, ReplyingSendDuringASendDoesNotDeadlock) {
    TestWindow mine([](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
        return msg == WM_TEST ? static_cast<LRESULT>(wParam) * 2 : 0;
    });
    ASSERT_TRUE(mine.CreateHidden());
    const WindowHandle back = mine.Handle();
    LoopThread other([back](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
        return msg == WM_TEST ? Send(back, WM_TEST, wParam) + 1 : 0;
    });
    EXPECT_EQ(Send(other.Handle(), WM_TEST, 20), 41);
}

TEST(SendTest, TwoThreadsSendingToEachOtherAtTheSameTimeBothFinish) {
    constexpr int kRounds = 300;
    struct Side {
        std::thread thread;
        WindowHandle handle;
        std::vector<LRESULT> results;
    };
    Side sides[2];
    sys::Event created[2];
    std::atomic<int> finished{0};
    for (int s = 0; s < 2; ++s) {
        sides[s].thread = std::thread([&, s] {
            TestWindow window([s](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
                if (msg == WM_TEST_QUIT) {
                    PostQuit(0);
                }
                return msg == WM_TEST ? static_cast<LRESULT>(wParam) * 10 + s : 0;
            });
            window.CreateHidden();
            sides[s].handle = window.Handle();
            created[s].Set();
            created[1 - s].Wait();
            const WindowHandle peer = sides[1 - s].handle;
            for (int i = 0; i < kRounds; ++i) {
                sides[s].results.push_back(Send(peer, WM_TEST, static_cast<WPARAM>(i)));
            }
            ++finished;
            // Keep answering the peer until it is done too, then stop.
            RunMessageLoop();
        });
    }
    while (finished.load() < 2) {
        std::this_thread::sleep_for(1ms);
    }
    for (auto& side : sides) {
        Post(side.handle, WM_TEST_QUIT);
    }
    for (int s = 0; s < 2; ++s) {
        sides[s].thread.join();
        ASSERT_EQ(sides[s].results.size(), static_cast<size_t>(kRounds));
        for (int i = 0; i < kRounds; ++i) {
            EXPECT_EQ(sides[s].results[i], i * 10 + (1 - s));
        }
    }
}

TEST(SendTest, SenderHandlesOnlySentMessagesWhileWaiting) {
    int postedSeen = 0;
    TestWindow mine([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        postedSeen += msg == WM_TEST ? 1 : 0;
        return 0;
    });
    ASSERT_TRUE(mine.CreateHidden());
    const WindowHandle back = mine.Handle();
    LoopThread other([back](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TEST) {
            Post(back, WM_TEST);                 // waits for the sender's loop
            return Send(back, WM_NULL) + 3;      // answered by the waiting sender
        }
        return 0;
    });
    EXPECT_EQ(Send(other.Handle(), WM_TEST), 3);
    EXPECT_EQ(postedSeen, 0);
    EXPECT_TRUE(PumpPending());
    EXPECT_EQ(postedSeen, 1);
}

// The owner of the target is busy (not pumping); the target dies while the message is queued.
TEST(SendTest, SendToAWindowDestroyedWhileTheSenderWaitsReturnsZero) {
    sys::Event created;
    sys::Event senderStarted;
    std::atomic<int> handled{0};
    WindowHandle target;
    std::thread owner([&] {
        TestWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
            handled += msg == WM_TEST ? 1 : 0;
            return 99;
        });
        window.CreateHidden();
        target = window.Handle();
        created.Set();
        senderStarted.Wait();
        std::this_thread::sleep_for(kLetSenderQueue);
        window.Destroy();
        PumpPending(); // nothing for the dead window may run afterwards
    });
    created.Wait();
    std::thread sender([&] {
        senderStarted.Set();
        EXPECT_EQ(Send(target, WM_TEST), 0);
    });
    sender.join();
    owner.join();
    EXPECT_EQ(handled.load(), 0);
}

// What is sent before the owner runs its loop is handled once it does.
TEST(SendTest, SendBeforeTheOwnerRunsItsLoopIsHandledWhenItDoes) {
    sys::Event created;
    sys::Event senderStarted;
    WindowHandle target;
    std::thread owner([&] {
        TestWindow window([](UINT msg, WPARAM wParam, LPARAM) -> LRESULT {
            if (msg == WM_TEST_QUIT) {
                PostQuit(0);
            }
            return msg == WM_TEST ? static_cast<LRESULT>(wParam) + 100 : 0;
        });
        window.CreateHidden();
        target = window.Handle();
        created.Set();
        senderStarted.Wait();
        std::this_thread::sleep_for(kLetSenderQueue);
        RunMessageLoop();
    });
    created.Wait();
    LRESULT result = 0;
    std::thread sender([&] {
        senderStarted.Set();
        result = Send(target, WM_TEST, 5);
        Post(target, WM_TEST_QUIT);
    });
    sender.join();
    owner.join();
    EXPECT_EQ(result, 105);
}

// Sends still waiting when the owner stops taking messages for good are answered with 0: the
// thread ends with its window still registered, or its loop has ended and the window is then
// destroyed.
TEST(SendTest, PendingSendsCompleteWhenTheOwnerStops) {
    enum class Stop { ThreadEnds, DestroyAfterLoop };
    for (Stop stop : {Stop::ThreadEnds, Stop::DestroyAfterLoop}) {
        SCOPED_TRACE(stop == Stop::ThreadEnds ? "thread ends" : "destroy after loop");
        sys::Event created;
        sys::Event senderStarted;
        std::atomic<int> handled{0};
        WindowHandle target;
        auto window = std::make_unique<TestWindow>([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
            handled += msg == WM_TEST ? 1 : 0;
            return 1;
        });
        std::thread owner([&] {
            window->CreateHidden();
            target = window->Handle();
            PostQuit(0);
            RunMessageLoop(); // ends before anything is sent
            created.Set();
            senderStarted.Wait();
            std::this_thread::sleep_for(kLetSenderQueue);
            if (stop == Stop::DestroyAfterLoop) {
                window->Destroy();
            }
        });
        created.Wait();
        LRESULT result = -1;
        std::thread sender([&] {
            senderStarted.Set();
            result = Send(target, WM_TEST);
        });
        sender.join();
        owner.join();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(handled.load(), 0);
        EXPECT_FALSE(Post(target, WM_TEST)); // nobody will ever take it
        window.reset(); // ThreadEnds: its owner is gone, so it is only unregistered
        EXPECT_EQ(handled.load(), 0);
    }
}

} // namespace
} // namespace ui::test
