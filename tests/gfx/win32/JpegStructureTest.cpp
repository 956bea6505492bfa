// The marker walk that guards the Windows picture decoder: complete streams pass with their frame
// size, truncated, oversized and malformed ones are refused before any decoding.
#include "ui/gfx/win32/JpegStructure.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using ui::win32::ScanJpegStructure;

constexpr int32_t kMax = 100; // the largest side the cases allow

void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

Bytes Segment(uint8_t marker, const Bytes& payload) {
    const size_t length = payload.size() + 2;
    Bytes out{0xFF, marker, uint8_t(length >> 8), uint8_t(length)};
    Append(out, payload);
    return out;
}

Bytes Frame(uint8_t marker, uint32_t width, uint32_t height, uint8_t components = 1) {
    Bytes payload{8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8), uint8_t(width), components};
    for (uint8_t c = 0; c < components; ++c) {
        Append(payload, {uint8_t(c + 1), 0x11, 0});
    }
    return Segment(marker, payload);
}

// A scan header and entropy-coded bytes with a stuffed FF 00 and a restart marker inside.
Bytes Scan() {
    Bytes out = Segment(0xDA, {1, 1, 0x00, 0, 63, 0});
    Append(out, {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56});
    return out;
}

const Bytes kSoi{0xFF, 0xD8};
const Bytes kEoi{0xFF, 0xD9};

Bytes Stream(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& part : parts) {
        Append(out, part);
    }
    return out;
}

Bytes ManyScans(uint32_t count) {
    Bytes out = Stream({kSoi, Frame(0xC2, 8, 8)});
    for (uint32_t i = 0; i < count; ++i) {
        Append(out, Scan());
    }
    Append(out, kEoi);
    return out;
}

TEST(JpegStructure, CompleteStreamsGiveTheirFrame) {
    const struct {
        std::string name;
        Bytes data;
        int32_t width;
        int32_t height;
        bool progressive;
        uint32_t scans;
    } cases[] = {
        {"Baseline",
         Stream({kSoi, Segment(0xE0, {'J', 'F', 'I', 'F', 0}), Frame(0xC0, 37, 21), Scan(), kEoi}), 37, 21,
         false, 1},
        {"ProgressiveThreeScans", Stream({kSoi, Frame(0xC2, 16, 9, 3), Scan(), Scan(), Scan(), kEoi}), 16, 9,
         true, 3},
        {"FillBytesBeforeMarkers", Stream({kSoi, {0xFF, 0xFF}, Frame(0xC0, 5, 6), Scan(), {0xFF}, kEoi}), 5,
         6, false, 1},
        {"BytesAfterTheEndAreIgnored", Stream({kSoi, Frame(0xC0, 5, 6), Scan(), kEoi, {1, 2, 3}}), 5, 6,
         false, 1},
        {"LargestAllowedSides", Stream({kSoi, Frame(0xC1, kMax, kMax), Scan(), kEoi}), kMax, kMax, false, 1},
        {"ScanLimit", ManyScans(ui::win32::kMaxJpegScans), 8, 8, true, ui::win32::kMaxJpegScans},
    };
    for (const auto& c : cases) {
        const auto frame = ScanJpegStructure(c.data, kMax);
        ASSERT_TRUE(frame.has_value()) << c.name;
        EXPECT_EQ(frame->width, c.width) << c.name;
        EXPECT_EQ(frame->height, c.height) << c.name;
        EXPECT_EQ(frame->progressive, c.progressive) << c.name;
        EXPECT_EQ(frame->scans, c.scans) << c.name;
    }
}

TEST(JpegStructure, RefusesIncompleteOversizedAndMalformedStreams) {
    const Bytes good = Stream({kSoi, Frame(0xC0, 37, 21), Scan(), kEoi});
    const struct {
        std::string name;
        Bytes data;
    } cases[] = {
        {"Empty", {}},
        {"NoStartOfImage", Stream({Frame(0xC0, 37, 21), Scan(), kEoi})},
        {"CutInsideTheScan", Bytes(good.begin(), good.end() - 4)},
        {"CutBeforeTheEnd", Bytes(good.begin(), good.end() - 2)},
        {"CutInsideTheFrameHeader", Bytes(good.begin(), good.begin() + 8)},
        {"SegmentLongerThanTheData", Stream({kSoi, {0xFF, 0xE1, 0x40, 0x00, 1, 2}})},
        {"SegmentLengthBelowTwo", Stream({kSoi, {0xFF, 0xE1, 0x00, 0x01}, Frame(0xC0, 5, 5), Scan(), kEoi})},
        {"StrayByteBetweenSegments", Stream({kSoi, {0x00}, Frame(0xC0, 5, 5), Scan(), kEoi})},
        {"ScanBeforeFrame", Stream({kSoi, Scan(), Frame(0xC0, 5, 5), kEoi})},
        {"NoScan", Stream({kSoi, Frame(0xC0, 5, 5), kEoi})},
        {"NoFrame", Stream({kSoi, kEoi})},
        {"TwoFrames", Stream({kSoi, Frame(0xC0, 5, 5), Frame(0xC0, 5, 5), Scan(), kEoi})},
        {"ZeroWidth", Stream({kSoi, Frame(0xC0, 0, 5), Scan(), kEoi})},
        {"HeightFromALaterSegment", Stream({kSoi, Frame(0xC0, 5, 0), Scan(), kEoi})},
        {"WiderThanAllowed", Stream({kSoi, Frame(0xC0, kMax + 1, 5), Scan(), kEoi})},
        {"TallerThanAllowed", Stream({kSoi, Frame(0xC2, 5, 0xFFFF), Scan(), kEoi})},
        {"ComponentsBeyondTheHeader",
         Stream({kSoi, Segment(0xC0, {8, 0, 5, 0, 5, 3, 1, 0x11, 0}), Scan(), kEoi})},
        {"SecondStartOfImage", Stream({kSoi, Frame(0xC0, 5, 5), kSoi, Scan(), kEoi})},
        {"TooManyScans", ManyScans(ui::win32::kMaxJpegScans + 1)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(ScanJpegStructure(c.data, kMax).has_value()) << c.name;
    }
}

} // namespace
