// The main window's painting, read back as pixels: the progress strip's filled columns and icon,
// no strip while the close button is enabled, the layout name only for a selected image, and the
// plain face without a background. Solid-colour pictures make every pixel's origin plain.
#include "skin/MainWindowPaint.h"

#include <gtest/gtest.h>

#include "ui/Paint.h"

namespace skin {
namespace {

constexpr ui::Pixel kBackground = ui::MakePixel(20, 30, 40);
constexpr ui::Pixel kStripEmpty = ui::MakePixel(60, 60, 60);
constexpr ui::Pixel kStripFull = ui::MakePixel(0, 160, 250);
constexpr ui::Pixel kIcon = ui::MakePixel(250, 250, 0);
constexpr ui::Rect kStrip{0, 368, 500, 384};
constexpr ui::Rect kLayoutBox{279, 99, 376, 115};

MainWindowSkin SolidSkin(bool withIcon) {
    MainWindowSkin skin;
    skin.m_bmpBackground.Attach(ui::Surface(500, 384, kBackground));
    skin.m_bmpStripEmpty.Attach(ui::Surface(500, 16, kStripEmpty));
    skin.m_bmpStripFull.Attach(ui::Surface(500, 16, kStripFull));
    if (withIcon) {
        skin.m_bmpBarIcon.Attach(ui::Surface(16, 15, kIcon));
    }
    skin.m_rcStrip = kStrip;
    skin.m_rcTitle = {117, 35, 383, 72};
    skin.m_rcLayout = kLayoutBox;
    skin.m_clrLayout = 0x0000FF;  // red
    return skin;
}

int CountInRow(const ui::Surface& s, int32_t y, ui::Pixel p) {
    int n = 0;
    for (int32_t x = 0; x < s.Width(); ++x) {
        n += s.At(x, y) == p ? 1 : 0;
    }
    return n;
}

TEST(MainWindowPaintTest, StripFillsItsColumnsInProportionWhileBusy) {
    struct Case {
        bool busy;
        int progress;
        int filled;  // columns of the full strip
        int empty;   // columns of the empty strip
    };
    const Case cases[] = {
        {true, 0, 0, 500},
        {true, 50, 250, 250},
        {true, 100, 500, 0},
        {true, 1, 5, 495},
        {false, 50, 0, 0},  // close button enabled: no strip, the background shows through
        {false, 100, 0, 0},
    };
    const MainWindowSkin skin = SolidSkin(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "busy " << c.busy << " progress " << c.progress);
        MainWindowState state;
        state.busy = c.busy;
        state.progress = c.progress;
        const ui::Surface frame = ComposeMainWindow(skin, state);
        ASSERT_EQ(frame.Width(), 500);
        for (int32_t y : {kStrip.top, kStrip.bottom - 1}) {
            EXPECT_EQ(CountInRow(frame, y, kStripFull), c.filled);
            EXPECT_EQ(CountInRow(frame, y, kStripEmpty), c.empty);
        }
        EXPECT_EQ(frame.At(0, kStrip.top - 1), kBackground);
        if (c.filled > 0) {
            EXPECT_EQ(frame.At(0, kStrip.top), kStripFull);  // filled from the left edge
        }
    }
}

TEST(MainWindowPaintTest, IconSitsOnTheFilledPartsBoundaryAndTheStripsBottom) {
    const MainWindowSkin skin = SolidSkin(true);
    MainWindowState state;
    state.busy = true;
    state.progress = 50;
    const ui::Surface frame = ComposeMainWindow(skin, state);
    EXPECT_EQ(frame.At(250, 369), kIcon);  // top-left: x = 250, y = 368 + 16 - 15
    EXPECT_EQ(frame.At(265, 383), kIcon);  // bottom-right
    EXPECT_EQ(frame.At(249, 369), kStripFull);
    EXPECT_EQ(frame.At(250, 368), kStripEmpty);
    EXPECT_EQ(frame.At(266, 375), kStripEmpty);

    // At 100 the icon starts at the strip's right end, outside a strip as wide as the window.
    state.progress = 100;
    const ui::Surface full = ComposeMainWindow(skin, state);
    EXPECT_EQ(CountInRow(full, 375, kStripFull), 500);
    EXPECT_EQ(CountInRow(full, 375, kIcon), 0);
}

TEST(MainWindowPaintTest, LayoutNameOnlyForASelectedImage) {
    const MainWindowSkin skin = SolidSkin(false);
    struct Case {
        int sel;
        bool drawn;
    };
    const Case cases[] = {{0, true}, {8, true}, {-1, false}, {-2, false}, {-3, false}, {9, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "selection " << c.sel);
        MainWindowState state;
        state.nSelImage = c.sel;
        state.layoutName = u"WWWW";
        const ui::Surface frame = ComposeMainWindow(skin, state);
        int changed = 0;
        for (int32_t y = kLayoutBox.top; y < kLayoutBox.bottom; ++y) {
            for (int32_t x = kLayoutBox.left; x < kLayoutBox.right; ++x) {
                changed += frame.At(x, y) != kBackground ? 1 : 0;
            }
        }
        EXPECT_EQ(changed > 0, c.drawn);
    }
}

TEST(MainWindowPaintTest, WithoutBackgroundTheWindowShowsThePlainFace) {
    MainWindowSkin skin = SolidSkin(false);
    skin.m_bmpBackground.Reset();
    MainWindowState state;
    state.busy = true;
    state.progress = 100;
    EXPECT_TRUE(ComposeMainWindow(skin, state).IsEmpty());
    ui::Surface window(500, 384, kBackground);
    ui::Painter painter(window);
    PaintMainWindow(painter, skin, state);
    EXPECT_EQ(CountInRow(window, 375, ui::kFaceColor), 500);
}

TEST(FilledStripColumnsTest, TruncatesTowardZero) {
    struct Case {
        int32_t width;
        int progress;
        int32_t filled;
    };
    const Case cases[] = {{500, 0, 0}, {500, 33, 165}, {500, 99, 495}, {333, 50, 166}, {16, 7, 1}, {500, 100, 500}};
    for (const Case& c : cases) {
        EXPECT_EQ(FilledStripColumns(c.width, c.progress), c.filled) << c.width << " " << c.progress;
    }
}

} // namespace
} // namespace skin
