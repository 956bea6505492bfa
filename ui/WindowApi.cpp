// The window calls on handles (see WindowApi.h). Each runs on the window's owner thread through
// CallOnOwner; the calling thread's own state (capture, focus, active window) is read directly.
#include "ui/WindowApi.h"

#include <algorithm>

#include "ui/Display.h"
#include "ui/InputState.h"
#include "ui/OwnerCall.h"
#include "ui/Paint.h"
#include "ui/Window.h"
#include "ui/WindowInternals.h"

namespace ui {

namespace {

Rect ClientOf(const Window& window) {
    const Rect& r = window.Params().rect;
    return {0, 0, r.Width(), r.Height()};
}

// Client origin of the window in screen coordinates (our windows have no frames: the client area
// is the whole window).
Point ScreenOrigin(Window& window) {
    Point origin;
    for (Window* w = &window; w != nullptr; w = FromHandle(w->Parent())) {
        origin.x += w->Params().rect.left;
        origin.y += w->Params().rect.top;
        if (!w->Parent()) {
            break;
        }
    }
    return origin;
}

bool RegionContains(const std::vector<Rect>& region, Point client) {
    return region.empty() ||
           std::any_of(region.begin(), region.end(), [client](const Rect& r) { return r.Contains(client); });
}

Window* ChildById(Window& dialog, int id) {
    if (id == 0) {
        return nullptr;
    }
    for (WindowHandle handle : dialog.Children()) {
        if (Window* child = FromHandle(handle); child != nullptr && child->ControlId() == id) {
            return child;
        }
    }
    return nullptr;
}

void SetEnabledHere(Window& window, bool enable) {
    if (window.IsEnabled() == enable) {
        return;
    }
    uint32_t& style = WindowAccess::Params(window).style;
    style = enable ? (style & ~WS_DISABLED) : (style | WS_DISABLED);
    if (!enable) {
        DropInputWithin(window);
    }
    window.WindowProc(WM_ENABLE, enable ? 1 : 0, 0);
    if (window.IsAlive() && window.Parent()) {
        InvalidateArea(window, nullptr, true); // controls show their disabled look
    }
}

void MoveHere(Window& window, const Rect& rect, bool repaint) {
    CreateParams& params = WindowAccess::Params(window);
    const Rect old = params.rect;
    if (old == rect) {
        if (repaint) {
            InvalidateArea(window, nullptr, true);
        }
        return;
    }
    Window* parent = FromHandle(window.Parent());
    if (parent != nullptr && window.IsVisible()) {
        InvalidateArea(*parent, &old, true);
    }
    params.rect = rect;
    const bool resized = old.Width() != rect.Width() || old.Height() != rect.Height();
    if (TopLevelState* top = WindowAccess::Top(window)) {
        if (resized) {
            top->surface = Surface(rect.Width(), rect.Height(), kFaceColor);
            top->dirty = {};
        }
        GetDisplay().MoveNativeWindow(window, rect);
    }
    if (old.left != rect.left || old.top != rect.top) {
        window.WindowProc(WM_MOVE, 0, MakeLParam(rect.left, rect.top));
    }
    if (resized && window.IsAlive()) {
        window.WindowProc(WM_SIZE, SIZE_RESTORED, MakeLParam(rect.Width(), rect.Height()));
    }
    if (window.IsAlive() && (repaint || resized)) {
        InvalidateArea(window, nullptr, true);
    }
}

} // namespace

bool EnableWindow(WindowHandle window, bool enable) {
    bool wasDisabled = false;
    CallOnOwner(window, [&](Window& w) {
        wasDisabled = !w.IsEnabled();
        SetEnabledHere(w, enable);
    });
    return wasDisabled;
}

bool IsWindowEnabled(WindowHandle window) {
    bool enabled = false;
    CallOnOwner(window, [&](Window& w) { enabled = w.IsEnabled(); });
    return enabled;
}

bool ShowWindow(WindowHandle window, bool show) {
    bool wasVisible = false;
    CallOnOwner(window, [&](Window& w) {
        wasVisible = w.IsVisible();
        w.Show(show);
    });
    return wasVisible;
}

bool IsWindowVisible(WindowHandle window) {
    bool visible = false;
    CallOnOwner(window, [&](Window& w) { visible = IsEffectivelyVisible(w); });
    return visible;
}

bool SetWindowText(WindowHandle window, std::u16string_view text) {
    return CallOnOwner(window, [&](Window& w) { w.SetText(text); });
}

std::u16string GetWindowText(WindowHandle window) {
    std::u16string text;
    CallOnOwner(window, [&](Window& w) { text = w.Text(); });
    return text;
}

WindowHandle GetDlgItem(WindowHandle dialog, int id) {
    WindowHandle item;
    CallOnOwner(dialog, [&](Window& w) {
        if (Window* child = ChildById(w, id)) {
            item = child->Handle();
        }
    });
    return item;
}

bool SetDlgItemText(WindowHandle dialog, int id, std::u16string_view text) {
    bool set = false;
    CallOnOwner(dialog, [&](Window& w) {
        if (Window* child = ChildById(w, id)) {
            child->SetText(text);
            set = true;
        }
    });
    return set;
}

int GetDlgCtrlID(WindowHandle window) {
    int id = 0;
    CallOnOwner(window, [&](Window& w) { id = w.ControlId(); });
    return id;
}

bool MoveWindow(WindowHandle window, const Rect& rect, bool repaint) {
    return CallOnOwner(window, [&](Window& w) { MoveHere(w, rect, repaint); });
}

Rect GetWindowRect(WindowHandle window) {
    Rect rect;
    CallOnOwner(window, [&](Window& w) {
        const Point origin = ScreenOrigin(w);
        const Rect& r = w.Params().rect;
        rect = Rect{origin.x, origin.y, origin.x + r.Width(), origin.y + r.Height()};
    });
    return rect;
}

Rect GetClientRect(WindowHandle window) {
    Rect rect;
    CallOnOwner(window, [&](Window& w) { rect = ClientOf(w); });
    return rect;
}

Point ClientToScreen(WindowHandle window, Point client) {
    Point screen = client;
    CallOnOwner(window, [&](Window& w) {
        const Point origin = ScreenOrigin(w);
        screen = Point{client.x + origin.x, client.y + origin.y};
    });
    return screen;
}

Point ScreenToClient(WindowHandle window, Point screen) {
    Point client = screen;
    CallOnOwner(window, [&](Window& w) {
        const Point origin = ScreenOrigin(w);
        client = Point{screen.x - origin.x, screen.y - origin.y};
    });
    return client;
}

WindowHandle GetParent(WindowHandle window) {
    WindowHandle parent;
    CallOnOwner(window, [&](Window& w) { parent = w.Parent(); });
    return parent;
}

WindowHandle WindowFromPoint(Point screen) {
    // The calling thread's windows, the active one first, then the later created ones on top.
    auto& input = CurrentInput();
    std::vector<WindowHandle> order(input.topLevels.rbegin(), input.topLevels.rend());
    if (auto it = std::find(order.begin(), order.end(), input.active); it != order.end()) {
        std::rotate(order.begin(), it, it + 1);
    }
    for (WindowHandle handle : order) {
        Window* top = FromHandle(handle);
        if (top == nullptr || !top->IsVisible()) {
            continue;
        }
        const Rect& r = top->Params().rect;
        const Point client{screen.x - r.left, screen.y - r.top};
        const TopLevelState* state = WindowAccess::Top(*top);
        if (!ClientOf(*top).Contains(client) || (state != nullptr && !RegionContains(state->region, client))) {
            continue;
        }
        return ChildAt(*top, client).Handle();
    }
    return {};
}

uint32_t GetWindowStyle(WindowHandle window) {
    uint32_t style = 0;
    CallOnOwner(window, [&](Window& w) { style = (w.Style() & ~WS_VISIBLE) | (w.IsVisible() ? WS_VISIBLE : 0); });
    return style;
}

bool SetWindowStyle(WindowHandle window, uint32_t style) {
    // Visibility and the enabled state change only through ShowWindow and EnableWindow.
    constexpr uint32_t kStateBits = WS_VISIBLE | WS_DISABLED;
    return CallOnOwner(window, [&](Window& w) {
        uint32_t& live = WindowAccess::Params(w).style;
        live = (style & ~kStateBits) | (live & kStateBits);
    });
}

uint32_t GetWindowExStyle(WindowHandle window) {
    uint32_t exStyle = 0;
    CallOnOwner(window, [&](Window& w) { exStyle = w.Params().exStyle; });
    return exStyle;
}

bool SetWindowExStyle(WindowHandle window, uint32_t exStyle) {
    return CallOnOwner(window, [&](Window& w) {
        WindowAccess::Params(w).exStyle = exStyle;
        if (w.HasNativeWindow()) {
            GetDisplay().SetNativeExStyle(w, exStyle);
        }
    });
}

bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
    return CallOnOwner(window, [&](Window& w) { InvalidateArea(w, rect, erase); });
}

bool UpdateWindow(WindowHandle window) {
    return CallOnOwner(window, [&](Window& w) {
        if (Window* top = TopLevelOf(w)) {
            PaintNow(*top);
        }
    });
}

bool SetWindowRegion(WindowHandle window, const std::vector<Rect>& rectangles, bool redraw) {
    bool accepted = false;
    CallOnOwner(window, [&](Window& w) {
        TopLevelState* state = WindowAccess::Top(w);
        if (state == nullptr) {
            return; // only top-level windows with a native side have a region
        }
        accepted = GetDisplay().SetNativeRegion(w, rectangles);
        state->region = accepted ? rectangles : std::vector<Rect>{};
        if (redraw) {
            InvalidateArea(w, nullptr, true);
        }
    });
    return accepted;
}

bool EnableCloseItem(WindowHandle window, bool enable) {
    bool set = false;
    CallOnOwner(window, [&](Window& w) {
        if (TopLevelState* state = WindowAccess::Top(w)) {
            state->closeItemEnabled = enable;
            GetDisplay().SetNativeCloseItem(w, enable);
            set = true;
        }
    });
    return set;
}

bool IsCloseItemEnabled(WindowHandle window) {
    bool enabled = false;
    CallOnOwner(window, [&](Window& w) {
        const TopLevelState* state = WindowAccess::Top(w);
        enabled = state != nullptr && state->closeItemEnabled;
    });
    return enabled;
}

WindowHandle SetCapture(WindowHandle window) {
    WindowHandle previous;
    CallOnOwner(window, [&](Window& w) { previous = SetCaptureHere(w); });
    return previous;
}

bool ReleaseCapture() { return ReleaseCaptureHere(); }

WindowHandle GetCapture() {
    const WindowHandle capture = CurrentInput().capture;
    return IsWindow(capture) ? capture : WindowHandle{};
}

WindowHandle SetFocus(WindowHandle window) {
    if (!window) {
        return SetFocusHere({});
    }
    WindowHandle previous;
    CallOnOwner(window, [&](Window& w) { previous = SetFocusHere(w.Handle()); });
    return previous;
}

WindowHandle GetFocus() {
    const WindowHandle focus = CurrentInput().focus;
    return IsWindow(focus) ? focus : WindowHandle{};
}

WindowHandle GetActiveWindow() {
    const WindowHandle active = CurrentInput().active;
    return IsWindow(active) ? active : WindowHandle{};
}

bool SetForegroundWindow(WindowHandle window) {
    bool done = false;
    CallOnOwner(window, [&](Window& w) {
        Window* top = TopLevelOf(w);
        if (top != nullptr && top->HasNativeWindow() && top->IsVisible()) {
            SetActiveHere(*top, true);
            done = true;
        }
    });
    return done;
}

bool SetWindowIcon(WindowHandle window, uint32_t iconResourceId) {
    return CallOnOwner(window, [&](Window& w) {
        if (w.HasNativeWindow()) {
            GetDisplay().SetNativeIcon(w, iconResourceId);
        }
    });
}

} // namespace ui
