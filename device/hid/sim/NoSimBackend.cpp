// A build without the simulated keyboard: asking for the simulated bus is an error the caller sees.
#include "device/hid/BackendFactory.h"

namespace hid {

BackendChoice CreateSimHidBackend(const std::string&) {
    return BackendChoice{nullptr, "KESTREL_HID=sim: this build has no simulated keyboard"};
}

} // namespace hid
