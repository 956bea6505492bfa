// Colour references as the skin layout stores them: 0x00BBGGRR, red in the low byte (the Windows
// COLORREF order), and their conversion to surface pixels (0x00RRGGBB).
#pragma once

#include <cstdint>

#include "ui/gfx/Surface.h"

namespace ui {

using ColorRef = uint32_t; // 0x00BBGGRR

inline constexpr ColorRef MakeColorRef(uint8_t r, uint8_t g, uint8_t b) {
    return (static_cast<ColorRef>(b) << 16) | (static_cast<ColorRef>(g) << 8) | r;
}

inline constexpr Pixel PixelFromColorRef(ColorRef c) {
    return MakePixel(static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16));
}

} // namespace ui
