// ui::Surface construction.
#include "ui/gfx/Surface.h"

namespace ui {

Surface::Surface(int32_t width, int32_t height, Pixel fill) {
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension) {
        return;
    }
    m_width = width;
    m_height = height;
    m_pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), fill);
}

} // namespace ui
