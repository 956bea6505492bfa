// RAII holders for libudev objects and file descriptors.
#pragma once

#include <libudev.h>
#include <unistd.h>

#include <memory>

namespace hid::linux_hid {

struct UdevDeleter {
    void operator()(udev* p) const { udev_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};

using ScopedUdev = std::unique_ptr<udev, UdevDeleter>;
using ScopedUdevDevice = std::unique_ptr<udev_device, UdevDeleter>;
using ScopedUdevEnumerate = std::unique_ptr<udev_enumerate, UdevDeleter>;
using ScopedUdevMonitor = std::unique_ptr<udev_monitor, UdevDeleter>;

// Owns one file descriptor.
class ScopedFd {
public:
    ScopedFd() = default;
    explicit ScopedFd(int fd) : m_fd(fd) {}
    ~ScopedFd() { Reset(); }
    ScopedFd(ScopedFd&& other) noexcept : m_fd(other.Release()) {}
    ScopedFd& operator=(ScopedFd&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    ScopedFd(const ScopedFd&) = delete;
    ScopedFd& operator=(const ScopedFd&) = delete;

    int Get() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

} // namespace hid::linux_hid
