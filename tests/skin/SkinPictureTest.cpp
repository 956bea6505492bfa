// SkinPicture: loading the shipped picture resources, keeping the previous picture when loading
// fails, and cutting rectangles out of pictures.
#include "skin/SkinPicture.h"

#include "ui/gfx/Surface.h"

#include <climits>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace skin {
namespace {

// A picture whose every pixel is different: 0x00YYXX + 1.
ui::Surface Numbered(int32_t width, int32_t height) {
    ui::Surface s(width, height);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            s.Set(x, y, static_cast<ui::Pixel>((y << 8) | x) + 1);
        }
    }
    return s;
}

TEST(SkinPictureTest, HolderOwnsAtMostOnePicture) {
    SkinPicture picture;
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_EQ(picture.Get(), nullptr);
    EXPECT_EQ(picture.Width(), 0);

    picture.Attach(ui::Surface(3, 2, 7));
    ASSERT_FALSE(picture.IsEmpty());
    EXPECT_EQ(picture.Width(), 3);
    EXPECT_EQ(picture.Height(), 2);

    picture.Attach(ui::Surface(5, 4, 9)); // replaces the first
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Get()->At(4, 3), 9u);

    picture.Attach(ui::Surface{}); // an empty surface empties the holder
    EXPECT_TRUE(picture.IsEmpty());

    SkinPicture moved(ui::Surface(1, 1, 3));
    SkinPicture target = std::move(moved);
    EXPECT_EQ(target.Width(), 1);
}

TEST(LoadPictureResourceTest, EveryShippedPictureDecodesToItsSize) {
    struct Case {
        std::u16string type;
        uint32_t id;
        int32_t width;
        int32_t height;
    };
    std::vector<Case> cases = {
        {u"JPG", 155, 500, 384}, {u"JPG", 154, 500, 384}, {u"JPG", 153, 500, 384}, {u"JPG", 156, 500, 16},
        {u"JPG", 157, 500, 16},  {u"JPG", 161, 16, 15},   {u"BMP", 159, 500, 384}, {u"BMP", 160, 436, 269},
    };
    for (uint32_t id = 144; id <= 152; ++id) {
        cases.push_back({u"JPG", id, 436, 269});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "id " << c.id);
        SkinPicture picture(ui::Surface(1, 1)); // replaced by the loaded picture
        EXPECT_TRUE(LoadPictureResource(c.type, c.id, picture));
        EXPECT_EQ(picture.Width(), c.width);
        EXPECT_EQ(picture.Height(), c.height);
    }
}

TEST(LoadPictureResourceTest, FailureLeavesTheDestinationAsItWas) {
    const std::vector<uint8_t> corruptJpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00};
    const std::vector<uint8_t> corruptBmp = {'B', 'M', 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    const std::vector<uint8_t> unknown = {'G', 'I', 'F', '8', '9', 'a'};

    struct Case {
        const char* name;
        std::function<bool(SkinPicture&)> load;
    };
    const Case cases[] = {
        {"missing id", [](SkinPicture& p) { return LoadPictureResource(u"JPG", 999, p); }},
        {"id of another type", [](SkinPicture& p) { return LoadPictureResource(u"BMP", 155, p); }},
        {"no bytes", [](SkinPicture& p) { return LoadPictureData({}, p); }},
        {"corrupt JPEG", [&](SkinPicture& p) { return LoadPictureData(corruptJpeg, p); }},
        {"corrupt bitmap", [&](SkinPicture& p) { return LoadPictureData(corruptBmp, p); }},
        {"unknown format", [&](SkinPicture& p) { return LoadPictureData(unknown, p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SkinPicture picture(ui::Surface(2, 3, 0x123456));
        const ui::Surface* before = picture.Get();
        EXPECT_FALSE(c.load(picture));
        ASSERT_EQ(picture.Get(), before);
        EXPECT_EQ(picture.Width(), 2);
        EXPECT_EQ(picture.Get()->At(1, 2), 0x123456u);

        SkinPicture empty;
        EXPECT_FALSE(c.load(empty));
        EXPECT_TRUE(empty.IsEmpty());
    }
}

TEST(CropPictureTest, CopiesThePixelsUnderTheRectangle) {
    const SkinPicture source(Numbered(4, 3));
    struct Case {
        const char* name;
        ui::Rect rect;
    };
    const Case cases[] = {
        {"inside", {1, 1, 3, 3}},
        {"whole picture", {0, 0, 4, 3}},
        {"over the top-left corner", {-1, -2, 2, 2}},
        {"over the bottom-right corner", {2, 1, 6, 5}},
        {"wholly outside", {10, 10, 12, 11}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SkinPicture dest(ui::Surface(9, 9, 0xABCDEF));
        CropPicture(dest, source, c.rect);
        ASSERT_FALSE(dest.IsEmpty());
        ASSERT_EQ(dest.Width(), c.rect.Width());
        ASSERT_EQ(dest.Height(), c.rect.Height());
        for (int32_t y = 0; y < dest.Height(); ++y) {
            for (int32_t x = 0; x < dest.Width(); ++x) {
                const ui::Point at{c.rect.left + x, c.rect.top + y};
                // Outside the source: black, as in a fresh picture.
                const ui::Pixel expected =
                    source.Get()->Bounds().Contains(at) ? source.Get()->At(at.x, at.y) : 0;
                ASSERT_EQ(dest.Get()->At(x, y), expected) << "at " << x << "," << y;
            }
        }
    }
}

TEST(CropPictureTest, NoPictureOfThatSizeLeavesTheDestinationEmpty) {
    const SkinPicture source(Numbered(4, 3));
    struct Case {
        const char* name;
        ui::Rect rect;
    };
    const Case cases[] = {
        {"zero width", {1, 1, 1, 3}},
        {"zero height", {1, 2, 3, 2}},
        {"zero size (the shipped cancel button)", {0, 0, 0, 0}},
        {"negative width", {3, 0, 1, 2}},
        {"negative height", {0, 2, 2, 1}},
        {"wider than any picture", {0, 0, ui::Surface::kMaxDimension + 1, 1}},
        {"width overflowing 32 bits", {INT32_MIN, 0, INT32_MAX, 1}},
        {"height overflowing 32 bits", {0, INT32_MIN, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SkinPicture dest(ui::Surface(2, 2, 5));
        CropPicture(dest, source, c.rect);
        EXPECT_TRUE(dest.IsEmpty());
    }
}

TEST(CropPictureTest, EmptySourceKeepsThePreviousPicture) {
    const SkinPicture source;
    SkinPicture dest(ui::Surface(2, 2, 5));
    const ui::Surface* before = dest.Get();
    CropPicture(dest, source, {0, 0, 1, 1});
    EXPECT_EQ(dest.Get(), before);
    EXPECT_EQ(dest.Width(), 2);
}

TEST(CropPictureTest, OkButtonLookFromTheShippedBackground) {
    SkinPicture background;
    ASSERT_TRUE(LoadPictureResource(u"JPG", 155, background));
    const ui::Rect ok{210, 329, 304, 363};
    SkinPicture look;
    CropPicture(look, background, ok);
    ASSERT_EQ(look.Width(), 94);
    ASSERT_EQ(look.Height(), 34);
    for (int32_t y = 0; y < look.Height(); ++y) {
        for (int32_t x = 0; x < look.Width(); ++x) {
            ASSERT_EQ(look.Get()->At(x, y), background.Get()->At(ok.left + x, ok.top + y)) << x << "," << y;
        }
    }
}

} // namespace
} // namespace skin
