// JPEG decoding through the platform's picture decoder: a baseline and a progressive picture of
// four flat quadrants (tests/gfx/win32/data, embedded as this binary's resources JPG 1 and 2) come
// out at their size and near their colours; damaged or oversized streams give nothing.
#include "ui/gfx/Jpeg.h"
#include "ui/gfx/Picture.h"
#include "ui/gfx/Resource.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace {

using ui::Pixel;

constexpr int32_t kWidth = 37;
constexpr int32_t kHeight = 21;
constexpr int kTolerance = 24; // lossy, with halved colour resolution

struct Quadrant {
    int32_t x;
    int32_t y;
    Pixel colour;
};

// Points well inside each quadrant of the pictures that make-data.sh draws.
constexpr Quadrant kQuadrants[] = {
    {5, 3, ui::MakePixel(220, 30, 30)},
    {31, 3, ui::MakePixel(30, 200, 60)},
    {5, 17, ui::MakePixel(40, 60, 210)},
    {31, 17, ui::MakePixel(230, 230, 230)},
};

std::vector<uint8_t> Resource(uint32_t id) {
    const std::span<const uint8_t> bytes = ui::FindResource(u"JPG", id);
    return {bytes.begin(), bytes.end()};
}

bool HasMarker(const std::vector<uint8_t>& jpeg, uint8_t marker) {
    for (size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) {
            return true;
        }
    }
    return false;
}

void ExpectQuadrants(const ui::Surface& s, const std::string& name) {
    ASSERT_EQ(s.Width(), kWidth) << name;
    ASSERT_EQ(s.Height(), kHeight) << name;
    for (const Quadrant& q : kQuadrants) {
        const Pixel got = s.At(q.x, q.y);
        EXPECT_EQ(got >> 24, 0u) << name;
        EXPECT_NEAR(ui::PixelRed(got), ui::PixelRed(q.colour), kTolerance)
            << name << " at " << q.x << "," << q.y;
        EXPECT_NEAR(ui::PixelGreen(got), ui::PixelGreen(q.colour), kTolerance)
            << name << " at " << q.x << "," << q.y;
        EXPECT_NEAR(ui::PixelBlue(got), ui::PixelBlue(q.colour), kTolerance)
            << name << " at " << q.x << "," << q.y;
    }
}

const struct {
    std::string name;
    uint32_t id;
    uint8_t frameMarker; // C0 baseline, C2 progressive
} kPictures[] = {
    {"Baseline", 1, 0xC0},
    {"Progressive", 2, 0xC2},
};

TEST(JpegOle, DecodesBaselineAndProgressiveToTheirSizeAndColours) {
    for (const auto& p : kPictures) {
        const std::vector<uint8_t> jpeg = Resource(p.id);
        ASSERT_TRUE(HasMarker(jpeg, p.frameMarker)) << p.name;
        const std::optional<ui::Surface> decoded = ui::DecodeJpeg(jpeg);
        ASSERT_TRUE(decoded.has_value()) << p.name;
        ExpectQuadrants(*decoded, p.name);
        // The signature picks the same decoder.
        const std::optional<ui::Surface> picked = ui::DecodePicture(jpeg);
        ASSERT_TRUE(picked.has_value()) << p.name;
        EXPECT_TRUE(std::equal(picked->Pixels().begin(), picked->Pixels().end(), decoded->Pixels().begin()))
            << p.name;
    }
}

TEST(JpegOle, DecodesOnAThreadOfItsOwn) {
    // COM is set up by the decoder for whichever thread calls it.
    std::optional<ui::Surface> decoded;
    std::thread worker([&] { decoded = ui::DecodeJpeg(Resource(2)); });
    worker.join();
    ASSERT_TRUE(decoded.has_value());
    ExpectQuadrants(*decoded, "Progressive on a worker thread");
}

TEST(JpegOle, DamagedOrOversizedStreamsGiveNothing) {
    for (const auto& p : kPictures) {
        const std::vector<uint8_t> jpeg = Resource(p.id);
        ASSERT_GT(jpeg.size(), 200u) << p.name;
        std::vector<uint8_t> wider = jpeg;
        // The frame header's width (two bytes after precision and height) set beyond the limit.
        for (size_t i = 0; i + 9 < wider.size(); ++i) {
            if (wider[i] == 0xFF && wider[i + 1] == p.frameMarker) {
                const uint32_t width = ui::Surface::kMaxDimension + 1;
                wider[i + 7] = uint8_t(width >> 8);
                wider[i + 8] = uint8_t(width);
                break;
            }
        }
        const struct {
            std::string name;
            std::vector<uint8_t> data;
        } cases[] = {
            {"Empty", {}},
            {"OnlyTheStart", {0xFF, 0xD8}},
            {"CutAtTwoThirds", {jpeg.begin(), jpeg.begin() + std::ptrdiff_t(jpeg.size() * 2 / 3)}},
            {"EndMarkerMissing", {jpeg.begin(), jpeg.end() - 2}},
            {"WiderThanTheLimit", wider},
        };
        for (const auto& c : cases) {
            EXPECT_FALSE(ui::DecodeJpeg(c.data).has_value()) << p.name << " " << c.name;
        }
    }
}

} // namespace
