// What one HID interface of Windows offers: its USB ids from HIDD_ATTRIBUTES, its top-level usage
// and report lengths from HIDP_CAPS, and the report id of its first output item from the output
// button or value capabilities. Also the SetupAPI listing of the present interfaces.
#pragma once

#include "device/hid/win32/WinApi.h"

#include <optional>
#include <string>
#include <vector>

#include "device/hid/HidBackend.h"

namespace hid::win32 {

// Describes an interface opened at `path` (any access); nullopt when the queries fail.
std::optional<HidInterfaceInfo> DescribeOpenedInterface(HANDLE file, const std::string& path);

// Opens `path` for queries only (no read or write access: keyboards and mice refuse those to us
// but still answer queries) and describes it.
std::optional<HidInterfaceInfo> DescribeInterface(const std::string& path);

// The lower-cased device paths of the present interfaces of the HID class, in SetupAPI's order.
std::vector<std::string> ListInterfacePaths();

} // namespace hid::win32
