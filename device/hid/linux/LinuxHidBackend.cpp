// The Linux HID back-end (see LinuxHidBackend.h). Each call makes its own udev context: libudev
// objects are not shared between threads.
#include "device/hid/linux/LinuxHidBackend.h"

#include <fcntl.h>
#include <sys/eventfd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "device/hid/linux/HidrawConnection.h"
#include "device/hid/linux/HidrawDevice.h"
#include "device/hid/linux/ScopedUdev.h"
#include "device/hid/linux/UdevWatch.h"
#include "sys/Clock.h"
#include "sys/Process.h"

namespace hid::linux_hid {
namespace {

// Pause between attempts to open a node that refuses us (program ms).
constexpr uint32_t kOpenRetryPauseMs = 50;

bool IsPermissionError(int error) {
    return error == EACCES || error == EPERM;
}

// The udev device of a hidraw node path ("/dev/hidraw3" → hidraw/hidraw3).
ScopedUdevDevice DeviceOfNode(udev* context, const std::string& devnode) {
    const size_t slash = devnode.rfind('/');
    const std::string name = slash == std::string::npos ? devnode : devnode.substr(slash + 1);
    return ScopedUdevDevice(udev_device_new_from_subsystem_sysname(context, "hidraw", name.c_str()));
}

// Opens the node, retrying for `retryMs` while it refuses us or is not there yet (udev may still be
// creating it or setting its permissions). The errno of the last attempt on failure.
ScopedFd OpenNode(const std::string& devnode, uint32_t retryMs, int& error) {
    const int64_t giveUpAt = sys::NowMillis() + retryMs;
    for (;;) {
        const int fd = ::open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            return ScopedFd(fd);
        }
        error = errno;
        const bool mayRetry = IsPermissionError(error) || error == ENOENT;
        if (!mayRetry || sys::NowMillis() >= giveUpAt) {
            return ScopedFd();
        }
        sys::Sleep(kOpenRetryPauseMs);
    }
}

} // namespace

// Caller's or notification thread.
std::vector<HidInterfaceInfo> LinuxHidBackend::Enumerate() {
    std::vector<HidInterfaceInfo> present;
    ScopedUdev context(udev_new());
    if (!context) {
        return present;
    }
    ScopedUdevEnumerate enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        return present;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        ScopedUdevDevice device(udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        if (!device) {
            continue;
        }
        if (const std::optional<HidrawNode> node = DescribeHidraw(device.get())) {
            for (HidInterfaceInfo& info : InterfacesOf(*node)) {
                present.push_back(std::move(info));
            }
        }
    }
    return present;
}

// Caller's or notification thread.
HidOpenResult LinuxHidBackend::Open(const HidInterfaceInfo& interface, uint32_t retryMs) {
    // The routing facts (report ids) come from the node as it is now, not as it was listed.
    ScopedUdev context(udev_new());
    if (!context) {
        return {nullptr, HidOpenError::Failed};
    }
    ScopedUdevDevice device = DeviceOfNode(context.get(), interface.path);
    const std::optional<HidrawNode> node = device ? DescribeHidraw(device.get()) : std::nullopt;
    if (!node || interface.collection >= node->descriptor.collections.size()) {
        return {nullptr, HidOpenError::NotFound};
    }
    int error = 0;
    ScopedFd fd = OpenNode(interface.path, retryMs, error);
    if (!fd.IsValid()) {
        if (IsPermissionError(error)) {
            sys::DebugOutput("HID: no permission to open " + interface.path + " (" + std::strerror(error) + ")\n");
            return {nullptr, HidOpenError::PermissionDenied};
        }
        return {nullptr, error == ENOENT || error == ENODEV ? HidOpenError::NotFound : HidOpenError::Failed};
    }
    ScopedFd stop(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!stop.IsValid()) {
        return {nullptr, HidOpenError::Failed};
    }
    const HidCollectionInfo& collection = node->descriptor.collections[interface.collection];
    return {std::make_unique<HidrawConnection>(std::move(fd), std::move(stop), node->descriptor.usesReportIds,
                                               collection.inputReportIds),
            HidOpenError::Failed};
}

// Notification thread.
std::unique_ptr<HidWatch> LinuxHidBackend::Watch(HidEventSink& sink) {
    return UdevWatch::Start(sink);
}

} // namespace hid::linux_hid
