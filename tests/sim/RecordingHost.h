// A KeyboardHost that records every call with its program time, for driving sim::Keyboard directly.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "sim/Keyboard.h"
#include "sys/Clock.h"

namespace simtest {

using Report = std::array<uint8_t, 64>;

struct HostEvent {
    enum class Kind { Plug, Unplug, Deliver } kind;
    sim::Identity identity;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    Report report{};
    int64_t atMillis = 0;  // program time
};

class RecordingHost : public sim::KeyboardHost {
public:
    void Plug(sim::Identity identity, uint16_t vendorId, uint16_t productId) override {
        Record({HostEvent::Kind::Plug, identity, vendorId, productId, {}, sys::NowMillis()});
    }
    void Unplug(sim::Identity identity) override {
        Record({HostEvent::Kind::Unplug, identity, 0, 0, {}, sys::NowMillis()});
    }
    void Deliver(sim::Identity identity, std::span<const uint8_t> report) override {
        HostEvent event{HostEvent::Kind::Deliver, identity, 0, 0, {}, sys::NowMillis()};
        EXPECT_EQ(report.size(), event.report.size());
        std::copy_n(report.begin(), std::min(report.size(), event.report.size()), event.report.begin());
        Record(event);
    }

    std::vector<HostEvent> Events() const {
        std::lock_guard lock(m_lock);
        return m_events;
    }
    size_t Count() const {
        std::lock_guard lock(m_lock);
        return m_events.size();
    }
    // Waits (real time, bounded) until a plug or unplug of `identity` has been recorded after the
    // first `from` events; the index of that event, or -1.
    int WaitFor(HostEvent::Kind kind, sim::Identity identity, size_t from = 0) {
        std::unique_lock lock(m_lock);
        int found = -1;
        m_changed.wait_for(lock, std::chrono::seconds(5), [&] {
            for (size_t i = from; i < m_events.size(); ++i) {
                if (m_events[i].kind == kind && m_events[i].identity == identity) {
                    found = static_cast<int>(i);
                    return true;
                }
            }
            return false;
        });
        return found;
    }

private:
    void Record(const HostEvent& event) {
        {
            std::lock_guard lock(m_lock);
            m_events.push_back(event);
        }
        m_changed.notify_all();
    }

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<HostEvent> m_events;
};

} // namespace simtest
