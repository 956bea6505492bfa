// The pause after every request written to the keyboard: at least 3 ms (program time) and not much
// more, so consecutive requests are paced as the keyboard expects. Sleeps the first part and spins
// only the tail, so a core is not burnt for the whole wait.
#pragma once

#include <cstdint>

namespace sys {

// The pause after a request, in program time.
inline constexpr uint32_t kPacingMillis = 3;
inline constexpr int64_t kPacingMicros = kPacingMillis * 1000;

// The whole pause, from now.
void PacingWait();

// The rest of the pause of a request written at `writtenMicros` (a NowMicros() value): returns at
// once when 3 ms have passed since then. A requester that waits for an answer first pays for the
// pause only when the answer came sooner than that.
void PacingWaitSince(int64_t writtenMicros);

} // namespace sys
