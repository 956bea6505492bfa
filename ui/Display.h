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
#include <string_view>

#include "ui/Types.h"

namespace ui {

class Window;

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
};

// The back-end the build picks when nobody set one (headless until a platform one joins).
std::unique_ptr<Display> CreateDefaultDisplay();

// Replaces the process's back-end. Call before any window or loop exists: windows and waiters
// created under the previous back-end keep talking to it, so it is kept alive, not deleted.
void SetDisplay(std::unique_ptr<Display> display);

// The process's back-end; creates the default one on first use. Any thread.
Display& GetDisplay();

} // namespace ui
