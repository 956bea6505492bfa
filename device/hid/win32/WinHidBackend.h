// The Windows HID back-end: SetupAPI enumeration of the HID interface class, HidD_*/HidP_* queries,
// overlapped I/O on handles opened with CreateFileA, and a hidden notification window per watch for
// arrival, removal, suspend and resume.
#pragma once

#include <memory>

#include "device/hid/HidBackend.h"

namespace hid::win32 {

class HandleRegistry;

class WinHidBackend final : public HidBackend {
public:
    WinHidBackend();
    std::vector<HidInterfaceInfo> Enumerate() override;
    HidOpenResult Open(const HidInterfaceInfo& interface, uint32_t retryMs) override;
    std::unique_ptr<HidWatch> Watch(HidEventSink& sink) override;

    // Shared with every connection and watch of this back-end.
    const std::shared_ptr<HandleRegistry>& Registry() const { return m_registry; }

private:
    const std::shared_ptr<HandleRegistry> m_registry;
};

} // namespace hid::win32
