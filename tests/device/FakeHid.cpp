// The fake HID transport used by the channel tests (see FakeHid.h).
#include "tests/device/FakeHid.h"

#include "sys/Clock.h"
#include "ui/MessageLoop.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace fakehid {

namespace {

struct Queued {
    std::chrono::steady_clock::time_point due;
    uint32_t slot;
    uint32_t deviceId;
    std::vector<uint8_t> data;
};

struct SlotState {
    SlotView view;
    std::vector<hid::_DEVICE_STATE> present;
    Responder responder;
};

// All state behind one lock; the read thread calls callbacks without holding it.
class Fake {
public:
    Fake() : m_reader([this] { ReadLoop(); }) {}
    ~Fake() {
        {
            std::lock_guard lock(m_lock);
            m_stop = true;
        }
        m_changed.notify_all();
        m_reader.join();
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::array<SlotState, hid::kSlotCount> m_slots;
    std::vector<Queued> m_queue;
    bool m_writeAccepted = true;
    bool m_delivering = false;
    bool m_stop = false;

    void Enqueue(uint32_t slot, uint32_t deviceId, std::vector<uint8_t> data, uint32_t delayMs) {
        m_queue.push_back(Queued{std::chrono::steady_clock::now() + sys::RealDuration(delayMs), slot,
                                 deviceId, std::move(data)});
        m_changed.notify_all();
    }

private:
    // The fake's read thread: delivers due reports in due order.
    void ReadLoop() {
        std::unique_lock lock(m_lock);
        while (!m_stop) {
            if (m_queue.empty()) {
                m_changed.wait(lock);
                continue;
            }
            auto next = std::min_element(m_queue.begin(), m_queue.end(),
                                         [](const Queued& a, const Queued& b) { return a.due < b.due; });
            if (next->due > std::chrono::steady_clock::now()) {
                m_changed.wait_until(lock, next->due);
                continue;
            }
            Queued item = std::move(*next);
            m_queue.erase(next);
            const hid::HidReportCallback callback = m_slots[item.slot].view.callback;
            m_delivering = true;
            lock.unlock();
            if (callback != nullptr) {
                std::array<uint8_t, 1000> buffer{};
                std::copy(item.data.begin(), item.data.end(), buffer.begin() + 1);
                callback(item.deviceId, buffer.data(), static_cast<uint32_t>(item.data.size() + 1));
            }
            lock.lock();
            m_delivering = false;
            m_changed.notify_all();
        }
    }

    std::thread m_reader;
};

Fake& TheFake() {
    static Fake fake;
    return fake;
}

} // namespace

void Reset() {
    Fake& f = TheFake();
    std::unique_lock lock(f.m_lock);
    f.m_queue.clear();
    f.m_changed.wait(lock, [&] { return !f.m_delivering; });
    for (auto& slot : f.m_slots) {
        slot = SlotState{};
    }
    f.m_writeAccepted = true;
}

void SetPresent(uint32_t slot, std::vector<hid::_DEVICE_STATE> devices) {
    Fake& f = TheFake();
    std::lock_guard lock(f.m_lock);
    f.m_slots.at(slot).present = std::move(devices);
}

void SetResponder(uint32_t slot, Responder responder) {
    Fake& f = TheFake();
    std::lock_guard lock(f.m_lock);
    f.m_slots.at(slot).responder = std::move(responder);
}

void SetWriteAccepted(bool accepted) {
    Fake& f = TheFake();
    std::lock_guard lock(f.m_lock);
    f.m_writeAccepted = accepted;
}

void Inject(uint32_t slot, uint32_t deviceId, std::vector<uint8_t> data, uint32_t delayMs) {
    Fake& f = TheFake();
    std::lock_guard lock(f.m_lock);
    f.Enqueue(slot, deviceId, std::move(data), delayMs);
}

void Drain() {
    Fake& f = TheFake();
    std::unique_lock lock(f.m_lock);
    f.m_changed.wait(lock, [&] { return f.m_queue.empty() && !f.m_delivering; });
}

SlotView Slot(uint32_t slot) {
    Fake& f = TheFake();
    std::lock_guard lock(f.m_lock);
    return f.m_slots.at(slot).view;
}

void Notify(uint32_t slot, const hid::_DEVICE_STATE& state) {
    const SlotView view = Slot(slot);
    hid::_DEVICE_STATE copy = state;
    ui::Send(view.owner, view.noticeMessage, 1, reinterpret_cast<ui::LPARAM>(&copy));
}

hid::_DEVICE_STATE Attached(uint16_t id, uint16_t vendorId, uint16_t productId) {
    hid::_DEVICE_STATE state;
    state.state = 1;
    state.dwDeviceID = id;
    state.vendorId = vendorId;
    state.productId = productId;
    state.usage = 1;
    state.usagePage = 0xFF00;
    return state;
}

hid::_DEVICE_STATE Detached(uint16_t id, uint16_t vendorId, uint16_t productId) {
    hid::_DEVICE_STATE state = Attached(id, vendorId, productId);
    state.state = 0;
    return state;
}

} // namespace fakehid

// The five transport operations, as the channels call them.
namespace hid {

void HidSetFilter(const HidDeviceFilter* filter, uint32_t slot) {
    auto& f = fakehid::TheFake();
    std::lock_guard lock(f.m_lock);
    f.m_slots.at(slot).view.filter = filter != nullptr ? *filter : HidDeviceFilter{};
}

void HidSetCallback(HidReportCallback callback, uint32_t slot) {
    auto& f = fakehid::TheFake();
    std::lock_guard lock(f.m_lock);
    f.m_slots.at(slot).view.callback = callback;
}

uint32_t HidOpen(ui::WindowHandle owner, ui::UINT noticeMessage, uint32_t slot) {
    auto& f = fakehid::TheFake();
    std::vector<_DEVICE_STATE> present;
    {
        std::lock_guard lock(f.m_lock);
        auto& s = f.m_slots.at(slot);
        s.view.owner = owner;
        s.view.noticeMessage = noticeMessage;
        ++s.view.openCount;
        present = s.present;
    }
    // Notices go out synchronously on the caller's thread, as during a real enumeration.
    for (const auto& device : present) {
        _DEVICE_STATE state = device;
        ui::Send(owner, noticeMessage, 1, reinterpret_cast<ui::LPARAM>(&state));
    }
    if (present.empty()) {
        _DEVICE_STATE none{};
        ui::Send(owner, noticeMessage, 1, reinterpret_cast<ui::LPARAM>(&none));
        return 0;
    }
    return static_cast<uint32_t>(1 + present.size());
}

uint32_t HidWrite(uint32_t deviceId, const uint8_t* data, uint32_t length, uint32_t slot) {
    auto& f = fakehid::TheFake();
    std::lock_guard lock(f.m_lock);
    auto& s = f.m_slots.at(slot);
    s.view.writes.push_back(fakehid::Write{deviceId, std::vector<uint8_t>(data, data + length), sys::NowMicros()});
    if (!s.responder || length < device::kReportBytes) {
        return f.m_writeAccepted ? 1 : 0;
    }
    device::Report request{};
    std::copy_n(data, request.size(), request.begin());
    for (const auto& answer : s.responder(request)) {
        const uint32_t from = answer.deviceId != 0 ? answer.deviceId : deviceId;
        f.Enqueue(slot, from, std::vector<uint8_t>(answer.data.begin(), answer.data.end()), answer.delayMs);
    }
    return f.m_writeAccepted ? 1 : 0;
}

void HidClose(uint32_t slot) {
    auto& f = fakehid::TheFake();
    std::lock_guard lock(f.m_lock);
    ++f.m_slots.at(slot).view.closeCount;
}

} // namespace hid
