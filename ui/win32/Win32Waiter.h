// How a thread of the Windows back-end waits for work: the message loop's waiter, and the scope
// that keeps the framework's queue served while a native modal loop (a message box, the system's
// move loop) owns the thread.
#pragma once

#include <memory>

#include "ui/Display.h"

namespace ui::win32 {

class MessageWaiter;

// A waiter that sleeps on a wake event and the thread's Windows messages together
// (MsgWaitForMultipleObjectsEx with QS_ALLINPUT) and, before it returns, dispatches the native
// messages that arrived (PeekMessageW / DispatchMessageW); our windows' procedure hands them on to
// the framework. A native WM_QUIT becomes the framework's quit. Created on the thread that uses it;
// nothing when no event can be made.
std::unique_ptr<ThreadWaiter> CreateMessageWaiter();

// Owner thread. For its life a native modal loop runs on the calling thread (create it right
// before MessageBoxW or the move loop's SendMessageW): the framework's posted and sent messages,
// paints and timers are handled from inside that loop, through a message-only window that the
// thread's wake-ups and a 10 ms tick reach, and the waiter's polls leave the native messages to
// the modal loop (whose dialog keys they are). Scopes nest.
class CNativeModalScope {
public:
    CNativeModalScope();
    ~CNativeModalScope();
    CNativeModalScope(const CNativeModalScope&) = delete;
    CNativeModalScope& operator=(const CNativeModalScope&) = delete;

    // The pump window's procedure: serves the framework's queue once.
    void Pump();

private:
    MessageWaiter* m_waiter = nullptr; // the calling thread's waiter, when it is one of ours
    void* m_window = nullptr;          // HWND of the pump window
    void* m_previous = nullptr;        // the enclosing scope's pump window
    bool m_pumping = false;
    bool m_quit = false;               // the framework's quit was seen: left for the outer loop
};

} // namespace ui::win32
