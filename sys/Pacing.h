// The pause after every request written to the keyboard: at least 3 ms (program time) and not much
// more, so consecutive requests are paced as the keyboard expects. Sleeps the first part and spins
// only the tail, so a core is not burnt for the whole wait.
#pragma once

namespace sys {

void PacingWait();

} // namespace sys
