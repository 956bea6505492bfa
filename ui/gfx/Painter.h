// ui::Painter: drawing onto a ui::Surface — rectangle copies between surfaces, a same-size or
// scaled stretch copy, a copy into a box, rectangle fills and blending of coverage masks (glyphs).
// Every operation is clipped to the painter's clip rectangle, to the target and to the source, so
// rectangles partly or wholly outside either surface never read or write outside them; coordinates
// may be anything an int32_t holds.
//
// A painter is used by one thread at a time (painting runs on the thread that owns the window).
#pragma once

#include <cstdint>
#include <span>

#include "ui/Types.h"
#include "ui/gfx/Surface.h"

namespace ui {

// The overlap of two rectangles; empty (IsEmpty()) when they do not meet.
Rect IntersectRect(const Rect& a, const Rect& b);

class Painter {
public:
    explicit Painter(Surface& target);

    Surface& Target() { return m_target; }

    // Drawing is limited to `clip` (within the target's bounds). The initial clip is the whole
    // target.
    void SetClip(const Rect& clip);
    // Narrows the clip to its overlap with `rect`; returns the clip as it was, for SetClip.
    Rect IntersectClip(const Rect& rect);
    const Rect& Clip() const { return m_clip; }

    void FillRect(const Rect& rect, Pixel color);

    // Copies the part of `src` under `srcRect` so that srcRect's top-left lands on `dst`. Source
    // pixels outside `src` are not drawn. `src` may be the target itself (overlap is handled).
    void Copy(Point dst, const Surface& src, const Rect& srcRect);
    // The whole of `src` with its top-left at `dst`.
    void Copy(Point dst, const Surface& src) { Copy(dst, src, src.Bounds()); }

    // Copies `src` from `srcOrigin` onward into `box`, starting at the box's top-left and cut at the
    // box's edges: what the strip and icon copies into their boxes need.
    void CopyIntoBox(const Rect& box, const Surface& src, Point srcOrigin = {});

    // Copies `srcRect` of `src` onto `dstRect`. Same sizes: an exact copy. Different sizes: nearest
    // pixel scaling. Rectangles of non-positive width or height (mirroring) draw nothing, and so do
    // scaled rectangles larger than kMaxStretch on a side.
    static constexpr int32_t kMaxStretch = 1 << 20;
    void StretchCopy(const Rect& dstRect, const Surface& src, const Rect& srcRect);

    // Blends `color` onto the target through an 8-bit coverage mask (0 = untouched, 255 = color) of
    // width x height bytes, rows `pitch` bytes apart, with its top-left at `dst`. A mask span too
    // short for the given geometry draws nothing.
    void BlendMask(Point dst, std::span<const uint8_t> mask, int32_t width, int32_t height, int32_t pitch,
                   Pixel color);

private:
    Surface& m_target;
    Rect m_clip;
};

} // namespace ui
