// ui::Painter. Rectangle arithmetic runs in 64 bits so that offsets of rectangles anywhere in the
// int32_t range cannot overflow; only rectangles already cut to a surface are narrowed again.
#include "ui/gfx/Painter.h"

#include <algorithm>
#include <cstring>

namespace ui {
namespace {

struct Box {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

Box ToBox(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

Box Offset(const Box& b, int64_t dx, int64_t dy) { return {b.left + dx, b.top + dy, b.right + dx, b.bottom + dy}; }

// Only for boxes already cut to a surface or clip.
Rect ToRect(const Box& b) {
    return {static_cast<int32_t>(b.left), static_cast<int32_t>(b.top), static_cast<int32_t>(b.right),
            static_cast<int32_t>(b.bottom)};
}

uint8_t BlendChannel(uint32_t dst, uint32_t src, uint32_t alpha) {
    return static_cast<uint8_t>((src * alpha + dst * (255 - alpha) + 127) / 255);
}

// Copies `src` (cut to its own bounds) so that source point (0, 0) maps to (dx, dy), within `clip`.
void CopyBox(Surface& target, const Rect& clip, const Surface& src, const Box& srcBox, int64_t dx, int64_t dy) {
    const Box s = Intersect(srcBox, ToBox(src.Bounds()));
    if (s.IsEmpty()) {
        return;
    }
    const Box d = Intersect(Offset(s, dx, dy), ToBox(clip));
    if (d.IsEmpty()) {
        return;
    }
    const Rect dst = ToRect(d);
    const int32_t sx = static_cast<int32_t>(d.left - dx);
    const int32_t sy = static_cast<int32_t>(d.top - dy);
    const size_t bytes = static_cast<size_t>(dst.Width()) * sizeof(Pixel);
    // A copy within one surface that moves down must run bottom-up so rows are read before they
    // are overwritten; memmove takes care of the overlap within a row.
    const bool bottomUp = (&src == &target) && dy > 0;
    for (int32_t i = 0; i < dst.Height(); ++i) {
        const int32_t row = bottomUp ? dst.Height() - 1 - i : i;
        std::memmove(target.Row(dst.top + row).data() + dst.left, src.Row(sy + row).data() + sx, bytes);
    }
}

} // namespace

Rect IntersectRect(const Rect& a, const Rect& b) {
    const Box box = Intersect(ToBox(a), ToBox(b));
    if (box.IsEmpty()) {
        return {};
    }
    return ToRect(box);
}

Painter::Painter(Surface& target) : m_target(target), m_clip(target.Bounds()) {}

void Painter::SetClip(const Rect& clip) { m_clip = IntersectRect(clip, m_target.Bounds()); }

Rect Painter::IntersectClip(const Rect& rect) {
    const Rect old = m_clip;
    m_clip = IntersectRect(m_clip, rect);
    return old;
}

void Painter::FillRect(const Rect& rect, Pixel color) {
    const Rect r = IntersectRect(rect, m_clip);
    if (r.IsEmpty()) {
        return;
    }
    for (int32_t y = r.top; y < r.bottom; ++y) {
        std::span<Pixel> row = m_target.Row(y);
        std::fill(row.begin() + r.left, row.begin() + r.right, color);
    }
}

void Painter::Copy(Point dst, const Surface& src, const Rect& srcRect) {
    CopyBox(m_target, m_clip, src, ToBox(srcRect), int64_t{dst.x} - srcRect.left, int64_t{dst.y} - srcRect.top);
}

void Painter::CopyIntoBox(const Rect& box, const Surface& src, Point srcOrigin) {
    const Rect clip = IntersectRect(m_clip, box);
    if (clip.IsEmpty()) {
        return;
    }
    const int64_t dx = int64_t{box.left} - srcOrigin.x;
    const int64_t dy = int64_t{box.top} - srcOrigin.y;
    const Box srcBox{srcOrigin.x, srcOrigin.y, int64_t{srcOrigin.x} + (int64_t{box.right} - box.left),
                     int64_t{srcOrigin.y} + (int64_t{box.bottom} - box.top)};
    CopyBox(m_target, clip, src, srcBox, dx, dy);
}

void Painter::StretchCopy(const Rect& dstRect, const Surface& src, const Rect& srcRect) {
    const int64_t dw = int64_t{dstRect.right} - dstRect.left;
    const int64_t dh = int64_t{dstRect.bottom} - dstRect.top;
    const int64_t sw = int64_t{srcRect.right} - srcRect.left;
    const int64_t sh = int64_t{srcRect.bottom} - srcRect.top;
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) {
        return;
    }
    if (dw == sw && dh == sh) {
        Copy({dstRect.left, dstRect.top}, src, srcRect);
        return;
    }
    if (dw > kMaxStretch || dh > kMaxStretch || sw > kMaxStretch || sh > kMaxStretch) {
        return;
    }
    const Rect d = IntersectRect(dstRect, m_clip);
    if (d.IsEmpty() || src.IsEmpty()) {
        return;
    }
    // A scaled copy onto its own source would read pixels it has already written.
    const Surface copy = (&src == &m_target) ? src : Surface{};
    const Surface& from = (&src == &m_target) ? copy : src;
    for (int32_t y = d.top; y < d.bottom; ++y) {
        const int64_t sy = srcRect.top + (int64_t{y} - dstRect.top) * sh / dh;
        if (sy < 0 || sy >= from.Height()) {
            continue;
        }
        std::span<Pixel> row = m_target.Row(y);
        std::span<const Pixel> srcRow = from.Row(static_cast<int32_t>(sy));
        for (int32_t x = d.left; x < d.right; ++x) {
            const int64_t sx = srcRect.left + (int64_t{x} - dstRect.left) * sw / dw;
            if (sx >= 0 && sx < from.Width()) {
                row[static_cast<size_t>(x)] = srcRow[static_cast<size_t>(sx)];
            }
        }
    }
}

void Painter::BlendMask(Point dst, std::span<const uint8_t> mask, int32_t width, int32_t height, int32_t pitch,
                        Pixel color) {
    if (width <= 0 || height <= 0 || pitch < width) {
        return;
    }
    const uint64_t needed = uint64_t(height - 1) * uint64_t(pitch) + uint64_t(width);
    if (needed > mask.size()) {
        return;
    }
    const Box maskBox{dst.x, dst.y, int64_t{dst.x} + width, int64_t{dst.y} + height};
    const Box d = Intersect(maskBox, ToBox(m_clip));
    if (d.IsEmpty()) {
        return;
    }
    const Rect r = ToRect(d);
    const uint32_t red = PixelRed(color);
    const uint32_t green = PixelGreen(color);
    const uint32_t blue = PixelBlue(color);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const size_t maskRow = static_cast<size_t>(int64_t{y} - dst.y) * static_cast<size_t>(pitch);
        std::span<Pixel> row = m_target.Row(y);
        for (int32_t x = r.left; x < r.right; ++x) {
            const uint32_t alpha = mask[maskRow + static_cast<size_t>(int64_t{x} - dst.x)];
            if (alpha == 0) {
                continue;
            }
            Pixel& p = row[static_cast<size_t>(x)];
            if (alpha == 255) {
                p = color;
                continue;
            }
            p = MakePixel(BlendChannel(PixelRed(p), red, alpha), BlendChannel(PixelGreen(p), green, alpha),
                          BlendChannel(PixelBlue(p), blue, alpha));
        }
    }
}

} // namespace ui
