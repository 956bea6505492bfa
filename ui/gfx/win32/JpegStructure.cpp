// ScanJpegStructure: segments are skipped by their lengths; the entropy-coded data after each scan
// header is skipped up to the next marker (FF followed by anything but 00, a restart marker or
// another FF fill byte).
#include "ui/gfx/win32/JpegStructure.h"

namespace ui::win32 {
namespace {

constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kEoi = 0xD9;
constexpr uint8_t kSos = 0xDA;
constexpr uint8_t kTem = 0x01;

bool IsRestart(uint8_t marker) {
    return marker >= 0xD0 && marker <= 0xD7;
}

// Start-of-frame markers: C0 to CF except DHT (C4), JPG (C8) and DAC (CC).
bool IsFrameHeader(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool IsProgressive(uint8_t marker) {
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}

uint32_t ReadBigEndian16(std::span<const uint8_t> data, size_t at) {
    return (uint32_t{data[at]} << 8) | data[at + 1];
}

// Index of the 0xFF that starts the marker ending the entropy-coded data from `at`; data.size()
// when the data ends first.
size_t SkipEntropyCodedData(std::span<const uint8_t> data, size_t at) {
    while (at + 1 < data.size()) {
        if (data[at] != 0xFF) {
            ++at;
            continue;
        }
        const uint8_t next = data[at + 1];
        if (next == 0x00 || IsRestart(next)) {
            at += 2;
        } else if (next == 0xFF) {
            ++at; // fill byte before a marker
        } else {
            return at;
        }
    }
    return data.size();
}

} // namespace

std::optional<JpegFrame> ScanJpegStructure(std::span<const uint8_t> data, int32_t maxDimension) {
    if (data.size() < 4 || data[0] != 0xFF || data[1] != kSoi) {
        return std::nullopt;
    }
    std::optional<JpegFrame> frame;
    size_t at = 2;
    while (at < data.size()) {
        if (data[at] != 0xFF) {
            return std::nullopt; // stray bytes where a marker must stand
        }
        while (at < data.size() && data[at] == 0xFF) {
            ++at;
        }
        if (at >= data.size()) {
            return std::nullopt;
        }
        const uint8_t marker = data[at++];
        if (marker == kEoi) {
            if (!frame || frame->scans == 0) {
                return std::nullopt;
            }
            return frame;
        }
        if (marker == kSoi || marker == 0x00) {
            return std::nullopt;
        }
        if (marker == kTem || IsRestart(marker)) {
            continue; // markers without a segment
        }
        if (data.size() - at < 2) {
            return std::nullopt;
        }
        const uint32_t length = ReadBigEndian16(data, at);
        if (length < 2 || data.size() - at < length) {
            return std::nullopt;
        }
        const std::span<const uint8_t> segment = data.subspan(at + 2, length - 2);
        at += length;
        if (IsFrameHeader(marker)) {
            // precision, height, width, component count, then three bytes per component
            if (frame || segment.size() < 6 || segment[5] == 0 ||
                segment.size() < 6 + 3 * size_t{segment[5]}) {
                return std::nullopt;
            }
            const auto height = static_cast<int32_t>(ReadBigEndian16(segment, 1));
            const auto width = static_cast<int32_t>(ReadBigEndian16(segment, 3));
            // A height of 0 would be given later by a DNL segment; we do not take such streams.
            if (width < 1 || height < 1 || width > maxDimension || height > maxDimension) {
                return std::nullopt;
            }
            frame = JpegFrame{width, height, IsProgressive(marker), 0};
        } else if (marker == kSos) {
            if (!frame || ++frame->scans > kMaxJpegScans) {
                return std::nullopt;
            }
            at = SkipEntropyCodedData(data, at);
        }
    }
    return std::nullopt; // ended without EOI: truncated
}

} // namespace ui::win32
