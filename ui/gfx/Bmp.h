// Reader of Windows bitmap files ("BM" file header): 1, 4 and 8 bits per pixel with a palette,
// 24 and 32 bits, uncompressed (32 bits also with bit-field masks), rows bottom-up or top-down.
// Portable and bounds-checked: every size in the file is checked against the data before use.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ui/gfx/Surface.h"

namespace ui {

// The picture, or nothing when the data is not a bitmap file this reader handles, is truncated,
// or claims sizes beyond Surface::kMaxDimension. Any thread.
std::optional<Surface> DecodeBmp(std::span<const uint8_t> data);

} // namespace ui
