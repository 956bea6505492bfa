// Hotplug of hidraw nodes: a udev monitor (the udev source, or the kernel source where no udev
// daemon runs) watched by a thread of its own, which tells the sink of every node that appears or
// goes. The watch is started and ended by the slot's notification thread.
#pragma once

#include <memory>
#include <thread>

#include "device/hid/HidBackend.h"
#include "device/hid/linux/ScopedUdev.h"

namespace hid::linux_hid {

class UdevWatch final : public HidWatch {
public:
    // nullptr when the monitor cannot be set up.
    static std::unique_ptr<UdevWatch> Start(HidEventSink& sink);
    // Wakes the monitor thread and waits for it: no sink call runs after this.
    ~UdevWatch() override;

private:
    UdevWatch(HidEventSink& sink, ScopedUdev context, ScopedUdevMonitor monitor, ScopedFd stop);
    void Run();  // the monitor thread
    void HandleEvent(udev_device* device);

    HidEventSink& m_sink;
    ScopedUdev m_context;  // used by the monitor thread only, once it runs
    ScopedUdevMonitor m_monitor;
    ScopedFd m_stop;  // an eventfd
    std::thread m_thread;
};

} // namespace hid::linux_hid
