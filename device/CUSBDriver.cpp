// The AP device channel: hidden window, slot opening and closing, device notices, the presence
// timer and the report callback with answer recognition.
#include "device/CUSBDriver.h"

#include "device/DebugLines.h"
#include "device/Messages.h"
#include "sys/Process.h"
#include "sys/SupportLog.h"
#include "ui/MessageLoop.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <string>
#include <thread>

namespace device {

namespace {
ui::CreateParams HiddenWindowParams() {
    ui::CreateParams params;
    params.rect = ui::Rect{1, 1, 2, 2};
    params.style = ui::WS_POPUP;
    params.hidden = true;
    return params;
}

bool IsChannelUsage(const hid::_DEVICE_STATE& state) {
    return state.usage == kChannelUsage && state.usagePage == kChannelUsagePage;
}

std::string Hex4(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

// Support log: one notice of the transport as the channel received it.
void LogNotice(uint32_t slot, const hid::_DEVICE_STATE& state) {
    if (!sys::SupportLogEnabled()) {
        return;
    }
    const bool nothingFound = state.state == 0 && state.dwDeviceID == 0 && state.vendorId == 0 &&
                              state.productId == 0 && state.usage == 0 && state.usagePage == 0;
    const std::string what = state.state == 1   ? "attached"
                             : nothingFound       ? "nothing found"
                             : state.state == 0   ? "detached"
                                                  : "state " + std::to_string(state.state);
    sys::SupportLog("device", std::string(slot == 0 ? "ap" : "iap") + " notice " + what + ": id " +
                                  std::to_string(state.dwDeviceID) + " " + Hex4(state.vendorId) + ":" +
                                  Hex4(state.productId) + " usage " + Hex4(state.usagePage) + ":" +
                                  Hex4(state.usage));
}

} // namespace

CUSBDriver::CurrentChannel CUSBDriver::s_apCurrent;

void CUSBDriver::CurrentChannel::Set(CUSBDriver* channel) {
    std::lock_guard lock(m_lock);
    m_channel = channel;
}

void CUSBDriver::CurrentChannel::ClearIf(const CUSBDriver* channel) {
    std::lock_guard lock(m_lock);
    if (m_channel == channel) {
        m_channel = nullptr;
    }
}

void CUSBDriver::CurrentChannel::Dispatch(uint32_t deviceId, const uint8_t* report, uint32_t length,
                                          AnswerRules rules) {
    LogInputReport(deviceId, report, length);
    if (report == nullptr) {
        return;
    }
    std::lock_guard lock(m_lock);
    if (m_channel != nullptr) {
        m_channel->RecogniseAnswer(deviceId, std::span<const uint8_t>(report, length), rules);
    }
}

CUSBDriver::CUSBDriver() {
    Create(HiddenWindowParams());
}

CUSBDriver::~CUSBDriver() {
    s_apCurrent.ClearIf(this);
    // Destroyed here, while the members its messages touch still exist.
    Destroy();
}

void CUSBDriver::MakeCurrent() {
    s_apCurrent.Set(this);
}

uint32_t CUSBDriver::Open(uint32_t vendorId, uint32_t productId) {
    return OpenWith(vendorId, productId, &CUSBDriver::ApReportCallback);
}

uint32_t CUSBDriver::OpenWith(uint32_t vendorId, uint32_t productId, hid::HidReportCallback callback) {
    assert(std::this_thread::get_id() == OwnerThread());
    const uint32_t slot = m_slot.load();
    // Re-opening a channel that has a device: the new enumeration's notices replace the entries.
    if (m_presence.load() != 0) {
        hid::HidClose(slot);
    }
    if (vendorId == 0 && productId == 0) {
        vendorId = m_vendorId;
        productId = m_productId;
    }
    m_vendorId = vendorId;
    m_productId = productId;

    hid::HidDeviceFilter filter;
    filter.vendorId = vendorId;
    filter.productId = productId;
    filter.pairCount = 1;
    filter.pairs[0] = hid::HidUsagePair{kChannelUsage, kChannelUsagePage};
    hid::HidSetFilter(&filter, slot);
    hid::HidSetCallback(callback, slot);
    return hid::HidOpen(Handle(), WM_HID_DEVICE_NOTICE, slot) != 0 ? 1 : 0;
}

uint32_t CUSBDriver::Close() {
    assert(std::this_thread::get_id() == OwnerThread());
    const uint32_t slot = m_slot.load();
    ui::KillTimer(Handle(), TIMER_DEVICE_PRESENCE);
    const hid::HidDeviceFilter none{};
    hid::HidSetFilter(&none, slot);
    hid::HidSetCallback(nullptr, slot);
    hid::HidClose(slot);
    {
        std::lock_guard lock(m_devicesLock);
        m_devices.clear();
    }
    const uint32_t presence = m_presence.load();
    if (presence != 0) {
        PostPresence(presence);
        m_presence = 0;
    }
    return 1;
}

uint16_t CUSBDriver::GetDeviceId() const {
    std::lock_guard lock(m_devicesLock);
    const auto it = std::find_if(m_devices.begin(), m_devices.end(), IsChannelUsage);
    return it == m_devices.end() ? 0 : it->dwDeviceID;
}

ui::LRESULT CUSBDriver::WindowProc(ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) {
    if (msg == WM_HID_DEVICE_NOTICE && wParam == 1) {
        const auto* state = reinterpret_cast<const hid::_DEVICE_STATE*>(lParam);
        if (state != nullptr) {
            OnDeviceNotice(*state);
        }
        return 0;
    }
    if (msg == ui::WM_TIMER && wParam == TIMER_DEVICE_PRESENCE) {
        OnPresenceTimer();
        return 0;
    }
    return Window::WindowProc(msg, wParam, lParam);
}

void CUSBDriver::OnDeviceNotice(const hid::_DEVICE_STATE& state) {
    LogNotice(m_slot.load(), state);
    if (state.state == 1) {
        sys::DebugOutput(FormatNoticeLine(true, state));
        std::unique_lock lock(m_devicesLock);
        const auto same = std::find_if(m_devices.begin(), m_devices.end(), [&](const hid::_DEVICE_STATE& d) {
            return d.usage == state.usage && d.usagePage == state.usagePage;
        });
        if (same != m_devices.end()) {
            *same = state; // a second matching device takes the entry's place; no new announcement
            return;
        }
        m_devices.push_back(state);
        lock.unlock();
        m_presence = 1;
        ui::SetTimer(Handle(), TIMER_DEVICE_PRESENCE, kPresenceDelayMs);
        return;
    }
    if (state.state != 0) {
        return;
    }
    sys::DebugOutput(FormatNoticeLine(false, state));
    bool emptyNow = false;
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_devicesLock);
        wasEmpty = m_devices.empty();
        if (!wasEmpty) {
            m_devices.erase(m_devices.begin());
        }
        emptyNow = m_devices.empty();
    }
    if (emptyNow && (m_presence.load() != 0 || wasEmpty)) {
        m_presence = 0;
        ui::KillTimer(Handle(), TIMER_DEVICE_PRESENCE);
        PostPresence(0);
    }
}

void CUSBDriver::OnPresenceTimer() {
    const uint32_t presence = m_presence.load();
    if (presence >= 1) {
        PostPresence(presence);
    }
    ui::KillTimer(Handle(), TIMER_DEVICE_PRESENCE);
}

void CUSBDriver::PostPresence(uint32_t value) {
    if (m_owner) {
        ui::Post(m_owner, WM_DEVICE_PRESENCE, 0, static_cast<ui::LPARAM>(value));
    }
}

void CUSBDriver::LogInputReport(uint32_t deviceId, const uint8_t* report, uint32_t length) {
    if (!sys::DebugEnabled()) {
        return;
    }
    sys::DebugOutput(FormatReportHeaderLine(deviceId, report, length));
    const size_t shown = report == nullptr ? 0 : length;
    sys::DebugOutput(FormatReportBytesLine(std::span<const uint8_t>(report, shown)));
}

void CUSBDriver::ApReportCallback(uint32_t deviceId, const uint8_t* report, uint32_t length) {
    s_apCurrent.Dispatch(deviceId, report, length, AnswerRules::ApChannel);
}

void CUSBDriver::RecogniseAnswer(uint32_t deviceId, std::span<const uint8_t> inputReport, AnswerRules rules) {
    // With no device listed the id is 0, which no attached device has: drop everything then.
    const uint16_t current = GetDeviceId();
    if (current == 0 || deviceId != current) {
        return;
    }
    const Report answer = AnswerFromInputReport(inputReport);
    std::lock_guard lock(m_exchangeLock);
    if (!IsAnswerTo(m_exchange, answer, rules)) {
        return;
    }
    m_exchange = answer;
    m_answerEvent.Set();
}

} // namespace device
