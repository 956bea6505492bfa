// The window icon for _NET_WM_ICON: decoding the icon resource (a Windows icon file, or any picture
// ui::DecodePicture reads) and the property's CARDINAL layout. Pure; no Xlib.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ui/gfx/Surface.h"

namespace ui::x11 {

struct IconImage {
    Surface pixels;
    std::vector<uint8_t> alpha; // one byte per pixel, row by row: 0 transparent, 255 opaque
};

// Icons wider or taller than this are not used (the largest entry a Windows icon file holds).
inline constexpr int32_t kMaxIconSide = 256;

// A Windows icon file: its largest bitmap entry, with transparency from the entry's alpha channel
// (32 bits) or its AND mask. Other data: whatever DecodePicture reads, fully opaque. Nothing when
// no usable picture is in the data; every offset and size in it is checked before use.
std::optional<IconImage> DecodeIcon(std::span<const uint8_t> data);

// The _NET_WM_ICON values: width, height, then one 0xAARRGGBB value per pixel, row by row (format
// 32 properties travel as C longs in Xlib).
std::vector<unsigned long> NetWmIconData(const IconImage& icon);

} // namespace ui::x11
