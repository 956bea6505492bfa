// Internal to sys: the exit hooks that ExitProcess runs before the platform ends the process.
#pragma once

namespace sys::detail {

// Runs the registered hooks, latest first, each once. A hook that calls ExitProcess again does not
// run the remaining hooks a second time.
void RunExitHooks();

} // namespace sys::detail
