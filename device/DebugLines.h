// The channels' diagnostic lines for the debugger output: device notices and input reports.
// Formatting is kept apart from the output so that the exact texts can be checked.
#pragma once

#include "device/hid/Hid.h"

#include <cstdint>
#include <span>
#include <string>

namespace device {

// "MONITOROPEN:..." for an attach notice, "MONITORCLOSE:..." for a detach (or nothing-found) one.
std::string FormatNoticeLine(bool attached, const hid::_DEVICE_STATE& state);

// The two lines written for every input report: its device id, address and length, then its first
// nine bytes (report id and eight data bytes; bytes past the report's end print as 00).
std::string FormatReportHeaderLine(uint32_t deviceId, const void* address, uint32_t length);
std::string FormatReportBytesLine(std::span<const uint8_t> report);

} // namespace device
