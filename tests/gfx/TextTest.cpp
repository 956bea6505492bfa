// Text in a box: alignment, top start, line breaks, clipping, colour references, font fallback and
// private fonts from memory. DejaVu Sans (fonts-dejavu-core) is the face throughout.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "ui/gfx/Text.h"
#include "ui/gfx/linux/FontLibrary.h"

namespace {

using ui::ColorRef;
using ui::FontSpec;
using ui::Painter;
using ui::Pixel;
using ui::Rect;
using ui::Surface;
using ui::TextAlign;

constexpr Pixel kBlack = 0x000000;
constexpr ColorRef kWhite = 0xFFFFFF;

const FontSpec kBody{u"DejaVu Sans", 20, ui::kFontWeightNormal};

// The smallest rectangle holding every pixel that differs from the background; empty if none.
struct Ink {
    Rect bounds;
    int64_t count = 0;
};

Ink FindInk(const Surface& s, Pixel background = kBlack) {
    Ink ink{{ui::Surface::kMaxDimension, ui::Surface::kMaxDimension, -1, -1}, 0};
    for (int32_t y = 0; y < s.Height(); ++y) {
        for (int32_t x = 0; x < s.Width(); ++x) {
            if (s.At(x, y) == background) {
                continue;
            }
            ++ink.count;
            ink.bounds.left = std::min(ink.bounds.left, x);
            ink.bounds.top = std::min(ink.bounds.top, y);
            ink.bounds.right = std::max(ink.bounds.right, x + 1);
            ink.bounds.bottom = std::max(ink.bounds.bottom, y + 1);
        }
    }
    if (ink.count == 0) {
        ink.bounds = {};
    }
    return ink;
}

Surface Draw(std::u16string_view text, const Rect& box, TextAlign align, const FontSpec& font = kBody,
             ColorRef color = kWhite, int32_t width = 240, int32_t height = 120) {
    Surface s(width, height, kBlack);
    Painter painter(s);
    ui::DrawText(painter, text, box, font, color, align);
    return s;
}

bool Contains(const Rect& outer, const Rect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(DrawText, CentredTitleSitsInTheMiddleOfItsBox) {
    const Rect box{20, 10, 220, 60};
    const Ink centred = FindInk(Draw(u"Kestrel", box, TextAlign::Center));
    ASSERT_GT(centred.count, 0);
    const int32_t leftGap = centred.bounds.left - box.left;
    const int32_t rightGap = box.right - centred.bounds.right;
    EXPECT_NEAR(leftGap, rightGap, 3);
    EXPECT_GT(leftGap, 40);

    const Ink left = FindInk(Draw(u"Kestrel", box, TextAlign::Left));
    EXPECT_LE(left.bounds.left - box.left, 3);
    EXPECT_EQ(left.bounds.Width(), centred.bounds.Width());
}

TEST(DrawText, StartsAtTheTopOfATallBox) {
    const Rect box{0, 30, 240, 120};
    for (const TextAlign align : {TextAlign::Left, TextAlign::Center}) {
        const Ink ink = FindInk(Draw(u"Hx", box, align));
        ASSERT_GT(ink.count, 0);
        EXPECT_GE(ink.bounds.top, box.top);
        EXPECT_LT(ink.bounds.bottom, box.top + kBody.height);
    }
}

TEST(DrawText, IsClippedToTheBoxAndNeverWrapped) {
    const struct {
        std::string name;
        Rect box;
        TextAlign align;
    } cases[] = {
        {"LeftLongText", {10, 10, 70, 40}, TextAlign::Left},
        {"CentredLongTitle", {60, 10, 120, 40}, TextAlign::Center},
        {"BoxCutsTheLine", {10, 10, 200, 22}, TextAlign::Left},
        {"BoxPartlyOffTheSurface", {-30, -8, 90, 30}, TextAlign::Left},
    };
    const std::u16string text = u"WWWWWWWWWWWWWWWWWWWWWWWW";
    for (const auto& c : cases) {
        const Ink ink = FindInk(Draw(text, c.box, c.align));
        ASSERT_GT(ink.count, 0) << c.name;
        const Rect visible = ui::IntersectRect(c.box, {0, 0, 240, 120});
        EXPECT_TRUE(Contains(visible, ink.bounds)) << c.name;
        // The text runs up to both edges it crosses (give or take the gap between two glyphs),
        // and stays on one line.
        EXPECT_GE(ink.bounds.right, visible.right - 4) << c.name;
        if (c.align == TextAlign::Center) {
            EXPECT_LE(ink.bounds.left, visible.left + 4) << c.name;
        }
        EXPECT_LT(ink.bounds.bottom, std::max(c.box.top, 0) + kBody.height) << c.name;
    }
}

TEST(DrawText, LineBreaksStartANewLineOneFontHeightDown) {
    const Rect box{0, 0, 240, 120};
    const Ink single = FindInk(Draw(u"AB", box, TextAlign::Left));
    ASSERT_GT(single.count, 0);
    EXPECT_LT(single.bounds.bottom, kBody.height);
    for (const std::u16string text : {u"A\r\nB", u"A\nB", u"A\rB"}) {
        const Ink two = FindInk(Draw(text, box, TextAlign::Left));
        EXPECT_GE(two.bounds.bottom, kBody.height + single.bounds.Height() - 2);
        EXPECT_LT(two.bounds.bottom, 2 * kBody.height);
        // The second line starts at the left edge again.
        EXPECT_LE(two.bounds.Width(), single.bounds.Width());
    }
    // An empty line in between moves the third line down by two heights.
    const Ink three = FindInk(Draw(u"A\n\nB", box, TextAlign::Left));
    EXPECT_GE(three.bounds.bottom, 2 * kBody.height + single.bounds.Height() - 2);
}

TEST(DrawText, DrawsNothingForEmptyTextOrBox) {
    EXPECT_EQ(FindInk(Draw(u"", {0, 0, 240, 120}, TextAlign::Left)).count, 0);
    EXPECT_EQ(FindInk(Draw(u"\r\n", {0, 0, 240, 120}, TextAlign::Center)).count, 0);
    EXPECT_EQ(FindInk(Draw(u"Text", {50, 50, 50, 90}, TextAlign::Left)).count, 0);
    EXPECT_EQ(FindInk(Draw(u"Text", {300, 0, 400, 40}, TextAlign::Left)).count, 0);
}

TEST(DrawText, ColourReferenceIsBlueGreenRed) {
    const struct {
        ColorRef ref;
        Pixel pixel;
    } cases[] = {
        {0x000000FF, 0xFF0000},
        {0x00FF0000, 0x0000FF},
        {0x00563412, 0x123456},
    };
    const FontSpec big{u"DejaVu Sans", 40, ui::kFontWeightBold};
    for (const auto& c : cases) {
        const Surface s = Draw(u"IIll", {0, 0, 240, 120}, TextAlign::Left, big, c.ref);
        int64_t full = 0;
        for (Pixel p : s.Pixels()) {
            full += p == c.pixel ? 1 : 0;
            // Blending onto black only scales the colour, never mixes in another channel.
            if (ui::PixelRed(c.pixel) == 0) {
                EXPECT_EQ(ui::PixelRed(p), 0);
            }
            if (ui::PixelBlue(c.pixel) == 0) {
                EXPECT_EQ(ui::PixelBlue(p), 0);
            }
        }
        EXPECT_GT(full, 20) << std::hex << c.ref;
    }
}

TEST(DrawText, KeepsThePaintersClipAndRestoresIt) {
    Surface s(240, 120, kBlack);
    Painter painter(s);
    const Rect clip{0, 0, 30, 120};
    painter.SetClip(clip);
    ui::DrawText(painter, u"WWWWWWWW", {0, 0, 240, 120}, kBody, kWhite, TextAlign::Left);
    EXPECT_EQ(painter.Clip(), clip);
    const Ink ink = FindInk(s);
    ASSERT_GT(ink.count, 0);
    EXPECT_EQ(ink.bounds.right, 30);
}

// Height and weight hold whatever face the lookup ends on: an installed face, one that is not
// installed, and none at all.
TEST(DrawText, HeightAndWeightHoldForEveryFace) {
    for (const std::u16string face : {u"DejaVu Sans", u"No Such Face Anywhere", u""}) {
        const Ink small = FindInk(Draw(u"H", {0, 0, 240, 120}, TextAlign::Left, {face, 20, 400}));
        const Ink large = FindInk(Draw(u"H", {0, 0, 240, 120}, TextAlign::Left, {face, 40, 400}));
        const Ink bold = FindInk(Draw(u"H", {0, 0, 240, 120}, TextAlign::Left, {face, 40, 700}));
        ASSERT_GT(small.count, 0);
        const double ratio = double(large.bounds.Height()) / small.bounds.Height();
        EXPECT_NEAR(ratio, 2.0, 0.2) << "face " << std::string(face.begin(), face.end());
        EXPECT_GT(bold.count, large.count * 11 / 10);
    }
}

std::vector<uint8_t> ReadFont() {
    std::ifstream in(KESTREL_DEJAVU_SANS, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

ui::FontSource SourceOf(const FontSpec& font) {
    ui::CFontLibrary& library = ui::CFontLibrary::Instance();
    const auto lock = library.Lock();
    const std::optional<ui::ResolvedFont> resolved = library.Resolve(font);
    EXPECT_TRUE(resolved.has_value());
    return resolved ? resolved->source : ui::FontSource::System;
}

TEST(PrivateFont, IsFoundFirstByFamilyUntilRemoved) {
    const std::vector<uint8_t> bytes = ReadFont();
    ASSERT_FALSE(bytes.empty()) << KESTREL_DEJAVU_SANS;
    const Surface bySystem = Draw(u"Kestrel 1.0", {0, 0, 240, 40}, TextAlign::Center);
    EXPECT_EQ(SourceOf(kBody), ui::FontSource::System);

    uint32_t count = 0;
    const ui::PrivateFontHandle handle = ui::AddPrivateFont(bytes, &count);
    ASSERT_TRUE(handle);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(SourceOf(kBody), ui::FontSource::Private);
    EXPECT_EQ(SourceOf({u"dejavu sans", 20, 700}), ui::FontSource::Private); // bold synthesised
    EXPECT_EQ(SourceOf({u"DejaVu Serif", 20, 400}), ui::FontSource::System);

    // Same file, so the same pixels as through fontconfig.
    const Surface byPrivate = Draw(u"Kestrel 1.0", {0, 0, 240, 40}, TextAlign::Center);
    EXPECT_GT(FindInk(byPrivate).count, 0);
    EXPECT_TRUE(std::equal(byPrivate.Pixels().begin(), byPrivate.Pixels().end(), bySystem.Pixels().begin()));

    EXPECT_TRUE(ui::RemovePrivateFont(handle));
    EXPECT_FALSE(ui::RemovePrivateFont(handle));
    EXPECT_EQ(SourceOf(kBody), ui::FontSource::System);
}

TEST(PrivateFont, RefusesDataThatHoldsNoFont) {
    const std::vector<uint8_t> bytes = ReadFont();
    const std::vector<std::vector<uint8_t>> refused = {
        {},
        {0x00, 0x01, 0x00, 0x00, 0x00},
        std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 64)),
    };
    for (const std::vector<uint8_t>& data : refused) {
        uint32_t count = 99;
        EXPECT_FALSE(ui::AddPrivateFont(data, &count));
        EXPECT_EQ(count, 0u);
    }
    EXPECT_FALSE(ui::RemovePrivateFont({}));
    EXPECT_FALSE(ui::RemovePrivateFont({12345}));
}

} // namespace
