// This test binary doubles as the child process that the process-service tests launch: `main`
// recognises the child arguments below, does one job and ends. The parent waits for the result
// file that the child writes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace systest {

// Child arguments. The text after the prefix is the result file.
inline constexpr std::string_view kProbeGuardArg = "--sys-probe-guard="; // writes "held" or "free"
inline constexpr std::string_view kExitHooksArg = "--sys-exit-hooks=";   // hooks write into the file
// Linux: writes the targets of the descriptors the child was started with, one per line.
inline constexpr std::string_view kOpenFilesArg = "--sys-open-files=";

// The environment variable that names the guard the probe tries to take.
inline constexpr const char* kProbeGuardNameVar = "KESTREL_SYS_TEST_GUARD";

// Runs the child's job when the arguments ask for one; nullopt for an ordinary test run, otherwise
// the exit code (the exit-hook child never returns).
std::optional<int> RunChildJob(int argc, char** argv);

// Launches this binary with `childArg` + a fresh result file (named after `fileStem`, UTF-8) and
// returns what the child wrote, or nullopt when it did not start or wrote nothing within a minute.
std::optional<std::string> RunChild(std::string_view childArg, std::string_view fileStem = "kestrel-sys-child");

// A name no other run of these tests uses at the same time.
std::string UniqueName(std::string_view stem);

} // namespace systest
