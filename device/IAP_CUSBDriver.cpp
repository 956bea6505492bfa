// The IAP device channel: its class-wide current channel and report callback.
#include "device/IAP_CUSBDriver.h"

namespace device {

IAP_CUSBDriver::CurrentChannel IAP_CUSBDriver::s_iapCurrent;

IAP_CUSBDriver::~IAP_CUSBDriver() {
    s_iapCurrent.ClearIf(this);
}

void IAP_CUSBDriver::MakeCurrent() {
    s_iapCurrent.Set(this);
}

uint32_t IAP_CUSBDriver::Open(uint32_t vendorId, uint32_t productId) {
    return OpenWith(vendorId, productId, &IAP_CUSBDriver::IapReportCallback);
}

void IAP_CUSBDriver::IapReportCallback(uint32_t deviceId, const uint8_t* report, uint32_t length) {
    s_iapCurrent.Dispatch(deviceId, report, length, AnswerRules::IapChannel);
}

} // namespace device
