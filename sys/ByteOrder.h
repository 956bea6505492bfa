// Little-endian reads and writes over byte spans, for every byte record of the program (package
// trailer, image entries, device requests and answers). Callers check bounds before they call;
// the functions assert them in debug builds.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

namespace sys {

inline uint16_t ReadLe16(std::span<const uint8_t> bytes, size_t offset) {
    assert(offset + 2 <= bytes.size());
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline uint32_t ReadLe32(std::span<const uint8_t> bytes, size_t offset) {
    assert(offset + 4 <= bytes.size());
    return static_cast<uint32_t>(bytes[offset]) | (static_cast<uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<uint32_t>(bytes[offset + 2]) << 16) | (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

inline void WriteLe16(std::span<uint8_t> bytes, size_t offset, uint16_t value) {
    assert(offset + 2 <= bytes.size());
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline void WriteLe32(std::span<uint8_t> bytes, size_t offset, uint32_t value) {
    assert(offset + 4 <= bytes.size());
    for (size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

} // namespace sys
