// The keyboard's version records: the VerInfo text at the start of the version area (a 32-bit byte
// count, then UTF-16LE text) and the APInfo record that reports the application's version.
#pragma once

#include <array>
#include <optional>
#include <span>

#include "sim/Config.h"
#include "sim/Protocol.h"

namespace sim {

// Writes "MAJOR.MINOR.BUILD" as a VerInfo record to the start of `area` (at least 64 bytes).
void WriteVersionText(std::span<uint8_t> area, const FirmwareVersion& version);

// The version a VerInfo record names: its text, after any leading non-digits, read as
// MAJOR.MINOR.BUILD (e.g. "V1.2.30"); nullopt for no text or any other text.
std::optional<FirmwareVersion> VersionFromText(std::span<const uint8_t> area);

// The APInfo block for `version`: major at byte 2, minor at 3, build at 4..7; FF FF for none.
std::array<uint8_t, protocol::kInfoBlockSize> ApInfoRecord(const std::optional<FirmwareVersion>& version);

} // namespace sim
