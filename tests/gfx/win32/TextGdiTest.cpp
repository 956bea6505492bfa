// Text in a box through GDI: DejaVu Sans, added from memory (this binary's resource BINARY 3), drawn
// into boxes changes pixels inside the box and never outside it; alignment, top start, line breaks,
// the colour reference, the painter's clip and the private font handles.
#include "ui/gfx/Resource.h"
#include "ui/gfx/Text.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace {

using ui::ColorRef;
using ui::FontSpec;
using ui::Painter;
using ui::Pixel;
using ui::Rect;
using ui::Surface;
using ui::TextAlign;

constexpr int32_t kSurfaceWidth = 240;
constexpr int32_t kSurfaceHeight = 120;
constexpr Pixel kBackground = 0x102030;
constexpr ColorRef kWhite = 0xFFFFFF;

const FontSpec kBody{u"DejaVu Sans", 20, ui::kFontWeightNormal};

struct Ink {
    Rect bounds;
    int64_t count = 0;
};

// The smallest rectangle holding every pixel that differs from the background.
Ink FindInk(const Surface& s) {
    Ink ink{{kSurfaceWidth, kSurfaceHeight, -1, -1}, 0};
    for (int32_t y = 0; y < s.Height(); ++y) {
        for (int32_t x = 0; x < s.Width(); ++x) {
            if (s.At(x, y) == kBackground) {
                continue;
            }
            ++ink.count;
            ink.bounds = {std::min(ink.bounds.left, x), std::min(ink.bounds.top, y),
                          std::max(ink.bounds.right, x + 1), std::max(ink.bounds.bottom, y + 1)};
        }
    }
    if (ink.count == 0) {
        ink.bounds = {};
    }
    return ink;
}

bool Contains(const Rect& outer, const Rect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

class TextGdi : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::span<const uint8_t> font = ui::FindResource(u"BINARY", 3);
        ASSERT_FALSE(font.empty()) << "DejaVuSans.ttf was not embedded";
        s_font = ui::AddPrivateFont(font, &s_fontCount);
    }
    static void TearDownTestSuite() {
        EXPECT_TRUE(ui::RemovePrivateFont(s_font));
        s_font = {};
    }
    void SetUp() override { ASSERT_TRUE(s_font); }

    static Surface Draw(std::u16string_view text, const Rect& box, TextAlign align,
                        const FontSpec& font = kBody, ColorRef color = kWhite, const Rect* clip = nullptr) {
        Surface s(kSurfaceWidth, kSurfaceHeight, kBackground);
        Painter painter(s);
        if (clip) {
            painter.SetClip(*clip);
        }
        ui::DrawText(painter, text, box, font, color, align);
        return s;
    }

    static inline ui::PrivateFontHandle s_font;
    static inline uint32_t s_fontCount = 0;
};

TEST_F(TextGdi, TheFontFromMemoryHoldsOneFace) {
    EXPECT_EQ(s_fontCount, 1u);
}

TEST_F(TextGdi, InkStaysInsideTheBoxAndThePaintersClip) {
    const Rect wholeSurface{0, 0, kSurfaceWidth, kSurfaceHeight};
    const Rect narrowClip{30, 0, 90, kSurfaceHeight};
    const std::u16string word = u"Kestrel";
    const std::u16string longText = u"WWWWWWWWWWWWWWWWWWWWWWWW";
    const struct {
        std::string name;
        std::u16string text;
        Rect box;
        TextAlign align;
        const Rect* clip;
    } cases[] = {
        {"LeftInAWideBox", word, {10, 10, 230, 60}, TextAlign::Left, nullptr},
        {"CentredInAWideBox", word, {10, 10, 230, 60}, TextAlign::Center, nullptr},
        {"LongTextCutAtTheRightEdge", longText, {10, 40, 70, 80}, TextAlign::Left, nullptr},
        {"CentredTitleCutAtBothEdges", longText, {60, 10, 120, 40}, TextAlign::Center, nullptr},
        {"BoxCutsTheLineBelow", longText, {10, 10, 200, 22}, TextAlign::Left, nullptr},
        {"BoxPartlyOffTheSurface", longText, {-30, -8, 90, 30}, TextAlign::Left, nullptr},
        {"ClipNarrowerThanTheBox", longText, {0, 10, 240, 60}, TextAlign::Left, &narrowClip},
    };
    for (const auto& c : cases) {
        const Ink ink = FindInk(Draw(c.text, c.box, c.align, kBody, kWhite, c.clip));
        ASSERT_GT(ink.count, 0) << c.name;
        Rect allowed = ui::IntersectRect(c.box, wholeSurface);
        if (c.clip) {
            allowed = ui::IntersectRect(allowed, *c.clip);
        }
        EXPECT_TRUE(Contains(allowed, ink.bounds)) << c.name;
        if (c.text == longText) {
            // Cut at the edge it crosses (give or take the gap between two glyphs), not before.
            EXPECT_GE(ink.bounds.right, allowed.right - 4) << c.name;
        }
    }
}

TEST_F(TextGdi, LeftStartsAtTheBoxEdgeAndCentredSitsInTheMiddle) {
    const Rect box{20, 10, 220, 60};
    const Ink centred = FindInk(Draw(u"Kestrel", box, TextAlign::Center));
    const Ink left = FindInk(Draw(u"Kestrel", box, TextAlign::Left));
    ASSERT_GT(centred.count, 0);
    ASSERT_GT(left.count, 0);
    EXPECT_LE(left.bounds.left - box.left, 3);
    EXPECT_NEAR(centred.bounds.left - box.left, box.right - centred.bounds.right, 3);
    EXPECT_GT(centred.bounds.left - box.left, 40);
    EXPECT_EQ(left.bounds.Width(), centred.bounds.Width());
}

TEST_F(TextGdi, StartsAtTheTopAndBreaksOnlyAtLineBreaks) {
    const Rect tall{0, 30, kSurfaceWidth, kSurfaceHeight};
    const Ink one = FindInk(Draw(u"Hx", tall, TextAlign::Left));
    ASSERT_GT(one.count, 0);
    EXPECT_GE(one.bounds.top, tall.top);
    EXPECT_LT(one.bounds.bottom, tall.top + kBody.height);
    for (const std::u16string text : {u"Hx\r\nHx", u"Hx\nHx", u"Hx\rHx"}) {
        const Ink two = FindInk(Draw(text, tall, TextAlign::Left));
        EXPECT_GE(two.bounds.bottom, tall.top + kBody.height + one.bounds.Height() - 2);
        EXPECT_LT(two.bounds.bottom, tall.top + 2 * kBody.height);
        EXPECT_EQ(two.bounds.Width(), one.bounds.Width());
    }
}

TEST_F(TextGdi, AmpersandIsDrawnAsItStands) {
    const Rect box{0, 0, kSurfaceWidth, 40};
    const Ink plain = FindInk(Draw(u"AB", box, TextAlign::Left));
    const Ink amp = FindInk(Draw(u"A&B", box, TextAlign::Left));
    ASSERT_GT(plain.count, 0);
    EXPECT_GT(amp.bounds.Width(), plain.bounds.Width() + 6);
}

TEST_F(TextGdi, DrawsNothingForEmptyTextOrBox) {
    const struct {
        std::string name;
        std::u16string text;
        Rect box;
    } cases[] = {
        {"EmptyText", u"", {0, 0, kSurfaceWidth, kSurfaceHeight}},
        {"OnlyALineBreak", u"\r\n", {0, 0, kSurfaceWidth, kSurfaceHeight}},
        {"ZeroWidthBox", u"Text", {50, 50, 50, 90}},
        {"UpsideDownBox", u"Text", {50, 90, 150, 50}},
        {"BoxOffTheSurface", u"Text", {300, 0, 400, 40}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FindInk(Draw(c.text, c.box, TextAlign::Left)).count, 0) << c.name;
    }
}

TEST_F(TextGdi, ColourReferenceIsBlueGreenRed) {
    const struct {
        ColorRef ref;
        Pixel pixel;
    } cases[] = {
        {0x000000FF, 0xFF0000},
        {0x00FF0000, 0x0000FF},
        {0x00563412, 0x123456},
    };
    const FontSpec big{u"DejaVu Sans", 48, ui::kFontWeightBold};
    for (const auto& c : cases) {
        const Surface s = Draw(u"H", {0, 0, kSurfaceWidth, kSurfaceHeight}, TextAlign::Left, big, c.ref);
        // The inside of a large glyph is the exact colour; edges may blend with the background.
        EXPECT_NE(std::find(s.Pixels().begin(), s.Pixels().end(), c.pixel), s.Pixels().end())
            << std::hex << c.ref;
    }
}

TEST_F(TextGdi, BoldIsHeavierThanNormal) {
    const Rect box{0, 0, kSurfaceWidth, kSurfaceHeight};
    const Ink normal = FindInk(Draw(u"Kestrel", box, TextAlign::Left));
    const Ink bold =
        FindInk(Draw(u"Kestrel", box, TextAlign::Left, {kBody.face, kBody.height, ui::kFontWeightBold}));
    EXPECT_GT(bold.count, normal.count + normal.count / 10);
}

TEST(PrivateFont, RefusesDataWithoutAFontAndUnknownHandles) {
    const uint8_t garbage[] = {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't', 0, 1, 2, 3};
    uint32_t count = 7;
    EXPECT_FALSE(ui::AddPrivateFont(garbage, &count));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(ui::AddPrivateFont({}));
    EXPECT_FALSE(ui::RemovePrivateFont({}));
    EXPECT_FALSE(ui::RemovePrivateFont({0x1234567}));

    const std::span<const uint8_t> font = ui::FindResource(u"BINARY", 3);
    ASSERT_FALSE(font.empty());
    const ui::PrivateFontHandle handle = ui::AddPrivateFont(font);
    ASSERT_TRUE(handle);
    EXPECT_TRUE(ui::RemovePrivateFont(handle));
    EXPECT_FALSE(ui::RemovePrivateFont(handle)); // no longer one of ours
}

} // namespace
