// Pure translations from X11 input to the framework's terms: key symbols to Windows virtual-key
// codes, pointer buttons and modifier state to mouse messages and MK_* flags, and the work area
// property to a rectangle. No Xlib here: the values are the protocol's numbers, so the tests run
// without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ui/Types.h"

namespace ui::x11 {

// The Windows virtual-key code for an unshifted X key symbol (the symbol in column 0 of the key),
// or nothing for a key the program has no code for.
std::optional<WPARAM> VirtualKeyFromKeysym(uint64_t keysym);

// The MK_* flags of an X modifier/button state mask.
WPARAM MouseKeysFromState(uint32_t state);

struct MouseMessage {
    UINT msg = 0;
    WPARAM keys = 0; // MK_* flags that hold after the event
};

// A press or release of X pointer button `button` (1 left, 3 right) with `state` the mask before
// the event. Nothing for buttons the framework has no message for (middle, wheel).
std::optional<MouseMessage> MouseMessageFromButton(bool press, uint32_t button, uint32_t state);

// The rectangle of desktop `desktop` in a _NET_WORKAREA property (x, y, width, height per desktop).
// Nothing when the property is too short or the area is empty.
std::optional<Rect> WorkAreaFromProperty(std::span<const long> values, uint64_t desktop);

} // namespace ui::x11
