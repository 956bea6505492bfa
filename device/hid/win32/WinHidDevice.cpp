// Describing and listing HID interfaces (see WinHidDevice.h).
#include "device/hid/win32/WinHidDevice.h"


#include <cstddef>
#include <cstring>

#include "device/hid/win32/ScopedWin.h"
#include "device/hid/win32/WinHidBroadcast.h"

namespace hid::win32 {
namespace {

// A device path longer than this is not a path SetupAPI would give; it is refused, not allocated.
constexpr DWORD kMaxDetailBytes = 32 * 1024;

// The report id of the first output item: the first output button capability's, else the first
// output value capability's. nullopt when the interface has no output item.
std::optional<uint8_t> FirstOutputReportId(PHIDP_PREPARSED_DATA preparsed, const HIDP_CAPS& caps) {
    if (caps.NumberOutputButtonCaps > 0) {
        std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberOutputButtonCaps);
        USHORT count = caps.NumberOutputButtonCaps;
        if (HidP_GetSpecificButtonCaps(HidP_Output, 0, 0, 0, buttons.data(), &count, preparsed) ==
                HIDP_STATUS_SUCCESS &&
            count > 0) {
            return buttons[0].ReportID;
        }
    }
    if (caps.NumberOutputValueCaps > 0) {
        std::vector<HIDP_VALUE_CAPS> values(caps.NumberOutputValueCaps);
        USHORT count = caps.NumberOutputValueCaps;
        if (HidP_GetSpecificValueCaps(HidP_Output, 0, 0, 0, values.data(), &count, preparsed) ==
                HIDP_STATUS_SUCCESS &&
            count > 0) {
            return values[0].ReportID;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<HidInterfaceInfo> DescribeOpenedInterface(HANDLE file, const std::string& path) {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    if (!HidD_GetAttributes(file, &attributes)) {
        return std::nullopt;
    }
    ScopedPreparsed preparsed;
    if (!HidD_GetPreparsedData(file, preparsed.Out()) || preparsed.Get() == nullptr) {
        return std::nullopt;
    }
    HIDP_CAPS caps{};
    if (HidP_GetCaps(preparsed.Get(), &caps) != HIDP_STATUS_SUCCESS) {
        return std::nullopt;
    }
    HidInterfaceInfo info;
    info.path = path;
    info.vendorId = attributes.VendorID;
    info.productId = attributes.ProductID;
    info.usagePage = caps.UsagePage;
    info.usage = caps.Usage;
    // Windows counts the report id byte in these lengths already, as HidInterfaceInfo does.
    info.inputReportLength = caps.InputReportByteLength;
    info.outputReportLength = caps.OutputReportByteLength;
    info.featureReportLength = caps.FeatureReportByteLength;
    if (const std::optional<uint8_t> id = FirstOutputReportId(preparsed.Get(), caps)) {
        info.outputReportId = *id;
        info.hasOutputItem = true;
    }
    return info;
}

std::optional<HidInterfaceInfo> DescribeInterface(const std::string& path) {
    ScopedHandle file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
    if (!file.IsValid()) {
        return std::nullopt;
    }
    return DescribeOpenedInterface(file.Get(), path);
}

std::vector<std::string> ListInterfacePaths() {
    std::vector<std::string> paths;
    GUID hidClass{};
    HidD_GetHidGuid(&hidClass);
    ScopedDevInfo set(::SetupDiGetClassDevsA(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set.IsValid()) {
        return paths;
    }
    constexpr size_t kPathOffset = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    // Any failure other than the end of the set also ends the walk: a member that cannot be
    // read once will not be readable at the next index either, and the walk must end.
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA member{};
        member.cbSize = sizeof member;
        if (!::SetupDiEnumDeviceInterfaces(set.Get(), nullptr, &hidClass, index, &member)) {
            break;
        }
        DWORD required = 0;
        ::SetupDiGetDeviceInterfaceDetailA(set.Get(), &member, nullptr, 0, &required, nullptr);
        if (required <= kPathOffset || required > kMaxDetailBytes) {
            continue;
        }
        // Storage of 8-byte units keeps the detail record aligned as SetupAPI expects.
        std::vector<uint64_t> storage((required + sizeof(uint64_t) - 1) / sizeof(uint64_t) + 1, 0);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!::SetupDiGetDeviceInterfaceDetailA(set.Get(), &member, detail, required, nullptr, nullptr)) {
            continue;
        }
        // The path ends at its 0 or at the end of what SetupAPI said it wrote, whichever is first.
        const char* text = detail->DevicePath;
        const size_t length = ::strnlen(text, required - kPathOffset);
        if (length > 0) {
            paths.push_back(NormalizeDevicePath(std::string(text, length)));
        }
    }
    return paths;
}

} // namespace hid::win32
