// The keyboard's answers: what one request does to the keyboard's state and which input reports it
// produces. Runs on the writer's thread with Keyboard::State::lock held; it never calls the host.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/KeyboardState.h"
#include "sim/Protocol.h"

namespace sim {

using Report = std::array<uint8_t, protocol::kReportSize>;

// Carries out `request` written to `identity` and returns the reports to deliver, in order, to that
// identity. Identity switches it starts are queued in `state.pending` (the caller wakes the thread).
std::vector<Report> ExecuteRequest(Keyboard::State& state, Identity identity, const Report& request);

// Queues a host plug or unplug `delayMs` program milliseconds from now.
void QueueSwitch(Keyboard::State& state, uint32_t delayMs, bool plug, Identity identity);

} // namespace sim
