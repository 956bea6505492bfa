// The Windows back-end's hidden notification window: a top-level window (never shown; power
// broadcasts reach only top-level windows) of its own class on a thread of its own, registered for
// HID-class interface notifications. It reports to the sink:
//   - an arriving HID interface (DBT_DEVICEARRIVAL, interface broadcast) that can be described;
//   - the removal of an interface (interface broadcast) or of an opened handle (handle broadcast,
//     through the handle registry);
//   - system suspend (PBT_APMSUSPEND) and every kind of resume.
//
// The class is "Thread In DLL" for the first watch of the process and "Thread In DLL_0",
// "Thread In DLL_1", ... for watches that run at the same time; the title is "OKRA HidDevice Window".
#pragma once

#include "device/hid/win32/WinApi.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "device/hid/HidBackend.h"

namespace sys {
class Event;
}

namespace hid::win32 {

class HandleRegistry;

inline constexpr char kWatchClassName[] = "Thread In DLL";
inline constexpr char kWatchWindowTitle[] = "OKRA HidDevice Window";
// Class names tried in all: the base name, then "%s_%d" for 0 up to 98.
inline constexpr int kWatchClassAttempts = 100;
// How long Start waits for the window thread (program ms).
inline constexpr uint32_t kWatchStartMs = 2000;

class WinHidWatch final : public HidWatch {
public:
    // nullptr when the window or its registration cannot be made in time. Any thread.
    static std::unique_ptr<WinHidWatch> Start(HidEventSink& sink, std::shared_ptr<HandleRegistry> registry);
    // Closes the window and waits for its thread: no sink call runs after this.
    ~WinHidWatch() override;

    HWND Window() const { return m_window.load(); }
    // The class the window was registered with; valid once Start returned the watch.
    const std::string& ClassName() const { return m_className; }

private:
    WinHidWatch(HidEventSink& sink, std::shared_ptr<HandleRegistry> registry);
    enum class StartState { Pending, Ready, Failed };

    // The window thread.
    void Run(const std::shared_ptr<sys::Event>& ready);
    bool RegisterOwnClass();
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void HandleDeviceChange(WPARAM event, LPARAM lParam);
    void HandlePower(WPARAM event);
    void Close(HWND window);

    HidEventSink& m_sink;
    const std::shared_ptr<HandleRegistry> m_registry;
    GUID m_hidClass{};
    std::string m_className;             // written by the window thread before it signals ready
    HDEVNOTIFY m_interfaceNotify = nullptr;  // window thread only
    std::atomic<HWND> m_window{nullptr};
    std::atomic<StartState> m_startState{StartState::Pending};
    std::atomic<bool> m_abandon{false};
    std::thread m_thread;
};

} // namespace hid::win32
