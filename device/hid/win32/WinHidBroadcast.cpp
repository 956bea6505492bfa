// Device-change broadcast records (see WinHidBroadcast.h).
#include "device/hid/win32/WinHidBroadcast.h"

#include "device/hid/win32/WinApi.h"

#include <cstddef>

#include "sys/ByteOrder.h"

namespace hid::win32 {
namespace {

constexpr size_t kHeaderBytes = sizeof(DEV_BROADCAST_HDR);
constexpr size_t kSizeOffset = offsetof(DEV_BROADCAST_HDR, dbch_size);
constexpr size_t kTypeOffset = offsetof(DEV_BROADCAST_HDR, dbch_devicetype);
constexpr size_t kGuidOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid);
constexpr size_t kNameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name);
constexpr size_t kHandleOffset = offsetof(DEV_BROADCAST_HANDLE, dbch_handle);
static_assert(sizeof(HANDLE) == 8, "handles are read as 64-bit values");

// The path after the class GUID: 8-bit characters up to a 0, or 16-bit ones up to a 0 unit. A
// path whose second byte is 0 while its first is not can only be 16-bit (paths start "\\?\").
std::optional<std::string> ReadPath(std::span<const uint8_t> name) {
    const bool wide = name.size() >= 2 && name[0] != 0 && name[1] == 0;
    const size_t unit = wide ? 2 : 1;
    std::string path;
    for (size_t at = 0; at + unit <= name.size(); at += unit) {
        const uint16_t c = wide ? sys::ReadLe16(name, at) : name[at];
        if (c == 0) {
            break;
        }
        if (c >= 0x80) {
            return std::nullopt;
        }
        path.push_back(static_cast<char>(c));
    }
    if (path.empty()) {
        return std::nullopt;
    }
    return path;
}

} // namespace

std::string NormalizeDevicePath(std::string path) {
    for (char& c : path) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return path;
}

std::optional<DeviceBroadcast> ParseDeviceBroadcast(std::span<const uint8_t> record) {
    if (record.size() < kHeaderBytes) {
        return std::nullopt;
    }
    // The stated size may not exceed what the caller could vouch for.
    const uint32_t size = sys::ReadLe32(record, kSizeOffset);
    if (size < kHeaderBytes || size > record.size()) {
        return std::nullopt;
    }
    record = record.first(size);
    DeviceBroadcast broadcast;
    switch (sys::ReadLe32(record, kTypeOffset)) {
    case DBT_DEVTYP_DEVICEINTERFACE: {
        if (record.size() <= kNameOffset) {
            return std::nullopt;
        }
        std::optional<std::string> path = ReadPath(record.subspan(kNameOffset));
        if (!path) {
            return std::nullopt;
        }
        broadcast.kind = BroadcastKind::Interface;
        for (size_t i = 0; i < sizeof broadcast.classGuid; ++i) {
            broadcast.classGuid[i] = record[kGuidOffset + i];
        }
        broadcast.path = NormalizeDevicePath(std::move(*path));
        return broadcast;
    }
    case DBT_DEVTYP_HANDLE:
        if (record.size() < kHandleOffset + 8) {
            return std::nullopt;
        }
        broadcast.kind = BroadcastKind::Handle;
        broadcast.handle = static_cast<uint64_t>(sys::ReadLe32(record, kHandleOffset)) |
                           (static_cast<uint64_t>(sys::ReadLe32(record, kHandleOffset + 4)) << 32);
        return broadcast;
    default:
        return broadcast;
    }
}

} // namespace hid::win32
