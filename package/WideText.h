// UTF-16LE text fields inside byte records: read up to the first NUL, write NUL-padded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace package {

// The code units of a field of `units` UTF-16LE units at `offset`, up to the first NUL (all of
// them when there is none). The caller guarantees offset + 2 * units <= bytes.size().
std::u16string ReadWideText(std::span<const uint8_t> bytes, size_t offset, size_t units);

// True when the field holds a NUL unit.
bool HasWideNul(std::span<const uint8_t> bytes, size_t offset, size_t units);

// Writes `text` and pads the field with NULs. Refuses (false, field untouched) a text that leaves
// no room for its terminating NUL or that holds a NUL itself.
bool WriteWideText(std::span<uint8_t> bytes, size_t offset, size_t units, std::u16string_view text);

} // namespace package
