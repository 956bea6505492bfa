// The Linux HID back-end: hidraw nodes found through libudev, opened read-write and non-blocking,
// and a udev monitor for arrival and removal. Suspend and resume are not reported on Linux yet
// (there is no portable signal for them without logind); the transport's test hook stands in.
#pragma once

#include <memory>

#include "device/hid/HidBackend.h"

namespace hid::linux_hid {

class LinuxHidBackend final : public HidBackend {
public:
    std::vector<HidInterfaceInfo> Enumerate() override;
    HidOpenResult Open(const HidInterfaceInfo& interface, uint32_t retryMs) override;
    std::unique_ptr<HidWatch> Watch(HidEventSink& sink) override;
};

} // namespace hid::linux_hid
