// The X11 display back-end's public face (see X11Display.h): the native side of top-level windows.
#include "ui/x11/X11Display.h"

#include <X11/Xatom.h>

#include "ui/Window.h"
#include "ui/gfx/Resource.h"
#include "ui/x11/X11DisplayImpl.h"
#include "ui/x11/X11Icon.h"
#include "ui/x11/X11MessageBox.h"
#include "ui/x11/X11Translate.h"
#include "ui/x11/X11Waiter.h"

namespace ui {

X11Display::Impl::Impl(std::unique_ptr<x11::Connection> connection, std::unique_ptr<X11InputSink> sink)
    : m_connection(std::move(connection)), m_sink(std::move(sink)), m_thread(std::this_thread::get_id()) {}

x11::NativeWindow* X11Display::Impl::Find(WindowHandle handle) const {
    if (!OnDisplayThread()) {
        return nullptr; // Xlib stays on the display's thread
    }
    auto it = m_windows.find(handle.value);
    return it == m_windows.end() ? nullptr : it->second.get();
}

bool X11Display::Impl::Add(WindowHandle handle, std::unique_ptr<x11::NativeWindow> native) {
    const ::Window id = native->Id();
    if (!m_windows.emplace(handle.value, std::move(native)).second) {
        return false;
    }
    m_entries[id] = Entry{handle, nullptr, false};
    return true;
}

void X11Display::Impl::Remove(WindowHandle handle) {
    auto it = m_windows.find(handle.value);
    if (it == m_windows.end()) {
        return;
    }
    const ::Window id = it->second->Id();
    if (m_grabbed == id || (m_drag && m_drag->window == id)) {
        XUngrabPointer(m_connection->Dpy(), CurrentTime);
        m_grabbed = 0;
        m_drag.reset();
    }
    m_entries.erase(id);
    m_windows.erase(it);
}

void X11Display::Impl::AddTarget(::Window id, x11::EventTarget& target) {
    m_entries[id] = Entry{WindowHandle{}, &target, false};
    m_modalTargets.push_back(id);
}

void X11Display::Impl::RemoveTarget(::Window id) {
    m_entries.erase(id);
    std::erase(m_modalTargets, id);
}

Rect X11Display::Impl::WorkArea() const {
    const x11::Connection& c = *m_connection;
    const Rect screen{0, 0, DisplayWidth(c.Dpy(), c.Screen()), DisplayHeight(c.Dpy(), c.Screen())};
    const auto area = c.ReadLongProperty(c.Root(), c.Atoms().netWorkarea, XA_CARDINAL);
    if (!area) {
        return screen;
    }
    uint64_t desktop = 0;
    if (const auto current = c.ReadLongProperty(c.Root(), c.Atoms().netCurrentDesktop, XA_CARDINAL);
        current && !current->empty() && (*current)[0] >= 0) {
        desktop = static_cast<uint64_t>((*current)[0]);
    }
    return x11::WorkAreaFromProperty(*area, desktop).value_or(screen);
}

// --- X11Display ------------------------------------------------------------------------------

std::unique_ptr<X11Display> X11Display::Open(std::unique_ptr<X11InputSink> sink, const char* displayName) {
    if (!sink) {
        return nullptr;
    }
    auto connection = x11::Connection::Open(displayName);
    if (!connection) {
        return nullptr;
    }
    return std::unique_ptr<X11Display>(
        new X11Display(std::make_unique<Impl>(std::move(connection), std::move(sink))));
}

X11Display::X11Display(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

X11Display::~X11Display() = default;

std::unique_ptr<ThreadWaiter> X11Display::CreateWaiter() {
    if (!m_impl->OnDisplayThread()) {
        return CreateConditionWaiter();
    }
    auto waiter = x11::CreateConnectionWaiter(*m_impl);
    return waiter ? std::move(waiter) : CreateConditionWaiter();
}

bool X11Display::CreateNativeWindow(Window& window) {
    if (!m_impl->OnDisplayThread()) {
        return false;
    }
    auto native = x11::NativeWindow::Create(m_impl->Conn(), window.Params().rect);
    if (!native) {
        return false;
    }
    native->SetTitle(window.Text());
    const bool tool = (window.Params().exStyle & WS_EX_TOOLWINDOW) != 0;
    native->SetKind(tool ? x11::WindowKind::Utility : x11::WindowKind::Normal, tool);
    return m_impl->Add(window.Handle(), std::move(native));
}

void X11Display::DestroyNativeWindow(Window& window) {
    if (m_impl->OnDisplayThread()) {
        m_impl->Remove(window.Handle());
    }
}

void X11Display::ShowNativeWindow(Window& window, bool visible) {
    if (auto* native = m_impl->Find(window.Handle())) {
        native->Show(visible);
    }
}

void X11Display::SetNativeTitle(Window& window, std::u16string_view title) {
    if (auto* native = m_impl->Find(window.Handle())) {
        native->SetTitle(title);
    }
}

int X11Display::ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                               uint32_t flags) {
    return x11::RunMessageBox(*m_impl, owner, text, caption, flags);
}

void X11Display::MoveNativeWindow(Window& window, const Rect& screenRect) {
    if (auto* native = m_impl->Find(window.Handle())) {
        native->MoveResize(screenRect);
    }
}

bool X11Display::SetNativeRegion(Window& window, const std::vector<Rect>& rectangles) {
    auto* native = m_impl->Find(window.Handle());
    return native != nullptr && native->SetShape(rectangles);
}

void X11Display::PresentNativeWindow(Window& window, const Surface& surface, const Rect& dirty) {
    if (auto* native = m_impl->Find(window.Handle())) {
        native->Present(surface, dirty);
    }
}

void X11Display::SetNativeIcon(Window& window, uint32_t iconResourceId) {
    auto* native = m_impl->Find(window.Handle());
    if (native == nullptr) {
        return;
    }
    // No icon resource, or one we cannot read: the window manager keeps its default icon.
    if (const auto icon = x11::DecodeIcon(FindResource(u"ICON", iconResourceId))) {
        native->SetIcon(*icon);
    }
}

void X11Display::SetNativeExStyle(Window& window, uint32_t exStyle) {
    if (auto* native = m_impl->Find(window.Handle())) {
        const bool tool = (exStyle & WS_EX_TOOLWINDOW) != 0;
        native->SetKind(tool ? x11::WindowKind::Utility : x11::WindowKind::Normal, tool);
    }
}

void X11Display::BeginNativeMoveDrag(Window& window, Point screen) {
    // `screen` is where the press was: the pointer may have moved on by the time the posted
    // request arrives here, and that part of the move belongs to the drag too.
    if (auto* native = m_impl->Find(window.Handle())) {
        m_impl->BeginMoveDrag(*native, screen);
    }
}

void X11Display::SetNativePointerGrab(Window& window, bool grab) {
    if (auto* native = m_impl->Find(window.Handle())) {
        m_impl->SetPointerGrab(*native, grab);
    }
}

Rect X11Display::WorkArea() const {
    if (!m_impl->OnDisplayThread()) {
        return Display::WorkArea();
    }
    return m_impl->WorkArea();
}

unsigned long X11Display::NativeWindowId(WindowHandle window) const {
    const auto* native = m_impl->Find(window);
    return native != nullptr ? native->Id() : 0;
}

int X11Display::DispatchPendingEvents() { return m_impl->OnDisplayThread() ? m_impl->DispatchPending() : 0; }

void X11Display::Sync() {
    if (m_impl->OnDisplayThread()) {
        XSync(m_impl->Conn().Dpy(), False);
    }
}

} // namespace ui
