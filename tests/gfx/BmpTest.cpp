// The bitmap reader: the formats the skin's masks and pictures use, and hostile headers.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "sys/ByteOrder.h"
#include "tests/gfx/BmpWriter.h"
#include "ui/gfx/Bmp.h"

namespace {

using gfxtest::BmpFormat;
using gfxtest::WriteBmp;
using ui::Pixel;

std::vector<Pixel> GreyPalette16() {
    std::vector<Pixel> palette;
    for (uint8_t i = 0; i < 16; ++i) {
        palette.push_back(ui::MakePixel(uint8_t(i * 17), uint8_t(i * 17), uint8_t(i * 17)));
    }
    return palette;
}

struct DecodeCase {
    std::string name;
    BmpFormat format;
    std::vector<uint32_t> stored;
    std::vector<Pixel> expected;
};

std::vector<DecodeCase> DecodeCases() {
    const Pixel W = 0xFFFFFF;
    const Pixel K = 0x000000;
    const Pixel G8 = 0x888888;
    return {
        // A window mask as shipped: 4 bits, grey palette, white corners; odd width exercises the
        // half-byte at the row end and the row padding.
        {"FourBitGreyMask", {7, 3, 4, 0, GreyPalette16(), {}},
         {15, 0, 0, 8, 0, 0, 15,
          0, 0, 0, 8, 0, 0, 0,
          15, 0, 0, 8, 0, 0, 15},
         {W, K, K, G8, K, K, W,
          K, K, K, G8, K, K, K,
          W, K, K, G8, K, K, W}},
        {"TwentyFourBitTopDown", {3, -2, 24, 0, {}, {}},
         {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203},
         {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203}},
        {"TwentyFourBitBottomUp", {3, 2, 24, 0, {}, {}},
         {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203},
         {0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0, 0x010203}},
        {"OneBit", {10, 2, 1, 0, {K, 0x00FF00}, {}},
         {1, 0, 1, 1, 0, 0, 0, 0, 1, 0,
          0, 1, 0, 0, 1, 1, 1, 1, 0, 1},
         {0x00FF00, K, 0x00FF00, 0x00FF00, K, K, K, K, 0x00FF00, K,
          K, 0x00FF00, K, K, 0x00FF00, 0x00FF00, 0x00FF00, 0x00FF00, K, 0x00FF00}},
        // Two colours used: index 2 has no palette entry and reads as black.
        {"EightBitShortPalette", {3, 1, 8, 0, {0x112233, 0x445566}, {}},
         {0, 1, 2},
         {0x112233, 0x445566, K}},
        {"ThirtyTwoBitIgnoresTopByte", {2, 1, 32, 0, {}, {}},
         {0xAA112233, 0x00445566},
         {0x112233, 0x445566}},
        {"ThirtyTwoBitBitFields", {2, 1, 32, 3, {}, {0x000000FF, 0x0000FF00, 0x00FF0000}},
         {0x00332211, 0xFF665544},
         {0x112233, 0x445566}},
    };
}

class BmpDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(BmpDecode, GivesThePixelsInPictureOrder) {
    const DecodeCase& c = GetParam();
    const std::optional<ui::Surface> surface = ui::DecodeBmp(WriteBmp(c.format, c.stored));
    ASSERT_TRUE(surface.has_value());
    const int32_t rows = c.format.height < 0 ? -c.format.height : c.format.height;
    ASSERT_EQ(surface->Width(), c.format.width);
    ASSERT_EQ(surface->Height(), rows);
    for (int32_t y = 0; y < rows; ++y) {
        for (int32_t x = 0; x < c.format.width; ++x) {
            EXPECT_EQ(surface->At(x, y), c.expected[size_t(y * c.format.width + x)]) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, BmpDecode, ::testing::ValuesIn(DecodeCases()),
                         [](const auto& param) { return param.param.name; });

std::vector<uint8_t> ValidFourBit() {
    return WriteBmp({7, 3, 4, 0, GreyPalette16(), {}}, std::vector<uint32_t>(21, 3));
}

TEST(BmpReject, EveryTruncationOfAValidFile) {
    const std::vector<uint8_t> file = ValidFourBit();
    ASSERT_TRUE(ui::DecodeBmp(file).has_value());
    for (size_t length = 0; length < file.size(); ++length) {
        EXPECT_FALSE(ui::DecodeBmp(std::span(file).first(length)).has_value()) << "length " << length;
    }
}

struct PatchCase {
    std::string name;
    std::function<void(std::vector<uint8_t>&)> patch;
};

void Put32(std::vector<uint8_t>& f, size_t at, uint32_t v) { sys::WriteLe32(f, at, v); }
void Put16(std::vector<uint8_t>& f, size_t at, uint16_t v) { sys::WriteLe16(f, at, v); }

TEST(BmpReject, HostileOrUnsupportedHeaders) {
    const std::vector<PatchCase> cases = {
        {"NotBM", [](auto& f) { f[1] = 'A'; }},
        {"HugeWidth", [](auto& f) { Put32(f, 18, 0x7FFFFFFF); }},
        {"HugeHeight", [](auto& f) { Put32(f, 22, 0x7FFFFFFF); }},
        {"MostNegativeHeight", [](auto& f) { Put32(f, 22, 0x80000000u); }},
        {"NegativeWidth", [](auto& f) { Put32(f, 18, 0xFFFFFFF0u); }},
        {"ZeroWidth", [](auto& f) { Put32(f, 18, 0); }},
        {"ZeroHeight", [](auto& f) { Put32(f, 22, 0); }},
        // Within the size limit, but the data for it is not there: refused before allocating.
        {"LargestSizeWithoutData", [](auto& f) { Put32(f, 18, 16384); Put32(f, 22, 16384); }},
        {"TwoPlanes", [](auto& f) { Put16(f, 26, 2); }},
        {"SixteenBits", [](auto& f) { Put16(f, 28, 16); }},
        {"RunLengthCompressed", [](auto& f) { Put32(f, 30, 2); }},
        {"MorePaletteColoursThanBits", [](auto& f) { Put32(f, 46, 17); }},
        {"PaletteCountHuge", [](auto& f) { Put32(f, 46, 0xFFFFFFFF); }},
        {"PixelOffsetPastTheEnd", [](auto& f) { Put32(f, 10, 0xFFFFFFF0u); }},
        {"PixelOffsetInsideHeader", [](auto& f) { Put32(f, 10, 20); }},
        {"HeaderSizeTooSmall", [](auto& f) { Put32(f, 14, 39); }},
        {"HeaderSizeHuge", [](auto& f) { Put32(f, 14, 0xFFFFFFFF); }},
    };
    for (const PatchCase& c : cases) {
        std::vector<uint8_t> file = ValidFourBit();
        c.patch(file);
        EXPECT_FALSE(ui::DecodeBmp(file).has_value()) << c.name;
    }
}

TEST(BmpDecodeCoreHeader, ReadsThreeBytePaletteEntries) {
    // 12-byte core header, 8 bits, 256 three-byte palette entries, 2 x 1 pixels.
    std::vector<uint8_t> f(14 + 12 + 256 * 3 + 4, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 10, 14 + 12 + 256 * 3);
    Put32(f, 14, 12);
    Put16(f, 18, 2);
    Put16(f, 20, 1);
    Put16(f, 22, 1);
    Put16(f, 24, 8);
    const size_t palette = 26;
    f[palette + 5 * 3] = 0x33; // entry 5: B, G, R
    f[palette + 5 * 3 + 1] = 0x22;
    f[palette + 5 * 3 + 2] = 0x11;
    f[palette + 256 * 3] = 5;
    f[palette + 256 * 3 + 1] = 0;
    const std::optional<ui::Surface> s = ui::DecodeBmp(f);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->At(0, 0), 0x112233u);
    EXPECT_EQ(s->At(1, 0), 0u);
}

} // namespace
