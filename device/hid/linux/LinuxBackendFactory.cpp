// The platform back-end of the Linux build.
#include "device/hid/BackendFactory.h"
#include "device/hid/linux/LinuxHidBackend.h"

namespace hid {

std::shared_ptr<HidBackend> CreatePlatformHidBackend() {
    return std::make_shared<linux_hid::LinuxHidBackend>();
}

} // namespace hid
