// The keyboard's side of the IAP command set: command bytes, record offsets and the device model's
// fixed numbers (flash layout, erase factors, switch delay).
#pragma once

#include <cstddef>
#include <cstdint>

namespace sim::protocol {

inline constexpr size_t kReportSize = 64;  // request and answer data bytes (without the report id)

// Command groups (byte 0) and sub-commands (byte 1).
inline constexpr uint8_t kTargetGroup = 0x10;
inline constexpr uint8_t kGetTarget = 0x00;
inline constexpr uint8_t kSelectTarget = 0x01;
inline constexpr uint8_t kGetTargetCount = 0x02;

inline constexpr uint8_t kModeGroup = 0x11;
inline constexpr uint8_t kEnterIap = 0x00;
inline constexpr uint8_t kResetDevice = 0x01;

inline constexpr uint8_t kInfoGroup = 0x12;
inline constexpr uint8_t kGetFwInfo = 0x00;
inline constexpr uint8_t kGetApInfoBlock = 0x01;
inline constexpr uint8_t kReadInfoBlockBase = 0x20;  // sub-command 0x20 + n reads info block n

inline constexpr uint8_t kEraseGroup = 0x1D;
inline constexpr uint8_t kEraseFlash = 0x00;
inline constexpr uint8_t kGetFlashChecksum = 0x01;

inline constexpr uint8_t kPointerGroup = 0x1E;
inline constexpr uint8_t kGetWritePointer = 0x00;
inline constexpr uint8_t kSetWritePointer = 0x01;
inline constexpr uint8_t kBlockWritten = 0x02;  // the alternative answer form of a block write

inline constexpr uint8_t kWriteBlockGroup = 0x1F;  // sub-command = number of data bytes
inline constexpr size_t kMaxBlockBytes = 60;
inline constexpr size_t kBlockDataOffset = 4;

// Error answer: FF AA 00 00, then the refused request's bytes 0 and 1.
inline constexpr uint8_t kErrorByte0 = 0xFF;
inline constexpr uint8_t kErrorByte1 = 0xAA;

// FWInfo record offsets (the answer carries the record from its byte 4 on).
inline constexpr size_t kAnswerRecordOffset = 4;
inline constexpr size_t kFwHardwareId = 4;
inline constexpr size_t kFwLayoutId = 20;
inline constexpr size_t kFwEraseFactorA = 32;
inline constexpr size_t kFwEraseFactorB = 34;
inline constexpr size_t kFwAppStart = 36;

// GetAPInfoBlock answer: byte 4 = kApInfoMarker, bytes 6-7 = the block number.
inline constexpr uint8_t kApInfoMarker = 4;
inline constexpr size_t kApInfoMarkerOffset = 4;
inline constexpr size_t kApInfoBlockOffset = 6;

// APInfo record offsets.
inline constexpr size_t kApMajor = 2;
inline constexpr size_t kApMinor = 3;
inline constexpr size_t kApBuild = 4;

// The device model: one flat address space; below kAppStart the version area, from kAppStart on
// kFlashSize bytes of application flash.
inline constexpr uint16_t kEraseFactorA = 1024;
inline constexpr uint16_t kEraseFactorB = 64;
inline constexpr uint32_t kFlashSize = uint32_t{kEraseFactorA} * kEraseFactorB;
inline constexpr uint16_t kAppStart = 0x1000;
inline constexpr uint32_t kMemorySize = kAppStart + kFlashSize;

inline constexpr size_t kInfoBlockSize = 60;
// The APInfo block lies past the version area (kAppStart / 60 < 80), so reading back a version
// record of any length never meets it.
inline constexpr uint16_t kApInfoBlock = 80;

// Program milliseconds between dropping one identity and plugging the other.
inline constexpr uint32_t kSwitchDelayMs = 500;

} // namespace sim::protocol
