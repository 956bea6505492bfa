// Key symbols to virtual keys, pointer buttons and state to mouse messages, and the work area
// property: the pure translations of the X11 back-end.
#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>


#include <vector>

#include "ui/x11/X11Translate.h"

namespace ui::x11 {
namespace {

struct KeyCase {
    uint64_t keysym;
    WPARAM vk;
};

TEST(X11TranslateTest, KeySymbolsBecomeVirtualKeys) {
    const KeyCase cases[] = {
        {XK_Return, VK_RETURN}, {XK_KP_Enter, VK_RETURN}, {XK_Escape, VK_ESCAPE}, {XK_space, VK_SPACE},
        {XK_Tab, 0x09},         {XK_ISO_Left_Tab, 0x09},  {XK_a, 'A'},          {XK_z, 'Z'},
        {XK_A, 'A'},            {XK_Q, 'Q'},              {XK_0, '0'},          {XK_9, '9'},
        {XK_KP_0, 0x60},        {XK_KP_9, 0x69},          {XK_F1, 0x70},        {XK_F12, 0x7B},
        {XK_Left, 0x25},        {XK_Down, 0x28},          {XK_BackSpace, 0x08}, {XK_Delete, 0x2E},
        {XK_Shift_L, 0x10},     {XK_Control_R, 0x11},     {XK_Alt_L, 0x12},
    };
    for (const KeyCase& c : cases) {
        const auto vk = VirtualKeyFromKeysym(c.keysym);
        ASSERT_TRUE(vk.has_value()) << std::hex << c.keysym;
        EXPECT_EQ(*vk, c.vk) << std::hex << c.keysym;
    }
}

TEST(X11TranslateTest, KeysWithoutACodeGiveNothing) {
    for (uint64_t keysym : {uint64_t{NoSymbol}, uint64_t{XK_Multi_key}, uint64_t{XK_adiaeresis}, uint64_t{XK_F13},
                            uint64_t{0x1000041} /* a Unicode key symbol */}) {
        EXPECT_FALSE(VirtualKeyFromKeysym(keysym).has_value()) << std::hex << keysym;
    }
}

struct ButtonCase {
    bool press;
    uint32_t button;
    uint32_t stateBefore;
    UINT msg;
    WPARAM keys;
};

TEST(X11TranslateTest, ButtonsBecomeMouseMessagesWithTheFlagsAfterTheEvent) {
    const ButtonCase cases[] = {
        {true, Button1, 0, WM_LBUTTONDOWN, MK_LBUTTON},
        {false, Button1, Button1Mask, WM_LBUTTONUP, 0},
        {true, Button3, 0, WM_RBUTTONDOWN, MK_RBUTTON},
        {false, Button3, Button3Mask, WM_RBUTTONUP, 0},
        // The other button stays down across the event.
        {true, Button3, Button1Mask, WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON},
        {false, Button1, Button1Mask | Button3Mask, WM_LBUTTONUP, MK_RBUTTON},
        // Shift and Control ride along (MK_SHIFT 4, MK_CONTROL 8).
        {true, Button1, ShiftMask | ControlMask, WM_LBUTTONDOWN, MK_LBUTTON | 0x4 | 0x8},
    };
    for (const ButtonCase& c : cases) {
        const auto mouse = MouseMessageFromButton(c.press, c.button, c.stateBefore);
        ASSERT_TRUE(mouse.has_value());
        EXPECT_EQ(mouse->msg, c.msg) << c.button << " " << c.press;
        EXPECT_EQ(mouse->keys, c.keys) << c.button << " " << c.press;
    }
}

TEST(X11TranslateTest, MiddleButtonAndWheelGiveNoMessage) {
    for (uint32_t button : {uint32_t{Button2}, uint32_t{Button4}, uint32_t{Button5}, 8u}) {
        EXPECT_FALSE(MouseMessageFromButton(true, button, 0).has_value()) << button;
        EXPECT_FALSE(MouseMessageFromButton(false, button, 0).has_value()) << button;
    }
}

TEST(X11TranslateTest, MotionStateBecomesKeyFlags) {
    EXPECT_EQ(MouseKeysFromState(0), WPARAM{0});
    EXPECT_EQ(MouseKeysFromState(Button1Mask), MK_LBUTTON);
    EXPECT_EQ(MouseKeysFromState(Button1Mask | Button3Mask), MK_LBUTTON | MK_RBUTTON);
    EXPECT_EQ(MouseKeysFromState(Button2Mask), WPARAM{0x10});
    // Lock and the other modifiers are not mouse key flags.
    EXPECT_EQ(MouseKeysFromState(LockMask | Mod1Mask | Mod2Mask), WPARAM{0});
}

struct WorkAreaCase {
    const char* name;
    std::vector<long> values;
    uint64_t desktop;
    std::optional<Rect> expected;
};

TEST(X11TranslateTest, WorkAreaFromTheDesktopsEntry) {
    const WorkAreaCase cases[] = {
        {"first desktop", {0, 24, 1024, 744}, 0, Rect{0, 24, 1024, 768}},
        {"second desktop", {0, 0, 800, 600, 10, 20, 500, 400}, 1, Rect{10, 20, 510, 420}},
        {"desktop beyond the list", {0, 0, 800, 600}, 1, std::nullopt},
        {"truncated entry", {0, 0, 800}, 0, std::nullopt},
        {"empty property", {}, 0, std::nullopt},
        {"zero width", {0, 0, 0, 600}, 0, std::nullopt},
        {"negative height", {0, 0, 800, -5}, 0, std::nullopt},
        {"absurd size", {0, 0, 1L << 40, 600}, 0, std::nullopt},
        {"huge desktop index", {0, 0, 800, 600}, ~uint64_t{0}, std::nullopt},
    };
    for (const WorkAreaCase& c : cases) {
        EXPECT_EQ(WorkAreaFromProperty(c.values, c.desktop), c.expected) << c.name;
    }
}

} // namespace
} // namespace ui::x11
