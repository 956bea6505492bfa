// Handle-removal registrations (see WinHidHandleRegistry.h).
#include "device/hid/win32/WinHidHandleRegistry.h"


#include <algorithm>

namespace hid::win32 {

HDEVNOTIFY HandleRegistry::Register(HWND window, HANDLE file) {
    DEV_BROADCAST_HANDLE filter{};
    filter.dbch_size = sizeof filter;
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = file;
    return ::RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void HandleRegistry::AddWindow(HWND window) {
    std::lock_guard lock(m_lock);
    m_windows.push_back(window);
    for (Opened& opened : m_opened) {
        if (HDEVNOTIFY notify = Register(window, opened.file)) {
            opened.registrations.push_back({window, notify});
        }
    }
}

void HandleRegistry::RemoveWindow(HWND window) {
    std::lock_guard lock(m_lock);
    std::erase(m_windows, window);
    for (Opened& opened : m_opened) {
        std::erase_if(opened.registrations, [window](const Registration& r) {
            if (r.window != window) {
                return false;
            }
            ::UnregisterDeviceNotification(r.notify);
            return true;
        });
    }
}

void HandleRegistry::AddHandle(HANDLE file, const std::string& path) {
    std::lock_guard lock(m_lock);
    Opened opened;
    opened.file = file;
    opened.path = path;
    for (HWND window : m_windows) {
        if (HDEVNOTIFY notify = Register(window, file)) {
            opened.registrations.push_back({window, notify});
        }
    }
    m_opened.push_back(std::move(opened));
}

void HandleRegistry::RemoveHandle(HANDLE file) {
    std::lock_guard lock(m_lock);
    std::erase_if(m_opened, [file](const Opened& opened) {
        if (opened.file != file) {
            return false;
        }
        for (const Registration& r : opened.registrations) {
            ::UnregisterDeviceNotification(r.notify);
        }
        return true;
    });
}

std::optional<std::string> HandleRegistry::PathOf(HANDLE file) const {
    std::lock_guard lock(m_lock);
    auto it = std::find_if(m_opened.begin(), m_opened.end(), [file](const Opened& o) { return o.file == file; });
    if (it == m_opened.end()) {
        return std::nullopt;
    }
    return it->path;
}

size_t HandleRegistry::RegistrationCount(HANDLE file) const {
    std::lock_guard lock(m_lock);
    auto it = std::find_if(m_opened.begin(), m_opened.end(), [file](const Opened& o) { return o.file == file; });
    return it == m_opened.end() ? 0 : it->registrations.size();
}

} // namespace hid::win32
