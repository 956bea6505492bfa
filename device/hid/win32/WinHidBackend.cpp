// The Windows HID back-end (see WinHidBackend.h).
#include "device/hid/win32/WinHidBackend.h"

#include "device/hid/win32/WinApi.h"

#include <optional>
#include <string>

#include "device/hid/win32/ScopedWin.h"
#include "device/hid/win32/WinHidConnection.h"
#include "device/hid/win32/WinHidDevice.h"
#include "device/hid/win32/WinHidHandleRegistry.h"
#include "device/hid/win32/WinHidWatch.h"
#include "sys/Clock.h"
#include "sys/Process.h"

namespace hid::win32 {
namespace {

// Pause between attempts to open an interface that refuses us (program ms).
constexpr uint32_t kOpenRetryPauseMs = 50;

bool IsRefusal(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_DEVICE_NOT_CONNECTED;
}

// Opens `path` for overlapped reading and writing, shared, retrying for `retryMs` while it refuses
// us or is not there yet (an interface that has just arrived may still be starting). The error of
// the last attempt on failure.
ScopedHandle OpenForTransfers(const std::string& path, uint32_t retryMs, DWORD& error) {
    const int64_t giveUpAt = sys::NowMillis() + retryMs;
    for (;;) {
        ScopedHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
        if (file.IsValid()) {
            return file;
        }
        error = ::GetLastError();
        if (!(IsRefusal(error) || IsMissing(error)) || sys::NowMillis() >= giveUpAt) {
            return ScopedHandle();
        }
        sys::Sleep(kOpenRetryPauseMs);
    }
}

bool IsSameInterface(const HidInterfaceInfo& listed, const HidInterfaceInfo& now) {
    return listed.vendorId == now.vendorId && listed.productId == now.productId &&
           listed.usagePage == now.usagePage && listed.usage == now.usage;
}

} // namespace

WinHidBackend::WinHidBackend() : m_registry(std::make_shared<HandleRegistry>()) {}

// Caller's or notification thread.
std::vector<HidInterfaceInfo> WinHidBackend::Enumerate() {
    std::vector<HidInterfaceInfo> present;
    for (const std::string& path : ListInterfacePaths()) {
        if (std::optional<HidInterfaceInfo> info = DescribeInterface(path)) {
            present.push_back(std::move(*info));
        }
    }
    return present;
}

// Caller's or notification thread.
HidOpenResult WinHidBackend::Open(const HidInterfaceInfo& interface, uint32_t retryMs) {
    DWORD error = ERROR_SUCCESS;
    ScopedHandle file = OpenForTransfers(interface.path, retryMs, error);
    if (!file.IsValid()) {
        if (IsRefusal(error)) {
            sys::DebugOutput("HID: no permission to open " + interface.path + " (error " + std::to_string(error) +
                             ")\n");
            return {nullptr, HidOpenError::PermissionDenied};
        }
        return {nullptr, IsMissing(error) ? HidOpenError::NotFound : HidOpenError::Failed};
    }
    // The report lengths for the transfers come from the interface as it is now, not as it was listed.
    const std::optional<HidInterfaceInfo> now = DescribeOpenedInterface(file.Get(), interface.path);
    if (!now) {
        return {nullptr, HidOpenError::Failed};
    }
    if (!IsSameInterface(interface, *now)) {
        return {nullptr, HidOpenError::NotFound};
    }
    std::unique_ptr<WinHidConnection> connection =
        WinHidConnection::Create(std::move(file), interface.path, now->inputReportLength, m_registry);
    if (!connection) {
        return {nullptr, HidOpenError::Failed};
    }
    return {std::move(connection), HidOpenError::Failed};
}

// Notification thread.
std::unique_ptr<HidWatch> WinHidBackend::Watch(HidEventSink& sink) {
    return WinHidWatch::Start(sink, m_registry);
}

} // namespace hid::win32
