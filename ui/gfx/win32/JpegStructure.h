// A bounds-checked walk over the markers of a JPEG stream, made before the platform decoder sees
// the data: the decoder would otherwise allocate whatever size the frame header claims and would
// happily show a half picture from a truncated file. Portable (no Windows headers).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace ui::win32 {

struct JpegFrame {
    int32_t width = 0;
    int32_t height = 0;
    bool progressive = false;
    uint32_t scans = 0;
};

// Hostile progressive files can hold thousands of tiny scans; more than this is refused.
inline constexpr uint32_t kMaxJpegScans = 500;

// The frame of a complete stream: SOI, one frame header with both sides from 1 to `maxDimension`,
// at least one and at most kMaxJpegScans scans, and EOI, every segment inside the data. Bytes after
// EOI are ignored. Nothing for anything else.
std::optional<JpegFrame> ScanJpegStructure(std::span<const uint8_t> data, int32_t maxDimension);

} // namespace ui::win32
