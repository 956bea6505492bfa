// The message loop's waiter on the X connection: wake-ups from other threads, deadlines, and X
// events (also those Xlib has already read off the socket) ending the wait and being handled.

#include <gtest/gtest.h>

#include <thread>

#include "X11TestSupport.h"
#include "sys/Event.h"

namespace x11_testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Wakes the waiter after `after` unless cancelled: a wait that misses its cause ends anyway, and
// the elapsed time tells.
class Watchdog {
public:
    Watchdog(ui::ThreadWaiter& waiter, std::chrono::milliseconds after)
        : m_thread([this, &waiter, after] {
              if (!m_cancel.Wait(static_cast<uint32_t>(after.count()))) {
                  waiter.Wake();
              }
          }) {}
    ~Watchdog() {
        m_cancel.Set();
        m_thread.join();
    }

private:
    sys::Event m_cancel{sys::Event::ResetMode::Manual};
    std::thread m_thread;
};

void SendClose(Probe& probe, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = probe.AtomOf("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(probe.AtomOf("WM_DELETE_WINDOW"));
    XSendEvent(probe.Dpy(), window, False, NoEventMask, &event);
    probe.Sync();
}

class X11WaiterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_window.Open(ui::Rect{0, 0, 20, 20}));
        TestDisplay().Sync();
        TestDisplay().DispatchPendingEvents();
        Sink().events.clear();
    }
    size_t Closes() const { return Sink().Of(Recorded::Kind::Close).size(); }

    std::unique_ptr<ui::ThreadWaiter> m_waiter = TestDisplay().CreateWaiter();
    TopLevel m_window;
    Probe m_probe;
};

TEST_F(X11WaiterTest, WakeFromAnotherThreadEndsAnEndlessWait) {
    const auto start = Clock::now();
    std::thread waker([&] {
        std::this_thread::sleep_for(30ms);
        m_waiter->Wake();
    });
    m_waiter->Wait(ui::ThreadWaiter::TimePoint::max());
    waker.join();
    EXPECT_LT(Clock::now() - start, 2s);
}

TEST_F(X11WaiterTest, WakeBeforeTheWaitIsNotLost) {
    m_waiter->Wake();
    Watchdog watchdog(*m_waiter, 3000ms);
    const auto start = Clock::now();
    m_waiter->Wait(ui::ThreadWaiter::TimePoint::max());
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST_F(X11WaiterTest, DeadlineEndsTheWait) {
    for (auto wait : {0ms, 40ms}) {
        const auto start = Clock::now();
        m_waiter->Wait(start + wait);
        const auto took = Clock::now() - start;
        EXPECT_GE(took, wait);
        EXPECT_LT(took, wait + 1s);
    }
    const auto start = Clock::now();
    m_waiter->Wait(start - 1h); // a deadline in the past polls
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST_F(X11WaiterTest, AnXEventEndsTheWaitAndIsHandled) {
    SendClose(m_probe, m_window.NativeId());
    Watchdog watchdog(*m_waiter, 3000ms);
    const auto start = Clock::now();
    m_waiter->Wait(ui::ThreadWaiter::TimePoint::max());
    const auto took = Clock::now() - start;
    // The socket may hand the event over in parts: a few more bounded rounds are allowed.
    while (Closes() == 0 && Clock::now() - start < 4s) {
        m_waiter->Wait(Clock::now() + 100ms);
    }
    EXPECT_EQ(Closes(), 1u);
    EXPECT_LT(took, 2s) << "the event, not the watchdog, ended the wait";
}

TEST_F(X11WaiterTest, EventsXlibAlreadyReadAreHandledBeforeSleeping) {
    SendClose(m_probe, m_window.NativeId());
    // A round trip of the back-end's own reads the event into Xlib's queue: the socket is quiet.
    TestDisplay().Sync();
    Watchdog watchdog(*m_waiter, 3000ms);
    const auto start = Clock::now();
    m_waiter->Wait(ui::ThreadWaiter::TimePoint::max());
    EXPECT_EQ(Closes(), 1u);
    EXPECT_LT(Clock::now() - start, 2s);
}

TEST_F(X11WaiterTest, OtherThreadsGetAWaiterThatDoesNotTouchTheConnection) {
    const Window id = m_window.NativeId(); // asked on the display's thread
    std::thread other([&] {
        auto waiter = TestDisplay().CreateWaiter();
        waiter->Wake();
        const auto start = Clock::now();
        waiter->Wait(ui::ThreadWaiter::TimePoint::max());
        EXPECT_LT(Clock::now() - start, 1s);
        SendClose(m_probe, id);
        waiter->Wait(Clock::now() + 50ms);
    });
    other.join();
    TestDisplay().Sync();
    EXPECT_EQ(Closes(), 0u) << "only the display's thread reads X events";
    TestDisplay().DispatchPendingEvents();
    EXPECT_EQ(Closes(), 1u);
}

} // namespace
} // namespace x11_testing
