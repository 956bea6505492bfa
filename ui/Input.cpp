// Input routing (Input.h) and the calling thread's capture, focus and activation (InputState.h).
#include "ui/Input.h"

#include <algorithm>

#include "ui/Dialog.h"
#include "ui/Display.h"
#include "ui/InputState.h"
#include "ui/OwnerCall.h"
#include "ui/Paint.h"
#include "ui/ThreadQueue.h"
#include "ui/WindowApi.h"
#include "ui/WindowInternals.h"

namespace ui {

namespace {

thread_local ThreadInputState t_input;

// Keeps the display's pointer grab on the top-level window of whatever holds the capture.
void UpdatePointerGrab() {
    auto& state = t_input;
    WindowHandle wanted;
    if (Window* capture = FromHandle(state.capture)) {
        if (Window* top = TopLevelOf(*capture); top != nullptr && top->HasNativeWindow()) {
            wanted = top->Handle();
        }
    }
    if (wanted == state.grabbed) {
        return;
    }
    if (Window* old = FromHandle(state.grabbed)) {
        GetDisplay().SetNativePointerGrab(*old, false);
    }
    state.grabbed = wanted;
    if (Window* top = FromHandle(wanted)) {
        GetDisplay().SetNativePointerGrab(*top, true);
    }
}

Point Sub(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }

void RouteMouse(Window& top, UINT msg, Point client, WPARAM keys) {
    auto& state = t_input;
    const Point screen = ClientToScreen(top.Handle(), client);
    state.pointerScreen = screen;
    state.pointerKeys = keys;

    Window* target = FromHandle(state.capture);
    if (target == nullptr) {
        Window& hit = ChildAt(top, client);
        // A disabled window (or one inside a disabled window, such as an owner during a modal run)
        // gets no mouse input.
        if (!IsEffectivelyEnabled(hit)) {
            return;
        }
        target = &hit;
    }
    const Point local = Sub(screen, ClientToScreen(target->Handle(), Point{}));
    DispatchToWindow(target->Handle(), msg, keys, MakeLParam(local.x, local.y));
}

void RouteKey(Window& top, UINT msg, WPARAM key) {
    if (!IsEffectivelyEnabled(top)) {
        return;
    }
    WindowHandle target = top.Handle();
    if (Window* focus = FromHandle(t_input.focus); focus != nullptr && TopLevelOf(*focus) == &top) {
        target = focus->Handle();
    }
    if (auto* dialog = dynamic_cast<Dialog*>(&top)) {
        if (dialog->PreTranslateMessage(msg, key, 0)) {
            return;
        }
        if (dialog->HandleDialogKey(msg, key, target)) {
            return;
        }
    }
    DispatchToWindow(target, msg, key, 1);
}

} // namespace

ThreadInputState& CurrentInput() { return t_input; }

WindowHandle SetCaptureHere(Window& window) {
    auto& state = t_input;
    const WindowHandle previous = state.capture;
    const WindowHandle next = window.Handle();
    if (previous == next) {
        return previous;
    }
    state.capture = next;
    UpdatePointerGrab();
    // Sent after the change, so the losing window already sees the new capture.
    DispatchToWindow(previous, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(next.value));
    return previous;
}

bool ReleaseCaptureHere() {
    auto& state = t_input;
    const WindowHandle previous = state.capture;
    if (!previous) {
        return true;
    }
    state.capture = {};
    UpdatePointerGrab();
    DispatchToWindow(previous, WM_CAPTURECHANGED, 0, 0);
    return true;
}

WindowHandle SetFocusHere(WindowHandle window) {
    auto& state = t_input;
    const WindowHandle previous = state.focus;
    if (previous == window) {
        return previous;
    }
    state.focus = window;
    DispatchToWindow(previous, WM_KILLFOCUS, static_cast<WPARAM>(window.value), 0);
    // The window that lost the focus may have moved it on already.
    if (state.focus == window) {
        DispatchToWindow(window, WM_SETFOCUS, static_cast<WPARAM>(previous.value), 0);
    }
    return previous;
}

void SetActiveHere(Window& topLevel, bool active) {
    auto& state = t_input;
    const WindowHandle handle = topLevel.Handle();
    if (active) {
        if (state.active == handle) {
            return;
        }
        const WindowHandle previous = state.active;
        state.active = handle;
        DispatchToWindow(previous, WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(handle.value));
        DispatchToWindow(handle, WM_ACTIVATE, WA_ACTIVE, static_cast<LPARAM>(previous.value));
        Window* focus = FromHandle(state.focus);
        if (topLevel.IsAlive() && (focus == nullptr || TopLevelOf(*focus) != &topLevel)) {
            SetFocusHere(handle);
        }
        return;
    }
    if (state.active != handle) {
        return;
    }
    state.active = {};
    if (Window* focus = FromHandle(state.focus); focus != nullptr && TopLevelOf(*focus) == &topLevel) {
        SetFocusHere({});
    }
    DispatchToWindow(handle, WM_ACTIVATE, WA_INACTIVE, 0);
}

bool IsWithin(Window& window, WindowHandle ancestor) {
    for (Window* w = &window; w != nullptr; w = FromHandle(w->Parent())) {
        if (w->Handle() == ancestor) {
            return true;
        }
    }
    return false;
}

void DropInputWithin(Window& window) {
    auto& state = t_input;
    if (Window* capture = FromHandle(state.capture); capture != nullptr && IsWithin(*capture, window.Handle())) {
        ReleaseCaptureHere();
    }
    if (Window* focus = FromHandle(state.focus); focus != nullptr && IsWithin(*focus, window.Handle())) {
        SetFocusHere({});
    }
}

void ForgetInputOf(Window& window) {
    auto& state = t_input;
    const WindowHandle handle = window.Handle();
    if (state.capture == handle) {
        state.capture = {};
        UpdatePointerGrab();
    }
    if (state.grabbed == handle) {
        GetDisplay().SetNativePointerGrab(window, false);
        state.grabbed = {};
    }
    if (state.focus == handle) {
        state.focus = {};
    }
    if (state.active == handle) {
        state.active = {};
    }
    std::erase(state.topLevels, handle);
}

Window& ChildAt(Window& window, Point client) {
    const auto& children = window.Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        Window* child = FromHandle(*it);
        if (child == nullptr || !child->IsVisible()) {
            continue;
        }
        const Rect& r = child->Params().rect;
        if (r.Contains(client)) {
            return ChildAt(*child, Point{client.x - r.left, client.y - r.top});
        }
    }
    return window;
}

void InjectMouse(WindowHandle topLevel, UINT msg, Point client, WPARAM keys) {
    CallOnOwner(topLevel, [&](Window& top) { RouteMouse(top, msg, client, keys); });
}

void InjectKey(WindowHandle topLevel, UINT msg, WPARAM virtualKey) {
    CallOnOwner(topLevel, [&](Window& top) { RouteKey(top, msg, virtualKey); });
}

void InjectExpose(WindowHandle topLevel, const Rect& client) {
    CallOnOwner(topLevel, [&](Window& top) {
        TopLevelState* state = WindowAccess::Top(top);
        if (state == nullptr || !top.IsVisible()) {
            return;
        }
        const Rect exposed = IntersectRect(client, state->surface.Bounds());
        if (!exposed.IsEmpty()) {
            GetDisplay().PresentNativeWindow(top, state->surface, exposed);
        }
    });
}

void InjectCloseRequest(WindowHandle topLevel) {
    CallOnOwner(topLevel, [&](Window& top) {
        TopLevelState* state = WindowAccess::Top(top);
        if (state == nullptr || !state->closeItemEnabled || !top.IsEnabled()) {
            return; // grayed close item, or an owner disabled by a modal run
        }
        DispatchToWindow(top.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    });
}

void InjectActivation(WindowHandle topLevel, bool active) {
    CallOnOwner(topLevel, [&](Window& top) { SetActiveHere(top, active); });
}

void InjectMoved(WindowHandle topLevel, Point screen) {
    CallOnOwner(topLevel, [&](Window& top) {
        Rect& rect = WindowAccess::Params(top).rect;
        if (rect.left == screen.x && rect.top == screen.y) {
            return;
        }
        rect = Rect{screen.x, screen.y, screen.x + rect.Width(), screen.y + rect.Height()};
        DispatchToWindow(top.Handle(), WM_MOVE, 0, MakeLParam(screen.x, screen.y));
    });
}

} // namespace ui
