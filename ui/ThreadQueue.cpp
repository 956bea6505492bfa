// One thread's message queue and loop (see ThreadQueue.h).
#include "ui/ThreadQueue.h"

#include <algorithm>

#include "sys/Clock.h"
#include "ui/Window.h"
#include "ui/WindowRegistry.h"

namespace ui {

namespace {

// Windows clamps timer periods to these bounds too; a period of 0 would otherwise keep a timer due
// for ever and starve everything else.
constexpr uint32_t kMinTimerMs = 10;
constexpr uint32_t kMaxTimerMs = 0x7FFFFFFF;

// The queues of running threads, by thread. The thread-exit guard finds its queue here rather
// than in thread-local storage: with emulated TLS (mingw-w64) a thread-local object's storage can
// already be freed when thread-exit destructors run, so the guard has no data of its own.
struct QueueTable {
    std::mutex lock;
    std::map<std::thread::id, std::shared_ptr<ThreadQueue>> queues; // guarded by lock
};

QueueTable& Queues() {
    static QueueTable* const table = new QueueTable(); // used until the last thread exits
    return *table;
}

// Ends the calling thread's queue when the thread ends, so that senders waiting on it are answered.
struct ThreadExitGuard {
    ~ThreadExitGuard() {
        std::shared_ptr<ThreadQueue> queue;
        {
            auto& table = Queues();
            std::lock_guard lock(table.lock);
            auto it = table.queues.find(std::this_thread::get_id());
            if (it == table.queues.end()) {
                return;
            }
            queue = std::move(it->second);
            table.queues.erase(it);
        }
        queue->Shutdown();
    }
};

thread_local ThreadQueue* t_queue = nullptr; // trivially destructible: the fast path
thread_local ThreadExitGuard t_exitGuard;

} // namespace

void SentMessage::Complete(LRESULT result) {
    if (m_claimed.exchange(true, std::memory_order_acq_rel)) {
        return;
    }
    m_result = result;
    m_done.store(true, std::memory_order_release);
    m_sender->Wake();
}

LRESULT SentMessage::Deliver() {
    if (m_task) {
        return m_task();
    }
    return DispatchToWindow(m_target, m_msg, m_wParam, m_lParam);
}

ThreadQueue::ThreadQueue(std::unique_ptr<ThreadWaiter> waiter) : m_waiter(std::move(waiter)) {}

std::shared_ptr<ThreadQueue> ThreadQueue::Current() {
    if (t_queue != nullptr) {
        return t_queue->shared_from_this();
    }
    auto queue = std::make_shared<ThreadQueue>(GetDisplay().CreateWaiter());
    {
        auto& table = Queues();
        std::lock_guard lock(table.lock);
        table.queues[std::this_thread::get_id()] = queue;
    }
    t_queue = queue.get();
    static_cast<void>(&t_exitGuard); // the first use arms its thread-exit destructor
    return queue;
}

bool ThreadQueue::Post(WindowHandle target, UINT msg, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(m_lock);
        if (m_dead) {
            return false;
        }
        m_posted.push_back(Posted{target, msg, wParam, lParam});
    }
    m_waiter->Wake();
    return true;
}

bool ThreadQueue::EnqueueSent(std::shared_ptr<SentMessage> message) {
    {
        std::lock_guard lock(m_lock);
        if (m_dead) {
            return false;
        }
        m_sent.push_back(std::move(message));
    }
    m_waiter->Wake();
    return true;
}

bool ThreadQueue::SetTimer(WindowHandle target, uintptr_t id, uint32_t periodMs) {
    const uint32_t ms = std::clamp(periodMs, kMinTimerMs, kMaxTimerMs);
    {
        std::lock_guard lock(m_lock);
        if (m_dead) {
            return false;
        }
        // Inserting or overwriting both (re)start the period from now.
        m_timers[TimerKey{target.value, id}] = Timer{sys::RealDuration(ms), sys::RealDeadline(ms)};
    }
    m_waiter->Wake(); // the loop may be sleeping towards a later deadline
    return true;
}

bool ThreadQueue::KillTimer(WindowHandle target, uintptr_t id) {
    std::lock_guard lock(m_lock);
    return m_timers.erase(TimerKey{target.value, id}) > 0;
}

void ThreadQueue::EndModal(WindowHandle dialog, int result) {
    {
        std::lock_guard lock(m_lock);
        if (m_dead) {
            return;
        }
        m_modalEnds[dialog.value] = result;
    }
    m_waiter->Wake();
}

void ThreadQueue::Wake() { m_waiter->Wake(); }

void ThreadQueue::RequestPaint(WindowHandle window) {
    {
        std::lock_guard lock(m_lock);
        if (m_dead) {
            return;
        }
        m_paints.push_back(window);
    }
    m_waiter->Wake();
}

std::optional<WindowHandle> ThreadQueue::PopPaint() {
    std::lock_guard lock(m_lock);
    if (m_paints.empty()) {
        return std::nullopt;
    }
    const WindowHandle window = m_paints.front();
    m_paints.pop_front();
    return window;
}

std::optional<int> ThreadQueue::ModalEnd(WindowHandle dialog) const {
    std::lock_guard lock(m_lock);
    auto it = m_modalEnds.find(dialog.value);
    if (it == m_modalEnds.end()) {
        return std::nullopt;
    }
    return it->second;
}

void ThreadQueue::EnterModal(WindowHandle dialog) {
    m_activeModals.push_back(dialog.value);
}

std::optional<int> ThreadQueue::LeaveModal(WindowHandle dialog) {
    std::optional<int> result;
    if (auto it = std::find(m_activeModals.rbegin(), m_activeModals.rend(), dialog.value); it != m_activeModals.rend()) {
        m_activeModals.erase(std::next(it).base());
    }
    {
        std::lock_guard lock(m_lock);
        if (auto it = m_modalEnds.find(dialog.value); it != m_modalEnds.end()) {
            result = it->second;
            m_modalEnds.erase(it);
        }
    }
    return result;
}

std::optional<ThreadQueue::Posted> ThreadQueue::PopPosted() {
    std::lock_guard lock(m_lock);
    if (m_posted.empty()) {
        return std::nullopt;
    }
    Posted posted = m_posted.front();
    m_posted.pop_front();
    return posted;
}

bool ThreadQueue::DispatchOneSent() {
    std::shared_ptr<SentMessage> message;
    {
        std::lock_guard lock(m_lock);
        if (m_sent.empty()) {
            return false;
        }
        message = std::move(m_sent.front());
        m_sent.pop_front();
    }
    message->Complete(message->Deliver());
    return true;
}

bool ThreadQueue::HasDueTimer(Clock::time_point now) const {
    std::lock_guard lock(m_lock);
    return std::any_of(m_timers.begin(), m_timers.end(), [now](const auto& t) { return t.second.deadline <= now; });
}

bool ThreadQueue::FireOneDueTimer(Clock::time_point now) {
    WindowHandle target;
    uintptr_t id = 0;
    {
        std::lock_guard lock(m_lock);
        auto due = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
            if (it->second.deadline <= now && (due == m_timers.end() || it->second.deadline < due->second.deadline)) {
                due = it;
            }
        }
        if (due == m_timers.end()) {
            return false;
        }
        // As on Windows, periods that passed while the thread was busy are not made up for.
        due->second.deadline = now + due->second.period;
        target = WindowHandle{due->first.first};
        id = due->first.second;
    }
    DispatchToWindow(target, WM_TIMER, id, 0);
    return true;
}

ThreadQueue::Clock::time_point ThreadQueue::NextDeadline() const {
    std::lock_guard lock(m_lock);
    auto next = Clock::time_point::max();
    for (const auto& [key, timer] : m_timers) {
        next = std::min(next, timer.deadline);
    }
    return next;
}

void ThreadQueue::WaitForWork() { m_waiter->Wait(NextDeadline()); }

void ThreadQueue::WaitForWake() { m_waiter->Wait(Clock::time_point::max()); }

ThreadQueue::Exit ThreadQueue::Run(const std::function<bool()>& stop) {
    int postsWhileTimerDue = 0;
    for (;;) {
        if (stop && stop()) {
            return Exit{};
        }
        // Sent messages first: their senders are blocked.
        if (DispatchOneSent()) {
            continue;
        }
        const auto now = Clock::now();
        const bool timerDue = HasDueTimer(now);
        if (!timerDue || postsWhileTimerDue < kPostsBeforeDueTimer) {
            if (auto posted = PopPosted()) {
                if (posted->msg == WM_QUIT) {
                    return Exit{true, static_cast<int>(posted->wParam)};
                }
                if (timerDue) {
                    ++postsWhileTimerDue;
                    // Let native events in as well while the queue is busy.
                    m_waiter->Wait(Clock::time_point::min());
                }
                DispatchToWindow(posted->target, posted->msg, posted->wParam, posted->lParam);
                continue;
            }
        }
        postsWhileTimerDue = 0;
        // Paints once the queue is empty, so several invalidations in a row make one paint.
        if (auto paint = PopPaint()) {
            PaintRequestedWindow(*paint);
            continue;
        }
        if (timerDue && FireOneDueTimer(now)) {
            continue;
        }
        WaitForWork();
    }
}

ThreadQueue::Exit ThreadQueue::Pump() {
    m_waiter->Wait(Clock::time_point::min()); // take in native events without blocking
    while (DispatchOneSent()) {
    }
    // Only what is queued now: a window that posts to itself must not keep this call going.
    size_t count = 0;
    {
        std::lock_guard lock(m_lock);
        count = m_posted.size();
    }
    for (size_t i = 0; i < count; ++i) {
        auto posted = PopPosted();
        if (!posted) {
            break;
        }
        if (posted->msg == WM_QUIT) {
            return Exit{true, static_cast<int>(posted->wParam)};
        }
        DispatchToWindow(posted->target, posted->msg, posted->wParam, posted->lParam);
        while (DispatchOneSent()) {
        }
    }
    size_t paints = 0;
    {
        std::lock_guard lock(m_lock);
        paints = m_paints.size();
    }
    for (size_t i = 0; i < paints; ++i) {
        if (auto paint = PopPaint()) {
            PaintRequestedWindow(*paint);
        }
    }
    // Each timer due now fires at most once (its next deadline lies in the future after firing).
    const auto now = Clock::now();
    while (FireOneDueTimer(now)) {
    }
    return Exit{};
}

void ThreadQueue::ForgetWindow(WindowHandle handle) {
    std::vector<std::shared_ptr<SentMessage>> orphans;
    {
        std::lock_guard lock(m_lock);
        std::erase_if(m_timers, [handle](const auto& t) { return t.first.first == handle.value; });
        std::erase_if(m_posted, [handle](const Posted& p) { return p.target == handle; });
        std::erase(m_paints, handle);
        // A modal run of this window still has to read how it was ended.
        if (std::find(m_activeModals.begin(), m_activeModals.end(), handle.value) == m_activeModals.end()) {
            m_modalEnds.erase(handle.value);
        }
        for (auto it = m_sent.begin(); it != m_sent.end();) {
            if ((*it)->Target() == handle) {
                orphans.push_back(std::move(*it));
                it = m_sent.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (auto& message : orphans) {
        message->Complete(0);
    }
}

void ThreadQueue::CompleteAllSent(LRESULT result) {
    std::deque<std::shared_ptr<SentMessage>> pending;
    {
        std::lock_guard lock(m_lock);
        pending.swap(m_sent);
    }
    for (auto& message : pending) {
        message->Complete(result);
    }
}

void ThreadQueue::Shutdown() {
    {
        std::lock_guard lock(m_lock);
        m_dead = true;
        m_posted.clear();
        m_timers.clear();
        m_modalEnds.clear();
        m_paints.clear();
    }
    CompleteAllSent(0);
}

LRESULT DispatchToWindow(WindowHandle target, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* window = WindowRegistry::Instance().Find(target);
    if (window == nullptr) {
        return 0; // the window went away while the message was queued
    }
    return window->WindowProc(msg, wParam, lParam);
}

} // namespace ui
