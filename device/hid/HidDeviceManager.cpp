// The slot manager (see HidDeviceManager.h).
#include "device/hid/HidDeviceManager.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

#include "device/hid/HidNotifyWindow.h"
#include "sys/Clock.h"
#include "sys/Event.h"
#include "ui/MessageLoop.h"

namespace hid {
namespace {

// A read waits at most this long (program ms) before the read thread loops; stopping does not
// depend on it, since Cancel wakes the wait.
constexpr uint32_t kReadTimeLimitMs = 1000;

_DEVICE_STATE MakeNotice(uint32_t state, uint16_t deviceId, const HidInterfaceInfo& info) {
    _DEVICE_STATE notice{};
    notice.state = state;
    notice.dwDeviceID = deviceId;
    notice.vendorId = info.vendorId;
    notice.productId = info.productId;
    notice.usage = info.usage;
    notice.usagePage = info.usagePage;
    return notice;
}

} // namespace

// One attached device. Its data lives until the last holder lets go, and StopEntry ends the read
// thread before the manager lets go, so a racing Write keeps the connection alive and a running
// callback finishes before anything is freed.
struct HidDeviceManager::Entry {
    HidInterfaceInfo info;
    std::unique_ptr<HidConnection> connection;
    uint64_t serial = 0;        // never reused, unlike device ids
    uint16_t deviceId = 0;      // set before the read thread starts, constant after
    HidReportCallback callback = nullptr;  // taken at attach time
    sys::Event stop{sys::Event::Reset::Manual};
    std::thread reader;         // started and joined under the manager's rules (see StopEntry)
    std::mutex writeLock;       // one report at a time to the device, whichever thread writes
};

struct HidDeviceManager::PendingEvent {
    enum class Kind { Arrival, RemovalOfPath, RemovalOfEntry } kind = Kind::Arrival;
    std::vector<HidInterfaceInfo> interfaces;  // Arrival
    std::string path;                          // RemovalOfPath
    uint64_t serial = 0;                       // RemovalOfEntry
};

HidDeviceManager::HidDeviceManager(std::shared_ptr<HidBackend> backend) : m_backend(std::move(backend)) {}

HidDeviceManager::~HidDeviceManager() {
    Close();
}

void HidDeviceManager::SetFilter(const HidDeviceFilter& filter) {
    std::lock_guard lock(m_lock);
    m_filter = filter;
    m_filter.pairCount = std::min(m_filter.pairCount, kMaxUsagePairs);
}

void HidDeviceManager::SetCallback(HidReportCallback callback) {
    std::lock_guard lock(m_lock);
    m_callback = callback;
}

std::vector<std::string> HidDeviceManager::PermissionDeniedPaths() const {
    std::lock_guard lock(m_lock);
    return {m_permissionDenied.begin(), m_permissionDenied.end()};
}

ui::WindowHandle HidDeviceManager::NotificationWindow() const {
    return ui::WindowHandle{m_window.load()};
}

// Caller's thread.
uint32_t HidDeviceManager::Open(ui::WindowHandle owner, ui::UINT noticeMessage) {
    {
        std::lock_guard lock(m_lock);
        m_owner = owner;
        m_noticeMessage = noticeMessage;
    }
    if (!StartNotificationThread()) {
        return 0;
    }
    return Enumerate();
}

// Caller's thread. The notification thread goes first, so that no arrival can attach (and send a
// notice) while the devices are being detached.
void HidDeviceManager::Close() {
    StopNotificationThread();
    DetachAll(false);
    std::lock_guard lock(m_lock);
    m_events.clear();
    m_suspended = false;
}

// Any thread (the update thread in practice).
uint32_t HidDeviceManager::Write(uint32_t deviceId, std::span<const uint8_t> data) {
    if (deviceId == 0 || m_suspended) {
        return 0;
    }
    std::shared_ptr<Entry> entry;
    {
        std::lock_guard lock(m_lock);
        auto it = std::find_if(m_devices.begin(), m_devices.end(),
                               [deviceId](const auto& e) { return e->deviceId == deviceId; });
        if (it == m_devices.end()) {
            return 0;
        }
        entry = *it;
    }
    const HidInterfaceInfo& info = entry->info;
    // The report is the report id byte plus the data; more data than that would be cut off, so it
    // is refused rather than sent truncated.
    if (!info.hasOutputItem || info.outputReportLength == 0 || data.size() > info.outputReportLength - 1) {
        return 0;
    }
    std::vector<uint8_t> report(info.outputReportLength, 0);
    report[0] = info.outputReportId;
    std::copy(data.begin(), data.end(), report.begin() + 1);
    std::lock_guard writing(entry->writeLock);
    return entry->connection->Write(report) ? 1 : 0;
}

bool HidDeviceManager::Matches(const HidInterfaceInfo& info) const {
    std::lock_guard lock(m_lock);
    if (info.vendorId != m_filter.vendorId || info.productId != m_filter.productId) {
        return false;
    }
    for (uint32_t i = 0; i < m_filter.pairCount; ++i) {
        if (m_filter.pairs[i].usagePage == info.usagePage && m_filter.pairs[i].usage == info.usage) {
            return true;
        }
    }
    return false;
}

// Caller's thread (HidOpen) or notification thread (resume).
uint32_t HidDeviceManager::Enumerate() {
    for (const HidInterfaceInfo& info : m_backend->Enumerate()) {
        if (!Matches(info)) {
            continue;
        }
        if (Attach(info, 0) == AttachResult::Failed) {
            break;
        }
    }
    uint32_t next = 0;
    {
        std::lock_guard lock(m_lock);
        next = m_nextDeviceId;
    }
    if (next == 1) {
        SendNotice(_DEVICE_STATE{});
        return 0;
    }
    return next;
}

// Caller's or notification thread. Opening may wait (retries), so it happens outside the lock;
// the list is checked again when the entry goes in, because both threads may attach at once.
HidDeviceManager::AttachResult HidDeviceManager::Attach(const HidInterfaceInfo& info, uint32_t retryMs) {
    auto isSame = [&info](const std::shared_ptr<Entry>& e) {
        return e->info.path == info.path && e->info.collection == info.collection;
    };
    {
        std::lock_guard lock(m_lock);
        if (std::any_of(m_devices.begin(), m_devices.end(), isSame)) {
            return AttachResult::Skipped;
        }
    }
    HidOpenResult opened = m_backend->Open(info, retryMs);
    if (!opened.connection) {
        std::lock_guard lock(m_lock);
        if (opened.error == HidOpenError::PermissionDenied) {
            m_permissionDenied.insert(info.path);
        }
        return AttachResult::Skipped;
    }
    auto entry = std::make_shared<Entry>();
    entry->info = info;
    entry->connection = std::move(opened.connection);
    {
        std::lock_guard lock(m_lock);
        m_permissionDenied.erase(info.path);
        if (std::any_of(m_devices.begin(), m_devices.end(), isSame)) {
            return AttachResult::Skipped;
        }
        entry->serial = m_nextSerial++;
        entry->deviceId = static_cast<uint16_t>(m_nextDeviceId & 0xFFFF);
        entry->callback = m_callback;
        try {
            entry->reader = std::thread([this, raw = entry.get()] { ReadLoop(*raw); });
        } catch (const std::system_error&) {
            return AttachResult::Failed;
        }
        ++m_nextDeviceId;
        m_devices.push_back(entry);
    }
    SendNotice(MakeNotice(1, entry->deviceId, info));
    return AttachResult::Attached;
}

// The device's read thread: pause, read one report, hand it over; until stopped.
void HidDeviceManager::ReadLoop(Entry& entry) {
    const uint32_t inputLength = entry.info.inputReportLength;
    std::vector<uint8_t> report(inputLength);
    std::vector<uint8_t> handed(std::max<size_t>(kCallbackBufferBytes, inputLength));
    bool gone = false;
    while (!entry.stop.Wait(kReadPauseMs)) {
        if (m_suspended || gone || inputLength == 0) {
            continue;
        }
        const HidReadResult result = entry.connection->Read(report, kReadTimeLimitMs);
        if (result.status == HidReadStatus::Gone) {
            // Removal through the node itself: let the notification thread detach it as it would
            // for the platform's removal event.
            gone = true;
            PendingEvent event;
            event.kind = PendingEvent::Kind::RemovalOfEntry;
            event.serial = entry.serial;
            QueueEvent(std::move(event), DBT_DEVICEREMOVECOMPLETE);
            continue;
        }
        if (result.status != HidReadStatus::Report || result.length == 0 || entry.callback == nullptr) {
            continue;
        }
        const size_t length = std::min(result.length, report.size());
        std::fill(handed.begin(), handed.end(), uint8_t{0});
        std::copy_n(report.begin(), length, handed.begin());
        entry.callback(entry.deviceId, handed.data(), inputLength);
    }
}

// Ends the entry's read thread cooperatively: the stop event ends its pause, Cancel ends its read.
// Never called with m_lock held, never on the entry's own read thread.
void HidDeviceManager::StopEntry(Entry& entry) {
    entry.stop.Set();
    entry.connection->Cancel();
    if (entry.reader.joinable()) {
        entry.reader.join();
    }
}

void HidDeviceManager::DetachAll(bool withNotices) {
    std::vector<std::shared_ptr<Entry>> detached;
    {
        std::lock_guard lock(m_lock);
        detached.swap(m_devices);
        m_nextDeviceId = 1;
    }
    for (const auto& entry : detached) {
        if (withNotices) {
            SendNotice(MakeNotice(0, entry->deviceId, entry->info));
        }
        StopEntry(*entry);
    }
}

// Caller's or notification thread. Counted before the closing check, so that a closer that sees
// no notice in flight can be sure none will start.
void HidDeviceManager::SendNotice(const _DEVICE_STATE& state) {
    ++m_noticesInFlight;
    if (m_closing) {
        --m_noticesInFlight;
        return;
    }
    ui::WindowHandle owner;
    ui::UINT message = 0;
    {
        std::lock_guard lock(m_lock);
        owner = m_owner;
        message = m_noticeMessage;
    }
    _DEVICE_STATE copy = state;  // valid until the send returns
    ui::Send(owner, message, 1, reinterpret_cast<ui::LPARAM>(&copy));
    --m_noticesInFlight;
}

// ---- Notification thread ----

bool HidDeviceManager::StartNotificationThread() {
    if (m_notificationThread.joinable()) {
        return true;
    }
    auto ready = std::make_shared<sys::Event>(sys::Event::Reset::Auto);
    m_threadEnded = std::make_shared<sys::Event>(sys::Event::Reset::Manual);
    m_closing = false;
    m_abandonStart = false;
    m_startState = StartState::Pending;
    try {
        m_notificationThread = std::thread([this, ready, ended = m_threadEnded] {
            NotificationThreadMain(ready);
            ended->Set();
        });
    } catch (const std::system_error&) {
        return false;
    }
    const bool signalled = ready->Wait(kNotificationStartMs);
    if (signalled && m_startState == StartState::Ready) {
        return true;
    }
    // Late or failed: make the thread give up, whichever point it has reached (it checks the flag
    // after publishing its window; we look at the window after setting the flag).
    m_abandonStart = true;
    if (const ui::WindowHandle window = NotificationWindow()) {
        ui::Post(window, ui::WM_CLOSE);
    }
    m_notificationThread.join();
    return false;
}

// Caller's thread: the window closes (synchronously), its loop ends, the thread is joined.
//
// The notification thread may be inside a notice sent to this very thread when the close comes;
// it then handles WM_CLOSE while it waits, and our send returns before that notice was handled.
// Joining at once would wait for a thread that waits for us, so until it has ended we keep handling
// our messages whenever a notice is in flight (only then: otherwise nothing of the caller's runs
// inside HidClose).
void HidDeviceManager::StopNotificationThread() {
    if (!m_notificationThread.joinable()) {
        return;
    }
    m_closing = true;
    if (const ui::WindowHandle window = NotificationWindow()) {
        ui::Send(window, ui::WM_CLOSE);
    }
    while (!m_threadEnded->Wait(1)) {
        if (m_noticesInFlight > 0) {
            ui::PumpPending();
        }
    }
    m_notificationThread.join();
}

void HidDeviceManager::NotificationThreadMain(const std::shared_ptr<sys::Event>& ready) {
    CHidNotifyWindow window(*this);
    if (!window.CreateHidden()) {
        m_startState = StartState::Failed;
        ready->Set();
        return;
    }
    m_window = window.Handle().value;
    std::unique_ptr<HidWatch> watch = m_backend->Watch(*this);
    m_startState = watch ? StartState::Ready : StartState::Failed;
    ready->Set();
    if (watch && !m_abandonStart) {
        ui::RunMessageLoop();
    }
    watch.reset();  // no sink call after this
    m_window = 0;
    if (window.IsAlive()) {
        window.Destroy();
    }
}

ui::LRESULT HidDeviceManager::HandleWindowMessage(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM) {
    switch (msg) {
    case ui::WM_DEVICECHANGE: HandleDeviceChange(); break;
    case ui::WM_POWERBROADCAST: HandlePower(wParam); break;
    default: break;  // WM_HID_UNREGISTER_HANDLE: no handle registrations on this platform
    }
    return 0;
}

// Notification thread: works off every queued event in order.
void HidDeviceManager::HandleDeviceChange() {
    for (;;) {
        PendingEvent event;
        {
            std::lock_guard lock(m_lock);
            if (m_events.empty()) {
                return;
            }
            event = std::move(m_events.front());
            m_events.pop_front();
        }
        if (event.kind == PendingEvent::Kind::Arrival) {
            if (m_suspended) {
                continue;  // arrivals while suspended are ignored; the resume enumerates
            }
            for (const HidInterfaceInfo& info : event.interfaces) {
                if (Matches(info)) {
                    Attach(info, kArrivalOpenRetryMs);
                }
            }
            continue;
        }
        std::vector<std::shared_ptr<Entry>> removed;
        {
            std::lock_guard lock(m_lock);
            auto isRemoved = [&event](const std::shared_ptr<Entry>& e) {
                return event.kind == PendingEvent::Kind::RemovalOfPath ? e->info.path == event.path
                                                                       : e->serial == event.serial;
            };
            for (const auto& e : m_devices) {
                if (isRemoved(e)) {
                    removed.push_back(e);
                }
            }
            std::erase_if(m_devices, isRemoved);
            if (event.kind == PendingEvent::Kind::RemovalOfPath) {
                m_permissionDenied.erase(event.path);
            }
        }
        for (const auto& entry : removed) {
            StopEntry(*entry);
            SendNotice(MakeNotice(0, entry->deviceId, entry->info));
        }
    }
}

// Notification thread.
void HidDeviceManager::HandlePower(ui::WPARAM event) {
    switch (event) {
    case PBT_APMSUSPEND:
        m_suspended = true;
        DetachAll(true);
        break;
    case PBT_APMQUERYSUSPENDFAILED:
    case PBT_APMRESUMECRITICAL:
    case PBT_APMRESUMESUSPEND:
    case PBT_APMRESUMEAUTOMATIC:
        if (m_suspended.exchange(false)) {
            Enumerate();
        }
        break;
    default:
        break;
    }
}

// ---- Back-end events (the back-end's thread) ----

void HidDeviceManager::QueueEvent(PendingEvent event, ui::WPARAM kind) {
    ui::WindowHandle window;
    {
        std::lock_guard lock(m_lock);
        window = NotificationWindow();
        if (!window) {
            return;  // not open (or closing): nobody would work the queue off
        }
        m_events.push_back(std::move(event));
    }
    ui::Post(window, ui::WM_DEVICECHANGE, kind);
}

void HidDeviceManager::OnArrival(std::vector<HidInterfaceInfo> interfaces) {
    PendingEvent event;
    event.kind = PendingEvent::Kind::Arrival;
    event.interfaces = std::move(interfaces);
    QueueEvent(std::move(event), DBT_DEVICEARRIVAL);
}

void HidDeviceManager::OnRemoval(const std::string& path) {
    PendingEvent event;
    event.kind = PendingEvent::Kind::RemovalOfPath;
    event.path = path;
    QueueEvent(std::move(event), DBT_DEVICEREMOVECOMPLETE);
}

void HidDeviceManager::OnSuspend() {
    PostPower(PBT_APMSUSPEND);
}

void HidDeviceManager::OnResume() {
    PostPower(PBT_APMRESUMEAUTOMATIC);
}

void HidDeviceManager::InjectPowerEvent(bool suspend) {
    PostPower(suspend ? PBT_APMSUSPEND : PBT_APMRESUMEAUTOMATIC);
}

void HidDeviceManager::PostPower(ui::WPARAM event) {
    if (const ui::WindowHandle window = NotificationWindow()) {
        ui::Post(window, ui::WM_POWERBROADCAST, event);
    }
}

} // namespace hid
