// One thread's message queue: posted messages (FIFO), incoming sent messages (each with a completion
// its sender waits on), timers, pending modal ends, and the loop that dispatches them. Internal to
// the window framework; the public face is MessageLoop.h.
//
// Locking: m_lock guards the queue's state. It is never held while a WindowProc runs or while the
// thread waits. When both are needed the registry lock is taken first, then this one.
#pragma once

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "ui/Display.h"
#include "ui/Types.h"

namespace ui {

class ThreadQueue;

// A message handed from one thread to a window of another, and the answer the sender waits for.
class SentMessage {
public:
    SentMessage(WindowHandle target, UINT msg, WPARAM wParam, LPARAM lParam, std::shared_ptr<ThreadQueue> sender)
        : m_target(target), m_msg(msg), m_wParam(wParam), m_lParam(lParam), m_sender(std::move(sender)) {}
    // A window call carried to the target's owner thread: `task` runs there instead of WindowProc
    // (it looks the window up itself). Dropped unrun when the window goes away first.
    SentMessage(WindowHandle target, std::function<LRESULT()> task, std::shared_ptr<ThreadQueue> sender)
        : m_target(target), m_msg(WM_NULL), m_wParam(0), m_lParam(0), m_sender(std::move(sender)),
          m_task(std::move(task)) {}

    WindowHandle Target() const { return m_target; }
    UINT Msg() const { return m_msg; }
    WPARAM WParam() const { return m_wParam; }
    LPARAM LParam() const { return m_lParam; }

    // Target's owner thread (or whoever cancels it). Only the first completion counts.
    void Complete(LRESULT result);
    // Sender thread.
    bool IsDone() const { return m_done.load(std::memory_order_acquire); }
    LRESULT Result() const { return m_result; }

    // Target's owner thread: runs the carried call or hands the message to the window.
    LRESULT Deliver();

private:
    const WindowHandle m_target;
    const UINT m_msg;
    const WPARAM m_wParam;
    const LPARAM m_lParam;
    const std::shared_ptr<ThreadQueue> m_sender;
    const std::function<LRESULT()> m_task;
    std::atomic<bool> m_claimed{false};
    std::atomic<bool> m_done{false};
    LRESULT m_result = 0; // written before m_done is released
};

class ThreadQueue : public std::enable_shared_from_this<ThreadQueue> {
public:
    using Clock = std::chrono::steady_clock;

    // How a run of the loop ended.
    struct Exit {
        bool quit = false; // a WM_QUIT was taken from the queue
        int code = 0;      // its exit code
    };

    explicit ThreadQueue(std::unique_ptr<ThreadWaiter> waiter);
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    // The calling thread's queue, created on first use; it is shut down when the thread ends.
    static std::shared_ptr<ThreadQueue> Current();

    // --- Any thread ---------------------------------------------------------------------------
    // False when the queue's thread has ended.
    bool Post(WindowHandle target, UINT msg, WPARAM wParam, LPARAM lParam);
    bool EnqueueSent(std::shared_ptr<SentMessage> message);
    bool SetTimer(WindowHandle target, uintptr_t id, uint32_t periodMs);
    bool KillTimer(WindowHandle target, uintptr_t id);
    void EndModal(WindowHandle dialog, int result);
    void Wake();
    // Asks for a paint of the top-level window `window` once the posted messages are handled (as
    // WM_PAINT comes after them).
    void RequestPaint(WindowHandle window);

    // --- Owner thread -------------------------------------------------------------------------
    // Runs the loop until `stop` returns true (checked before every dispatch) or a WM_QUIT is taken.
    Exit Run(const std::function<bool()>& stop);
    // Handles what is pending now (sent, then the posted messages already queued, then due timers)
    // without waiting.
    Exit Pump();
    // Handles the sent messages now queued; true when it handled any. Used while this thread waits
    // for its own Send.
    bool DispatchOneSent();
    // Sleeps until a timer is due or the queue is woken.
    void WaitForWork();
    // Sleeps until the queue is woken (a Send waiting for its answer).
    void WaitForWake();

    // The window is gone: drop its timers, posted messages and modal end, answer its sent messages
    // with 0.
    void ForgetWindow(WindowHandle handle);
    // The end result of a modal run of `dialog`, once EndModal was called for it.
    std::optional<int> ModalEnd(WindowHandle dialog) const;

    // A modal run of `dialog` starts / ends; LeaveModal returns and forgets its EndModal result.
    // While the run is active the result survives the dialog's destruction.
    void EnterModal(WindowHandle dialog);
    std::optional<int> LeaveModal(WindowHandle dialog);

    // The thread is ending: no more posts or sends are taken; pending sends are answered with 0.
    void Shutdown();

private:
    struct Posted {
        WindowHandle target;
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    struct Timer {
        Clock::duration period;
        Clock::time_point deadline;
    };
    using TimerKey = std::pair<uint64_t, uintptr_t>; // window handle, timer id

    // A due timer waits for at most this many posted messages, so a flood of posts cannot starve it.
    static constexpr int kPostsBeforeDueTimer = 16;

    std::optional<Posted> PopPosted();
    std::optional<WindowHandle> PopPaint();
    bool HasDueTimer(Clock::time_point now) const;
    // Fires the due timer with the earliest deadline; false when none is due.
    bool FireOneDueTimer(Clock::time_point now);
    Clock::time_point NextDeadline() const;
    void CompleteAllSent(LRESULT result);

    const std::unique_ptr<ThreadWaiter> m_waiter;

    mutable std::mutex m_lock;
    bool m_dead = false;                                // guarded by m_lock
    std::deque<Posted> m_posted;                        // guarded by m_lock
    std::deque<std::shared_ptr<SentMessage>> m_sent;    // guarded by m_lock
    std::map<TimerKey, Timer> m_timers;                 // guarded by m_lock
    std::map<uint64_t, int> m_modalEnds;                // guarded by m_lock
    std::deque<WindowHandle> m_paints;                  // guarded by m_lock

    std::vector<uint64_t> m_activeModals; // owner thread only (read by ForgetWindow, also owner)
};

// Hands a message to a window, on its owner thread: WindowProc when the window is alive, 0 otherwise.
LRESULT DispatchToWindow(WindowHandle target, UINT msg, WPARAM wParam, LPARAM lParam);

// Paints a top-level window whose paint was requested (Paint.cpp). Owner thread.
void PaintRequestedWindow(WindowHandle window);

} // namespace ui
