// The HID transport's flat interface: five operations over five independent slots (0..4).
// It finds the HID interfaces that match a slot's filter, reads their input reports on one thread per
// device and hands each to the slot's callback, writes output reports, and follows arrival, removal,
// suspend and resume, telling the owner window by a synchronously sent notice carrying a _DEVICE_STATE.
// Nothing here knows about keyboards or IAP commands.
#pragma once

#include <cstdint>

#include "ui/Types.h"

namespace hid {

inline constexpr uint32_t kSlotCount = 5;
inline constexpr uint32_t kMaxUsagePairs = 10;

struct HidUsagePair {
    uint32_t usage = 0;
    uint32_t usagePage = 0;
};

struct HidDeviceFilter {
    uint32_t vendorId = 0;
    uint32_t productId = 0;
    uint32_t pairCount = 0;  // 0..10; 0 matches no device
    HidUsagePair pairs[kMaxUsagePairs] = {};
};

// The notice record sent to the owner (lParam of the notice message, valid only during the send).
// state 1: attached; state 0: detached, or with every other field 0, nothing was found.
struct _DEVICE_STATE {
    uint32_t state = 0;
    uint16_t dwDeviceID = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t usage = 0;
    uint16_t usagePage = 0;
};

// Called on the device's read thread with one input report: byte 0 is the report id, the data follow.
// The buffer is zero-filled to at least 1000 bytes and valid only during the call; `length` is the
// device's input report byte length.
using HidReportCallback = void (*)(uint32_t deviceId, const uint8_t* report, uint32_t length);

void HidSetFilter(const HidDeviceFilter* filter, uint32_t slot);
void HidSetCallback(HidReportCallback callback, uint32_t slot);
// 0 when the notification window failed to start or nothing matched; else 1 + devices attached.
uint32_t HidOpen(ui::WindowHandle owner, ui::UINT noticeMessage, uint32_t slot);
// Nonzero when the report was written. `length` may be at most the output report length - 1.
uint32_t HidWrite(uint32_t deviceId, const uint8_t* data, uint32_t length, uint32_t slot);
void HidClose(uint32_t slot);

} // namespace hid
