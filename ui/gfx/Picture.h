// Picture decoding for the skin: picks the decoder by the data's signature.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ui/gfx/Surface.h"

namespace ui {

// FF D8 -> JPEG, "BM" -> Windows bitmap; anything else, or a picture that does not decode,
// yields nothing. Any thread.
std::optional<Surface> DecodePicture(std::span<const uint8_t> data);

} // namespace ui
