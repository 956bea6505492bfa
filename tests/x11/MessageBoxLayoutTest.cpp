// The X11 message box's layout, looks and placement, drawn into a surface without a display.
#include <gtest/gtest.h>

#include <string>

#include "ui/MessageBox.h"
#include "ui/x11/X11MessageBox.h"

namespace ui::x11 {
namespace {

bool IsReddish(Pixel p) { return PixelRed(p) > 200 && PixelGreen(p) < 80 && PixelBlue(p) < 80; }
bool IsDark(Pixel p) { return PixelRed(p) < 100 && PixelGreen(p) < 100 && PixelBlue(p) < 100; }

bool AnyDarkIn(const Surface& s, const Rect& r) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
        for (int32_t x = r.left; x < r.right; ++x) {
            if (IsDark(s.At(x, y))) {
                return true;
            }
        }
    }
    return false;
}

struct LayoutCase {
    const char* name;
    std::u16string text;
    uint32_t flags;
    size_t lines;
};

TEST(X11MessageBoxLayoutTest, BoxHoldsIconTextAndCentredButton) {
    const LayoutCase cases[] = {
        {"short, no icon", u"Done.", MB_OK, 1},
        {"short, error icon", u"error", MB_ICONERROR, 1},
        {"three lines with icon", u"first line\r\nsecond\nthird", MB_ICONERROR, 3},
        {"long line", std::u16string(120, u'W'), MB_OK, 1},
        {"empty text", u"", MB_ICONERROR, 1},
    };
    for (const LayoutCase& c : cases) {
        const MessageBoxLayout layout = LayoutMessageBox(c.text, c.flags);
        const Rect box{0, 0, layout.width, layout.height};
        EXPECT_EQ(layout.hasIcon, (c.flags & MB_ICONERROR) != 0) << c.name;
        EXPECT_GE(layout.width, 220) << c.name;
        EXPECT_EQ(layout.text.Height(), static_cast<int32_t>(c.lines) * 16) << c.name;
        EXPECT_LE(layout.text.right, layout.width - 16) << c.name;
        EXPECT_EQ(IntersectRect(layout.button, box), layout.button) << c.name;
        EXPECT_LE(std::abs(layout.button.left - (layout.width - layout.button.right)), 1) << c.name;
        EXPECT_GE(layout.button.top, layout.text.bottom) << c.name;
        if (layout.hasIcon) {
            EXPECT_EQ(layout.icon.Width(), 32) << c.name;
            EXPECT_EQ(layout.icon.Height(), 32) << c.name;
            EXPECT_LE(layout.icon.right, layout.text.left) << c.name;
            EXPECT_GE(layout.button.top, layout.icon.bottom) << c.name;
        } else {
            EXPECT_EQ(layout.text.left, 16) << c.name;
        }
    }
}

TEST(X11MessageBoxLayoutTest, WiderTextMakesAWiderBoxUpToALimit) {
    const MessageBoxLayout narrow = LayoutMessageBox(std::u16string(40, u'W'), MB_OK);
    const MessageBoxLayout wide = LayoutMessageBox(std::u16string(70, u'W'), MB_OK);
    const MessageBoxLayout huge = LayoutMessageBox(std::u16string(5000, u'W'), MB_OK);
    EXPECT_GT(narrow.text.Width(), 200);
    EXPECT_GT(wide.text.Width(), narrow.text.Width());
    EXPECT_GT(wide.width, narrow.width);
    EXPECT_LE(huge.width, 1000);
    // A text with many lines is clipped, not a box taller than a screen.
    std::u16string many;
    for (int i = 0; i < 500; ++i) {
        many += u"line\n";
    }
    EXPECT_LE(LayoutMessageBox(many, MB_OK).height, 768);
}

TEST(X11MessageBoxLayoutTest, PaintShowsIconTextAndButtonLooks) {
    const MessageBoxLayout layout = LayoutMessageBox(u"Firmware update failed", MB_ICONERROR);
    Surface normal(layout.width, layout.height);
    PaintMessageBox(normal, layout, ButtonLook::Normal);

    const Rect& icon = layout.icon;
    const int32_t cx = icon.left + icon.Width() / 2;
    const int32_t cy = icon.top + icon.Height() / 2;
    const Pixel centre = normal.At(cx, cy);
    EXPECT_GT(PixelGreen(centre), 200) << "the cross's middle is white";
    EXPECT_GT(PixelBlue(centre), 200);
    EXPECT_TRUE(IsReddish(normal.At(cx, icon.top + 3))) << "the circle's top";
    EXPECT_TRUE(IsReddish(normal.At(icon.left + 3, cy))) << "the circle's left";
    EXPECT_EQ(normal.At(icon.left, icon.top), normal.At(1, 1)) << "the icon's corner shows the face";
    EXPECT_TRUE(AnyDarkIn(normal, layout.text)) << "the text is drawn";
    EXPECT_TRUE(AnyDarkIn(normal, layout.button)) << "the button has its label";
    EXPECT_FALSE(AnyDarkIn(normal, Rect{0, 0, layout.width, 10})) << "nothing above the content";

    Surface hover(layout.width, layout.height);
    PaintMessageBox(hover, layout, ButtonLook::Hover);
    Surface pressed(layout.width, layout.height);
    PaintMessageBox(pressed, layout, ButtonLook::Pressed);
    const Point inButton{layout.button.left + 4, layout.button.top + 4};
    EXPECT_NE(normal.At(inButton.x, inButton.y), hover.At(inButton.x, inButton.y));
    EXPECT_NE(hover.At(inButton.x, inButton.y), pressed.At(inButton.x, inButton.y));
    EXPECT_NE(normal.At(inButton.x, inButton.y), pressed.At(inButton.x, inButton.y));
    EXPECT_EQ(normal.At(cx, icon.top + 3), hover.At(cx, icon.top + 3)) << "only the button changes";
}

TEST(X11MessageBoxLayoutTest, NoIconWithoutTheErrorFlag) {
    const MessageBoxLayout layout = LayoutMessageBox(u"Note", MB_OK);
    Surface s(layout.width, layout.height);
    PaintMessageBox(s, layout, ButtonLook::Normal);
    for (int32_t y = 0; y < s.Height(); ++y) {
        for (int32_t x = 0; x < s.Width(); ++x) {
            ASSERT_FALSE(IsReddish(s.At(x, y))) << x << "," << y;
        }
    }
}

struct PlaceCase {
    const char* name;
    Rect owner;
    Rect expected;
};

TEST(X11MessageBoxLayoutTest, PlacedOverTheOwnerWithinTheWorkArea) {
    const Rect work{0, 0, 1024, 768};
    const PlaceCase cases[] = {
        {"no owner: middle of the work area", Rect{}, Rect{412, 334, 612, 434}},
        {"over the owner", Rect{0, 0, 500, 384}, Rect{150, 142, 350, 242}},
        {"owner off the left edge", Rect{-400, 100, -100, 200}, Rect{0, 100, 200, 200}},
        {"owner off the bottom right", Rect{900, 700, 1100, 900}, Rect{824, 668, 1024, 768}},
    };
    for (const PlaceCase& c : cases) {
        EXPECT_EQ(PlaceMessageBox(200, 100, c.owner, work), c.expected) << c.name;
    }
    // Larger than the work area: its top-left part stays on screen.
    EXPECT_EQ(PlaceMessageBox(2000, 1000, Rect{}, work), (Rect{0, 0, 2000, 1000}));
    const Rect offset{100, 50, 600, 450};
    EXPECT_EQ(PlaceMessageBox(200, 100, Rect{}, offset), (Rect{250, 200, 450, 300}));
}

} // namespace
} // namespace ui::x11
