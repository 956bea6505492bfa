// Painter operations against a pixel-by-pixel model, with rectangles partly or wholly outside the
// source, the target and the clip, and at the ends of the int32_t range.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "ui/gfx/Painter.h"

namespace {

using ui::Painter;
using ui::Pixel;
using ui::Point;
using ui::Rect;
using ui::Surface;

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr Pixel kBackground = 0xEEEEEE;

// Every pixel of the source is distinct: 0x00XXYY01 with x and y counted from 1.
Surface NumberedSource(int32_t w, int32_t h) {
    Surface s(w, h);
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            s.Set(x, y, (Pixel(x + 1) << 16) | (Pixel(y + 1) << 8) | 1);
        }
    }
    return s;
}

bool Inside(const Rect& r, int64_t x, int64_t y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Source pixel for a target pixel, or nothing, as a copy of `srcRect` to `dst` defines it.
std::optional<Pixel> ModelCopy(const Surface& src, Point dst, const Rect& srcRect, int32_t x, int32_t y) {
    const int64_t sx = int64_t{x} - dst.x + srcRect.left;
    const int64_t sy = int64_t{y} - dst.y + srcRect.top;
    if (!Inside(srcRect, sx, sy) || !Inside(src.Bounds(), sx, sy)) {
        return std::nullopt;
    }
    return src.At(int32_t(sx), int32_t(sy));
}

void ExpectEqualSurfaces(const Surface& actual, const Surface& expected, const std::string& what) {
    ASSERT_EQ(actual.Width(), expected.Width());
    for (int32_t y = 0; y < actual.Height(); ++y) {
        for (int32_t x = 0; x < actual.Width(); ++x) {
            ASSERT_EQ(actual.At(x, y), expected.At(x, y)) << what << " at " << x << "," << y;
        }
    }
}

struct CopyCase {
    std::string name;
    Point dst;
    Rect srcRect;
    Rect clip;
    int32_t drawn; // pixels the copy must change
};

const Rect kWholeTarget{0, 0, 6, 5};

std::vector<CopyCase> CopyCases() {
    return {
        {"Inside", {1, 1}, {0, 0, 4, 3}, kWholeTarget, 12},
        {"PartOfSource", {2, 0}, {1, 1, 3, 3}, kWholeTarget, 4},
        {"SourceRectBeyondSourceTopLeft", {0, 0}, {-2, -1, 3, 2}, kWholeTarget, 6},
        {"SourceRectBeyondSourceBottomRight", {0, 0}, {2, 1, 9, 9}, kWholeTarget, 4},
        {"TargetLeftTop", {-2, -1}, {0, 0, 4, 3}, kWholeTarget, 4},
        {"TargetRightBottom", {4, 3}, {0, 0, 4, 3}, kWholeTarget, 4},
        {"Clipped", {0, 0}, {0, 0, 4, 3}, {1, 1, 3, 9}, 4},
        {"ClipOutsideTarget", {0, 0}, {0, 0, 4, 3}, {-9, -9, 2, 1}, 2},
        {"NowhereNear", {100, 100}, {0, 0, 4, 3}, kWholeTarget, 0},
        {"EmptySourceRect", {0, 0}, {2, 2, 2, 3}, kWholeTarget, 0},
        {"WholeInt32SourceRect", {0, 0}, {kMin, kMin, kMax, kMax}, kWholeTarget, 0},
        {"WholeInt32SourceRectShifted", {kMin, kMin}, {kMin, kMin, kMax, kMax}, kWholeTarget, 12},
        {"DestinationAtMax", {kMax, kMax}, {0, 0, 4, 3}, kWholeTarget, 0},
        {"DestinationAtMin", {kMin, kMin}, {0, 0, 4, 3}, kWholeTarget, 0},
        {"SourceRectAtMax", {0, 0}, {kMax - 1, 0, kMax, 3}, kWholeTarget, 0},
    };
}

class PainterCopy : public ::testing::TestWithParam<CopyCase> {};

TEST_P(PainterCopy, MatchesThePixelModel) {
    const CopyCase& c = GetParam();
    const Surface src = NumberedSource(4, 3);
    Surface target(6, 5, kBackground);
    Painter painter(target);
    painter.SetClip(c.clip);
    painter.Copy(c.dst, src, c.srcRect);

    int32_t drawn = 0;
    const Rect clip = ui::IntersectRect(c.clip, target.Bounds());
    for (int32_t y = 0; y < target.Height(); ++y) {
        for (int32_t x = 0; x < target.Width(); ++x) {
            const std::optional<Pixel> model = ModelCopy(src, c.dst, c.srcRect, x, y);
            const bool draws = model && clip.Contains({x, y});
            drawn += draws ? 1 : 0;
            EXPECT_EQ(target.At(x, y), draws ? *model : kBackground) << "at " << x << "," << y;
        }
    }
    EXPECT_EQ(drawn, c.drawn);
}

// The same cases through a same-size stretch copy, which must be an exact copy.
TEST_P(PainterCopy, SameSizeStretchIsACopy) {
    const CopyCase& c = GetParam();
    const Surface src = NumberedSource(4, 3);
    Surface copied(6, 5, kBackground);
    Surface stretched(6, 5, kBackground);
    Painter copyPainter(copied);
    Painter stretchPainter(stretched);
    copyPainter.SetClip(c.clip);
    stretchPainter.SetClip(c.clip);
    copyPainter.Copy(c.dst, src, c.srcRect);
    const int64_t w = int64_t{c.srcRect.right} - c.srcRect.left;
    const int64_t h = int64_t{c.srcRect.bottom} - c.srcRect.top;
    if (int64_t{c.dst.x} + w > kMax || int64_t{c.dst.y} + h > kMax) {
        GTEST_SKIP() << "destination rectangle not representable";
    }
    stretchPainter.StretchCopy({c.dst.x, c.dst.y, int32_t(c.dst.x + w), int32_t(c.dst.y + h)}, src, c.srcRect);
    ExpectEqualSurfaces(stretched, copied, c.name);
}

INSTANTIATE_TEST_SUITE_P(Rects, PainterCopy, ::testing::ValuesIn(CopyCases()),
                         [](const auto& param) { return param.param.name; });

struct BoxCase {
    std::string name;
    Rect box;
    Point origin;
};

TEST(PainterCopyIntoBox, DrawsOnlyInsideTheBoxAndTheSource) {
    const std::vector<BoxCase> cases = {
        {"NarrowerThanSource", {1, 1, 3, 5}, {0, 0}},
        {"WiderThanSource", {0, 1, 6, 3}, {0, 0}},
        {"FromAnOrigin", {2, 0, 6, 5}, {1, 1}},
        {"PartlyOutsideTarget", {-3, 3, 2, 9}, {0, 0}},
        {"OriginOutsideSource", {0, 0, 6, 5}, {-2, -1}},
        {"Extreme", {kMin, kMin, kMax, kMax}, {kMax, kMax}},
    };
    const Surface src = NumberedSource(4, 3);
    for (const BoxCase& c : cases) {
        Surface target(6, 5, kBackground);
        Painter painter(target);
        painter.CopyIntoBox(c.box, src, c.origin);
        const Rect srcRect{c.origin.x, c.origin.y, kMax, kMax};
        for (int32_t y = 0; y < target.Height(); ++y) {
            for (int32_t x = 0; x < target.Width(); ++x) {
                const std::optional<Pixel> model = ModelCopy(src, {c.box.left, c.box.top}, srcRect, x, y);
                const bool draws = model && c.box.Contains({x, y});
                EXPECT_EQ(target.At(x, y), draws ? *model : kBackground) << c.name << " at " << x << "," << y;
            }
        }
    }
}

TEST(PainterStretch, ScalesByNearestPixelAndRefusesMirroring) {
    const Surface src = NumberedSource(2, 2);
    Surface target(4, 4, kBackground);
    Painter painter(target);
    painter.StretchCopy({0, 0, 4, 4}, src, {0, 0, 2, 2});
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 4; ++x) {
            EXPECT_EQ(target.At(x, y), src.At(x / 2, y / 2)) << x << "," << y;
        }
    }
    Surface untouched(4, 4, kBackground);
    Painter other(untouched);
    other.StretchCopy({4, 0, 0, 4}, src, {0, 0, 2, 2});
    other.StretchCopy({0, 0, 4, 4}, src, {2, 0, 0, 2});
    other.StretchCopy({kMin, kMin, kMax, kMax}, src, {0, 0, 2, 2});
    ExpectEqualSurfaces(untouched, Surface(4, 4, kBackground), "mirrored or oversized");
}

TEST(PainterCopySelf, OverlappingMovesReadTheOriginalPixels) {
    const std::vector<Point> moves = {{1, 1}, {-1, -1}, {2, 0}, {0, -2}, {-1, 2}};
    for (const Point move : moves) {
        Surface surface = NumberedSource(5, 4);
        const Surface before = surface;
        Surface expected = before;
        Painter(expected).Copy(move, before);
        Painter(surface).Copy(move, surface);
        ExpectEqualSurfaces(surface, expected, "move " + std::to_string(move.x) + "," + std::to_string(move.y));
    }
}

TEST(PainterFill, FillsTheRectangleWithinClipAndTarget) {
    const std::vector<std::pair<Rect, Rect>> cases = {
        {{1, 1, 3, 2}, kWholeTarget},
        {{-5, -5, 2, 2}, kWholeTarget},
        {{4, 3, 100, 100}, kWholeTarget},
        {{kMin, kMin, kMax, kMax}, {2, 1, 4, 4}},
        {{3, 3, 1, 1}, kWholeTarget},
    };
    for (const auto& [rect, clip] : cases) {
        Surface target(6, 5, kBackground);
        Painter painter(target);
        painter.SetClip(clip);
        painter.FillRect(rect, 0x123456);
        for (int32_t y = 0; y < target.Height(); ++y) {
            for (int32_t x = 0; x < target.Width(); ++x) {
                const bool inside = Inside(rect, x, y) && Inside(clip, x, y);
                EXPECT_EQ(target.At(x, y), inside ? 0x123456u : kBackground) << x << "," << y;
            }
        }
    }
}

TEST(PainterBlendMask, BlendsByCoverageAndStaysInBounds) {
    Surface target(4, 2, 0x000000);
    Painter painter(target);
    const std::vector<uint8_t> mask = {0, 255, 128, 0xFF, /* pitch padding */ 9,
                                       64, 0, 0, 0, 9};
    painter.BlendMask({0, 0}, mask, 4, 2, 5, 0xFF8000);
    EXPECT_EQ(target.At(0, 0), 0x000000u);
    EXPECT_EQ(target.At(1, 0), 0xFF8000u);
    EXPECT_EQ(target.At(2, 0), ui::MakePixel(128, 64, 0));
    EXPECT_EQ(target.At(0, 1), ui::MakePixel(64, 32, 0));

    // Partly outside: only the overlapping corner changes.
    Surface corner(4, 2, 0x000000);
    Painter(corner).BlendMask({-3, 1}, mask, 4, 2, 5, 0xFFFFFF);
    EXPECT_EQ(corner.At(0, 1), 0xFFFFFFu);
    EXPECT_EQ(corner.At(1, 1), 0x000000u);
    EXPECT_EQ(corner.At(0, 0), 0x000000u);

    // A mask shorter than its geometry claims, or a pitch below the width, draws nothing.
    Surface untouched(4, 2, 0x000000);
    Painter other(untouched);
    other.BlendMask({0, 0}, std::span(mask).first(8), 4, 2, 5, 0xFFFFFF);
    other.BlendMask({0, 0}, mask, 4, 2, 3, 0xFFFFFF);
    other.BlendMask({kMax, kMax}, mask, 4, 2, 5, 0xFFFFFF);
    ExpectEqualSurfaces(untouched, Surface(4, 2, 0x000000), "refused masks");
}

TEST(PainterOnEmptySurface, DoesNothing) {
    Surface empty;
    Painter painter(empty);
    const Surface src = NumberedSource(2, 2);
    painter.FillRect({0, 0, 10, 10}, 1);
    painter.Copy({0, 0}, src);
    painter.StretchCopy({0, 0, 5, 5}, src, {0, 0, 2, 2});
    EXPECT_TRUE(painter.Clip().IsEmpty());
    EXPECT_TRUE(Surface(0, 5).IsEmpty());
    EXPECT_TRUE(Surface(5, ui::Surface::kMaxDimension + 1).IsEmpty());
}

} // namespace
