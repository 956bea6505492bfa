// A fake of the HID transport's five operations for the channel tests: it records filters,
// callbacks and writes per slot, announces the devices a test declares present during HidOpen,
// answers writes through a test's responder, and delivers input reports through the installed
// callback on a read thread of its own (report id 0 first, in a zero-filled 1000-byte buffer).
#pragma once

#include "device/hid/Hid.h"
#include "device/Records.h"
#include "ui/Types.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace fakehid {

struct Write {
    uint32_t deviceId = 0;
    std::vector<uint8_t> data;
    int64_t atMicros = 0;  // program time of the write
};

// One input report to deliver: 64 data bytes from `deviceId` (0: the device the request went to),
// `delayMs` program milliseconds after the write.
struct Answer {
    device::Report data{};
    uint32_t delayMs = 0;
    uint32_t deviceId = 0;
};
using Responder = std::function<std::vector<Answer>(const device::Report& request)>;

struct SlotView {
    hid::HidDeviceFilter filter{};
    hid::HidReportCallback callback = nullptr;
    ui::WindowHandle owner{};
    ui::UINT noticeMessage = 0;
    int openCount = 0;
    int closeCount = 0;
    std::vector<Write> writes;
};

// Back to the initial state: no devices, no responders, writes succeed, nothing queued.
void Reset();
// The devices HidOpen on `slot` attaches (in order, with their own ids); none: the all-zero notice.
void SetPresent(uint32_t slot, std::vector<hid::_DEVICE_STATE> devices);
void SetResponder(uint32_t slot, Responder responder);
void SetWriteAccepted(bool accepted);
// Queues an input report for the read thread (64 data bytes, or fewer for a short report).
void Inject(uint32_t slot, uint32_t deviceId, std::vector<uint8_t> data, uint32_t delayMs = 0);
// Waits until every queued report has been delivered.
void Drain();
SlotView Slot(uint32_t slot);
// Sends a notice to the slot's owner as the transport does (synchronously, from the calling thread).
void Notify(uint32_t slot, const hid::_DEVICE_STATE& state);

hid::_DEVICE_STATE Attached(uint16_t id, uint16_t vendorId, uint16_t productId);
hid::_DEVICE_STATE Detached(uint16_t id, uint16_t vendorId, uint16_t productId);

} // namespace fakehid
