// Which device paths our opened handles belong to, and their handle-removal registrations.
//
// Windows tells of the removal of an opened device by a DBT_DEVTYP_HANDLE broadcast to a window
// that registered the handle. The back-end's watch windows (one per open transport slot) and its
// connections come and go independently, so every opened handle is registered with every live
// watch window; a window that receives the removal finds the path here and reports it. Any thread;
// one lock guards the lists and is held only for the (non-blocking) registration calls.
#pragma once

#include "device/hid/win32/WinApi.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace hid::win32 {

class HandleRegistry {
public:
    HandleRegistry() = default;
    HandleRegistry(const HandleRegistry&) = delete;
    HandleRegistry& operator=(const HandleRegistry&) = delete;

    // A watch window appeared: it is registered for every opened handle. Its own thread.
    void AddWindow(HWND window);
    // The window is about to go: its registrations are dropped. Its own thread, before it is destroyed.
    void RemoveWindow(HWND window);

    // A handle was opened for `path`: registered with every live window.
    void AddHandle(HANDLE file, const std::string& path);
    // The handle is about to be closed: its registrations are dropped.
    void RemoveHandle(HANDLE file);

    std::optional<std::string> PathOf(HANDLE file) const;
    // Registrations held for `file` (for tests and diagnostics).
    size_t RegistrationCount(HANDLE file) const;

private:
    struct Registration {
        HWND window = nullptr;
        HDEVNOTIFY notify = nullptr;
    };
    struct Opened {
        HANDLE file = nullptr;
        std::string path;
        std::vector<Registration> registrations;
    };

    static HDEVNOTIFY Register(HWND window, HANDLE file);

    mutable std::mutex m_lock;
    std::vector<HWND> m_windows;
    std::vector<Opened> m_opened;
};

} // namespace hid::win32
