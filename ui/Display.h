// The display back-end interface: what the window framework needs from a windowing system (the
// native side of top-level windows, message boxes, and the way a thread waits for work), plus the
// process-wide choice of back-end.
//
// The back-end is chosen once at start-up, before the first window or message loop exists:
// ui::SetDisplay(...) with a back-end of one's own, or nothing, and ui::GetDisplay() creates the
// default one (CreateDefaultDisplay) on first use.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include <vector>

#include "ui/Types.h"

namespace ui {

class Window;
class Surface;

// How one thread's message loop sleeps until there is work. Each thread that uses the loop gets its
// own waiter, created on that thread by Display::CreateWaiter.
//
// A back-end with an event source of its own (the X11 connection's file descriptor, the thread's
// Windows messages) waits on it together with the loop's wake-ups. Wait never calls a WindowProc
// itself: native events it reads are turned into posted messages, which the loop then dispatches.
class ThreadWaiter {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~ThreadWaiter() = default;

    // Owner thread. Returns once Wake was called (since the last return), the deadline (real steady
    // time; TimePoint::max() for none) has passed, or native events were handled. May return early
    // for no reason; the caller checks its queue again either way. A deadline in the past polls.
    virtual void Wait(TimePoint deadline) = 0;

    // Any thread. Makes the current or the next Wait return. A wake-up is never lost.
    virtual void Wake() = 0;
};

// The default waiter: a condition variable and a sticky "woken" flag.
std::unique_ptr<ThreadWaiter> CreateConditionWaiter();

class Display {
public:
    virtual ~Display() = default;

    // A short name for diagnostics ("headless", "x11").
    virtual std::string_view Name() const = 0;

    // Called once on every thread that starts using the message loop, on that thread.
    virtual std::unique_ptr<ThreadWaiter> CreateWaiter() { return CreateConditionWaiter(); }

    // The native side of a top-level window that is not a message-only window. All of these run on
    // the window's owner thread; different windows may live on different threads.
    virtual bool CreateNativeWindow(Window& window) = 0;
    virtual void DestroyNativeWindow(Window& window) = 0;
    virtual void ShowNativeWindow(Window& window, bool visible) = 0;
    virtual void SetNativeTitle(Window& window, std::u16string_view title) = 0;

    // A modal message box owned by `owner` (may be none). Runs on the calling thread; returns the
    // button chosen (IDOK for a box with only an OK button).
    virtual int ShowMessageBox(WindowHandle owner, std::u16string_view text, std::u16string_view caption,
                               uint32_t flags) = 0;

    // --- The rest of the native side; all on the window's owner thread. The defaults do nothing,
    // for back-ends (headless) that have no screen.

    // True when a person can see the windows and answer dialogs. False on headless: modal dialogs
    // and message boxes that would wait for a user are answered at once (OK).
    virtual bool IsInteractive() const { return false; }

    // Position and size in screen coordinates, as the program sets them.
    virtual void MoveNativeWindow(Window& window, const Rect& screenRect) {
        (void)window;
        (void)screenRect;
    }
    // The window region: the union of the rectangles (client coordinates); empty: no region. False
    // when the window system refuses it.
    virtual bool SetNativeRegion(Window& window, const std::vector<Rect>& rectangles) {
        (void)window;
        (void)rectangles;
        return true;
    }
    // Shows the window's composed surface; `dirty` is the part that changed (client coordinates).
    virtual void PresentNativeWindow(Window& window, const Surface& surface, const Rect& dirty) {
        (void)window;
        (void)surface;
        (void)dirty;
    }
    // The window's icon from the icon resource with this id.
    virtual void SetNativeIcon(Window& window, uint32_t iconResourceId) {
        (void)window;
        (void)iconResourceId;
    }
    // Extended style changes the window system must know of (WS_EX_TOOLWINDOW: no taskbar entry).
    virtual void SetNativeExStyle(Window& window, uint32_t exStyle) {
        (void)window;
        (void)exStyle;
    }
    // The window menu's close item, grayed (enabled false) or enabled, as EnableCloseItem sets it.
    // The framework ignores close requests itself while it is grayed; this only shows the state.
    virtual void SetNativeCloseItem(Window& window, bool enabled) {
        (void)window;
        (void)enabled;
    }
    // Starts the window system's move-by-drag (the caption drag that WM_NCLBUTTONDOWN with HTCAPTION
    // asks for) with the pointer at `screen`.
    virtual void BeginNativeMoveDrag(Window& window, Point screen) {
        (void)window;
        (void)screen;
    }
    // Pointer grab while a window of this top-level window holds the mouse capture, so moves outside
    // the window still arrive.
    virtual void SetNativePointerGrab(Window& window, bool grab) {
        (void)window;
        (void)grab;
    }
    // The part of the screen that windows may use (screen coordinates).
    virtual Rect WorkArea() const { return {0, 0, 1024, 768}; }
};

// The back-end the build picks when nobody set one (headless until a platform one joins).
std::unique_ptr<Display> CreateDefaultDisplay();

// Replaces the process's back-end. Call before any window or loop exists: windows and waiters
// created under the previous back-end keep talking to it, so it is kept alive, not deleted.
void SetDisplay(std::unique_ptr<Display> display);

// The process's back-end; creates the default one on first use. Any thread.
Display& GetDisplay();

// Start-up of a window-mode run: true when its windows can be shown — the back-end is interactive
// (X11 opened), or headless was asked for (KESTREL_DISPLAY=headless) or set by the program. False
// when the default choice fell back to headless because no window system could be used; the run
// then prints NoDisplayMessage() and ends. Creates the default back-end when none exists. Any thread.
bool DisplayAvailable();
// "kestrel: no display available (<why>); use -silent, or run under X11", <why> for example
// "DISPLAY is not set".
std::string NoDisplayMessage();

} // namespace ui
