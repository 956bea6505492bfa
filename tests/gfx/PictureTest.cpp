// JPEG decoding (baseline and progressive, made here with libjpeg-turbo's own compressor) and the
// choice of decoder by signature.
#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <string>

#include "tests/gfx/BmpWriter.h"
#include "ui/gfx/Jpeg.h"
#include "ui/gfx/Picture.h"

namespace {

constexpr int kWidth = 37; // not a multiple of the 8 or 16 pixel blocks
constexpr int kHeight = 21;

// A smooth gradient in BGRX order.
std::vector<uint8_t> Gradient() {
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &pixels[(size_t(y) * kWidth + x) * 4];
            p[0] = uint8_t(x * 6);       // blue
            p[1] = uint8_t(y * 10);      // green
            p[2] = uint8_t(200);         // red
            p[3] = 0;
        }
    }
    return pixels;
}

std::vector<uint8_t> Compress(bool progressive) {
    tjhandle handle = tjInitCompress();
    EXPECT_NE(handle, nullptr);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const std::vector<uint8_t> pixels = Gradient();
    const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    const int rc = tjCompress2(handle, pixels.data(), kWidth, kWidth * 4, kHeight, TJPF_BGRX, &jpeg, &size, TJSAMP_420,
                               95, flags);
    EXPECT_EQ(rc, 0) << tjGetErrorStr2(handle);
    std::vector<uint8_t> out(jpeg, jpeg + size);
    tjFree(jpeg);
    tjDestroy(handle);
    return out;
}

// Whether the stream holds the given start-of-frame marker (C0 baseline, C2 progressive).
bool HasMarker(const std::vector<uint8_t>& jpeg, uint8_t marker) {
    for (size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) {
            return true;
        }
    }
    return false;
}

struct JpegCase {
    std::string name;
    bool progressive;
    uint8_t frameMarker;
};

class JpegDecode : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegDecode, GivesTheSizeAndColoursOfThePicture) {
    const std::vector<uint8_t> jpeg = Compress(GetParam().progressive);
    ASSERT_TRUE(HasMarker(jpeg, GetParam().frameMarker));
    const std::optional<ui::Surface> s = ui::DecodeJpeg(jpeg);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->Width(), kWidth);
    EXPECT_EQ(s->Height(), kHeight);
    // Lossy, so near the source; the unused top byte is 0.
    const std::vector<uint8_t> source = Gradient();
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &source[(size_t(y) * kWidth + x) * 4];
            const ui::Pixel got = s->At(x, y);
            EXPECT_EQ(got >> 24, 0u);
            EXPECT_NEAR(ui::PixelBlue(got), p[0], 12) << x << "," << y;
            EXPECT_NEAR(ui::PixelGreen(got), p[1], 12) << x << "," << y;
            EXPECT_NEAR(ui::PixelRed(got), p[2], 12) << x << "," << y;
        }
    }
}

TEST_P(JpegDecode, CorruptOrTruncatedStreamsGiveNothing) {
    const std::vector<uint8_t> jpeg = Compress(GetParam().progressive);
    const std::vector<size_t> lengths = {2, 20, jpeg.size() / 3, jpeg.size() / 2, jpeg.size() - 2};
    for (size_t length : lengths) {
        EXPECT_FALSE(ui::DecodeJpeg(std::span(jpeg).first(length)).has_value()) << "length " << length;
    }
    std::vector<uint8_t> garbage = jpeg;
    for (size_t i = garbage.size() / 4; i < garbage.size() - 2; ++i) {
        garbage[i] = static_cast<uint8_t>(i * 37);
    }
    EXPECT_FALSE(ui::DecodeJpeg(garbage).has_value());
}

INSTANTIATE_TEST_SUITE_P(Encodings, JpegDecode,
                         ::testing::Values(JpegCase{"Baseline", false, 0xC0}, JpegCase{"Progressive", true, 0xC2}),
                         [](const auto& param) { return param.param.name; });

TEST(DecodePicture, PicksTheDecoderBySignature) {
    const std::vector<uint8_t> bmp = gfxtest::WriteBmp({3, 2, 24, 0, {}, {}}, std::vector<uint32_t>(6, 0x102030));
    const std::vector<uint8_t> jpeg = Compress(true);
    const struct {
        std::string name;
        std::vector<uint8_t> data;
        int32_t width; // 0: nothing expected
    } cases[] = {
        {"Jpeg", jpeg, kWidth},
        {"Bitmap", bmp, 3},
        {"Empty", {}, 0},
        {"OneByte", {0xFF}, 0},
        {"UnknownSignature", {'G', 'I', 'F', '8', '9', 'a'}, 0},
        {"JpegSignatureOnly", {0xFF, 0xD8}, 0},
        {"BitmapSignatureOnly", {'B', 'M'}, 0},
    };
    for (const auto& c : cases) {
        const std::optional<ui::Surface> s = ui::DecodePicture(c.data);
        EXPECT_EQ(s.has_value(), c.width != 0) << c.name;
        if (s) {
            EXPECT_EQ(s->Width(), c.width) << c.name;
        }
    }
}

} // namespace
