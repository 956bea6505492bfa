// Window icons: Windows icon files (32-bit with alpha, palette entries with an AND mask, the
// largest entry chosen, malformed files refused) and the _NET_WM_ICON layout.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "sys/ByteOrder.h"
#include "ui/x11/X11Icon.h"

namespace ui::x11 {
namespace {

// One bitmap entry of an icon file, built as a Windows icon writer lays it out.
struct EntryShape {
    int32_t width = 4;
    int32_t height = 4;
    uint16_t bitCount = 32;
    // Pixel colour (0x00RRGGBB) and, for 32 bits, alpha by picture position (top row is y = 0).
    std::function<Pixel(int32_t, int32_t)> color = [](int32_t, int32_t) { return MakePixel(10, 20, 30); };
    std::function<uint8_t(int32_t, int32_t)> alpha = [](int32_t, int32_t) { return uint8_t{255}; };
    // AND mask bit by position (true: transparent); none when empty.
    std::function<bool(int32_t, int32_t)> masked;
};

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

std::vector<uint8_t> EntryBytes(const EntryShape& shape) {
    std::vector<uint8_t> out;
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(shape.width));
    Put32(out, static_cast<uint32_t>(shape.height * 2));
    Put16(out, 1);
    Put16(out, shape.bitCount);
    for (int i = 0; i < 6; ++i) {
        Put32(out, 0);
    }
    if (shape.bitCount == 1) {
        Put32(out, 0x000000);   // index 0: black
        Put32(out, 0xFFFFFF);   // index 1: white
    }
    const size_t stride = ((static_cast<size_t>(shape.width) * shape.bitCount + 31) / 32) * 4;
    for (int32_t row = shape.height - 1; row >= 0; --row) {
        std::vector<uint8_t> line(stride, 0);
        for (int32_t x = 0; x < shape.width; ++x) {
            const Pixel p = shape.color(x, row);
            if (shape.bitCount == 32) {
                line[x * 4] = PixelBlue(p);
                line[x * 4 + 1] = PixelGreen(p);
                line[x * 4 + 2] = PixelRed(p);
                line[x * 4 + 3] = shape.alpha(x, row);
            } else if (shape.bitCount == 1 && p != 0) {
                line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    if (shape.masked) {
        const size_t andStride = ((static_cast<size_t>(shape.width) + 31) / 32) * 4;
        for (int32_t row = shape.height - 1; row >= 0; --row) {
            std::vector<uint8_t> line(andStride, 0);
            for (int32_t x = 0; x < shape.width; ++x) {
                if (shape.masked(x, row)) {
                    line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                }
            }
            out.insert(out.end(), line.begin(), line.end());
        }
    }
    return out;
}

std::vector<uint8_t> IconFile(const std::vector<std::vector<uint8_t>>& entries) {
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<uint16_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (const auto& e : entries) {
        out.insert(out.end(), {0, 0, 0, 0});
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<uint32_t>(e.size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(e.size());
    }
    for (const auto& e : entries) {
        out.insert(out.end(), e.begin(), e.end());
    }
    return out;
}

uint8_t AlphaAt(const IconImage& icon, int32_t x, int32_t y) {
    return icon.alpha[static_cast<size_t>(y) * static_cast<size_t>(icon.pixels.Width()) + static_cast<size_t>(x)];
}

TEST(X11IconTest, ThirtyTwoBitEntryKeepsColoursRowsAndAlpha) {
    EntryShape shape;
    shape.width = 3;
    shape.height = 2;
    shape.color = [](int32_t x, int32_t y) { return MakePixel(static_cast<uint8_t>(x * 50), static_cast<uint8_t>(y * 100), 7); };
    shape.alpha = [](int32_t x, int32_t y) { return static_cast<uint8_t>(x == 0 && y == 0 ? 0 : 200); };
    const auto icon = DecodeIcon(IconFile({EntryBytes(shape)}));
    ASSERT_TRUE(icon.has_value());
    ASSERT_EQ(icon->pixels.Width(), 3);
    ASSERT_EQ(icon->pixels.Height(), 2);
    EXPECT_EQ(icon->pixels.At(2, 1), MakePixel(100, 100, 7)); // bottom-up rows come out top-down
    EXPECT_EQ(icon->pixels.At(1, 0), MakePixel(50, 0, 7));
    EXPECT_EQ(AlphaAt(*icon, 0, 0), 0);
    EXPECT_EQ(AlphaAt(*icon, 2, 1), 200);
}

TEST(X11IconTest, AndMaskGivesTransparencyWhenNoAlphaIsSet) {
    for (uint16_t bits : {uint16_t{1}, uint16_t{32}}) {
        EntryShape shape;
        shape.bitCount = bits;
        shape.color = [](int32_t x, int32_t) { return x % 2 == 0 ? MakePixel(255, 255, 255) : Pixel{0}; };
        shape.alpha = [](int32_t, int32_t) { return uint8_t{0}; };
        shape.masked = [](int32_t x, int32_t y) { return x == 3 && y == 0; };
        const auto icon = DecodeIcon(IconFile({EntryBytes(shape)}));
        ASSERT_TRUE(icon.has_value()) << bits;
        EXPECT_EQ(icon->pixels.At(0, 0), MakePixel(255, 255, 255)) << bits;
        EXPECT_EQ(icon->pixels.At(1, 0), Pixel{0}) << bits;
        EXPECT_EQ(AlphaAt(*icon, 3, 0), 0) << bits;
        EXPECT_EQ(AlphaAt(*icon, 2, 0), 255) << bits;
        EXPECT_EQ(AlphaAt(*icon, 3, 3), 255) << bits;
    }
}

TEST(X11IconTest, LargestUsableEntryIsChosen) {
    EntryShape small;
    small.width = small.height = 2;
    small.color = [](int32_t, int32_t) { return MakePixel(1, 1, 1); };
    EntryShape large;
    large.width = large.height = 8;
    large.color = [](int32_t, int32_t) { return MakePixel(2, 2, 2); };
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0};
    const auto icon = DecodeIcon(IconFile({EntryBytes(small), png, EntryBytes(large)}));
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->pixels.Width(), 8);
    EXPECT_EQ(icon->pixels.At(7, 7), MakePixel(2, 2, 2));
}

TEST(X11IconTest, MalformedIconFilesGiveNothing) {
    const std::vector<uint8_t> good = IconFile({EntryBytes(EntryShape{})});
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"entry offset past the end", [](auto& f) { sys::WriteLe32(f, 6 + 12, 0xFFFFFFF0u); }},
        {"entry size past the end", [](auto& f) { sys::WriteLe32(f, 6 + 8, 0x7FFFFFFFu); }},
        {"cut inside the pixels", [](auto& f) { f.resize(f.size() - 60); sys::WriteLe32(f, 6 + 8, static_cast<uint32_t>(f.size() - 22)); }},
        {"header size larger than the entry", [](auto& f) { sys::WriteLe32(f, 22, 0x10000u); }},
        {"odd doubled height", [](auto& f) { sys::WriteLe32(f, 22 + 8, 7); }},
        {"zero width", [](auto& f) { sys::WriteLe32(f, 22 + 4, 0); }},
        {"wider than an icon may be", [](auto& f) { sys::WriteLe32(f, 22 + 4, 4096); }},
        {"palette larger than the bit depth", [](auto& f) { sys::WriteLe16(f, 22 + 14, 1); sys::WriteLe32(f, 22 + 32, 3); }},
        {"directory cut short", [](auto& f) { f.resize(10); }},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = good;
        c.damage(file);
        EXPECT_FALSE(DecodeIcon(file).has_value()) << c.name;
    }
    EXPECT_TRUE(DecodeIcon(good).has_value());
    EXPECT_FALSE(DecodeIcon({}).has_value());
}

TEST(X11IconTest, NetWmIconIsSizeThenArgbRows) {
    IconImage icon{Surface(2, 2), {255, 0, 128, 255}};
    icon.pixels.Set(0, 0, MakePixel(0x11, 0x22, 0x33));
    icon.pixels.Set(1, 1, MakePixel(0xAA, 0xBB, 0xCC));
    const std::vector<unsigned long> expected = {2, 2, 0xFF112233ul, 0x00000000ul, 0x80000000ul, 0xFFAABBCCul};
    EXPECT_EQ(NetWmIconData(icon), expected);

    IconImage mismatched{Surface(2, 2), {255}};
    EXPECT_TRUE(NetWmIconData(mismatched).empty());
}

} // namespace
} // namespace ui::x11
