// The X connection waiter (see X11Waiter.h).
#include "ui/x11/X11Waiter.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "ui/x11/X11DisplayImpl.h"

namespace ui::x11 {
namespace {

// An owned file descriptor.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

class ConnectionWaiter final : public ThreadWaiter {
public:
    ConnectionWaiter(X11Display::Impl& display, int wakeFd) : m_display(display), m_wake(wakeFd) {}

    // Display thread.
    void Wait(TimePoint deadline) override {
        // Flush first: writing may read events off the socket into Xlib's queue. Those, and any
        // that came in with some other request's reply, never make the socket readable again, so
        // they are handled before sleeping; the last look finds both the queue and the socket empty.
        XFlush(m_display.Conn().Dpy());
        if (m_display.DispatchPending() > 0) {
            return;
        }

        pollfd fds[2] = {{m_display.Conn().Fd(), POLLIN, 0}, {m_wake.Get(), POLLIN, 0}};
        timespec timeout{};
        timespec* timeoutArg = nullptr;
        if (deadline != TimePoint::max()) {
            const auto left = deadline - std::chrono::steady_clock::now();
            // Very long waits are cut short; the caller simply looks again.
            const auto capped = std::min<std::chrono::steady_clock::duration>(
                std::max<std::chrono::steady_clock::duration>(left, std::chrono::nanoseconds(0)), std::chrono::hours(1));
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(capped).count();
            timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
            timeoutArg = &timeout;
        }
        const int ready = ppoll(fds, 2, timeoutArg, nullptr);
        if (ready <= 0) {
            return; // time-out, or a signal: the caller checks its queue either way
        }
        if ((fds[1].revents & POLLIN) != 0) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = read(m_wake.Get(), &count, sizeof count);
        }
        if (fds[0].revents != 0) {
            // A closed connection lands in Xlib's I/O error handler here, which ends the process:
            // the program cannot go on without its display.
            m_display.DispatchPending();
        }
    }

    // Any thread. The eventfd's count stays set until Wait reads it, so no wake-up is lost.
    void Wake() override {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t put = write(m_wake.Get(), &one, sizeof one);
    }

private:
    X11Display::Impl& m_display;
    Fd m_wake;
};

} // namespace

std::unique_ptr<ThreadWaiter> CreateConnectionWaiter(X11Display::Impl& display) {
    const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<ConnectionWaiter>(display, fd);
}

} // namespace ui::x11
