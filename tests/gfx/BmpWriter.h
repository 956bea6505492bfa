// Builds Windows bitmap files for the tests, field by field.
#pragma once

#include <cstdint>
#include <vector>

#include "ui/gfx/Surface.h"

namespace gfxtest {

struct BmpFormat {
    int32_t width = 0;
    int32_t height = 0;                 // negative: rows stored top-down
    uint16_t bitCount = 24;
    uint32_t compression = 0;           // 0 plain, 3 bit fields (32 bits)
    std::vector<ui::Pixel> palette;     // written as B, G, R, 0; its size is the colours-used field
    std::vector<uint32_t> masks;        // red, green, blue masks after the header (bit fields)
};

// `pixels` in picture order, top row first: palette indexes up to 8 bits, 0x00RRGGBB for 24 bits,
// the stored 32-bit word for 32 bits.
std::vector<uint8_t> WriteBmp(const BmpFormat& format, const std::vector<uint32_t>& pixels);

} // namespace gfxtest
