// JPEG decoding, baseline and progressive, into a ui::Surface. Linux: libjpeg-turbo.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ui/gfx/Surface.h"

namespace ui {

// The picture, or nothing when the data is not a complete, valid JPEG stream (a truncated or
// corrupt file yields nothing rather than a partial picture) or is larger than
// Surface::kMaxDimension on a side. Any thread.
std::optional<Surface> DecodeJpeg(std::span<const uint8_t> data);

} // namespace ui
