// Pure X11 input translations (see X11Translate.h).
#include "ui/x11/X11Translate.h"

#include <X11/X.h>
#include <X11/keysym.h>

#include <array>

namespace ui::x11 {
namespace {

// Windows virtual-key and MK_* values the framework's Types.h does not name.
constexpr WPARAM kVkBack = 0x08;
constexpr WPARAM kVkTab = 0x09;
constexpr WPARAM kVkShift = 0x10;
constexpr WPARAM kVkControl = 0x11;
constexpr WPARAM kVkMenu = 0x12;
constexpr WPARAM kVkPrior = 0x21;
constexpr WPARAM kVkNext = 0x22;
constexpr WPARAM kVkEnd = 0x23;
constexpr WPARAM kVkHome = 0x24;
constexpr WPARAM kVkLeft = 0x25;
constexpr WPARAM kVkUp = 0x26;
constexpr WPARAM kVkRight = 0x27;
constexpr WPARAM kVkDown = 0x28;
constexpr WPARAM kVkInsert = 0x2D;
constexpr WPARAM kVkDelete = 0x2E;
constexpr WPARAM kVkNumpad0 = 0x60;
constexpr WPARAM kVkF1 = 0x70;

constexpr WPARAM kMkShift = 0x0004;
constexpr WPARAM kMkControl = 0x0008;
constexpr WPARAM kMkMButton = 0x0010;

struct KeyRow {
    uint64_t keysym;
    WPARAM vk;
};

constexpr std::array kNamedKeys{
    KeyRow{XK_Return, VK_RETURN},     KeyRow{XK_KP_Enter, VK_RETURN}, KeyRow{XK_Escape, VK_ESCAPE},
    KeyRow{XK_space, VK_SPACE},       KeyRow{XK_Tab, kVkTab},         KeyRow{XK_ISO_Left_Tab, kVkTab},
    KeyRow{XK_BackSpace, kVkBack},    KeyRow{XK_Delete, kVkDelete},   KeyRow{XK_Insert, kVkInsert},
    KeyRow{XK_Home, kVkHome},         KeyRow{XK_End, kVkEnd},         KeyRow{XK_Prior, kVkPrior},
    KeyRow{XK_Next, kVkNext},         KeyRow{XK_Left, kVkLeft},       KeyRow{XK_Up, kVkUp},
    KeyRow{XK_Right, kVkRight},       KeyRow{XK_Down, kVkDown},       KeyRow{XK_Shift_L, kVkShift},
    KeyRow{XK_Shift_R, kVkShift},     KeyRow{XK_Control_L, kVkControl}, KeyRow{XK_Control_R, kVkControl},
    KeyRow{XK_Alt_L, kVkMenu},        KeyRow{XK_Alt_R, kVkMenu},
};

} // namespace

std::optional<WPARAM> VirtualKeyFromKeysym(uint64_t keysym) {
    if (keysym >= XK_a && keysym <= XK_z) {
        return static_cast<WPARAM>('A' + (keysym - XK_a));
    }
    if (keysym >= XK_A && keysym <= XK_Z) {
        return static_cast<WPARAM>(keysym);
    }
    if (keysym >= XK_0 && keysym <= XK_9) {
        return static_cast<WPARAM>(keysym);
    }
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9) {
        return kVkNumpad0 + static_cast<WPARAM>(keysym - XK_KP_0);
    }
    if (keysym >= XK_F1 && keysym <= XK_F12) {
        return kVkF1 + static_cast<WPARAM>(keysym - XK_F1);
    }
    for (const KeyRow& row : kNamedKeys) {
        if (row.keysym == keysym) {
            return row.vk;
        }
    }
    return std::nullopt;
}

WPARAM MouseKeysFromState(uint32_t state) {
    WPARAM keys = 0;
    if ((state & Button1Mask) != 0) {
        keys |= MK_LBUTTON;
    }
    if ((state & Button2Mask) != 0) {
        keys |= kMkMButton;
    }
    if ((state & Button3Mask) != 0) {
        keys |= MK_RBUTTON;
    }
    if ((state & ShiftMask) != 0) {
        keys |= kMkShift;
    }
    if ((state & ControlMask) != 0) {
        keys |= kMkControl;
    }
    return keys;
}

std::optional<MouseMessage> MouseMessageFromButton(bool press, uint32_t button, uint32_t state) {
    // X reports the state before the event; the framework wants the flags that hold after it.
    WPARAM keys = MouseKeysFromState(state);
    switch (button) {
    case Button1:
        keys = press ? (keys | MK_LBUTTON) : (keys & ~MK_LBUTTON);
        return MouseMessage{press ? WM_LBUTTONDOWN : WM_LBUTTONUP, keys};
    case Button3:
        keys = press ? (keys | MK_RBUTTON) : (keys & ~MK_RBUTTON);
        return MouseMessage{press ? WM_RBUTTONDOWN : WM_RBUTTONUP, keys};
    default:
        return std::nullopt;
    }
}

std::optional<Rect> WorkAreaFromProperty(std::span<const long> values, uint64_t desktop) {
    constexpr size_t kPerDesktop = 4;
    if (desktop >= values.size() / kPerDesktop) {
        return std::nullopt;
    }
    const size_t at = static_cast<size_t>(desktop) * kPerDesktop;
    const long x = values[at];
    const long y = values[at + 1];
    const long width = values[at + 2];
    const long height = values[at + 3];
    constexpr long kLimit = 1L << 20; // no screen is larger; keeps the sums inside int32_t
    if (width <= 0 || height <= 0 || width > kLimit || height > kLimit || x < -kLimit || x > kLimit ||
        y < -kLimit || y > kLimit) {
        return std::nullopt;
    }
    return Rect{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(x + width),
                static_cast<int32_t>(y + height)};
}

} // namespace ui::x11
