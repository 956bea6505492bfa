// A small PNG encoder for the headless back-end's snapshots: 8-bit RGB, no filtering, the image
// data in stored (uncompressed) deflate blocks inside a zlib stream.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ui/gfx/Surface.h"

namespace ui {

// The PNG file of `surface`; empty for an empty surface.
std::vector<uint8_t> EncodePng(const Surface& surface);

// The checksums the format uses: CRC-32 (ISO 3309, as in zip) and zlib's Adler-32.
uint32_t Crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);
uint32_t Adler32(std::span<const uint8_t> bytes);

} // namespace ui
