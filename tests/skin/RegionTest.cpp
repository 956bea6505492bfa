// Regions from mask pictures: one rectangle per run of non-white pixels, the rectangle block and
// its growth, batches of 2,000 united into one region, and the shipped window masks.
#include "skin/Region.h"

#include "MaskPictures.h"
#include "skin/SkinPicture.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace skin {
namespace {

using test::DrawMask;

// Every pixel of the mask: inside the region exactly when it is not pure white.
void ExpectRegionIsNonWhite(const Region& region, const ui::Surface& mask) {
    for (int32_t y = 0; y < mask.Height(); ++y) {
        for (int32_t x = 0; x < mask.Width(); ++x) {
            const ui::Pixel p = mask.At(x, y) & 0xFFFFFF;
            ASSERT_EQ(region.Contains({x, y}), p != 0xFFFFFF) << "at " << x << "," << y;
        }
    }
}

TEST(RegionTest, UnionAndContains) {
    Region a({{0, 0, 2, 1}, {5, 5, 5, 9}}); // the empty rectangle is dropped
    EXPECT_EQ(a.Rectangles().size(), 1u);
    const Region b({{1, 3, 4, 4}});
    a.Union(b);
    EXPECT_TRUE(a.Contains({0, 0}));
    EXPECT_TRUE(a.Contains({1, 0}));
    EXPECT_FALSE(a.Contains({2, 0})); // right edge is outside
    EXPECT_TRUE(a.Contains({3, 3}));
    EXPECT_FALSE(a.Contains({3, 4})); // bottom edge is outside
    EXPECT_FALSE(a.Contains({5, 5}));
    EXPECT_TRUE(Region().IsEmpty());
}

TEST(RegionDataTest, GrowsByOneHundredRectangles) {
    RegionData data;
    EXPECT_EQ(data.Capacity(), 100u);
    EXPECT_EQ(data.ByteSize(), 1632u);
    EXPECT_EQ(data.Header().size, 32u);
    EXPECT_EQ(data.Header().type, 1u);
    EXPECT_EQ(data.Header().bounds, RegionDataHeader::kEmptyBounds);

    struct Step {
        uint32_t count;
        uint32_t capacity;
    };
    const Step steps[] = {{1, 100}, {100, 100}, {101, 200}, {200, 200}, {201, 300}};
    uint32_t added = 0;
    for (const Step& s : steps) {
        while (added < s.count) {
            data.Add({static_cast<int32_t>(added), 7, static_cast<int32_t>(added) + 1, 8});
            ++added;
        }
        EXPECT_EQ(data.Count(), s.count);
        EXPECT_EQ(data.Capacity(), s.capacity) << "after " << s.count;
    }
    EXPECT_EQ(data.ByteSize(), 32u + 16u * 300u);
    EXPECT_EQ(data.Header().bounds, (ui::Rect{0, 7, 201, 8}));
    ASSERT_EQ(data.Rectangles().size(), 201u);
    EXPECT_EQ(data.Rectangles()[150], (ui::Rect{150, 7, 151, 8})); // kept across growth

    data.Clear();
    EXPECT_EQ(data.Count(), 0u);
    EXPECT_EQ(data.Capacity(), 300u);
    EXPECT_EQ(data.Header().bounds, RegionDataHeader::kEmptyBounds);
}

TEST(RegionFromMaskTest, OneRectanglePerRunOfNonWhitePixels) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        std::vector<ui::Rect> rectangles;
    };
    const Case cases[] = {
        {"whole row", {"###"}, {{0, 0, 3, 1}}},
        {"two runs in a row", {"##..#."}, {{0, 0, 2, 1}, {4, 0, 5, 1}}},
        {"only exact white is outside", {".r.g.b."}, {{1, 0, 2, 1}, {3, 0, 4, 1}, {5, 0, 6, 1}}},
        {"the top byte is ignored", {"#x#"}, {{0, 0, 1, 1}, {2, 0, 3, 1}}},
        {"run to the right edge, next row from 0", {".##", "#.."}, {{1, 0, 3, 1}, {0, 1, 1, 2}}},
        {"rows are never joined", {"##", "##"}, {{0, 0, 2, 1}, {0, 1, 2, 2}}},
        {"rounded corners", {".##.", "####", ".##."}, {{1, 0, 3, 1}, {0, 1, 4, 2}, {1, 2, 3, 3}}},
        {"all white", {"...", "..."}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SkinPicture mask = DrawMask(c.rows);
        const std::optional<Region> region = RegionFromMask(mask);
        ASSERT_TRUE(region.has_value());
        EXPECT_EQ(region->Rectangles(), c.rectangles);
        ExpectRegionIsNonWhite(*region, *mask.Get());
    }
}

TEST(RegionFromMaskTest, EmptyHolderGivesNoRegion) {
    EXPECT_FALSE(RegionFromMask(SkinPicture{}).has_value());
}

TEST(RegionFromMaskTest, ManyRunsAreBuiltInBatchesOfTwoThousand) {
    // Black even columns, white odd ones: 50 runs a row, 90 rows, 4,500 runs.
    constexpr int32_t kWidth = 100;
    constexpr int32_t kHeight = 90;
    ui::Surface surface(kWidth, kHeight, ui::MakePixel(255, 255, 255));
    std::vector<ui::Rect> singlePass;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; x += 2) {
            surface.Set(x, y, 0);
            singlePass.push_back({x, y, x + 1, y + 1});
        }
    }
    const SkinPicture mask(std::move(surface));

    struct Batch {
        uint32_t count;
        uint32_t capacity;
        ui::Rect bounds;
        ui::Rect first;
    };
    std::vector<Batch> batches;
    const std::optional<Region> region = RegionFromMask(mask, [&](const RegionData& data) {
        EXPECT_EQ(data.Header().size, 32u);
        EXPECT_EQ(data.Header().type, 1u);
        batches.push_back({data.Count(), data.Capacity(), data.Header().bounds,
                           data.Count() > 0 ? data.Rectangles()[0] : ui::Rect{}});
    });

    // 40 rows fill a batch; the block has grown to 2,000 and keeps that size; bounds start afresh.
    const std::vector<Batch> expected = {
        {2000, 2000, {0, 0, 99, 40}, {0, 0, 1, 1}},
        {2000, 2000, {0, 40, 99, 80}, {0, 40, 1, 41}},
        {500, 2000, {0, 80, 99, 90}, {0, 80, 1, 81}},
    };
    ASSERT_EQ(batches.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "batch " << i);
        EXPECT_EQ(batches[i].count, expected[i].count);
        EXPECT_EQ(batches[i].capacity, expected[i].capacity);
        EXPECT_EQ(batches[i].bounds, expected[i].bounds);
        EXPECT_EQ(batches[i].first, expected[i].first);
    }
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->Rectangles(), singlePass);
    ExpectRegionIsNonWhite(*region, *mask.Get());
}

TEST(RegionFromMaskTest, ExactlyTwoThousandRunsEndWithAnEmptyBatch) {
    // 1,000 runs a row, two rows: the second row fills the first batch; the rest is empty.
    ui::Surface twoRows(2000, 2, 0);
    for (int32_t y = 0; y < 2; ++y) {
        for (int32_t x = 1; x < 2000; x += 2) {
            twoRows.Set(x, y, ui::MakePixel(255, 255, 255));
        }
    }
    std::vector<uint32_t> counts;
    const std::optional<Region> region = RegionFromMask(
        SkinPicture(std::move(twoRows)), [&](const RegionData& d) { counts.push_back(d.Count()); });
    EXPECT_EQ(counts, (std::vector<uint32_t>{2000, 0}));
    ASSERT_TRUE(region.has_value());
    EXPECT_EQ(region->Rectangles().size(), 2000u);
}

TEST(RegionFromMaskTest, ShippedMasksRoundTheCorners) {
    struct Case {
        uint32_t id;
        int32_t width;
        int32_t height;
        size_t rectangles;
    };
    const Case cases[] = {{159, 500, 384, 384}, {160, 436, 269, 269}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "BMP " << c.id);
        SkinPicture mask;
        ASSERT_TRUE(LoadPictureResource(u"BMP", c.id, mask));
        int batches = 0;
        const std::optional<Region> region = RegionFromMask(mask, [&](const RegionData&) { ++batches; });
        ASSERT_TRUE(region.has_value());
        EXPECT_EQ(batches, 1);
        EXPECT_EQ(region->Rectangles().size(), c.rectangles);
        const int32_t r = c.width - 1;
        const int32_t b = c.height - 1;
        for (const ui::Point corner : {ui::Point{0, 0}, ui::Point{r, 0}, ui::Point{0, b}, ui::Point{r, b}}) {
            EXPECT_FALSE(region->Contains(corner)) << corner.x << "," << corner.y;
        }
        EXPECT_TRUE(region->Contains({c.width / 2, 0}));
        EXPECT_TRUE(region->Contains({0, c.height / 2}));
        EXPECT_TRUE(region->Contains({r, c.height / 2}));
        EXPECT_TRUE(region->Contains({c.width / 2, b}));
        ExpectRegionIsNonWhite(*region, *mask.Get());
    }
}

} // namespace
} // namespace skin
