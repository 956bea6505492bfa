// Invalidation and painting of top-level windows and their children (see Paint.h).
#include "ui/Paint.h"

#include <algorithm>
#include <vector>

#include "ui/Display.h"
#include "ui/ThreadQueue.h"
#include "ui/Window.h"
#include "ui/WindowInternals.h"

namespace ui {

namespace {

// The paints in progress on this thread, innermost last: what BeginPaint hands out.
struct ActivePaint {
    WindowHandle window;
    Surface* surface;
    Rect invalid;
    bool erase;
};

thread_local std::vector<ActivePaint> t_paints;

Surface& Nowhere() {
    thread_local Surface empty;
    return empty;
}

Rect UnionRect(const Rect& a, const Rect& b) {
    if (a.IsEmpty()) {
        return b;
    }
    if (b.IsEmpty()) {
        return a;
    }
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Rect Offset(const Rect& r, int32_t dx, int32_t dy) { return {r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

Rect ClientOf(const Window& window) {
    const Rect& r = window.Params().rect;
    return {0, 0, r.Width(), r.Height()};
}

// Erase and paint one window into `surface` (its own client coordinates).
void PaintOne(Window& window, Surface& surface, const Rect& invalid, bool erase) {
    const WindowHandle handle = window.Handle();
    t_paints.push_back(ActivePaint{handle, &surface, invalid, erase});
    if (erase) {
        Painter painter(surface);
        painter.SetClip(invalid);
        DispatchToWindow(handle, WM_ERASEBKGND, reinterpret_cast<WPARAM>(&painter), 0);
    }
    DispatchToWindow(handle, WM_PAINT, 0, 0);
    t_paints.pop_back();
}

// Paints the visible children of `parent` over its pixels in `surface` (parent client coordinates).
void PaintChildren(Window& parent, Surface& surface, const Rect& invalid, bool erase) {
    const std::vector<WindowHandle> children = parent.Children(); // a handler may change the list
    for (WindowHandle handle : children) {
        Window* child = FromHandle(handle);
        if (child == nullptr || !child->IsVisible()) {
            continue;
        }
        const Rect area = child->Params().rect;
        const Rect part = IntersectRect(invalid, area);
        if (part.IsEmpty()) {
            continue;
        }
        Surface own(area.Width(), area.Height());
        if (own.IsEmpty()) {
            continue;
        }
        Painter(own).Copy(Point{}, surface, area);
        const Rect childInvalid = Offset(part, -area.left, -area.top);
        PaintOne(*child, own, childInvalid, erase);
        if (child->IsAlive()) {
            PaintChildren(*child, own, childInvalid, erase);
        }
        Painter back(surface);
        back.SetClip(part);
        back.Copy(Point{area.left, area.top}, own);
    }
}

} // namespace

void InvalidateArea(Window& window, const Rect* rect, bool erase) {
    Window* top = TopLevelOf(window);
    if (top == nullptr) {
        return;
    }
    // A hidden child shows nothing; a hidden top-level window is invalidated whole when shown.
    if (&window != top && !IsEffectivelyVisible(window)) {
        return;
    }
    TopLevelState* state = WindowAccess::Top(*top);
    if (state == nullptr) {
        return; // message-only windows and their children are never painted
    }
    // Cut to the window, then to each ancestor on the way up to the top-level window.
    Rect area = IntersectRect(rect != nullptr ? *rect : ClientOf(window), ClientOf(window));
    for (Window* w = &window; w != top && !area.IsEmpty();) {
        const Rect& r = w->Params().rect;
        area = Offset(area, r.left, r.top);
        w = FromHandle(w->Parent());
        if (w == nullptr) {
            return;
        }
        area = IntersectRect(area, ClientOf(*w));
    }
    if (area.IsEmpty()) {
        return;
    }
    state->dirty = UnionRect(state->dirty, area);
    state->erase = state->erase || erase;
    if (!state->paintRequested) {
        state->paintRequested = true;
        ThreadQueue::Current()->RequestPaint(top->Handle());
    }
}

void PaintNow(Window& topLevel) {
    TopLevelState* state = WindowAccess::Top(topLevel);
    if (state == nullptr || !topLevel.IsVisible() || state->dirty.IsEmpty()) {
        return;
    }
    const Rect invalid = IntersectRect(state->dirty, state->surface.Bounds());
    const bool erase = state->erase;
    // Cleared first: what a handler invalidates while painting makes another paint.
    state->dirty = {};
    state->erase = false;
    if (invalid.IsEmpty()) {
        return;
    }
    PaintOne(topLevel, state->surface, invalid, erase);
    if (!topLevel.IsAlive()) {
        return;
    }
    PaintChildren(topLevel, state->surface, invalid, erase);
    if (topLevel.IsAlive() && topLevel.IsVisible()) {
        GetDisplay().PresentNativeWindow(topLevel, state->surface, invalid);
    }
}

void PaintRequestedWindow(WindowHandle window) {
    Window* top = FromHandle(window);
    if (top == nullptr) {
        return;
    }
    if (TopLevelState* state = WindowAccess::Top(*top)) {
        state->paintRequested = false;
        PaintNow(*top);
    }
}

PaintContext BeginPaint(Window& window) {
    const WindowHandle handle = window.Handle();
    for (auto it = t_paints.rbegin(); it != t_paints.rend(); ++it) {
        if (it->window == handle) {
            Painter painter(*it->surface);
            painter.SetClip(it->invalid);
            return PaintContext{painter, it->invalid, it->erase};
        }
    }
    return PaintContext{Painter(Nowhere()), Rect{}, false};
}

void EndPaint(Window& /*window*/, PaintContext& /*context*/) {}

} // namespace ui
