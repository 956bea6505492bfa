// Process services: the executable's own path, the single-instance guard, the caller's console,
// debug output, environment, launching a program, and ending the process. One implementation file
// per platform (sys/linux, sys/win32).
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sys {

// The command line as wide strings, the program path first (Windows: GetCommandLineW; Linux: argv
// taken as UTF-8).
std::vector<std::u16string> CommandLineArguments(int argc, char** argv);

// Full path of the running executable.
std::filesystem::path ExecutablePath();
// Folder of the running executable (the program folder).
std::filesystem::path ProgramFolder();

// Takes the named single-instance guard for the life of the process. False when another process
// holds it; never waits. Linux: an exclusive flock on $XDG_RUNTIME_DIR/NAME (or /tmp/NAME when
// that variable is unset or its folder not writable). When no guard can be made at all (the file
// cannot be opened), nothing is known to hold it and the result is true.
bool AcquireSingleInstance(std::u16string_view name);

// Writes the parts, in order, to the console of the process that started this one, if there is one
// (Linux: standard output; Windows: AttachConsole(ATTACH_PARENT_PROCESS) + WriteConsoleW, then
// FreeConsole in every case).
void WriteToParentConsole(const std::vector<std::u16string>& parts);

// One line of debug output (Linux: standard error when KESTREL_DEBUG=1, else nothing; Windows:
// OutputDebugStringW). A missing trailing newline is not added.
void DebugOutput(std::string_view text);
bool DebugEnabled();

// Environment lookup; nullopt when the variable is not set.
std::optional<std::string> GetEnv(const char* name);
// Sets (value not null) or removes (value null) an environment variable of this process; programs
// started afterwards inherit it. False when the platform refused.
bool SetEnv(const char* name, const char* value);

// Starts `program` with the single argument `argument`, not waiting for it. False when it could not
// be started.
bool LaunchProgram(const std::filesystem::path& program, std::u16string_view argument);

// Runs `hook` when the process ends through ExitProcess (latest registered first).
void AddExitHook(std::function<void()> hook);

// Ends the process at once with `code`, after the exit hooks and a flush of standard streams.
[[noreturn]] void ExitProcess(int code);

// UTF-8 <-> UTF-16 at the platform edge.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

} // namespace sys
