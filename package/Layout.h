// Byte layout of the firmware package appended to the updater: the trailer at the very end of the
// file, its table of nine image entries, and the marker that tells a package from any other file.
// Offsets are in bytes, little-endian, after descrambling.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace package {

inline constexpr size_t kTrailerSize = 2852;
inline constexpr size_t kEntrySize = 80;
inline constexpr size_t kImageCount = 9;

// Trailer fields.
inline constexpr size_t kHardwareIdOffset = 0;
inline constexpr size_t kHardwareIdSize = 16;
inline constexpr size_t kMultiTargetOffset = 16;
inline constexpr size_t kFixedTargetOffset = 17;
inline constexpr size_t kIapVendorIdOffset = 20;
inline constexpr size_t kIapProductIdOffset = 24;
inline constexpr size_t kApVendorIdOffset = 28;
inline constexpr size_t kApProductIdOffset = 32;
inline constexpr size_t kBlockSizeOffset = 36;
inline constexpr size_t kTitleOffset = 38;
inline constexpr size_t kCompanyOffset = 558;
inline constexpr size_t kProductOffset = 1078;
inline constexpr size_t kVersionTextOffset = 1598;
inline constexpr size_t kTextUnits = 260;        // UTF-16 code units of each trailer text
inline constexpr size_t kEntryTableOffset = 2120;
inline constexpr size_t kMarkerOffset = 2841;
inline constexpr size_t kMarkerSize = 10;
inline constexpr std::array<uint8_t, kMarkerSize> kMarker = {'.', 'm', 'a', 'a', 'V', '1', '0', '2', 0, 0};

// Image entry fields, relative to the entry.
inline constexpr size_t kEntryImageSizeOffset = 0;
inline constexpr size_t kEntryRecordSizeOffset = 4;
inline constexpr size_t kEntryNameOffset = 8;
inline constexpr size_t kEntryNameUnits = 30;    // 60 bytes of UTF-16
inline constexpr size_t kEntryLayoutIdOffset = 68;
inline constexpr size_t kEntryMajorOffset = 70;
inline constexpr size_t kEntryMinorOffset = 71;
inline constexpr size_t kEntryBuildOffset = 72;

// Limits the reader enforces. One write request carries at most 60 payload bytes; the update
// overwrites the first 30 bytes of a version record, so a shorter record cannot be written.
inline constexpr uint8_t kMaxBlockSize = 60;
inline constexpr uint32_t kMinVerRecordSize = 30;

inline constexpr size_t EntryOffset(size_t index) { return kEntryTableOffset + kEntrySize * index; }

static_assert(EntryOffset(kImageCount) == 2840);
static_assert(kVersionTextOffset + 2 * kTextUnits == 2118);

} // namespace package
