// CDibSection: a 32-bit, top-down DIB section selected into its own memory device context — the
// GDI drawing target whose pixels have exactly the ui::Surface layout (B, G, R, X per pixel), so
// that surface rows are copied in and out with plain memory copies.
//
// One thread at a time; GDI calls on it are flushed (GdiFlush) before its pixels are read.
#pragma once

#include "ui/gfx/Surface.h"
#include "ui/gfx/win32/GdiHolders.h"

#include <cstdint>
#include <optional>
#include <span>

namespace ui::win32 {

class CDibSection {
public:
    // Nothing when a side is not positive or larger than Surface::kMaxDimension, or when GDI cannot
    // make the context or the bitmap.
    static std::optional<CDibSection> Create(int32_t width, int32_t height);

    CDibSection(CDibSection&&) noexcept;
    CDibSection& operator=(CDibSection&&) = delete;
    CDibSection(const CDibSection&) = delete;
    CDibSection& operator=(const CDibSection&) = delete;
    ~CDibSection();

    HDC Dc() const { return m_dc.get(); }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    // Row y (top-down) of the bitmap; call GdiFlush() first when GDI has drawn into it.
    std::span<Pixel> Row(int32_t y);

    // Copies the part of `surface` at (left, top) of this section's size in (out of) the section.
    // The part must lie inside the surface.
    void CopyFrom(const Surface& surface, int32_t left, int32_t top);
    // Copies back only the pixels whose colour GDI changed, with the unused top byte cleared.
    void CopyChangedTo(Surface& surface, int32_t left, int32_t top);

private:
    CDibSection(UniqueMemoryDc dc, UniqueBitmap bitmap, Pixel* bits, int32_t width, int32_t height);

    UniqueMemoryDc m_dc;
    UniqueBitmap m_bitmap; // selected into m_dc until the destructor puts m_previous back
    HGDIOBJ m_previous = nullptr;
    Pixel* m_bits = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
};

} // namespace ui::win32
