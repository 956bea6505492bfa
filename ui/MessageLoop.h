// The message loop: one queue per thread, posted and sent messages, timers, quit, and modal runs
// as nested loops.
//
// - Post: from any thread; queued on the owner thread of the target window, handled in order (FIFO).
//   A post to a handle whose window is gone is dropped.
// - Send: on the owner thread a direct call; from another thread it blocks until the owner thread has
//   handled it. While waiting, the sending thread keeps handling messages sent to its own windows, so
//   two threads sending to each other never deadlock.
// - Timers: by window and id; WM_TIMER with wParam = id arrives on the owner thread every period
//   (program time, sys/Clock.h) until killed. Setting an existing id restarts it with the new period.
// - Quit: PostQuit ends the innermost running loop of the calling thread; RunMessageLoop returns its code.
// - RunModal: a nested loop that keeps dispatching every window of the thread until EndModal.
#pragma once

#include <cstdint>

#include "ui/Types.h"

namespace ui {

class Window;

bool Post(WindowHandle target, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
LRESULT Send(WindowHandle target, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);

bool SetTimer(WindowHandle target, uintptr_t id, uint32_t periodMs);
bool KillTimer(WindowHandle target, uintptr_t id);

// Posts the quit message to the calling thread's queue.
void PostQuit(int exitCode);

// Runs the calling thread's loop until the quit message; returns its code.
int RunMessageLoop();

// Handles everything that is due now on the calling thread without waiting; false after a quit.
bool PumpPending();

// Runs `dialog` modally: a nested loop on the calling thread (which owns the dialog) until
// EndModal for it, or until it is destroyed. Returns the EndModal result (IDCANCEL when destroyed).
int RunModal(Window& dialog);
void EndModal(WindowHandle dialog, int result);

} // namespace ui
