// X event dispatch of the X11 back-end: input, exposure, focus, moves and close requests to the
// framework's sink; the move drag; the pointer grab of the mouse capture. Display thread.
#include <X11/Xatom.h>
#include <X11/keysym.h>

#include "ui/x11/X11DisplayImpl.h"
#include "ui/x11/X11Translate.h"

namespace ui {
namespace {

// _NET_WM_MOVERESIZE: "move" action; source 1: a normal application.
constexpr long kNetWmMoveResizeMove = 8;
constexpr long kSourceApplication = 1;

constexpr unsigned kGrabEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;

} // namespace

int X11Display::Impl::DispatchPending() {
    ::Display* dpy = m_connection->Dpy();
    int handled = 0;
    // QueuedAfterReading also takes in what the socket holds; handlers may send requests that
    // read more, so the count is asked again each time.
    while (XEventsQueued(dpy, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(dpy, &event);
        HandleEvent(event);
        ++handled;
    }
    return handled;
}

void X11Display::Impl::HandleEvent(XEvent& event) {
    if (HandleDragEvent(event)) {
        return;
    }
    auto it = m_entries.find(event.xany.window);
    if (it == m_entries.end()) {
        return;
    }
    if (it->second.target != nullptr) {
        if (event.type == MapNotify) {
            FocusIfUnmanaged(event.xany.window);
        }
        if (!InputBlockedFor(event.xany.window)) {
            it->second.target->HandleEvent(event);
        }
        return;
    }
    auto window = m_windows.find(it->second.handle.value);
    if (window != m_windows.end()) {
        HandleFrameworkEvent(it->second, *window->second, event);
    }
}

bool X11Display::Impl::InputBlockedFor(::Window id) const {
    return !m_modalTargets.empty() && m_modalTargets.back() != id;
}

void X11Display::Impl::HandleFrameworkEvent(Entry& entry, x11::NativeWindow& native, XEvent& event) {
    const WindowHandle handle = entry.handle;
    const bool blocked = InputBlockedFor(native.Id());
    switch (event.type) {
    case Expose:
        m_sink->Exposed(handle, Rect{event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                    event.xexpose.y + event.xexpose.height});
        break;
    case ButtonPress:
    case ButtonRelease:
        if (!blocked) {
            const auto mouse = x11::MouseMessageFromButton(event.type == ButtonPress, event.xbutton.button,
                                                           event.xbutton.state);
            if (mouse) {
                m_sink->Mouse(handle, mouse->msg, Point{event.xbutton.x, event.xbutton.y}, mouse->keys);
            }
        }
        break;
    case MotionNotify:
        if (!blocked) {
            SkipCompressedMotion(event);
            m_sink->Mouse(handle, WM_MOUSEMOVE, Point{event.xmotion.x, event.xmotion.y},
                          x11::MouseKeysFromState(event.xmotion.state));
        }
        break;
    case LeaveNotify:
        // The pointer left: a move to where it went lets hover looks end.
        if (!blocked && event.xcrossing.mode == NotifyNormal) {
            m_sink->Mouse(handle, WM_MOUSEMOVE, Point{event.xcrossing.x, event.xcrossing.y},
                          x11::MouseKeysFromState(event.xcrossing.state));
        }
        break;
    case KeyPress:
    case KeyRelease:
        if (!blocked && !(event.type == KeyRelease && IsAutoRepeatRelease(event))) {
            if (const auto vk = x11::VirtualKeyFromKeysym(XLookupKeysym(&event.xkey, 0))) {
                m_sink->Key(handle, event.type == KeyPress ? WM_KEYDOWN : WM_KEYUP, *vk);
            }
        }
        break;
    case FocusIn:
    case FocusOut: {
        // Focus moves caused by keyboard grabs, or within the window, are no activation change.
        const XFocusChangeEvent& focus = event.xfocus;
        if (focus.mode == NotifyGrab || focus.mode == NotifyUngrab || focus.detail == NotifyInferior ||
            focus.detail == NotifyPointer) {
            break;
        }
        const bool active = event.type == FocusIn;
        if (active != entry.active) {
            entry.active = active;
            m_sink->Activation(handle, active);
        }
        break;
    }
    case ConfigureNotify: {
        const Point position = RootPosition(native.Id());
        if (native.NotePosition(position)) {
            m_sink->Moved(handle, position);
        }
        break;
    }
    case MapNotify:
        FocusIfUnmanaged(native.Id());
        break;
    case ClientMessage:
        if (event.xclient.message_type == m_connection->Atoms().wmProtocols && event.xclient.format == 32 &&
            static_cast<::Atom>(event.xclient.data.l[0]) == m_connection->Atoms().wmDeleteWindow && !blocked) {
            m_sink->CloseRequest(handle);
        }
        break;
    default:
        break;
    }
}

void X11Display::Impl::SkipCompressedMotion(XEvent& event) {
    // Only the latest of a run of queued moves matters; a press or release in between ends the run.
    ::Display* dpy = m_connection->Dpy();
    while (XEventsQueued(dpy, QueuedAlready) > 0) {
        XEvent next;
        XPeekEvent(dpy, &next);
        if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window) {
            break;
        }
        XNextEvent(dpy, &event);
    }
}

bool X11Display::Impl::IsAutoRepeatRelease(const XEvent& event) {
    // A held key repeats as release + press with the same time stamp; Windows repeats key-downs only.
    ::Display* dpy = m_connection->Dpy();
    if (XEventsQueued(dpy, QueuedAfterReading) == 0) {
        return false;
    }
    XEvent next;
    XPeekEvent(dpy, &next);
    return next.type == KeyPress && next.xkey.window == event.xkey.window &&
           next.xkey.keycode == event.xkey.keycode && next.xkey.time == event.xkey.time;
}

void X11Display::Impl::FocusIfUnmanaged(::Window id) {
    // With no window manager nobody hands out the keyboard focus; a window we map takes it.
    if (!m_connection->HasWindowManager()) {
        XSetInputFocus(m_connection->Dpy(), id, RevertToParent, CurrentTime);
    }
}

Point X11Display::Impl::RootPosition(::Window id) const {
    int x = 0;
    int y = 0;
    ::Window child = 0;
    XTranslateCoordinates(m_connection->Dpy(), id, m_connection->Root(), 0, 0, &x, &y, &child);
    return Point{x, y};
}

// --- Move drag ---------------------------------------------------------------------------------

void X11Display::Impl::BeginMoveDrag(x11::NativeWindow& native, Point pressScreen) {
    ::Display* dpy = m_connection->Dpy();
    ::Window root = 0;
    ::Window child = 0;
    int rootX = 0; // the pointer now; the drag counts from the press
    int rootY = 0;
    int winX = 0;
    int winY = 0;
    unsigned mask = 0;
    XQueryPointer(dpy, native.Id(), &root, &child, &rootX, &rootY, &winX, &winY, &mask);
    if ((mask & Button1Mask) == 0) {
        return; // the press is over already: nothing to drag
    }
    // Give up our pointer grab (the press's implicit one, or the capture's) so that the window
    // manager, or our own grab below, can take the pointer.
    XUngrabPointer(dpy, CurrentTime);
    m_grabbed = 0;

    const x11::AtomTable& atoms = m_connection->Atoms();
    if (m_connection->WindowManagerSupports(atoms.netWmMoveResize)) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = native.Id();
        event.xclient.message_type = atoms.netWmMoveResize;
        event.xclient.format = 32;
        event.xclient.data.l[0] = pressScreen.x;
        event.xclient.data.l[1] = pressScreen.y;
        event.xclient.data.l[2] = kNetWmMoveResizeMove;
        event.xclient.data.l[3] = Button1;
        event.xclient.data.l[4] = kSourceApplication;
        XSendEvent(dpy, m_connection->Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(dpy);
        return;
    }
    // No window manager to ask: move the window ourselves while the button stays down.
    if (XGrabPointer(dpy, native.Id(), False, ButtonReleaseMask | PointerMotionMask, GrabModeAsync, GrabModeAsync,
                     None, None, CurrentTime) != GrabSuccess) {
        return;
    }
    m_drag = Drag{native.Id(), pressScreen, RootPosition(native.Id())};
    // Catch up with what the pointer did since the press.
    if (rootX != pressScreen.x || rootY != pressScreen.y) {
        XMoveWindow(dpy, native.Id(), m_drag->startOrigin.x + rootX - pressScreen.x,
                    m_drag->startOrigin.y + rootY - pressScreen.y);
    }
    XFlush(dpy);
}

bool X11Display::Impl::HandleDragEvent(XEvent& event) {
    if (!m_drag) {
        return false;
    }
    ::Display* dpy = m_connection->Dpy();
    switch (event.type) {
    case MotionNotify: {
        SkipCompressedMotion(event);
        const int x = m_drag->startOrigin.x + (event.xmotion.x_root - m_drag->startPointer.x);
        const int y = m_drag->startOrigin.y + (event.xmotion.y_root - m_drag->startPointer.y);
        XMoveWindow(dpy, m_drag->window, x, y);
        XFlush(dpy);
        return true;
    }
    case ButtonRelease:
        // As the system's own move loop does, the drag takes the release: the window sees none.
        XUngrabPointer(dpy, CurrentTime);
        XFlush(dpy);
        m_drag.reset();
        return true;
    case ButtonPress:
        return true;
    default:
        return false;
    }
}

void X11Display::Impl::SetPointerGrab(x11::NativeWindow& native, bool grab) {
    if (m_drag) {
        return; // the drag holds the pointer until its release
    }
    ::Display* dpy = m_connection->Dpy();
    if (grab) {
        // Events keep coming to this window, in its coordinates, wherever the pointer goes.
        if (XGrabPointer(dpy, native.Id(), False, kGrabEvents, GrabModeAsync, GrabModeAsync, None, None,
                         CurrentTime) == GrabSuccess) {
            m_grabbed = native.Id();
        }
    } else if (m_grabbed == native.Id()) {
        XUngrabPointer(dpy, CurrentTime);
        m_grabbed = 0;
    }
    XFlush(dpy);
}

} // namespace ui
