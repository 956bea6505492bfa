// HidDeviceManager: the state and rules of one transport slot. It owns the filter, the callback,
// the owner window and notice message, the device list with ids from `nextDeviceId`, the suspended
// state, the notification thread with its hidden window, and one read thread per attached device.
// All platform I/O goes through a HidBackend.
//
// Threads: Open, Close, SetFilter and SetCallback run on the caller's thread; Write on any thread;
// arrival, removal and power events on the notification thread; reports on each device's read thread.
// m_lock guards the shared members and is held only for short bookkeeping, never across a wait,
// a back-end call, a notice or a join.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "device/hid/Hid.h"
#include "device/hid/HidBackend.h"
#include "ui/Types.h"

namespace sys {
class Event;
}

namespace hid {

// Private message of the notification window (kept for the Windows back-end's handle registrations).
inline constexpr ui::UINT WM_HID_UNREGISTER_HANDLE = 0x5F5;
// WM_DEVICECHANGE and WM_POWERBROADCAST parameters used between the back-end and the window.
inline constexpr ui::WPARAM DBT_DEVICEARRIVAL = 0x8000;
inline constexpr ui::WPARAM DBT_DEVICEREMOVECOMPLETE = 0x8004;
inline constexpr ui::WPARAM PBT_APMQUERYSUSPENDFAILED = 2;
inline constexpr ui::WPARAM PBT_APMSUSPEND = 4;
inline constexpr ui::WPARAM PBT_APMRESUMECRITICAL = 6;
inline constexpr ui::WPARAM PBT_APMRESUMESUSPEND = 7;
inline constexpr ui::WPARAM PBT_APMRESUMEAUTOMATIC = 18;

// Size of the zero-filled buffer a report is handed over in (larger when the report is larger).
inline constexpr size_t kCallbackBufferBytes = 1000;
// Pause of a read thread before every read and while suspended, program milliseconds.
inline constexpr uint32_t kReadPauseMs = 10;
// How long HidOpen waits for the notification thread.
inline constexpr uint32_t kNotificationStartMs = 2000;
// How long a node that has just appeared may refuse to open before it is skipped.
inline constexpr uint32_t kArrivalOpenRetryMs = 1000;

class HidDeviceManager final : private HidEventSink {
public:
    explicit HidDeviceManager(std::shared_ptr<HidBackend> backend);
    ~HidDeviceManager() override;
    HidDeviceManager(const HidDeviceManager&) = delete;
    HidDeviceManager& operator=(const HidDeviceManager&) = delete;

    void SetFilter(const HidDeviceFilter& filter);
    void SetCallback(HidReportCallback callback);
    // 0 when the notification thread did not start or nothing matched (then the all-zero notice
    // went out); else `nextDeviceId` after attaching what matched.
    uint32_t Open(ui::WindowHandle owner, ui::UINT noticeMessage);
    // Nonzero when the report was written.
    uint32_t Write(uint32_t deviceId, std::span<const uint8_t> data);
    // Detaches every device without notices and stops the notification thread.
    void Close();

    // Paths of matching nodes that could not be opened for lack of permission (most recent state).
    std::vector<std::string> PermissionDeniedPaths() const;

    // As if the platform had reported a suspend (true) or a resume (false). Any thread.
    void InjectPowerEvent(bool suspend);

    // The notification window while the slot is open (for tests and diagnostics).
    ui::WindowHandle NotificationWindow() const;

    // Runs on the notification thread: the window's message procedure.
    ui::LRESULT HandleWindowMessage(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam);

private:
    struct Entry;
    struct PendingEvent;
    enum class AttachResult { Attached, Skipped, Failed };
    enum class StartState { Pending, Ready, Failed };

    // HidEventSink: the back-end's thread.
    void OnArrival(std::vector<HidInterfaceInfo> interfaces) override;
    void OnRemoval(const std::string& path) override;
    void OnSuspend() override;
    void OnResume() override;

    void QueueEvent(PendingEvent event, ui::WPARAM kind);
    void PostPower(ui::WPARAM event);

    bool StartNotificationThread();
    void StopNotificationThread();
    void NotificationThreadMain(const std::shared_ptr<sys::Event>& ready);

    uint32_t Enumerate();
    bool Matches(const HidInterfaceInfo& info) const;
    AttachResult Attach(const HidInterfaceInfo& info, uint32_t retryMs);
    void ReadLoop(Entry& entry);
    void StopEntry(Entry& entry);
    void HandleDeviceChange();
    void HandlePower(ui::WPARAM event);
    void DetachAll(bool withNotices);
    void SendNotice(const _DEVICE_STATE& state);

    const std::shared_ptr<HidBackend> m_backend;

    mutable std::mutex m_lock;
    HidDeviceFilter m_filter{};
    HidReportCallback m_callback = nullptr;
    ui::WindowHandle m_owner{};
    ui::UINT m_noticeMessage = 0;
    uint32_t m_nextDeviceId = 1;
    uint64_t m_nextSerial = 1;
    std::vector<std::shared_ptr<Entry>> m_devices;  // attach order
    std::deque<PendingEvent> m_events;
    std::set<std::string> m_permissionDenied;

    std::atomic<bool> m_suspended{false};
    // Set while the slot closes: no more notices go out (HidClose sends none), and the closer
    // keeps handling its own messages while a notice already on its way is waiting for it.
    std::atomic<bool> m_closing{false};
    std::atomic<int> m_noticesInFlight{0};
    std::shared_ptr<sys::Event> m_threadEnded;  // set when the notification thread is about to end
    std::atomic<uint64_t> m_window{0};
    std::atomic<bool> m_abandonStart{false};
    std::atomic<StartState> m_startState{StartState::Pending};
    std::thread m_notificationThread;  // caller's thread only
};

} // namespace hid
