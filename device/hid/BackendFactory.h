// Choosing the HID back-end. The only place that knows which back-ends exist; each platform
// provides CreatePlatformHidBackend in a file of its own.
#pragma once

#include <memory>
#include <string>

#include "device/hid/HidBackend.h"

namespace hid {

struct BackendChoice {
    std::shared_ptr<HidBackend> backend;  // set on success
    std::string error;                    // why there is none
};

// KESTREL_HID=sim: the simulated bus (KESTREL_SIM configures it); otherwise the platform's.
BackendChoice CreateHidBackend();

// The platform's own back-end (hidraw on Linux).
std::shared_ptr<HidBackend> CreatePlatformHidBackend();

// The simulated bus, configured from the KESTREL_SIM text.
BackendChoice CreateSimHidBackend(const std::string& configText);

} // namespace hid
