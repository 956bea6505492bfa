// The hidraw hotplug watch (see UdevWatch.h).
#include "device/hid/linux/UdevWatch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "device/hid/linux/HidrawDevice.h"

namespace hid::linux_hid {
namespace {

// Where a running udev daemon can be reached; without one, udev-source monitors hear nothing.
bool UdevDaemonRuns() {
    return ::access("/run/udev/control", F_OK) == 0;
}

} // namespace

std::unique_ptr<UdevWatch> UdevWatch::Start(HidEventSink& sink) {
    ScopedUdev context(udev_new());
    if (!context) {
        return nullptr;
    }
    ScopedUdevMonitor monitor(udev_monitor_new_from_netlink(context.get(), UdevDaemonRuns() ? "udev" : "kernel"));
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0) {
        return nullptr;
    }
    ScopedFd stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stop.IsValid()) {
        return nullptr;
    }
    std::unique_ptr<UdevWatch> watch(new UdevWatch(sink, std::move(context), std::move(monitor), std::move(stop)));
    try {
        watch->m_thread = std::thread([raw = watch.get()] { raw->Run(); });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return watch;
}

UdevWatch::UdevWatch(HidEventSink& sink, ScopedUdev context, ScopedUdevMonitor monitor, ScopedFd stop)
    : m_sink(sink), m_context(std::move(context)), m_monitor(std::move(monitor)), m_stop(std::move(stop)) {}

UdevWatch::~UdevWatch() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(m_stop.Get(), &one, sizeof one);
        m_thread.join();
    }
}

void UdevWatch::Run() {
    const int monitorFd = udev_monitor_get_fd(m_monitor.get());
    for (;;) {
        pollfd fds[2] = {{monitorFd, POLLIN, 0}, {m_stop.Get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            if ((fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
                return;  // the monitor socket is broken; nothing more will come
            }
            continue;
        }
        ScopedUdevDevice device(udev_monitor_receive_device(m_monitor.get()));
        if (device) {
            HandleEvent(device.get());
        }
    }
}

void UdevWatch::HandleEvent(udev_device* device) {
    const char* action = udev_device_get_action(device);
    if (action == nullptr) {
        return;
    }
    if (std::strcmp(action, "add") == 0) {
        if (const std::optional<HidrawNode> node = DescribeHidraw(device)) {
            m_sink.OnArrival(InterfacesOf(*node));
        }
        return;
    }
    if (std::strcmp(action, "remove") == 0) {
        if (const char* devnode = udev_device_get_devnode(device)) {
            m_sink.OnRemoval(devnode);
        }
    }
}

} // namespace hid::linux_hid
