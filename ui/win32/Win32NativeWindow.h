// The native side of one top-level window of the Windows back-end: a WS_POPUP window of our own
// class with no caption and a window menu, whose procedure hands the window system's input,
// exposure, moves, activation and close requests to the framework (ui/Input.h), and the calls the
// display makes on it. Owner thread only: the thread that created it, whose loop dispatches its
// messages. Internal to ui/win32; include after the framework's headers (it includes <windows.h>).
#pragma once

#include <memory>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

#include "ui/Types.h"
#include "ui/gfx/Surface.h"
#include "ui/win32/Win32Headers.h"

namespace ui::win32 {

struct IconDestroyer {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

struct RegionDeleter {
    void operator()(HRGN region) const { DeleteObject(region); }
};
using UniqueRegion = std::unique_ptr<std::remove_pointer_t<HRGN>, RegionDeleter>;

// The region that is the union of the rectangles (window coordinates), made in one ExtCreateRegion
// call; an empty region when none of them has an area; nothing when GDI refuses it.
UniqueRegion CreateRegionFromRectangles(const std::vector<Rect>& rectangles);

// Registers the window class of our top-level windows, once per process. False when that failed.
bool RegisterNativeWindowClass();

class NativeWindow {
public:
    // A hidden, unowned window at `rect` (screen coordinates) for the framework window `handle`.
    // Nothing when it cannot be created.
    static std::unique_ptr<NativeWindow> Create(WindowHandle handle, const Rect& rect, std::u16string_view title,
                                                uint32_t programExStyle);
    ~NativeWindow();
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    std::thread::id OwnerThread() const { return m_thread; }

    // `activate`: the window becomes the active one, as the framework makes it when it is enabled.
    void Show(bool visible, bool activate);
    void SetTitle(std::u16string_view title);
    void MoveResize(const Rect& screenRect);
    bool SetRegion(const std::vector<Rect>& rectangles);
    void Present(const Surface& surface, const Rect& dirty);
    void SetIcon(uint32_t iconResourceId);
    void SetExStyle(uint32_t programExStyle);
    void SetCloseItem(bool enabled);
    // Runs the system's move loop (it returns when the left button is released).
    void BeginMoveDrag(Point screen);
    void SetPointerGrab(bool grab);

private:
    // Counts the calls we make on the window ourselves: what the window system reports back from
    // them synchronously (WM_MOVE from our own move, WM_ACTIVATE from our own show) is a change the
    // framework made and knows already, so it is not reported to it a second time.
    class SelfCall {
    public:
        explicit SelfCall(NativeWindow& window) : m_window(window) { ++m_window.m_selfCalls; }
        ~SelfCall() { --m_window.m_selfCalls; }
        SelfCall(const SelfCall&) = delete;
        SelfCall& operator=(const SelfCall&) = delete;

    private:
        NativeWindow& m_window;
    };

    friend bool RegisterNativeWindowClass();

    explicit NativeWindow(WindowHandle handle) : m_handle(handle), m_thread(std::this_thread::get_id()) {}

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void TrackLeave(HWND hwnd);

    const WindowHandle m_handle;
    const std::thread::id m_thread;
    HWND m_hwnd = nullptr;
    int m_selfCalls = 0;
    bool m_trackingLeave = false; // a WM_MOUSELEAVE is asked for
    UniqueIcon m_bigIcon;         // destroyed after the window that shows them
    UniqueIcon m_smallIcon;
};

} // namespace ui::win32
