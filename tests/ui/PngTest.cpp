// The snapshot PNG encoder: its checksums and the stream's structure.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "ui/headless/HeadlessDisplay.h"
#include "ui/headless/Png.h"

namespace ui {
namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

uint32_t BigEndian32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

TEST(PngTest, ChecksumsMatchTheirReferenceValues) {
    struct Case {
        std::string_view text;
        uint32_t crc;
        uint32_t adler;
    };
    const Case cases[] = {
        {"", 0x00000000u, 0x00000001u},
        {"123456789", 0xCBF43926u, 0x091E01DEu},
        {"Wikipedia", 0xADAAC02Eu, 0x11E60398u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Crc32(Bytes(c.text)), c.crc);
        EXPECT_EQ(Adler32(Bytes(c.text)), c.adler);
    }
    // Long runs of 0xFF: the sums are reduced before they can overflow.
    const std::vector<uint8_t> ones(100000, 0xFF);
    uint32_t a = 1;
    uint32_t b = 0;
    for (uint8_t v : ones) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    EXPECT_EQ(Adler32(ones), (b << 16) | a);
}

TEST(PngTest, EncodesChunksAndStoredBlocksThatCoverEveryScanline) {
    struct Case {
        int32_t width;
        int32_t height;
        size_t blocks; // stored deflate blocks of at most 65535 bytes
    };
    const Case cases[] = {{2, 2, 1}, {200, 120, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        const Surface surface(c.width, c.height, MakePixel(1, 2, 3));
        const std::vector<uint8_t> png = EncodePng(surface);
        ASSERT_GT(png.size(), 33u);
        EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
                  (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
        EXPECT_EQ(BigEndian32(png, 8), 13u);
        EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(&png[12]), 4), "IHDR");
        EXPECT_EQ(BigEndian32(png, 16), static_cast<uint32_t>(c.width));
        EXPECT_EQ(BigEndian32(png, 20), static_cast<uint32_t>(c.height));
        EXPECT_EQ(BigEndian32(png, 29), Crc32(std::span<const uint8_t>(png).subspan(12, 17)));

        const size_t idat = 33;
        const uint32_t length = BigEndian32(png, idat);
        ASSERT_EQ(std::string_view(reinterpret_cast<const char*>(&png[idat + 4]), 4), "IDAT");
        const size_t raw = static_cast<size_t>(c.height) * (1 + 3 * static_cast<size_t>(c.width));
        // zlib header, 5 bytes per stored block, the raw scanlines, Adler-32.
        EXPECT_EQ(length, 2 + 5 * c.blocks + raw + 4);
        EXPECT_EQ(png[idat + 8 + 2], c.blocks == 1 ? 1 : 0); // BFINAL on the last block only
        const size_t end = idat + 12 + length;
        ASSERT_EQ(png.size(), end + 12);
        EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(&png[end + 4]), 4), "IEND");
    }
    EXPECT_TRUE(EncodePng(Surface()).empty());
}

TEST(PngTest, SnapshotNamesSortByFrameAndKeepOnlyPlainCharacters) {
    EXPECT_EQ(SnapshotFileName(u"Kestrel Updater", WindowHandle{7}, 3), "Kestrel_Updater-000003.png");
    EXPECT_EQ(SnapshotFileName(u"", WindowHandle{42}, 12), "window-42-000012.png");
    EXPECT_EQ(SnapshotFileName(u"a/b\u00e9", WindowHandle{1}, 1), "a_b_-000001.png");
    EXPECT_LT(SnapshotFileName(u"w", WindowHandle{1}, 9), SnapshotFileName(u"w", WindowHandle{1}, 10));
}

} // namespace
} // namespace ui
