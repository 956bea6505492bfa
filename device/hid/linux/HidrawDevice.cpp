// Describing a hidraw node from sysfs (see HidrawDevice.h). Nothing here opens the node itself, so
// a node we may not open can still be matched (and reported as refused).
#include "device/hid/linux/HidrawDevice.h"

#include <charconv>
#include <fstream>
#include <iterator>

namespace hid::linux_hid {
namespace {

// The kernel's own limit on a report descriptor (HID_MAX_DESCRIPTOR_SIZE).
constexpr size_t kMaxDescriptorBytes = 4096;

std::optional<uint32_t> ParseHexField(std::string_view text) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || ec != std::errc{} || ptr != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<uint8_t>> ReadDescriptor(const std::string& syspath) {
    std::ifstream file(syspath + "/report_descriptor", std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    char c = 0;
    while (bytes.size() <= kMaxDescriptorBytes && file.get(c)) {
        bytes.push_back(static_cast<uint8_t>(c));
    }
    if (bytes.size() > kMaxDescriptorBytes) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

std::optional<UsbIds> ParseHidId(std::string_view hidId) {
    const size_t first = hidId.find(':');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    const size_t second = hidId.find(':', first + 1);
    if (second == std::string_view::npos) {
        return std::nullopt;
    }
    const auto bus = ParseHexField(hidId.substr(0, first));
    const auto vendor = ParseHexField(hidId.substr(first + 1, second - first - 1));
    const auto product = ParseHexField(hidId.substr(second + 1));
    if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) {
        return std::nullopt;
    }
    return UsbIds{static_cast<uint16_t>(*vendor), static_cast<uint16_t>(*product)};
}

std::optional<HidrawNode> DescribeHidraw(udev_device* hidraw) {
    const char* devnode = udev_device_get_devnode(hidraw);
    // The parent belongs to `hidraw` and is freed with it.
    udev_device* parent = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (devnode == nullptr || parent == nullptr) {
        return std::nullopt;
    }
    const char* hidId = udev_device_get_property_value(parent, "HID_ID");
    const char* syspath = udev_device_get_syspath(parent);
    if (hidId == nullptr || syspath == nullptr) {
        return std::nullopt;
    }
    const std::optional<UsbIds> ids = ParseHidId(hidId);
    const std::optional<std::vector<uint8_t>> bytes = ReadDescriptor(syspath);
    if (!ids || !bytes) {
        return std::nullopt;
    }
    std::optional<ReportDescriptorInfo> descriptor = ParseReportDescriptor(*bytes);
    if (!descriptor) {
        return std::nullopt;
    }
    return HidrawNode{devnode, *ids, std::move(*descriptor)};
}

std::vector<HidInterfaceInfo> InterfacesOf(const HidrawNode& node) {
    std::vector<HidInterfaceInfo> interfaces;
    uint32_t index = 0;
    for (const HidCollectionInfo& collection : node.descriptor.collections) {
        HidInterfaceInfo info;
        info.path = node.devnode;
        info.collection = index++;
        info.vendorId = node.ids.vendorId;
        info.productId = node.ids.productId;
        info.usagePage = collection.usagePage;
        info.usage = collection.usage;
        info.inputReportLength = collection.inputReportLength;
        info.outputReportLength = collection.outputReportLength;
        info.featureReportLength = collection.featureReportLength;
        info.outputReportId = collection.outputReportId;
        info.hasOutputItem = collection.hasOutputItem;
        interfaces.push_back(std::move(info));
    }
    return interfaces;
}

} // namespace hid::linux_hid
