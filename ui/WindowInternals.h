// Framework-internal access to the parts of ui::Window that the window calls, input routing and
// painting change, and the state only native top-level windows have. Not for the program's code.
// Everything here runs on the window's owner thread.
#pragma once

#include <vector>

#include "ui/Window.h"
#include "ui/gfx/Surface.h"

namespace ui {

// What a native top-level window has beyond a plain window: its composed picture, the part of it
// waiting to be painted again, and its window-system settings.
struct TopLevelState {
    Surface surface;               // client size; children are painted into it (Paint.cpp)
    Rect dirty{};                  // client coordinates; empty: nothing to paint
    bool erase = false;            // some invalidation asked for WM_ERASEBKGND
    bool paintRequested = false;   // a paint is queued on the owner thread
    bool closeItemEnabled = true;  // the window menu's close item
    std::vector<Rect> region;      // empty: rectangular
};

class WindowAccess {
public:
    static CreateParams& Params(Window& window) { return window.m_params; }
    static TopLevelState* Top(Window& window) { return window.m_top.get(); }
    static std::vector<WindowHandle>& Children(Window& window) { return window.m_children; }
};

// The window's top-level ancestor (itself for a top-level window); nullptr when the chain is broken.
Window* TopLevelOf(Window& window);
// The offset of the window's client origin in its top-level window's client coordinates.
Point OffsetInTopLevel(Window& window);
// Enabled and visible up the whole parent chain.
bool IsEffectivelyEnabled(Window& window);
bool IsEffectivelyVisible(Window& window);

// Painting (Paint.cpp). Adds `rect` (client coordinates of `window`; the whole client area when
// null), cut to the window and its ancestors, to the top-level window's invalid part and asks for
// a paint.
void InvalidateArea(Window& window, const Rect* rect, bool erase);
// Paints the top-level window's invalid part now, when it is visible and has one.
void PaintNow(Window& topLevel);

} // namespace ui
