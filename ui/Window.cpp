// ui::Window: creation, destruction, children, visibility and title (see Window.h).
#include "ui/Window.h"

#include <algorithm>

#include "ui/Controls.h"
#include "ui/Display.h"
#include "ui/InputState.h"
#include "ui/Paint.h"
#include "ui/ThreadQueue.h"
#include "ui/WindowApi.h"
#include "ui/WindowInternals.h"
#include "ui/WindowRegistry.h"

namespace ui {

Window::Window() = default;

Window::~Window() { Destroy(); }

bool Window::Create(const CreateParams& params) {
    if (IsAlive()) {
        return false;
    }
    const auto self = std::this_thread::get_id();
    Window* parent = nullptr;
    if (params.parent) {
        parent = WindowRegistry::Instance().Find(params.parent);
        // A child lives on its parent's thread: both are dispatched by the same loop.
        if (parent == nullptr || parent->OwnerThread() != self) {
            return false;
        }
    }

    m_params = params;
    m_children.clear();
    m_native = false;
    m_visible = false;
    m_destroying = false;
    m_top.reset();

    auto& registry = WindowRegistry::Instance();
    const WindowHandle handle = registry.Register(*this, ThreadQueue::Current());
    WindowRegistry::Bind(*this, handle, self);
    if (parent != nullptr) {
        parent->m_children.push_back(handle);
    }

    if (!params.parent && !params.hidden) {
        if (!GetDisplay().CreateNativeWindow(*this)) {
            registry.Unregister(handle);
            WindowRegistry::Bind(*this, WindowHandle{}, self);
            return false;
        }
        m_native = true;
        m_top = std::make_unique<TopLevelState>();
        m_top->surface = Surface(params.rect.Width(), params.rect.Height(), kFaceColor);
        CurrentInput().topLevels.push_back(handle);
    }

    if (WindowProc(WM_CREATE, 0, reinterpret_cast<LPARAM>(&m_params)) == -1) {
        Destroy();
        return false;
    }
    if ((m_params.style & WS_VISIBLE) != 0 && IsAlive()) {
        m_visible = false;
        Show(true);
    }
    return IsAlive();
}

void Window::Destroy() {
    const WindowHandle handle = Handle();
    if (!handle || m_destroying) {
        return;
    }
    // The window procedure only ever runs on the owner thread. From another thread (a window left
    // behind by a thread that has ended, deleted later) the window is only unregistered, so that
    // nothing reaches a dead object; it gets no WM_DESTROY.
    const bool onOwner = m_owner == std::this_thread::get_id();
    m_destroying = true;

    if (onOwner) {
        WindowProc(WM_DESTROY, 0, 0);
    }
    DestroyChildren();
    if (onOwner) {
        ForgetInputOf(*this);
        // The parent shows what was under a child that goes away (not when the parent goes too).
        if (Window* parent = WindowRegistry::Instance().Find(m_params.parent);
            parent != nullptr && !parent->m_destroying && m_visible) {
            InvalidateArea(*parent, &m_params.rect, true);
        }
    }
    if (m_native) {
        GetDisplay().DestroyNativeWindow(*this);
        m_native = false;
    }
    if (m_params.parent) {
        if (Window* parent = WindowRegistry::Instance().Find(m_params.parent)) {
            std::erase(parent->m_children, handle);
        }
    }

    std::shared_ptr<ThreadQueue> queue;
    auto& registry = WindowRegistry::Instance();
    registry.WithEntry(handle, [&queue](const WindowRegistry::Entry& entry) { queue = entry.queue; });
    registry.Unregister(handle);
    m_handle.store(0, std::memory_order_release);
    // After unregistering nothing new can be queued for the handle; clear out what already was.
    if (queue) {
        queue->ForgetWindow(handle);
    }
    m_visible = false;
    m_destroying = false;
    m_top.reset();
}

void Window::DestroyChildren() {
    const std::vector<WindowHandle> children = m_children; // each child unlinks itself
    for (WindowHandle child : children) {
        if (Window* window = WindowRegistry::Instance().Find(child)) {
            window->Destroy();
        }
    }
    m_children.clear();
}

void Window::Show(bool visible) {
    if (!IsAlive() || m_visible == visible) {
        return;
    }
    const bool onOwner = m_owner == std::this_thread::get_id();
    if (!visible && onOwner) {
        DropInputWithin(*this);
    }
    m_visible = visible;
    if (m_native) {
        GetDisplay().ShowNativeWindow(*this, visible);
    }
    WindowProc(WM_SHOWWINDOW, visible ? 1 : 0, 0);
    if (!IsAlive() || !onOwner) {
        return;
    }
    if (m_params.parent) {
        if (Window* parent = WindowRegistry::Instance().Find(m_params.parent)) {
            InvalidateArea(*parent, &m_params.rect, true);
        }
        return;
    }
    if (m_native) {
        // As showing a window on Windows does: it becomes the active window of its thread.
        if (visible) {
            InvalidateArea(*this, nullptr, true);
            if (IsEnabled()) {
                SetActiveHere(*this, true);
            }
        } else {
            SetActiveHere(*this, false);
        }
    }
}

void Window::SetText(std::u16string_view text) {
    m_params.text.assign(text);
    if (m_native) {
        GetDisplay().SetNativeTitle(*this, text);
    }
    if (m_params.parent && IsAlive() && m_owner == std::this_thread::get_id()) {
        InvalidateArea(*this, nullptr, true); // controls show their text
    }
}

LRESULT Window::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProc(msg, wParam, lParam); }

LRESULT Window::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        Destroy();
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE && (m_top == nullptr || m_top->closeItemEnabled)) {
            WindowProc(WM_CLOSE, 0, 0);
        }
        return 0;
    case WM_ERASEBKGND:
        if (auto* painter = reinterpret_cast<Painter*>(wParam)) {
            painter->FillRect(painter->Target().Bounds(), kFaceColor);
        }
        return 1;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DrawItem*>(lParam);
        if (item == nullptr) {
            return 0;
        }
        // Owner draw is the control's own business: hand the record back to it.
        auto* button = dynamic_cast<Button*>(WindowRegistry::Instance().Find(item->item));
        if (button == nullptr) {
            return 0;
        }
        button->OnDrawItem(*item);
        return 1;
    }
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION && m_native && (CurrentInput().pointerKeys & MK_LBUTTON) != 0) {
            GetDisplay().BeginNativeMoveDrag(*this, CurrentInput().pointerScreen);
        }
        return 0;
    default:
        return 0;
    }
}

Window* TopLevelOf(Window& window) {
    Window* w = &window;
    while (w->Parent()) {
        w = WindowRegistry::Instance().Find(w->Parent());
        if (w == nullptr) {
            return nullptr;
        }
    }
    return w;
}

Point OffsetInTopLevel(Window& window) {
    Point offset;
    for (Window* w = &window; w != nullptr && w->Parent(); w = WindowRegistry::Instance().Find(w->Parent())) {
        offset.x += w->Params().rect.left;
        offset.y += w->Params().rect.top;
    }
    return offset;
}

bool IsEffectivelyEnabled(Window& window) {
    for (Window* w = &window; w != nullptr; w = WindowRegistry::Instance().Find(w->Parent())) {
        if (!w->IsEnabled()) {
            return false;
        }
    }
    return true;
}

bool IsEffectivelyVisible(Window& window) {
    for (Window* w = &window; w != nullptr; w = WindowRegistry::Instance().Find(w->Parent())) {
        if (!w->IsVisible()) {
            return false;
        }
    }
    return true;
}

Window* FromHandle(WindowHandle handle) { return WindowRegistry::Instance().Find(handle); }

bool IsWindow(WindowHandle handle) { return FromHandle(handle) != nullptr; }

} // namespace ui
