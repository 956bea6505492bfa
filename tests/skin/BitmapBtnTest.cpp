// CBitmapBtn: the look chosen for each state, and the hover, press and right-press sequences as the
// pointer moves on the headless back-end (input through ui/Input.h, looks read back as presented
// pixels of the parent window).
#include "skin/CBitmapBtn.h"

#include <gtest/gtest.h>

#include <vector>

#include "SkinUiFixture.h"
#include "ui/Input.h"
#include "ui/WindowApi.h"

namespace skin {
namespace {

using test::Headless;
using test::PresentedPixel;
using test::Settle;

TEST(ChooseButtonLookTest, DisabledBeatsPressedBeatsHover) {
    struct Case {
        uint32_t state;
        bool hover;
        ButtonLook look;
    };
    const Case cases[] = {
        {0, false, ButtonLook::Normal},
        {0, true, ButtonLook::Hover},
        {ui::ODS_SELECTED, false, ButtonLook::Pressed},
        {ui::ODS_SELECTED, true, ButtonLook::Pressed},
        {ui::ODS_DISABLED, true, ButtonLook::Disabled},
        {ui::ODS_DISABLED | ui::ODS_SELECTED, true, ButtonLook::Disabled},
        {ui::ODS_FOCUS, false, ButtonLook::Normal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "state " << c.state << " hover " << c.hover);
        EXPECT_EQ(ChooseButtonLook(c.state, c.hover), c.look);
    }
}

constexpr ui::Pixel kBack = ui::MakePixel(10, 10, 10);
constexpr ui::Pixel kNormal = ui::MakePixel(200, 0, 0);
constexpr ui::Pixel kHover = ui::MakePixel(0, 200, 0);
constexpr ui::Pixel kPressed = ui::MakePixel(0, 0, 200);
constexpr ui::Pixel kDisabled = ui::MakePixel(90, 90, 90);

constexpr ui::Rect kParentRect{100, 100, 300, 200};  // screen
constexpr ui::Rect kButtonRect{20, 20, 80, 50};      // parent client
constexpr ui::Point kOnButton{50, 35};
constexpr ui::Point kOffButton{150, 80};           // on the parent, off the button
constexpr ui::Point kOffProgram{-60, -60};          // outside every window of the program

// A parent window that paints itself kBack and records the commands and forwarded moves it gets,
// with one picture button whose four looks are solid colours cut from full-window pictures.
class BitmapBtnTest : public testing::Test {
protected:
    void SetUp() override {
        Headless();
        m_parent.SetHandler([this](ui::UINT msg, ui::WPARAM wParam, ui::LPARAM lParam) -> ui::LRESULT {
            if (msg == ui::WM_COMMAND) {
                m_commands.push_back({wParam, lParam});
            } else if (msg == ui::WM_MOUSEMOVE) {
                m_moves.push_back(lParam);
            } else if (msg == ui::WM_ERASEBKGND) {
                reinterpret_cast<ui::Painter*>(wParam)->FillRect({0, 0, 200, 100}, kBack);
                return 1;
            }
            return m_parent.Default(msg, wParam, lParam);
        });
        ASSERT_TRUE(test::CreateTopLevel(m_parent, kParentRect));
        ASSERT_TRUE(m_button.Create(m_parent.Handle(), kButtonRect));
        const int32_t w = kParentRect.Width();
        const int32_t h = kParentRect.Height();
        m_button.SetStatePictures(SkinPicture(ui::Surface(w, h, kNormal)), SkinPicture(ui::Surface(w, h, kHover)),
                                  SkinPicture(ui::Surface(w, h, kPressed)), SkinPicture(ui::Surface(w, h, kDisabled)),
                                  kButtonRect);
        ui::InjectActivation(m_parent.Handle(), true);
        ui::InvalidateRect(m_parent.Handle(), nullptr, true);
        Settle();
    }

    void Mouse(ui::UINT msg, ui::Point at, ui::WPARAM keys = 0) {
        ui::InjectMouse(m_parent.Handle(), msg, at, keys);
        Settle();
    }
    ui::Pixel Shown() const { return PresentedPixel(m_parent.Handle(), kOnButton.x, kOnButton.y); }
    bool Captured() const { return ui::GetCapture() == m_button.Handle(); }

    struct Command {
        ui::WPARAM wParam;
        ui::LPARAM lParam;
    };
    test::LambdaWindow m_parent;
    CBitmapBtn m_button;
    std::vector<Command> m_commands;
    std::vector<ui::LPARAM> m_moves;
};

TEST_F(BitmapBtnTest, ButtonIsOwnerDrawnWithoutTabStop) {
    const uint32_t style = ui::GetWindowStyle(m_button.Handle());
    EXPECT_EQ(style & ui::BS_TYPEMASK, ui::BS_OWNERDRAW);
    EXPECT_EQ(style & (ui::WS_TABSTOP | ui::WS_BORDER), 0u);
    EXPECT_EQ(ui::GetDlgCtrlID(m_button.Handle()), 0);
    EXPECT_EQ(Shown(), kNormal);
    EXPECT_EQ(PresentedPixel(m_parent.Handle(), kOffButton.x, kOffButton.y), kBack);
}

TEST_F(BitmapBtnTest, HoverTakesTheCaptureAndEndsWhenThePointerLeaves) {
    struct Step {
        const char* what;
        ui::Point at;
        ui::Pixel look;
        bool captured;
    };
    const Step steps[] = {
        {"enter", kOnButton, kHover, true},
        {"move within", {kOnButton.x + 5, kOnButton.y}, kHover, true},
        {"leave onto the parent", kOffButton, kNormal, false},
        {"enter again", kOnButton, kHover, true},
        // No window of the program is under the point: that is a leave too, or the capture and the
        // pointer grab would stay on while the pointer is elsewhere.
        {"leave the program", kOffProgram, kNormal, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        Mouse(ui::WM_MOUSEMOVE, s.at);
        EXPECT_EQ(Shown(), s.look);
        EXPECT_EQ(Captured(), s.captured);
        EXPECT_EQ(m_button.IsHover(), s.look == kHover);
        EXPECT_EQ(Headless().State(m_parent.Handle())->pointerGrabbed, s.captured);
    }
    EXPECT_TRUE(m_commands.empty());
}

TEST_F(BitmapBtnTest, MovesAreForwardedToTheParentInScreenCoordinates) {
    Mouse(ui::WM_MOUSEMOVE, kOnButton);
    const ui::Point screen{kParentRect.left + kOnButton.x, kParentRect.top + kOnButton.y};
    ASSERT_FALSE(m_moves.empty());
    EXPECT_EQ(m_moves.back(), ui::MakeLParam(screen.x, screen.y));
}

TEST_F(BitmapBtnTest, ClickOverTheButtonSendsBnClickedWithItsHandle) {
    Mouse(ui::WM_MOUSEMOVE, kOnButton);
    Mouse(ui::WM_LBUTTONDOWN, kOnButton, ui::MK_LBUTTON);
    EXPECT_EQ(Shown(), kPressed);  // pressed wins over hovered
    EXPECT_TRUE(m_button.IsHover());
    Mouse(ui::WM_LBUTTONUP, kOnButton);
    ASSERT_EQ(m_commands.size(), 1u);
    EXPECT_EQ(m_commands[0].wParam, ui::MakeWParam(0, ui::BN_CLICKED));
    EXPECT_EQ(static_cast<uint64_t>(m_commands[0].lParam), m_button.Handle().value);
    EXPECT_EQ(Shown(), kHover);
    // The release gave the capture up; the next move over the button takes it again.
    Mouse(ui::WM_MOUSEMOVE, kOnButton);
    EXPECT_TRUE(Captured());
}

TEST_F(BitmapBtnTest, PressDraggedOffAndReleasedOutsideIsNoClick) {
    Mouse(ui::WM_MOUSEMOVE, kOnButton);
    Mouse(ui::WM_LBUTTONDOWN, kOnButton, ui::MK_LBUTTON);
    ASSERT_EQ(Shown(), kPressed);
    Mouse(ui::WM_MOUSEMOVE, kOffButton, ui::MK_LBUTTON);
    EXPECT_EQ(Shown(), kNormal);  // neither pressed nor hovered once the pointer is off
    EXPECT_TRUE(Captured());      // the press still holds it
    Mouse(ui::WM_MOUSEMOVE, kOffProgram, ui::MK_LBUTTON);
    EXPECT_EQ(Shown(), kNormal);
    Mouse(ui::WM_LBUTTONUP, kOffProgram);
    EXPECT_TRUE(m_commands.empty());
    EXPECT_FALSE(Captured());
    EXPECT_EQ(Shown(), kNormal);
}

TEST_F(BitmapBtnTest, PressThatBeganElsewhereShowsNoHover) {
    Mouse(ui::WM_MOUSEMOVE, kOffButton);
    Mouse(ui::WM_MOUSEMOVE, kOnButton, ui::MK_LBUTTON);
    EXPECT_EQ(Shown(), kNormal);
    EXPECT_FALSE(Captured());
}

TEST_F(BitmapBtnTest, RightPressSendsTheFFCommandWithItsHandle) {
    Mouse(ui::WM_MOUSEMOVE, kOnButton);
    Mouse(ui::WM_RBUTTONDOWN, kOnButton, ui::MK_RBUTTON);
    Mouse(ui::WM_RBUTTONUP, kOnButton);
    ASSERT_EQ(m_commands.size(), 1u);
    EXPECT_EQ(m_commands[0].wParam, ui::WPARAM{0x00FF0000});
    EXPECT_EQ(static_cast<uint64_t>(m_commands[0].lParam), m_button.Handle().value);
}

TEST_F(BitmapBtnTest, SpaceBarNeverPressesTheButton) {
    ui::SetFocus(m_button.Handle());
    ui::InjectKey(m_parent.Handle(), ui::WM_KEYDOWN, ui::VK_SPACE);
    Settle();
    EXPECT_EQ(Shown(), kNormal);
    ui::InjectKey(m_parent.Handle(), ui::WM_KEYUP, ui::VK_SPACE);
    Settle();
    EXPECT_TRUE(m_commands.empty());
}

TEST_F(BitmapBtnTest, DisabledButtonShowsItsDisabledLookWhileHovered) {
    Mouse(ui::WM_MOUSEMOVE, kOnButton);
    ASSERT_TRUE(m_button.IsHover());
    ui::EnableWindow(m_button.Handle(), false);
    ui::InvalidateRect(m_button.Handle(), nullptr, true);
    Settle();
    EXPECT_EQ(Shown(), kDisabled);
}

TEST_F(BitmapBtnTest, NoHoverWhileNoWindowOfTheProgramIsActive) {
    ui::InjectActivation(m_parent.Handle(), false);
    Mouse(ui::WM_MOUSEMOVE, kOnButton);
    EXPECT_EQ(Shown(), kNormal);
    EXPECT_FALSE(Captured());
}

TEST_F(BitmapBtnTest, LosingTheFocusEndsTheHover) {
    Mouse(ui::WM_MOUSEMOVE, kOnButton);
    ui::SetFocus(m_button.Handle());
    ui::SetFocus(m_parent.Handle());
    EXPECT_FALSE(m_button.IsHover());
}

TEST(BitmapBtnLooksTest, ZeroSizeButtonHasEmptyLooksAndEmptySourcesKeepTheOldLook) {
    Headless();
    test::LambdaWindow parent;
    ASSERT_TRUE(test::CreateTopLevel(parent, {0, 0, 50, 50}));
    const SkinPicture source(ui::Surface(50, 50, kNormal));
    CBitmapBtn zero;
    ASSERT_TRUE(zero.Create(parent.Handle(), {0, 0, 0, 0}));
    zero.SetStatePictures(source, source, source, source, {0, 0, 0, 0});
    for (ButtonLook look : {ButtonLook::Normal, ButtonLook::Hover, ButtonLook::Pressed, ButtonLook::Disabled}) {
        EXPECT_TRUE(zero.Look(look).IsEmpty());
    }
    CBitmapBtn button;
    ASSERT_TRUE(button.Create(parent.Handle(), {5, 5, 15, 15}));
    button.SetStatePictures(source, source, source, source, {5, 5, 15, 15});
    button.SetStatePictures(SkinPicture(), SkinPicture(), SkinPicture(), SkinPicture(), {5, 5, 15, 15});
    EXPECT_EQ(button.Look(ButtonLook::Hover).Width(), 10);
}

} // namespace
} // namespace skin
