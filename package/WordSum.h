// The image checksum that the update compares with the keyboard's own.
#pragma once

#include <cstdint>
#include <span>

namespace package {

// The sum modulo 2^32 of ceil(n / 4) little-endian 32-bit words from the first byte. When n is not
// a multiple of four, the missing bytes of the last partial word count as zero. Images are expected
// to be multiples of four, and kestrel-pack refuses any that is not. An empty range sums to 0.
uint32_t WordSum(std::span<const uint8_t> bytes);

} // namespace package
