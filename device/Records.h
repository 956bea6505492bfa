// The byte records of the keyboard's protocol: the 64-byte request/answer report and the records
// that the information commands fill, with the offsets of the fields the program reads.
#pragma once

#include "sys/ByteOrder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace device {

// One request or answer: the 64 bytes after the report id byte.
inline constexpr size_t kReportBytes = 64;
using Report = std::array<uint8_t, kReportBytes>;

// Request and answer layout: group, sub-command (data byte count for a block write), two zero
// bytes, then the arguments or results.
inline constexpr size_t kArgumentOffset = 4;
inline constexpr size_t kMaxBlockBytes = kReportBytes - kArgumentOffset; // 60

// The firmware-info record: answer bytes 4..63 at 0..59, 60..63 zero.
using FWInfo = std::array<uint8_t, 64>;
// An information block: answer bytes 4..63. Block 0 is the version record (VerInfo); the block that
// GetAPInfoBlock names is the application's version (APInfo).
inline constexpr size_t kInfoBlockBytes = 60;
using InfoBlock = std::array<uint8_t, kInfoBlockBytes>;
using VerInfo = InfoBlock;
using APInfo = InfoBlock;

namespace fwinfo {
inline constexpr size_t kHardwareIdOffset = 4;
inline constexpr size_t kHardwareIdBytes = 16;
inline constexpr size_t kLayoutIdOffset = 20;
inline constexpr size_t kEraseFactorAOffset = 32;
inline constexpr size_t kEraseFactorBOffset = 34;
inline constexpr size_t kAppStartOffset = 36;

inline std::span<const uint8_t, kHardwareIdBytes> HardwareId(const FWInfo& info) {
    return std::span<const uint8_t, kHardwareIdBytes>(info.data() + kHardwareIdOffset, kHardwareIdBytes);
}
inline uint16_t LayoutId(const FWInfo& info) {
    return sys::ReadLe16(info, kLayoutIdOffset);
}
inline uint16_t EraseFactorA(const FWInfo& info) {
    return sys::ReadLe16(info, kEraseFactorAOffset);
}
inline uint16_t EraseFactorB(const FWInfo& info) {
    return sys::ReadLe16(info, kEraseFactorBOffset);
}
inline uint16_t AppStart(const FWInfo& info) {
    return sys::ReadLe16(info, kAppStartOffset);
}
} // namespace fwinfo

} // namespace device
