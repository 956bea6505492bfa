// The process's display back-end and the default thread waiter (see Display.h).
#include "ui/Display.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace ui {

namespace {

// A sticky flag under a mutex: a Wake between the queue check and the Wait is not lost.
class ConditionWaiter final : public ThreadWaiter {
public:
    void Wait(TimePoint deadline) override {
        std::unique_lock lock(m_lock);
        if (!m_woken) {
            const auto now = std::chrono::steady_clock::now();
            if (deadline == TimePoint::max()) {
                m_changed.wait(lock, [this] { return m_woken; });
            } else if (deadline > now) {
                // Cap very long waits: some platforms convert the deadline to the system clock,
                // which a far deadline would overflow. The caller just looks again.
                const auto cappedDeadline = deadline - now > kLongestWait ? now + kLongestWait : deadline;
                m_changed.wait_until(lock, cappedDeadline, [this] { return m_woken; });
            }
        }
        m_woken = false;
    }

    void Wake() override {
        {
            std::lock_guard lock(m_lock);
            m_woken = true;
        }
        m_changed.notify_one();
    }

private:
    static constexpr std::chrono::hours kLongestWait{1};

    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_woken = false; // guarded by m_lock
};

struct DisplayState {
    std::mutex lock;
    Display* current = nullptr;                    // guarded by lock
    std::vector<std::unique_ptr<Display>> owned;   // guarded by lock; never shrinks (see SetDisplay)
};

DisplayState& State() {
    static DisplayState* const state = new DisplayState(); // lives as long as any window might
    return *state;
}

} // namespace

std::unique_ptr<ThreadWaiter> CreateConditionWaiter() { return std::make_unique<ConditionWaiter>(); }

void SetDisplay(std::unique_ptr<Display> display) {
    if (!display) {
        return;
    }
    auto& state = State();
    std::lock_guard lock(state.lock);
    state.current = display.get();
    state.owned.push_back(std::move(display));
}

Display& GetDisplay() {
    auto& state = State();
    std::lock_guard lock(state.lock);
    if (state.current == nullptr) {
        state.owned.push_back(CreateDefaultDisplay());
        state.current = state.owned.back().get();
    }
    return *state.current;
}

} // namespace ui
