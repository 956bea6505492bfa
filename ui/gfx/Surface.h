// ui::Surface: a 32-bit picture in memory, the target of all painting and the result of picture
// decoding.
//
// Pixel format: one uint32_t per pixel holding 0x00RRGGBB (the top byte is unused and kept 0 by
// the decoders). In memory on our little-endian targets that is B, G, R, X: the layout of a Windows
// 32-bit DIB section and of an X11 24-bit-depth ZPixmap, so the display back-ends present a
// surface without converting it. Rows run top-down; Stride() is in pixels.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ui/Types.h"

namespace ui {

using Pixel = uint32_t; // 0x00RRGGBB

inline constexpr Pixel MakePixel(uint8_t r, uint8_t g, uint8_t b) {
    return (static_cast<Pixel>(r) << 16) | (static_cast<Pixel>(g) << 8) | b;
}
inline constexpr uint8_t PixelRed(Pixel p) { return static_cast<uint8_t>(p >> 16); }
inline constexpr uint8_t PixelGreen(Pixel p) { return static_cast<uint8_t>(p >> 8); }
inline constexpr uint8_t PixelBlue(Pixel p) { return static_cast<uint8_t>(p); }

class Surface {
public:
    // Larger pictures than this on either side are refused (decoders check before allocating).
    static constexpr int32_t kMaxDimension = 16384;

    Surface() = default;
    // A width x height surface filled with `fill`; empty when a side is not positive or larger than
    // kMaxDimension.
    Surface(int32_t width, int32_t height, Pixel fill = 0);

    bool IsEmpty() const { return m_width == 0; }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t Stride() const { return m_width; }
    Rect Bounds() const { return {0, 0, m_width, m_height}; }

    // Pixel access; (x, y) must lie inside the surface.
    Pixel At(int32_t x, int32_t y) const { return m_pixels[Index(x, y)]; }
    void Set(int32_t x, int32_t y, Pixel p) { m_pixels[Index(x, y)] = p; }

    std::span<Pixel> Row(int32_t y) { return {m_pixels.data() + Index(0, y), static_cast<size_t>(m_width)}; }
    std::span<const Pixel> Row(int32_t y) const {
        return {m_pixels.data() + Index(0, y), static_cast<size_t>(m_width)};
    }
    std::span<Pixel> Pixels() { return m_pixels; }
    std::span<const Pixel> Pixels() const { return m_pixels; }

private:
    size_t Index(int32_t x, int32_t y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x);
    }

    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<Pixel> m_pixels;
};

} // namespace ui
