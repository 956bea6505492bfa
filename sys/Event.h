// A waitable event, as the platform's manual- and auto-reset events: Set wakes the waiters; an
// auto-reset event releases one waiter and clears itself, a manual-reset one stays set until Reset.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "sys/Clock.h"

namespace sys {

class Event {
public:
    enum class Reset { Manual, Auto };
    // The member function Reset hides the enum's name where a type is expected (Event::Reset::Auto
    // still works); this alias names the type.
    using ResetMode = enum Reset;

    explicit Event(Reset mode = Reset::Manual, bool initiallySet = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // Waits up to `ms` program milliseconds (kInfinite: no limit). True when the event was set.
    bool Wait(uint32_t ms = kInfinite);

private:
    const ResetMode m_mode;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_set;
};

} // namespace sys
