// The X11 display back-end: one undecorated X window per top-level window of the program, window
// regions as XShape bounding shapes, surfaces presented with XPutImage, window-system input handed
// to the framework, our own message boxes, and a thread waiter that sleeps on the X connection.
//
// Threads: the thread that opens the display is its user-interface thread. Xlib is used there
// only: native windows are created, changed and destroyed on it, and its message loop's waiter
// (CreateWaiter on that thread) reads the X events and hands them on. Other threads get the plain
// waiter. Linux only.
#pragma once

#include <memory>
#include <string_view>

#include "ui/Display.h"
#include "ui/Types.h"

namespace ui {

// Where the back-end delivers what the window system reports, on the display's thread. The
// program's sink calls the framework's input entry points (ui/Input.h); tests record.
class X11InputSink {
public:
    virtual ~X11InputSink() = default;
    virtual void Mouse(WindowHandle topLevel, UINT msg, Point client, WPARAM keys) = 0;
    virtual void Key(WindowHandle topLevel, UINT msg, WPARAM virtualKey) = 0;
    virtual void Exposed(WindowHandle topLevel, const Rect& client) = 0;
    virtual void CloseRequest(WindowHandle topLevel) = 0;
    virtual void Activation(WindowHandle topLevel, bool active) = 0;
    virtual void Moved(WindowHandle topLevel, Point screen) = 0;
};

// The sink that feeds ui::InjectMouse, ui::InjectKey, ...
std::unique_ptr<X11InputSink> CreateFrameworkInputSink();

class X11Display final : public Display {
public:
    // Opens `displayName` (nullptr: $DISPLAY) on the calling thread. Nothing when it cannot be opened.
    static std::unique_ptr<X11Display> Open(std::unique_ptr<X11InputSink> sink, const char* displayName = nullptr);
    ~X11Display() override;

    std::string_view Name() const override { return "x11"; }
    std::unique_ptr<ThreadWaiter> CreateWaiter() override;

    bool CreateNativeWindow(Window& window) override;
    void DestroyNativeWindow(Window& window) override;
    void ShowNativeWindow(Window& window, bool visible) override;
    void SetNativeTitle(Window& window, std::u16string_view title) override;
    int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                       uint32_t flags) override;

    bool IsInteractive() const override { return true; }
    void MoveNativeWindow(Window& window, const Rect& screenRect) override;
    bool SetNativeRegion(Window& window, const std::vector<Rect>& rectangles) override;
    void PresentNativeWindow(Window& window, const Surface& surface, const Rect& dirty) override;
    void SetNativeIcon(Window& window, uint32_t iconResourceId) override;
    void SetNativeExStyle(Window& window, uint32_t exStyle) override;
    void BeginNativeMoveDrag(Window& window, Point screen) override;
    void SetNativePointerGrab(Window& window, bool grab) override;
    Rect WorkArea() const override;

    // --- Display thread; for tests and the benchmark.
    // The X window id of a top-level window (0: none).
    unsigned long NativeWindowId(WindowHandle window) const;
    // Reads and handles every X event that has arrived; returns how many were handled.
    int DispatchPendingEvents();
    // Waits until the server has handled every request sent so far.
    void Sync();

    class Impl;

private:
    explicit X11Display(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// The factory the framework's back-end choice calls: the X11 display on $DISPLAY with the
// framework's input sink, or nullptr when the display cannot be opened.
std::unique_ptr<Display> CreateX11Display();

} // namespace ui
