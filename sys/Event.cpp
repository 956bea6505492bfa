// Manual- and auto-reset events over a mutex and a condition variable; time limits are program
// milliseconds, turned into a real deadline once when the wait starts.
#include "sys/Event.h"

namespace sys {

Event::Event(ResetMode mode, bool initiallySet) : m_mode(mode), m_set(initiallySet) {}

// Any thread.
// Notifies while still holding the lock: a waiter that wakes may destroy the event at once, and the
// notification must not touch it after that.
void Event::Set() {
    std::lock_guard guard(m_lock);
    m_set = true;
    if (m_mode == Reset::Auto) {
        m_changed.notify_one();
    } else {
        m_changed.notify_all();
    }
}

// Any thread.
void Event::Reset() {
    std::lock_guard guard(m_lock);
    m_set = false;
}

// Any thread.
bool Event::IsSet() const {
    std::lock_guard guard(m_lock);
    return m_set;
}

// Any thread; blocks the caller up to `ms` program milliseconds.
bool Event::Wait(uint32_t ms) {
    std::unique_lock guard(m_lock);
    const auto isSet = [this] { return m_set; };
    if (ms == kInfinite) {
        m_changed.wait(guard, isSet);
    } else if (!m_changed.wait_until(guard, RealDeadline(ms), isSet)) {
        return false;
    }
    if (m_mode == Reset::Auto) {
        m_set = false; // this waiter takes the signal; the others keep waiting
    }
    return true;
}

} // namespace sys
