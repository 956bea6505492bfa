// The inside of the X11 back-end, shared by its files: the connection, the native windows by X id
// and by framework handle, event dispatch, the move drag and the open message boxes. Display
// thread only, except where a member says otherwise. Internal to ui/x11.
#pragma once

#include <memory>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "ui/x11/X11Connection.h"
#include "ui/x11/X11Display.h"
#include "ui/x11/X11NativeWindow.h"

namespace ui::x11 {

// A window of the back-end's own (a message box) that handles its X events itself.
class EventTarget {
public:
    virtual ~EventTarget() = default;
    virtual void HandleEvent(const XEvent& event) = 0;
};

} // namespace ui::x11

namespace ui {

class X11Display::Impl {
public:
    Impl(std::unique_ptr<x11::Connection> connection, std::unique_ptr<X11InputSink> sink);

    x11::Connection& Conn() { return *m_connection; }
    const x11::Connection& Conn() const { return *m_connection; }
    // Any thread.
    bool OnDisplayThread() const { return std::this_thread::get_id() == m_thread; }

    // Framework windows.
    x11::NativeWindow* Find(WindowHandle handle) const;
    bool Add(WindowHandle handle, std::unique_ptr<x11::NativeWindow> native);
    void Remove(WindowHandle handle);

    // Our own windows (message boxes): events for `id` go to `target` while it is registered. The
    // newest registered target is modal: input for every other window is dropped meanwhile.
    void AddTarget(::Window id, x11::EventTarget& target);
    void RemoveTarget(::Window id);

    int DispatchPending();
    void HandleEvent(XEvent& event);

    void BeginMoveDrag(x11::NativeWindow& native, Point pressScreen);
    void SetPointerGrab(x11::NativeWindow& native, bool grab);
    Rect WorkArea() const;

private:
    struct Entry {
        WindowHandle handle;                       // a framework window, or
        x11::EventTarget* target = nullptr;        // one of ours
        bool active = false;
    };
    struct Drag {
        ::Window window = 0;
        Point startPointer;
        Point startOrigin;
    };

    void HandleFrameworkEvent(Entry& entry, x11::NativeWindow& native, XEvent& event);
    bool HandleDragEvent(XEvent& event);
    bool InputBlockedFor(::Window id) const;
    void SkipCompressedMotion(XEvent& event);
    bool IsAutoRepeatRelease(const XEvent& event);
    void FocusIfUnmanaged(::Window id);
    Point RootPosition(::Window id) const;

    const std::unique_ptr<x11::Connection> m_connection;
    const std::unique_ptr<X11InputSink> m_sink;
    const std::thread::id m_thread;

    std::unordered_map<::Window, Entry> m_entries;
    std::unordered_map<uint64_t, std::unique_ptr<x11::NativeWindow>> m_windows; // by handle value
    std::vector<::Window> m_modalTargets;                                      // oldest first
    std::optional<Drag> m_drag;
    ::Window m_grabbed = 0;
};

} // namespace ui
