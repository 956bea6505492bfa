// CDibSection: the memory context and the top-down 32-bit DIB section selected into it.
#include "ui/gfx/win32/DibSection.h"

#include <cstring>
#include <utility>

namespace ui::win32 {

std::optional<CDibSection> CDibSection::Create(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || width > Surface::kMaxDimension || height > Surface::kMaxDimension) {
        return std::nullopt;
    }
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) {
        return std::nullopt;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // negative: rows top-down, as in a Surface
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) {
        return std::nullopt;
    }
    return CDibSection(std::move(dc), std::move(bitmap), static_cast<Pixel*>(bits), width, height);
}

CDibSection::CDibSection(UniqueMemoryDc dc, UniqueBitmap bitmap, Pixel* bits, int32_t width, int32_t height)
    : m_dc(std::move(dc)), m_bitmap(std::move(bitmap)), m_bits(bits), m_width(width), m_height(height) {
    m_previous = SelectObject(m_dc.get(), m_bitmap.get());
}

CDibSection::CDibSection(CDibSection&& other) noexcept
    : m_dc(std::move(other.m_dc)), m_bitmap(std::move(other.m_bitmap)),
      m_previous(std::exchange(other.m_previous, nullptr)), m_bits(std::exchange(other.m_bits, nullptr)),
      m_width(std::exchange(other.m_width, 0)), m_height(std::exchange(other.m_height, 0)) {}

CDibSection::~CDibSection() {
    // The bitmap leaves the context before either is deleted.
    if (m_dc && m_previous && m_previous != HGDI_ERROR) {
        SelectObject(m_dc.get(), m_previous);
    }
}

std::span<Pixel> CDibSection::Row(int32_t y) {
    return {m_bits + static_cast<size_t>(y) * static_cast<size_t>(m_width), static_cast<size_t>(m_width)};
}

void CDibSection::CopyFrom(const Surface& surface, int32_t left, int32_t top) {
    for (int32_t y = 0; y < m_height; ++y) {
        std::memcpy(Row(y).data(), surface.Row(top + y).data() + left,
                    static_cast<size_t>(m_width) * sizeof(Pixel));
    }
}

void CDibSection::CopyChangedTo(Surface& surface, int32_t left, int32_t top) {
    GdiFlush();
    for (int32_t y = 0; y < m_height; ++y) {
        const std::span<const Pixel> drawn = Row(y);
        const std::span<Pixel> target = surface.Row(top + y).subspan(static_cast<size_t>(left), drawn.size());
        for (size_t x = 0; x < drawn.size(); ++x) {
            const Pixel colour = drawn[x] & 0x00FFFFFF;
            if (colour != (target[x] & 0x00FFFFFF)) {
                target[x] = colour;
            }
        }
    }
}

} // namespace ui::win32
