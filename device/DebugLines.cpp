// Debug line formats of the device channels.
#include "device/DebugLines.h"

#include <array>
#include <cstdio>

namespace device {

namespace {
template <typename... Args> std::string Format(const char* format, Args... args) {
    std::array<char, 128> buffer{};
    const int written = std::snprintf(buffer.data(), buffer.size(), format, args...);
    if (written < 0) {
        return {};
    }
    return std::string(buffer.data());
}
} // namespace

std::string FormatNoticeLine(bool attached, const hid::_DEVICE_STATE& state) {
    // "uagePage" is the line's own spelling; log readers match on it.
    const char* format = attached ? "MONITOROPEN:dwDeviceID=%x,usage:0x%x,uagePage:0x%x\n"
                                  : "MONITORCLOSE:dwDeviceID=%x,usage:0x%x,uagePage:0x%x\n";
    return Format(format, static_cast<unsigned>(state.dwDeviceID), static_cast<unsigned>(state.usage),
                  static_cast<unsigned>(state.usagePage));
}

std::string FormatReportHeaderLine(uint32_t deviceId, const void* address, uint32_t length) {
    return Format("ID:%x,pBuffer=%llx , Length=%x\n", static_cast<unsigned>(deviceId),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)),
                  static_cast<unsigned>(length));
}

std::string FormatReportBytesLine(std::span<const uint8_t> report) {
    std::array<unsigned, 9> b{};
    for (size_t i = 0; i < b.size() && i < report.size(); ++i) {
        b[i] = report[i];
    }
    return Format("%02x %02x %02x %02x %02x %02x %02x %02x %02x\n", b[0], b[1], b[2], b[3], b[4], b[5], b[6],
                  b[7], b[8]);
}

} // namespace device
