// Painting through the framework. Each native top-level window owns a ui::Surface of its client
// size. A paint of it covers the invalid part (the union of what InvalidateRect asked for since the
// last paint):
//   1. WM_ERASEBKGND to the window when an invalidation asked for erasing (wParam: the ui::Painter*
//      to erase with; the default handling fills with kFaceColor), then WM_PAINT;
//   2. then each visible child, parents before children and siblings in creation order (the later
//      one on top): a child is painted into a surface of its own size that starts out as the pixels
//      of its parent under it, with WM_ERASEBKGND (when erasing) and WM_PAINT in its own client
//      coordinates, and the result is copied back clipped to the invalid part and to the child's
//      rectangle. Invalidating a child therefore repaints its parent under it first, which is what
//      a child without a background of its own (a picture button cut from its parent's picture)
//      needs;
//   3. finally the display's PresentNativeWindow with the invalid rectangle.
// Paints happen on the owner thread once its posted messages are handled, or at once through
// UpdateWindow. Hidden windows are not painted; they keep their invalid part until shown.
#pragma once

#include "ui/Types.h"
#include "ui/gfx/Painter.h"

namespace ui {

class Window;

// The plain look of windows and standard controls.
inline constexpr Pixel kFaceColor = MakePixel(0xF0, 0xF0, 0xF0);
inline constexpr Pixel kTextColor = MakePixel(0x00, 0x00, 0x00);
inline constexpr Pixel kGrayTextColor = MakePixel(0x6D, 0x6D, 0x6D);
inline constexpr Pixel kFrameColor = MakePixel(0xA0, 0xA0, 0xA0);
inline constexpr Pixel kDarkFrameColor = MakePixel(0x40, 0x40, 0x40);
inline constexpr Pixel kPressedFaceColor = MakePixel(0xCC, 0xE4, 0xF7);
inline constexpr Pixel kProgressColor = MakePixel(0x06, 0xB0, 0x25);

// What a WM_PAINT handler draws with: a painter over the window's area (client coordinates, clipped
// to the invalid part) and that part.
struct PaintContext {
    Painter painter;
    Rect invalid;   // client coordinates
    bool erase;     // WM_ERASEBKGND was sent for this paint
};

// Owner thread, inside WM_PAINT of `window`. Outside a paint of that window the context draws
// nowhere (an empty painter and invalid rectangle).
PaintContext BeginPaint(Window& window);
// Ends the handler's painting; the window counts as painted whether or not it is called.
void EndPaint(Window& window, PaintContext& context);

} // namespace ui
