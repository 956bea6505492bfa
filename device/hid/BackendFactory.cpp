// The back-end choice at run time (see BackendFactory.h).
#include "device/hid/BackendFactory.h"

#include "sys/Process.h"

namespace hid {

BackendChoice CreateHidBackend() {
    if (sys::GetEnv("KESTREL_HID").value_or("") == "sim") {
        return CreateSimHidBackend(sys::GetEnv("KESTREL_SIM").value_or(""));
    }
    return BackendChoice{CreatePlatformHidBackend(), {}};
}

} // namespace hid
