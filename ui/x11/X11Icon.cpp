// Icon decoding for the X11 window icon (see X11Icon.h).
#include "ui/x11/X11Icon.h"

#include <algorithm>

#include "sys/ByteOrder.h"
#include "ui/gfx/Picture.h"

namespace ui::x11 {
namespace {

constexpr size_t kDirHeaderSize = 6;
constexpr size_t kDirEntrySize = 16;
constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kBiBitfields = 3;

bool IsIconFile(std::span<const uint8_t> data) {
    return data.size() >= kDirHeaderSize && sys::ReadLe16(data, 0) == 0 && sys::ReadLe16(data, 2) == 1 &&
           sys::ReadLe16(data, 4) > 0;
}

// One bitmap entry of an icon file, checked against the entry's bytes.
struct DibEntry {
    std::span<const uint8_t> bytes; // BITMAPINFOHEADER onward
    int32_t width = 0;
    int32_t height = 0;             // of the picture, half the header's (XOR and AND parts)
    uint32_t bitCount = 0;
    size_t xorOffset = 0;           // from the start of `bytes`
    size_t xorStride = 0;
};

std::optional<DibEntry> ReadDibEntry(std::span<const uint8_t> bytes) {
    if (bytes.size() < kInfoHeaderSize) {
        return std::nullopt;
    }
    const uint32_t headerSize = sys::ReadLe32(bytes, 0);
    if (headerSize < kInfoHeaderSize || headerSize > bytes.size()) {
        return std::nullopt; // a PNG entry lands here too: its first bytes are no header size
    }
    DibEntry entry;
    entry.bytes = bytes;
    entry.width = static_cast<int32_t>(sys::ReadLe32(bytes, 4));
    const auto doubledHeight = static_cast<int32_t>(sys::ReadLe32(bytes, 8));
    entry.bitCount = sys::ReadLe16(bytes, 14);
    const uint32_t compression = sys::ReadLe32(bytes, 16);
    const uint32_t colorsUsed = sys::ReadLe32(bytes, 32);
    if (entry.width <= 0 || entry.width > kMaxIconSide || doubledHeight <= 0 || doubledHeight % 2 != 0 ||
        doubledHeight / 2 > kMaxIconSide) {
        return std::nullopt;
    }
    entry.height = doubledHeight / 2;
    size_t palette = 0;
    if (entry.bitCount <= 8) {
        const uint32_t maxColors = 1u << entry.bitCount;
        if (colorsUsed > maxColors) {
            return std::nullopt;
        }
        palette = 4u * (colorsUsed != 0 ? colorsUsed : maxColors);
    } else if (compression == kBiBitfields && headerSize == kInfoHeaderSize) {
        palette = 12; // the three masks follow the header
    }
    entry.xorOffset = headerSize + palette;
    entry.xorStride = ((static_cast<size_t>(entry.width) * entry.bitCount + 31) / 32) * 4;
    if (entry.xorOffset + entry.xorStride * static_cast<size_t>(entry.height) > bytes.size()) {
        return std::nullopt;
    }
    return entry;
}

// The entry as a bitmap file of the picture's own height, for the shared decoder.
std::vector<uint8_t> AsBitmapFile(const DibEntry& entry) {
    std::vector<uint8_t> file(kBmpFileHeaderSize + entry.bytes.size());
    file[0] = 'B';
    file[1] = 'M';
    sys::WriteLe32(file, 2, static_cast<uint32_t>(file.size()));
    sys::WriteLe32(file, 10, static_cast<uint32_t>(kBmpFileHeaderSize + entry.xorOffset));
    std::copy(entry.bytes.begin(), entry.bytes.end(), file.begin() + kBmpFileHeaderSize);
    sys::WriteLe32(file, kBmpFileHeaderSize + 8, static_cast<uint32_t>(entry.height));
    return file;
}

// Transparency: a 32-bit entry's alpha bytes when any is set, otherwise the AND mask (a set bit is
// transparent) when the entry holds one, otherwise opaque. Rows are stored bottom-up.
std::vector<uint8_t> ReadAlpha(const DibEntry& entry) {
    const auto width = static_cast<size_t>(entry.width);
    const auto height = static_cast<size_t>(entry.height);
    std::vector<uint8_t> alpha(width * height, 255);
    if (entry.bitCount == 32) {
        bool anyAlpha = false;
        for (size_t y = 0; y < height; ++y) {
            const size_t row = entry.xorOffset + (height - 1 - y) * entry.xorStride;
            for (size_t x = 0; x < width; ++x) {
                alpha[y * width + x] = entry.bytes[row + x * 4 + 3];
                anyAlpha = anyAlpha || alpha[y * width + x] != 0;
            }
        }
        if (anyAlpha) {
            return alpha;
        }
        std::fill(alpha.begin(), alpha.end(), 255);
    }
    const size_t andOffset = entry.xorOffset + entry.xorStride * height;
    const size_t andStride = ((width + 31) / 32) * 4;
    if (andOffset + andStride * height > entry.bytes.size()) {
        return alpha;
    }
    for (size_t y = 0; y < height; ++y) {
        const size_t row = andOffset + (height - 1 - y) * andStride;
        for (size_t x = 0; x < width; ++x) {
            if ((entry.bytes[row + x / 8] & (0x80 >> (x % 8))) != 0) {
                alpha[y * width + x] = 0;
            }
        }
    }
    return alpha;
}

std::optional<IconImage> DecodeIconFile(std::span<const uint8_t> data) {
    const size_t count = sys::ReadLe16(data, 4);
    std::optional<DibEntry> best;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = kDirHeaderSize + i * kDirEntrySize;
        if (at + kDirEntrySize > data.size()) {
            break;
        }
        const uint32_t size = sys::ReadLe32(data, at + 8);
        const uint32_t offset = sys::ReadLe32(data, at + 12);
        if (offset > data.size() || size > data.size() - offset) {
            continue;
        }
        const auto entry = ReadDibEntry(data.subspan(offset, size));
        if (!entry) {
            continue;
        }
        const auto area = [](const DibEntry& e) { return int64_t{e.width} * e.height; };
        if (!best || area(*entry) > area(*best) || (area(*entry) == area(*best) && entry->bitCount > best->bitCount)) {
            best = entry;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    auto picture = DecodePicture(AsBitmapFile(*best));
    if (!picture || picture->Width() != best->width || picture->Height() != best->height) {
        return std::nullopt;
    }
    return IconImage{std::move(*picture), ReadAlpha(*best)};
}

} // namespace

std::optional<IconImage> DecodeIcon(std::span<const uint8_t> data) {
    if (IsIconFile(data)) {
        return DecodeIconFile(data);
    }
    auto picture = DecodePicture(data);
    if (!picture || picture->Width() > kMaxIconSide || picture->Height() > kMaxIconSide) {
        return std::nullopt;
    }
    std::vector<uint8_t> alpha(static_cast<size_t>(picture->Width()) * static_cast<size_t>(picture->Height()), 255);
    return IconImage{std::move(*picture), std::move(alpha)};
}

std::vector<unsigned long> NetWmIconData(const IconImage& icon) {
    const Surface& pixels = icon.pixels;
    const size_t count = static_cast<size_t>(pixels.Width()) * static_cast<size_t>(pixels.Height());
    if (pixels.IsEmpty() || icon.alpha.size() != count) {
        return {};
    }
    std::vector<unsigned long> values;
    values.reserve(2 + count);
    values.push_back(static_cast<unsigned long>(pixels.Width()));
    values.push_back(static_cast<unsigned long>(pixels.Height()));
    for (int32_t y = 0; y < pixels.Height(); ++y) {
        for (int32_t x = 0; x < pixels.Width(); ++x) {
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(pixels.Width()) + static_cast<size_t>(x);
            values.push_back((static_cast<unsigned long>(icon.alpha[i]) << 24) | (pixels.At(x, y) & 0xFFFFFFu));
        }
    }
    return values;
}

} // namespace ui::x11
