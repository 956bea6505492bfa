// Reading and writing a hidraw node (see HidrawConnection.h).
#include "device/hid/linux/HidrawConnection.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "sys/Clock.h"

namespace hid::linux_hid {
namespace {

bool IsGoneError(int error) {
    return error == ENODEV || error == EIO || error == ENXIO;
}

// Milliseconds until `deadline` for poll, rounded up so a short wait does not spin.
int PollTimeout(std::chrono::steady_clock::time_point deadline) {
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
        return 0;
    }
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<int64_t>(ms, 60'000));
}

} // namespace

HidrawConnection::HidrawConnection(ScopedFd node, ScopedFd stop, bool usesReportIds, std::vector<uint8_t> inputReportIds)
    : m_node(std::move(node)), m_stop(std::move(stop)), m_usesReportIds(usesReportIds),
      m_inputReportIds(std::move(inputReportIds)) {}

bool HidrawConnection::IsOurs(uint8_t reportId) const {
    return std::find(m_inputReportIds.begin(), m_inputReportIds.end(), reportId) != m_inputReportIds.end();
}

// The device's read thread.
HidReadResult HidrawConnection::Read(std::span<uint8_t> buffer, uint32_t timeoutMs) {
    if (buffer.empty()) {
        return {HidReadStatus::Failed, 0};
    }
    const auto deadline = sys::RealDeadline(timeoutMs);
    for (;;) {
        pollfd fds[2] = {{m_node.Get(), POLLIN, 0}, {m_stop.Get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, PollTimeout(deadline));
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {HidReadStatus::Failed, 0};
        }
        if (fds[1].revents != 0) {
            return {HidReadStatus::Cancelled, 0};
        }
        if (ready == 0) {
            return {HidReadStatus::TimedOut, 0};
        }
        if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (fds[0].revents & POLLIN) == 0) {
            return {HidReadStatus::Gone, 0};
        }
        // Without report ids the report goes in after a 0 byte that stands for the id.
        const size_t skip = m_usesReportIds ? 0 : 1;
        std::span<uint8_t> target = buffer.subspan(skip);
        const ssize_t got = ::read(m_node.Get(), target.data(), target.size());
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                continue;
            }
            return {IsGoneError(errno) ? HidReadStatus::Gone : HidReadStatus::Failed, 0};
        }
        if (got == 0) {
            if (target.empty()) {
                return {HidReadStatus::Failed, 0};
            }
            continue;
        }
        if (m_usesReportIds) {
            if (!IsOurs(buffer[0])) {
                continue;  // a report of another collection of the same node
            }
        } else {
            buffer[0] = 0;
        }
        return {HidReadStatus::Report, static_cast<size_t>(got) + skip};
    }
}

// Any one thread at a time.
bool HidrawConnection::Write(std::span<const uint8_t> report) {
    for (;;) {
        const ssize_t written = ::write(m_node.Get(), report.data(), report.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        return written == static_cast<ssize_t>(report.size());
    }
}

// Any thread.
void HidrawConnection::Cancel() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(m_stop.Get(), &one, sizeof one);
}

} // namespace hid::linux_hid
