// The support log: a timestamped record of one run that a user can attach to a problem report.
//
// Off by default. With KESTREL_LOG=PATH set, the first use opens PATH for appending, writes the line
// "=== Kestrel run <ISO time> pid N ===" and then one line per record:
//   <UTC ISO time> +<program ms since the log opened>ms <category> <text>
// Every line is flushed as it is written, so a run that crashes keeps what it logged. A log that
// cannot be opened says so in one line on standard error and logging stays off for the run.
// Nothing is written anywhere else.
//
// Any thread: lines of different threads never interleave. While logging is off a record costs one
// atomic load; callers that build an expensive text first ask SupportLogEnabled().
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace sys {

// Opens the log from KESTREL_LOG on the first call (later calls only answer). True while it is open.
bool SupportLogEnabled();

// Appends one line; `text` should not end in a line break (one is added, and line breaks inside it
// become spaces, so one record is always one line).
void SupportLog(std::string_view category, std::string_view text);

// Bytes as upper-case hex pairs separated by spaces ("1F 00 3C").
std::string HexBytes(std::span<const uint8_t> bytes);

namespace detail {
// The running process's id, for the run's first line (one implementation per platform).
uint32_t SupportLogProcessId();
// Opens `path` for appending in binary mode, not inherited by launched programs; null on failure
// with errno set.
std::FILE* OpenSupportLogFile(const std::filesystem::path& path);
} // namespace detail

namespace testing {
// Closes the log; the next use reads KESTREL_LOG again, as a new run would.
void ResetSupportLog();
} // namespace testing

} // namespace sys
