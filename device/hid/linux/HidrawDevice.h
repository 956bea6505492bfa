// What one hidraw node offers: its device node, the USB ids from the parent hid device's HID_ID,
// and per top-level collection the usage and report lengths from the report descriptor.
#pragma once

#include <libudev.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid/HidBackend.h"
#include "device/hid/ReportDescriptor.h"

namespace hid::linux_hid {

struct UsbIds {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
};

// "BBBB:VVVVVVVV:PPPPPPPP" (hex) → vendor and product; nullopt when malformed or out of range.
std::optional<UsbIds> ParseHidId(std::string_view hidId);

// A described hidraw node. `descriptor` keeps what the read thread needs for routing input.
struct HidrawNode {
    std::string devnode;
    UsbIds ids;
    ReportDescriptorInfo descriptor;
};

// Describes the hidraw device `hidraw`; nullopt when it has no node, no hid parent, or an
// unreadable or malformed descriptor.
std::optional<HidrawNode> DescribeHidraw(udev_device* hidraw);

// One entry per top-level collection of the node.
std::vector<HidInterfaceInfo> InterfacesOf(const HidrawNode& node);

} // namespace hid::linux_hid
