// The message loop: one queue per thread, posted and sent messages, timers, quit, and modal runs
// as nested loops.
//
// - Post: from any thread; queued on the owner thread of the target window, handled in order (FIFO).
//   A post to a handle whose window is gone is dropped (false), as is one still queued when the
//   window is destroyed.
// - Send: on the owner thread a direct call; from another thread it blocks until the owner thread has
//   handled it. While waiting, the sending thread keeps handling messages sent to its own windows
//   (not posted ones, not timers), so two threads sending to each other never deadlock. Sent
//   messages are handled before posted ones. A send waits for the owner thread's next loop (or
//   PumpPending, or a Send of its own) when that thread is busy; it returns 0 without being
//   handled when the target is destroyed first or the owner thread ends.
// - Timers: by window and id, set and killed from any thread; WM_TIMER with wParam = id, lParam 0
//   arrives on the owner thread every period (program time, sys/Clock.h; clamped to 10 ms at the
//   least, as on Windows) until killed. Setting an existing id restarts it with the new period.
//   Periods missed while the thread was busy are not made up. Timers come after sent and posted
//   messages, but a due timer waits for only a few posted messages, so posts cannot starve it.
//   A destroyed window's timers are gone.
// - Quit: PostQuit ends the innermost running loop of the calling thread; RunMessageLoop returns its code.
// - RunModal: a nested loop that keeps dispatching every window of the thread until EndModal. A
//   modal run that receives the quit ends and posts it again, so the enclosing loops end too.
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

// Handles everything that is due now on the calling thread without waiting: the sent messages, the
// posted messages queued at the call (not those they post in turn), the timers due. False when it
// reached a quit; the quit is then posted again for the loop this call runs inside of.
bool PumpPending();

// Runs `dialog` modally: a nested loop on the calling thread (which owns the dialog) until
// EndModal for it, or until it is destroyed. Returns the EndModal result (IDCANCEL when destroyed
// without one, when ended by a quit, or when the dialog is not a live window of this thread).
// Neither shows nor destroys the dialog.
int RunModal(Window& dialog);
// Any thread. Ends the modal run of `dialog`; when called before the run starts (from WM_CREATE,
// say), the run returns at once. Ending an outer dialog while an inner one runs takes effect when
// the inner run has ended.
void EndModal(WindowHandle dialog, int result);

} // namespace ui
