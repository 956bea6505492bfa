// The message waiter: wake-ups from any thread, deadlines, native messages dispatched while the
// loop waits, a native quit ending the framework's loop, and the framework's queue served while a
// native modal loop runs.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "sys/Event.h"
#include "tests/ui/win32/Win32TestSupport.h"
#include "ui/win32/Win32Waiter.h"

// After our own headers.
#include "ui/win32/Win32Headers.h"

namespace ui::win32::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr UINT kProbeMessage = WM_APP + 7;
constexpr wchar_t kProbeClass[] = L"KestrelWaiterProbe";

// A native message-only window of the calling thread that counts kProbeMessage.
class ProbeWindow {
public:
    ProbeWindow() {
        static const bool registered = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = &Procedure;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = kProbeClass;
            return RegisterClassExW(&wc) != 0;
        }();
        if (registered) {
            m_hwnd = CreateWindowExW(0, kProbeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
            SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_count));
        }
    }
    ~ProbeWindow() {
        if (m_hwnd != nullptr) {
            DestroyWindow(m_hwnd);
        }
    }
    HWND Hwnd() const { return m_hwnd; }
    int Count() const { return m_count.load(); }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == kProbeMessage) {
            if (auto* count = reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
                ++*count;
            }
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    HWND m_hwnd = nullptr;
    std::atomic<int> m_count{0};
};

// Runs `body(waiter)` on a thread of its own with a waiter made there, as the loop makes one.
template <typename Body>
void OnWaiterThread(Body body) {
    std::thread thread([&] {
        auto waiter = Display().CreateWaiter();
        ASSERT_NE(waiter, nullptr);
        body(*waiter);
    });
    thread.join();
}

TEST(Win32WaiterTest, WakeUpsAreNeverLostAndEndTheWait) {
    OnWaiterThread([](ThreadWaiter& waiter) {
        // Given before the wait.
        waiter.Wake();
        auto start = Clock::now();
        waiter.Wait(start + milliseconds(5000));
        EXPECT_LT(Clock::now() - start, milliseconds(2000));

        // Given from another thread while it waits.
        start = Clock::now();
        std::thread waker([&] {
            std::this_thread::sleep_for(milliseconds(30));
            waiter.Wake();
        });
        waiter.Wait(start + milliseconds(5000));
        waker.join();
        const auto waited = Clock::now() - start;
        EXPECT_GE(waited, milliseconds(25));
        EXPECT_LT(waited, milliseconds(2000));
    });
}

TEST(Win32WaiterTest, DeadlinesEndTheWaitNotBefore) {
    OnWaiterThread([](ThreadWaiter& waiter) {
        const auto start = Clock::now();
        waiter.Wait(start + milliseconds(40));
        const auto waited = Clock::now() - start;
        EXPECT_GE(waited, milliseconds(35)); // the wait clock's granularity aside
        EXPECT_LT(waited, milliseconds(2000));

        const auto pollStart = Clock::now();
        waiter.Wait(Clock::time_point::min());
        EXPECT_LT(Clock::now() - pollStart, milliseconds(500)) << "a deadline in the past polls";
    });
}

TEST(Win32WaiterTest, NativeMessagesArrivingDuringTheWaitAreDispatched) {
    OnWaiterThread([](ThreadWaiter& waiter) {
        ProbeWindow probe;
        ASSERT_NE(probe.Hwnd(), nullptr);
        // Posted before: a poll dispatches it.
        ASSERT_TRUE(PostMessageW(probe.Hwnd(), kProbeMessage, 0, 0));
        waiter.Wait(Clock::time_point::min());
        EXPECT_EQ(probe.Count(), 1);

        // Posted from another thread while it sleeps: the wait ends and dispatches it.
        const auto start = Clock::now();
        std::thread poster([&] {
            std::this_thread::sleep_for(milliseconds(30));
            PostMessageW(probe.Hwnd(), kProbeMessage, 0, 0);
        });
        waiter.Wait(start + milliseconds(5000));
        poster.join();
        EXPECT_LT(Clock::now() - start, milliseconds(2000));
        EXPECT_EQ(probe.Count(), 2);
    });
}

TEST(Win32WaiterTest, NativeQuitEndsTheFrameworkLoopWithItsCode) {
    TestWindow guard([](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TIMER) {
            PostQuit(99); // the native quit never arrived
        }
        return 0;
    });
    ASSERT_TRUE(guard.CreateHidden());
    ASSERT_TRUE(SetTimer(guard.Handle(), 1, 3000));
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 3, 0));
    EXPECT_EQ(RunMessageLoop(), 3);
    KillTimer(guard.Handle(), 1);
}

TEST(Win32WaiterTest, FrameworkQueueIsServedInsideANativeModalLoop) {
    // A native modal loop of our own: a message box's, ended from inside once the framework's
    // timer has fired, a post has arrived and another thread's send has been answered. A guard
    // thread ends the box should that never happen.
    constexpr wchar_t kCaption[] = L"Kestrel modal loop probe";
    int ticks = 0;
    int posts = 0;
    std::atomic<LRESULT> sendResult{0};
    sys::Event answered(sys::Event::Reset::Manual);
    sys::Event ended(sys::Event::Reset::Manual);
    std::atomic<bool> rescued{false};

    const auto closeBox = [&] {
        if (HWND box = FindWindowW(L"#32770", kCaption)) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            return true;
        }
        return false;
    };
    TestWindow window([&](UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == ui::test::WM_TEST) {
            ++posts;
            return 42;
        }
        if (msg == WM_TIMER) {
            ++ticks;
            if (ticks >= 3 && posts >= 1 && answered.IsSet() && !ended.IsSet()) {
                if (closeBox()) {
                    ended.Set();
                }
            }
        }
        return 0;
    });
    ASSERT_TRUE(window.CreateHidden());
    ASSERT_TRUE(SetTimer(window.Handle(), 1, 20));

    std::thread sender([&] {
        std::this_thread::sleep_for(milliseconds(100)); // the box is up by now
        sendResult = Send(window.Handle(), ui::test::WM_TEST);
        answered.Set();
    });
    std::thread guard([&] {
        if (!ended.Wait(10000)) {
            rescued = true;
            while (!closeBox()) {
                std::this_thread::sleep_for(milliseconds(50));
            }
        }
    });
    {
        CNativeModalScope modal;
        Post(window.Handle(), ui::test::WM_TEST);
        MessageBoxW(nullptr, L"The framework keeps running.", kCaption, MB_OK);
    }
    ended.Set();
    // Should the box's loop not have served it, the send is answered here, so the threads end.
    PumpUntil([&] { return answered.IsSet(); });
    sender.join();
    guard.join();
    KillTimer(window.Handle(), 1);

    EXPECT_FALSE(rescued.load()) << "the box had to be closed from outside";
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(sendResult.load(), 42);
    EXPECT_EQ(posts, 2);
    EXPECT_TRUE(answered.IsSet());
}

} // namespace
} // namespace ui::win32::test
