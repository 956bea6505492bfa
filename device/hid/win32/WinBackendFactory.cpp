// The platform back-end of the Windows build.
#include "device/hid/BackendFactory.h"
#include "device/hid/win32/WinHidBackend.h"

namespace hid {

std::shared_ptr<HidBackend> CreatePlatformHidBackend() {
    return std::make_shared<win32::WinHidBackend>();
}

} // namespace hid
