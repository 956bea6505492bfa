// Windows bitmap reader. File layout: a 14-byte file header ("BM", file size, reserved, offset of
// the pixel data), an info header (12-byte core header or a 40-byte-or-longer info header), the
// optional bit-field masks and palette, then rows padded to 4 bytes.
#include "ui/gfx/Bmp.h"

#include <bit>

#include "sys/ByteOrder.h"

namespace ui {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;        // negative: rows stored top-down
    uint32_t bitCount = 0;
    uint32_t compression = kBiRgb;
    uint32_t colorsUsed = 0;
    uint32_t headerSize = 0;
    size_t paletteEntrySize = 4;
};

// One colour channel of a bit-field pixel: where it sits and how wide it is.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    static Channel From(uint32_t mask) {
        if (mask == 0) {
            return {};
        }
        const int shift = std::countr_zero(mask);
        return {mask, shift, std::popcount(mask >> shift)};
    }
    // Scaled to 8 bits; a channel with no mask reads as 0.
    uint8_t Read(uint32_t value) const {
        if (bits == 0) {
            return 0;
        }
        const uint32_t v = (value & mask) >> shift;
        if (bits >= 8) {
            return static_cast<uint8_t>(v >> (bits - 8));
        }
        return static_cast<uint8_t>(v * 255 / ((1u << bits) - 1));
    }
};

std::optional<BmpHeader> ReadHeader(std::span<const uint8_t> data) {
    if (data.size() < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') {
        return std::nullopt;
    }
    BmpHeader h;
    h.headerSize = sys::ReadLe32(data, kFileHeaderSize);
    if (h.headerSize == kCoreHeaderSize) {
        if (data.size() < kFileHeaderSize + kCoreHeaderSize) {
            return std::nullopt;
        }
        h.width = sys::ReadLe16(data, kFileHeaderSize + 4);
        h.height = static_cast<int16_t>(sys::ReadLe16(data, kFileHeaderSize + 6));
        if (sys::ReadLe16(data, kFileHeaderSize + 8) != 1) {
            return std::nullopt;
        }
        h.bitCount = sys::ReadLe16(data, kFileHeaderSize + 10);
        h.paletteEntrySize = 3;
        return h;
    }
    if (h.headerSize < kInfoHeaderSize || data.size() < kFileHeaderSize + h.headerSize) {
        return std::nullopt;
    }
    h.width = static_cast<int32_t>(sys::ReadLe32(data, kFileHeaderSize + 4));
    h.height = static_cast<int32_t>(sys::ReadLe32(data, kFileHeaderSize + 8));
    if (sys::ReadLe16(data, kFileHeaderSize + 12) != 1) {
        return std::nullopt;
    }
    h.bitCount = sys::ReadLe16(data, kFileHeaderSize + 14);
    h.compression = sys::ReadLe32(data, kFileHeaderSize + 16);
    h.colorsUsed = sys::ReadLe32(data, kFileHeaderSize + 32);
    return h;
}

bool IsSupported(const BmpHeader& h) {
    const int64_t rows = h.height < 0 ? -h.height : h.height;
    if (h.width <= 0 || rows == 0 || h.width > Surface::kMaxDimension || rows > Surface::kMaxDimension) {
        return false;
    }
    switch (h.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
        return h.compression == kBiRgb;
    case 32:
        return h.compression == kBiRgb || h.compression == kBiBitfields;
    default:
        return false;
    }
}

} // namespace

std::optional<Surface> DecodeBmp(std::span<const uint8_t> data) {
    const std::optional<BmpHeader> header = ReadHeader(data);
    if (!header || !IsSupported(*header)) {
        return std::nullopt;
    }
    const BmpHeader& h = *header;
    const bool topDown = h.height < 0;
    const int32_t width = static_cast<int32_t>(h.width);
    const int32_t height = static_cast<int32_t>(topDown ? -h.height : h.height);

    // What follows the info header: bit-field masks (only after a plain 40-byte header; longer
    // headers carry them inside), then the palette.
    size_t cursor = kFileHeaderSize + h.headerSize;
    Channel red = Channel::From(0x00FF0000);
    Channel green = Channel::From(0x0000FF00);
    Channel blue = Channel::From(0x000000FF);
    if (h.compression == kBiBitfields) {
        const size_t maskAt = (h.headerSize == kInfoHeaderSize) ? cursor : kFileHeaderSize + kInfoHeaderSize;
        if (maskAt + 12 > data.size()) {
            return std::nullopt;
        }
        red = Channel::From(sys::ReadLe32(data, maskAt));
        green = Channel::From(sys::ReadLe32(data, maskAt + 4));
        blue = Channel::From(sys::ReadLe32(data, maskAt + 8));
        if (h.headerSize == kInfoHeaderSize) {
            cursor += 12;
        }
    }

    std::vector<Pixel> palette;
    if (h.bitCount <= 8) {
        const uint32_t maxColors = 1u << h.bitCount;
        const uint32_t colors = (h.colorsUsed == 0 || h.headerSize == kCoreHeaderSize) ? maxColors : h.colorsUsed;
        if (colors > maxColors) {
            return std::nullopt;
        }
        if (cursor + size_t{colors} * h.paletteEntrySize > data.size()) {
            return std::nullopt;
        }
        for (uint32_t i = 0; i < colors; ++i) {
            const size_t at = cursor + size_t{i} * h.paletteEntrySize;
            palette.push_back(MakePixel(data[at + 2], data[at + 1], data[at]));
        }
        cursor += size_t{colors} * h.paletteEntrySize;
    }

    // The pixel data starts where the file header says; an offset of 0 (some writers leave it out)
    // means right after the palette.
    size_t pixelsAt = sys::ReadLe32(data, 10);
    if (pixelsAt == 0) {
        pixelsAt = cursor;
    }
    const uint64_t stride = ((uint64_t(width) * h.bitCount + 31) / 32) * 4;
    const uint64_t needed = stride * uint64_t(height);
    if (pixelsAt < kFileHeaderSize + h.headerSize || pixelsAt > data.size() || needed > data.size() - pixelsAt) {
        return std::nullopt;
    }

    Surface surface(width, height);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t stored = topDown ? y : height - 1 - y;
        const std::span<const uint8_t> row = data.subspan(pixelsAt + size_t(stride) * size_t(stored), size_t(stride));
        std::span<Pixel> out = surface.Row(y);
        for (int32_t x = 0; x < width; ++x) {
            const size_t ux = static_cast<size_t>(x);
            switch (h.bitCount) {
            case 1:
            case 4:
            case 8: {
                const size_t bit = ux * h.bitCount;
                const uint32_t shift = 8 - h.bitCount - static_cast<uint32_t>(bit % 8);
                const uint32_t index = (row[bit / 8] >> shift) & ((1u << h.bitCount) - 1);
                // An index past a short palette reads as black, as the display would show it.
                out[ux] = index < palette.size() ? palette[index] : 0;
                break;
            }
            case 24:
                out[ux] = MakePixel(row[ux * 3 + 2], row[ux * 3 + 1], row[ux * 3]);
                break;
            default: {
                const uint32_t v = sys::ReadLe32(row, ux * 4);
                out[ux] = MakePixel(red.Read(v), green.Read(v), blue.Read(v));
                break;
            }
            }
        }
    }
    return surface;
}

} // namespace ui
