// IAP_CUSBDriver: the device channel of the keyboard's boot-mode (IAP) identity. It is a CUSBDriver
// with its own class-wide current channel and its own report callback, which does not take the
// device's error answer (a request the boot loader refuses ends by time-out).
#pragma once

#include "device/CUSBDriver.h"

namespace device {

class IAP_CUSBDriver : public CUSBDriver {
public:
    IAP_CUSBDriver() = default;
    ~IAP_CUSBDriver() override;

    // UI thread, before Open: makes this object the one the IAP callback serves.
    void MakeCurrent() override;
    // UI thread. As CUSBDriver::Open, installing the IAP callback.
    uint32_t Open(uint32_t vendorId, uint32_t productId) override;

private:
    static void IapReportCallback(uint32_t deviceId, const uint8_t* report, uint32_t length);
    static CurrentChannel s_iapCurrent;
};

} // namespace device
