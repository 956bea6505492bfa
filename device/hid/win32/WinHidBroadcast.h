// Reading the device-change broadcasts that WM_DEVICECHANGE carries in its lParam: the header's
// device type, an interface broadcast's class and device path, a handle broadcast's file handle.
// The record is read as bytes within the size the header states, never by casting it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace hid::win32 {

enum class BroadcastKind { Interface, Handle, Other };

struct DeviceBroadcast {
    BroadcastKind kind = BroadcastKind::Other;
    uint8_t classGuid[16] = {};  // Interface: the interface class, as the record stores it
    std::string path;            // Interface: the device path, lower-cased
    uint64_t handle = 0;         // Handle: the file handle the registration was made for
};

// `record` is the whole broadcast (its first 4 bytes state its size; the caller bounds the span by
// that size). nullopt when the record is shorter than its kind needs or its path is empty or not
// plain ASCII. The path may be stored as 8-bit or 16-bit characters; both are accepted, since the
// character width follows the receiving window's and the registration's flavour.
std::optional<DeviceBroadcast> ParseDeviceBroadcast(std::span<const uint8_t> record);

// Device paths compare case-insensitively on Windows; the back-end hands out lower-cased ones so
// that a path from an enumeration equals the path of the same interface in a broadcast.
std::string NormalizeDevicePath(std::string path);

} // namespace hid::win32
